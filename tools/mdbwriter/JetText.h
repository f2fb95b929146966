#pragma once

#include "FileFormat.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cstdint>

namespace quorvane::mdbwriter {

// How Jet 4 stores text: UTF-16LE, or its "compressed" form, which starts with FF FE and
// then holds runs of one-byte characters (U+0001..U+00FF) and runs of UTF-16 units,
// a zero byte switching between them (it starts in the one-byte mode).
namespace jettext {

// The longest memo value Access compresses; longer ones are stored as plain UTF-16.
constexpr int kMaxCompressedMemoChars = 1024;

QByteArray utf16(const QString& text);

// The compressed form when `allowCompression` is set, every unit can be written in it
// (no U+0000 and no unit whose low byte is zero, which would read as a mode switch)
// and it comes out shorter; the plain UTF-16LE form otherwise.
QByteArray encode(const QString& text, bool allowCompression);

} // namespace jettext

// Text as one file version stores it: Jet 4 and ACE as above, Jet 3 in the database's
// code page (one byte a character; the writer takes single-byte code pages only).
class TextEncoding {
public:
    TextEncoding(const FileFormat& format, std::uint16_t codePage);
    std::uint16_t codePage() const { return m_codePage; }
    // False when the code page has no such code page as Qt knows it.
    bool isValid() const { return m_format.unicode() || (m_encoder.isValid() && m_decoder.isValid()); }
    const FileFormat& format() const { return m_format; }
    // False when a character has no byte in the code page.
    bool encode(const QString& text, bool allowCompression, QByteArray& out) const;

private:
    const FileFormat& m_format;
    std::uint16_t m_codePage;
    mutable QStringEncoder m_encoder;
    mutable QStringDecoder m_decoder;
};
} // namespace quorvane::mdbwriter

#pragma once

#include <QByteArray>
#include <QString>

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
} // namespace quorvane::mdbwriter

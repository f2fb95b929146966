#pragma once

#include "ByteView.h"
#include "JetLayout.h"

#include <QString>
#include <QStringDecoder>

#include <array>

namespace quorvane::db::format {

// Turns stored text into QString: UTF-16LE in Jet 4 and ACE, where a value may be
// "compressed" (0xFF 0xFE, then runs of one-byte characters and of UTF-16 units,
// switched by a 0x00 byte); the database's code page in Jet 3.
class TextCodec {
public:
    TextCodec(JetVersion version, std::uint16_t codePage);
    QString decode(ByteView bytes) const;
    // The same into `out`, whose storage is reused when it is large enough: a table
    // scan decodes the same columns row after row.
    void decodeInto(ByteView bytes, QString& out) const;

    // Jet 4 text as stored (compressed or plain UTF-16LE).
    static QString decodeUnicode(ByteView bytes);
    static void decodeUnicodeInto(ByteView bytes, QString& out);

private:
    void buildByteTable(std::uint16_t codePage);

    JetVersion m_version;
    mutable QStringDecoder m_decoder;
    bool m_western = false; // windows-1252
    // Jet 3 in a single-byte code page: the character of every byte, looked up rather
    // than run through the decoder, whose setup per call outweighs a short value.
    std::array<char16_t, 256> m_byteTable{};
    bool m_useTable = false;
};

} // namespace quorvane::db::format

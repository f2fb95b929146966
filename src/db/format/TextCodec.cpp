#include "TextCodec.h"

#include <cstring>

namespace quorvane::db::format {

TextCodec::TextCodec(JetVersion version, std::uint16_t codePage) : m_version(version)
{
    if (version != JetVersion::Jet3)
        return;
    // Code page 0 (and anything Qt does not know) is read as the Western code page,
    // which is what Access 97 wrote on most systems.
    if (codePage != 0 && codePage != 1252)
        m_decoder = QStringDecoder(QStringLiteral("windows-%1").arg(codePage).toLatin1().constData(),
                                   QStringDecoder::Flag::Stateless);
    if (!m_decoder.isValid()) {
        m_decoder = QStringDecoder("windows-1252", QStringDecoder::Flag::Stateless);
        m_western = m_decoder.isValid();
    }
    if (!m_decoder.isValid())
        m_decoder = QStringDecoder(QStringDecoder::Latin1, QStringDecoder::Flag::Stateless);
    buildByteTable(m_western || codePage == 0 ? 1252 : codePage);
}

void TextCodec::buildByteTable(std::uint16_t codePage)
{
    // Windows' single-byte code pages: one byte is one character whatever stands around
    // it. The double-byte ones of East Asian systems (932, 936, 949, 950) keep the decoder.
    const bool singleByte = codePage == 874 || (codePage >= 1250 && codePage <= 1258);
    if (!singleByte)
        return;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const QString one = decode(ByteView(reinterpret_cast<const std::uint8_t*>(&byte), 1));
        if (one.size() != 1)
            return;
        m_byteTable[static_cast<std::size_t>(b)] = one.front().unicode();
    }
    m_useTable = true;
}

QString TextCodec::decode(ByteView bytes) const
{
    if (m_version != JetVersion::Jet3)
        return decodeUnicode(bytes);
    if (m_useTable) {
        QString text;
        decodeInto(bytes, text);
        return text;
    }
    QString text = m_decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (m_western) {
        // Bytes the Western code page leaves undefined come out as C1 controls; they
        // stand for no character, so they read as the replacement character.
        for (QChar& ch : text) {
            const char16_t u = ch.unicode();
            if (u == 0x81 || u == 0x8D || u == 0x8F || u == 0x90 || u == 0x9D)
                ch = QChar(char16_t(0xFFFD));
        }
    }
    return text;
}

void TextCodec::decodeInto(ByteView bytes, QString& out) const
{
    if (m_version != JetVersion::Jet3) {
        decodeUnicodeInto(bytes, out);
    } else if (m_useTable) {
        out.resize(static_cast<qsizetype>(bytes.size()));
        char16_t* dst = reinterpret_cast<char16_t*>(out.data());
        const std::uint8_t* src = bytes.data();
        for (std::size_t i = 0; i < bytes.size(); ++i)
            dst[i] = m_byteTable[src[i]];
    } else {
        out = decode(bytes);
    }
}

QString TextCodec::decodeUnicode(ByteView bytes)
{
    QString out;
    decodeUnicodeInto(bytes, out);
    return out;
}

void TextCodec::decodeUnicodeInto(ByteView bytes, QString& out)
{
    const std::uint8_t* p = bytes.data();
    const std::size_t n = bytes.size();
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        // Mostly one run of one-byte characters, with no switch at all: widened as it
        // stands, the string sized once.
        if (std::memchr(p + 2, 0, n - 2) == nullptr) {
            out.resize(static_cast<qsizetype>(n - 2));
            char16_t* dst = reinterpret_cast<char16_t*>(out.data());
            for (std::size_t i = 2; i < n; ++i)
                *dst++ = char16_t(p[i]);
            return;
        }
        // Segments end at each 0x00 byte, which switches between one-byte characters
        // and UTF-16 units (a unit of an uncompressed segment never holds a zero byte).
        // Filled in place: a run of one-byte characters never yields more units than bytes.
        out.resize(static_cast<qsizetype>(n));
        char16_t* dst = reinterpret_cast<char16_t*>(out.data());
        qsizetype used = 0;
        std::size_t i = 2;
        while (i < n) {
            while (i < n && p[i] != 0x00)
                dst[used++] = char16_t(p[i++]);
            if (i >= n)
                break;
            // The zero byte, then UTF-16 units up to the next zero byte.
            std::size_t end = ++i;
            while (end < n && p[end] != 0x00)
                ++end;
            for (; i + 1 < end; i += 2)
                dst[used++] = char16_t(p[i] | (p[i + 1] << 8));
            i = end + 1;
        }
        out.resize(used);
        return;
    }
    // A trailing odd byte cannot be a UTF-16 unit: it is dropped.
    const qsizetype units = static_cast<qsizetype>(n / 2);
    out.resize(units);
    if (units > 0)
        std::memcpy(out.data(), p, static_cast<std::size_t>(units) * 2);
}

} // namespace quorvane::db::format

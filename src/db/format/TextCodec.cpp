#include "TextCodec.h"

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
}

QString TextCodec::decode(ByteView bytes) const
{
    if (m_version != JetVersion::Jet3)
        return decodeUnicode(bytes);
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

QString TextCodec::decodeUnicode(ByteView bytes)
{
    const std::uint8_t* p = bytes.data();
    const std::size_t n = bytes.size();
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        // Segments end at each 0x00 byte, which switches between one-byte characters
        // and UTF-16 units (a unit of an uncompressed segment never holds a zero byte).
        // Filled in place: a run of one-byte characters never yields more units than bytes.
        QString out(static_cast<qsizetype>(n), Qt::Uninitialized);
        char16_t* dst = reinterpret_cast<char16_t*>(out.data());
        qsizetype used = 0;
        bool compressed = true;
        std::size_t start = 2;
        for (std::size_t end = 2; end <= n; ++end) {
            if (end < n && p[end] != 0x00)
                continue;
            if (compressed) {
                for (std::size_t i = start; i < end; ++i)
                    dst[used++] = char16_t(p[i]);
            } else {
                for (std::size_t i = start; i + 1 < end; i += 2)
                    dst[used++] = char16_t(p[i] | (p[i + 1] << 8));
            }
            compressed = !compressed;
            start = end + 1;
        }
        out.truncate(used);
        return out;
    }
    // A trailing odd byte cannot be a UTF-16 unit: it is dropped.
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(p), static_cast<qsizetype>(n / 2));
}

} // namespace quorvane::db::format

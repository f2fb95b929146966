#include "JetText.h"

namespace quorvane::mdbwriter::jettext {

QByteArray utf16(const QString& text)
{
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    auto* p = reinterpret_cast<unsigned char*>(out.data());
    for (const QChar c : text) {
        *p++ = static_cast<unsigned char>(c.unicode() & 0xFF);
        *p++ = static_cast<unsigned char>(c.unicode() >> 8);
    }
    return out;
}

QByteArray encode(const QString& text, bool allowCompression)
{
    const qsizetype plainSize = text.size() * 2;
    // The two marker bytes make compression pointless for one or two characters.
    if (!allowCompression || text.size() < 3)
        return utf16(text);

    QByteArray out;
    out.reserve(plainSize);
    out.append(char(0xFF)).append(char(0xFE));
    bool oneByteMode = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u & 0xFF) == 0)
            return utf16(text);
        const bool narrow = u <= 0xFF;
        if (narrow != oneByteMode) {
            out.append('\0');
            oneByteMode = narrow;
        }
        out.append(static_cast<char>(u & 0xFF));
        if (!narrow)
            out.append(static_cast<char>(u >> 8));
        if (out.size() >= plainSize)
            return utf16(text);
    }
    return out;
}

} // namespace quorvane::mdbwriter::jettext

namespace quorvane::mdbwriter {

TextEncoding::TextEncoding(const FileFormat& format, std::uint16_t codePage)
    : m_format(format), m_codePage(codePage)
{
    if (format.unicode())
        return;
    const QByteArray name = QStringLiteral("windows-%1").arg(codePage).toLatin1();
    m_encoder = QStringEncoder(name.constData(), QStringEncoder::Flag::Stateless);
    m_decoder = QStringDecoder(name.constData(), QStringDecoder::Flag::Stateless);
}

bool TextEncoding::encode(const QString& text, bool allowCompression, QByteArray& out) const
{
    if (m_format.unicode()) {
        out = jettext::encode(text, allowCompression);
        return true;
    }
    out = m_encoder.encode(text);
    // The encoder puts a substitute where the code page has no byte for a character:
    // only text that comes back the same was stored whole.
    return out.size() == text.size() && m_decoder.decode(out) == text;
}

} // namespace quorvane::mdbwriter

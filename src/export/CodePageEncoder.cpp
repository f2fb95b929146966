#include "CodePageEncoder.h"

#include <QString>

namespace quorvane::exporter {

CodePageEncoder::CodePageEncoder(const QByteArray& name) : m_name(name)
{
    QStringEncoder encoder(name.constData());
    m_valid = encoder.isValid();
    if (!m_valid)
        return;
    const QByteArray canonical = QByteArray(encoder.name()).toUpper();
    m_utf8 = canonical == "UTF-8";
    m_unicode = canonical.startsWith("UTF-");
    m_question = encoder.encode(QStringLiteral("?"));
    QString ascii;
    QByteArray asciiBytes;
    for (char c = 1; c < 0x7F; ++c) {
        ascii += QLatin1Char(c);
        asciiBytes += c;
    }
    QStringEncoder fresh(name.constData());
    m_asciiAsIs = QByteArray(fresh.encode(ascii)) == asciiBytes;
}

void CodePageEncoder::convert(std::string& text)
{
    if (!m_valid || m_utf8)
        return;
    const QString unicode = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    m_out.clear();
    if (m_unicode) {
        QStringEncoder encoder(m_name.constData(), QStringConverter::Flag::Stateless);
        const QByteArray bytes = encoder.encode(unicode);
        m_out.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        text.swap(m_out);
        return;
    }
    // One character at a time, each checked by converting it back; the answers are kept,
    // so a file converts every distinct character once.
    const char16_t* p = QStringView(unicode).utf16();
    const qsizetype n = unicode.size();
    for (qsizetype i = 0; i < n;) {
        if (m_asciiAsIs && p[i] < 0x80) {
            m_out += static_cast<char>(p[i++]);
            continue;
        }
        const qsizetype width = QChar::isHighSurrogate(p[i]) && i + 1 < n && QChar::isLowSurrogate(p[i + 1]) ? 2 : 1;
        const char32_t cp = width == 2 ? QChar::surrogateToUcs4(p[i], p[i + 1]) : p[i];
        auto it = m_known.constFind(cp);
        if (it == m_known.constEnd()) {
            const QStringView one(p + i, width);
            QStringEncoder encoder(m_name.constData(), QStringConverter::Flag::Stateless);
            QByteArray bytes = encoder.encode(one);
            QStringDecoder decoder(m_name.constData(), QStringConverter::Flag::Stateless);
            const QString back = decoder.decode(bytes);
            if (encoder.hasError() || decoder.hasError() || back != one)
                bytes = m_question;
            it = m_known.insert(cp, bytes);
        }
        m_out.append(it->constData(), static_cast<std::size_t>(it->size()));
        i += width;
    }
    text.swap(m_out);
}

} // namespace quorvane::exporter

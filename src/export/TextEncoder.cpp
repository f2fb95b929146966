#include "TextEncoder.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace quorvane::exporter {

#if defined(Q_OS_WIN)

void TextEncoder::append(std::string& out, QStringView text, bool doubleQuotes) const
{
    QString doubled;
    if (doubleQuotes && text.contains(u'"')) {
        doubled = text.toString();
        doubled.replace(QLatin1String("\""), QLatin1String("\"\""));
        text = doubled;
    }
    QStringEncoder encoder(QStringConverter::System, QStringConverter::Flag::Stateless);
    const qsizetype start = static_cast<qsizetype>(out.size());
    out.resize(out.size() + static_cast<std::size_t>(encoder.requiredSpace(text.size())));
    char* end = encoder.appendToBuffer(out.data() + start, text);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

QString TextEncoder::decode(std::string_view bytes) const
{
    QStringDecoder decoder(QStringConverter::System);
    return decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

#else

void TextEncoder::append(std::string& out, QStringView text, bool doubleQuotes) const
{
    // Encoded into a small buffer on the stack and appended in pieces: appending byte by
    // byte, or growing the line with zeros first, costs more than the encoding itself.
    constexpr std::size_t kChunk = 1024;
    char buf[kChunk + 8];
    std::size_t used = 0;
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (used >= kChunk) {
            out.append(buf, used);
            used = 0;
        }
        // Plain ASCII, the usual case, in a tight loop.
        const qsizetype room = static_cast<qsizetype>(kChunk - used);
        const qsizetype stop = std::min(n, i + room);
        while (i < stop && p[i] < 0x80 && p[i] != u'"')
            buf[used++] = static_cast<char>(p[i++]);
        if (i >= n)
            break;
        if (used >= kChunk) {
            --i;
            continue;
        }
        const char16_t c = p[i];
        if (c < 0x80) {
            buf[used++] = static_cast<char>(c);
            if (c == u'"' && doubleQuotes)
                buf[used++] = '"';
        } else if (c < 0x800) {
            buf[used++] = static_cast<char>(0xC0 | (c >> 6));
            buf[used++] = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            if (c < 0xDC00 && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
                const char32_t cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(p[i + 1]) - 0xDC00);
                buf[used++] = static_cast<char>(0xF0 | (cp >> 18));
                buf[used++] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                buf[used++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                buf[used++] = static_cast<char>(0x80 | (cp & 0x3F));
                ++i;
            } else {
                buf[used++] = '?';
            }
        } else {
            buf[used++] = static_cast<char>(0xE0 | (c >> 12));
            buf[used++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            buf[used++] = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out.append(buf, used);
}

QString TextEncoder::decode(std::string_view bytes) const
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

#endif

} // namespace quorvane::exporter

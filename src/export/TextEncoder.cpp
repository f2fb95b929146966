#include "TextEncoder.h"

#include "InPlace.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quorvane::exporter {

void TextEncoder::append(std::string& out, QStringView text, bool doubleQuotes) const
{
    if (!text.isEmpty())
        appendInPlace(out, maxBytes(text.size()), [&](char* d) { return write(d, text, doubleQuotes); });
}

#if defined(Q_OS_WIN)

char* TextEncoder::write(char* d, QStringView text, bool doubleQuotes) const
{
    // A Windows code page takes at most two bytes for a unit, UTF-8 three: within
    // maxBytes() as on Linux.
    QString doubled;
    if (doubleQuotes && text.contains(u'"')) {
        doubled = text.toString();
        doubled.replace(QLatin1String("\""), QLatin1String("\"\""));
        text = doubled;
    }
    QStringEncoder encoder(QStringConverter::System, QStringConverter::Flag::Stateless);
    return encoder.appendToBuffer(d, text);
}

QString TextEncoder::decode(std::string_view bytes) const
{
    QStringDecoder decoder(QStringConverter::System);
    return decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

#else

namespace {

// Four UTF-16 units at once: whether all are ASCII, and (for a quoted field) none a
// quote. The quote test finds a zero unit in the units XOR '"'.
bool plainAscii4(std::uint64_t units, bool doubleQuotes)
{
    if (units & 0xFF80FF80FF80FF80ull)
        return false;
    if (!doubleQuotes)
        return true;
    const std::uint64_t x = units ^ 0x0022002200220022ull;
    return ((x - 0x0001000100010001ull) & ~x & 0x8000800080008000ull) == 0;
}

} // namespace

char* TextEncoder::write(char* d, QStringView text, bool doubleQuotes) const
{
    // No UTF-16 unit takes more than three bytes, a doubled quote two, a surrogate pair
    // four for its two units.
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        // Plain ASCII, the usual case, four units at a time, then one at a time.
        while (i + 4 <= n) {
            std::uint64_t units;
            std::memcpy(&units, p + i, 8);
            if (!plainAscii4(units, doubleQuotes))
                break;
            const std::uint32_t bytes = static_cast<std::uint32_t>((units & 0xFF) | ((units >> 8) & 0xFF00) |
                                                                   ((units >> 16) & 0xFF0000) |
                                                                   ((units >> 24) & 0xFF000000));
            std::memcpy(d, &bytes, 4);
            d += 4;
            i += 4;
        }
        while (i < n && p[i] < 0x80 && p[i] != u'"')
            *d++ = static_cast<char>(p[i++]);
        if (i >= n)
            break;
        const char16_t c = p[i++];
        if (c < 0x80) { // the quote
            *d++ = '"';
            if (doubleQuotes)
                *d++ = '"';
        } else if (c < 0x800) {
            *d++ = static_cast<char>(0xC0 | (c >> 6));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            if (c < 0xDC00 && i < n && p[i] >= 0xDC00 && p[i] <= 0xDFFF) {
                const char32_t cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(p[i]) - 0xDC00);
                *d++ = static_cast<char>(0xF0 | (cp >> 18));
                *d++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                *d++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                *d++ = static_cast<char>(0x80 | (cp & 0x3F));
                ++i;
            } else {
                *d++ = '?';
            }
        } else {
            *d++ = static_cast<char>(0xE0 | (c >> 12));
            *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return d;
}

QString TextEncoder::decode(std::string_view bytes) const
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

#endif

} // namespace quorvane::exporter

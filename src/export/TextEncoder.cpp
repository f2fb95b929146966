#include "TextEncoder.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

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

namespace {

// Four UTF-16 units that are all ASCII and none of them a quote, packed into four bytes;
// false otherwise. Most text is such runs, and this takes them four at a time.
bool plainAsciiQuad(const char16_t* p, std::uint32_t& bytes)
{
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    constexpr std::uint64_t kLanes = 0x0001000100010001ull;
    if (w & (0xFF80 * kLanes))
        return false;
    const std::uint64_t quotes = w ^ (u'"' * kLanes); // a quote's lane becomes zero
    if ((quotes - kLanes) & ~quotes & (0x8000 * kLanes))
        return false;
    // The low byte of each lane, in memory order.
    const std::uint64_t packed = w | (w >> 8);
    const std::uint64_t pairs = (packed & 0xFFFF) | ((packed >> 16) & 0xFFFF0000ull);
    const auto quad = static_cast<std::uint32_t>(pairs);
    if constexpr (std::endian::native == std::endian::little) {
        bytes = quad;
        return true;
    }
    return false;
}

// Encodes units [i, end) of `p` (a surrogate pair may take one more) into `d`, which has
// room for three bytes a unit; returns where the writing ended and moves `i` on.
char* encodeUtf8(const char16_t* p, qsizetype& i, qsizetype end, qsizetype n, bool doubleQuotes, char* d)
{
    while (i < end) {
        std::uint32_t quad;
        while (i + 4 <= end && plainAsciiQuad(p + i, quad)) {
            std::memcpy(d, &quad, 4);
            d += 4;
            i += 4;
        }
        while (i < end && p[i] < 0x80 && p[i] != u'"')
            *d++ = static_cast<char>(p[i++]);
        if (i >= end)
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

} // namespace

void TextEncoder::append(std::string& out, QStringView text, bool doubleQuotes) const
{
    // Encoded a piece at a time on the stack and appended: no UTF-16 unit takes more than
    // three bytes (a doubled quote two, a surrogate pair four for its two units, and a
    // pair may run one unit past the piece), and the line gets only the bytes written.
    constexpr qsizetype kPiece = 512;
    char buffer[3 * kPiece + 4];
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const char* end = encodeUtf8(p, i, std::min(n, i + kPiece), n, doubleQuotes, buffer);
        out.append(buffer, static_cast<std::size_t>(end - buffer));
    }
}

QString TextEncoder::decode(std::string_view bytes) const
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

#endif

} // namespace quorvane::exporter

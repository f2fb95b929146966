#include "Header.h"

#include "ByteView.h"
#include "TextCodec.h"


#include <cmath>
#include <cstring>

namespace quorvane::db::format {

namespace {

constexpr std::uint8_t kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
constexpr std::size_t kMaskedStart = 0x18;
constexpr std::size_t kVersionOffset = 0x14;
constexpr std::size_t kCodePageOffset = 0x3C;
constexpr std::size_t kPasswordOffset = 0x42;
constexpr std::size_t kCreationDateOffset = 0x72;

QString trimAtNul(QString s)
{
    const qsizetype nul = s.indexOf(QChar(0));
    if (nul >= 0)
        s.truncate(nul);
    return s;
}

} // namespace

void rc4Apply(const std::uint8_t* key, std::size_t keyLength, std::uint8_t* data, std::size_t length)
{
    std::uint8_t s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<std::uint8_t>(i);
    std::uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<std::uint8_t>(j + s[i] + key[i % keyLength]);
        std::swap(s[i], s[j]);
    }
    std::uint8_t a = 0, b = 0;
    for (std::size_t n = 0; n < length; ++n) {
        a = static_cast<std::uint8_t>(a + 1);
        b = static_cast<std::uint8_t>(b + s[a]);
        std::swap(s[a], s[b]);
        data[n] ^= s[static_cast<std::uint8_t>(s[a] + s[b])];
    }
}

std::optional<Header> readHeader(const QByteArray& page0, const QString& path, DbError& error)
{
    static const char kJet[] = "Standard Jet DB";
    static const char kAce[] = "Standard ACE DB";
    const auto* raw = reinterpret_cast<const std::uint8_t*>(page0.constData());
    if (page0.size() < 2048 || raw[0] != 0x00 || raw[1] != 0x01 || raw[2] != 0x00 || raw[3] != 0x00 ||
        (std::memcmp(raw + 4, kJet, 15) != 0 && std::memcmp(raw + 4, kAce, 15) != 0)) {
        error = DbError::unrecognizedFormat(path);
        return std::nullopt;
    }
    Header h;
    const std::uint8_t versionByte = raw[kVersionOffset];
    h.version = versionByte == 0 ? JetVersion::Jet3 : versionByte == 1 ? JetVersion::Jet4 : JetVersion::Ace;
    h.pageSize = h.version == JetVersion::Jet3 ? 2048 : 4096;
    if (static_cast<std::uint32_t>(page0.size()) < h.pageSize) {
        error = DbError::unrecognizedFormat(path);
        return std::nullopt;
    }

    // Unmask the header fields (126 bytes in Jet 3, 128 later).
    QByteArray plain = page0.left(h.pageSize);
    auto* p = reinterpret_cast<std::uint8_t*>(plain.data());
    rc4Apply(kHeaderKey, 4, p + kMaskedStart, h.version == JetVersion::Jet3 ? 126 : 128);
    const ByteView view(p, static_cast<std::size_t>(plain.size()));

    h.codePage = view.u16(kCodePageOffset);
    if (h.version == JetVersion::Jet3) {
        // Jet 3 keeps the password in the database's code page.
        const TextCodec codec(h.version, h.codePage);
        h.password = trimAtNul(codec.decode(ByteView(p + kPasswordOffset, 20)));
    } else {
        h.creationDate = view.f64(kCreationDateOffset);
        std::uint8_t pwd[40];
        std::memcpy(pwd, p + kPasswordOffset, 40);
        if (h.version == JetVersion::Jet4) {
            // Jet 4 masks the password further with the integer part of the creation date.
            const double d = h.creationDate;
            std::int32_t whole = 0;
            if (std::isfinite(d) && d > -2147483648.0 && d < 2147483648.0)
                whole = static_cast<std::int32_t>(d);
            std::uint8_t mask[4];
            std::memcpy(mask, &whole, 4);
            for (int i = 0; i < 40; ++i)
                pwd[i] ^= mask[i % 4];
            h.password = trimAtNul(QString::fromUtf16(reinterpret_cast<const char16_t*>(pwd), 20));
        }
    }
    return h;
}

} // namespace quorvane::db::format

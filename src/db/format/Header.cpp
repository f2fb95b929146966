#include "Header.h"

#include "ByteView.h"
#include "TextCodec.h"
#include "crypto/CryptoError.h"
#include "crypto/Rc4.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quorvane::db::format {

namespace {

constexpr std::size_t kSignatureOffset = 4;
constexpr std::size_t kSignatureLength = 15;
constexpr std::size_t kVersionOffset = 0x14;
constexpr std::size_t kCodePageOffset = 0x3C;
constexpr std::size_t kEncodingKeyOffset = 0x3E;
constexpr std::size_t kPasswordOffset = 0x42;
constexpr std::size_t kJet3PasswordBytes = 20;
constexpr std::size_t kJet4PasswordBytes = 40;
constexpr std::size_t kCreationDateOffset = 0x72;
constexpr std::size_t kEncryptionProviderOffset = 0x299;

QString trimAtNul(QString s)
{
    const qsizetype nul = s.indexOf(QChar(0));
    if (nul >= 0)
        s.truncate(nul);
    return s;
}

bool hasSignature(QByteArrayView page, const char* signature)
{
    return page.size() >= static_cast<qsizetype>(kSignatureOffset + kSignatureLength) &&
           std::memcmp(page.data() + kSignatureOffset, signature, kSignatureLength) == 0;
}

// Jet 4 masks the password once more with the four bytes of the creation date's whole
// days, repeated. A date that gives no day count masks nothing, so a damaged date makes
// the stored password not match rather than reach an undefined conversion.
QString jet4Password(const ByteView& page, double creationDate)
{
    std::uint8_t mask[4] = {};
    if (const auto days = wholeDays(creationDate)) {
        const auto bits = static_cast<std::uint32_t>(*days);
        for (int i = 0; i < 4; ++i)
            mask[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
    QString password;
    for (std::size_t i = 0; i < kJet4PasswordBytes; i += 2) {
        const auto lo = static_cast<std::uint8_t>(page.u8(kPasswordOffset + i) ^ mask[i % 4]);
        const auto hi = static_cast<std::uint8_t>(page.u8(kPasswordOffset + i + 1) ^ mask[(i + 1) % 4]);
        const auto unit = static_cast<char16_t>(lo | (hi << 8));
        if (unit == 0)
            break;
        password.append(QChar(unit));
    }
    return password;
}

} // namespace

std::optional<std::int32_t> wholeDays(double date)
{
    // Truncation, as Jackcess takes it ((int) of the double) and as a C engine's cast
    // does; floor would differ only for dates before 1899-12-30 with a time of day.
    if (!std::isfinite(date) || date <= -2147483649.0 || date >= 2147483648.0)
        return std::nullopt;
    return static_cast<std::int32_t>(date);
}

std::optional<std::span<const std::uint8_t>> Header::encryptionProvider() const
{
    const ByteView view(reinterpret_cast<const std::uint8_t*>(page.constData()), static_cast<std::size_t>(page.size()));
    const std::size_t start = kEncryptionProviderOffset + 2;
    if (!view.has(kEncryptionProviderOffset, 2) || !view.has(start, view.u16(kEncryptionProviderOffset)))
        return std::nullopt;
    return std::span(view.data() + start, view.u16(kEncryptionProviderOffset));
}

std::optional<Header> readHeader(QByteArrayView page0, const QString& path, DbError& error)
{
    const bool msisam = hasSignature(page0, "MSISAM Database");
    if (page0.size() < 4 || page0[0] != 0x00 || page0[1] != 0x01 || page0[2] != 0x00 || page0[3] != 0x00 ||
        (!hasSignature(page0, "Standard Jet DB") && !hasSignature(page0, "Standard ACE DB") && !msisam)) {
        error = DbError::unrecognizedFormat(path);
        return std::nullopt;
    }
    Header h;
    const auto versionByte = page0.size() > static_cast<qsizetype>(kVersionOffset) ? page0[kVersionOffset] : 0;
    h.version = versionByte == 0 ? JetVersion::Jet3 : versionByte == 1 ? JetVersion::Jet4 : JetVersion::Ace;
    h.pageSize = h.version == JetVersion::Jet3 ? 2048 : 4096;
    // Shorter than one page is not a database, as the provider answers it.
    if (page0.size() < static_cast<qsizetype>(h.pageSize)) {
        error = DbError::unrecognizedFormat(path);
        return std::nullopt;
    }

    h.page = page0.first(h.pageSize).toByteArray();
    auto* p = reinterpret_cast<std::uint8_t*>(h.page.data());
    crypto::toggleHeaderMask(std::span(p, h.pageSize), h.version == JetVersion::Jet3);
    const ByteView view(p, h.pageSize);
    std::copy_n(p + kEncodingKeyOffset, h.encodingKey.size(), h.encodingKey.begin());
    if (msisam) {
        // Microsoft Money files share the layout but not the rest of the format.
        error = h.isEncoded() ? crypto::unsupportedEncryption(QStringLiteral("Microsoft Money (MSISAM) encryption"))
                              : DbError::unrecognizedFormat(path);
        return std::nullopt;
    }

    h.codePage = view.u16(kCodePageOffset);
    if (h.version == JetVersion::Jet3) {
        // Jet 3 keeps the password in the database's code page, like its text.
        const TextCodec codec(h.version, h.codePage);
        h.password = trimAtNul(codec.decode(ByteView(p + kPasswordOffset, kJet3PasswordBytes)));
    } else {
        h.creationDate = view.f64(kCreationDateOffset);
        if (h.version == JetVersion::Jet4)
            h.password = jet4Password(view, h.creationDate);
    }
    return h;
}

} // namespace quorvane::db::format

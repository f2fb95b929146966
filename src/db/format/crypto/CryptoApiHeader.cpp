#include "CryptoApiHeader.h"

#include "ByteReader.h"
#include "CryptoError.h"

namespace quorvane::db::format::crypto {

namespace {

constexpr std::uint32_t kFixedHeaderBytes = 32; // eight 32-bit fields before the provider name
constexpr std::uint32_t kSaltBytes = 16;
constexpr std::uint32_t kVerifierBytes = 16;

} // namespace

std::optional<std::span<const std::uint8_t>> CryptoApiHeader::verifierHash(std::size_t bytes, DbError& error) const
{
    if (encryptedVerifierHash.size() < bytes) {
        error = damagedEncryptionHeader(QStringLiteral("has a password verifier that is cut short"));
        return std::nullopt;
    }
    return encryptedVerifierHash.first(bytes);
}

std::optional<CryptoApiHeader> CryptoApiHeader::read(std::span<const std::uint8_t> info, DbError& error)
{
    ByteReader reader(info);
    const auto flags = reader.u32();
    const auto headerBytes = reader.u32();
    if (!flags || !headerBytes || *headerBytes < kFixedHeaderBytes || *headerBytes > reader.remaining()) {
        error = damagedEncryptionHeader(QStringLiteral("is cut short"));
        return std::nullopt;
    }
    if ((*flags & kFlagExternal) != 0) {
        error = unsupportedEncryption(QStringLiteral("an external encryption provider"));
        return std::nullopt;
    }
    if ((*flags & kFlagCryptoApi) == 0) {
        error = unsupportedEncryption(QStringLiteral("an unknown Office encryption (flags 0x%1)").arg(*flags, 0, 16));
        return std::nullopt;
    }

    CryptoApiHeader h;
    h.flags = *flags;
    ByteReader header(*reader.bytes(*headerBytes));
    header.u32(); // the flags again
    header.u32(); // size of extra data, unused
    h.algorithm = *header.u32();
    h.hash = *header.u32();
    h.keySize = *header.u32();
    header.u32(); // provider type
    header.u32();
    header.u32();
    h.providerName = header.rest();

    const auto saltSize = reader.u32();
    if (!saltSize) {
        error = damagedEncryptionHeader(QStringLiteral("has no password verifier"));
        return std::nullopt;
    }
    if (*saltSize != kSaltBytes) {
        error = damagedEncryptionHeader(QStringLiteral("names a salt of %1 bytes").arg(*saltSize));
        return std::nullopt;
    }
    const auto salt = reader.bytes(kSaltBytes);
    const auto encryptedVerifier = reader.bytes(kVerifierBytes);
    const auto verifierHashSize = reader.u32();
    if (!salt || !encryptedVerifier || !verifierHashSize || reader.remaining() < kSha1Bytes) {
        error = damagedEncryptionHeader(QStringLiteral("has a password verifier that is cut short"));
        return std::nullopt;
    }
    // Both kinds hash with SHA-1 only.
    if (*verifierHashSize != kSha1Bytes) {
        error = damagedEncryptionHeader(QStringLiteral("names a verifier hash of %1 bytes").arg(*verifierHashSize));
        return std::nullopt;
    }
    h.salt = *salt;
    h.encryptedVerifier = *encryptedVerifier;
    h.encryptedVerifierHash = reader.rest();
    return h;
}

} // namespace quorvane::db::format::crypto

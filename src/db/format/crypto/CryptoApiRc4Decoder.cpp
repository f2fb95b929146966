#include "CryptoApiRc4Decoder.h"

#include "CryptoError.h"
#include "Hash.h"
#include "Rc4.h"

#include <openssl/crypto.h>

#include <algorithm>

namespace quorvane::db::format::crypto {

namespace {

constexpr std::uint32_t kAlgorithmRc4 = 0x6801;
constexpr std::size_t kVerifierBytes = 16;
constexpr std::size_t kSha1Bytes = CryptoApiHeader::kSha1Bytes;

// A header that leaves the key size at 0 means the provider's default: 40 bits for the
// "Base" provider (or none named), 128 for the enhanced and strong ones.
int defaultKeyBits(std::span<const std::uint8_t> providerName)
{
    QString name;
    for (std::size_t i = 0; i + 1 < providerName.size(); i += 2) {
        const auto unit = static_cast<char16_t>(providerName[i] | (providerName[i + 1] << 8));
        if (unit == 0)
            break;
        name.append(QChar(unit));
    }
    name = name.trimmed().toLower();
    return name.isEmpty() || name.contains(QLatin1String(" base ")) ? 40 : 128;
}

} // namespace

CryptoApiRc4Decoder::CryptoApiRc4Decoder(QByteArray baseHash, int keyBits, const PageKey& encodingKey)
    : m_baseHash(std::move(baseHash)), m_keyBits(keyBits), m_encodingKey(encodingKey)
{
}

std::unique_ptr<PageDecoder> CryptoApiRc4Decoder::open(const CryptoApiHeader& header, const PageKey& encodingKey,
                                                       QByteArrayView password, DbError& error)
{
    if (header.algorithm != 0 && header.algorithm != kAlgorithmRc4) {
        error = unsupportedEncryption(
            QStringLiteral("the CryptoAPI algorithm 0x%1").arg(header.algorithm, 4, 16, QLatin1Char('0')));
        return nullptr;
    }
    if (header.hash != 0 && header.hash != CryptoApiHeader::kHashSha1) {
        error = unsupportedEncryption(QStringLiteral("the CryptoAPI hash 0x%1").arg(header.hash, 4, 16, QLatin1Char('0')));
        return nullptr;
    }
    const int keyBits = header.keySize == 0 ? defaultKeyBits(header.providerName)
                                            : static_cast<int>(std::min(header.keySize, 0x10000u));
    // CryptoAPI RC4 keys run from 40 to 128 bits in steps of 8.
    if (keyBits < 40 || keyBits > 128 || keyBits % 8 != 0) {
        error = unsupportedEncryption(QStringLiteral("RC4 with a %1-bit key").arg(header.keySize));
        return nullptr;
    }
    const auto encryptedVerifierHash = header.verifierHash(kSha1Bytes, error);
    if (!encryptedVerifierHash)
        return nullptr;

    Hasher sha1(HashAlgorithm::Sha1);
    auto decoder = std::unique_ptr<CryptoApiRc4Decoder>(
        new CryptoApiRc4Decoder(sha1.hash({QByteArrayView(header.salt.data(), header.salt.size()), password}), keyBits, encodingKey));

    // The verifier and its hash are one RC4 stream under the key of block 0 (the plain
    // number 0, not the encoding key).
    const QByteArray key = decoder->blockKey(littleEndian32(0));
    Rc4 rc4(std::span(reinterpret_cast<const std::uint8_t*>(key.constData()), static_cast<std::size_t>(key.size())));
    std::array<std::uint8_t, kVerifierBytes> verifier{};
    std::array<std::uint8_t, kSha1Bytes> verifierHash{};
    std::copy(header.encryptedVerifier.begin(), header.encryptedVerifier.end(), verifier.begin());
    std::copy(encryptedVerifierHash->begin(), encryptedVerifierHash->end(), verifierHash.begin());
    rc4.apply(verifier);
    rc4.apply(verifierHash);
    const QByteArray expected = sha1.hash({QByteArrayView(verifier.data(), verifier.size())});
    if (CRYPTO_memcmp(expected.constData(), verifierHash.data(), kSha1Bytes) != 0) {
        error = DbError::badPassword();
        return nullptr;
    }
    error = {};
    return decoder;
}

QByteArray CryptoApiRc4Decoder::blockKey(QByteArrayView block) const
{
    Hasher sha1(HashAlgorithm::Sha1);
    QByteArray key = sha1.hash({m_baseHash, block}).left(m_keyBits / 8);
    if (m_keyBits == 40)
        key = fitToLength(key, 16, '\0');
    return key;
}

void CryptoApiRc4Decoder::decodePage(std::uint32_t pageNumber, std::span<std::uint8_t> page) const
{
    const PageKey block = pageKey(m_encodingKey, pageNumber);
    const QByteArray key = blockKey(QByteArrayView(block.data(), block.size()));
    Rc4(std::span(reinterpret_cast<const std::uint8_t*>(key.constData()), static_cast<std::size_t>(key.size())))
        .apply(page);
}

} // namespace quorvane::db::format::crypto

#include "StandardAesDecoder.h"

#include "Aes.h"
#include "CryptoError.h"
#include "Hash.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <array>
#include <stdexcept>

namespace quorvane::db::format::crypto {

namespace {

constexpr std::uint32_t kAlgorithmAes128 = 0x660E;
constexpr std::uint32_t kAlgorithmAes192 = 0x660F;
constexpr std::uint32_t kAlgorithmAes256 = 0x6610;
constexpr std::uint32_t kSpinCount = 50000;
constexpr int kDerivationBlock = 64; // the SHA-1 input block the derived key is built from

// The key size an algorithm id stands for; an id of 0 means AES-128 when the AES flag is set.
int algorithmKeyBits(std::uint32_t algorithm)
{
    switch (algorithm) {
    case 0:
    case kAlgorithmAes128: return 128;
    case kAlgorithmAes192: return 192;
    case kAlgorithmAes256: return 256;
    default: return 0;
    }
}

} // namespace

StandardAesDecoder::StandardAesDecoder(QByteArray iteratedHash, int keyBytes, const PageKey& encodingKey)
    : m_iteratedHash(std::move(iteratedHash)), m_keyBytes(keyBytes), m_encodingKey(encodingKey)
{
}

std::unique_ptr<PageDecoder> StandardAesDecoder::open(const CryptoApiHeader& header, const PageKey& encodingKey,
                                                      QByteArrayView password, DbError& error)
{
    const int keyBits = algorithmKeyBits(header.algorithm);
    if (keyBits == 0) {
        error = unsupportedEncryption(
            QStringLiteral("the CryptoAPI algorithm 0x%1 with AES").arg(header.algorithm, 4, 16, QLatin1Char('0')));
        return nullptr;
    }
    if (header.hash != 0 && header.hash != CryptoApiHeader::kHashSha1) {
        error = unsupportedEncryption(QStringLiteral("the CryptoAPI hash 0x%1").arg(header.hash, 4, 16, QLatin1Char('0')));
        return nullptr;
    }
    // A key size of 0 means the algorithm's own; any other must agree with it.
    if (header.keySize != 0 && header.keySize != static_cast<std::uint32_t>(keyBits)) {
        error = damagedEncryptionHeader(
            QStringLiteral("names AES-%1 with a %2-bit key").arg(keyBits).arg(header.keySize));
        return nullptr;
    }

    const auto encryptedVerifierHash = header.verifierHash(2 * kAesBlockSize, error);
    if (!encryptedVerifierHash)
        return nullptr;

    // The expensive part of the derivation does not depend on the page: done once here.
    Hasher sha1(HashAlgorithm::Sha1);
    const QByteArray hash =
        sha1.spin(sha1.hash({QByteArrayView(header.salt.data(), header.salt.size()), password}), kSpinCount);
    auto decoder = std::unique_ptr<StandardAesDecoder>(new StandardAesDecoder(hash, keyBits / 8, encodingKey));

    // The verifier and its hash are encrypted under the key of block 0 (the plain
    // number 0, not the encoding key), each on its own.
    const QByteArray key = decoder->blockKey(littleEndian32(0));
    std::array<std::uint8_t, 16> verifier{};
    std::array<std::uint8_t, 32> verifierHash{};
    if (!aesEcb(false, key, header.encryptedVerifier, verifier) || !aesEcb(false, key, *encryptedVerifierHash, verifierHash))
        throw std::runtime_error("libcrypto AES unavailable"); // the lengths are fixed above: not a fact of the file
    const QByteArray expected = sha1.hash({QByteArrayView(verifier.data(), verifier.size())});
    if (CRYPTO_memcmp(expected.constData(), verifierHash.data(), CryptoApiHeader::kSha1Bytes) != 0) {
        error = DbError::badPassword();
        return nullptr;
    }
    error = {};
    return decoder;
}

QByteArray StandardAesDecoder::blockKey(QByteArrayView block) const
{
    // The CryptoAPI key derivation: the final hash XOR-ed into two 64-byte blocks of
    // 0x36 and 0x5C, each hashed, the two digests joined and cut to the key size.
    Hasher sha1(HashAlgorithm::Sha1);
    const QByteArray final = sha1.hash({m_iteratedHash, block});
    QByteArray inner(kDerivationBlock, '\x36');
    QByteArray outer(kDerivationBlock, '\x5C');
    for (qsizetype i = 0; i < final.size(); ++i) {
        inner[i] = static_cast<char>(inner[i] ^ final[i]);
        outer[i] = static_cast<char>(outer[i] ^ final[i]);
    }
    return (sha1.hash({inner}) + sha1.hash({outer})).left(m_keyBytes);
}

void StandardAesDecoder::decodePage(std::uint32_t pageNumber, std::span<std::uint8_t> page) const
{
    const PageKey block = pageKey(m_encodingKey, pageNumber);
    const QByteArray key = blockKey(QByteArrayView(block.data(), block.size()));
    // Pages are whole blocks; should a caller pass a ragged tail, it is left as stored.
    const auto whole = page.first(page.size() - page.size() % kAesBlockSize);
    if (!aesEcb(false, key, whole, whole))
        std::fill(page.begin(), page.end(), 0); // never hand back cipher text as if it were a page
}

} // namespace quorvane::db::format::crypto

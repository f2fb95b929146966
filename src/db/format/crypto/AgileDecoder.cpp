#include "AgileDecoder.h"

#include "Aes.h"
#include "CryptoError.h"
#include "Hash.h"

#include <openssl/crypto.h>

#include <algorithm>

namespace quorvane::db::format::crypto {

namespace {

// The block keys that tell the three values of the password key encryptor apart.
constexpr char kVerifierInputBlock[] = "\xfe\xa7\xd2\x76\x3b\x4b\x9e\x79";
constexpr char kVerifierValueBlock[] = "\xd7\xaa\x0f\x6d\x30\x61\x34\x4e";
constexpr char kKeyValueBlock[] = "\x14\x6e\x0b\xe7\xab\xac\xd0\xd6";
constexpr char kKeyPad = 0x36;

// Decrypts `encrypted` (a whole number of blocks, at least `keep` bytes long) and keeps
// its first `keep` bytes; answers nothing when the value cannot be one Access wrote.
std::optional<QByteArray> decryptValue(const QByteArray& key, const QByteArray& iv, const QByteArray& encrypted,
                                       qsizetype keep)
{
    if (encrypted.size() < keep || encrypted.size() % kAesBlockSize != 0)
        return std::nullopt;
    QByteArray plain(encrypted.size(), '\0');
    const auto* in = reinterpret_cast<const std::uint8_t*>(encrypted.constData());
    auto* out = reinterpret_cast<std::uint8_t*>(plain.data());
    if (!aesCbc(false, key, iv, std::span(in, encrypted.size()), std::span(out, plain.size())))
        return std::nullopt;
    plain.truncate(keep);
    return plain;
}

} // namespace

AgileDecoder::AgileDecoder(AgileKeyParameters keyData, QByteArray key, const PageKey& encodingKey)
    : m_keyData(std::move(keyData)), m_key(std::move(key)), m_encodingKey(encodingKey)
{
}

std::unique_ptr<PageDecoder> AgileDecoder::open(QByteArrayView descriptorXml, const PageKey& encodingKey,
                                                QByteArrayView password, DbError& error)
{
    const auto descriptor = AgileDescriptor::parse(descriptorXml, error);
    if (!descriptor)
        return nullptr;
    const AgilePasswordKey& passwordKey = descriptor->passwordKey;
    const AgileKeyParameters& p = passwordKey.parameters;

    Hasher hasher(p.hash);
    const QByteArray rounds = hasher.spin(hasher.hash({p.salt, password}), passwordKey.spinCount);
    const auto keyFor = [&](const char* block) {
        return fitToLength(hasher.hash({rounds, QByteArrayView(block, 8)}), p.keyBits / 8, kKeyPad);
    };
    const QByteArray iv = fitToLength(p.salt, p.blockSize, kKeyPad);

    const auto verifierInput =
        decryptValue(keyFor(kVerifierInputBlock), iv, passwordKey.encryptedVerifierHashInput, p.salt.size());
    const auto verifierHash =
        decryptValue(keyFor(kVerifierValueBlock), iv, passwordKey.encryptedVerifierHashValue, hasher.size());
    const auto key = decryptValue(keyFor(kKeyValueBlock), iv, passwordKey.encryptedKeyValue,
                                  descriptor->keyData.keyBits / 8);
    if (!verifierInput || !verifierHash || !key) {
        error = damagedEncryptionHeader(QStringLiteral("has an encrypted value of the wrong length"));
        return nullptr;
    }
    const QByteArray expected = hasher.hash({*verifierInput});
    if (CRYPTO_memcmp(expected.constData(), verifierHash->constData(), static_cast<size_t>(expected.size())) != 0) {
        error = DbError::badPassword();
        return nullptr;
    }
    error = {};
    return std::unique_ptr<PageDecoder>(new AgileDecoder(descriptor->keyData, *key, encodingKey));
}

void AgileDecoder::decodePage(std::uint32_t pageNumber, std::span<std::uint8_t> page) const
{
    const PageKey block = pageKey(m_encodingKey, pageNumber);
    Hasher hasher(m_keyData.hash);
    const QByteArray iv = fitToLength(hasher.hash({m_keyData.salt, QByteArrayView(block.data(), block.size())}),
                                      m_keyData.blockSize, kKeyPad);
    // Pages are whole blocks; should a caller pass a ragged tail, it is left as stored.
    const auto whole = page.first(page.size() - page.size() % kAesBlockSize);
    if (!aesCbc(false, m_key, iv, whole, whole))
        std::fill(page.begin(), page.end(), 0); // never hand back cipher text as if it were a page
}

} // namespace quorvane::db::format::crypto

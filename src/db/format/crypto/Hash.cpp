#include "Hash.h"

#include <openssl/evp.h>

#include <array>
#include <cstring>
#include <stdexcept>

namespace quorvane::db::format::crypto {

std::optional<HashAlgorithm> hashAlgorithmFromName(QStringView name)
{
    QString key = name.trimmed().toString().toUpper();
    key.remove(QLatin1Char('-'));
    key.remove(QLatin1Char('_'));
    if (key == u"SHA1")
        return HashAlgorithm::Sha1;
    if (key == u"SHA256")
        return HashAlgorithm::Sha256;
    if (key == u"SHA384")
        return HashAlgorithm::Sha384;
    if (key == u"SHA512")
        return HashAlgorithm::Sha512;
    if (key == u"MD5")
        return HashAlgorithm::Md5;
    return std::nullopt;
}

QString hashAlgorithmName(HashAlgorithm algorithm)
{
    switch (algorithm) {
    case HashAlgorithm::Md5:
        return QStringLiteral("MD5");
    case HashAlgorithm::Sha1:
        return QStringLiteral("SHA-1");
    case HashAlgorithm::Sha256:
        return QStringLiteral("SHA-256");
    case HashAlgorithm::Sha384:
        return QStringLiteral("SHA-384");
    case HashAlgorithm::Sha512:
        return QStringLiteral("SHA-512");
    }
    return {};
}

namespace {

const EVP_MD* legacyMdFor(HashAlgorithm algorithm)
{
    switch (algorithm) {
    case HashAlgorithm::Md5:
        return EVP_md5();
    case HashAlgorithm::Sha1:
        return EVP_sha1();
    case HashAlgorithm::Sha256:
        return EVP_sha256();
    case HashAlgorithm::Sha384:
        return EVP_sha384();
    case HashAlgorithm::Sha512:
        return EVP_sha512();
    }
    return nullptr;
}

// Digests fetched from the provider once for the whole program. EVP_sha512() and its
// kind are looked up by name again at every EVP_DigestInit_ex, under a lock: that
// lookup cost more than the hash itself in a key derivation of 100,000 rounds.
const EVP_MD* mdFor(HashAlgorithm algorithm)
{
    static const std::array<EVP_MD*, 5> fetched = [] {
        std::array<EVP_MD*, 5> out{};
        const char* const names[] = {"MD5", "SHA1", "SHA256", "SHA384", "SHA512"};
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = EVP_MD_fetch(nullptr, names[i], nullptr);
        return out;
    }();
    const auto index = static_cast<std::size_t>(algorithm);
    return index < fetched.size() && fetched[index] ? fetched[index] : legacyMdFor(algorithm);
}

} // namespace

Hasher::Hasher(HashAlgorithm algorithm) : m_context(EVP_MD_CTX_new()), m_md(mdFor(algorithm))
{
    // Both only fail when memory is exhausted or libcrypto is broken: not a fact of a file.
    if (!m_context || !m_md)
        throw std::runtime_error("libcrypto digest unavailable");
    m_size = EVP_MD_get_size(m_md);
}

Hasher::~Hasher()
{
    EVP_MD_CTX_free(m_context);
}

QByteArray Hasher::hash(std::initializer_list<QByteArrayView> parts)
{
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    bool ok = EVP_DigestInit_ex(m_context, m_md, nullptr) == 1;
    for (const auto& part : parts)
        ok = ok && EVP_DigestUpdate(m_context, part.data(), static_cast<size_t>(part.size())) == 1;
    ok = ok && EVP_DigestFinal_ex(m_context, out, &length) == 1;
    if (!ok)
        throw std::runtime_error("libcrypto digest failed");
    return QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(length));
}

QByteArray Hasher::spin(QByteArray hash, quint32 rounds)
{
    if (hash.size() != m_size)
        throw std::invalid_argument("a spun hash starts from a digest of the same kind");
    // The round number and the digest before it, side by side in one buffer the next
    // digest is written back into.
    unsigned char buffer[4 + EVP_MAX_MD_SIZE];
    std::memcpy(buffer + 4, hash.constData(), static_cast<std::size_t>(m_size));
    const auto input = static_cast<size_t>(4 + m_size);
    unsigned int length = 0;
    for (quint32 i = 0; i < rounds; ++i) {
        buffer[0] = static_cast<unsigned char>(i);
        buffer[1] = static_cast<unsigned char>(i >> 8);
        buffer[2] = static_cast<unsigned char>(i >> 16);
        buffer[3] = static_cast<unsigned char>(i >> 24);
        if (EVP_DigestInit_ex(m_context, m_md, nullptr) != 1 || EVP_DigestUpdate(m_context, buffer, input) != 1
            || EVP_DigestFinal_ex(m_context, buffer + 4, &length) != 1)
            throw std::runtime_error("libcrypto digest failed");
    }
    return QByteArray(reinterpret_cast<const char*>(buffer + 4), m_size);
}

QByteArray fitToLength(QByteArray bytes, qsizetype length, char pad)
{
    if (bytes.size() > length)
        bytes.truncate(length);
    else if (bytes.size() < length)
        bytes.append(length - bytes.size(), pad);
    return bytes;
}

QByteArray littleEndian32(quint32 value)
{
    const char raw[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                         static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
    return QByteArray(raw, 4);
}

} // namespace quorvane::db::format::crypto

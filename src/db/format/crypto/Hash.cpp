#include "Hash.h"

#include <openssl/evp.h>

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

static const EVP_MD* mdFor(HashAlgorithm algorithm)
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

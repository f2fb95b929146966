#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <initializer_list>
#include <optional>

typedef struct evp_md_ctx_st EVP_MD_CTX;
typedef struct evp_md_st EVP_MD;

namespace quorvane::db::format::crypto {

// The hashes an encryption header may name. Access writes SHA-1 (CryptoAPI and older
// Agile files) and SHA-512 (Agile in Access 2010 and later); the others are accepted
// because the descriptor allows them and they cost nothing.
enum class HashAlgorithm { Md5, Sha1, Sha256, Sha384, Sha512 };

// Reads a hash name as the Agile descriptor spells it ("SHA512", also "SHA-512").
std::optional<HashAlgorithm> hashAlgorithmFromName(QStringView name);
QString hashAlgorithmName(HashAlgorithm algorithm);

// One reusable digest context: the key derivation hashes up to millions of times, and
// creating a context per round would cost more than the hashing.
class Hasher {
public:
    explicit Hasher(HashAlgorithm algorithm);
    ~Hasher();
    Hasher(const Hasher&) = delete;
    Hasher& operator=(const Hasher&) = delete;

    int size() const { return m_size; }
    // The digest of the parts, concatenated.
    QByteArray hash(std::initializer_list<QByteArrayView> parts);
    // The key derivations' spin: `rounds` times, the digest of the round number (four
    // bytes, least significant first, counted from 0) followed by the digest before.
    // `hash` is a digest of this kind.
    QByteArray spin(QByteArray hash, quint32 rounds);

private:
    EVP_MD_CTX* m_context = nullptr;
    const EVP_MD* m_md = nullptr;
    int m_size = 0;
};

// `bytes` cut to `length`, or padded up to it with `pad` (the key derivations of the
// Office formats both truncate and pad).
QByteArray fitToLength(QByteArray bytes, qsizetype length, char pad);

// Four bytes, least significant first.
QByteArray littleEndian32(quint32 value);

} // namespace quorvane::db::format::crypto

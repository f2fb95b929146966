#include "CryptoTestEncryptor.h"

#include "CryptoTestSupport.h"
#include "db/format/crypto/Rc4.h"

#include <openssl/evp.h>

#include <random>
#include <span>
#include <stdexcept>

namespace quorvane::cryptotest {

namespace {

using quorvane::db::format::crypto::Rc4;
using quorvane::db::format::crypto::toggleHeaderMask;

std::span<std::uint8_t> span(QByteArray& bytes)
{
    return {reinterpret_cast<std::uint8_t*>(bytes.data()), static_cast<std::size_t>(bytes.size())};
}

bool isJet3(const QByteArray& file)
{
    return file[0x14] == 0;
}

// Unmasks the header page, lets `edit` change it, masks it again.
template <typename Edit>
QByteArray editHeader(QByteArray file, Edit edit)
{
    auto header = span(file).first(static_cast<std::size_t>(pageSizeOf(file)));
    toggleHeaderMask(header, isJet3(file));
    edit(header);
    toggleHeaderMask(header, isJet3(file));
    return file;
}

EncodingKey pageKey(const EncodingKey& key, std::uint32_t page)
{
    EncodingKey k = key;
    for (int i = 0; i < 4; ++i)
        k[i] ^= static_cast<std::uint8_t>(page >> (8 * i));
    return k;
}

QByteArray keyBytes(const EncodingKey& key)
{
    return QByteArray(reinterpret_cast<const char*>(key.data()), 4);
}

QByteArray le32(std::uint32_t v)
{
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>(v >> (8 * i)));
    return out;
}

QByteArray le16(std::uint16_t v)
{
    return QByteArray().append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8));
}

QByteArray utf16le(const QString& s)
{
    QByteArray out;
    for (const QChar c : s)
        out.append(static_cast<char>(c.unicode() & 0xFF)).append(static_cast<char>(c.unicode() >> 8));
    return out;
}

QByteArray digest(const char* name, const QByteArray& a, const QByteArray& b = {})
{
    const EVP_MD* md = EVP_get_digestbyname(name);
    if (!md)
        throw std::invalid_argument(name);
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestInit_ex(ctx, md, nullptr);
    EVP_DigestUpdate(ctx, a.constData(), static_cast<size_t>(a.size()));
    EVP_DigestUpdate(ctx, b.constData(), static_cast<size_t>(b.size()));
    EVP_DigestFinal_ex(ctx, out, &length);
    EVP_MD_CTX_free(ctx);
    return QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(length));
}

// AES without padding: CBC with `iv`, or ECB when there is none.
QByteArray aesEncrypt(const QByteArray& key, const QByteArray& iv, const QByteArray& plain)
{
    const bool ecb = iv.isEmpty();
    const EVP_CIPHER* cipher = key.size() == 16   ? (ecb ? EVP_aes_128_ecb() : EVP_aes_128_cbc())
                               : key.size() == 24 ? (ecb ? EVP_aes_192_ecb() : EVP_aes_192_cbc())
                                                  : (ecb ? EVP_aes_256_ecb() : EVP_aes_256_cbc());
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    QByteArray out(plain.size(), '\0');
    int n = 0;
    int tail = 0;
    EVP_EncryptInit_ex(ctx, cipher, nullptr, reinterpret_cast<const unsigned char*>(key.constData()),
                       ecb ? nullptr : reinterpret_cast<const unsigned char*>(iv.constData()));
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &n,
                      reinterpret_cast<const unsigned char*>(plain.constData()), static_cast<int>(plain.size()));
    EVP_EncryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(out.data()) + n, &tail);
    EVP_CIPHER_CTX_free(ctx);
    return out;
}

QByteArray padTo(QByteArray bytes, qsizetype length, char pad)
{
    if (bytes.size() > length)
        bytes.truncate(length);
    while (bytes.size() < length)
        bytes.append(pad);
    return bytes;
}

QByteArray padToBlocks(QByteArray bytes)
{
    while (bytes.size() % 16 != 0)
        bytes.append('\0');
    return bytes;
}

QByteArray randomBytes(std::mt19937& rng, int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out.append(static_cast<char>(rng() & 0xFF));
    return out;
}

void rc4Apply(const QByteArray& key, std::span<std::uint8_t> bytes)
{
    Rc4(std::span(reinterpret_cast<const std::uint8_t*>(key.constData()), static_cast<std::size_t>(key.size())))
        .apply(bytes);
}

// Fixed salts make every encrypted copy the same from run to run.
constexpr std::uint32_t kSeed = 20261208;

QByteArray cryptoApiBaseHash(const QString& password)
{
    std::mt19937 rng(kSeed);
    return digest("SHA1", randomBytes(rng, 16), utf16le(password));
}

QByteArray cryptoApiKey(const QByteArray& baseHash, const QByteArray& block, int keyBits)
{
    QByteArray key = digest("SHA1", baseHash, block).left(keyBits / 8);
    if (keyBits == 40)
        key = padTo(key, 16, '\0');
    return key;
}

// The salted password hashed 50,000 times; the key of a block is made from that hash
// and the block, XOR-ed into two 64-byte blocks of 0x36 and 0x5C, each hashed.
QByteArray standardRounds(const QString& password)
{
    std::mt19937 rng(kSeed + 3);
    QByteArray h = digest("SHA1", randomBytes(rng, 16), utf16le(password));
    for (std::uint32_t i = 0; i < 50000; ++i)
        h = digest("SHA1", le32(i), h);
    return h;
}

QByteArray standardKey(const QByteArray& rounds, const QByteArray& block, int keyBits)
{
    const QByteArray h = digest("SHA1", rounds, block);
    QByteArray inner(64, 0x36);
    QByteArray outer(64, 0x5C);
    for (int i = 0; i < h.size(); ++i) {
        inner[i] = static_cast<char>(inner[i] ^ h[i]);
        outer[i] = static_cast<char>(outer[i] ^ h[i]);
    }
    return (digest("SHA1", inner) + digest("SHA1", outer)).left(keyBits / 8);
}

QByteArray agileRounds(const char* hash, const QByteArray& salt, const QString& password, std::uint32_t spinCount)
{
    QByteArray h = digest(hash, salt, utf16le(password));
    for (std::uint32_t i = 0; i < spinCount; ++i)
        h = digest(hash, le32(i), h);
    return h;
}

} // namespace

QByteArray encodeJet(const QByteArray& plain, const EncodingKey& key)
{
    QByteArray file = editHeader(plain, [&](std::span<std::uint8_t> header) {
        std::copy(key.begin(), key.end(), header.begin() + 0x3E);
    });
    const int pageSize = pageSizeOf(file);
    for (std::uint32_t n = 1; n < static_cast<std::uint32_t>(file.size() / pageSize); ++n) {
        const EncodingKey k = pageKey(key, n);
        Rc4(k).apply(span(file).subspan(n * pageSize, pageSize));
    }
    return file;
}

QByteArray withJet3Password(const QByteArray& plain, const QByteArray& password, std::uint16_t codePage)
{
    return editHeader(plain, [&](std::span<std::uint8_t> header) {
        if (codePage != 0) {
            header[0x3C] = static_cast<std::uint8_t>(codePage & 0xFF);
            header[0x3D] = static_cast<std::uint8_t>(codePage >> 8);
        }
        for (int i = 0; i < 20; ++i)
            header[0x42 + i] = i < password.size() ? static_cast<std::uint8_t>(password[i]) : 0;
    });
}

QByteArray cryptoApiProviderInfo(const QString& password, const CryptoApiOptions& options)
{
    std::mt19937 rng(kSeed);
    const QByteArray salt = randomBytes(rng, 16);
    const QByteArray verifier = randomBytes(rng, 16);

    QByteArray header;
    header += le32(0x0C);                // fCryptoAPI | fDocProps, as Access writes
    header += le32(0);
    header += le32(0x6801);              // RC4
    header += le32(0x8004);              // SHA-1
    header += le32(options.keySizeField);
    header += le32(1);                   // PROV_RSA_FULL
    header += le32(0) + le32(0);
    header += utf16le(options.provider) + QByteArray(2, '\0');

    const QByteArray baseHash = digest("SHA1", salt, utf16le(password));
    QByteArray sealed = verifier + digest("SHA1", verifier);
    rc4Apply(cryptoApiKey(baseHash, le32(0), options.keyBits), span(sealed));

    QByteArray info = le16(4) + le16(2) + le32(0x0C) + le32(static_cast<std::uint32_t>(header.size())) + header;
    info += le32(16) + salt + sealed.left(16) + le32(20) + sealed.mid(16);
    return info;
}

QByteArray encryptCryptoApiRc4(const QByteArray& plainAce, const QString& password, const CryptoApiOptions& options)
{
    QByteArray file = withEncryptionProvider(plainAce, options.key, cryptoApiProviderInfo(password, options));
    const QByteArray baseHash = cryptoApiBaseHash(password);
    const int pageSize = pageSizeOf(file);
    for (std::uint32_t n = 1; n < static_cast<std::uint32_t>(file.size() / pageSize); ++n)
        rc4Apply(cryptoApiKey(baseHash, keyBytes(pageKey(options.key, n)), options.keyBits),
                 span(file).subspan(n * pageSize, pageSize));
    return file;
}

QByteArray standardProviderInfo(const QString& password, const StandardOptions& options)
{
    std::mt19937 rng(kSeed + 3);
    const QByteArray salt = randomBytes(rng, 16);
    const QByteArray verifier = randomBytes(rng, 16);
    const std::uint32_t algorithm = options.algorithmField != 0 ? options.algorithmField
                                    : options.keyBits == 128     ? 0x660E
                                    : options.keyBits == 192     ? 0x660F
                                                                 : 0x6610;

    QByteArray header;
    header += le32(0x24);                // fCryptoAPI | fAES
    header += le32(0);
    header += le32(algorithm);
    header += le32(0x8004);              // SHA-1
    header += le32(options.keySizeField == 0xFFFFFFFF ? static_cast<std::uint32_t>(options.keyBits)
                                                      : options.keySizeField);
    header += le32(0x18);                // PROV_RSA_AES
    header += le32(0) + le32(0);
    header += utf16le(QStringLiteral("Microsoft Enhanced RSA and AES Cryptographic Provider")) + QByteArray(2, '\0');

    // The verifier's SHA-1 is padded to two AES blocks; each value is encrypted on its own.
    const QByteArray key = standardKey(standardRounds(password), le32(0), options.keyBits);
    QByteArray info = le16(4) + le16(2) + le32(0x24) + le32(static_cast<std::uint32_t>(header.size())) + header;
    info += le32(16) + salt + aesEncrypt(key, {}, verifier) + le32(20);
    info += aesEncrypt(key, {}, padTo(digest("SHA1", verifier), 32, '\0'));
    return info;
}

QByteArray encryptStandard(const QByteArray& plainAce, const QString& password, const StandardOptions& options)
{
    QByteArray file = withEncryptionProvider(plainAce, options.key, standardProviderInfo(password, options));
    const QByteArray rounds = standardRounds(password);
    const int pageSize = pageSizeOf(file);
    for (std::uint32_t n = 1; n < static_cast<std::uint32_t>(file.size() / pageSize); ++n) {
        const QByteArray key = standardKey(rounds, keyBytes(pageKey(options.key, n)), options.keyBits);
        file.replace(n * pageSize, pageSize, aesEncrypt(key, {}, file.mid(n * pageSize, pageSize)));
    }
    return file;
}

QByteArray agileDescriptor(const QString& password, const AgileOptions& options, const QByteArray& intermediateKey)
{
    std::mt19937 rng(kSeed + 1);
    const QByteArray keyDataSalt = randomBytes(rng, 16);
    const QByteArray salt = randomBytes(rng, 16);
    const QByteArray verifier = randomBytes(rng, 16);
    const AgileKeyOptions& pk = options.passwordKey;

    const QByteArray rounds = agileRounds(pk.hash, salt, password, options.spinCount);
    const auto key = [&](const char* block) {
        return padTo(digest(pk.hash, rounds, QByteArray(block, 8)), pk.keyBits / 8, 0x36);
    };
    const QByteArray hashInput = aesEncrypt(key("\xfe\xa7\xd2\x76\x3b\x4b\x9e\x79"), salt, verifier);
    const QByteArray hashValue =
        aesEncrypt(key("\xd7\xaa\x0f\x6d\x30\x61\x34\x4e"), salt, padToBlocks(digest(pk.hash, verifier)));
    const QByteArray keyValue =
        aesEncrypt(key("\x14\x6e\x0b\xe7\xab\xac\xd0\xd6"), salt, padToBlocks(intermediateKey));

    const auto attributes = [](const AgileKeyOptions& k, const QByteArray& s) {
        const int hashSize = digest(k.hash, {}).size();
        return QStringLiteral("saltSize=\"16\" blockSize=\"16\" keyBits=\"%1\" hashSize=\"%2\" cipherAlgorithm=\"AES\" "
                              "cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"%3\" saltValue=\"%4\"")
            .arg(k.keyBits)
            .arg(hashSize)
            .arg(QString::fromLatin1(k.hash), QString::fromLatin1(s.toBase64()));
    };
    const QString xml =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                       "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
                       "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\" "
                       "xmlns:c=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\">"
                       "<keyData %1/><keyEncryptors><keyEncryptor "
                       "uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
                       "<p:encryptedKey spinCount=\"%2\" %3 encryptedVerifierHashInput=\"%4\" "
                       "encryptedVerifierHashValue=\"%5\" encryptedKeyValue=\"%6\"/>"
                       "</keyEncryptor></keyEncryptors></encryption>")
            .arg(attributes(options.keyData, keyDataSalt))
            .arg(options.spinCount)
            .arg(attributes(pk, salt), QString::fromLatin1(hashInput.toBase64()),
                 QString::fromLatin1(hashValue.toBase64()), QString::fromLatin1(keyValue.toBase64()));
    return xml.toUtf8();
}

QByteArray agileProviderInfo(const QByteArray& descriptorXml)
{
    return le16(4) + le16(4) + le32(0x40) + descriptorXml;
}

QByteArray encryptAgile(const QByteArray& plainAce, const QString& password, const AgileOptions& options)
{
    std::mt19937 rng(kSeed + 2);
    const QByteArray intermediateKey = randomBytes(rng, options.keyData.keyBits / 8);
    QByteArray file = withEncryptionProvider(plainAce, options.key,
                                             agileProviderInfo(agileDescriptor(password, options, intermediateKey)));
    std::mt19937 saltRng(kSeed + 1);
    const QByteArray keyDataSalt = randomBytes(saltRng, 16);
    const int pageSize = pageSizeOf(file);
    for (std::uint32_t n = 1; n < static_cast<std::uint32_t>(file.size() / pageSize); ++n) {
        const QByteArray iv = padTo(digest(options.keyData.hash, keyDataSalt, keyBytes(pageKey(options.key, n))), 16, 0x36);
        const QByteArray sealed = aesEncrypt(intermediateKey, iv, file.mid(n * pageSize, pageSize));
        file.replace(n * pageSize, pageSize, sealed);
    }
    return file;
}

QByteArray withEncryptionProvider(const QByteArray& file, const EncodingKey& key, const QByteArray& providerInfo,
                                  int lengthOverride)
{
    return editHeader(file, [&](std::span<std::uint8_t> header) {
        std::copy(key.begin(), key.end(), header.begin() + 0x3E);
        const auto length = static_cast<std::uint16_t>(lengthOverride >= 0 ? lengthOverride : providerInfo.size());
        header[0x299] = static_cast<std::uint8_t>(length & 0xFF);
        header[0x29A] = static_cast<std::uint8_t>(length >> 8);
        const auto room = std::min<std::size_t>(static_cast<std::size_t>(providerInfo.size()), header.size() - 0x29B);
        std::copy_n(providerInfo.constData(), room, header.begin() + 0x29B);
    });
}

} // namespace quorvane::cryptotest

#pragma once

// Test-only encryptor: turns a plain corpus file into an encoded or encrypted copy of
// every kind the page decoder reads, laid out as Access lays out the real files (checked
// against the encrypted files of the corpus), so the decoder is also tested on kinds the
// corpus lacks. Never linked into the program.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace quorvane::cryptotest {

using EncodingKey = std::array<std::uint8_t, 4>;

constexpr EncodingKey kSampleKey = {0x5A, 0xC3, 0x17, 0x9E};

// Jet page encoding: the encoding key into the header, every page after it RC4-ed.
QByteArray encodeJet(const QByteArray& plain, const EncodingKey& key = kSampleKey);

// Writes a Jet 3 database password (code-page bytes, at most 20) into the header, and
// the code page when one is given.
QByteArray withJet3Password(const QByteArray& plain, const QByteArray& password, std::uint16_t codePage = 0);

struct CryptoApiOptions {
    int keyBits = 128;         // the key size the pages are encrypted with
    std::uint32_t keySizeField = 128; // what the header says (0: the provider's default)
    QString provider = QStringLiteral("Microsoft Enhanced Cryptographic Provider v1.0");
    EncodingKey key = kSampleKey;
};

// The provider information (version 4.2 onwards) and a file encrypted with it.
QByteArray cryptoApiProviderInfo(const QString& password, const CryptoApiOptions& options);
QByteArray encryptCryptoApiRc4(const QByteArray& plainAce, const QString& password, const CryptoApiOptions& options);

struct StandardOptions {
    int keyBits = 128;                 // AES-128, -192 or -256
    std::uint32_t keySizeField = 0xFFFFFFFF; // what the header says; by default keyBits
    std::uint32_t algorithmField = 0;  // the algorithm id; 0 gives the one for keyBits
    EncodingKey key = kSampleKey;
};

// Standard encryption: version 4.2, the AES flag, the verifier under AES-ECB, and every
// page AES-ECB under its own key.
QByteArray standardProviderInfo(const QString& password, const StandardOptions& options);
QByteArray encryptStandard(const QByteArray& plainAce, const QString& password, const StandardOptions& options);

struct AgileKeyOptions {
    int keyBits = 256;
    const char* hash = "SHA512";
};

struct AgileOptions {
    AgileKeyOptions keyData;
    AgileKeyOptions passwordKey;
    std::uint32_t spinCount = 100000;
    EncodingKey key = kSampleKey;
};

// The XML descriptor for `intermediateKey` (keyData.keyBits / 8 bytes).
QByteArray agileDescriptor(const QString& password, const AgileOptions& options, const QByteArray& intermediateKey);
// The provider information: version 4.4, the reserved 0x40, the XML.
QByteArray agileProviderInfo(const QByteArray& descriptorXml);
QByteArray encryptAgile(const QByteArray& plainAce, const QString& password, const AgileOptions& options);

// Puts `providerInfo` (with its 16-bit length) at 0x299 and `key` at 0x3E of the header
// page of `file`, leaving the other pages alone. `lengthOverride` >= 0 writes that
// length instead of the true one.
QByteArray withEncryptionProvider(const QByteArray& file, const EncodingKey& key, const QByteArray& providerInfo,
                                  int lengthOverride = -1);

} // namespace quorvane::cryptotest

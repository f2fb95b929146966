#pragma once

#include "Hash.h"
#include "db/DbError.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace quorvane::db::format::crypto {

// The parameters of one key in the Agile XML descriptor: the cipher (always AES in CBC
// mode here), its key and block size, the hash, and the salt.
struct AgileKeyParameters {
    int keyBits = 0;
    int blockSize = 0;
    HashAlgorithm hash = HashAlgorithm::Sha1;
    QByteArray salt;
};

// The password key encryptor: how the password becomes a key, and the values that key
// decrypts (the verifier pair and the intermediate key that encrypts the pages).
struct AgilePasswordKey {
    AgileKeyParameters parameters;
    quint32 spinCount = 0;
    QByteArray encryptedVerifierHashInput;
    QByteArray encryptedVerifierHashValue;
    QByteArray encryptedKeyValue;
};

struct AgileDescriptor {
    AgileKeyParameters keyData;
    AgilePasswordKey passwordKey;

    // Reads the XML that follows the reserved field of the provider information.
    // Unknown ciphers, chaining modes and hashes are named in an "unsupported" error;
    // missing, malformed or out-of-range values give a damaged-header error.
    static std::optional<AgileDescriptor> parse(QByteArrayView xml, DbError& error);
};

// Above this many hash rounds the key derivation would hold the program for minutes;
// Access writes 100,000.
constexpr quint32 kMaxSpinCount = 10'000'000;
// The descriptor sits in the header page, so a real one is a few kilobytes at most.
constexpr qsizetype kMaxDescriptorBytes = 64 * 1024;

} // namespace quorvane::db::format::crypto

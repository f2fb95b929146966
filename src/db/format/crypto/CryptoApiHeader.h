#pragma once

#include "db/DbError.h"

#include <cstdint>
#include <optional>
#include <span>

namespace quorvane::db::format::crypto {

// The encryption header and password verifier that RC4 CryptoAPI and Standard (AES)
// encryption share: the provider information after its version. The spans point into
// the bytes given to read().
struct CryptoApiHeader {
    static constexpr std::uint32_t kFlagCryptoApi = 0x04;
    static constexpr std::uint32_t kFlagExternal = 0x10;
    static constexpr std::uint32_t kFlagAes = 0x20;
    static constexpr std::uint32_t kHashSha1 = 0x8004;
    static constexpr std::size_t kSha1Bytes = 20;

    std::uint32_t flags = 0;
    std::uint32_t algorithm = 0;
    std::uint32_t hash = 0;
    std::uint32_t keySize = 0;
    std::span<const std::uint8_t> providerName; // UTF-16LE, up to the end of the header
    std::span<const std::uint8_t> salt;
    std::span<const std::uint8_t> encryptedVerifier;
    // The SHA-1 of the verifier, encrypted, and whatever follows it: see verifierHash().
    std::span<const std::uint8_t> encryptedVerifierHash;

    bool isAes() const { return (flags & kFlagAes) != 0; }
    // The first `bytes` of the encrypted verifier hash (20 under RC4, two AES blocks
    // under AES); nothing with `error` set when fewer are there. The cipher decides the
    // length, so it is asked for only once the algorithm is known.
    std::optional<std::span<const std::uint8_t>> verifierHash(std::size_t bytes, DbError& error) const;

    // Answers nothing with `error` set for a header cut short or not one Access writes,
    // and for an external provider (which no file carries the means to open).
    static std::optional<CryptoApiHeader> read(std::span<const std::uint8_t> info, DbError& error);
};

} // namespace quorvane::db::format::crypto

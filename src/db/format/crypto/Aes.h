#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <span>

namespace quorvane::db::format::crypto {

// AES in CBC mode without padding, as the Agile encryption uses it for the key
// encryptor's values and for every page. The key length (16, 24 or 32 bytes) picks
// AES-128, -192 or -256. `in` and `out` have the same length, a multiple of 16, and may
// be the same bytes. Answers false for a key, IV or length it cannot take.
bool aesCbc(bool encrypt, QByteArrayView key, QByteArrayView iv, std::span<const std::uint8_t> in,
            std::span<std::uint8_t> out);

// AES in ECB mode without padding, as Standard encryption uses it: each block alone.
// The same rules as aesCbc, without the IV.
bool aesEcb(bool encrypt, QByteArrayView key, std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

constexpr int kAesBlockSize = 16;

bool isAesKeyLength(qsizetype bytes);

} // namespace quorvane::db::format::crypto

#pragma once

#include <array>
#include <cstdint>

namespace quorvane::db::format::crypto {

// The four bytes at 0x3E of the header page: zero in a plain file; otherwise the seed
// every page key mixes the page number into.
using PageKey = std::array<std::uint8_t, 4>;

// The key of one page: the encoding key with the page number (least significant byte
// first) XOR-ed over it.
inline PageKey pageKey(const PageKey& encodingKey, std::uint32_t pageNumber)
{
    PageKey key = encodingKey;
    for (int i = 0; i < 4; ++i)
        key[i] ^= static_cast<std::uint8_t>(pageNumber >> (8 * i));
    return key;
}

} // namespace quorvane::db::format::crypto

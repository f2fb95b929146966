#pragma once

#include <cstdint>
#include <cstring>

namespace quorvane::mdbwriter::le {

inline void put16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void put64(std::uint8_t* p, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void putDouble(std::uint8_t* p, double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    put64(p, bits);
}

inline void putFloat(std::uint8_t* p, float v)
{
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    put32(p, bits);
}

inline std::uint16_t get16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Where a row lives, as Jet writes it in four bytes: the row number in the low byte,
// the page number in the three above it.
inline std::uint32_t rowPointer(std::uint32_t page, std::uint8_t row)
{
    return (page << 8) | row;
}

} // namespace quorvane::mdbwriter::le

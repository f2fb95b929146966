#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace quorvane::db::format::crypto {

// Little-endian reads over a span that never step outside it: every read answers
// nothing once the bytes run out, and the position then stays where it was.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t position() const { return m_pos; }
    std::size_t remaining() const { return m_bytes.size() - m_pos; }

    std::optional<std::uint16_t> u16()
    {
        auto b = bytes(2);
        if (!b)
            return std::nullopt;
        return static_cast<std::uint16_t>((*b)[0] | ((*b)[1] << 8));
    }

    std::optional<std::uint32_t> u32()
    {
        auto b = bytes(4);
        if (!b)
            return std::nullopt;
        return static_cast<std::uint32_t>((*b)[0]) | (static_cast<std::uint32_t>((*b)[1]) << 8) |
               (static_cast<std::uint32_t>((*b)[2]) << 16) | (static_cast<std::uint32_t>((*b)[3]) << 24);
    }

    std::optional<std::span<const std::uint8_t>> bytes(std::size_t count)
    {
        if (count > remaining())
            return std::nullopt;
        auto out = m_bytes.subspan(m_pos, count);
        m_pos += count;
        return out;
    }

    std::span<const std::uint8_t> rest() const { return m_bytes.subspan(m_pos); }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

} // namespace quorvane::db::format::crypto

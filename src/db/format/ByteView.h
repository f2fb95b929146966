#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace quorvane::db::format {

// A read-only window on bytes from the file. Every read is bounds-checked: a read
// outside the window yields zero and marks the view as overrun, so a caller can do a
// run of reads and check once. Nothing read from a file is trusted to be in range.
class ByteView {
public:
    ByteView() = default;
    explicit ByteView(std::span<const std::uint8_t> bytes) : m_data(bytes.data()), m_size(bytes.size()) {}
    ByteView(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t size() const { return m_size; }
    const std::uint8_t* data() const { return m_data; }
    bool empty() const { return m_size == 0; }

    bool has(std::size_t offset, std::size_t count) const { return offset <= m_size && count <= m_size - offset; }

    // True once any read went out of bounds.
    bool overrun() const { return m_overrun; }

    std::uint8_t u8(std::size_t offset) const
    {
        if (!has(offset, 1)) return fail<std::uint8_t>();
        return m_data[offset];
    }
    std::uint16_t u16(std::size_t offset) const
    {
        if (!has(offset, 2)) return fail<std::uint16_t>();
        return static_cast<std::uint16_t>(m_data[offset] | (m_data[offset + 1] << 8));
    }
    std::uint32_t u24(std::size_t offset) const
    {
        if (!has(offset, 3)) return fail<std::uint32_t>();
        return std::uint32_t(m_data[offset]) | (std::uint32_t(m_data[offset + 1]) << 8) |
               (std::uint32_t(m_data[offset + 2]) << 16);
    }
    std::uint32_t u32(std::size_t offset) const
    {
        if (!has(offset, 4)) return fail<std::uint32_t>();
        std::uint32_t v;
        std::memcpy(&v, m_data + offset, 4); // little-endian hosts only (x86-64, arm64)
        return v;
    }
    std::uint64_t u64(std::size_t offset) const
    {
        if (!has(offset, 8)) return fail<std::uint64_t>();
        std::uint64_t v;
        std::memcpy(&v, m_data + offset, 8);
        return v;
    }
    std::int16_t i16(std::size_t offset) const { return static_cast<std::int16_t>(u16(offset)); }
    std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
    std::int64_t i64(std::size_t offset) const { return static_cast<std::int64_t>(u64(offset)); }
    float f32(std::size_t offset) const
    {
        const std::uint32_t bits = u32(offset);
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }
    double f64(std::size_t offset) const
    {
        const std::uint64_t bits = u64(offset);
        double v;
        std::memcpy(&v, &bits, 8);
        return v;
    }

    // The sub-range [offset, offset + count); empty and overrun when it does not fit.
    ByteView sub(std::size_t offset, std::size_t count) const
    {
        if (!has(offset, count)) {
            m_overrun = true;
            return {};
        }
        return ByteView(m_data + offset, count);
    }
    std::span<const std::uint8_t> span() const { return {m_data, m_size}; }

private:
    template <typename T>
    T fail() const
    {
        m_overrun = true;
        return T{};
    }

    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    mutable bool m_overrun = false;
};

} // namespace quorvane::db::format

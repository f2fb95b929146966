#pragma once

// The bytes of a batch's lines. Like a std::string, except that room made at the end is
// left as it is rather than filled with zeros: a line is given room for its longest text,
// written in place and cut to what was written, and clearing the room first cost as much
// as a tenth of writing the values into it.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace quorvane::exporter {

class LineBuffer {
public:
    std::size_t size() const { return m_size; }
    std::string_view view() const { return {m_bytes.get(), m_size}; }
    void clear() { m_size = 0; }

    // `bytes` more at the end, not yet written; returns where they begin.
    char* grow(std::size_t bytes)
    {
        reserve(m_size + bytes);
        char* room = m_bytes.get() + m_size;
        m_size += bytes;
        return room;
    }
    // Cuts the bytes back to `size`, no more than there are.
    void cut(std::size_t size) { m_size = std::min(size, m_size); }
    // Cuts the bytes back to where `end`, inside them, points.
    void cutAt(const char* end) { cut(static_cast<std::size_t>(end - m_bytes.get())); }
    void append(std::string_view text)
    {
        if (!text.empty())
            std::memcpy(grow(text.size()), text.data(), text.size());
    }

    // Room for `bytes` in all without moving them again.
    void reserve(std::size_t bytes)
    {
        if (bytes <= m_capacity)
            return;
        const std::size_t capacity = std::max({bytes, 2 * m_capacity, std::size_t(256)});
        auto bigger = std::make_unique_for_overwrite<char[]>(capacity);
        if (m_size > 0)
            std::memcpy(bigger.get(), m_bytes.get(), m_size);
        m_bytes = std::move(bigger);
        m_capacity = capacity;
    }

private:
    std::unique_ptr<char[]> m_bytes;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

} // namespace quorvane::exporter

#include "Rc4.h"

#include <cassert>
#include <utility>

namespace quorvane::mdbwriter {

Rc4::Rc4(std::span<const std::uint8_t> key)
{
    assert(!key.empty());
    for (int i = 0; i < 256; ++i)
        m_state[i] = static_cast<std::uint8_t>(i);
    std::uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<std::uint8_t>(j + m_state[i] + key[i % key.size()]);
        std::swap(m_state[i], m_state[j]);
    }
}

void Rc4::apply(std::span<std::uint8_t> data)
{
    for (auto& byte : data) {
        ++m_i;
        m_j = static_cast<std::uint8_t>(m_j + m_state[m_i]);
        std::swap(m_state[m_i], m_state[m_j]);
        byte ^= m_state[static_cast<std::uint8_t>(m_state[m_i] + m_state[m_j])];
    }
}

} // namespace quorvane::mdbwriter

#include "Rc4.h"

#include <algorithm>
#include <utility>

namespace quorvane::db::format::crypto {

Rc4::Rc4(std::span<const std::uint8_t> key)
{
    for (std::size_t i = 0; i < m_state.size(); ++i)
        m_state[i] = static_cast<std::uint8_t>(i);
    if (key.empty())
        return; // an empty key is never derived from a file; keep the identity permutation
    std::uint8_t j = 0;
    for (std::size_t i = 0; i < m_state.size(); ++i) {
        j = static_cast<std::uint8_t>(j + m_state[i] + key[i % key.size()]);
        std::swap(m_state[i], m_state[j]);
    }
}

void Rc4::apply(std::span<std::uint8_t> bytes)
{
    // Locals rather than members in the loop: the compiler keeps them in registers.
    std::uint8_t i = m_i;
    std::uint8_t j = m_j;
    std::uint8_t* s = m_state.data();
    for (auto& b : bytes) {
        i = static_cast<std::uint8_t>(i + 1);
        const std::uint8_t si = s[i];
        j = static_cast<std::uint8_t>(j + si);
        const std::uint8_t sj = s[j];
        s[i] = sj;
        s[j] = si;
        b ^= s[static_cast<std::uint8_t>(si + sj)];
    }
    m_i = i;
    m_j = j;
}

void toggleHeaderMask(std::span<std::uint8_t> page, bool jet3)
{
    static constexpr std::uint8_t kMaskKey[] = {0xC7, 0xDA, 0x39, 0x6B};
    const std::size_t length = jet3 ? 126 : 128;
    if (page.size() <= kHeaderMaskOffset)
        return;
    Rc4 rc4(kMaskKey);
    rc4.apply(page.subspan(kHeaderMaskOffset, std::min(length, page.size() - kHeaderMaskOffset)));
}

} // namespace quorvane::db::format::crypto

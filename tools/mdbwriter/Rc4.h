#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace quorvane::mdbwriter {

// The RC4 stream cipher. Jet masks part of the header page with it under a fixed key;
// that is all the writer needs it for, so it stays this small.
class Rc4 {
public:
    explicit Rc4(std::span<const std::uint8_t> key);
    // XORs `data` with the next bytes of the key stream (masking and unmasking alike).
    void apply(std::span<std::uint8_t> data);

private:
    std::array<std::uint8_t, 256> m_state{};
    std::uint8_t m_i = 0;
    std::uint8_t m_j = 0;
};

} // namespace quorvane::mdbwriter

#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace quorvane::db::format::crypto {

// The RC4 stream cipher. Access uses it for the fixed mask over the header page, for
// the page encoding of Jet files and for the CryptoAPI encryption of ACE files; OpenSSL 3
// keeps RC4 in its legacy provider only, so it lives here. Applying the key stream twice
// gives the input back, so there is one operation for both directions.
class Rc4 {
public:
    explicit Rc4(std::span<const std::uint8_t> key);

    // XORs the next bytes of the key stream into `bytes`; the stream continues across calls.
    void apply(std::span<std::uint8_t> bytes);

private:
    std::array<std::uint8_t, 256> m_state{};
    std::uint8_t m_i = 0;
    std::uint8_t m_j = 0;
};

// Page 0 from offset 0x18 is XOR-ed with the key stream of a fixed key: 126 bytes in
// Jet 3 files, 128 in Jet 4 and ACE files. Removes (or puts back) that mask in place.
// `page` may be shorter than the masked region; only what is there is touched.
void toggleHeaderMask(std::span<std::uint8_t> page, bool jet3);

constexpr std::size_t kHeaderMaskOffset = 0x18;

} // namespace quorvane::db::format::crypto

#pragma once

#include "db/DbError.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quorvane::db::format::crypto {

using PageKey = std::array<std::uint8_t, 4>;

// The fields of the header page that decide how the other pages are stored, read from
// a copy with the fixed mask removed.
class HeaderPage {
public:
    enum class Engine { Jet3, Jet4, Ace };

    // Answers nothing, with `error` set, when the page is too short to be a header page.
    static std::optional<HeaderPage> read(std::span<const std::uint8_t> stored, DbError& error);

    Engine engine() const { return m_engine; }
    bool isMsisam() const { return m_msisam; }
    // Four bytes at 0x3E: zero in a plain file; otherwise the seed every page key mixes
    // the page number into.
    const PageKey& encodingKey() const { return m_key; }
    bool isEncoded() const { return m_key != PageKey{}; }

    // The database password of a Jet file (empty when it has none).
    QString jetPassword() const;

    // The length-prefixed encryption provider information of an encrypted ACE file,
    // without its length; nothing when the length runs past the page.
    std::optional<std::span<const std::uint8_t>> encryptionProvider() const;

    std::span<const std::uint8_t> bytes() const { return m_page; }

private:
    std::vector<std::uint8_t> m_page;
    Engine m_engine = Engine::Jet4;
    bool m_msisam = false;
    PageKey m_key{};
};

// The key of one page: the encoding key with the page number (least significant byte
// first) XOR-ed over it.
PageKey pageKey(const PageKey& encodingKey, std::uint32_t pageNumber);

constexpr std::size_t kEncodingKeyOffset = 0x3E;
constexpr std::size_t kPasswordOffset = 0x42;
constexpr std::size_t kCreationDateOffset = 0x72;
constexpr std::size_t kEncryptionProviderOffset = 0x299;

} // namespace quorvane::db::format::crypto

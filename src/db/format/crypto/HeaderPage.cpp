#include "HeaderPage.h"

#include "ByteReader.h"
#include "Rc4.h"

#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace quorvane::db::format::crypto {

namespace {

constexpr std::size_t kVersionOffset = 0x14;
constexpr std::size_t kJet3PageSize = 2048;
constexpr std::size_t kPageSize = 4096;
constexpr std::size_t kJet3PasswordBytes = 20;
constexpr std::size_t kJet4PasswordBytes = 40;

// The Jet 4 password is XOR-ed once more with the whole days of the creation date.
std::array<std::uint8_t, 4> creationDateMask(std::span<const std::uint8_t> page)
{
    double days = 0;
    std::memcpy(&days, page.data() + kCreationDateOffset, sizeof days);
    std::array<std::uint8_t, 4> mask{};
    // A damaged date must not reach an out-of-range conversion; it then masks nothing
    // and the stored password simply does not match.
    if (!std::isfinite(days) || days < std::numeric_limits<std::int32_t>::min() ||
        days > std::numeric_limits<std::int32_t>::max())
        return mask;
    const auto whole = static_cast<std::uint32_t>(static_cast<std::int32_t>(std::floor(days)));
    for (int i = 0; i < 4; ++i)
        mask[i] = static_cast<std::uint8_t>(whole >> (8 * i));
    return mask;
}

} // namespace

std::optional<HeaderPage> HeaderPage::read(std::span<const std::uint8_t> stored, DbError& error)
{
    if (stored.size() <= kVersionOffset) {
        error = DbError::damaged(QStringLiteral("the header page is cut short"), 0);
        return std::nullopt;
    }
    HeaderPage header;
    const std::uint8_t version = stored[kVersionOffset];
    header.m_engine = version == 0 ? Engine::Jet3 : version == 1 ? Engine::Jet4 : Engine::Ace;
    const std::size_t pageSize = header.m_engine == Engine::Jet3 ? kJet3PageSize : kPageSize;
    if (stored.size() < pageSize) {
        error = DbError::damaged(QStringLiteral("the header page is cut short"), 0);
        return std::nullopt;
    }
    header.m_page.assign(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(pageSize));
    toggleHeaderMask(header.m_page, header.m_engine == Engine::Jet3);
    static constexpr char kMsisam[] = "MSISAM Database";
    header.m_msisam = std::memcmp(header.m_page.data() + 4, kMsisam, sizeof kMsisam - 1) == 0;
    std::copy_n(header.m_page.begin() + kEncodingKeyOffset, 4, header.m_key.begin());
    return header;
}

QString HeaderPage::jetPassword() const
{
    if (m_engine == Engine::Jet3) {
        const auto* raw = reinterpret_cast<const char*>(m_page.data() + kPasswordOffset);
        const auto length = static_cast<qsizetype>(std::find(raw, raw + kJet3PasswordBytes, '\0') - raw);
        // Jet 3 keeps the password in the file's code page; Access writes windows-1252.
        QStringDecoder decoder("windows-1252");
        if (!decoder.isValid())
            return QString::fromLatin1(raw, length);
        return decoder(QByteArrayView(raw, length));
    }
    const auto mask = creationDateMask(m_page);
    QString password;
    for (std::size_t i = 0; i < kJet4PasswordBytes; i += 2) {
        const auto lo = static_cast<std::uint8_t>(m_page[kPasswordOffset + i] ^ mask[i % 4]);
        const auto hi = static_cast<std::uint8_t>(m_page[kPasswordOffset + i + 1] ^ mask[(i + 1) % 4]);
        const auto unit = static_cast<char16_t>(lo | (hi << 8));
        if (unit == 0)
            break;
        password.append(QChar(unit));
    }
    return password;
}

std::optional<std::span<const std::uint8_t>> HeaderPage::encryptionProvider() const
{
    if (m_page.size() <= kEncryptionProviderOffset)
        return std::nullopt;
    ByteReader reader(std::span<const std::uint8_t>(m_page).subspan(kEncryptionProviderOffset));
    const auto length = reader.u16();
    if (!length)
        return std::nullopt;
    return reader.bytes(*length);
}

PageKey pageKey(const PageKey& encodingKey, std::uint32_t pageNumber)
{
    PageKey key = encodingKey;
    for (int i = 0; i < 4; ++i)
        key[i] ^= static_cast<std::uint8_t>(pageNumber >> (8 * i));
    return key;
}

} // namespace quorvane::db::format::crypto

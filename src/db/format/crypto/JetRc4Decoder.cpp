#include "JetRc4Decoder.h"

#include "Rc4.h"

namespace quorvane::db::format::crypto {

void JetRc4Decoder::decodePage(std::uint32_t pageNumber, std::span<std::uint8_t> page) const
{
    const PageKey key = pageKey(m_encodingKey, pageNumber);
    Rc4(key).apply(page);
}

} // namespace quorvane::db::format::crypto

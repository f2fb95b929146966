#include "PageDecoder.h"

namespace quorvane::db::format {

std::unique_ptr<PageDecoder> makePageDecoder(std::span<const std::uint8_t>, const QString&, DbError& error)
{
    // Encrypted and encoded files are not recognised yet: pages are taken as stored.
    error = {};
    return nullptr;
}

} // namespace quorvane::db::format

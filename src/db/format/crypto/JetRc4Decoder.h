#pragma once

#include "PageKey.h"
#include "db/format/PageDecoder.h"

namespace quorvane::db::format::crypto {

// Jet's page "encoding" (Jet 3 and Jet 4 files made with Encrypt/Decrypt Database):
// every page is RC4 under its page key. The key is in the file, so it needs no password.
class JetRc4Decoder : public PageDecoder {
public:
    explicit JetRc4Decoder(const PageKey& encodingKey) : m_encodingKey(encodingKey) {}
    void decodePage(std::uint32_t pageNumber, std::span<std::uint8_t> page) const override;

private:
    PageKey m_encodingKey;
};

} // namespace quorvane::db::format::crypto

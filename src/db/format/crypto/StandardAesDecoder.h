#pragma once

#include "CryptoApiHeader.h"
#include "PageKey.h"
#include "db/DbError.h"
#include "db/format/PageDecoder.h"

#include <QByteArray>

#include <memory>

namespace quorvane::db::format::crypto {

// Office Standard encryption (CryptoAPI with AES, chosen in Access with a non-default
// encryption provider): the salted password is hashed with SHA-1 50,000 times once; each
// page's key is derived from that hash and the page key, and the page is AES-ECB under it.
class StandardAesDecoder : public PageDecoder {
public:
    // Answers nullptr with `error` set for a wrong password or an algorithm, hash or key
    // size that is not AES with SHA-1.
    static std::unique_ptr<PageDecoder> open(const CryptoApiHeader& header, const PageKey& encodingKey,
                                             QByteArrayView password, DbError& error);

    void decodePage(std::uint32_t pageNumber, std::span<std::uint8_t> page) const override;

private:
    StandardAesDecoder(QByteArray iteratedHash, int keyBytes, const PageKey& encodingKey);
    QByteArray blockKey(QByteArrayView block) const;

    QByteArray m_iteratedHash;
    int m_keyBytes;
    PageKey m_encodingKey;
};

} // namespace quorvane::db::format::crypto

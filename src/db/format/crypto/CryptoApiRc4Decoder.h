#pragma once

#include "CryptoApiHeader.h"
#include "PageKey.h"
#include "db/DbError.h"
#include "db/format/PageDecoder.h"

#include <QByteArray>

#include <memory>

namespace quorvane::db::format::crypto {

// Office RC4 CryptoAPI encryption (Access 2007 and "legacy" encryption of later
// versions): every page is RC4 under SHA-1(SHA-1(salt, password), page key), cut to the
// key size of the header; 40-bit keys are padded with zeros to 128 bits.
class CryptoApiRc4Decoder : public PageDecoder {
public:
    // Answers nullptr with `error` set for a wrong password or an unsupported algorithm.
    static std::unique_ptr<PageDecoder> open(const CryptoApiHeader& header, const PageKey& encodingKey,
                                             QByteArrayView password, DbError& error);

    void decodePage(std::uint32_t pageNumber, std::span<std::uint8_t> page) const override;

private:
    CryptoApiRc4Decoder(QByteArray baseHash, int keyBits, const PageKey& encodingKey);
    QByteArray blockKey(QByteArrayView block) const;

    QByteArray m_baseHash;
    int m_keyBits;
    PageKey m_encodingKey;
};

} // namespace quorvane::db::format::crypto

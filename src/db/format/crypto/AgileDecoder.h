#pragma once

#include "AgileDescriptor.h"
#include "PageKey.h"
#include "db/DbError.h"
#include "db/format/PageDecoder.h"

#include <QByteArray>

#include <memory>

namespace quorvane::db::format::crypto {

// Office Agile encryption (Access 2010 and later): the password, hashed spinCount
// times, unlocks an intermediate key; every page is AES-CBC under that key with an IV
// hashed from the keyData salt and the page key.
class AgileDecoder : public PageDecoder {
public:
    // `descriptorXml` is the XML after the reserved field. Answers nullptr with `error`
    // set for a wrong password, an unsupported cipher or hash, or a damaged descriptor.
    static std::unique_ptr<PageDecoder> open(QByteArrayView descriptorXml, const PageKey& encodingKey,
                                             QByteArrayView password, DbError& error);

    void decodePage(std::uint32_t pageNumber, std::span<std::uint8_t> page) const override;

private:
    AgileDecoder(AgileKeyParameters keyData, QByteArray key, const PageKey& encodingKey);

    AgileKeyParameters m_keyData;
    QByteArray m_key;
    PageKey m_encodingKey;
};

} // namespace quorvane::db::format::crypto

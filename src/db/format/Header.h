#pragma once

#include "JetLayout.h"
#include "crypto/PageKey.h"
#include "db/DbError.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>

namespace quorvane::db::format {

// What page 0 says about the database. The one place the header page is decoded: the
// reader takes the page size and text encoding from it, the page decoder the encoding
// key, the Jet password and the encryption provider information.
struct Header {
    JetVersion version = JetVersion::Jet4;
    std::uint32_t pageSize = 4096;
    std::uint16_t codePage = 0;   // Jet 3 text
    double creationDate = 0.0;
    QString password;             // Jet 3 / Jet 4 only: the stored database password
    crypto::PageKey encodingKey{};
    QByteArray page;              // the header page with the fixed mask removed

    // Pages after the header are encoded (Jet) or encrypted (ACE).
    bool isEncoded() const { return encodingKey != crypto::PageKey{}; }
    // The length-prefixed encryption provider information of an encrypted ACE file,
    // without its length; nothing when the length runs past the page.
    std::optional<std::span<const std::uint8_t>> encryptionProvider() const;
};

// Reads the header from page 0 as stored (at least the version's page size). Returns
// nothing and sets `error` (3343) when the bytes are not an Access database header or
// are shorter than its page.
std::optional<Header> readHeader(QByteArrayView page0, const QString& path, DbError& error);

// The integer part of an Access date as the Jet 4 password mask takes it: toward zero.
// Nothing for a date no 32-bit day count holds (NaN, infinities, damage).
std::optional<std::int32_t> wholeDays(double date);

} // namespace quorvane::db::format

#pragma once

#include "JetLayout.h"
#include "db/DbError.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace quorvane::db::format {

// What page 0 says about the database.
struct Header {
    JetVersion version = JetVersion::Jet4;
    std::uint32_t pageSize = 4096;
    std::uint16_t codePage = 0;   // Jet 3 text
    double creationDate = 0.0;
    QString password;             // Jet 3 / Jet 4 only: the stored database password
};

// XORs the RC4 keystream of `key` into `data` (the header mask uses a fixed key).
void rc4Apply(const std::uint8_t* key, std::size_t keyLength, std::uint8_t* data, std::size_t length);

// Reads the header from page 0 as stored (at least the version's page size). Returns
// nothing and sets `error` (3343) when the bytes are not an Access database header.
std::optional<Header> readHeader(const QByteArray& page0, const QString& path, DbError& error);

} // namespace quorvane::db::format

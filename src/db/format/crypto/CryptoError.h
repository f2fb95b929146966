#pragma once

#include "db/DbError.h"

namespace quorvane::db::format::crypto {

// A file whose encryption we recognise but do not read: names what it is.
DbError unsupportedEncryption(const QString& what);
// An encryption header that cannot be what Access wrote: says which part is wrong.
DbError damagedEncryptionHeader(const QString& what);

} // namespace quorvane::db::format::crypto

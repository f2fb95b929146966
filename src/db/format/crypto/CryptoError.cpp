#include "CryptoError.h"

namespace quorvane::db::format::crypto {

DbError unsupportedEncryption(const QString& what)
{
    return {errc::kUnrecognizedFormat,
            QStringLiteral("The database is encrypted with %1, which is not supported.").arg(what)};
}

DbError damagedEncryptionHeader(const QString& what)
{
    return DbError::damaged(QStringLiteral("the encryption header %1").arg(what), 0);
}

} // namespace quorvane::db::format::crypto

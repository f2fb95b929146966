#include "DbError.h"

namespace quorvane::db {

DbError DbError::fileNotFound(const QString& path)
{
    return {errc::kFileNotFound, QStringLiteral("Could not find file '%1'.").arg(path)};
}

DbError DbError::cannotOpenFile(const QString& path, const QString& reason)
{
    return {errc::kCannotOpenFile, QStringLiteral("Cannot open the file '%1': %2.").arg(path, reason)};
}

DbError DbError::unrecognizedFormat(const QString& path)
{
    return {errc::kUnrecognizedFormat, QStringLiteral("Unrecognized database format '%1'.").arg(path)};
}

DbError DbError::badPassword()
{
    return {errc::kBadPassword, QStringLiteral("Not a valid password.")};
}

DbError DbError::noSuchTable(const QString& name)
{
    return {errc::kNoSuchTable,
            QStringLiteral("The database engine cannot find the input table or query '%1'. Make sure it "
                           "exists and that its name is spelled correctly.")
                .arg(name)};
}

DbError DbError::providerNotFound()
{
    return {errc::kProviderNotFound, QStringLiteral("Provider cannot be found. It may not be properly installed.")};
}

DbError DbError::damaged(const QString& what, quint32 page)
{
    DbError e{errc::kDamaged, QStringLiteral("The database file is damaged: %1 (page %2).").arg(what).arg(page)};
    e.damage = what;
    e.page = page;
    return e;
}

void DbError::inTable(const QString& name)
{
    if (number != errc::kDamaged || !table.isEmpty() || damage.isEmpty() || name.isEmpty())
        return;
    table = name;
    description = QStringLiteral("The database file is damaged: %1 (table '%2', page %3).").arg(damage, name).arg(page);
}

DbException::DbException(DbError error) : report::RuntimeError(error.number, error.description), m_error(std::move(error)) {}

DbException::DbException(int number, QString description) : DbException(DbError{number, std::move(description)}) {}

} // namespace quorvane::db

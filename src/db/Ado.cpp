#include "Ado.h"

#include <algorithm>

namespace quorvane::db {

int Recordset::fieldIndex(const QString& name) const
{
    const int count = fieldCount();
    for (int i = 0; i < count; ++i) {
        if (fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    throw DbException(errc::kItemNotFound,
                      QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal."));
}

void Recordset::takeRow(std::vector<Value>& row)
{
    const int count = fieldCount();
    row.clear();
    row.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        row.push_back(fieldValue(i));
}

Field Recordset::field(int index) const
{
    if (index < 0 || index >= fieldCount())
        throw DbException(errc::kItemNotFound,
                          QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal."));
    return {fieldName(index), fieldValue(index)};
}

Field Recordset::field(const QString& name) const
{
    return field(fieldIndex(name));
}

FailingObjectFactory::FailingObjectFactory(int number, QString description)
    : m_error{number, std::move(description)}
{
}

std::unique_ptr<Connection> FailingObjectFactory::createConnection(const QString&)
{
    throw DbException(m_error);
}

std::unique_ptr<Recordset> FailingObjectFactory::createRecordset(const QString&)
{
    throw DbException(m_error);
}

DbError cannotCreateObject(const QString& progId)
{
    return {errc::kCannotCreateObject, QStringLiteral("ActiveX component can't create object: '%1'.").arg(progId)};
}

} // namespace quorvane::db

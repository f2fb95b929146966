#include "AccessObjectFactory.h"

#include "AccessConnection.h"
#include "AccessRecordset.h"


namespace quorvane::db {

std::unique_ptr<Connection> AccessObjectFactory::createConnection(const QString& progId)
{
    if (progId.compare(kConnectionProgId, Qt::CaseInsensitive) != 0)
        throw DbException(cannotCreateObject(progId));
    auto connection = std::make_unique<AccessConnection>();
    connection->setSalvage(m_salvage);
    return connection;
}

std::unique_ptr<Recordset> AccessObjectFactory::createRecordset(const QString& progId)
{
    if (progId.compare(kRecordSetProgId, Qt::CaseInsensitive) != 0)
        throw DbException(cannotCreateObject(progId));
    return std::make_unique<AccessRecordset>();
}

namespace {

std::shared_ptr<ObjectFactory>& currentFactory()
{
    static std::shared_ptr<ObjectFactory> factory = std::make_shared<AccessObjectFactory>();
    return factory;
}

} // namespace

ObjectFactory& objectFactory()
{
    return *currentFactory();
}

void setObjectFactory(std::shared_ptr<ObjectFactory> factory)
{
    currentFactory() = factory ? std::move(factory) : std::make_shared<AccessObjectFactory>();
}

} // namespace quorvane::db

#pragma once

#include "Ado.h"

namespace quorvane::db {

// Creates connections and record sets over our Access file reader.
class AccessObjectFactory : public ObjectFactory {
public:
    std::unique_ptr<Connection> createConnection(const QString& progId) override;
    std::unique_ptr<Recordset> createRecordset(const QString& progId) override;
};

} // namespace quorvane::db

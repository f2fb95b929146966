#pragma once

#include "Ado.h"

#include <memory>

namespace quorvane::db {

namespace format {
struct SalvageLog;
} // namespace format

// Creates connections and record sets over our Access file reader.
class AccessObjectFactory : public ObjectFactory {
public:
    std::unique_ptr<Connection> createConnection(const QString& progId) override;
    std::unique_ptr<Recordset> createRecordset(const QString& progId) override;
    // Connections made from now on read damaged files for what can be saved and note
    // each table that lost or may have lost rows in `log` (null: refuse damage).
    void setSalvage(std::shared_ptr<format::SalvageLog> log) { m_salvage = std::move(log); }

private:
    std::shared_ptr<format::SalvageLog> m_salvage;
};

} // namespace quorvane::db

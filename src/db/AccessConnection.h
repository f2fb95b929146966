#pragma once

#include "Ado.h"

#include <memory>

namespace quorvane::db {

namespace format {
class AccessDatabase;
struct SalvageLog;
}

// The connection over our own reader of Access files.
class AccessConnection : public Connection {
public:
    AccessConnection();
    ~AccessConnection() override;
    void setMode(int mode) override { m_mode = mode; }
    int mode() const override { return m_mode; }
    void open(const QString& connectionString) override;
    std::unique_ptr<Recordset> openSchema(std::int16_t schema) override;
    void close() override;
    int state() const override { return m_db ? kStateOpen : kStateClosed; }

    // The open database; throws 3704 when the connection is closed.
    std::shared_ptr<format::AccessDatabase> database() const;
    // Opens databases to salvage what a damaged file still holds, noting losses there.
    void setSalvage(std::shared_ptr<format::SalvageLog> log) { m_salvage = std::move(log); }

private:
    int m_mode = 0;
    std::shared_ptr<format::SalvageLog> m_salvage;
    std::shared_ptr<format::AccessDatabase> m_db;
};

// What OpenSchema(20) says a catalog object is: "TABLE", "SYSTEM TABLE", "ACCESS TABLE",
// "LINK", "PASS-THROUGH", "VIEW", or an empty string for objects it does not list.
QString schemaTableType(std::int16_t type, std::uint32_t flags, const QString& name);

// The table a query names: "SELECT * FROM `name`" (or [name], or a bare name), any case
// for the key words, a trailing ';' allowed. Returns false for anything else.
bool parseSelectAll(const QString& query, QString& table);

} // namespace quorvane::db

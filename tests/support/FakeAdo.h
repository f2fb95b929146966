#pragma once

// An in-memory stand-in for the data-access interface: tables with typed rows, and
// failures to inject where a test wants one. Tests install a FakeObjectFactory with
// db::setObjectFactory() or hand it to the code under test.

#include "db/Ado.h"
#include "db/ConnectionString.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace quorvane::fakes {

struct FakeTable {
    QString name;
    QStringList columns;
    std::vector<std::vector<db::Value>> rows;
    // The schema's TABLE_TYPE: "TABLE" for user tables; "SYSTEM TABLE", "ACCESS TABLE",
    // "LINK", "VIEW", ... for the rest.
    QString type = QStringLiteral("TABLE");
};

struct FakeDatabase {
    std::vector<FakeTable> tables;

    // Injected failures.
    std::optional<db::DbError> openError;            // Connection::open
    std::map<QString, db::DbError> queryErrors;      // Recordset::open, by table name
    // Recordset::fieldValue of (table, 0-based row, column) throws this.
    struct CellError {
        QString table;
        qint64 row = 0;
        int column = 0;
        db::DbError error;
    };
    std::vector<CellError> cellErrors;
    // Recordset::moveNext away from (table, 0-based row) throws this.
    struct MoveError {
        QString table;
        qint64 row = 0;
        db::DbError error;
    };
    std::vector<MoveError> moveErrors;
    // RecordCount reports this instead of the row count (e.g. more rows than there are).
    std::map<QString, qint64> recordCountOverride;

    // What happened.
    QStringList connectionStrings;  // every Connection::open
    QStringList queries;            // every Recordset::open
    int connectionMode = 0;

    FakeTable& add(QString name, QStringList columns, std::vector<std::vector<db::Value>> rows = {});
    const FakeTable* find(const QString& name) const; // without regard to case
};

class FakeConnection : public db::Connection {
public:
    explicit FakeConnection(std::shared_ptr<FakeDatabase> db) : m_db(std::move(db)) {}
    void setMode(int mode) override { m_mode = mode; }
    int mode() const override { return m_mode; }
    void open(const QString& connectionString) override;
    std::unique_ptr<db::Recordset> openSchema(std::int16_t schema) override;
    void close() override;
    int state() const override { return m_open ? db::kStateOpen : db::kStateClosed; }
    FakeDatabase& database() const { return *m_db; }

private:
    std::shared_ptr<FakeDatabase> m_db;
    int m_mode = 0;
    bool m_open = false;
};

class FakeRecordset : public db::Recordset {
public:
    FakeRecordset() = default;
    // A record set already open over fixed rows (the schema rows).
    FakeRecordset(QStringList columns, std::vector<std::vector<db::Value>> rows);

    void open(const QString& source, db::Connection& connection, std::int16_t cursorType,
              std::int16_t lockType) override;
    int state() const override { return m_open ? db::kStateOpen : db::kStateClosed; }
    void close() override;
    bool eof() const override;
    void moveNext() override;
    qint64 recordCount() const override;
    int fieldCount() const override;
    QString fieldName(int index) const override;
    const db::Value& fieldValue(int index) const override;

private:
    void requireOpen() const;

    bool m_open = false;
    QString m_table;
    QStringList m_columns;
    std::vector<std::vector<db::Value>> m_rows;
    qint64 m_position = 0;
    std::optional<qint64> m_countOverride;
    std::vector<FakeDatabase::CellError> m_cellErrors;
    std::vector<FakeDatabase::MoveError> m_moveErrors;
};

class FakeObjectFactory : public db::ObjectFactory {
public:
    explicit FakeObjectFactory(std::shared_ptr<FakeDatabase> db) : m_db(std::move(db)) {}
    std::unique_ptr<db::Connection> createConnection(const QString& progId) override;
    std::unique_ptr<db::Recordset> createRecordset(const QString& progId) override;
    FakeDatabase& database() const { return *m_db; }

private:
    std::shared_ptr<FakeDatabase> m_db;
};

// Fixed connection inputs (the main window's path and password boxes).
class FixedConnectionInputs : public db::ConnectionInputs {
public:
    FixedConnectionInputs(QString path = QStringLiteral("/data/test.mdb"), QString password = {})
        : m_path(std::move(path)), m_password(std::move(password)) {}
    QString databasePath() const override { return m_path; }
    QString databasePassword() const override { return m_password; }

private:
    QString m_path;
    QString m_password;
};

} // namespace quorvane::fakes

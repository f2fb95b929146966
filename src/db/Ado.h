#pragma once

// The data-access interface the program reads databases through: a connection and a
// record set with the members the program uses, created by programmatic identifier
// through a factory. Every member may throw DbException (number and description).

#include "DbError.h"
#include "Value.h"

#include <QString>

#include <memory>
#include <vector>

namespace quorvane::db {

constexpr std::int16_t kSchemaTables = 20;       // OpenSchema: the tables schema
constexpr std::int16_t kOpenStatic = 3;          // cursor type: static
constexpr std::int16_t kLockOptimistic = 3;      // lock type: optimistic
constexpr int kModeReadWrite = 3;
constexpr int kStateClosed = 0;
constexpr int kStateOpen = 1;

inline const QString kConnectionProgId = QStringLiteral("ADODB.Connection");
inline const QString kRecordSetProgId = QStringLiteral("ADODB.RecordSet");

class Recordset;

// A field of the current row: its column name and its value.
struct Field {
    QString name;
    Value value;
};

class Connection {
public:
    virtual ~Connection() = default;
    virtual void setMode(int mode) = 0;
    virtual int mode() const = 0;
    // Opens the database the connection string names (provider, data source, password).
    virtual void open(const QString& connectionString) = 0;
    // One row per catalog object with "TABLE_NAME" and "TABLE_TYPE"; only 20 is known.
    virtual std::unique_ptr<Recordset> openSchema(std::int16_t schema) = 0;
    virtual void close() = 0;
    virtual int state() const = 0;
};

// Reads one part of a table's rows; each thread that shares the work has its own.
class RowPartReader {
public:
    virtual ~RowPartReader() = default;
    // Starts on part `index` (RowParts::count()).
    virtual void start(std::size_t index) = 0;
    // The part's next row, every value of it, into `row` (whose storage is reused);
    // false after its last. A row that cannot be read throws DbException.
    virtual bool next(std::vector<Value>& row) = 0;
};

// A record set's rows in parts that several threads read at once: the parts one after
// the other are the rows from the first record, in the record set's order, and
// part i holds rows(i) of them.
class RowParts {
public:
    virtual ~RowParts() = default;
    virtual std::size_t count() const = 0;
    virtual qint64 rows(std::size_t index) const = 0;
    // A reader for one more thread (made on this one); throws DbException when none
    // can be had.
    virtual std::unique_ptr<RowPartReader> reader() const = 0;
};

class Recordset {
public:
    virtual ~Recordset() = default;
    // Runs `source` ("SELECT * FROM `name`") on an open connection; positioned on the first row.
    virtual void open(const QString& source, Connection& connection, std::int16_t cursorType = kOpenStatic,
                      std::int16_t lockType = kLockOptimistic) = 0;
    virtual int state() const = 0;
    virtual void close() = 0;
    virtual bool eof() const = 0;
    virtual void moveNext() = 0;
    // The exact number of rows.
    virtual qint64 recordCount() const = 0;
    virtual int fieldCount() const = 0;
    virtual QString fieldName(int index) const = 0;
    // The stored type of column `index`, when the provider knows it.
    virtual ColumnType fieldType(int /*index*/) const { return ColumnType::Unknown; }
    // The value of column `index` in the current row.
    virtual const Value& fieldValue(int index) const = 0;
    // Every value of the current row moved into `row`, whose old values may be taken in
    // exchange as storage to reuse: cheaper than copying a row field by field. Until
    // moveNext() the record set's own values are then unspecified. When a value cannot
    // be read, `row` holds those before it and the error is thrown.
    virtual void takeRow(std::vector<Value>& row);
    // The rows from the first, in parts for other threads to read, when the record set
    // can give them so (a table read from a file that is not being salvaged); null
    // otherwise. They stay readable while the record set is open.
    virtual std::unique_ptr<RowParts> rowParts() const { return nullptr; }

    // Column by name, without regard to case; error 3265 when there is none.
    int fieldIndex(const QString& name) const;
    Field field(int index) const;
    Field field(const QString& name) const;
    const Value& value(const QString& name) const { return fieldValue(fieldIndex(name)); }
};

// Creates the data-access objects by programmatic identifier ("ADODB.Connection",
// "ADODB.RecordSet", compared without regard to case). Creation failure throws.
class ObjectFactory {
public:
    virtual ~ObjectFactory() = default;
    virtual std::unique_ptr<Connection> createConnection(const QString& progId = kConnectionProgId) = 0;
    virtual std::unique_ptr<Recordset> createRecordset(const QString& progId = kRecordSetProgId) = 0;
};

// Always fails with the chosen error: lets tests stand in for a missing component.
class FailingObjectFactory : public ObjectFactory {
public:
    FailingObjectFactory(int number, QString description);
    std::unique_ptr<Connection> createConnection(const QString& progId) override;
    std::unique_ptr<Recordset> createRecordset(const QString& progId) override;

private:
    DbError m_error;
};

// The program-wide factory (our Access file reader unless replaced, e.g. by a test).
ObjectFactory& objectFactory();
void setObjectFactory(std::shared_ptr<ObjectFactory> factory); // nullptr restores the reader

// The error for an identifier no factory knows.
DbError cannotCreateObject(const QString& progId);

} // namespace quorvane::db

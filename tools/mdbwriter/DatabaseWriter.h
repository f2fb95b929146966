#pragma once

#include "Column.h"
#include "FileFormat.h"
#include "TableData.h"

#include "db/Value.h"

#include <QString>

#include <memory>
#include <span>
#include <vector>

namespace quorvane::mdbwriter {

struct DatabaseOptions {
    Version version = Version::Jet4;
    // Jet 3 keeps its text in this code page (single-byte ones only); later versions
    // name it in the header alone.
    std::uint16_t codePage = 1252;
    // When the database was made, as Access keeps it (days since 1899-12-30). Fixed by
    // default so that the same content always gives the same bytes.
    double creationDate = 45292.5; // 2024-01-01 12:00
    // The database password (up to 20 characters; Jet 3 and Jet 4 only, an ACE
    // password means encryption). It only gates opening: the pages stay plain.
    QString password;
    // Every table's usage maps on map pages of their own, however few pages it has.
    bool referenceUsageMaps = false;
    // Every n-th row of each table (0: none) as Access leaves a row that outgrew its
    // page when edited: moved to another page, a pointer in its place, a deleted copy.
    int editedRowsEvery = 0;
    // Jet 3 and Jet 4: the key of Access's page encoding (Encrypt Database), 0 for plain
    // pages. Every page but the header is RC4 under this key with its number XOR-ed in.
    std::uint32_t encodingKey = 0;
};

// Writes a database of Access 97 (Jet 3), Access 2000-2003 (Jet 4) or Access 2010
// (ACE, .accdb) that Access-file readers open as they open one of Access's own: the header page, the system catalog with its
// system tables, and the tables given, one at a time, row by row. Tables have no
// indexes. Every call returns false after a failure and errorString() says why; the
// file appears only when close() succeeds.
//
//     DatabaseWriter db;
//     db.open(path);
//     db.beginTable("Customers", {Column::longInt("ID"), Column::text("Name", 50)});
//     db.addRow({Value::longInt(1), Value::text("Zoë")});
//     db.endTable();
//     db.close();
class DatabaseWriter {
public:
    DatabaseWriter();
    ~DatabaseWriter();
    DatabaseWriter(const DatabaseWriter&) = delete;
    DatabaseWriter& operator=(const DatabaseWriter&) = delete;

    bool open(const QString& path, const DatabaseOptions& options = {});
    // Table names: 1 to 64 characters, any letters and blanks, unique without regard to case.
    bool beginTable(const QString& name, std::vector<Column> columns);
    bool addRow(std::span<const db::Value> values);
    bool addRow(std::initializer_list<db::Value> values) { return addRow(std::span(values.begin(), values.size())); }
    // One item of the attachment or multi-valued column `column` of the open table, for
    // the rows whose value there is Value::complex({key, ...}): a row of the column's
    // type table (the value alone; for an attachment hiddentables::attachment()).
    bool addComplexItem(const QString& column, std::int32_t key, std::span<const db::Value> values);
    bool endTable();
    // Ends an open table, writes the catalog and the header and puts the file in place.
    bool close();

    // A database of these tables in one call, for fixtures.
    static bool writeTables(const QString& path, const std::vector<TableData>& tables, QString& error,
                            const DatabaseOptions& options = {});

    // `table` as a file of `options` can hold it, for fixtures made from Unicode text:
    // in Jet 3, characters the code page lacks become '?' (what Access 97 stores for
    // them as well). Later versions hold every table as it is.
    static TableData storable(TableData table, const DatabaseOptions& options);

    const QString& errorString() const { return m_error; }

private:
    struct Impl;
    bool fail(QString message);
    std::unique_ptr<Impl> d;
    QString m_error;
};

} // namespace quorvane::mdbwriter

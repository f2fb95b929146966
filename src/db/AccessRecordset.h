#pragma once

#include "Ado.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace quorvane::db {

namespace format {
class AccessDatabase;
class ComplexColumns;
class TableCursor;
} // namespace format

// A static, read-only record set: either rows held in memory (a schema), or a table
// streamed row by row from the file. RecordCount is exact from the start: the rows are
// counted from the pages' row tables when the record set opens.
class AccessRecordset : public Recordset {
public:
    AccessRecordset();
    ~AccessRecordset() override;

    void open(const QString& source, Connection& connection, std::int16_t cursorType,
              std::int16_t lockType) override;
    int state() const override { return m_open ? kStateOpen : kStateClosed; }
    void close() override;
    bool eof() const override;
    void moveNext() override;
    qint64 recordCount() const override;
    int fieldCount() const override;
    QString fieldName(int index) const override;
    ColumnType fieldType(int index) const override;
    const Value& fieldValue(int index) const override;
    // Swaps the row in: the next row is decoded into the storage handed over.
    void takeRow(std::vector<Value>& row) override;
    std::unique_ptr<RowParts> rowParts() const override;

    // Opens on rows held in memory (used for schemas).
    void openRows(std::vector<QString> names, std::vector<std::vector<Value>> rows);

private:
    void requireOpen() const;
    void fetch();

    bool m_open = false;
    bool m_eof = true;
    qint64 m_count = 0;
    std::vector<QString> m_names;
    std::vector<ColumnType> m_types;
    std::vector<Value> m_current;

    // Memory mode.
    std::vector<std::vector<Value>> m_rows;
    std::size_t m_rowIndex = 0;
    // Table mode.
    std::shared_ptr<format::AccessDatabase> m_db;
    std::unique_ptr<format::TableCursor> m_cursor;
    std::shared_ptr<const format::ComplexColumns> m_complex; // display texts of complex values
    std::uint32_t m_tdefPage = 0;
    QString m_table;
    std::vector<std::uint32_t> m_pages;    // the table's data pages in scan order (not when salvaging)
    std::vector<std::uint32_t> m_pageRows; // and the rows each holds
};

} // namespace quorvane::db

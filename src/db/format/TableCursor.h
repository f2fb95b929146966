#pragma once

#include "TableDef.h"
#include "UsageMap.h"
#include "db/Value.h"

#include <vector>

namespace quorvane::db::format {

class AccessDatabase;

// Streams the rows of one table in the order of a plain table scan: owned data pages
// in page order, rows in the order of their offset table. Deleted rows are skipped;
// a moved row is read where its pointer stands.
class TableCursor {
public:
    TableCursor(AccessDatabase& db, TableDef def);
    bool init(DbError& error);

    const TableDef& definition() const { return m_def; }
    const std::vector<ColumnDef>& columns() const { return m_def.columns; }

    // Fills `values` (one per column) with the next row. False at the end, or with
    // `error` set when the file is damaged.
    bool next(std::vector<Value>& values, DbError& error);
    void rewind();
    // Decodes only the columns flagged here; the others read as Null. All when empty.
    void setWantedColumns(std::vector<bool> wanted) { m_wanted = std::move(wanted); }
    // The number of rows a full scan returns, counted from the row offset tables
    // without decoding any value. Does not move the cursor.
    bool countRows(qint64& count, DbError& error);

private:
    bool nextRowLocation(const Page*& page, std::uint32_t& start, std::uint32_t& end, DbError& error);
    bool followOverflow(const Page& from, std::uint32_t start, std::uint32_t end, Page& page, std::uint32_t& rowStart,
                        std::uint32_t& rowEnd, DbError& error);
    bool decodeRow(const Page& page, std::uint32_t start, std::uint32_t end, std::vector<Value>& values,
                   DbError& error);
    bool decodeValue(const ColumnDef& column, ByteView data, std::uint32_t page, Value& out, DbError& error);
    // The bytes of a memo or OLE value; valid until the next long value is read.
    bool readLongValue(ByteView header, std::uint32_t page, ByteView& out, DbError& error);
    bool isOwnDataPage(const Page& page) const;

    AccessDatabase& m_db;
    const JetLayout& m_layout;
    TableDef m_def;
    UsageMap m_map;

    Page m_page;               // the data page being scanned
    Page m_movedPage;          // where the last moved row was found
    bool m_havePage = false;
    std::uint32_t m_rowCount = 0;
    std::uint32_t m_row = 0;

    std::vector<bool> m_wanted;
    std::vector<std::uint32_t> m_varOffsets; // reused from row to row
    Page m_longValuePage;                    // holds a long value read in place
    QByteArray m_longValueBuffer;            // gathers a long value spread over pages
};

} // namespace quorvane::db::format

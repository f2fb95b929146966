#pragma once

#include "TableDef.h"
#include "UsageMap.h"
#include "db/Value.h"

#include <QStringList>

#include <vector>

namespace quorvane::db::format {

class AccessDatabase;

// Streams the rows of one table in the order of a plain table scan: owned data pages
// in page order, rows in the order of their offset table. Deleted rows are skipped;
// a moved row is read where its pointer stands.
//
// Any sign of damage ends the read with an error naming the table and the page. When
// the database is opened to salvage, damage is noted instead and the read goes on
// with the next readable row; a map of the table's pages that cannot be read is
// replaced by a scan of the file for the data pages the table owns.
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
    void setWantedColumns(std::vector<bool> wanted)
    {
        m_wanted = std::move(wanted);
        planColumns();
    }
    // A data page of the table and the rows a scan reads from it.
    struct DataPage {
        std::uint32_t number = 0;
        std::uint32_t rows = 0;
    };
    // The number of rows a full scan returns, counted from the row offset tables
    // without decoding any value (when salvaging, by a full read). Does not move the
    // cursor. With `pages` (not when salvaging), also the data pages in scan order.
    bool countRows(qint64& count, DbError& error, std::vector<DataPage>* pages = nullptr);
    // For a count shared between threads, each with a cursor of its own: the data pages
    // the table's map lists, in its order (false when the map cannot be read that way:
    // countRows() then meets what is wrong where its walk meets it), and the count over
    // a stretch of them, as countRows() counts, with the same failures.
    bool mapPages(std::vector<std::uint32_t>& pages);
    bool countPages(std::vector<std::uint32_t> pages, qint64& count, DbError& error, std::vector<DataPage>* out);
    // From the start again, reading only the data pages listed (numbers countRows()
    // gave, in its order): one stretch of the table, for a reader that shares the work.
    void walkPages(std::vector<std::uint32_t> pages);
    // Salvaging: adds a line for the table to the database's salvage log when damage
    // was met (`label` names the table, `recovered` counts its readable `unit`s).
    void noteSalvage(const QString& label, qint64 recovered, const QString& unit = QStringLiteral("rows")) const;

private:
    // Where the walk over the table's data pages stands.
    struct PageWalk {
        UsageMap map;
        bool mapLost = false;       // the map cannot be read at all
        bool scanning = false;      // the map failed: every page of the file is looked at
        std::uint32_t scanNext = 1;
        std::vector<bool> seen;     // pages the map produced, not produced again by a scan
        std::uint32_t present = 0;  // bytes of the current page the file holds (less when cut short)
        // Counting: only the head of each page is read while its row table fits there.
        std::vector<std::uint8_t>* head = nullptr;
        bool listedOnly = false;    // the pages come from `listed`, not from the map
        std::vector<std::uint32_t> listed;
        std::size_t listedNext = 0;
    };
    bool nextDataPage(PageWalk& walk, Page& page, std::uint32_t& rowCount, DbError& error);
    bool readMapPage(PageWalk& walk, std::uint32_t number, Page& page, DbError& error);
    bool countWalk(PageWalk walk, qint64& count, DbError& error, std::vector<DataPage>* pages);
    bool nextRowLocation(const Page*& page, std::uint32_t& start, std::uint32_t& end, DbError& error);
    // Salvaging, after the last page: a moved row whose pointer was on a lost page.
    bool nextOrphan(const Page*& page, std::uint32_t& start, std::uint32_t& end, DbError& error);
    // Damage met: false with the table named in `error`, or (salvaging) noted, `error`
    // cleared and true, to read on.
    bool readPast(DbError& error);
    bool followOverflow(const Page& from, std::uint32_t start, std::uint32_t end, Page& page, std::uint32_t& rowStart,
                        std::uint32_t& rowEnd, DbError& error);
    // How a row gives each column's value, worked out once per table rather than from
    // the column's definition for every row.
    struct ColumnPlan {
        // Where the value comes from: not wanted, the null mask (Yes/No), a fixed
        // number read straight from its bytes (one kind each), other fixed bytes, or the
        // variable part of the row (a plain Text column's decoded there and then). One
        // choice per column, so a row takes one jump each.
        enum class Source : std::uint8_t {
            Skipped, MaskBit,
            Byte, Integer, Long, BigInt, Money, Float, Double, DateTime,
            Fixed, Variable, Text
        };
        Source source = Source::Skipped;
        std::uint8_t maskFlag = 0;   // the column's bit in its byte of the null mask
        std::uint16_t maskBit = 0;   // the column's bit in the null mask
        std::uint16_t maskByte = 0;  // that byte
        std::uint16_t varIndex = 0;
        std::uint32_t start = 0;     // fixed: the value's first byte in the row
        std::uint32_t end = 0;       // fixed: one past its last byte
    };
    void planColumns();
    bool decodeRow(const Page& page, std::uint32_t start, std::uint32_t end, std::vector<Value>& values,
                   DbError& error);
    bool decodeValue(const ColumnDef& column, const ByteView& data, std::uint32_t page, Value& out, DbError& error);
    // The bytes of a memo or OLE value; valid until the next long value is read.
    bool readLongValue(ByteView header, std::uint32_t page, ByteView& out, DbError& error);
    bool chainRevisits(DbError& error);
    bool isOwnDataPage(const Page& page) const;

    AccessDatabase& m_db;
    const JetLayout& m_layout;
    TableDef m_def;
    const bool m_salvage;
    PageWalk m_walk;
    QStringList m_damage;      // salvaging: what was read past

    Page m_page;               // the data page being scanned
    Page m_movedPage;          // where the last moved row was found
    bool m_havePage = false;
    std::uint32_t m_rowCount = 0;
    std::uint32_t m_row = 0;

    // Salvaging: rows flagged as moved here (as rowKey numbers), and those a pointer
    // reached; the ones no pointer reached are read at the end of a damaged table.
    std::vector<std::uint64_t> m_movedHere;
    std::vector<std::uint64_t> m_movedReached;
    std::size_t m_orphanNext = 0;
    bool m_orphansReady = false;

    std::vector<bool> m_wanted;
    std::vector<ColumnPlan> m_plan;          // one per column
    std::uint32_t m_planMaskBits = 0;        // a row with this many columns has a bit for each
    std::uint32_t m_planFixedEnd = 0;        // and with this many fixed bytes, every fixed value
    std::vector<std::uint32_t> m_varOffsets; // reused from row to row
    Page m_longValuePage;                    // holds a long value read in place
    QByteArray m_longValueBuffer;            // gathers a long value spread over pages
    std::vector<std::uint32_t> m_chainSeen;  // rows a long value's chain has visited
};

} // namespace quorvane::db::format

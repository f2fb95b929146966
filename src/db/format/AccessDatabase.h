#pragma once

#include "Header.h"
#include "JetLayout.h"
#include "Pager.h"
#include "TableDef.h"
#include "TextCodec.h"
#include "db/DbError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace quorvane::db::format {

class TableCursor;

// One object of the catalog (MSysObjects).
struct CatalogEntry {
    QString name;
    std::int32_t id = 0;
    std::int32_t parentId = 0;
    std::int16_t type = 0;       // 1 local table, 4 ODBC link, 5 query, 6 Access link, ...
    std::uint32_t flags = 0;
    std::uint32_t tdefPage() const { return static_cast<std::uint32_t>(id) & 0x00FFFFFFu; }
};

namespace objtype {
constexpr std::int16_t kTable = 1;
constexpr std::int16_t kContainer = 3;
constexpr std::int16_t kOdbcLink = 4;
constexpr std::int16_t kQuery = 5;
constexpr std::int16_t kAccessLink = 6;
} // namespace objtype

// Set when a damaged file is read for whatever can be saved rather than refused: one
// line per table (or for the catalog) that lost or may have lost rows.
struct SalvageLog {
    QStringList lines;
    void add(const QString& line)
    {
        if (!lines.contains(line))
            lines.append(line);
    }
};

// An open Access database file: the header, the catalog, and table cursors that read
// pages on demand. Opening checks the database password (Jet 3 / Jet 4) before
// anything else is read.
class AccessDatabase {
public:
    // With `salvage`, damage is noted there and read past instead of failing the read.
    static std::unique_ptr<AccessDatabase> open(const QString& path, const QString& password, DbError& error,
                                                std::shared_ptr<SalvageLog> salvage = nullptr);
    // The same from bytes in memory (`label` names it in error texts).
    static std::unique_ptr<AccessDatabase> openBytes(QByteArray bytes, const QString& password, DbError& error,
                                                      const QString& label = QStringLiteral("(memory)"),
                                                      std::shared_ptr<SalvageLog> salvage = nullptr);
    ~AccessDatabase();

    // The same open database for another thread: the header, catalog and salvage log as
    // here, the file and its decoder shared, a page cache and text decoder of its own.
    std::unique_ptr<AccessDatabase> reader() const;

    const Header& header() const { return m_header; }
    const JetLayout& layout() const { return m_layout; }
    const TextCodec& codec() const { return m_codec; }
    Pager& pager() { return *m_pager; }
    const std::vector<CatalogEntry>& catalog() const { return m_catalog; }
    SalvageLog* salvage() const { return m_salvage.get(); }

    // The catalog object of a local table by name (without regard to case), or nullptr.
    const CatalogEntry* findTable(const QString& name) const;
    // A cursor over the rows of the table whose definition starts at `tdefPage`; `name`
    // is how errors call it.
    std::unique_ptr<TableCursor> openTable(std::uint32_t tdefPage, DbError& error, const QString& name = {});

private:
    AccessDatabase(std::unique_ptr<Pager> pager, const Header& header);
    static std::unique_ptr<AccessDatabase> openPager(std::unique_ptr<Pager> pager, const QString& label,
                                                     const QString& password, DbError& error,
                                                     std::shared_ptr<SalvageLog> salvage);
    bool readCatalog(DbError& error);

    std::unique_ptr<Pager> m_pager;
    Header m_header;
    JetLayout m_layout;
    TextCodec m_codec;
    std::vector<CatalogEntry> m_catalog;
    std::shared_ptr<SalvageLog> m_salvage;
};

// The column of a system table by name (without regard to case), or -1.
int columnIndex(const std::vector<ColumnDef>& columns, const char* name);
// An integer column's value of any width; 0 for anything else.
std::int64_t integerOf(const Value& v);

// Opens every local table of the database and reads every row: the whole surface a
// damaged file can reach. Returns the first error, or none.
DbError readEveryTable(AccessDatabase& db);

} // namespace quorvane::db::format

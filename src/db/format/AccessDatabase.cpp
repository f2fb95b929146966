#include "AccessDatabase.h"

#include "TableCursor.h"

namespace quorvane::db::format {

namespace {

constexpr std::uint32_t kCatalogPage = 2; // the definition of MSysObjects
constexpr std::size_t kCatalogLimit = 1'000'000;

} // namespace

int columnIndex(const std::vector<ColumnDef>& columns, const char* name)
{
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

std::int64_t integerOf(const Value& v)
{
    switch (v.kind()) {
    case ValueKind::Byte: return v.asByte();
    case ValueKind::Integer: return v.asInteger();
    case ValueKind::Long: return v.asLong();
    case ValueKind::BigInt: return v.asBigInt();
    default: return 0;
    }
}

AccessDatabase::AccessDatabase(std::unique_ptr<Pager> pager, const Header& header)
    : m_pager(std::move(pager)), m_header(header), m_layout(JetLayout::forVersion(header.version)),
      m_codec(header.version, header.codePage)
{
}

AccessDatabase::~AccessDatabase() = default;

std::unique_ptr<AccessDatabase> AccessDatabase::reader() const
{
    std::unique_ptr<AccessDatabase> db(new AccessDatabase(m_pager->reader(), m_header));
    db->m_catalog = m_catalog;
    db->m_salvage = m_salvage;
    return db;
}

std::unique_ptr<AccessDatabase> AccessDatabase::open(const QString& path, const QString& password, DbError& error,
                                                     std::shared_ptr<SalvageLog> salvage)
{
    error = {};
    auto pager = Pager::openFile(path, error);
    if (!pager)
        return nullptr;
    return openPager(std::move(pager), path, password, error, std::move(salvage));
}

std::unique_ptr<AccessDatabase> AccessDatabase::openBytes(QByteArray bytes, const QString& password, DbError& error,
                                                          const QString& label, std::shared_ptr<SalvageLog> salvage)
{
    error = {};
    return openPager(Pager::fromBytes(std::move(bytes)), label, password, error, std::move(salvage));
}

std::unique_ptr<AccessDatabase> AccessDatabase::openPager(std::unique_ptr<Pager> pager, const QString& label,
                                                          const QString& password, DbError& error,
                                                          std::shared_ptr<SalvageLog> salvage)
{
    const QByteArray first = pager->leadingBytes(4096);
    auto header = readHeader(first, label, error);
    if (!header)
        return nullptr;
    pager->setPageSize(header->pageSize);
    if (pager->pageCount() < 3) {
        error = DbError::unrecognizedFormat(label);
        return nullptr;
    }
    // Every file the engines write is a whole number of pages: a part page at the end
    // is what is left of a file cut short, and whatever stood behind it is lost.
    if (pager->fileSize() % header->pageSize != 0 && !salvage) {
        error = DbError::damaged(QStringLiteral("the file's length is not a whole number of pages"),
                                 pager->pageCount());
        return nullptr;
    }
    auto decoder = makePageDecoder(*header, password, error);
    if (error.isError())
        return nullptr;
    pager->setDecoder(std::move(decoder));

    std::unique_ptr<AccessDatabase> db(new AccessDatabase(std::move(pager), *header));
    db->m_salvage = std::move(salvage);
    if (!db->readCatalog(error))
        return nullptr;
    return db;
}

bool AccessDatabase::readCatalog(DbError& error)
{
    TableDef def;
    if (!readTableDef(*m_pager, m_layout, m_codec, kCatalogPage, def, error, m_salvage != nullptr))
        return false;
    const int idCol = columnIndex(def.columns, "Id");
    const int parentCol = columnIndex(def.columns, "ParentId");
    const int nameCol = columnIndex(def.columns, "Name");
    const int typeCol = columnIndex(def.columns, "Type");
    const int flagsCol = columnIndex(def.columns, "Flags");
    if (idCol < 0 || nameCol < 0 || typeCol < 0) {
        error = DbError::damaged(QStringLiteral("the catalog lacks its columns"), kCatalogPage);
        return false;
    }
    def.name = QStringLiteral("MSysObjects");
    // Only the columns kept here are decoded: the catalog's long values (properties,
    // access rights) play no part in finding the tables.
    std::vector<bool> wanted(def.columns.size(), false);
    for (const int col : {idCol, parentCol, nameCol, typeCol, flagsCol}) {
        if (col >= 0)
            wanted[static_cast<std::size_t>(col)] = true;
    }
    TableCursor cursor(*this, std::move(def));
    cursor.setWantedColumns(std::move(wanted));
    if (!cursor.init(error))
        return false;
    std::vector<Value> row;
    while (cursor.next(row, error)) {
        if (m_catalog.size() >= kCatalogLimit) {
            error = DbError::damaged(QStringLiteral("the catalog holds too many objects"), kCatalogPage);
            return false;
        }
        CatalogEntry e;
        e.id = static_cast<std::int32_t>(integerOf(row[idCol]));
        if (parentCol >= 0)
            e.parentId = static_cast<std::int32_t>(integerOf(row[parentCol]));
        if (row[nameCol].kind() == ValueKind::Text)
            e.name = row[nameCol].asText();
        e.type = static_cast<std::int16_t>(integerOf(row[typeCol]));
        if (flagsCol >= 0)
            e.flags = static_cast<std::uint32_t>(integerOf(row[flagsCol]));
        m_catalog.push_back(std::move(e));
    }
    if (!error.isError() && m_salvage)
        cursor.noteSalvage(QStringLiteral("the catalog (MSysObjects)"), static_cast<qint64>(m_catalog.size()),
                           QStringLiteral("objects"));
    return !error.isError();
}

const CatalogEntry* AccessDatabase::findTable(const QString& name) const
{
    for (const auto& e : m_catalog) {
        if (e.type == objtype::kTable && e.name.compare(name, Qt::CaseInsensitive) == 0)
            return &e;
    }
    return nullptr;
}

std::unique_ptr<TableCursor> AccessDatabase::openTable(std::uint32_t tdefPage, DbError& error, const QString& name)
{
    TableDef def;
    if (!readTableDef(*m_pager, m_layout, m_codec, tdefPage, def, error, m_salvage != nullptr)) {
        error.inTable(name);
        return nullptr;
    }
    def.name = name;
    auto cursor = std::make_unique<TableCursor>(*this, std::move(def));
    if (!cursor->init(error))
        return nullptr;
    return cursor;
}

DbError readEveryTable(AccessDatabase& db)
{
    DbError error;
    std::vector<Value> row;
    for (const auto& e : db.catalog()) {
        if (e.type != objtype::kTable)
            continue;
        auto cursor = db.openTable(e.tdefPage(), error, e.name);
        if (!cursor)
            return error;
        while (cursor->next(row, error)) {
        }
        if (error.isError())
            return error;
    }
    return error;
}

} // namespace quorvane::db::format

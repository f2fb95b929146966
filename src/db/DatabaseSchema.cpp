#include "DatabaseSchema.h"

#include "AccessConnection.h"
#include "format/AccessDatabase.h"
#include "format/TableCursor.h"

#include <QHash>

#include <algorithm>
#include <cstring>
#include <map>

namespace quorvane::db {

namespace {

using format::AccessDatabase;
using format::ByteView;
using format::TableCursor;
using format::columnIndex;
using format::integerOf;

constexpr std::uint32_t kCatalogPage = 2;
// DAO's relation attributes as MSysRelationships keeps them in grbit.
constexpr std::int64_t kRelationDontEnforce = 0x2;
constexpr std::int64_t kRelationUpdateCascade = 0x100;
constexpr std::int64_t kRelationDeleteCascade = 0x1000;
constexpr std::size_t kMaxRelationRows = 100'000;
constexpr int kMaxPropertyEntries = 100'000;

QString textOf(const std::vector<Value>& row, int column)
{
    return column >= 0 && row[column].kind() == ValueKind::Text ? row[column].asText() : QString();
}

// The columns a table's stored properties (MSysObjects.LvProp) mark Required. The
// properties are a list of names, then one block per column: the column's name and
// entries (length, flags, type, name number, data size, data). What does not parse is
// left out: Required is then simply not known.
QStringList requiredColumns(const QByteArray& props, const format::TextCodec& codec)
{
    QStringList out;
    const ByteView all(reinterpret_cast<const std::uint8_t*>(props.constData()), static_cast<std::size_t>(props.size()));
    if (!all.has(0, 4) || (std::memcmp(all.data(), "MR2", 4) != 0 && std::memcmp(all.data(), "KKD", 4) != 0))
        return out;
    std::vector<QString> names;
    std::size_t pos = 4;
    int entries = 0;
    while (all.has(pos, 6)) {
        const std::uint32_t chunkLength = all.u32(pos);
        const std::uint16_t chunkType = all.u16(pos + 4);
        if (chunkLength < 6 || !all.has(pos, chunkLength))
            break;
        const ByteView chunk = all.sub(pos + 6, chunkLength - 6);
        if (chunkType == 0x80) {
            names.clear();
            for (std::size_t p = 0; chunk.has(p, 2) && ++entries < kMaxPropertyEntries;) {
                const std::uint16_t length = chunk.u16(p);
                names.push_back(codec.decode(chunk.sub(p + 2, length)));
                p += 2 + std::size_t(length);
            }
        } else if (chunkType <= 0x02) {
            const std::uint16_t nameLength = chunk.u16(4);
            const QString block = codec.decode(chunk.sub(6, nameLength));
            for (std::size_t p = 6 + std::size_t(nameLength); chunk.has(p, 8) && ++entries < kMaxPropertyEntries;) {
                const std::uint16_t length = chunk.u16(p);
                const std::uint8_t type = chunk.u8(p + 3);
                const std::uint16_t name = chunk.u16(p + 4);
                const std::uint16_t size = chunk.u16(p + 6);
                if (length < 8)
                    break;
                if (type == 0x01 && size >= 1 && name < names.size() && chunk.has(p + 8, 1)
                    && names[name].compare(QLatin1String("Required"), Qt::CaseInsensitive) == 0
                    && chunk.u8(p + 8) != 0 && !block.isEmpty())
                    out.append(block);
                p += length;
            }
        }
        pos += chunkLength;
    }
    return out;
}

// MSysObjects.LvProp of every object in `ids`.
bool readProperties(AccessDatabase& db, const QHash<std::int32_t, int>& ids, std::vector<QByteArray>& out,
                    DbError& error)
{
    auto cursor = db.openTable(kCatalogPage, error);
    if (!cursor)
        return false;
    const int idColumn = columnIndex(cursor->columns(), "Id");
    const int propColumn = columnIndex(cursor->columns(), "LvProp");
    if (idColumn < 0 || propColumn < 0)
        return true;
    std::vector<bool> wanted(cursor->columns().size(), false);
    wanted[static_cast<std::size_t>(idColumn)] = wanted[static_cast<std::size_t>(propColumn)] = true;
    cursor->setWantedColumns(std::move(wanted));
    std::vector<Value> row;
    while (cursor->next(row, error)) {
        const auto it = ids.find(static_cast<std::int32_t>(integerOf(row[idColumn])));
        if (it != ids.end() && row[propColumn].kind() == ValueKind::Binary)
            out[static_cast<std::size_t>(it.value())] = row[propColumn].asBinary();
    }
    return !error.isError();
}

SchemaTable schemaTableOf(const QString& name, const format::TableDef& def, const format::JetLayout& layout,
                          const QStringList& required)
{
    SchemaTable t;
    t.name = name;
    QHash<std::uint16_t, QString> byNumber;
    for (const auto& c : def.columns) {
        SchemaColumn s;
        s.name = c.name;
        s.type = c.type;
        s.length = c.type == ColumnType::Text && !layout.jet3() ? c.length / 2 : c.length;
        s.precision = c.precision;
        s.scale = c.scale;
        s.autoNumber = c.autoNumber;
        s.hyperlink = c.hyperlink;
        s.required = required.contains(c.name, Qt::CaseInsensitive);
        byNumber.insert(c.number, c.name);
        t.columns.push_back(std::move(s));
    }
    t.indexesUnreadable = def.indexesUnreadable;
    for (const auto& index : def.indexes) {
        if (index.foreignKey())
            continue;
        // An index over an attachment or multi-valued column indexes the hidden key
        // that links to its values, which is not exported.
        const bool overComplex = std::any_of(index.columns.begin(), index.columns.end(), [&](std::uint16_t n) {
            return std::any_of(def.columns.begin(), def.columns.end(), [&](const format::ColumnDef& c) {
                return c.number == n && c.type == ColumnType::Complex;
            });
        });
        if (overComplex)
            continue;
        SchemaIndex s;
        s.name = index.name;
        s.primary = index.primary();
        s.unique = index.unique;
        for (std::size_t i = 0; i < index.columns.size(); ++i) {
            const auto it = byNumber.find(index.columns[i]);
            if (it == byNumber.end())
                continue;
            s.columns.append(it.value());
            s.descending.push_back(index.descending[i]);
        }
        if (s.columns.isEmpty())
            continue;
        if (s.primary) {
            for (auto& c : t.columns) {
                if (s.columns.contains(c.name))
                    c.required = true;
            }
        }
        t.indexes.push_back(std::move(s));
    }
    std::stable_sort(t.indexes.begin(), t.indexes.end(),
                     [](const SchemaIndex& a, const SchemaIndex& b) { return a.primary && !b.primary; });
    return t;
}

bool readRelations(AccessDatabase& db, const std::vector<SchemaTable>& tables, std::vector<SchemaRelation>& out,
                   DbError& error)
{
    const format::CatalogEntry* entry = db.findTable(QStringLiteral("MSysRelationships"));
    if (!entry)
        return true;
    auto cursor = db.openTable(entry->tdefPage(), error);
    if (!cursor)
        return false;
    const auto& columns = cursor->columns();
    const int nameColumn = columnIndex(columns, "szRelationship");
    const int tableColumn = columnIndex(columns, "szObject");
    const int columnColumn = columnIndex(columns, "szColumn");
    const int refTableColumn = columnIndex(columns, "szReferencedObject");
    const int refColumnColumn = columnIndex(columns, "szReferencedColumn");
    const int ordinalColumn = columnIndex(columns, "icolumn");
    const int flagsColumn = columnIndex(columns, "grbit");
    if (nameColumn < 0 || tableColumn < 0 || columnColumn < 0 || refTableColumn < 0 || refColumnColumn < 0)
        return true;

    struct Part {
        std::int64_t ordinal;
        QString column;
        QString referenced;
    };
    std::map<QString, std::pair<SchemaRelation, std::vector<Part>>> byName;
    std::vector<Value> row;
    std::size_t rows = 0;
    while (cursor->next(row, error)) {
        if (++rows > kMaxRelationRows) {
            error = DbError::damaged(QStringLiteral("MSysRelationships holds too many rows"), entry->tdefPage());
            return false;
        }
        const QString name = textOf(row, nameColumn);
        auto& [relation, parts] = byName[name];
        relation.name = name;
        relation.table = textOf(row, tableColumn);
        relation.referencedTable = textOf(row, refTableColumn);
        const std::int64_t flags = flagsColumn >= 0 ? integerOf(row[flagsColumn]) : 0;
        relation.enforced = (flags & kRelationDontEnforce) == 0;
        relation.cascadeUpdates = (flags & kRelationUpdateCascade) != 0;
        relation.cascadeDeletes = (flags & kRelationDeleteCascade) != 0;
        parts.push_back({ordinalColumn >= 0 ? integerOf(row[ordinalColumn]) : 0, textOf(row, columnColumn),
                         textOf(row, refColumnColumn)});
    }
    if (error.isError())
        return false;

    const auto spelled = [&](const QString& wanted) -> const SchemaTable* {
        for (const auto& t : tables) {
            if (t.name.compare(wanted, Qt::CaseInsensitive) == 0)
                return &t;
        }
        return nullptr;
    };
    for (auto& [name, entryPair] : byName) {
        auto& [relation, parts] = entryPair;
        const SchemaTable* from = spelled(relation.table);
        const SchemaTable* to = spelled(relation.referencedTable);
        if (!from || !to || parts.empty())
            continue;
        relation.table = from->name;
        relation.referencedTable = to->name;
        std::stable_sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) { return a.ordinal < b.ordinal; });
        for (const Part& p : parts) {
            relation.columns.append(p.column);
            relation.referencedColumns.append(p.referenced);
        }
        out.push_back(std::move(relation));
    }
    return true;
}

} // namespace

bool readDatabaseSchema(const QString& path, const QString& password, const QStringList& tables,
                        DatabaseSchema& out, DbError& error)
{
    out = {};
    auto db = AccessDatabase::open(path, password, error);
    if (!db)
        return false;

    std::vector<const format::CatalogEntry*> entries;
    if (tables.isEmpty()) {
        for (const auto& e : db->catalog()) {
            if (schemaTableType(e.type, e.flags, e.name) == QLatin1String("TABLE"))
                entries.push_back(&e);
        }
    } else {
        for (const QString& name : tables) {
            const format::CatalogEntry* e = db->findTable(name);
            if (!e) {
                error = DbError::noSuchTable(name);
                return false;
            }
            entries.push_back(e);
        }
    }

    QHash<std::int32_t, int> ids;
    for (std::size_t i = 0; i < entries.size(); ++i)
        ids.insert(entries[i]->id, static_cast<int>(i));
    std::vector<QByteArray> props(entries.size());
    if (!readProperties(*db, ids, props, error))
        return false;

    for (std::size_t i = 0; i < entries.size(); ++i) {
        format::TableDef def;
        if (!format::readTableDef(db->pager(), db->layout(), db->codec(), entries[i]->tdefPage(), def, error))
            return false;
        out.tables.push_back(schemaTableOf(entries[i]->name, def, db->layout(), requiredColumns(props[i], db->codec())));
    }
    return readRelations(*db, out.tables, out.relations, error);
}

} // namespace quorvane::db

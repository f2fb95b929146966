#include "ComplexColumns.h"

#include "AccessDatabase.h"
#include "TableCursor.h"
#include "db/ExactText.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace quorvane::db::format {

namespace {

// MSysComplexColumns has one row per complex column of the database; Access keeps a
// few, a damaged catalog could claim any number.
constexpr std::size_t kMaxLinks = 65'536;
// Charged against the text budget per hidden-table row, for its entry and the string
// it grows.
constexpr std::size_t kRowOverhead = 32;
const QString kSeparator = QStringLiteral("; ");

// One row of MSysComplexColumns: which hidden tables serve a complex column. The ids
// are catalog ids; their low 24 bits are the page of the table's definition.
struct ComplexLink {
    std::int64_t complexId = -1;
    QString columnName;
    std::uint32_t conceptualTable = 0;
    std::uint32_t flatTable = 0;
    std::uint32_t typeTable = 0;
};

std::uint32_t pageOfId(std::int64_t id)
{
    return static_cast<std::uint32_t>(id) & 0x00FFFFFFu;
}

int columnNamed(const TableDef& def, const QString& name)
{
    for (std::size_t i = 0; i < def.columns.size(); ++i) {
        if (def.columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

std::optional<std::int64_t> integerOf(const Value& v)
{
    switch (v.kind()) {
    case ValueKind::Byte: return v.asByte();
    case ValueKind::Integer: return v.asInteger();
    case ValueKind::Long: return v.asLong();
    case ValueKind::BigInt: return v.asBigInt();
    default: return std::nullopt;
    }
}

// A damaged file's error is kept in `damage` (the first one met); other failures only
// leave texts out.
void keepDamage(const DbError& error, DbError& damage)
{
    if (error.number == errc::kDamaged && !damage.isError())
        damage = error;
}

// The rows of MSysComplexColumns; empty when the database has none or they cannot be read.
std::vector<ComplexLink> readLinks(AccessDatabase& db, DbError& damage)
{
    std::vector<ComplexLink> links;
    const CatalogEntry* entry = db.findTable(QStringLiteral("MSysComplexColumns"));
    if (!entry)
        return links;
    DbError error;
    auto cursor = db.openTable(entry->tdefPage(), error, entry->name);
    if (!cursor) {
        keepDamage(error, damage);
        return links;
    }
    const TableDef& def = cursor->definition();
    const int idCol = columnNamed(def, QStringLiteral("ComplexID"));
    const int nameCol = columnNamed(def, QStringLiteral("ColumnName"));
    const int tableCol = columnNamed(def, QStringLiteral("ConceptualTableID"));
    const int flatCol = columnNamed(def, QStringLiteral("FlatTableID"));
    const int typeCol = columnNamed(def, QStringLiteral("ComplexTypeObjectID"));
    if (idCol < 0 || tableCol < 0 || flatCol < 0 || typeCol < 0)
        return links;
    std::vector<Value> row;
    while (cursor->next(row, error)) {
        const auto id = integerOf(row[idCol]);
        const auto table = integerOf(row[tableCol]);
        const auto flat = integerOf(row[flatCol]);
        const auto type = integerOf(row[typeCol]);
        if (!id || !table || !flat || !type)
            continue;
        if (links.size() >= kMaxLinks)
            return {};
        ComplexLink link;
        link.complexId = *id;
        if (nameCol >= 0 && row[nameCol].kind() == ValueKind::Text)
            link.columnName = row[nameCol].asText();
        link.conceptualTable = pageOfId(*table);
        link.flatTable = pageOfId(*flat);
        link.typeTable = pageOfId(*type);
        links.push_back(std::move(link));
    }
    if (error.isError()) {
        keepDamage(error, damage);
        return {};
    }
    return links;
}

// The row of MSysComplexColumns for `column` of the table at `tablePage`: by the id the
// column definition holds, or, failing that, by the column's name.
const ComplexLink* findLink(const std::vector<ComplexLink>& links, const ColumnDef& column, std::uint32_t tablePage)
{
    for (const auto& link : links) {
        if (link.conceptualTable == tablePage && link.complexId == column.complexId)
            return &link;
    }
    for (const auto& link : links) {
        if (link.conceptualTable == tablePage && link.columnName.compare(column.name, Qt::CaseInsensitive) == 0)
            return &link;
    }
    return nullptr;
}

bool isScalar(ColumnType type)
{
    switch (type) {
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::BigInt:
    case ColumnType::Money:
    case ColumnType::Numeric:
    case ColumnType::Float:
    case ColumnType::Double:
    case ColumnType::ShortDateTime:
    case ColumnType::ExtDateTime:
    case ColumnType::Text:
    case ColumnType::Guid:
        return true;
    default:
        return false;
    }
}

// The column of the type table whose values make up the display text: the file name
// of an attachment (its type table has the file's data in an OLE column and its name
// and type as text), or the single value column of a multi-valued field. Any other
// kind, version history among them, has none.
const ColumnDef* displayColumnOf(const TableDef& typeTable)
{
    const auto& cols = typeTable.columns;
    if (cols.size() == 1)
        return isScalar(cols[0].type) ? &cols[0] : nullptr;
    bool hasData = false;
    const ColumnDef* firstText = nullptr;
    const ColumnDef* fileName = nullptr;
    for (const auto& c : cols) {
        if (c.type == ColumnType::Ole)
            hasData = true;
        if (c.type != ColumnType::Text)
            continue;
        if (!firstText)
            firstText = &c;
        if (c.name.compare(QLatin1String("FileName"), Qt::CaseInsensitive) == 0)
            fileName = &c;
    }
    if (!hasData)
        return nullptr;
    return fileName ? fileName : firstText;
}

// The column of the hidden table holding the key of the row it belongs to: the Long
// Integer that is neither one of the type's columns nor the hidden table's own
// autonumber. Exactly one, or the table is not what it should be.
int keyColumnOf(const TableDef& flat, const TableDef& typeTable)
{
    int found = -1;
    for (std::size_t i = 0; i < flat.columns.size(); ++i) {
        const ColumnDef& c = flat.columns[i];
        if (c.type != ColumnType::Long || c.autoNumber || columnNamed(typeTable, c.name) >= 0)
            continue;
        if (found >= 0)
            return -1;
        found = static_cast<int>(i);
    }
    return found;
}

// One text per key, its items joined by the separator in the order the hidden table
// holds them. Access adds a row's items together and numbers rows upwards, so an item
// nearly always belongs to the last key seen or a higher one; the items of a lower key
// (added to an older row later) wait aside and are merged in at the end.
class TextsBuilder {
public:
    void add(std::int32_t key, const QString& item)
    {
        if (!m_out.keys.empty() && key == m_out.keys.back()) {
            join(m_out.texts.back(), item);
        } else if (m_out.keys.empty() || key > m_out.keys.back()) {
            m_out.keys.push_back(key);
            m_out.texts.push_back(item);
        } else {
            m_late.emplace_back(key, item);
        }
    }

    ComplexColumns::Texts finish()
    {
        if (!m_late.empty())
            mergeLate();
        m_out.dense = !m_out.keys.empty()
            && std::int64_t(m_out.keys.back()) - m_out.keys.front() + 1 == std::int64_t(m_out.keys.size());
        return std::move(m_out);
    }

private:
    static void join(QString& text, const QString& item)
    {
        text += kSeparator;
        text += item;
    }

    // A key's items held aside all came after those in order (the keys seen only rise),
    // so they go after them; among themselves they keep the table's order.
    void mergeLate()
    {
        std::stable_sort(m_late.begin(), m_late.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        ComplexColumns::Texts merged;
        const auto put = [&merged](std::int32_t key, QString&& text) {
            if (!merged.keys.empty() && merged.keys.back() == key) {
                join(merged.texts.back(), text);
            } else {
                merged.keys.push_back(key);
                merged.texts.push_back(std::move(text));
            }
        };
        std::size_t i = 0, j = 0;
        while (i < m_out.keys.size() || j < m_late.size()) {
            if (j == m_late.size() || (i < m_out.keys.size() && m_out.keys[i] <= m_late[j].first)) {
                put(m_out.keys[i], std::move(m_out.texts[i]));
                ++i;
            } else {
                put(m_late[j].first, std::move(m_late[j].second));
                ++j;
            }
        }
        m_out = std::move(merged);
        m_late.clear();
    }

    ComplexColumns::Texts m_out;
    std::vector<std::pair<std::int32_t, QString>> m_late;
};

class Loader {
public:
    Loader(AccessDatabase& db, const ComplexColumns::Limits& limits) : m_db(db), m_limits(limits) {}

    // The texts of one complex column by row key; nullopt when they cannot be read.
    // `label` names the column in the salvage log ("Table.Column").
    std::optional<ComplexColumns::Texts> texts(const ComplexLink& link, const QString& label, DbError& damage)
    {
        DbError error;
        TableDef typeTable;
        if (!readTableDef(m_db.pager(), m_db.layout(), m_db.codec(), link.typeTable, typeTable, error)) {
            keepDamage(error, damage);
            return std::nullopt;
        }
        const ColumnDef* shown = displayColumnOf(typeTable);
        if (!shown)
            return std::nullopt;
        auto cursor = m_db.openTable(link.flatTable, error);
        if (!cursor) {
            keepDamage(error, damage);
            return std::nullopt;
        }
        const TableDef& flat = cursor->definition();
        const int valueCol = columnNamed(flat, shown->name);
        const int keyCol = keyColumnOf(flat, typeTable);
        if (valueCol < 0 || keyCol < 0 || flat.columns[valueCol].typeCode != shown->typeCode)
            return std::nullopt;

        std::vector<bool> wanted(flat.columns.size(), false);
        wanted[valueCol] = wanted[keyCol] = true;
        cursor->setWantedColumns(std::move(wanted));

        TextsBuilder gathered;
        std::size_t cost = 0;
        m_valuesRead = 0;
        std::vector<Value> row;
        while (cursor->next(row, error)) {
            if (++m_rowsScanned > m_limits.rowsScanned)
                return std::nullopt;
            ++m_valuesRead;
            const Value& key = row[keyCol];
            const Value& value = row[valueCol];
            if (key.kind() != ValueKind::Long || value.isNull())
                continue;
            const QString item = complexItemText(value);
            cost += kRowOverhead + static_cast<std::size_t>(item.size() + kSeparator.size()) * sizeof(QChar);
            if (m_textBytes + cost > m_limits.textBytes)
                return std::nullopt;
            gathered.add(key.asLong(), item);
        }
        if (error.isError()) {
            keepDamage(error, damage);
            return std::nullopt;
        }
        // Salvaging reads past damage in the hidden table: its values lost are told
        // like a table's rows, not left as empty cells nobody sees.
        cursor->noteSalvage(label, m_valuesRead, QStringLiteral("values"));
        m_textBytes += cost;
        return gathered.finish();
    }

private:
    AccessDatabase& m_db;
    const ComplexColumns::Limits& m_limits;
    std::size_t m_textBytes = 0;
    std::uint64_t m_rowsScanned = 0;
    qint64 m_valuesRead = 0;
};

} // namespace

QString complexItemText(const Value& v)
{
    return exactText(v);
}

ComplexColumns ComplexColumns::load(AccessDatabase& db, const TableDef& table)
{
    return load(db, table, Limits{});
}

ComplexColumns ComplexColumns::load(AccessDatabase& db, const TableDef& table, const Limits& limits)
{
    ComplexColumns out;
    bool any = false;
    for (const auto& c : table.columns)
        any = any || c.type == ColumnType::Complex;
    if (!any)
        return out;
    const std::vector<ComplexLink> links = readLinks(db, out.m_damage);
    Loader loader(db, limits);
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const ColumnDef& c = table.columns[i];
        if (c.type != ColumnType::Complex)
            continue;
        const ComplexLink* link = findLink(links, c, table.page);
        if (!link)
            continue;
        const QString label = table.name + QLatin1Char('.') + c.name;
        DbError damage;
        auto texts = loader.texts(*link, label, damage);
        keepDamage(damage, out.m_damage);
        if (texts)
            out.m_columns.push_back(Column{i, std::move(*texts)});
        else if (db.salvage() && damage.isError())
            db.salvage()->add(QStringLiteral("%1: no values recovered; %2").arg(label, damage.description));
    }
    if (db.salvage() && out.m_damage.isError() && out.m_columns.empty() && links.empty())
        db.salvage()->add(QStringLiteral("%1: no values recovered of its attachment and multi-value columns; %2")
                              .arg(table.name, out.m_damage.description));
    return out;
}

const QString* ComplexColumns::Texts::find(std::int32_t key) const
{
    if (keys.empty())
        return nullptr;
    if (dense) {
        const std::int64_t at = std::int64_t(key) - keys.front();
        return at >= 0 && at < std::int64_t(texts.size()) ? &texts[static_cast<std::size_t>(at)] : nullptr;
    }
    const auto it = std::lower_bound(keys.begin(), keys.end(), key);
    return it != keys.end() && *it == key ? &texts[static_cast<std::size_t>(it - keys.begin())] : nullptr;
}

void ComplexColumns::fill(std::vector<Value>& row) const
{
    for (const Column& c : m_columns) {
        if (c.index >= row.size() || row[c.index].kind() != ValueKind::Complex)
            continue;
        const std::int32_t key = row[c.index].asComplex().key;
        if (const QString* text = c.texts.find(key))
            row[c.index] = Value::complex(Complex{key, *text});
    }
}

} // namespace quorvane::db::format

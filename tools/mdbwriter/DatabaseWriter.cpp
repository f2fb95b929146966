#include "DatabaseWriter.h"

#include "DataPage.h"
#include "HiddenTables.h"
#include "JetText.h"
#include "LittleEndian.h"
#include "PageFile.h"
#include "TableBuilder.h"

#include "db/format/crypto/Rc4.h"

#include <QSet>

#include <array>
#include <cstring>
#include <map>

namespace quorvane::mdbwriter {

using db::Value;
using db::format::crypto::Rc4;

namespace {

// Pages every file starts with: the header, the global usage map, the definitions of
// the four system tables, and the page holding the system tables' usage maps.
constexpr std::uint32_t kHeaderPage = 0;
constexpr std::uint32_t kGlobalMapPage = 1;
constexpr std::uint32_t kObjectsPage = 2;      // readers find the catalog here
constexpr std::uint32_t kAcesPage = 3;
constexpr std::uint32_t kQueriesPage = 4;
constexpr std::uint32_t kRelationshipsPage = 5;
constexpr std::uint32_t kSystemMapPage = 6;
constexpr std::uint32_t kReservedPages = 7;

// Catalog ids and object types.
constexpr std::int32_t kRootContainer = 0x0F000000;
constexpr std::int32_t kTablesContainer = 0x0F000001;
constexpr std::int32_t kDatabasesContainer = 0x0F000002;
constexpr std::int32_t kRelationshipsContainer = 0x0F000003;
constexpr std::int32_t kDatabaseObject = 0x10000000;
constexpr std::int16_t kTypeTable = 1;
constexpr std::int16_t kTypeDatabase = 2;
constexpr std::int16_t kTypeContainer = 3;
constexpr std::int32_t kSystemObjectFlag = std::int32_t(0x80000000u);
// What Access flags the tables behind attachment and multi-valued fields with.
constexpr std::int32_t kTypeTableFlags = std::int32_t(0x80030000u);
constexpr std::int32_t kFlatTableFlags = std::int32_t(0x800A0000u);

std::vector<Column> objectsColumns()
{
    return {Column::longInt("Id"),         Column::longInt("ParentId"),    Column::text("Name", 255),
            Column::integer("Type"),       Column::dateTime("DateCreate"), Column::dateTime("DateUpdate"),
            Column::binary("Owner", 510),  Column::longInt("Flags"),       Column::memo("Database"),
            Column::memo("Connect"),       Column::text("ForeignName", 255), Column::binary("RmtInfoShort", 510),
            Column::ole("RmtInfoLong"),    Column::ole("Lv"),              Column::ole("LvProp"),
            Column::ole("LvModule"),       Column::ole("LvExtra")};
}

std::vector<Column> acesColumns()
{
    return {Column::longInt("ObjectId"), Column::binary("SID", 510), Column::longInt("ACM"),
            Column::boolean("FInheritable")};
}

std::vector<Column> queriesColumns()
{
    return {Column::longInt("ObjectId"), Column::byte("Attribute"),   Column::binary("Order", 510),
            Column::text("Name1", 255),  Column::text("Name2", 255),  Column::memo("Expression"),
            Column::integer("Flag"),     Column::longInt("LvExtra")};
}

std::vector<Column> relationshipsColumns()
{
    return {Column::text("szRelationship", 255), Column::longInt("grbit"),
            Column::longInt("ccolumn"),           Column::longInt("icolumn"),
            Column::text("szObject", 255),        Column::text("szColumn", 255),
            Column::text("szReferencedObject", 255), Column::text("szReferencedColumn", 255)};
}

std::array<std::uint8_t, kMaxPageSize> headerPage(const DatabaseOptions& options, const TextEncoding& text)
{
    std::array<std::uint8_t, kMaxPageSize> page{};
    std::uint8_t* p = page.data();
    p[1] = 0x01;
    const Version version = options.version;
    std::memcpy(p + 4, version == Version::Ace ? "Standard ACE DB" : "Standard Jet DB", 16);
    p[0x14] = version == Version::Jet3 ? 0x00 : version == Version::Jet4 ? 0x01 : 0x03; // ACE: Access 2010
    le::put16(p + 0x3C, options.codePage);
    // 0x3E: the database key, zero when the pages are stored plain.
    le::put32(p + 0x3E, options.encodingKey);
    static const std::uint8_t kMaskKey[] = {0xC7, 0xDA, 0x39, 0x6B};
    if (version == Version::Jet3) {
        // 0x3A: the text sort order; 0x42: the password in the code page, 20 bytes.
        le::put16(p + 0x3A, 0x0409);
        QByteArray stored;
        text.encode(options.password, false, stored); // checked when the file was opened
        std::copy(stored.begin(), stored.end(), p + 0x42);
        Rc4(kMaskKey).apply(std::span<std::uint8_t>(p + 0x18, 126));
        return page;
    }

    // The part masked below. Its first words are the same in every Jet 4 file seen.
    static const std::uint8_t kLead[] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                         0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
    std::memcpy(p + 0x18, kLead, sizeof kLead);
    // 0x42: the password, 20 UTF-16 units padded with zeros, masked with the four bytes
    // of the creation date's whole days (an empty password is the mask alone).
    const double creationDate = options.creationDate;
    std::uint8_t mask[4];
    le::put32(mask, static_cast<std::uint32_t>(static_cast<std::int32_t>(creationDate)));
    const QByteArray stored = jettext::utf16(options.password);
    for (int i = 0; i < 40; ++i)
        p[0x42 + i] = static_cast<std::uint8_t>((i < stored.size() ? stored[i] : 0) ^ mask[i % 4]);
    le::put16(p + 0x6E, 0x0409); // text sort order: General
    le::putDouble(p + 0x72, creationDate);

    Rc4(kMaskKey).apply(std::span<std::uint8_t>(p + 0x18, 128));

    // Past the masked part; the same in every Jet 4 file seen.
    static const std::uint8_t kTail[] = {0x54, 0x06, 0x00, 0x00, '4', '.', '0', 0x00};
    std::memcpy(p + 0x98, kTail, sizeof kTail);
    return page;
}

// Page 1: the map of pages in use for whoever writes to the file next. Bits set mark
// pages not yet allocated.
DataPage globalMapPage(const FileFormat& format, std::uint32_t pageCount)
{
    DataPage page(format);
    page.reset(kGlobalMapPage, kGlobalMapPage);
    std::vector<std::uint8_t> freeMap(5 + format.inlineMapBytes);
    for (std::uint32_t n = pageCount; n < std::uint32_t(format.inlineMapBytes) * 8; ++n)
        freeMap[5 + n / 8] |= std::uint8_t(1u << (n % 8));
    page.addRow(freeMap);
    page.addRow(std::vector<std::uint8_t>(freeMap.size()));
    return page;
}

} // namespace

struct DatabaseWriter::Impl {
    struct Entry {
        QString name;
        std::uint32_t page;
        std::int32_t flags;
    };
    // A table being written: its builder, the pages of its definition and the page of
    // its usage maps.
    struct Open {
        std::unique_ptr<TableBuilder> builder;
        std::vector<std::uint32_t> pages;
        std::uint32_t mapPage = 0;
    };
    // The hidden table of one complex column of the open table.
    struct Flat {
        Open table;
        hiddentables::FlatTable layout;
        Column column;
        std::uint32_t complexId = 0;
        std::int32_t nextNumber = 1;
    };
    // A row of MSysComplexColumns, written when the file closes.
    struct Link {
        QString column;
        QString typeTable;
        std::uint32_t flatPage;
        std::uint32_t tablePage;
        std::uint32_t complexId;
    };
    DatabaseOptions options;
    const FileFormat* format = &FileFormat::of(Version::Jet4);
    std::unique_ptr<TextEncoding> text;
    std::unique_ptr<PageFile> file;
    Open table;
    std::vector<Flat> flats;
    std::vector<Link> links;
    std::map<QString, std::vector<Column>> typeTables;
    std::vector<Entry> tables;
    QSet<QString> names;
    bool failed = false;

    Open start(const QString& name, std::vector<Column> columns, TableBuilder::Kind kind)
    {
        Open t;
        const int count = TableBuilder::definitionPageCount(*format, columns);
        for (int i = 0; i < count; ++i)
            t.pages.push_back(file->allocate());
        t.mapPage = file->allocate();
        t.builder = std::make_unique<TableBuilder>(*file, *text, name, std::move(columns), kind, t.pages.front());
        return t;
    }

    // Writes the last pages, the usage maps and the definition of `t` and lists it in
    // the catalog.
    bool finish(Open& t, std::int32_t flags, QString& error)
    {
        TableBuilder& table = *t.builder;
        if (!table.finish(error))
            return false;
        const std::vector<QByteArray> rows = table.usageMapRows(error);
        if (rows.empty())
            return false;
        DataPage mapPage(*format);
        mapPage.reset(t.mapPage, 0);
        for (const QByteArray& row : rows)
            mapPage.addRow({reinterpret_cast<const std::uint8_t*>(row.constData()), std::size_t(row.size())});
        if (!file->write(t.mapPage, mapPage.bytes())) {
            error = file->errorString();
            return false;
        }
        if (!table.writeDefinition(t.pages, t.mapPage, 0, error))
            return false;
        tables.push_back({table.name(), table.definitionPage(), flags});
        t.builder.reset();
        return true;
    }

    // The type tables the complex columns use and MSysComplexColumns, at the end.
    bool writeComplexTables(QString& error)
    {
        if (links.empty())
            return true;
        std::map<QString, std::uint32_t> typePages;
        for (auto& [name, columns] : typeTables) {
            Open t = start(name, columns, TableBuilder::Kind::User);
            typePages[name] = t.builder->definitionPage();
            if (!finish(t, kTypeTableFlags, error))
                return false;
        }
        Open t = start(QStringLiteral("MSysComplexColumns"), hiddentables::complexColumnsColumns(),
                       TableBuilder::Kind::User);
        for (const Link& link : links) {
            const Value row[] = {Value::text(link.column), Value::longInt(std::int32_t(typePages[link.typeTable])),
                                 Value::longInt(std::int32_t(link.flatPage)),
                                 Value::longInt(std::int32_t(link.tablePage)),
                                 Value::longInt(std::int32_t(link.complexId))};
            if (!t.builder->addRow(row, error))
                return false;
        }
        return finish(t, kSystemObjectFlag, error);
    }
};

DatabaseWriter::DatabaseWriter() : d(std::make_unique<Impl>()) {}
DatabaseWriter::~DatabaseWriter() = default;

bool DatabaseWriter::fail(QString message)
{
    d->failed = true;
    m_error = std::move(message);
    return false;
}

bool DatabaseWriter::open(const QString& path, const DatabaseOptions& options)
{
    if (d->file)
        return fail(QStringLiteral("the database is already open"));
    if (options.password.size() > 20)
        return fail(QStringLiteral("a database password has at most 20 characters"));
    if (options.version == Version::Ace && !options.password.isEmpty())
        return fail(QStringLiteral("an ACE database with a password is encrypted, which the writer does not do"));
    d->options = options;
    d->format = &FileFormat::of(options.version);
    d->text = std::make_unique<TextEncoding>(*d->format, options.codePage);
    QByteArray ignored;
    if (!d->text->isValid())
        return fail(QStringLiteral("code page %1 is not one the writer knows").arg(options.codePage));
    if (!d->text->encode(options.password, false, ignored))
        return fail(QStringLiteral("the password has characters the database's code page lacks"));
    if (options.version == Version::Ace && options.encodingKey != 0)
        return fail(QStringLiteral("ACE files are encrypted with a password, which the writer does not do"));
    d->file = std::make_unique<PageFile>(path, d->format->pageSize, options.encodingKey);
    if (!d->file->open())
        return fail(QStringLiteral("cannot write %1: %2").arg(path, d->file->errorString()));
    for (std::uint32_t i = 0; i < kReservedPages; ++i)
        d->file->allocate();
    return true;
}

bool DatabaseWriter::beginTable(const QString& name, std::vector<Column> columns)
{
    if (d->failed || !d->file)
        return fail(m_error.isEmpty() ? QStringLiteral("the database is not open") : m_error);
    if (d->table.builder && !endTable())
        return false;
    if (name.isEmpty() || name.size() > 64)
        return fail(QStringLiteral("table names have 1 to 64 characters: \"%1\"").arg(name));
    const QString key = name.toCaseFolded();
    if (key.startsWith(QStringLiteral("msys")))
        return fail(QStringLiteral("names starting with MSys belong to the system tables: \"%1\"").arg(name));
    if (d->names.contains(key))
        return fail(QStringLiteral("a table named \"%1\" exists already").arg(name));
    if (const QString problem = TableBuilder::checkColumns(*d->format, columns); !problem.isEmpty())
        return fail(QStringLiteral("table \"%1\": %2").arg(name, problem));
    QByteArray ignored;
    bool encodable = d->text->encode(name, false, ignored);
    for (const Column& c : columns)
        encodable = encodable && d->text->encode(c.name, false, ignored);
    if (!encodable)
        return fail(QStringLiteral("table \"%1\": a name has characters the database's code page lacks").arg(name));
    d->names.insert(key);

    d->table = d->start(name, columns, TableBuilder::Kind::User);
    d->table.builder->setReferenceMaps(d->options.referenceUsageMaps);
    d->table.builder->setEditedRows(d->options.editedRowsEvery);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const Column& c = columns[i];
        if (c.type != db::ColumnType::Complex)
            continue;
        Impl::Flat flat;
        flat.layout = hiddentables::flatTable(name, c);
        flat.column = c;
        flat.complexId = static_cast<std::uint32_t>(d->links.size() + d->flats.size() + 1);
        flat.table = d->start(flat.layout.name, flat.layout.columns, TableBuilder::Kind::User);
        d->table.builder->setComplexId(i, flat.complexId);
        d->flats.push_back(std::move(flat));
    }
    return true;
}

bool DatabaseWriter::addComplexItem(const QString& column, std::int32_t key, std::span<const Value> values)
{
    if (d->failed)
        return false;
    if (!d->table.builder)
        return fail(QStringLiteral("an item outside a table"));
    for (Impl::Flat& flat : d->flats) {
        if (flat.column.name.compare(column, Qt::CaseInsensitive) != 0)
            continue;
        const auto& at = flat.layout.typeColumnAt;
        if (values.size() != at.size())
            return fail(QStringLiteral("column \"%1\": an item of %2 values for %3").arg(column).arg(values.size())
                            .arg(at.size()));
        std::vector<Value> row(flat.layout.columns.size());
        row[flat.layout.keyAt] = Value::longInt(key);
        row[flat.layout.numberAt] = Value::longInt(flat.nextNumber++);
        for (std::size_t k = 0; k < at.size(); ++k)
            row[at[k]] = values[k];
        QString error;
        return flat.table.builder->addRow(row, error) || fail(error);
    }
    return fail(QStringLiteral("table \"%1\" has no attachment or multi-valued column \"%2\"")
                    .arg(d->table.builder->name(), column));
}

bool DatabaseWriter::addRow(std::span<const Value> values)
{
    if (d->failed)
        return false;
    if (!d->table.builder)
        return fail(QStringLiteral("a row outside a table"));
    QString error;
    return d->table.builder->addRow(values, error) || fail(error);
}

bool DatabaseWriter::endTable()
{
    if (d->failed)
        return false;
    if (!d->table.builder)
        return fail(QStringLiteral("no table is open"));
    QString error;
    const std::uint32_t tablePage = d->table.builder->definitionPage();
    if (!d->finish(d->table, 0, error))
        return fail(error);
    for (Impl::Flat& flat : d->flats) {
        const QString typeTable = hiddentables::typeTableName(flat.column);
        d->typeTables.emplace(typeTable, hiddentables::typeColumns(flat.column));
        d->links.push_back({flat.column.name, typeTable, flat.table.builder->definitionPage(), tablePage,
                            flat.complexId});
        if (!d->finish(flat.table, kFlatTableFlags, error))
            return fail(error);
    }
    d->flats.clear();
    return true;
}

bool DatabaseWriter::close()
{
    if (d->failed || !d->file)
        return fail(m_error.isEmpty() ? QStringLiteral("the database is not open") : m_error);
    if (d->table.builder && !endTable())
        return false;
    if (QString error; !d->writeComplexTables(error))
        return fail(error);

    PageFile& file = *d->file;
    using Kind = TableBuilder::Kind;
    const TextEncoding& text = *d->text;
    TableBuilder objects(file, text, QStringLiteral("MSysObjects"), objectsColumns(), Kind::System, kObjectsPage);
    TableBuilder aces(file, text, QStringLiteral("MSysACEs"), acesColumns(), Kind::System, kAcesPage);
    TableBuilder queries(file, text, QStringLiteral("MSysQueries"), queriesColumns(), Kind::System, kQueriesPage);
    TableBuilder relationships(file, text, QStringLiteral("MSysRelationships"), relationshipsColumns(), Kind::System,
                               kRelationshipsPage);

    const Value created = Value::dateTime({d->options.creationDate});
    QString error;
    auto addObject = [&](std::int32_t id, std::int32_t parent, const QString& name, std::int16_t type,
                         std::int32_t flags) {
        std::vector<Value> row(17);
        row[0] = Value::longInt(id);
        row[1] = Value::longInt(parent);
        row[2] = Value::text(name);
        row[3] = Value::integer(type);
        row[4] = created;
        row[5] = created;
        row[7] = Value::longInt(flags);
        return objects.addRow(row, error);
    };
    bool ok = addObject(kTablesContainer, kRootContainer, QStringLiteral("Tables"), kTypeContainer, kSystemObjectFlag)
        && addObject(kDatabasesContainer, kRootContainer, QStringLiteral("Databases"), kTypeContainer,
                     kSystemObjectFlag)
        && addObject(kRelationshipsContainer, kRootContainer, QStringLiteral("Relationships"), kTypeContainer,
                     kSystemObjectFlag)
        && addObject(kDatabaseObject, kDatabasesContainer, QStringLiteral("MSysDb"), kTypeDatabase,
                     kSystemObjectFlag);
    for (const TableBuilder* system : {&objects, &aces, &queries, &relationships})
        ok = ok && addObject(std::int32_t(system->definitionPage()), kTablesContainer, system->name(), kTypeTable,
                             kSystemObjectFlag);
    for (const auto& entry : d->tables)
        ok = ok && addObject(std::int32_t(entry.page), kTablesContainer, entry.name, kTypeTable, entry.flags);
    if (!ok)
        return fail(error);

    DataPage mapPage(*d->format);
    mapPage.reset(kSystemMapPage, 0);
    for (TableBuilder* system : {&objects, &aces, &queries, &relationships}) {
        if (!system->finish(error))
            return fail(error);
        const std::vector<QByteArray> rows = system->usageMapRows(error);
        if (rows.empty())
            return fail(error);
        const int firstRow = mapPage.rowCount();
        for (const QByteArray& row : rows)
            mapPage.addRow({reinterpret_cast<const std::uint8_t*>(row.constData()), std::size_t(row.size())});
        if (!system->writeDefinition({system->definitionPage()}, kSystemMapPage, firstRow, error))
            return fail(error);
    }
    if (!file.write(kSystemMapPage, mapPage.bytes())
        || !file.write(kGlobalMapPage, globalMapPage(*d->format, file.pageCount()).bytes())
        || !file.write(kHeaderPage, headerPage(d->options, text)) || !file.commit())
        return fail(QStringLiteral("cannot write the database: %1").arg(file.errorString()));
    d->file.reset();
    return true;
}

TableData DatabaseWriter::storable(TableData table, const DatabaseOptions& options)
{
    const TextEncoding text(FileFormat::of(options.version), options.codePage);
    if (options.version != Version::Jet3 || !text.isValid())
        return table;
    QByteArray ignored;
    auto fit = [&](QString& s) {
        for (QChar& c : s) {
            if (!text.encode(QString(c), false, ignored))
                c = QLatin1Char('?');
        }
    };
    fit(table.name);
    for (Column& c : table.columns)
        fit(c.name);
    for (auto& row : table.rows) {
        for (Value& v : row) {
            if (v.kind() == db::ValueKind::Text) {
                QString s = v.asText();
                fit(s);
                v = Value::text(s);
            }
        }
    }
    return table;
}

bool DatabaseWriter::writeTables(const QString& path, const std::vector<TableData>& tables, QString& error,
                                 const DatabaseOptions& options)
{
    DatabaseWriter db;
    bool ok = db.open(path, options);
    for (const TableData& table : tables) {
        ok = ok && db.beginTable(table.name, table.columns);
        for (const auto& row : table.rows)
            ok = ok && db.addRow(row);
        for (const auto& item : table.items)
            ok = ok && db.addComplexItem(item.column, item.key, item.values);
        ok = ok && db.endTable();
    }
    ok = ok && db.close();
    if (!ok)
        error = db.errorString();
    return ok;
}

} // namespace quorvane::mdbwriter

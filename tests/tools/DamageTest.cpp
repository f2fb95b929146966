// Damaged copies of writer-made databases. Read as usual, each kind of damage ends in
// an error naming the table and the page; salvaged, it gives the rows still readable
// and one line saying what the table lost. One row per kind of damage, for every file
// version the writer makes.

#include "mdbwriter/DatabaseWriter.h"

#include "db/format/AccessDatabase.h"
#include "db/format/TableCursor.h"

#include <QFile>
#include <QtEndian>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace quorvane::mdbwriter {
namespace {

using namespace db::format;
using db::DbError;
using db::Value;

constexpr int kRows = 600;
constexpr std::uint32_t kLongValueOwner = 0x4C41564C; // "LVAL": the writer's long-value pages

// The file under test: orders with short notes, and one note long enough to need a
// chain of long-value pages.
std::vector<TableData> orders()
{
    TableData t{QStringLiteral("Orders"),
                {Column::longInt(QStringLiteral("ID")), Column::text(QStringLiteral("Name"), 40),
                 Column::memo(QStringLiteral("Note"))},
                {}};
    for (int i = 0; i < kRows; ++i)
        t.rows.push_back({Value::longInt(i), Value::text(QStringLiteral("customer %1").arg(i)),
                          Value::text(i == 0 ? QStringLiteral("long note ").repeated(1200)
                                             : QStringLiteral("note %1").arg(i))});
    return {t};
}

struct FileKind {
    const char* label;
    std::function<bool(const QString& path, QString& error)> write;
};

// Where the parts of the written file lie, found from the file itself.
struct Facts {
    QByteArray bytes;
    JetLayout layout;
    std::uint32_t pageSize = 0;
    std::uint32_t tdef = 0;
    std::uint32_t mapPage = 0;
    std::uint8_t mapRow = 0;
    std::vector<std::uint32_t> dataPages;      // the table's, in page order
    std::vector<std::uint32_t> longValuePages;

    ByteView page(std::uint32_t n) const
    {
        return ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()) + std::size_t(n) * pageSize,
                        pageSize);
    }
    std::uint32_t rowsOn(std::uint32_t n) const { return page(n).u16(layout.dataRowCount); }
    std::size_t rowAt(std::uint32_t n, std::uint32_t row) const
    {
        return std::size_t(n) * pageSize + (page(n).u16(layout.dataRowTable + 2 * row) & kRowOffsetMask);
    }
};

// What a kind of damage does to the file, and what reading it must then give.
struct Damage {
    QByteArray bytes;
    std::uint32_t page = 0;  // the page the error names
    QString what;            // the error's account of the damage
    QString table;           // the table the error names (empty: met while opening)
    int salvaged = -1;       // rows --salvage recovers; -1: the table cannot be read at all
    bool catalogLost = false; // the writer puts the catalog last: a cut takes it
};

struct Kind {
    const char* label;
    std::function<Damage(const Facts&)> apply;
};

void put32(QByteArray& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[qsizetype(at) + i] = char((v >> (8 * i)) & 0xFF);
}

QByteArray zeroed(const Facts& f, std::uint32_t page)
{
    QByteArray b = f.bytes;
    b.replace(qsizetype(page) * f.pageSize, f.pageSize, QByteArray(f.pageSize, '\0'));
    return b;
}

const Kind kKinds[] = {
    {"CutMidPage",
     [](const Facts& f) {
         const std::uint32_t p = f.dataPages[1];
         return Damage{f.bytes.left(qsizetype(p) * f.pageSize + f.pageSize / 2), p,
                       QStringLiteral("the file's length is not a whole number of pages"), {}, -1, true};
     }},
    {"ZeroedDataPage",
     [](const Facts& f) {
         const std::uint32_t p = f.dataPages[1];
         return Damage{zeroed(f, p), p, QStringLiteral("a page the table's map lists is not one of its data pages"),
                       QStringLiteral("Orders"), int(kRows - f.rowsOn(p))};
     }},
    {"ZeroedDefinition",
     [](const Facts& f) {
         return Damage{zeroed(f, f.tdef), f.tdef, QStringLiteral("a table definition page has the wrong type"),
                       QStringLiteral("Orders"), -1};
     }},
    // The map lost: salvage finds the table's pages by their owner.
    {"ZeroedMap",
     [](const Facts& f) {
         return Damage{zeroed(f, f.mapPage), f.mapPage, QStringLiteral("the map of a table's pages cannot be found"),
                       QStringLiteral("Orders"), kRows};
     }},
    {"MapPastTheEnd",
     [](const Facts& f) {
         QByteArray b = f.bytes;
         const std::uint32_t start = 0x00FFFF00;
         put32(b, f.rowAt(f.mapPage, f.mapRow) + 1, start);
         return Damage{b, start, QStringLiteral("the table's map lists pages past the end of the file"),
                       QStringLiteral("Orders"), kRows};
     }},
    {"ZeroedLongValuePage",
     [](const Facts& f) {
         const std::uint32_t p = f.longValuePages.front();
         return Damage{zeroed(f, p), p, QStringLiteral("a long value's chain of pages is broken"),
                       QStringLiteral("Orders"), kRows}; // the row is kept, its note Null
     }},
    // A chain whose first row points back at itself would repeat its text.
    {"LongValueLoop",
     [](const Facts& f) {
         QByteArray b = f.bytes;
         const std::uint32_t p = f.longValuePages.front();
         put32(b, f.rowAt(p, 0), p << 8);
         return Damage{b, p, QStringLiteral("a long value's chain visits a row twice"), QStringLiteral("Orders"),
                       kRows};
     }},
};

template <mdbwriter::Version V>
bool writeOrders(const QString& path, QString& error)
{
    DatabaseOptions options;
    options.version = V;
    return DatabaseWriter::writeTables(path, orders(), error, options);
}

const FileKind kVersions[] = {
    {"Jet3", writeOrders<mdbwriter::Version::Jet3>},
    {"Jet4", writeOrders<mdbwriter::Version::Jet4>},
    {"Ace", writeOrders<mdbwriter::Version::Ace>},
};

class DamagedCopy : public ::testing::TestWithParam<std::tuple<FileKind, Kind>> {
protected:
    void SetUp() override
    {
        const QString path = m_dir.filePath(QStringLiteral("orders.mdb"));
        QString error;
        ASSERT_TRUE(std::get<0>(GetParam()).write(path, error)) << error.toStdString();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        m_facts.bytes = file.readAll();

        DbError dbError;
        auto db = AccessDatabase::openBytes(m_facts.bytes, {}, dbError);
        ASSERT_NE(db, nullptr) << dbError.description.toStdString();
        m_facts.layout = db->layout();
        m_facts.pageSize = db->header().pageSize;
        const CatalogEntry* entry = db->findTable(QStringLiteral("Orders"));
        ASSERT_NE(entry, nullptr);
        m_facts.tdef = entry->tdefPage();
        auto cursor = db->openTable(m_facts.tdef, dbError);
        ASSERT_NE(cursor, nullptr);
        m_facts.mapPage = cursor->definition().usageMapPage;
        m_facts.mapRow = cursor->definition().usageMapRow;
        for (std::uint32_t p = 1; p < m_facts.bytes.size() / m_facts.pageSize; ++p) {
            const ByteView page = m_facts.page(p);
            if (page.u8(0) != kPageData)
                continue;
            if (page.u32(m_facts.layout.dataTdefPage) == m_facts.tdef)
                m_facts.dataPages.push_back(p);
            else if (page.u32(m_facts.layout.dataTdefPage) == kLongValueOwner)
                m_facts.longValuePages.push_back(p);
        }
        ASSERT_GE(m_facts.dataPages.size(), 3u);
        ASSERT_GE(m_facts.longValuePages.size(), 2u);
    }

    QTemporaryDir m_dir;
    Facts m_facts;
};

TEST_P(DamagedCopy, FailsNamingTheTableAndPage)
{
    const Damage d = std::get<1>(GetParam()).apply(m_facts);
    DbError error;
    auto db = AccessDatabase::openBytes(d.bytes, {}, error);
    if (db)
        error = readEveryTable(*db);
    ASSERT_EQ(error.number, db::errc::kDamaged) << error.description.toStdString();
    EXPECT_EQ(error.damage, d.what);
    EXPECT_EQ(error.page, d.page);
    EXPECT_EQ(error.table, d.table);
    EXPECT_TRUE(error.description.contains(QStringLiteral("(page %1)").arg(d.page))
                || error.description.contains(QStringLiteral(", page %1)").arg(d.page)))
        << error.description.toStdString();
}

TEST_P(DamagedCopy, SalvageRecoversTheReadableRows)
{
    const Damage d = std::get<1>(GetParam()).apply(m_facts);
    auto log = std::make_shared<SalvageLog>();
    DbError error;
    auto db = AccessDatabase::openBytes(d.bytes, {}, error, QStringLiteral("orders.mdb"), log);
    ASSERT_NE(db, nullptr) << error.description.toStdString();
    const CatalogEntry* entry = db->findTable(QStringLiteral("Orders"));
    if (d.catalogLost) {
        EXPECT_EQ(entry, nullptr);
        ASSERT_EQ(log->lines.size(), 1);
        EXPECT_TRUE(log->lines.front().startsWith(QStringLiteral("the catalog (MSysObjects): ")));
        return;
    }
    ASSERT_NE(entry, nullptr);
    auto cursor = db->openTable(entry->tdefPage(), error, entry->name);
    if (d.salvaged < 0) {
        EXPECT_EQ(cursor, nullptr);
        EXPECT_EQ(error.table, QStringLiteral("Orders"));
        return;
    }
    ASSERT_NE(cursor, nullptr) << error.description.toStdString();
    qint64 count = 0;
    ASSERT_TRUE(cursor->countRows(count, error)) << error.description.toStdString();
    cursor->noteSalvage(entry->name, count);
    std::vector<Value> row;
    qint64 read = 0;
    while (cursor->next(row, error))
        ++read;
    EXPECT_FALSE(error.isError()) << error.description.toStdString();
    EXPECT_EQ(read, d.salvaged);
    EXPECT_EQ(count, d.salvaged);
    ASSERT_EQ(log->lines.size(), 1);
    EXPECT_EQ(log->lines.front(), QStringLiteral("Orders: %1 rows recovered, the table definition says %2; %3")
                                      .arg(d.salvaged)
                                      .arg(kRows)
                                      .arg(d.what));
}

INSTANTIATE_TEST_SUITE_P(Writer, DamagedCopy, ::testing::Combine(::testing::ValuesIn(kVersions), ::testing::ValuesIn(kKinds)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).label) + "_" + std::get<1>(info.param).label;
                         });

// Damage inside one row of an ACE file (values only ACE has, a long value on a row of
// its own, rows moved by an edit) or in its table definition: the read fails naming
// the column or the part of the row or definition, the page and the table. The first row holds the values damaged; it is never one
// the edits move, so its bytes appear once in the file.
struct RowFacts {
    QByteArray bytes;
    std::uint32_t pageSize = 4096;
    std::uint32_t tdef = 0;
    std::vector<std::size_t> pointerRows; // where the pointers of moved rows lie
    std::size_t at(const QByteArray& needle) const { return std::size_t(bytes.indexOf(needle)); }
    std::uint32_t pageOf(std::size_t offset) const { return std::uint32_t(offset / pageSize); }
};

struct RowDamage {
    const char* label;
    // Changes the bytes; gives the page the error names and what it says.
    std::function<std::uint32_t(const RowFacts&, QByteArray&)> apply;
    const char* what;
};

const QByteArray kFirstDate = "0000000000000738001:";
const QByteArray kFirstPrice = QByteArray::fromHex("efbeadde"); // low word of the first price
constexpr int kBlobSize = 300;

const RowDamage kRowDamages[] = {
    {"ExtendedDateNotDigits",
     [](const RowFacts& f, QByteArray& b) {
         b[qsizetype(f.at(kFirstDate)) + 5] = 'x';
         return f.pageOf(f.at(kFirstDate));
     },
     "a date of column 'When' cannot be read"},
    {"ExtendedDatePastYear9999",
     [](const RowFacts& f, QByteArray& b) {
         b.replace(qsizetype(f.at(kFirstDate)), 20, "0000000000009999999:");
         return f.pageOf(f.at(kFirstDate));
     },
     "a date of column 'When' cannot be read"},
    {"CalculatedDecimalScaleOver28",
     [](const RowFacts& f, QByteArray& b) {
         b[qsizetype(f.at(kFirstPrice)) - 6] = 29; // the scale, before sign and magnitude
         return f.pageOf(f.at(kFirstPrice));
     },
     "a calculated value of column 'Price' cannot be read"},
    {"LongValueRowMissing",
     [](const RowFacts& f, QByteArray& b) {
         QByteArray header(4, '\0');
         put32(header, 0, 0x40000000u | kBlobSize);
         const std::size_t h = f.at(header);
         b[qsizetype(h) + 4] = char(0xEE); // the row within its page
         return std::uint32_t(qFromLittleEndian<quint32>(f.bytes.constData() + h + 4) >> 8);
     },
     "a long value's row cannot be found"},
    {"MovedRowPointsToNoRow",
     [](const RowFacts& f, QByteArray& b) {
         const std::size_t p = f.pointerRows.front();
         b[qsizetype(p)] = char(0xEE);
         return std::uint32_t(qFromLittleEndian<quint32>(f.bytes.constData() + p + 1) & 0xFFFFFF);
     },
     "a moved row points to no row"},
    {"MovedRowPointsToItself",
     [](const RowFacts& f, QByteArray& b) {
         const std::size_t p = f.pointerRows.front();
         const std::uint32_t page = f.pageOf(p);
         const ByteView rows(reinterpret_cast<const std::uint8_t*>(f.bytes.constData()) + std::size_t(page) * f.pageSize,
                             f.pageSize);
         std::uint32_t row = 0;
         while ((rows.u16(14 + 2 * row) & kRowOffsetMask) != p % f.pageSize)
             ++row;
         put32(b, p, (page << 8) | row);
         return page;
     },
     "moved rows point in a circle"},
    {"PageClaimsTooManyRows",
     [](const RowFacts& f, QByteArray& b) {
         const std::uint32_t page = f.pageOf(f.at(kFirstDate));
         b[qsizetype(page) * f.pageSize + 12] = b[qsizetype(page) * f.pageSize + 13] = char(0xFF);
         return page;
     },
     "a data page claims more rows than it can hold"},
    {"DefinitionWithImpossibleColumnCount",
     [](const RowFacts& f, QByteArray& b) {
         b[qsizetype(f.tdef) * f.pageSize + 45] = b[qsizetype(f.tdef) * f.pageSize + 46] = char(0xFF);
         return f.tdef;
     },
     "a table definition has impossible counts"},
    {"DefinitionColumnsPastItsEnd",
     [](const RowFacts& f, QByteArray& b) {
         b[qsizetype(f.tdef) * f.pageSize + 46] = 0x02; // 512 and a few columns
         return f.tdef;
     },
     "a column definition runs past the table definition"},
    {"DefinitionGoesOnInACircle",
     [](const RowFacts& f, QByteArray& b) {
         put32(b, std::size_t(f.tdef) * f.pageSize + 4, f.tdef);
         return f.tdef;
     },
     "a table definition does not end"},
};

class DamagedRow : public ::testing::TestWithParam<RowDamage> {};

TEST_P(DamagedRow, FailsNamingWhatIsWrong)
{
    db::Decimal first;
    first.lo = 0xDEADBEEF;
    first.scale = 2;
    TableData t{QStringLiteral("Items"),
                {Column::longInt("ID"), Column::dateTimeExtended("When"), Column::decimal("Price", 18, 2).asCalculated(),
                 Column::ole("Blob")},
                {}};
    for (int i = 0; i < 12; ++i)
        t.rows.push_back({Value::longInt(i), Value::dateTimeExtended({738001 + i, 0}),
                          i == 0 ? Value::decimal(first) : Value::null(),
                          Value::binary(QByteArray(i == 0 ? kBlobSize : 8, char('a' + i)))});
    DatabaseOptions options;
    options.version = Version::Ace;
    options.editedRowsEvery = 3;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("items.accdb"));
    QString error;
    ASSERT_TRUE(DatabaseWriter::writeTables(path, {t}, error, options)) << error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    RowFacts facts;
    facts.bytes = file.readAll();
    for (std::uint32_t n = 1; n < facts.bytes.size() / facts.pageSize; ++n) {
        const ByteView page(reinterpret_cast<const std::uint8_t*>(facts.bytes.constData()) + std::size_t(n) * facts.pageSize,
                            facts.pageSize);
        for (std::uint32_t r = 0; page.u8(0) == kPageData && r < page.u16(12); ++r) {
            const std::uint16_t entry = page.u16(14 + 2 * r);
            if ((entry & kRowOverflow) && !(entry & kRowDeleted))
                facts.pointerRows.push_back(std::size_t(n) * facts.pageSize + (entry & kRowOffsetMask));
        }
    }
    ASSERT_FALSE(facts.pointerRows.empty());
    DbError dbError;
    {
        auto db = AccessDatabase::openBytes(facts.bytes, {}, dbError);
        ASSERT_NE(db, nullptr) << dbError.description.toStdString();
        ASSERT_NE(db->findTable(QStringLiteral("Items")), nullptr);
        facts.tdef = db->findTable(QStringLiteral("Items"))->tdefPage();
    }
    ASSERT_EQ(facts.bytes.count(kFirstDate), 1);

    QByteArray damaged = facts.bytes;
    const std::uint32_t page = GetParam().apply(facts, damaged);
    ASSERT_NE(damaged, facts.bytes);
    auto db = AccessDatabase::openBytes(damaged, {}, dbError);
    ASSERT_NE(db, nullptr) << dbError.description.toStdString();
    dbError = readEveryTable(*db);
    ASSERT_EQ(dbError.number, db::errc::kDamaged) << dbError.description.toStdString();
    EXPECT_EQ(dbError.damage, QString::fromLatin1(GetParam().what));
    EXPECT_EQ(dbError.page, page);
    EXPECT_EQ(dbError.table, QStringLiteral("Items"));
}

INSTANTIATE_TEST_SUITE_P(Ace, DamagedRow, ::testing::ValuesIn(kRowDamages),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace quorvane::mdbwriter

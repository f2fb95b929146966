#include "mdbwriter/BenchDatabase.h"
#include "mdbwriter/DatabaseWriter.h"
#include "db/format/crypto/Rc4.h"
#include "mdbwriter/SampleDatabase.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>

namespace quorvane::mdbwriter {
namespace {

using db::ColumnType;
using db::Value;
using db::format::crypto::Rc4;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(DatabaseWriter, SampleDatabaseIsTheSameBytesEveryTime)
{
    QTemporaryDir dir;
    QString error;
    const QString a = dir.filePath(QStringLiteral("a.mdb"));
    const QString b = dir.filePath(QStringLiteral("b.mdb"));
    ASSERT_TRUE(SampleDatabase::write(a, error)) << error.toStdString();
    ASSERT_TRUE(SampleDatabase::write(b, error)) << error.toStdString();
    const QByteArray first = readAll(a);
    EXPECT_FALSE(first.isEmpty());
    EXPECT_TRUE(first == readAll(b));
}

TEST(DatabaseWriter, BenchDatabaseDependsOnlyOnTheSeed)
{
    QTemporaryDir dir;
    QString error;
    const QString paths[] = {dir.filePath(QStringLiteral("1.mdb")), dir.filePath(QStringLiteral("1again.mdb")),
                             dir.filePath(QStringLiteral("2.mdb"))};
    ASSERT_TRUE(BenchDatabase(1).write(paths[0], 3000, error)) << error.toStdString();
    ASSERT_TRUE(BenchDatabase(1).write(paths[1], 3000, error)) << error.toStdString();
    ASSERT_TRUE(BenchDatabase(2).write(paths[2], 3000, error)) << error.toStdString();
    EXPECT_TRUE(readAll(paths[0]) == readAll(paths[1]));
    EXPECT_FALSE(readAll(paths[0]) == readAll(paths[2]));
    // A row is the same whether or not the rows before it were made.
    EXPECT_EQ(BenchDatabase(1).row(2999), BenchDatabase(1).row(2999));
}

// The header page unmasked: version, code page, creation date, and the password as
// readers recover it (UTF-16, masked with the creation date's whole days).
class HeaderPage : public ::testing::TestWithParam<const char16_t*> {};

TEST_P(HeaderPage, CarriesVersionCodePageCreationDateAndPassword)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("h.mdb"));
    DatabaseWriter db;
    DatabaseOptions options;
    options.creationDate = 40000.75;
    options.password = QString::fromUtf16(GetParam());
    ASSERT_TRUE(db.open(path, options) && db.close()) << db.errorString().toStdString();

    QByteArray file = readAll(path);
    ASSERT_GE(file.size(), 7 * 4096);
    EXPECT_EQ(file.size() % 4096, 0);
    auto* p = reinterpret_cast<std::uint8_t*>(file.data());
    EXPECT_EQ(std::memcmp(p + 4, "Standard Jet DB", 16), 0);
    EXPECT_EQ(p[0x14], 1);
    static const std::uint8_t kKey[] = {0xC7, 0xDA, 0x39, 0x6B};
    Rc4(kKey).apply(std::span(p + 0x18, 128));
    EXPECT_EQ(p[0x3C] | (p[0x3D] << 8), 1252);
    double created;
    std::memcpy(&created, p + 0x72, 8);
    EXPECT_EQ(created, 40000.75);
    const std::uint8_t mask[4] = {40000 & 0xFF, 40000 >> 8, 0, 0};
    QString password;
    for (int i = 0; i < 40; i += 2) {
        const char16_t unit = char16_t((p[0x42 + i] ^ mask[i % 4]) | ((p[0x43 + i] ^ mask[(i + 1) % 4]) << 8));
        if (unit == 0)
            break;
        password += QChar(unit);
    }
    EXPECT_EQ(password, options.password);
    EXPECT_EQ(p[2 * 4096], 0x02) << "the catalog's definition on page 2";
}

INSTANTIATE_TEST_SUITE_P(Passwords, HeaderPage,
                         ::testing::Values(u"", u"secret", u"Geheimnis €ß", u"twenty characters!!!"));

// Each version's marks: signature and version byte, page size, the code page in the
// masked part of the header, the catalog's definition on page 2 (Jet 3's with its "VC").
struct VersionCase {
    Version version;
    const char* signature;
    int versionByte;
    int pageSize;
    int maskedBytes;
};

class FileLayout : public ::testing::TestWithParam<VersionCase> {};

TEST_P(FileLayout, HeaderAndPagesAreThoseOfTheVersion)
{
    const VersionCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("v.mdb"));
    DatabaseOptions options;
    options.version = c.version;
    options.codePage = 1250;
    QString error;
    ASSERT_TRUE(DatabaseWriter::writeTables(path, {{QStringLiteral("Łódź"), {Column::text("Ś")}, {}}}, error, options))
        << error.toStdString();
    QByteArray file = readAll(path);
    ASSERT_GE(file.size(), 8 * c.pageSize);
    EXPECT_EQ(file.size() % c.pageSize, 0);
    auto* p = reinterpret_cast<std::uint8_t*>(file.data());
    EXPECT_EQ(std::memcmp(p + 4, c.signature, 16), 0);
    EXPECT_EQ(p[0x14], c.versionByte);
    static const std::uint8_t kKey[] = {0xC7, 0xDA, 0x39, 0x6B};
    Rc4(kKey).apply(std::span(p + 0x18, std::size_t(c.maskedBytes)));
    EXPECT_EQ(p[0x3C] | (p[0x3D] << 8), 1250);
    const std::uint8_t* catalog = p + 2 * c.pageSize;
    EXPECT_EQ(catalog[0], 0x02);
    EXPECT_EQ(catalog[2] == 'V' && catalog[3] == 'C', c.version == Version::Jet3);
}

INSTANTIATE_TEST_SUITE_P(Versions, FileLayout,
                         ::testing::Values(VersionCase{Version::Jet3, "Standard Jet DB", 0, 2048, 126},
                                           VersionCase{Version::Jet4, "Standard Jet DB", 1, 4096, 128},
                                           VersionCase{Version::Ace, "Standard ACE DB", 3, 4096, 128}));

TEST(DatabaseWriter, RefusesAPasswordOfMoreThan20Characters)
{
    QTemporaryDir dir;
    DatabaseWriter db;
    DatabaseOptions options;
    options.password = QStringLiteral("twenty-one characters");
    EXPECT_FALSE(db.open(dir.filePath(QStringLiteral("p.mdb")), options));
    EXPECT_TRUE(db.errorString().contains(QStringLiteral("20 characters")));
}

// What the sample database must offer the exporter: every kind of value, Null in every
// kind that can be Null, line breaks in memos, long values on long-value pages.
TEST(DatabaseWriter, SampleDatabaseCoversWhatTheExporterFormats)
{
    const auto tables = SampleDatabase::tables();
    ASSERT_GE(tables.size(), 3u);
    std::size_t rows = 0;
    std::set<ColumnType> present, nulls;
    bool memoWithBreak = false, longMemo = false, chainedOle = false;
    for (const auto& t : tables) {
        rows += t.rows.size();
        for (const auto& row : t.rows) {
            ASSERT_EQ(row.size(), t.columns.size()) << t.name.toStdString();
            for (std::size_t c = 0; c < row.size(); ++c) {
                const ColumnType type = t.columns[c].type;
                (row[c].isNull() ? nulls : present).insert(type);
                if (type == ColumnType::Memo && !row[c].isNull()) {
                    memoWithBreak = memoWithBreak || row[c].asText().contains(QLatin1Char('\n'));
                    longMemo = longMemo || row[c].asText().size() > 4096;
                }
                if (type == ColumnType::Ole && !row[c].isNull())
                    chainedOle = chainedOle || row[c].asBinary().size() > 4076;
            }
        }
    }
    EXPECT_GE(rows, 100u);
    for (ColumnType type : {ColumnType::Text, ColumnType::Memo, ColumnType::Byte, ColumnType::Integer,
                            ColumnType::Long, ColumnType::Float, ColumnType::Double, ColumnType::Money,
                            ColumnType::Numeric, ColumnType::ShortDateTime, ColumnType::Boolean,
                            ColumnType::Guid, ColumnType::Binary, ColumnType::Ole}) {
        EXPECT_TRUE(present.count(type)) << db::columnTypeName(type).toStdString();
        if (type != ColumnType::Boolean) {
            EXPECT_TRUE(nulls.count(type)) << "no Null " << db::columnTypeName(type).toStdString();
        }
    }
    EXPECT_TRUE(memoWithBreak);
    EXPECT_TRUE(longMemo);
    EXPECT_TRUE(chainedOle);
}

// Misuse and values that do not fit: the call fails with a message saying why, every
// later call fails too, and no file appears.
struct Misuse {
    const char* what;
    std::function<bool(DatabaseWriter&)> calls;
    const char* message;
    Version version = Version::Jet4;
};

class DatabaseWriterMisuse : public ::testing::TestWithParam<Misuse> {};

TEST_P(DatabaseWriterMisuse, FailsWithAReasonAndLeavesNoFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.mdb"));
    DatabaseWriter db;
    DatabaseOptions options;
    options.version = GetParam().version;
    ASSERT_TRUE(db.open(path, options));
    EXPECT_FALSE(GetParam().calls(db));
    EXPECT_TRUE(db.errorString().contains(QString::fromUtf8(GetParam().message)))
        << db.errorString().toStdString();
    EXPECT_FALSE(db.close());
    EXPECT_FALSE(QFile::exists(path));
}

std::vector<Column> idAndName()
{
    return {Column::longInt("ID"), Column::text("Name", 3)};
}

db::Decimal decimalOf(std::uint32_t digits, std::uint8_t scale)
{
    db::Decimal d;
    d.lo = digits;
    d.scale = scale;
    return d;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DatabaseWriterMisuse,
    ::testing::Values(
        Misuse{"row outside a table", [](DatabaseWriter& db) { return db.addRow({Value::longInt(1)}); },
               "outside a table"},
        Misuse{"too few values",
               [](DatabaseWriter& db) { return db.beginTable("T", idAndName()) && db.addRow({Value::longInt(1)}); },
               "a row of 1 values for 2 columns"},
        Misuse{"wrong kind",
               [](DatabaseWriter& db) {
                   return db.beginTable("T", idAndName()) && db.addRow({Value::text("1"), Value::null()});
               },
               "a Text value where the column takes Long"},
        Misuse{"text too long",
               [](DatabaseWriter& db) {
                   return db.beginTable("T", idAndName()) && db.addRow({Value::longInt(1), Value::text("four")});
               },
               "4 characters where the column holds 3"},
        Misuse{"binary too long",
               [](DatabaseWriter& db) {
                   return db.beginTable("T", {Column::binary("B", 2)}) && db.addRow({Value::binary("abc")});
               },
               "3 bytes where the column holds 2"},
        Misuse{"decimal with more decimals than the column",
               [](DatabaseWriter& db) {
                   return db.beginTable("T", {Column::decimal("D", 10, 2)})
                       && db.addRow({Value::decimal(decimalOf(12345, 3))});
               },
               "12.345 does not fit a decimal of precision 10 and scale 2"},
        Misuse{"decimal with more digits than the precision",
               [](DatabaseWriter& db) {
                   return db.beginTable("T", {Column::decimal("D", 4, 2)})
                       && db.addRow({Value::decimal(decimalOf(1000, 1))});
               },
               "does not fit a decimal of precision 4"},
        Misuse{"same table name twice",
               [](DatabaseWriter& db) {
                   return db.beginTable("Orders", idAndName()) && db.endTable()
                       && db.beginTable("ORDERS", idAndName());
               },
               "exists already"},
        Misuse{"system table name", [](DatabaseWriter& db) { return db.beginTable("MSysMine", idAndName()); },
               "belong to the system tables"},
        Misuse{"empty table name", [](DatabaseWriter& db) { return db.beginTable("", idAndName()); },
               "1 to 64 characters"},
        Misuse{"same column name twice",
               [](DatabaseWriter& db) {
                   return db.beginTable("T", {Column::longInt("Näme"), Column::text("NÄME")});
               },
               "two columns are named"},
        Misuse{"no columns", [](DatabaseWriter& db) { return db.beginTable("T", {}); }, "1 to 255 columns"},
        Misuse{"text column of 256 characters",
               [](DatabaseWriter& db) { return db.beginTable("T", {Column::text("X", 256)}); }, "1 to 255 characters"},
        Misuse{"decimal scale above precision",
               [](DatabaseWriter& db) { return db.beginTable("T", {Column::decimal("X", 4, 5)}); },
               "precision of 1 to 28"},
        Misuse{"a kind the writer does not write",
               [](DatabaseWriter& db) {
                   return db.beginTable("T", {Column{"X", ColumnType::Unknown}});
               },
               "does not write"},
        Misuse{"attachments outside ACE",
               [](DatabaseWriter& db) { return db.beginTable("T", {Column::attachments("X")}); }, "only ACE files"},
        Misuse{"multi-valued memo",
               [](DatabaseWriter& db) { return db.beginTable("T", {Column::multiValued("X", Column::memo({}))}); },
               "items of a kind Access does not offer (MEMO)", Version::Ace},
        Misuse{"item of a column that holds none",
               [](DatabaseWriter& db) {
                   const Value item[] = {Value::text("a")};
                   return db.beginTable("T", idAndName()) && db.addComplexItem("Name", 1, item);
               },
               "has no attachment or multi-valued column \"Name\"", Version::Ace},
        Misuse{"item with the wrong number of values",
               [](DatabaseWriter& db) {
                   const Value item[] = {Value::text("a"), Value::text("b")};
                   return db.beginTable("T", {Column::multiValued("Tags", Column::text({}, 9))})
                       && db.addComplexItem("Tags", 1, item);
               },
               "an item of 2 values for 1", Version::Ace},
        Misuse{"Big Integer outside ACE",
               [](DatabaseWriter& db) { return db.beginTable("T", {Column::bigInt("X")}); }, "only ACE files"},
        Misuse{"more memo and OLE columns than one page of usage maps holds",
               [](DatabaseWriter& db) {
                   std::vector<Column> columns;
                   for (int i = 0; i < 28; ++i)
                       columns.push_back(Column::memo(QStringLiteral("M%1").arg(i)));
                   return db.beginTable("T", columns);
               },
               "too many memo and OLE columns"},
        Misuse{"row longer than a row may be",
               [](DatabaseWriter& db) {
                   std::vector<Column> columns;
                   std::vector<Value> row;
                   for (int i = 0; i < 9; ++i) {
                       columns.push_back(Column::text(QStringLiteral("T%1").arg(i), 255));
                       row.push_back(Value::text(QString(255, QChar(0x0416))));
                   }
                   return db.beginTable("T", columns) && db.addRow(row);
               },
               "longer than a row may be"},
        Misuse{"calculated column outside ACE",
               [](DatabaseWriter& db) { return db.beginTable("T", {Column::longInt("X").asCalculated()}); },
               "only ACE files have them"},
        Misuse{"Jet 3 text its code page lacks",
               [](DatabaseWriter& db) {
                   return db.beginTable("T", {Column::text("X")}) && db.addRow({Value::text("Жук")});
               },
               "code page lacks", Version::Jet3},
        Misuse{"Jet 3 row longer than a row may be",
               [](DatabaseWriter& db) {
                   std::vector<Column> columns;
                   std::vector<Value> row;
                   for (int i = 0; i < 9; ++i) {
                       columns.push_back(Column::text(QStringLiteral("T%1").arg(i), 255));
                       row.push_back(Value::text(QString(255, QChar(u'x'))));
                   }
                   return db.beginTable("T", columns) && db.addRow(row);
               },
               "longer than a row may be (2012)", Version::Jet3}),
    [](const ::testing::TestParamInfo<Misuse>& info) {
        std::string name;
        for (const char* c = info.param.what; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

} // namespace
} // namespace quorvane::mdbwriter

// Databases the writer makes, read back in full by mdbtools, an independent reader.
// Skipped when mdbtools is not installed.

#include "MdbTools.h"

#include "mdbwriter/BenchDatabase.h"
#include "mdbwriter/DatabaseWriter.h"
#include "mdbwriter/SampleDatabase.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvane::mdbwriter {
namespace {

using db::Value;
using testing::haveMdbTools;
using testing::matchesMdbExport;
using testing::mdbExport;
using testing::mdbTables;
using Table = TableData;

#define REQUIRE_MDBTOOLS()                                                                                             \
    if (!haveMdbTools())                                                                                               \
    GTEST_SKIP() << "mdbtools is not installed"


// Every row and every field of `table` as mdb-export prints it from `file`.
void expectReadBack(const QString& file, const Table& table)
{
    SCOPED_TRACE(table.name.toStdString());
    const std::vector<QStringList> printed = mdbExport(file, table.name);
    ASSERT_EQ(printed.size(), table.rows.size() + 1) << "header line and one line per row";
    QStringList header;
    for (const Column& c : table.columns)
        header << c.name;
    EXPECT_EQ(printed[0].join(u'|').toStdString(), header.join(u'|').toStdString());
    int mismatches = 0;
    for (std::size_t r = 0; r < table.rows.size() && mismatches < 10; ++r) {
        ASSERT_EQ(printed[r + 1].size(), qsizetype(table.columns.size())) << "row " << r;
        for (std::size_t c = 0; c < table.columns.size(); ++c) {
            QString why;
            if (!matchesMdbExport(table.columns[c], table.rows[r][c], printed[r + 1][c], why)) {
                ADD_FAILURE() << "row " << r << ", column " << table.columns[c].name.toStdString() << ": "
                              << why.toStdString();
                ++mismatches;
            }
        }
    }
}

TEST(MdbToolsRoundTrip, SampleDatabaseReadsBackRowForRow)
{
    REQUIRE_MDBTOOLS();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sample.mdb"));
    QString error;
    ASSERT_TRUE(SampleDatabase::write(path, error)) << error.toStdString();

    const std::vector<Table> tables = SampleDatabase::tables();
    QStringList names;
    for (const Table& t : tables)
        names << t.name;
    EXPECT_EQ(mdbTables(path), names);
    for (const Table& t : tables)
        expectReadBack(path, t);
}

TEST(MdbToolsRoundTrip, BenchDatabaseOf20000RowsReadsBackRowForRow)
{
    REQUIRE_MDBTOOLS();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mdb"));
    const BenchDatabase bench(7);
    QString error;
    ASSERT_TRUE(bench.write(path, 20'000, error)) << error.toStdString();

    Table expected{BenchDatabase::tableName(), BenchDatabase::columns(), {}};
    for (int i = 0; i < 20'000; ++i)
        expected.rows.push_back(bench.row(i));
    EXPECT_EQ(mdbTables(path), QStringList{BenchDatabase::tableName()});
    expectReadBack(path, expected);
}

// A memo and an OLE column holding values of the lengths where the storage changes:
// inside the row, one long-value row, a chain of long-value rows over several pages.
class LongValueLength : public ::testing::TestWithParam<int> {};

TEST_P(LongValueLength, ReadsBackWhole)
{
    REQUIRE_MDBTOOLS();
    const int length = GetParam();
    QString text;
    QByteArray bytes;
    for (int i = 0; i < length; ++i) {
        // Text that cannot be compressed, so its stored size is twice its length.
        text += QChar(0x0410 + i % 32);
        bytes += char(i * 7 + 1);
    }
    Table table{QStringLiteral("Long values"), {Column::longInt("N"), Column::memo("M"), Column::ole("O")}, {}};
    // Several rows, so chains also start on pages that already hold other values.
    for (int n = 0; n < 3; ++n)
        table.rows.push_back({Value::longInt(n), Value::text(text), Value::binary(bytes)});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.mdb"));
    QString error;
    ASSERT_TRUE(DatabaseWriter::writeTables(path, {table}, error)) << error.toStdString();
    expectReadBack(path, table);
}

// 32 and 64 bytes stay in the row, 2038 is the most a single long-value row holds as
// memo text, 4076 as OLE data; past that a chain of rows, and past 4072 per chain row
// the chain needs several pages. (mdb-export prints no more than 200,000 bytes of a
// memo, which 60,000 of these characters stay below.)
INSTANTIATE_TEST_SUITE_P(Boundaries, LongValueLength,
                         ::testing::Values(0, 1, 32, 33, 64, 65, 2038, 2039, 4072, 4076, 4077, 8145, 12217, 60'000));

// Null in every kind of column, and a row of values beside it so each null mask bit is
// seen flipping both ways.
TEST(MdbToolsRoundTrip, NullInEveryColumnKind)
{
    REQUIRE_MDBTOOLS();
    Table table{QStringLiteral("Nulls"),
                {Column::text("Text"), Column::memo("Memo"), Column::byte("Byte"), Column::integer("Integer"),
                 Column::longInt("Long"), Column::single("Single"), Column::dbl("Double"),
                 Column::currency("Currency"), Column::decimal("Decimal", 10, 3), Column::dateTime("When"),
                 Column::boolean("YesNo"), Column::guid("Guid"), Column::binary("Binary", 8), Column::ole("Ole")},
                {}};
    db::Guid g;
    g.bytes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    db::Decimal d;
    d.lo = 1234567;
    d.scale = 3;
    const std::vector<Value> full = {
        Value::text(QStringLiteral("x")),       Value::text(QStringLiteral("y")),
        Value::byte(255),                       Value::integer(-32768),
        Value::longInt(-2147483647 - 1),        Value::single(-1.5f),
        Value::dbl(2.5),                        Value::currency({-922337203685477580}),
        Value::decimal(d),                      Value::dateTime({36526.5}),
        Value::boolean(true),                   Value::guid(g),
        Value::binary(QByteArray("\x00\xff", 2)), Value::binary(QByteArray(100, 'z'))};
    table.rows.push_back(std::vector<Value>(table.columns.size()));
    table.rows.push_back(full);
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        // All set but one.
        std::vector<Value> row = full;
        row[c] = Value::null();
        table.rows.push_back(row);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nulls.mdb"));
    QString error;
    ASSERT_TRUE(DatabaseWriter::writeTables(path, {table}, error)) << error.toStdString();
    expectReadBack(path, table);
}

TEST(MdbToolsRoundTrip, NamesWithBlanksAndLettersOfManyScripts)
{
    REQUIRE_MDBTOOLS();
    const QStringList names = {QStringLiteral("Order Details"), QStringLiteral("Größe & Gewicht"),
                               QStringLiteral("Заказы 2024"), QStringLiteral("顧客"),
                               QStringLiteral("Ā first letter")};
    std::vector<Table> tables;
    for (const QString& name : names) {
        tables.push_back({name,
                          {Column::text(QStringLiteral("Straße Nr"), 20), Column::longInt(QStringLiteral("Ölmenge"))},
                          {{Value::text(name), Value::longInt(int(name.size()))}}});
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("names.mdb"));
    QString error;
    ASSERT_TRUE(DatabaseWriter::writeTables(path, tables, error)) << error.toStdString();
    EXPECT_EQ(mdbTables(path), names);
    for (const Table& t : tables)
        expectReadBack(path, t);
}

// Enough columns with long names that the table definition spans several pages, and
// enough rows for many data pages.
TEST(MdbToolsRoundTrip, DefinitionOverSeveralPagesAndManyDataPages)
{
    REQUIRE_MDBTOOLS();
    Table table{QStringLiteral("Wide"), {}, {}};
    for (int c = 0; c < 200; ++c)
        table.columns.push_back(Column::integer(QStringLiteral("A column with a long name and number %1").arg(c)));
    for (int r = 0; r < 300; ++r) {
        std::vector<Value> row;
        for (int c = 0; c < 200; ++c)
            row.push_back((r + c) % 17 == 0 ? Value::null() : Value::integer(std::int16_t(r * 200 + c)));
        table.rows.push_back(row);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wide.mdb"));
    QString error;
    ASSERT_TRUE(DatabaseWriter::writeTables(path, {table}, error)) << error.toStdString();
    expectReadBack(path, table);
}

// So many tables that the catalog's rows fill several data pages.
TEST(MdbToolsRoundTrip, CatalogOverSeveralPages)
{
    REQUIRE_MDBTOOLS();
    std::vector<Table> tables;
    QStringList names;
    for (int i = 0; i < 150; ++i) {
        names << QStringLiteral("Table number %1 with a longer name, ÄÖÜ").arg(i);
        tables.push_back({names.back(), {Column::longInt("N")}, {{Value::longInt(i)}}});
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("many.mdb"));
    QString error;
    ASSERT_TRUE(DatabaseWriter::writeTables(path, tables, error)) << error.toStdString();
    EXPECT_EQ(mdbTables(path), names);
    expectReadBack(path, tables.back());
}

} // namespace
} // namespace quorvane::mdbwriter

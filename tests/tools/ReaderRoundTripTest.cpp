// Databases the writer makes, read back in full through our own reader, the way the
// program reads them: a connection, "SELECT * FROM `name`", the record set row by row.

#include "mdbwriter/BenchDatabase.h"
#include "mdbwriter/DatabaseWriter.h"
#include "mdbwriter/SampleDatabase.h"

#include "db/Ado.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvane::mdbwriter {
namespace {

using db::ColumnType;
using db::Value;
using db::ValueKind;
using Table = TableData;

QString connectionTo(const QString& path, const QString& password = {})
{
    return QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=%1;JET OLEDB:Database Password=%2")
        .arg(path, password);
}


// What reading `written` back must give: the same value, except that Jet keeps no Null
// for Yes/No (it reads as No).
Value expectedBack(const Column& column, const Value& written)
{
    if (column.type == ColumnType::Boolean && written.isNull())
        return Value::boolean(false);
    return written;
}

QString describe(const Value& v)
{
    switch (v.kind()) {
    case ValueKind::Null: return QStringLiteral("Null");
    case ValueKind::Text: return QStringLiteral("text(%1) \"%2\"").arg(v.asText().size()).arg(v.asText().left(80));
    case ValueKind::Binary: return QStringLiteral("binary(%1)").arg(v.asBinary().size());
    case ValueKind::Decimal: return QStringLiteral("decimal %1").arg(v.asDecimal().toString(false));
    case ValueKind::DateTime: return QStringLiteral("date %1").arg(v.asDateTime().days, 0, 'g', 17);
    case ValueKind::Double: return QStringLiteral("double %1").arg(v.asDouble(), 0, 'g', 17);
    case ValueKind::Single: return QStringLiteral("single %1").arg(double(v.asSingle()), 0, 'g', 9);
    default: return QStringLiteral("kind %1").arg(int(v.kind()));
    }
}

bool sameValue(const Value& expected, const Value& got)
{
    if (expected.kind() == ValueKind::Decimal && got.kind() == ValueKind::Decimal)
        return expected.asDecimal().toString() == got.asDecimal().toString();
    return expected == got;
}

// Every row and field of `table` as our reader gives them from `path`.
void expectReadBack(const QString& path, const Table& table)
{
    SCOPED_TRACE(table.name.toStdString());
    try {
        auto connection = db::objectFactory().createConnection();
        connection->open(connectionTo(path));
        auto records = db::objectFactory().createRecordset();
        records->open(QStringLiteral("SELECT * FROM `%1`").arg(table.name), *connection);
        ASSERT_EQ(records->fieldCount(), int(table.columns.size()));
        for (int c = 0; c < records->fieldCount(); ++c)
            EXPECT_EQ(records->fieldName(c), table.columns[c].name);
        EXPECT_EQ(records->recordCount(), qint64(table.rows.size()));
        std::size_t r = 0;
        int mismatches = 0;
        for (; !records->eof() && r < table.rows.size(); records->moveNext(), ++r) {
            for (std::size_t c = 0; c < table.columns.size() && mismatches < 10; ++c) {
                const Value want = expectedBack(table.columns[c], table.rows[r][c]);
                const Value& got = records->fieldValue(int(c));
                if (!sameValue(want, got)) {
                    ADD_FAILURE() << "row " << r << ", column " << table.columns[c].name.toStdString() << ": wrote "
                                  << describe(want).toStdString() << ", read " << describe(got).toStdString();
                    ++mismatches;
                }
            }
        }
        EXPECT_EQ(r, table.rows.size());
        EXPECT_TRUE(records->eof());
        records->close();
        connection->close();
    } catch (const db::DbException& e) {
        FAIL() << "error " << e.number() << ": " << e.description().toStdString();
    }
}

TEST(ReaderRoundTrip, SampleDatabaseReadsBackRowForRow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sample.mdb"));
    QString error;
    ASSERT_TRUE(SampleDatabase::write(path, error)) << error.toStdString();
    for (const Table& t : SampleDatabase::tables())
        expectReadBack(path, t);
}

// The names the tables schema gives as user tables ("TABLE"), in its order.
QStringList userTables(const QString& path)
{
    QStringList tables;
    try {
        auto connection = db::objectFactory().createConnection();
        connection->open(connectionTo(path));
        auto schema = connection->openSchema(db::kSchemaTables);
        for (; !schema->eof(); schema->moveNext()) {
            if (schema->value(QStringLiteral("TABLE_TYPE")).asText() == QStringLiteral("TABLE"))
                tables << schema->value(QStringLiteral("TABLE_NAME")).asText();
        }
    } catch (const db::DbException& e) {
        ADD_FAILURE() << "error " << e.number() << ": " << e.description().toStdString();
    }
    return tables;
}

TEST(ReaderRoundTrip, TablesSchemaListsTheUserTablesAsTables)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sample.mdb"));
    QString error;
    ASSERT_TRUE(SampleDatabase::write(path, error)) << error.toStdString();
    QStringList expected;
    for (const Table& t : SampleDatabase::tables())
        expected << t.name;
    QStringList tables = userTables(path);
    tables.sort();
    expected.sort();
    EXPECT_EQ(tables, expected);
}

// So many tables that the catalog's rows fill several data pages.
TEST(ReaderRoundTrip, CatalogOverSeveralPagesListsEveryTable)
{
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
    QStringList listed = userTables(path);
    listed.sort();
    names.sort();
    EXPECT_EQ(listed, names);
    expectReadBack(path, tables[77]);
}

TEST(ReaderRoundTrip, BenchDatabaseOf20000RowsReadsBackRowForRow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mdb"));
    const BenchDatabase bench(11);
    QString error;
    ASSERT_TRUE(bench.write(path, 20'000, error)) << error.toStdString();
    Table expected{BenchDatabase::tableName(), BenchDatabase::columns(), {}};
    for (int i = 0; i < 20'000; ++i)
        expected.rows.push_back(bench.row(i));
    expectReadBack(path, expected);
}

// Long values at the lengths where their storage changes, in text that compresses and
// text that cannot, beyond what mdbtools prints; a million-byte OLE value.
class ReaderLongValue : public ::testing::TestWithParam<int> {};

TEST_P(ReaderLongValue, ReadsBackWhole)
{
    const int length = GetParam();
    QString narrow, wide;
    QByteArray bytes;
    for (int i = 0; i < length; ++i) {
        narrow += QChar(u'a' + i % 26);
        wide += QChar(0x0410 + i % 32);
        bytes += char(i % 251);
    }
    Table table{QStringLiteral("Long values"),
                {Column::memo("Narrow"), Column::memo("Wide"), Column::ole("Data")}, {}};
    for (int n = 0; n < 3; ++n)
        table.rows.push_back({Value::text(narrow), Value::text(wide), Value::binary(bytes)});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.mdb"));
    QString error;
    ASSERT_TRUE(DatabaseWriter::writeTables(path, {table}, error)) << error.toStdString();
    expectReadBack(path, table);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, ReaderLongValue,
                         ::testing::Values(0, 1, 32, 33, 64, 65, 1024, 1025, 2038, 2039, 4072, 4076, 4077, 8145,
                                           200'000, 1'000'000));

// What mdbtools cannot show: characters outside the basic plane, dates before 1900,
// zero bytes in binary columns, empty text beside Null, extreme numbers.
TEST(ReaderRoundTrip, ValuesMdbtoolsLoses)
{
    db::Decimal big;
    big.lo = 0x0FFFFFFF; // 28 nines: the most a decimal holds
    big.mid = 0x3E250261;
    big.hi = 0x204FCE5E;
    big.negative = true;
    db::Decimal tiny;
    tiny.lo = 1;
    tiny.scale = 28;
    Table table{QStringLiteral("Edges"),
                {Column::text("T", 20), Column::memo("M"), Column::dateTime("D"), Column::binary("B", 10),
                 Column::decimal("Big", 28, 0), Column::decimal("Tiny", 28, 28), Column::dbl("Dbl"),
                 Column::single("Sgl"), Column::currency("Cur")},
                {}};
    table.rows.push_back({Value::text(QStringLiteral("😀 emoji")), Value::text(QStringLiteral("𝄞 clef\r\n")),
                          Value::dateTime({-1.25}), Value::binary(QByteArray("\0\0\1", 3)), Value::decimal(big),
                          Value::decimal(tiny), Value::dbl(-1.7976931348623157e308), Value::single(1.17549435e-38f),
                          Value::currency({std::numeric_limits<std::int64_t>::min()})});
    table.rows.push_back({Value::text(QString()), Value::text(QString()), Value::dateTime({-657434.0}),
                          Value::binary(QByteArray()), Value::null(), Value::null(), Value::dbl(5e-324),
                          Value::single(-0.0f), Value::currency({std::numeric_limits<std::int64_t>::max()})});
    table.rows.push_back(std::vector<Value>(table.columns.size()));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("edges.mdb"));
    QString error;
    ASSERT_TRUE(DatabaseWriter::writeTables(path, {table}, error)) << error.toStdString();
    expectReadBack(path, table);
}

// A database password: the right one opens the file, any other is refused the way the
// provider refuses it. The creation date masks it: a date before 1899-12-30 with a time
// of day is where truncating and flooring its whole days part ways.
struct PasswordCase {
    const char16_t* stored;
    const char16_t* given;
    bool opens;
    double created = 45292.5;
};

class ReaderPassword : public ::testing::TestWithParam<PasswordCase> {};

TEST_P(ReaderPassword, GatesOpening)
{
    const PasswordCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("locked.mdb"));
    DatabaseOptions options;
    options.password = QString::fromUtf16(c.stored);
    options.creationDate = c.created;
    QString error;
    ASSERT_TRUE(DatabaseWriter::writeTables(
        path, {{QStringLiteral("T"), {Column::longInt("N")}, {{Value::longInt(42)}}}}, error, options))
        << error.toStdString();
    int number = 0;
    try {
        auto connection = db::objectFactory().createConnection();
        connection->open(connectionTo(path, QString::fromUtf16(c.given)));
    } catch (const db::DbException& e) {
        number = e.number();
    }
    EXPECT_EQ(number, c.opens ? 0 : db::errc::kBadPassword);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReaderPassword,
                         ::testing::Values(PasswordCase{u"", u"", true},
                                           PasswordCase{u"Geheim€", u"Geheim€", true},
                                           PasswordCase{u"Geheim€", u"geheim€", false},
                                           PasswordCase{u"Geheim€", u"", false},
                                           PasswordCase{u"twenty characters!!!", u"twenty characters!!!", true},
                                           PasswordCase{u"Geheim€", u"Geheim€", true, -1.5},
                                           PasswordCase{u"Geheim€", u"Geheim€", true, -0.25},
                                           PasswordCase{u"Geheim€", u"geheim€", false, -1.5}));

} // namespace
} // namespace quorvane::mdbwriter

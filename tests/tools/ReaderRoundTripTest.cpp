// Databases the writer makes, read back in full through our own reader, the way the
// program reads them: a connection, "SELECT * FROM `name`", the record set row by row.
// Every test runs over every file version the writer makes, Jet 3 in two code pages.

#include "mdbwriter/BenchDatabase.h"
#include "mdbwriter/DatabaseWriter.h"
#include "mdbwriter/HiddenTables.h"
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

// A file version and, for Jet 3, the code page its text is kept in.
struct FileKind {
    Version version;
    std::uint16_t codePage;
    const char* name;
};

const FileKind kFileKinds[] = {{Version::Jet3, 1252, "Jet3"},
                               {Version::Jet3, 1251, "Jet3Cyrillic"},
                               {Version::Jet4, 1252, "Jet4"},
                               {Version::Ace, 1252, "Ace"}};

std::string kindName(const FileKind& kind)
{
    return kind.name;
}

DatabaseOptions optionsFor(const FileKind& kind)
{
    DatabaseOptions options;
    options.version = kind.version;
    options.codePage = kind.codePage;
    return options;
}

Table storable(Table table, const FileKind& kind)
{
    return DatabaseWriter::storable(std::move(table), optionsFor(kind));
}

QString connectionTo(const QString& path, const QString& password = {})
{
    return QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=%1;JET OLEDB:Database Password=%2")
        .arg(path, password);
}


// What reading `written` back must give: the same value, except that Jet keeps no Null
// for Yes/No (it reads as No).
Value expectedBack(const Column& column, const Value& written)
{
    if (column.type == ColumnType::Boolean && !column.calculated && written.isNull())
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
    case ValueKind::Complex: return QStringLiteral("complex %1 \"%2\"").arg(v.asComplex().key).arg(v.asComplex().display);
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

class ReaderRoundTrip : public ::testing::TestWithParam<FileKind> {
protected:
    // Writes `tables` as the parameter's kind of file (text made storable first) and
    // gives back what must read back.
    std::vector<Table> write(const QString& path, std::vector<Table> tables, DatabaseOptions options = {})
    {
        const DatabaseOptions kind = optionsFor(GetParam());
        options.version = kind.version;
        options.codePage = kind.codePage;
        for (Table& t : tables)
            t = storable(std::move(t), GetParam());
        QString error;
        EXPECT_TRUE(DatabaseWriter::writeTables(path, tables, error, options)) << error.toStdString();
        return tables;
    }
    QTemporaryDir m_dir;
};

TEST_P(ReaderRoundTrip, SampleDatabaseReadsBackRowForRow)
{
    const QString path = m_dir.filePath(QStringLiteral("sample.mdb"));
    for (const Table& t : write(path, SampleDatabase::tables()))
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

TEST_P(ReaderRoundTrip, TablesSchemaListsTheUserTablesAsTables)
{
    const QString path = m_dir.filePath(QStringLiteral("sample.mdb"));
    QStringList expected;
    for (const Table& t : write(path, SampleDatabase::tables()))
        expected << t.name;
    QStringList tables = userTables(path);
    tables.sort();
    expected.sort();
    EXPECT_EQ(tables, expected);
}

// So many tables that the catalog's rows fill several data pages; a table so wide
// that its definition goes on over continuation pages.
TEST_P(ReaderRoundTrip, CatalogOverSeveralPagesListsEveryTable)
{
    std::vector<Table> tables;
    for (int i = 0; i < 150; ++i)
        tables.push_back({QStringLiteral("Table number %1 with a longer name, ÄÖÜ").arg(i), {Column::longInt("N")},
                          {{Value::longInt(i)}}});
    Table wide{QStringLiteral("Wide"), {}, {{}, {}}};
    for (int c = 0; c < 200; ++c) {
        wide.columns.push_back(c % 2 ? Column::integer(QStringLiteral("Integer column number %1").arg(c))
                                     : Column::text(QStringLiteral("Text column number %1").arg(c), 10));
        wide.rows[0].push_back(c % 2 ? Value::integer(std::int16_t(c)) : Value::text(QString::number(c)));
        wide.rows[1].push_back(Value::null());
    }
    tables.push_back(wide);
    const QString path = m_dir.filePath(QStringLiteral("many.mdb"));
    tables = write(path, tables);
    QStringList names;
    for (const Table& t : tables)
        names << t.name;
    QStringList listed = userTables(path);
    listed.sort();
    names.sort();
    EXPECT_EQ(listed, names);
    expectReadBack(path, tables[77]);
    expectReadBack(path, tables.back());
}

// Many pages, rows edited the way Access leaves them (moved on, a deleted copy
// behind), usage maps inline and on map pages of their own.
struct LayoutCase {
    int editedEvery;
    bool referenceMaps;
    std::uint32_t encodingKey = 0; // pages encoded as Encrypt Database leaves them
};

class ReaderLayout : public ::testing::TestWithParam<std::tuple<FileKind, LayoutCase>> {};

TEST_P(ReaderLayout, BenchDatabaseReadsBackRowForRow)
{
    const auto& [kind, layout] = GetParam();
    if (layout.encodingKey != 0 && kind.version == Version::Ace)
        GTEST_SKIP() << "ACE pages are encrypted with a password, which the writer does not do";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mdb"));
    const BenchDatabase bench(11);
    Table expected{BenchDatabase::tableName(), BenchDatabase::columns(), {}};
    for (int i = 0; i < 5'000; ++i)
        expected.rows.push_back(bench.row(i));
    expected = storable(std::move(expected), kind);
    DatabaseOptions options = optionsFor(kind);
    options.editedRowsEvery = layout.editedEvery;
    options.referenceUsageMaps = layout.referenceMaps;
    options.encodingKey = layout.encodingKey;
    QString error;
    ASSERT_TRUE(DatabaseWriter::writeTables(path, {expected}, error, options)) << error.toStdString();
    expectReadBack(path, expected);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ReaderLayout,
                         ::testing::Combine(::testing::ValuesIn(kFileKinds),
                                            ::testing::Values(LayoutCase{0, false}, LayoutCase{7, true},
                                                              LayoutCase{3, false, 0x9E17C35Au})),
                         [](const auto& info) {
                             const LayoutCase& layout = std::get<1>(info.param);
                             return kindName(std::get<0>(info.param))
                                 + (layout.encodingKey ? "Encoded" : layout.editedEvery ? "Edited" : "Plain");
                         });

// Long values at the lengths where their storage changes (inline, one long-value row,
// a chain; Jet 3's shorter rows as well), in text that compresses and text that
// cannot, beyond what mdbtools prints; a million-byte OLE value.
class ReaderLongValue : public ::testing::TestWithParam<std::tuple<FileKind, int>> {};

TEST_P(ReaderLongValue, ReadsBackWhole)
{
    const auto& [kind, length] = GetParam();
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
    table = storable(std::move(table), kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.mdb"));
    QString error;
    ASSERT_TRUE(DatabaseWriter::writeTables(path, {table}, error, optionsFor(kind))) << error.toStdString();
    expectReadBack(path, table);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, ReaderLongValue,
                         ::testing::Combine(::testing::ValuesIn(kFileKinds),
                                            ::testing::Values(0, 1, 32, 33, 64, 65, 1024, 1025, 2032, 2033, 2038,
                                                              2039, 4072, 4076, 4077, 8145, 200'000, 1'000'000)),
                         [](const auto& info) {
                             return kindName(std::get<0>(info.param)) + "_" + std::to_string(std::get<1>(info.param));
                         });

// What mdbtools cannot show: characters outside the basic plane, dates before 1900,
// zero bytes in binary columns, empty text beside Null, extreme numbers.
TEST_P(ReaderRoundTrip, ValuesMdbtoolsLoses)
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
    if (GetParam().version == Version::Ace) {
        // The kinds only ACE has, at the ends of their ranges.
        table.columns.push_back(Column::bigInt("BigInt"));
        table.columns.push_back(Column::dateTimeExtended("DateExt"));
        const Value ends[3][2] = {
            {Value::bigInt(std::numeric_limits<std::int64_t>::min()), Value::dateTimeExtended({0, 0})},
            {Value::bigInt(std::numeric_limits<std::int64_t>::max()),
             Value::dateTimeExtended({3652058, 863'999'999'999})},
            {Value::null(), Value::null()}};
        for (int r = 0; r < 3; ++r)
            table.rows[r].insert(table.rows[r].end(), std::begin(ends[r]), std::end(ends[r]));
    }
    const QString path = m_dir.filePath(QStringLiteral("edges.mdb"));
    for (const Table& t : write(path, {table}))
        expectReadBack(path, t);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ReaderRoundTrip, ::testing::ValuesIn(kFileKinds),
                         [](const auto& info) { return kindName(info.param); });

// Calculated columns (ACE) of every result type, Null results among them.
TEST(ReaderRoundTripCalculated, EveryResultTypeReadsBack)
{
    db::Decimal price;
    price.lo = 1234567;
    price.mid = 89;
    price.scale = 4;
    price.negative = true;
    db::Decimal small;
    small.lo = 5;
    small.scale = 1;
    struct Case {
        Column column;
        Value value;
        Value other;
    };
    const Case cases[] = {
        {Column::boolean("YesNo"), Value::boolean(true), Value::boolean(false)},
        {Column::byte("Byte"), Value::byte(200), Value::byte(0)},
        {Column::integer("Integer"), Value::integer(-12345), Value::integer(7)},
        {Column::longInt("Long"), Value::longInt(-2'000'000'000), Value::longInt(1)},
        {Column::single("Single"), Value::single(3.25f), Value::single(-0.5f)},
        {Column::dbl("Double"), Value::dbl(-1.0 / 3.0), Value::dbl(1e300)},
        {Column::currency("Currency"), Value::currency({-123456789}), Value::currency({10000})},
        {Column::decimal("Decimal", 18, 4), Value::decimal(price), Value::decimal(small)},
        {Column::dateTime("Date"), Value::dateTime({45292.75}), Value::dateTime({-1.25})},
        {Column::text("Text", 100), Value::text(QStringLiteral("Zoë Ångström")), Value::text(QStringLiteral("Ж"))},
        {Column::memo("Memo"), Value::text(QString(3000, QChar(u'm'))), Value::text(QStringLiteral("short"))},
    };
    Table table{QStringLiteral("Calculated"), {Column::longInt("ID")}, {{Value::longInt(1)}, {Value::longInt(2)}, {Value::longInt(3)}}};
    for (const Case& c : cases) {
        table.columns.push_back(c.column.asCalculated());
        table.rows[0].push_back(c.value);
        table.rows[1].push_back(c.other);
        // A Null result: Yes/No keeps one too when it is calculated.
        table.rows[2].push_back(Value::null());
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("calc.accdb"));
    DatabaseOptions options;
    options.version = Version::Ace;
    QString error;
    ASSERT_TRUE(DatabaseWriter::writeTables(path, {table}, error, options)) << error.toStdString();
    expectReadBack(path, table);
}

// Attachment and multi-valued fields (ACE): each row shows its items joined in the
// order of the hidden table, whatever their kind; a row without items shows nothing.
TEST(ReaderRoundTripComplex, ItemsReadBackJoined)
{
    using hiddentables::attachment;
    db::Decimal half;
    half.lo = 5;
    half.scale = 1;
    Table table{QStringLiteral("Gallery"),
                {Column::longInt("ID"), Column::attachments("Files"),
                 Column::multiValued("Tags", Column::text({}, 20)), Column::multiValued("Sizes", Column::dbl({})),
                 Column::multiValued("Ratios", Column::decimal({}, 10, 2))},
                {}};
    const QStringList files[] = {{}, {"a.txt"}, {"b.png", "notes.md"}};
    const QStringList tags[] = {{}, {"red"}, {"green", "blue; dark"}};
    for (int r = 0; r < 3; ++r) {
        table.rows.push_back({Value::longInt(r), Value::complex({r + 1, files[r].join("; ")}),
                              Value::complex({r + 1, tags[r].join("; ")}),
                              Value::complex({r + 1, r == 2 ? QStringLiteral("0.1; 1e+20") : QString()}),
                              r == 1 ? Value::complex({7, QStringLiteral("0.5")}) : Value::null()});
        for (const QString& f : files[r]) {
            // Stored as Access stores them, deflated or not.
            const auto item = attachment(f, QByteArray(r * 1000, 'x'), f.endsWith(QLatin1String("png")));
            table.items.push_back({QStringLiteral("Files"), r + 1, item});
        }
        for (const QString& t : tags[r])
            table.items.push_back({QStringLiteral("Tags"), r + 1, {Value::text(t)}});
    }
    table.items.push_back({QStringLiteral("Sizes"), 3, {Value::dbl(0.1)}});
    table.items.push_back({QStringLiteral("Sizes"), 3, {Value::dbl(1e20)}});
    table.items.push_back({QStringLiteral("Ratios"), 7, {Value::decimal(half)}});
    // Items whose row is gone are kept in the hidden table and shown nowhere.
    table.items.push_back({QStringLiteral("Tags"), 99, {Value::text(QStringLiteral("orphan"))}});
    // Items added to older rows later on come after theirs, in the order they were added.
    for (const auto& [key, tag] : {std::pair{2, "later"}, std::pair{1, "first"}, std::pair{2, "latest"}})
        table.items.push_back({QStringLiteral("Tags"), key, {Value::text(QString::fromUtf8(tag))}});
    table.rows[0][2] = Value::complex({1, QStringLiteral("first")});
    table.rows[1][2] = Value::complex({2, QStringLiteral("red; later; latest")});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gallery.accdb"));
    DatabaseOptions options;
    options.version = Version::Ace;
    QString error;
    ASSERT_TRUE(DatabaseWriter::writeTables(path, {table, {QStringLiteral("Plain"), {Column::longInt("N")}, {}}},
                                            error, options))
        << error.toStdString();
    expectReadBack(path, table);
    QStringList listed = userTables(path);
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"Gallery", "Plain"}));
}

// A database password: the right one opens the file, any other is refused the way the
// provider refuses it. The creation date masks it: a date before 1899-12-30 with a time
// of day is where truncating and flooring its whole days part ways.
struct PasswordCase {
    Version version;
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
    options.version = c.version;
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
                         ::testing::Values(PasswordCase{Version::Jet4, u"", u"", true},
                                           PasswordCase{Version::Jet4, u"Geheim€", u"Geheim€", true},
                                           PasswordCase{Version::Jet4, u"Geheim€", u"geheim€", false},
                                           PasswordCase{Version::Jet4, u"Geheim€", u"", false},
                                           PasswordCase{Version::Jet4, u"twenty characters!!!",
                                                        u"twenty characters!!!", true},
                                           PasswordCase{Version::Jet4, u"Geheim€", u"Geheim€", true, -1.5},
                                           PasswordCase{Version::Jet4, u"Geheim€", u"Geheim€", true, -0.25},
                                           PasswordCase{Version::Jet4, u"Geheim€", u"geheim€", false, -1.5},
                                           PasswordCase{Version::Jet3, u"Geheim€", u"Geheim€", true},
                                           PasswordCase{Version::Jet3, u"Geheim€", u"Geheim", false},
                                           PasswordCase{Version::Ace, u"", u"anything", true}));

} // namespace
} // namespace quorvane::mdbwriter

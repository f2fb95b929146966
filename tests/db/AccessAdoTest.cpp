// The connection and record set over the reader: the members the program relies on,
// the tables schema, and the one query it runs.

#include "CorpusSupport.h"
#include "db/AccessConnection.h"
#include "db/Ado.h"
#include "db/format/AccessDatabase.h"
#include "db/format/TableCursor.h"
#include "mdbwriter/DatabaseWriter.h"

#include <QTemporaryDir>

using namespace quorvane::db;
using namespace quorvane::test;

namespace {

QString connectionTo(const QString& file, const QString& password = {})
{
    return QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=%1;JET OLEDB:Database Password=%2")
        .arg(corpusFile(file), password);
}

int errorNumberOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const DbException& e) {
        return e.number();
    }
    return 0;
}

struct QueryCase {
    const char* query;
    const char* table; // nullptr: rejected
};

class SelectAllQuery : public ::testing::TestWithParam<QueryCase> {};

TEST_P(SelectAllQuery, AcceptsOnlyTheOneForm)
{
    const auto& c = GetParam();
    QString table;
    const bool ok = parseSelectAll(QString::fromUtf8(c.query), table);
    if (c.table) {
        ASSERT_TRUE(ok);
        EXPECT_EQ(table, QString::fromUtf8(c.table));
    } else {
        EXPECT_FALSE(ok) << "accepted as " << table.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectAllQuery,
    ::testing::Values(QueryCase{"SELECT * FROM `Orders`", "Orders"}, QueryCase{"select * from `Order Details`", "Order Details"},
                      QueryCase{"SELECT * FROM [Order Details]", "Order Details"}, QueryCase{"SELECT * FROM Orders", "Orders"},
                      QueryCase{"  SeLeCt   *\tFROM  `T` ; ", "T"}, QueryCase{"SELECT * FROM `Tä b-c`;", "Tä b-c"},
                      QueryCase{"SELECT * FROM `a;b`", "a;b"}, QueryCase{"SELECT a FROM `T`", nullptr},
                      QueryCase{"SELECT * FROM `T` WHERE 1=1", nullptr}, QueryCase{"SELECT * FROM T1, T2", nullptr},
                      QueryCase{"SELECT * FROM", nullptr}, QueryCase{"SELECT * FROM ``", nullptr},
                      QueryCase{"DELETE * FROM `T`", nullptr}, QueryCase{"SELECT * FROM `T`; DROP TABLE `T`", nullptr},
                      QueryCase{"SELECT * FROM [T", nullptr}, QueryCase{"", nullptr}, QueryCase{"SELECT * FROM Order Details", nullptr}),
    [](const auto& info) { return std::to_string(info.index); });

struct TypeCase {
    std::int16_t type;
    std::uint32_t flags;
    const char* name;
    const char* expected;
};

class SchemaType : public ::testing::TestWithParam<TypeCase> {};

TEST_P(SchemaType, AsTheProviderTypesIt)
{
    const auto& c = GetParam();
    EXPECT_EQ(schemaTableType(c.type, c.flags, QString::fromLatin1(c.name)), QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SchemaType,
    ::testing::Values(TypeCase{1, 0, "Orders", "TABLE"}, TypeCase{1, 0, "MSysCompactError", "TABLE"},
                      TypeCase{1, 0x80000000u, "MSysObjects", "SYSTEM TABLE"},
                      TypeCase{1, 0x80030000u, "MSysComplexType_Long", "SYSTEM TABLE"},
                      TypeCase{1, 0x2, "MSysAccessXML", "ACCESS TABLE"}, TypeCase{1, 0xA, "MSysNavPaneGroups", "ACCESS TABLE"},
                      TypeCase{6, 0, "Linked", "LINK"}, TypeCase{4, 0, "Odbc", "PASS-THROUGH"},
                      TypeCase{5, 0, "SelectQuery", "VIEW"}, TypeCase{5, 0x40, "AppendQuery", ""},
                      TypeCase{5, 0x80, "UnionQuery", ""}, TypeCase{5, 0x70, "PassthroughQuery", ""},
                      TypeCase{3, 0x80000000u, "Tables", ""}, TypeCase{-32757, 0, "SummaryInfo", ""}),
    [](const auto& info) { return std::to_string(info.index); });

std::vector<std::pair<QString, QString>> schemaOf(const QString& file)
{
    auto c = objectFactory().createConnection(kConnectionProgId);
    c->open(connectionTo(file));
    auto rs = c->openSchema(kSchemaTables);
    std::vector<std::pair<QString, QString>> rows;
    for (; !rs->eof(); rs->moveNext())
        rows.emplace_back(rs->value(QStringLiteral("table_name")).asText(), rs->value(QStringLiteral("Table_Type")).asText());
    c->close();
    return rows;
}

struct SchemaCase {
    const char* file;
    const char* name;
    const char* type;
};

class CorpusSchema : public ::testing::TestWithParam<SchemaCase> {};

TEST_P(CorpusSchema, ListsObjectInProviderOrder)
{
    if (!haveCorpus())
        GTEST_SKIP();
    const auto& c = GetParam();
    const auto rows = schemaOf(QString::fromLatin1(c.file));
    bool found = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].first == QLatin1String(c.name)) {
            EXPECT_EQ(rows[i].second, QString::fromLatin1(c.type));
            found = true;
        }
        if (i > 0) {
            const int byType = rows[i - 1].second.compare(rows[i].second, Qt::CaseInsensitive);
            EXPECT_TRUE(byType < 0 || (byType == 0 && rows[i - 1].first.compare(rows[i].first, Qt::CaseInsensitive) <= 0))
                << rows[i - 1].first.toStdString() << " before " << rows[i].first.toStdString();
        }
    }
    EXPECT_EQ(found, *c.type != 0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, CorpusSchema,
    ::testing::Values(SchemaCase{"jackcess--V2007--linkerTestV2007.accdb", "Table2", "LINK"},
                      SchemaCase{"jackcess--V2007--linkerTestV2007.accdb", "Table1", "TABLE"},
                      SchemaCase{"jackcess--V2007--odbcLinkerTestV2007.accdb", "Ordrar", "PASS-THROUGH"},
                      SchemaCase{"jackcess--V2007--queryTestV2007.accdb", "SelectQuery", "VIEW"},
                      SchemaCase{"jackcess--V2007--queryTestV2007.accdb", "AppendQuery", ""},
                      SchemaCase{"jackcess--V2007--queryTestV2007.accdb", "MSysObjects", "SYSTEM TABLE"},
                      SchemaCase{"jackcess--V2007--queryTestV2007.accdb", "MSysNavPaneGroups", "ACCESS TABLE"},
                      SchemaCase{"jackcess--V2000--queryTestV2000.mdb", "Table1", "TABLE"},
                      SchemaCase{"jackcess--V1997--queryTestV1997.mdb", "Table1", "TABLE"},
                      SchemaCase{"jackcess--V2007--delTestV2007.accdb", "MSysCompactError", "TABLE"}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(AccessRecordset, MembersOfAnOpenTable)
{
    if (!haveCorpus())
        GTEST_SKIP();
    auto c = objectFactory().createConnection(QStringLiteral("adodb.connection"));
    c->open(connectionTo(QStringLiteral("jackcess--V2000--testV2000.mdb")));
    auto rs = objectFactory().createRecordset(QStringLiteral("ADODB.Recordset"));
    EXPECT_EQ(rs->state(), kStateClosed);
    rs->open(QStringLiteral("SELECT * FROM [table1]"), *c, kOpenStatic, kLockOptimistic);
    EXPECT_EQ(rs->state(), kStateOpen);
    EXPECT_EQ(rs->recordCount(), 2);
    EXPECT_EQ(rs->fieldCount(), 9);
    EXPECT_EQ(rs->fieldName(0), QStringLiteral("A"));
    EXPECT_EQ(rs->value(QStringLiteral("a")).asText(), QStringLiteral("abcdefg"));
    EXPECT_EQ(rs->field(QStringLiteral("C")).value.asByte(), 2);
    EXPECT_EQ(rs->fieldValue(8).asBoolean(), true);
    EXPECT_EQ(errorNumberOf([&] { rs->fieldValue(9); }), errc::kItemNotFound);
    EXPECT_EQ(errorNumberOf([&] { rs->value(QStringLiteral("nope")); }), errc::kItemNotFound);
    rs->moveNext();
    EXPECT_FALSE(rs->eof());
    EXPECT_EQ(rs->fieldValue(0).asText(), QStringLiteral("a"));
    rs->moveNext();
    EXPECT_TRUE(rs->eof());
    EXPECT_EQ(errorNumberOf([&] { rs->moveNext(); }), errc::kNoCurrentRecord);
    EXPECT_EQ(errorNumberOf([&] { rs->fieldValue(0); }), errc::kNoCurrentRecord);
    EXPECT_EQ(rs->recordCount(), 2);
    EXPECT_EQ(errorNumberOf([&] { rs->open(QStringLiteral("SELECT * FROM Table1"), *c); }), errc::kObjectOpen);

    rs->close();
    EXPECT_EQ(rs->state(), kStateClosed);
    EXPECT_EQ(errorNumberOf([&] { rs->eof(); }), errc::kObjectClosed);
    EXPECT_EQ(errorNumberOf([&] { rs->moveNext(); }), errc::kObjectClosed);
    EXPECT_EQ(errorNumberOf([&] { rs->recordCount(); }), errc::kObjectClosed);
    EXPECT_EQ(errorNumberOf([&] { rs->fieldCount(); }), errc::kObjectClosed);
    EXPECT_EQ(errorNumberOf([&] { rs->fieldValue(0); }), errc::kObjectClosed);
    EXPECT_EQ(errorNumberOf([&] { rs->close(); }), errc::kObjectClosed);

    // Reopened on another table; an empty table is at EOF at once.
    rs->open(QStringLiteral("SELECT * FROM `Table2`"), *c);
    EXPECT_TRUE(rs->eof());
    EXPECT_EQ(rs->recordCount(), 0);
    EXPECT_EQ(rs->fieldCount(), 89);
    rs->close();

    // A record set outlives the connection it was opened on.
    rs->open(QStringLiteral("SELECT * FROM Table1"), *c);
    c->close();
    EXPECT_EQ(rs->fieldValue(3).asInteger(), 222);
    EXPECT_EQ(errorNumberOf([&] { c->close(); }), errc::kObjectClosed);
    EXPECT_EQ(errorNumberOf([&] { c->openSchema(kSchemaTables); }), errc::kObjectClosed);
}

// A table of many pages is counted by two threads, each taking half of its pages: the
// count, the parts and the rows are those of one walk, and damage is reported as one
// walk meets it, the first damaged page first.
TEST(AccessRecordset, LargeTableCountedByTwoThreadsAsByOne)
{
    constexpr int kRows = 20'000; // about 700 pages
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.mdb"));
    quorvane::mdbwriter::TableData table{QStringLiteral("Big"),
                                         {quorvane::mdbwriter::Column::longInt(QStringLiteral("ID")),
                                          quorvane::mdbwriter::Column::text(QStringLiteral("Name"), 200)},
                                         {}};
    for (int i = 0; i < kRows; ++i)
        table.rows.push_back({Value::longInt(i), Value::text(QString(100 + i % 50, QChar(u'a' + i % 26)))});
    QString written;
    ASSERT_TRUE(quorvane::mdbwriter::DatabaseWriter::writeTables(path, {table}, written)) << written.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();

    DbError error;
    auto db = format::AccessDatabase::openBytes(bytes, {}, error);
    ASSERT_NE(db, nullptr);
    auto cursor = db->openTable(db->findTable(QStringLiteral("Big"))->tdefPage(), error);
    ASSERT_NE(cursor, nullptr);
    std::vector<std::uint32_t> pages;
    ASSERT_TRUE(cursor->mapPages(pages));
    ASSERT_GE(pages.size(), 600u);
    const std::uint32_t pageSize = db->header().pageSize;

    const auto open = [&](const QByteArray& content) {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size())
            ADD_FAILURE() << "cannot write the copy";
        out.close();
        auto c = objectFactory().createConnection(QStringLiteral("adodb.connection"));
        c->open(QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=%1").arg(path));
        auto rs = objectFactory().createRecordset(QStringLiteral("ADODB.Recordset"));
        rs->open(QStringLiteral("SELECT * FROM Big"), *c);
        return rs;
    };
    auto rs = open(bytes);
    EXPECT_EQ(rs->recordCount(), kRows);
    auto parts = rs->rowParts();
    ASSERT_NE(parts, nullptr);
    auto reader = parts->reader();
    std::vector<Value> row;
    int next = 0;
    for (std::size_t part = 0; part < parts->count(); ++part) {
        reader->start(part);
        for (qint64 r = 0; r < parts->rows(part); ++r) {
            ASSERT_TRUE(reader->next(row));
            ASSERT_EQ(row.at(0).asLong(), next++);
        }
        EXPECT_FALSE(reader->next(row));
    }
    EXPECT_EQ(next, kRows);

    const auto zeroed = [&](std::initializer_list<std::size_t> at) {
        QByteArray copy = bytes;
        for (std::size_t i : at)
            copy.replace(qsizetype(pages[i]) * pageSize, pageSize, QByteArray(pageSize, '\0'));
        return copy;
    };
    for (const auto& [damaged, named] : {std::pair{zeroed({pages.size() * 3 / 4}), pages[pages.size() * 3 / 4]},
                                         std::pair{zeroed({pages.size() / 4, pages.size() * 3 / 4}),
                                                   pages[pages.size() / 4]}}) {
        try {
            open(damaged);
            ADD_FAILURE() << "a damaged page went unnoticed";
        } catch (const DbException& e) {
            EXPECT_EQ(e.error().page, named);
            EXPECT_EQ(e.error().damage, QStringLiteral("a page the table's map lists is not one of its data pages"));
        }
    }
}

struct OpenFailure {
    const char* label;
    const char* query;
    int number;
};

class RecordsetOpenFailure : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(RecordsetOpenFailure, ReportsTheProvidersNumber)
{
    if (!haveCorpus())
        GTEST_SKIP();
    auto c = objectFactory().createConnection(kConnectionProgId);
    c->open(connectionTo(QStringLiteral("jackcess--V2007--queryTestV2007.accdb")));
    auto rs = objectFactory().createRecordset(kRecordSetProgId);
    EXPECT_EQ(errorNumberOf([&] { rs->open(QString::fromUtf8(GetParam().query), *c); }), GetParam().number);
    EXPECT_EQ(rs->state(), kStateClosed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecordsetOpenFailure,
    ::testing::Values(OpenFailure{"unknownTable", "SELECT * FROM `NoSuchTable`", errc::kNoSuchTable},
                      OpenFailure{"query", "SELECT * FROM `SelectQuery`", errc::kNoSuchTable},
                      OpenFailure{"whereClause", "SELECT * FROM `Table1` WHERE x = 1", errc::kQuerySyntax},
                      OpenFailure{"columns", "SELECT a, b FROM `Table1`", errc::kQuerySyntax},
                      OpenFailure{"update", "UPDATE `Table1` SET a = 1", errc::kQuerySyntax}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(AccessConnection, OpenFailures)
{
    auto c = objectFactory().createConnection(kConnectionProgId);
    EXPECT_EQ(errorNumberOf([&] { c->open(QStringLiteral("Provider=SQLOLEDB;Data Source=x.mdb")); }),
              errc::kProviderNotFound);
    EXPECT_EQ(errorNumberOf([&] { c->open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/no/such.mdb")); }),
              errc::kFileNotFound);
    EXPECT_EQ(c->state(), kStateClosed);
    if (!haveCorpus())
        return;
    EXPECT_EQ(errorNumberOf([&] { c->open(connectionTo(QStringLiteral("mdbreader--password--V2003_with-password.mdb"))); }),
              errc::kBadPassword);
    c->open(connectionTo(QStringLiteral("mdbreader--password--V2003_with-password.mdb"), QStringLiteral("password")));
    EXPECT_EQ(c->state(), kStateOpen);
    EXPECT_EQ(errorNumberOf([&] { c->open(connectionTo(QStringLiteral("jackcess--emptyJet4.mdb"))); }), errc::kObjectOpen);
    EXPECT_EQ(errorNumberOf([&] { c->openSchema(4); }), errc::kWrongArguments);
}

TEST(ObjectFactory, UnknownIdentifiersAndReplacement)
{
    EXPECT_EQ(errorNumberOf([] { objectFactory().createConnection(QStringLiteral("ADODB.Command")); }),
              errc::kCannotCreateObject);
    EXPECT_EQ(errorNumberOf([] { objectFactory().createRecordset(QStringLiteral("ADODB.Connection")); }),
              errc::kCannotCreateObject);
    EXPECT_NE(objectFactory().createConnection(QStringLiteral("ADODB.CONNECTION")), nullptr);

    setObjectFactory(std::make_shared<FailingObjectFactory>(429, QStringLiteral("ActiveX component can't create object")));
    try {
        objectFactory().createConnection(kConnectionProgId);
        ADD_FAILURE() << "the failing factory created an object";
    } catch (const DbException& e) {
        EXPECT_EQ(e.number(), 429);
        EXPECT_EQ(e.description(), QStringLiteral("ActiveX component can't create object"));
    }
    setObjectFactory(nullptr);
    EXPECT_NE(objectFactory().createRecordset(kRecordSetProgId), nullptr);
}

} // namespace

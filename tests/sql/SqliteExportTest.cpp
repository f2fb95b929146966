// The SQLite export over the fake data-access interface: every kind of value arrives
// with its SQLite type and exact value, and a run that fails or is stopped midway
// leaves the file that was there and nothing beside it.

#include "export/sql/SqliteExport.h"

#include "FakeAdo.h"
#include "FakeExportHost.h"
#include "SqlTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace quorvane;
using db::ColumnType;
using db::Value;

db::SchemaColumn column(const char* name, ColumnType type)
{
    db::SchemaColumn c;
    c.name = QString::fromLatin1(name);
    c.type = type;
    return c;
}

db::DatabaseSchema everyKind()
{
    db::SchemaTable t;
    t.name = QStringLiteral("Every Kind");
    t.columns = {column("yes", ColumnType::Boolean), column("big", ColumnType::BigInt),
                 column("single", ColumnType::Float), column("money", ColumnType::Money),
                 column("decimal", ColumnType::Numeric), column("when", ColumnType::ShortDateTime),
                 column("text", ColumnType::Text), column("bytes", ColumnType::Binary),
                 column("nothing", ColumnType::Long)};
    db::DatabaseSchema s;
    s.tables.push_back(t);
    return s;
}

std::vector<Value> everyKindRow()
{
    db::Decimal d;
    d.lo = 123456789;
    d.scale = 6;
    d.negative = true;
    return {Value::boolean(true), Value::bigInt(-9'007'199'254'740'993LL), Value::single(0.3f),
            Value::currency({12345678901234LL}), Value::decimal(d),
            Value::dateTime({-1.25}), Value::text(QStringLiteral("a \"quote\" \u00e9 \U0001F600")),
            Value::binary(QByteArray("\x00\x01\xff", 3)), Value::null()};
}

TEST(SqliteExport, ValuesKeepTheirTypeAndExactValue)
{
    QTemporaryDir dir;
    auto fake = std::make_shared<fakes::FakeDatabase>();
    fake->add(QStringLiteral("Every Kind"),
              {QStringLiteral("yes"), QStringLiteral("big"), QStringLiteral("single"), QStringLiteral("money"),
               QStringLiteral("decimal"), QStringLiteral("when"), QStringLiteral("text"), QStringLiteral("bytes"),
               QStringLiteral("nothing")},
              {everyKindRow()});
    fakes::FakeObjectFactory factory(fake);
    const QString target = dir.filePath(QStringLiteral("out.sqlite"));
    const auto result = exporter::sql::exportToSqlite(target, everyKind(), factory,
                                                      db::FixedConnectionInputs(QStringLiteral("x.mdb"), {}), nullptr, nullptr);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.rows, 1);

    test::SqliteFile file(target);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(file.handle(), "SELECT * FROM \"Every Kind\"", -1, &s, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    const auto text = [&](int c) { return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, c))); };
    EXPECT_EQ(sqlite3_column_type(s, 0), SQLITE_INTEGER);
    EXPECT_EQ(sqlite3_column_int(s, 0), 1);
    EXPECT_EQ(sqlite3_column_int64(s, 1), -9'007'199'254'740'993LL);
    EXPECT_EQ(sqlite3_column_type(s, 2), SQLITE_FLOAT);
    EXPECT_EQ(static_cast<float>(sqlite3_column_double(s, 2)), 0.3f);
    EXPECT_EQ(sqlite3_column_type(s, 3), SQLITE_TEXT);
    EXPECT_EQ(text(3), QStringLiteral("1234567890.1234"));
    EXPECT_EQ(sqlite3_column_type(s, 4), SQLITE_TEXT);
    EXPECT_EQ(text(4), QStringLiteral("-123.456789"));
    EXPECT_EQ(text(5), QStringLiteral("1899-12-29 06:00:00"));
    EXPECT_EQ(text(6), QStringLiteral("a \"quote\" \u00e9 \U0001F600"));
    EXPECT_EQ(sqlite3_column_type(s, 7), SQLITE_BLOB);
    EXPECT_EQ(QByteArray(static_cast<const char*>(sqlite3_column_blob(s, 7)), sqlite3_column_bytes(s, 7)),
              QByteArray("\x00\x01\xff", 3));
    EXPECT_EQ(sqlite3_column_type(s, 8), SQLITE_NULL);
    sqlite3_finalize(s);
    EXPECT_EQ(file.scalar("PRAGMA integrity_check"), QStringLiteral("ok"));
}

TEST(SqliteExport, FailureMidwayLeavesTheOldFileAndNothingBeside)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.sqlite"));
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the file that was there");
    }
    auto fake = std::make_shared<fakes::FakeDatabase>();
    std::vector<std::vector<Value>> rows;
    for (int i = 0; i < 5000; ++i)
        rows.push_back(everyKindRow());
    fake->add(QStringLiteral("Every Kind"),
              {QStringLiteral("yes"), QStringLiteral("big"), QStringLiteral("single"), QStringLiteral("money"),
               QStringLiteral("decimal"), QStringLiteral("when"), QStringLiteral("text"), QStringLiteral("bytes"),
               QStringLiteral("nothing")},
              rows);
    fake->cellErrors.push_back({QStringLiteral("Every Kind"), 4000, 6,
                                db::DbError::damaged(QStringLiteral("a row runs past its page"), 77)});
    fakes::FakeObjectFactory factory(fake);
    const auto result = exporter::sql::exportToSqlite(target, everyKind(), factory,
                                                      db::FixedConnectionInputs(QStringLiteral("x.mdb"), {}), nullptr, nullptr);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(QStringLiteral("Every Kind"))) << result.error.toStdString();

    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("the file that was there"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("out.sqlite")});
}

// Stopped at the second table while the reading thread is ahead of SQLite: the run
// returns (the reader does not hang on its full queue) and leaves no file.
TEST(SqliteExport, StopMidwayEndsBothThreadsAndLeavesNoFile)
{
    QTemporaryDir dir;
    fakes::FakeExportHost host;
    db::DatabaseSchema schema;
    for (const QString& name : {QStringLiteral("First"), QStringLiteral("Second")}) {
        host.db().add(name,
                      {QStringLiteral("yes"), QStringLiteral("big"), QStringLiteral("single"), QStringLiteral("money"),
                       QStringLiteral("decimal"), QStringLiteral("when"), QStringLiteral("text"),
                       QStringLiteral("bytes"), QStringLiteral("nothing")},
                      std::vector<std::vector<Value>>(20'000, everyKindRow()));
        schema.tables.push_back(everyKind().tables.front());
        schema.tables.back().name = name;
    }
    host.onEvents = [&] { host.stop = host.texts.constLast() == QStringLiteral("Processing: Second"); };
    const QString target = dir.filePath(QStringLiteral("out.sqlite"));
    const auto result = exporter::sql::exportToSqlite(target, schema, host.factory,
                                                      db::FixedConnectionInputs(QStringLiteral("x.mdb"), {}), &host, &host);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, QStringLiteral("Second: stopped"));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

} // namespace

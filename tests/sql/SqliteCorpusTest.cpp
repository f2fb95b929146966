// Every local table of the corpus into SQLite and read back by meaning against what an
// independent reader read from the same files; the file passes PRAGMA integrity_check.
// Rows are compared as a multiset: a table whose key is an INTEGER PRIMARY KEY reads
// back in key order. Skips without the corpus.

#include "export/sql/SqliteExport.h"

#include "../db/CorpusSupport.h"
#include "SqlTestSupport.h"

#include "db/Ado.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>

namespace {

using namespace quorvane;

using test::ExpectedTable;

QString floatText(float v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, r.ptr - buf);
}

QString doubleText(double v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, r.ptr - buf);
}

// "1948-12-08T10:30" and "1948-12-08 10:30:00.000" alike as "1948-12-08 10:30:00".
QString canonicalDate(QString s)
{
    s.replace(QLatin1Char('T'), QLatin1Char(' '));
    QString fraction;
    const qsizetype dot = s.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        fraction = s.mid(dot + 1);
        s.truncate(dot);
        while (fraction.endsWith(QLatin1Char('0')))
            fraction.chop(1);
    }
    if (s.size() == 16)
        s += QStringLiteral(":00");
    return fraction.isEmpty() ? s : s + QLatin1Char('.') + fraction;
}

QString canonicalExpected(const QJsonValue& v, const QString& type)
{
    if (v.isNull())
        return QStringLiteral("null");
    if (v.isBool())
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    const QString s = v.toString();
    if (type == QLatin1String("COMPLEX_TYPE"))
        return QStringLiteral("c");
    if (type == QLatin1String("MONEY") || type == QLatin1String("NUMERIC"))
        return test::canonicalDecimal(s);
    // A column of a type the independent reader does not know: its raw bytes.
    if (s.startsWith(QLatin1String("?:RawData[")))
        return s.mid(s.indexOf(QLatin1Char(')')) + 1).remove(QLatin1Char(' ')).remove(QLatin1Char(']'));
    if (s.startsWith(QLatin1String("f:")))
        return floatText(s.mid(2).toFloat());
    if (s.startsWith(QLatin1String("d:")))
        return doubleText(s.mid(2).toDouble());
    if (s.startsWith(QLatin1String("t:")))
        return canonicalDate(s.mid(2));
    if (s.startsWith(QLatin1String("s:")) || s.startsWith(QLatin1String("x:")) || s.startsWith(QLatin1String("g:")))
        return s.mid(2);
    return s;
}

QString canonicalStored(sqlite3_stmt* s, int c, const QString& type)
{
    switch (sqlite3_column_type(s, c)) {
    case SQLITE_NULL: return QStringLiteral("null");
    case SQLITE_INTEGER: return QString::number(sqlite3_column_int64(s, c));
    case SQLITE_FLOAT:
        return type == QLatin1String("FLOAT") ? floatText(static_cast<float>(sqlite3_column_double(s, c)))
                                              : doubleText(sqlite3_column_double(s, c));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(s, c)), sqlite3_column_bytes(s, c))
            .toHex()
            .toUpper();
    default: break;
    }
    const QString text = QString::fromUtf16(static_cast<const char16_t*>(sqlite3_column_text16(s, c)),
                                            sqlite3_column_bytes16(s, c) / 2);
    if (type == QLatin1String("COMPLEX_TYPE"))
        return QStringLiteral("c");
    if (type == QLatin1String("MONEY") || type == QLatin1String("NUMERIC"))
        return test::canonicalDecimal(text);
    if (type == QLatin1String("SHORT_DATE_TIME") || type == QLatin1String("EXT_DATE_TIME"))
        return canonicalDate(text);
    return text;
}

QString rowLine(const QStringList& values)
{
    // A separator no value holds after escaping.
    QStringList escaped;
    for (QString v : values)
        escaped.append(v.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('|'), QLatin1String("\\|")));
    return escaped.join(QLatin1Char('|'));
}

// The expected rows in the canonical form, one line per row.
QStringList canonicalRows(const ExpectedTable& t)
{
    QStringList rows;
    for (const QJsonArray& a : t.rows) {
        QStringList values;
        for (qsizetype i = 0; i < a.size(); ++i)
            values.append(canonicalExpected(a.at(i), t.types.value(i)));
        rows.append(rowLine(values));
    }
    return rows;
}

class SqliteCorpus : public testing::TestWithParam<QString> {};

TEST_P(SqliteCorpus, EveryTableReadsBackAsExpected)
{
    const QString file = GetParam();
    const std::vector<ExpectedTable> expected =
        test::readExpected(test::corpusDir() + QStringLiteral("/expected/") + file + QStringLiteral(".jsonl"));
    if (expected.empty())
        GTEST_SKIP() << "no local tables expected";
    const db::FixedConnectionInputs inputs(test::corpusFile(file), test::corpusPasswords().value(file));

    db::DatabaseSchema schema;
    db::DbError error;
    ASSERT_TRUE(db::readDatabaseSchema(inputs.databasePath(), inputs.databasePassword(), {}, schema, error))
        << error.description.toStdString();
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.sqlite"));
    const auto result =
        exporter::sql::exportToSqlite(target, schema, db::objectFactory(), inputs, nullptr, nullptr);
    ASSERT_TRUE(result.ok) << result.error.toStdString();

    test::SqliteFile out(target);
    EXPECT_EQ(out.scalar("PRAGMA integrity_check"), QStringLiteral("ok"));
    for (const ExpectedTable& t : expected) {
        SCOPED_TRACE(t.name.toStdString());
        sqlite3_stmt* s = nullptr;
        const QByteArray sql = (QStringLiteral("SELECT * FROM ") + exporter::sql::quoteName(exporter::sql::Dialect::Sqlite, t.name)).toUtf8();
        ASSERT_EQ(sqlite3_prepare_v2(out.handle(), sql.constData(), -1, &s, nullptr), SQLITE_OK)
            << sqlite3_errmsg(out.handle());
        QStringList rows;
        while (sqlite3_step(s) == SQLITE_ROW) {
            QStringList values;
            for (int c = 0; c < sqlite3_column_count(s); ++c)
                values.append(canonicalStored(s, c, t.types.value(c)));
            rows.append(rowLine(values));
        }
        sqlite3_finalize(s);
        QStringList want = canonicalRows(t);
        std::sort(rows.begin(), rows.end());
        std::sort(want.begin(), want.end());
        ASSERT_EQ(rows.size(), want.size());
        for (qsizetype i = 0; i < rows.size(); ++i)
            ASSERT_EQ(rows[i], want[i]) << "sorted row " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, SqliteCorpus, testing::ValuesIn(test::corpusFiles()),
                         [](const auto& info) { return test::testNameOf(info.param); });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(SqliteCorpus);

} // namespace

namespace {

// The index and relationship definitions of a file whose structure is known: Table1
// refers to Table2 (cascading deletes) and Table3 (cascading updates).
TEST(SchemaFromCorpus, KeysIndexesAndRelationships)
{
    const QString file = test::corpusFile(QStringLiteral("jackcess--V2000--indexTestV2000.mdb"));
    if (!QFile::exists(file))
        GTEST_SKIP() << "corpus absent";
    db::DatabaseSchema schema;
    db::DbError error;
    ASSERT_TRUE(db::readDatabaseSchema(file, {}, {QStringLiteral("table1")}, schema, error))
        << error.description.toStdString();
    ASSERT_EQ(schema.tables.size(), 1u);
    const db::SchemaTable& t = schema.tables.front();
    EXPECT_EQ(t.name, QStringLiteral("Table1"));
    ASSERT_FALSE(t.indexes.empty());
    EXPECT_TRUE(t.indexes.front().primary);
    EXPECT_EQ(t.indexes.front().columns, QStringList{QStringLiteral("id")});
    // Only Table1 was asked for: relationships to the others are left out.
    EXPECT_TRUE(schema.relations.empty());

    ASSERT_TRUE(db::readDatabaseSchema(file, {}, {}, schema, error)) << error.description.toStdString();
    ASSERT_EQ(schema.relations.size(), 2u);
    for (const db::SchemaRelation& r : schema.relations) {
        EXPECT_EQ(r.table, QStringLiteral("Table1"));
        EXPECT_TRUE(r.enforced);
        if (r.referencedTable == QLatin1String("Table2")) {
            EXPECT_EQ(r.columns, QStringList{QStringLiteral("otherfk1")});
            EXPECT_TRUE(r.cascadeDeletes && !r.cascadeUpdates);
        } else {
            EXPECT_EQ(r.referencedTable, QStringLiteral("Table3"));
            EXPECT_TRUE(r.cascadeUpdates && !r.cascadeDeletes);
        }
    }
}

} // namespace

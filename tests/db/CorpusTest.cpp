// Every table of every corpus file, read through the connection and record set, must
// match what an independent reader read from the same file, compared by meaning.

#include "CorpusSupport.h"
#include "db/Ado.h"
#include "db/ConnectionString.h"
#include "db/JsonDump.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

using namespace quorvane::db;
using namespace quorvane::test;

namespace {

struct ExpectedTable {
    QString name;
    bool linked = false;
    qint64 rows = 0;
    QJsonArray columns;
    std::vector<QJsonArray> records;
};

std::vector<ExpectedTable> loadExpected(const QString& file)
{
    std::vector<ExpectedTable> tables;
    QFile f(corpusDir() + QStringLiteral("/expected/") + file + QStringLiteral(".jsonl"));
    if (!f.open(QIODevice::ReadOnly))
        return tables;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        const QJsonDocument doc = QJsonDocument::fromJson(line);
        if (doc.isObject()) {
            const QJsonObject o = doc.object();
            tables.push_back({o[QStringLiteral("table")].toString(), o[QStringLiteral("linked")].toBool(),
                              o[QStringLiteral("rows")].toInteger(), o[QStringLiteral("columns")].toArray(), {}});
        } else if (doc.isArray() && !tables.empty()) {
            tables.back().records.push_back(doc.array());
        }
    }
    return tables;
}

// "2020-06-17T00:00" -> "2020-06-17T00:00:00.000000000"
QString canonicalInstant(const QString& iso)
{
    QString s = iso;
    if (s.size() == 16)
        s += QStringLiteral(":00");
    QString fraction;
    const qsizetype dot = s.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        fraction = s.mid(dot + 1);
        s.truncate(dot);
    }
    while (fraction.size() < 9)
        fraction += QLatin1Char('0');
    return s + QLatin1Char('.') + fraction.left(9);
}

// Compares one value, as accdump writes it, with its form in the dump, by meaning:
// doubles and singles as numbers, dates as instants, digits as exact decimals, text
// and bytes exactly. Says why when they differ.
bool sameMeaning(const Value& v, const QJsonValue& e, QString& why)
{
    QByteArray mine = "[";
    appendJsonValue(mine, v);
    mine += ']';
    const QJsonValue g = QJsonDocument::fromJson(mine).array().at(0);
    auto differ = [&]() {
        why = QStringLiteral("expected %1, read %2")
                  .arg(QString::fromUtf8(QJsonDocument(QJsonArray{e}).toJson(QJsonDocument::Compact)),
                       QString::fromUtf8(mine));
        return false;
    };
    if (e.isNull() || e.isBool() || g.isNull() || g.isBool())
        return g == e || differ();
    const QString s = e.toString();
    if (s.startsWith(QLatin1String("c:")) || s.startsWith(QLatin1String("?:")))
        return true; // complex and unsupported values are not compared
    if (!g.isString())
        return differ();
    const QString t = g.toString();
    const QString tag = s.left(2);
    if (tag == QLatin1String("d:"))
        return (t.startsWith(tag) && t.mid(2).toDouble() == s.mid(2).toDouble()) || differ();
    if (tag == QLatin1String("f:"))
        return (t.startsWith(tag) && t.mid(2).toFloat() == s.mid(2).toFloat()) || differ();
    if (tag == QLatin1String("t:"))
        return (t.startsWith(tag) && canonicalInstant(t.mid(2)) == canonicalInstant(s.mid(2))) || differ();
    if (tag == QLatin1String("s:") || tag == QLatin1String("x:"))
        return t == s || differ();
    if (tag == QLatin1String("g:"))
        return t.compare(s, Qt::CaseInsensitive) == 0 || differ();
    // Whole numbers, Currency and Decimal: exact digits.
    return canonicalDecimal(t) == canonicalDecimal(s) || differ();
}

class CorpusFile : public ::testing::TestWithParam<QString> {};

TEST_P(CorpusFile, TablesMatchTheirDumps)
{
    if (!haveCorpus())
        GTEST_SKIP() << "no corpus at " << corpusDir().toStdString();
    const QString file = GetParam();
    const QString password = corpusPasswords().value(file);
    ASSERT_TRUE(QFile::exists(corpusDir() + QStringLiteral("/expected/") + file + QStringLiteral(".jsonl")))
        << "no expected dump for " << file.toStdString();
    const auto expected = loadExpected(file);

    auto connection = objectFactory().createConnection(kConnectionProgId);
    try {
        connection->open(QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=%1;Jet OLEDB:Database Password=%2")
                             .arg(quoteConnectionValue(corpusFile(file)), quoteConnectionValue(password)));
    } catch (const DbException& e) {
        FAIL() << "cannot open: " << e.description().toStdString();
    }

    QHash<QString, QString> schemaType;
    auto schema = connection->openSchema(kSchemaTables);
    for (; !schema->eof(); schema->moveNext())
        schemaType.insert(schema->value(QStringLiteral("TABLE_NAME")).asText(),
                          schema->value(QStringLiteral("TABLE_TYPE")).asText());

    // No local table beyond those of the dump.
    for (auto it = schemaType.cbegin(); it != schemaType.cend(); ++it) {
        if (it.value() != QLatin1String("TABLE"))
            continue;
        const bool known = std::any_of(expected.begin(), expected.end(),
                                       [&](const ExpectedTable& t) { return t.name == it.key() && !t.linked; });
        EXPECT_TRUE(known) << file.toStdString() << ": " << it.key().toStdString() << " is listed but not in the dump";
    }

    int matching = 0, local = 0;
    auto rs = objectFactory().createRecordset(kRecordSetProgId);
    for (const ExpectedTable& table : expected) {
        const std::string label = file.toStdString() + " / " + table.name.toStdString();
        if (table.linked) {
            EXPECT_NE(schemaType.value(table.name), QStringLiteral("TABLE")) << label << ": a linked table is listed as local";
            continue;
        }
        ++local;
        EXPECT_EQ(schemaType.value(table.name), QStringLiteral("TABLE")) << label;
        try {
            rs->open(QStringLiteral("SELECT * FROM `%1`").arg(table.name), *connection);
        } catch (const DbException& e) {
            ADD_FAILURE() << label << ": " << e.description().toStdString();
            continue;
        }
        bool ok = true;
        if (rs->fieldCount() != table.columns.size()) {
            ADD_FAILURE() << label << ": " << rs->fieldCount() << " columns, expected " << table.columns.size();
            ok = false;
        }
        for (int i = 0; ok && i < rs->fieldCount(); ++i) {
            const QJsonArray col = table.columns[i].toArray();
            const QString type = col[1].toString();
            if (rs->fieldName(i) != col[0].toString() ||
                (!type.startsWith(QLatin1String("UNSUPPORTED")) && columnTypeName(rs->fieldType(i)) != type)) {
                ADD_FAILURE() << label << ": column " << i << " is " << rs->fieldName(i).toStdString() << " "
                              << columnTypeName(rs->fieldType(i)).toStdString() << ", expected "
                              << col[0].toString().toStdString() << " " << type.toStdString();
                ok = false;
            }
        }
        if (ok && rs->recordCount() != table.rows) {
            ADD_FAILURE() << label << ": RecordCount " << rs->recordCount() << ", expected " << table.rows;
            ok = false;
        }
        std::size_t record = 0;
        try {
            for (; ok && !rs->eof(); rs->moveNext(), ++record) {
                if (record >= table.records.size()) {
                    ADD_FAILURE() << label << ": more records than expected";
                    ok = false;
                    break;
                }
                for (int i = 0; i < rs->fieldCount(); ++i) {
                    QString why;
                    if (!sameMeaning(rs->fieldValue(i), table.records[record][i], why)) {
                        ADD_FAILURE() << label << ": record " << record << ", column " << rs->fieldName(i).toStdString()
                                      << ": " << why.toStdString();
                        ok = false;
                        break;
                    }
                }
            }
        } catch (const DbException& e) {
            ADD_FAILURE() << label << ": " << e.description().toStdString();
            ok = false;
        }
        if (ok && record != table.records.size()) {
            ADD_FAILURE() << label << ": " << record << " records, expected " << table.records.size();
            ok = false;
        }
        rs->close();
        matching += ok ? 1 : 0;
    }
    RecordProperty("tables_matching", matching);
    RecordProperty("local_tables", local);
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusFile, ::testing::ValuesIn(corpusFiles().isEmpty() ? QStringList{QStringLiteral("none")} : corpusFiles()),
                         [](const ::testing::TestParamInfo<QString>& info) { return testNameOf(info.param); });

} // namespace

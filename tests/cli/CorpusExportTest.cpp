// Every table of the corpus, exported through quorvane-export with --one-file under the C
// and en_US locales, read back as RFC 4180 and compared with what an independent reader
// read from the same files. Skips when the corpus is absent; any other folder laid out
// the same way (files/, expected/, passwords.tsv) can be given in QUORVANE_CORPUS.

#include "QtPrinters.h"
#include "../db/CorpusSupport.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

QString corpusDir()
{
    const QByteArray fromEnv = qgetenv("QUORVANE_CORPUS");
    return fromEnv.isEmpty() ? QStringLiteral(QUORVANE_CORPUS_DIR) : QString::fromLocal8Bit(fromEnv);
}

using quorvane::test::ExpectedTable;
using quorvane::test::readExpected;

// RFC 4180: fields split at commas, quoted fields with "" for a quote, records ended by
// CRLF (line breaks inside quotes belong to the field). `quotedOut`, when given, tells
// for each field whether it came between quotes.
std::vector<QStringList> parseCsv(const QString& text, std::vector<std::vector<bool>>* quotedOut = nullptr)
{
    std::vector<bool> quotedFields;
    bool wasQuoted = false;
    std::vector<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                    field += QLatin1Char('"');
                    i += 2;
                    continue;
                }
                quoted = false;
                ++i;
                continue;
            }
            field += c;
            ++i;
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = wasQuoted = true;
            ++i;
        } else if (c == QLatin1Char(',')) {
            record.append(field);
            quotedFields.push_back(wasQuoted);
            field.clear();
            wasQuoted = false;
            ++i;
        } else if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n')) {
            record.append(field);
            quotedFields.push_back(wasQuoted);
            field.clear();
            wasQuoted = false;
            records.push_back(record);
            record.clear();
            if (quotedOut)
                quotedOut->push_back(std::move(quotedFields));
            quotedFields.clear();
            i += 2;
        } else {
            field += c;
            ++i;
        }
    }
    if (!field.isEmpty() || !record.isEmpty()) {
        record.append(field);
        records.push_back(record);
        quotedFields.push_back(wasQuoted);
        if (quotedOut)
            quotedOut->push_back(std::move(quotedFields));
    }
    return records;
}

// Seconds since 0001-01-01 of "yyyy-MM-ddTHH:mm[:ss[.fffffff]]".
std::optional<double> isoSeconds(const QString& iso)
{
    static const QRegularExpression re(
        QStringLiteral(R"(^(-?\d+)-(\d\d)-(\d\d)(?:T(\d\d):(\d\d)(?::(\d\d)(\.\d+)?)?)?$)"));
    const auto m = re.match(iso);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const double day = static_cast<double>(date.toJulianDay());
    return day * 86400.0 + m.captured(4).toInt() * 3600.0 + m.captured(5).toInt() * 60.0 + m.captured(6).toInt()
        + (m.captured(7).isEmpty() ? 0.0 : m.captured(7).toDouble());
}

// Seconds since 0001-01-01 of what the export wrote under `locale`.
std::optional<double> exportedSeconds(const QString& text, bool enUs)
{
    static const QRegularExpression cForm(
        QStringLiteral(R"(^(?:(\d{4,})-(\d\d)-(\d\d))?\s*(?:(\d\d):(\d\d):(\d\d)([.]\d+)?)?$)"));
    static const QRegularExpression usForm(
        QStringLiteral(R"(^(?:(\d{1,2})/(\d{1,2})/(\d{4,}))?\s*(?:(\d{1,2}):(\d\d):(\d\d)([.]\d+)? (AM|PM))?$)"));
    const auto m = (enUs ? usForm : cForm).match(text);
    if (!m.hasMatch() || text.isEmpty())
        return std::nullopt;
    QDate date(1899, 12, 30);
    if (!m.captured(1).isEmpty()) {
        date = enUs ? QDate(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt())
                    : QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    }
    int hour = m.captured(4).toInt();
    if (enUs && !m.captured(8).isEmpty())
        hour = hour % 12 + (m.captured(8) == QLatin1String("PM") ? 12 : 0);
    return static_cast<double>(date.toJulianDay()) * 86400.0 + hour * 3600.0 + m.captured(5).toInt() * 60.0
        + m.captured(6).toInt() + (m.captured(7).isEmpty() ? 0.0 : m.captured(7).toDouble());
}

// Empty when `actual` is what the export should show for `expected`; a reason otherwise.
// `exact`: the text of --values exact, where numbers and dates must read back equal.
QString compare(const QJsonValue& expected, const QString& type, const QString& actual, bool enUs, bool exact = false)
{
    if (expected.isNull())
        return actual.isEmpty() ? QString() : QStringLiteral("expected Null");
    if (expected.isBool()) {
        const bool t = expected.toBool();
        const QLatin1String word = exact ? (t ? QLatin1String("true") : QLatin1String("false"))
                                         : (t ? QLatin1String("True") : QLatin1String("False"));
        return actual == word ? QString() : QStringLiteral("boolean");
    }
    const QString e = expected.toString();
    if (e.startsWith(QLatin1String("c:")))
        return {};
    // A column of a type the independent reader does not know: its raw bytes, which the
    // export shows as hexadecimal like any binary value.
    if (e.startsWith(QLatin1String("?:RawData["))) {
        QString hex = e.mid(e.indexOf(QLatin1Char(')')) + 1);
        hex.remove(QLatin1Char(' ')).remove(QLatin1Char(']'));
        return actual == hex ? QString() : QStringLiteral("expected ") + e;
    }
    if (e.startsWith(QLatin1String("s:")) || e.startsWith(QLatin1String("x:")) || e.startsWith(QLatin1String("g:")))
        return actual == e.mid(2) ? QString() : QStringLiteral("expected ") + e;
    if (e.startsWith(QLatin1String("f:")) || e.startsWith(QLatin1String("d:"))) {
        bool ok = false;
        const double a = actual.toDouble(&ok);
        const double x = e.mid(2).toDouble();
        const double tolerance = e.startsWith(QLatin1String("f:")) ? 1e-6 : 1e-14;
        if (exact) {
            const bool same = e.startsWith(QLatin1String("f:")) ? static_cast<float>(a) == static_cast<float>(x) : a == x;
            return ok && same ? QString() : QStringLiteral("expected exactly ") + e;
        }
        if (ok && std::fabs(a - x) <= tolerance * std::fabs(x) + 1e-300)
            return {};
        return QStringLiteral("expected ") + e;
    }
    if (e.startsWith(QLatin1String("t:"))) {
        const auto x = isoSeconds(e.mid(2));
        const auto a = exportedSeconds(actual, enUs);
        const double tolerance = type == QLatin1String("EXT_DATE_TIME") ? 1e-6 : (exact ? 5e-4 : 0.5) + 1e-6;
        if (x && a && std::fabs(*x - *a) <= tolerance)
            return {};
        return QStringLiteral("expected ") + e;
    }
    // Whole numbers, currency and decimals: exact digits.
    if (type == QLatin1String("MONEY") || type == QLatin1String("NUMERIC"))
        return quorvane::test::canonicalDecimal(actual) == quorvane::test::canonicalDecimal(e) && actual == quorvane::test::canonicalDecimal(actual) ? QString()
                                                                                        : QStringLiteral("expected ") + e;
    return actual == e ? QString() : QStringLiteral("expected ") + e;
}

struct CorpusFile {
    QString name;
};

void PrintTo(const CorpusFile& f, std::ostream* os)
{
    *os << f.name.toStdString();
}

std::vector<CorpusFile> corpusFiles()
{
    std::vector<CorpusFile> files;
    const QDir expected(corpusDir() + QStringLiteral("/expected"));
    for (const QString& name : expected.entryList({QStringLiteral("*.jsonl")}, QDir::Files, QDir::Name))
        files.push_back({name.chopped(6)});
    if (files.empty())
        files.push_back({QString()}); // one skipped case rather than none
    return files;
}

QString passwordFor(const QString& file)
{
    QFile f(corpusDir() + QStringLiteral("/passwords.tsv"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab > 0 && line.left(tab) == file)
            return line.mid(tab + 1);
    }
    return {};
}

class Corpus : public ::testing::TestWithParam<CorpusFile> {
protected:
    const QString name = GetParam().name;
    const QString database = corpusDir() + QStringLiteral("/files/") + name;
    const std::vector<ExpectedTable> expected =
        readExpected(corpusDir() + QStringLiteral("/expected/") + name + QStringLiteral(".jsonl"));
};

TEST_P(Corpus, OneFileReadsBackWithTheExpectedValues)
{
    if (name.isEmpty())
        GTEST_SKIP() << "no corpus at " << corpusDir().toStdString();

    for (const char* locale : {"C", "en_US.UTF-8"}) {
        SCOPED_TRACE(locale);
        const bool enUs = QByteArray(locale).startsWith("en_US");
        QTemporaryDir out;
        ASSERT_TRUE(out.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
        env.insert(QStringLiteral("QUORVANE_PASSWORD"), passwordFor(name));

        QProcess list;
        list.setProcessEnvironment(env);
        list.start(QStringLiteral(QUORVANE_EXPORT_BIN), {QStringLiteral("--list"), database});
        ASSERT_TRUE(list.waitForFinished(120000));
        ASSERT_EQ(list.exitCode(), 0) << list.readAllStandardError().toStdString();
        const QStringList order = QString::fromUtf8(list.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

        QProcess run;
        run.setProcessEnvironment(env);
        run.start(QStringLiteral(QUORVANE_EXPORT_BIN), {QStringLiteral("--one-file"), QStringLiteral("-q"),
                                                         QStringLiteral("-o"), out.path(), database});
        ASSERT_TRUE(run.waitForFinished(300000));
        ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();

        QFile f(out.filePath(QStringLiteral("output.txt")));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const std::vector<QStringList> records = parseCsv(QString::fromUtf8(f.readAll()));

        std::size_t at = 0;
        int compared = 0;
        for (const QString& table : order) {
            const auto it = std::find_if(expected.begin(), expected.end(),
                                         [&](const ExpectedTable& t) { return t.name == table; });
            ASSERT_NE(it, expected.end()) << "table not in the expected dump: " << table.toStdString();
            ASSERT_LT(at, records.size());
            // The header line: the names joined by commas (names are never quoted).
            EXPECT_EQ(records[at].join(QLatin1Char(',')), it->columns.join(QLatin1Char(','))) << table.toStdString();
            ++at;
            for (std::size_t r = 0; r < it->rows.size(); ++r, ++at) {
                ASSERT_LT(at, records.size()) << table.toStdString() << " ends early";
                const QStringList& fields = records[at];
                ASSERT_EQ(fields.size(), it->columns.size()) << table.toStdString() << " record " << r;
                for (qsizetype c = 0; c < fields.size(); ++c) {
                    const QString why = compare(it->rows[r].at(c), it->types[c], fields[c], enUs);
                    EXPECT_TRUE(why.isEmpty()) << table.toStdString() << " record " << r << " column "
                                               << it->columns[c].toStdString() << ": got \"" << fields[c].toStdString()
                                               << "\", " << why.toStdString();
                    ++compared;
                }
            }
        }
        // The one more line end after the last block.
        ASSERT_EQ(at + 1, records.size());
        EXPECT_EQ(records[at], QStringList{QString()});
        // Every user table the dump lists was exported.
        EXPECT_EQ(static_cast<std::size_t>(order.size()), expected.size());
    }
}

// "Done when": each table alone on standard output, as CSV with exact values and an
// unquoted NULL for Null, and as JSON lines; both read back with the dump's values.
TEST_P(Corpus, ExactCsvAndJsonLinesReadBack)
{
    if (name.isEmpty())
        GTEST_SKIP() << "no corpus at " << corpusDir().toStdString();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8")); // must not matter
    env.insert(QStringLiteral("QUORVANE_PASSWORD"), passwordFor(name));
    const auto exportTable = [&](const QStringList& args, const QString& table) {
        QProcess run;
        run.setProcessEnvironment(env);
        run.start(QStringLiteral(QUORVANE_EXPORT_BIN), QStringList{QStringLiteral("-q")} + args
                                                           + QStringList{QStringLiteral("-o"), QStringLiteral("-"),
                                                                         QStringLiteral("--"), database, table});
        EXPECT_TRUE(run.waitForFinished(300000));
        EXPECT_EQ(run.exitCode(), 0) << table.toStdString() << ": " << run.readAllStandardError().toStdString();
        return run.readAllStandardOutput();
    };

    for (const ExpectedTable& t : expected) {
        SCOPED_TRACE(t.name.toStdString());
        // CSV: the header, then the records; nothing after the last one.
        std::vector<std::vector<bool>> quoted;
        const std::vector<QStringList> records = parseCsv(
            QString::fromUtf8(exportTable({QStringLiteral("--csv"), QStringLiteral("--values"), QStringLiteral("exact"),
                                           QStringLiteral("--null"), QStringLiteral("NULL")},
                                          t.name)),
            &quoted);
        ASSERT_EQ(records.size(), t.rows.size() + 1);
        EXPECT_EQ(records[0], t.columns);
        for (std::size_t r = 0; r < t.rows.size(); ++r) {
            const QStringList& fields = records[r + 1];
            ASSERT_EQ(fields.size(), t.columns.size()) << "record " << r;
            for (qsizetype c = 0; c < fields.size(); ++c) {
                const bool isNull = fields[c] == QLatin1String("NULL") && !quoted[r + 1][static_cast<std::size_t>(c)];
                const QString why = isNull ? (t.rows[r].at(c).isNull() ? QString() : QStringLiteral("unexpected Null"))
                                           : t.rows[r].at(c).isNull() ? QStringLiteral("expected Null")
                                                                      : compare(t.rows[r].at(c), t.types[c], fields[c], false, true);
                EXPECT_TRUE(why.isEmpty()) << "CSV record " << r << " column " << t.columns[c].toStdString() << ": got \""
                                           << fields[c].toStdString() << "\", " << why.toStdString();
            }
        }

        // JSON lines: one object per record, every line valid JSON.
        const QList<QByteArray> lines = exportTable({QStringLiteral("--format"), QStringLiteral("jsonl")}, t.name).split('\n');
        ASSERT_EQ(static_cast<std::size_t>(lines.size()), t.rows.size() + 1);
        EXPECT_TRUE(lines.back().isEmpty());
        for (std::size_t r = 0; r < t.rows.size(); ++r) {
            QJsonParseError error;
            const QJsonDocument doc = QJsonDocument::fromJson(lines[static_cast<qsizetype>(r)], &error);
            ASSERT_EQ(error.error, QJsonParseError::NoError) << "line " << r << ": " << error.errorString().toStdString();
            const QJsonObject o = doc.object();
            ASSERT_EQ(o.size(), t.columns.size()) << "line " << r;
            for (qsizetype c = 0; c < t.columns.size(); ++c) {
                const QJsonValue v = o.value(t.columns[c]);
                const QJsonValue& e = t.rows[r].at(c);
                QString why;
                if (v.isNull() || e.isNull()) {
                    why = v.isNull() == e.isNull() ? QString() : QStringLiteral("Null on one side only");
                } else if (v.isBool()) {
                    why = compare(e, t.types[c], v.toBool() ? QStringLiteral("true") : QStringLiteral("false"), false, true);
                } else if (v.isDouble()) {
                    const bool whole = !e.toString().contains(QLatin1Char(':'));
                    why = compare(e, t.types[c], whole ? QString::number(v.toInteger()) : QString::number(v.toDouble(), 'g', 17),
                                  false, true);
                } else {
                    why = compare(e, t.types[c], v.toString(), false, true);
                }
                EXPECT_TRUE(why.isEmpty()) << "JSON line " << r << " column " << t.columns[c].toStdString() << ": "
                                           << why.toStdString();
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, Corpus, ::testing::ValuesIn(corpusFiles()), [](const auto& info) {
    std::string n = info.param.name.toStdString();
    for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return n.empty() ? std::string("none") : n;
});

} // namespace

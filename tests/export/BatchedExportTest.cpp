// The batched walk (a yield interval, lines built on worker threads) against the
// record-by-record walk (no interval): the same bytes, the same report at the same
// record, and a stop that leaves nothing behind.

#include "EngineTestSupport.h"

#include "mdbwriter/DatabaseWriter.h"

#include <QTemporaryDir>

#include <cmath>

using namespace quorvane;
using namespace quorvane::fakes;
using db::Value;

namespace {

using std::chrono::milliseconds;

constexpr int kRecords = 2500; // several batches of this table's columns

Value nth(int i, int column)
{
    if ((i + column) % 11 == 0)
        return Value::null();
    db::Guid g;
    for (std::size_t b = 0; b < g.bytes.size(); ++b)
        g.bytes[b] = static_cast<std::uint8_t>(i * 31 + int(b) * 7);
    db::Decimal d;
    d.lo = static_cast<std::uint32_t>(i) * 104729u;
    d.scale = 4;
    d.negative = i % 3 == 0;
    const QString texts[] = {QStringLiteral("plain"), QStringLiteral("say \"hi\", ok"), QStringLiteral("two\r\nlines"),
                             QStringLiteral("caf\u00e9 \u20ac \U0001F600"), QString()};
    switch (column) {
    case 0: return Value::longInt(i);
    case 1: return Value::byte(static_cast<std::uint8_t>(i));
    case 2: return Value::integer(static_cast<std::int16_t>(-i));
    case 3: return Value::bigInt(std::int64_t(i) * 1'000'000'007LL);
    case 4: return Value::single(float(i) / 7.0f);
    case 5: return Value::dbl(i % 5 == 0 ? 1e300 / (i + 1) : double(i) / 3.0);
    case 6: return Value::currency({std::int64_t(i) * 12345 - 500000});
    case 7: return Value::decimal(d);
    case 8: return Value::dateTime({double(i) * 13.37 - 20000.0});
    case 9: return Value::dateTimeExtended({std::int64_t(i) * 997, std::int64_t(i) * 34'560'000'123LL % 864'000'000'000LL});
    case 10: return Value::boolean(i % 2 == 0);
    case 11: return Value::guid(g);
    case 12: return Value::binary(QByteArray::number(i * 7919).repeated(1 + i % 3));
    case 13: return Value::binary(QByteArray(1 + i % 40, char(i)));
    case 14: return Value::text(texts[i % 5] + QString::number(i));
    // One note long enough for a chain of long-value pages.
    default: return Value::text(i == 2000 ? QStringLiteral("long note ").repeated(1500) : texts[(i + 2) % 5]);
    }
}

// A database with a table holding every kind of value, a short one after it, and one of
// only the kinds a line is written in place for (numbers, dates, Yes/No, text).
class WrittenDatabase {
public:
    WrittenDatabase()
    {
        using mdbwriter::Column;
        mdbwriter::TableData all{QStringLiteral("Kinds"),
                                 {Column::longInt("ID"), Column::byte("B"), Column::integer("I"), Column::bigInt("Big"),
                                  Column::single("S"), Column::dbl("D"), Column::currency("C"),
                                  Column::decimal("Dec", 18, 4), Column::dateTime("When"),
                                  Column::dateTimeExtended("Exact"), Column::boolean("Yes"), Column::guid("Key"),
                                  Column::binary("Bin"), Column::ole("Ole"), Column::text("Name", 100),
                                  Column::memo("Note")},
                                 {}};
        for (int i = 0; i < kRecords; ++i) {
            std::vector<Value> row;
            for (int c = 0; c < 16; ++c)
                row.push_back(nth(i, c));
            all.rows.push_back(std::move(row));
        }
        mdbwriter::TableData small{QStringLiteral("Small"), {Column::text("Name", 20)}, {{Value::text("one")}}};
        mdbwriter::TableData plain{QStringLiteral("Plain"),
                                   {Column::longInt("ID"), Column::integer("I"), Column::single("S"), Column::dbl("D"),
                                    Column::currency("C"), Column::dateTime("When"), Column::boolean("Yes"),
                                    Column::text("Name", 100)},
                                   {}};
        for (int i = 0; i < kRecords; ++i)
            plain.rows.push_back({nth(i, 0), nth(i, 2), nth(i, 4), nth(i, 5), nth(i, 6), nth(i, 8), nth(i, 10), nth(i, 14)});
        mdbwriter::DatabaseOptions options;
        options.version = mdbwriter::Version::Ace;
        path = dir.filePath(QStringLiteral("kinds.accdb"));
        ok = mdbwriter::DatabaseWriter::writeTables(path, {all, small, plain}, error, options);
    }
    QTemporaryDir dir;
    QString path;
    QString error;
    bool ok = false;
};

const WrittenDatabase& written()
{
    static const WrittenDatabase db;
    return db;
}

class StyledHost : public FakeExportHost {
public:
    exporter::OutputStyle outputStyle() const override { return style; }
    exporter::OutputStyle style;
    bool realReader = false; // the Access file reader rather than the fake database
};

// What a run left: every file's bytes, the reports with the progress shown with each.
struct Outcome {
    std::map<QString, QByteArray> files;
    QStringList reports;
    QStringList failedTables;
    bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* os)
{
    *os << "reports: " << o.reports.join(" | ").toStdString() << "; failed: " << o.failedTables.join(',').toStdString()
        << "; files:";
    for (const auto& [name, bytes] : o.files)
        *os << ' ' << name.toStdString() << " (" << bytes.size() << " bytes)";
}

// Runs `prepare`d hosts once record by record and once in batches (`workers` threads).
class BothWalks : public ::testing::Test {
protected:
    void SetUp() override { qputenv("LC_ALL", "en_US.UTF-8"); }
    void TearDown() override { qunsetenv("LC_ALL"); }

    Outcome run(const std::function<void(StyledHost&)>& prepare, milliseconds interval, std::optional<int> workers,
                exporter::ExportResult* result = nullptr)
    {
        QTemporaryDir out;
        StyledHost host;
        host.folder = out.path();
        prepare(host);
        exporter::ExportHost h = host.host();
        if (host.realReader)
            h.factory = &db::objectFactory();
        exporter::TableExportEngine engine(h, interval, workers);
        const exporter::ExportResult r = engine.run();
        if (result)
            *result = r;
        Outcome o;
        for (const QString& name : QDir(out.path()).entryList(QDir::Files | QDir::Hidden)) {
            QFile f(QDir(out.path()).filePath(name));
            o.files[name] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
        }
        for (std::size_t i = 0; i < host.failures.size(); ++i) {
            const auto& f = host.failures[i];
            o.reports << QStringLiteral("%1 #%2 %3 [%4]").arg(f.statement).arg(f.number).arg(f.description,
                                                                                        host.progressAtFailure[int(i)]);
        }
        o.failedTables = r.tablesFailed;
        return o;
    }
    Outcome expectSameOutcome(const std::function<void(StyledHost&)>& prepare)
    {
        const Outcome serial = run(prepare, milliseconds(0), std::nullopt);
        EXPECT_EQ(run(prepare, milliseconds(15), 2), serial) << "two workers";
        EXPECT_EQ(run(prepare, milliseconds(15), 0), serial) << "formatted on the reading thread";
        return serial;
    }
};

// ---------------------------------------------------------------------------------

struct StyleCase {
    const char* label;
    exporter::OutputStyle style;
    bool oneFile;
    const char* separator = ";\u00a7";
};

void PrintTo(const StyleCase& c, std::ostream* os)
{
    *os << c.label;
}

exporter::OutputStyle styleOf(exporter::OutputStyle::Layout layout)
{
    exporter::OutputStyle s;
    s.layout = layout;
    if (layout == exporter::OutputStyle::Layout::Csv) {
        s.nullText = QStringLiteral("NULL");
        s.encoding = "windows-1252";
    }
    return s;
}

class SameBytes : public BothWalks, public ::testing::WithParamInterface<StyleCase> {};

TEST_P(SameBytes, AsRecordByRecord)
{
    ASSERT_TRUE(written().ok) << written().error.toStdString();
    const StyleCase& c = GetParam();
    const Outcome serial = expectSameOutcome([&](StyledHost& host) {
        host.style = c.style;
        host.option1 = !c.oneFile;
        host.option2 = c.oneFile;
        host.sep = QString::fromUtf8(c.separator);
        host.rows = {{QStringLiteral("Kinds"), true}, {QStringLiteral("Small"), true}, {QStringLiteral("Plain"), true}};
        host.inputs = FixedConnectionInputs(written().path);
        host.realReader = true;
    });
    EXPECT_TRUE(serial.reports.isEmpty()) << serial.reports.join('|').toStdString();
    ASSERT_EQ(serial.files.size(), c.oneFile ? 1u : 3u);
    EXPECT_GT(serial.files.begin()->second.size(), kRecords * 100);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, SameBytes,
    ::testing::Values(StyleCase{"window", {}, false}, StyleCase{"windowOneFile", {}, true},
                      StyleCase{"windowSeparatorPastEightBytes", {}, false, " \u00a7 -- \u00a7 "},
                      StyleCase{"csv", styleOf(exporter::OutputStyle::Layout::Csv), false},
                      StyleCase{"jsonl", styleOf(exporter::OutputStyle::Layout::JsonLines), false},
                      StyleCase{"jsonlOneFile", styleOf(exporter::OutputStyle::Layout::JsonLines), true}),
    [](const auto& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------------------------
// A value that cannot be read (statement 174) and a move to the next record that fails
// (190): whichever comes first in record order is the one reported, with the progress
// of its record, and the table's file stays as it was.

struct FailureCase {
    const char* label;
    qint64 cellRow;  // -1: none
    qint64 moveRow;  // -1: none
};

constexpr int kFailureRecords = 12000; // several batches

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.label;
}

class FailureOrder : public BothWalks, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureOrder, SameReportAsRecordByRecord)
{
    const FailureCase& c = GetParam();
    const Outcome serial = expectSameOutcome([&](StyledHost& host) {
        std::vector<std::vector<Value>> rows;
        for (int i = 0; i < kFailureRecords; ++i)
            rows.push_back({Value::longInt(i), Value::text(QStringLiteral("r%1").arg(i))});
        host.addTable(QStringLiteral("A"), {QStringLiteral("a"), QStringLiteral("b")}, rows);
        host.addTable(QStringLiteral("B"), {QStringLiteral("a")}, {{Value::longInt(1)}});
        if (c.cellRow >= 0)
            host.db().cellErrors.push_back({QStringLiteral("A"), c.cellRow, 1, db::DbError::damaged(QStringLiteral("cell"), 7)});
        if (c.moveRow >= 0)
            host.db().moveErrors.push_back({QStringLiteral("A"), c.moveRow, db::DbError::damaged(QStringLiteral("move"), 9)});
        QFile old(QDir(host.folder).filePath(QStringLiteral("A.txt")));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("yesterday");
    });
    EXPECT_EQ(serial.reports.size(), 1) << serial.reports.join('|').toStdString();
    EXPECT_EQ(serial.failedTables, QStringList{QStringLiteral("A")});
    EXPECT_EQ(serial.files.at(QStringLiteral("A.txt")), QByteArray("yesterday"));
}

INSTANTIATE_TEST_SUITE_P(Cases, FailureOrder,
                         ::testing::Values(FailureCase{"valueBeforeMove", 5000, 9000},
                                           FailureCase{"moveBeforeValue", 9000, 5000},
                                           FailureCase{"bothInOneRecord", 4100, 4100},
                                           FailureCase{"valueInTheFirstRecord", 0, 10},
                                           FailureCase{"moveAfterTheLastRecord", -1, kFailureRecords - 1}),
                         [](const auto& info) { return std::string(info.param.label); });

// A long value whose chain of pages is gone: the move to its record fails in the file itself.
TEST_F(BothWalks, DamagedPageGivesTheSameReport)
{
    ASSERT_TRUE(written().ok) << written().error.toStdString();
    QFile file(written().path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    constexpr int kPage = 4096;
    int zeroed = 0;
    for (qsizetype at = kPage; at + kPage <= bytes.size(); at += kPage) {
        // A data page (type 1) of the long values ("LVAL" where a page names its table).
        if (bytes[at] == 1 && bytes.mid(at + 4, 4) == QByteArray("LVAL")) {
            bytes.replace(at, kPage, QByteArray(kPage, '\0'));
            ++zeroed;
        }
    }
    ASSERT_GT(zeroed, 0);
    QTemporaryDir dir;
    const QString damaged = dir.filePath(QStringLiteral("damaged.accdb"));
    QFile copy(damaged);
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(bytes);
    copy.close();
    exporter::ExportResult result;
    const auto prepare = [&](StyledHost& host) {
        host.rows = {{QStringLiteral("Kinds"), true}, {QStringLiteral("Small"), true}};
        host.inputs = FixedConnectionInputs(damaged);
        host.realReader = true;
    };
    const Outcome serial = run(prepare, milliseconds(0), std::nullopt, &result);
    ASSERT_EQ(serial.reports.size(), 1);
    EXPECT_TRUE(serial.reports.front().startsWith(QStringLiteral("190 "))) << serial.reports.front().toStdString();
    EXPECT_EQ(run(prepare, milliseconds(15), 2), serial);
}

// ---------------------------------------------------------------------------------
// Closing the window while workers build lines: the run ends at that turn of the event
// loop, the file in hand is dropped, the workers are joined, nothing is reported.
TEST_F(BothWalks, StopMidTableLeavesNothingBehind)
{
    for (const int turn : {1, 3}) {
        exporter::ExportResult result;
        int turns = 0;
        const Outcome o = run(
            [&](StyledHost& host) {
                std::vector<std::vector<Value>> rows;
                for (int i = 0; i < 60000; ++i)
                    rows.push_back({Value::longInt(i), Value::dbl(i / 3.0), Value::text(QStringLiteral("r%1").arg(i))});
                host.addTable(QStringLiteral("A"), {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")},
                              rows);
                host.onEvents = [&host, &turns, turn] {
                    turns = host.eventTurns;
                    if (host.eventTurns == turn)
                        host.stop = true;
                };
            },
            milliseconds(1), 2, &result);
        EXPECT_TRUE(result.stopped) << "turn " << turn;
        EXPECT_EQ(turns, turn); // not one turn more
        EXPECT_TRUE(o.files.empty()) << "turn " << turn; // no file, no temporary file
        EXPECT_TRUE(o.reports.isEmpty());
    }
}

} // namespace

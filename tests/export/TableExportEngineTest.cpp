#include "EngineTestSupport.h"

#include "report/Locations.h"

#include <cmath>
#include <tuple>

using namespace quorvane;
using namespace quorvane::fakes;
using db::Value;

namespace {

std::vector<std::vector<Value>> annRows()
{
    return {{Value::longInt(1), Value::text(QStringLiteral("Ann"))}, {Value::longInt(2), Value::null()}};
}

// ---------------------------------------------------------------------------------
// The file format, byte for byte.

struct FormatCase {
    const char* name;
    QString separator;
    bool header;
    bool quotes;
    std::vector<std::vector<Value>> rows;
    QByteArray expected;
};

void PrintTo(const FormatCase& c, std::ostream* os)
{
    *os << c.name;
}

class Format : public EngineFixture, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(Format, FileHoldsExactlyTheseBytes)
{
    const FormatCase& c = GetParam();
    host.sep = c.separator;
    host.header = c.header;
    host.quote = c.quotes;
    host.addTable(QStringLiteral("People"), {QStringLiteral("ID"), QStringLiteral("Name")}, c.rows);
    const auto result = runExport();
    EXPECT_EQ(file(QStringLiteral("People.txt")), c.expected);
    EXPECT_EQ(result.reports, 0);
    EXPECT_EQ(host.messages, QStringList{QStringLiteral("Done.")});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Format,
    ::testing::Values(
        FormatCase{"header_and_quotes", ",", true, true, annRows(), "ID,Name\r\n\"1\",\"Ann\"\r\n\"2\",\"\"\r\n\r\n"},
        FormatCase{"quotes_off", ",", true, false, annRows(), "ID,Name\r\n1,Ann\r\n2,\r\n\r\n"},
        FormatCase{"two_character_separator", "; ", true, false, annRows(), "ID; Name\r\n1; Ann\r\n2; \r\n\r\n"},
        FormatCase{"empty_separator", "", true, true, annRows(), "IDName\r\n\"1\"\"Ann\"\r\n\"2\"\"\"\r\n\r\n"},
        FormatCase{"no_header", ",", false, false, annRows(), "1,Ann\r\n2,\r\n\r\n"},
        FormatCase{"quote_inside_doubled",
                   ",",
                   false,
                   true,
                   {{Value::longInt(1), Value::text(QStringLiteral("say \"hi\""))}},
                   "\"1\",\"say \"\"hi\"\"\"\r\n\r\n"},
        FormatCase{"quote_inside_raw_when_quotes_off",
                   ",",
                   false,
                   false,
                   {{Value::longInt(1), Value::text(QStringLiteral("say \"hi\", ok"))}},
                   "1,say \"hi\", ok\r\n\r\n"},
        FormatCase{"memo_line_break_kept",
                   ",",
                   false,
                   true,
                   {{Value::longInt(1), Value::text(QStringLiteral("a\r\nb"))}},
                   "\"1\",\"a\r\nb\"\r\n\r\n"},
        FormatCase{"header_without_records", ",", true, true, {}, "ID,Name\r\n\r\n"},
        FormatCase{"nothing_at_all", ",", false, true, {}, "\r\n"},
        FormatCase{"utf8_without_bom",
                   "\u00a7",
                   false,
                   false,
                   {{Value::longInt(1), Value::text(QStringLiteral("Gr\u00fc\u00dfe \U0001F600"))}},
                   "1\xc2\xa7Gr\xc3\xbc\xc3\x9f" "e \xf0\x9f\x98\x80\r\n\r\n"},
        FormatCase{"lone_surrogate_becomes_question_mark",
                   ",",
                   false,
                   false,
                   {{Value::longInt(1), Value::text(QString(QChar(0xD800)) + QStringLiteral("x"))}},
                   "1,?x\r\n\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineFixture, ValuesFollowTheLocaleOfTheEnvironment)
{
    qputenv("LC_ALL", "de_DE.UTF-8");
    host.quote = false;
    host.header = false;
    host.sep = QStringLiteral(";");
    host.addTable(QStringLiteral("T"), {QStringLiteral("D"), QStringLiteral("X"), QStringLiteral("B")},
                  {{Value::dateTime({17875.4375}), Value::dbl(1.25), Value::boolean(true)}});
    runExport();
    EXPECT_EQ(file(QStringLiteral("T.txt")), QByteArray("08.12.1948 10:30:00;1,25;True\r\n\r\n"));
}

TEST_F(EngineFixture, OneFileHoldsTheTickedTablesInListOrder)
{
    host.option1 = false;
    host.option2 = true;
    host.quote = false;
    host.addTable(QStringLiteral("B"), {QStringLiteral("x")}, {{Value::longInt(1)}, {Value::longInt(2)}});
    host.addTable(QStringLiteral("Skipped"), {QStringLiteral("y")}, {{Value::longInt(9)}});
    host.addTable(QStringLiteral("A"), {QStringLiteral("z")}, {{Value::longInt(3)}});
    host.rows[1].second = false;
    const auto result = runExport();
    EXPECT_EQ(file(QStringLiteral("output.txt")), QByteArray("x\r\n1\r\n2\r\nz\r\n3\r\n\r\n"));
    EXPECT_EQ(files(), QStringList{QStringLiteral("output.txt")});
    EXPECT_EQ(host.messages, QStringList{QStringLiteral("File created at ") + path(QStringLiteral("output.txt"))});
    EXPECT_EQ(result.filesWritten, QStringList{path(QStringLiteral("output.txt"))});
}

TEST_F(EngineFixture, NothingTickedInOneFileModeStillWritesTheFile)
{
    host.option1 = false;
    host.option2 = true;
    host.addTable(QStringLiteral("A"), {QStringLiteral("z")}, {{Value::longInt(3)}});
    host.rows[0].second = false;
    runExport();
    EXPECT_EQ(file(QStringLiteral("output.txt")), QByteArray("\r\n"));
    EXPECT_TRUE(host.db().queries.isEmpty());
}

TEST_F(EngineFixture, NothingTickedPerTableWritesNothing)
{
    host.addTable(QStringLiteral("A"), {QStringLiteral("z")}, {{Value::longInt(3)}});
    host.rows[0].second = false;
    runExport();
    EXPECT_TRUE(files().isEmpty());
    EXPECT_EQ(host.messages, QStringList{QStringLiteral("Done.")});
}

TEST_F(EngineFixture, ExistingFileIsReplaced)
{
    writeFile(QStringLiteral("A.txt"), "old contents that are longer than the new ones");
    host.header = false;
    host.quote = false;
    host.addTable(QStringLiteral("A"), {QStringLiteral("z")}, {{Value::longInt(3)}});
    runExport();
    EXPECT_EQ(file(QStringLiteral("A.txt")), QByteArray("3\r\n\r\n"));
}

TEST_F(EngineFixture, FolderWithoutTrailingSeparatorAndWithOne)
{
    host.folder = m_dir.path() + QLatin1Char('/');
    host.addTable(QStringLiteral("A"), {QStringLiteral("z")});
    runExport();
    EXPECT_EQ(files(), QStringList{QStringLiteral("A.txt")});
}

TEST_F(EngineFixture, OpensTheDatabaseReadWriteAndQueriesWithGraveAccents)
{
    host.addTable(QStringLiteral("Order Details"), {QStringLiteral("z")});
    runExport();
    EXPECT_EQ(host.db().connectionMode, 3);
    ASSERT_EQ(host.db().connectionStrings.size(), 1);
    EXPECT_TRUE(host.db().connectionStrings[0].contains(QStringLiteral("/data/test.mdb")));
    EXPECT_EQ(host.db().queries, QStringList{QStringLiteral("SELECT * FROM `Order Details`")});
}

// ---------------------------------------------------------------------------------
// Runs that cannot go as planned.

TEST_F(EngineFixture, MissingFolderShowsTheMessageAndDoesNothingElse)
{
    host.folder = path(QStringLiteral("not-there"));
    host.addTable(QStringLiteral("A"), {QStringLiteral("z")});
    const auto result = runExport();
    EXPECT_TRUE(result.folderMissing);
    EXPECT_EQ(host.messages, QStringList{QStringLiteral("Folder does not exist. Please select another folder.")});
    EXPECT_TRUE(host.db().connectionStrings.isEmpty());
    EXPECT_TRUE(host.values.empty());
    EXPECT_EQ(host.pointerResets, 0);
}

TEST_F(EngineFixture, EmptyFolderTextIsAMissingFolder)
{
    host.folder.clear();
    EXPECT_TRUE(runExport().folderMissing);
}

TEST_F(EngineFixture, ConnectionThatDoesNotOpenReportsOncePerTableAndWritesNothing)
{
    host.db().openError = db::DbError::badPassword();
    host.addTable(QStringLiteral("A"), {QStringLiteral("z")}, {{Value::longInt(1)}});
    host.addTable(QStringLiteral("B"), {QStringLiteral("z")}, {{Value::longInt(1)}});
    const auto result = runExport();
    EXPECT_EQ(host.errors.lines(), (std::vector<int>{108, 136, 136}));
    EXPECT_EQ(host.errors.reports[0].description, db::DbError::badPassword().description);
    EXPECT_EQ(host.errors.reports[0].location, report::location::kForm2PushButton5Click);
    EXPECT_TRUE(files().isEmpty());
    EXPECT_EQ(result.tablesFailed, (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    // The run still ends as usual.
    EXPECT_EQ(host.messages, QStringList{QStringLiteral("Done.")});
    EXPECT_EQ(host.values.back(), 0.0);
    EXPECT_EQ(host.texts.back(), QStringLiteral("Progress Bar"));
    EXPECT_EQ(host.pointerResets, 1);
}

TEST_F(EngineFixture, FailedQuerySkipsThatTableOnlyAndKeepsItsOldFile)
{
    writeFile(QStringLiteral("B.txt"), "yesterday");
    host.header = false;
    host.quote = false;
    host.addTable(QStringLiteral("A"), {QStringLiteral("z")}, {{Value::longInt(1)}});
    host.addTable(QStringLiteral("B"), {QStringLiteral("z")}, {{Value::longInt(2)}});
    host.addTable(QStringLiteral("C"), {QStringLiteral("z")}, {{Value::longInt(3)}});
    host.db().queryErrors[QStringLiteral("B")] = db::DbError::noSuchTable(QStringLiteral("B"));
    const auto result = runExport();
    EXPECT_EQ(host.errors.lines(), std::vector<int>{136});
    EXPECT_EQ(file(QStringLiteral("A.txt")), QByteArray("1\r\n\r\n"));
    EXPECT_EQ(file(QStringLiteral("B.txt")), QByteArray("yesterday"));
    EXPECT_EQ(file(QStringLiteral("C.txt")), QByteArray("3\r\n\r\n"));
    EXPECT_EQ(result.tablesFailed, QStringList{QStringLiteral("B")});
}

TEST_F(EngineFixture, RecordSetFailingMidwayIsReportedOnceAndLeavesNoHalfFile)
{
    writeFile(QStringLiteral("A.txt"), "yesterday");
    std::vector<std::vector<Value>> rows;
    for (int i = 0; i < 100; ++i)
        rows.push_back({Value::longInt(i), Value::longInt(i)});
    host.addTable(QStringLiteral("A"), {QStringLiteral("a"), QStringLiteral("b")}, rows);
    host.db().cellErrors.push_back({QStringLiteral("A"), 50, 1, db::DbError::damaged(QStringLiteral("row"), 7)});
    runExport();
    EXPECT_EQ(host.errors.lines(), std::vector<int>{174});
    EXPECT_EQ(file(QStringLiteral("A.txt")), QByteArray("yesterday"));
    EXPECT_EQ(files(), QStringList{QStringLiteral("A.txt")}); // no temporary file left
}

TEST_F(EngineFixture, RecordCountBeyondTheRowsIsOneReport)
{
    host.addTable(QStringLiteral("A"), {QStringLiteral("a")}, {{Value::longInt(1)}});
    host.db().recordCountOverride[QStringLiteral("A")] = 1'000'000;
    runExport();
    EXPECT_EQ(host.errors.lines(), std::vector<int>{174});
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(EngineFixture, FailedTableIsLeftOutOfTheOneFile)
{
    host.option1 = false;
    host.option2 = true;
    host.header = false;
    host.quote = false;
    host.addTable(QStringLiteral("A"), {QStringLiteral("a")}, {{Value::longInt(1)}});
    host.addTable(QStringLiteral("B"), {QStringLiteral("b")}, {{Value::longInt(2)}, {Value::longInt(3)}});
    host.addTable(QStringLiteral("C"), {QStringLiteral("c")}, {{Value::longInt(4)}});
    host.db().cellErrors.push_back({QStringLiteral("B"), 1, 0, db::DbError::damaged(QStringLiteral("row"), 9)});
    const auto result = runExport();
    EXPECT_EQ(host.errors.lines(), std::vector<int>{174});
    EXPECT_EQ(file(QStringLiteral("output.txt")), QByteArray("1\r\n4\r\n\r\n"));
    EXPECT_EQ(result.tablesFailed, QStringList{QStringLiteral("B")});
}

struct HostileCase {
    const char* name;
    QString table;
};

class HostileName : public EngineFixture, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileName, FileIsReportedAsNotCreatedAndNothingIsWrittenAnywhere)
{
    // The output folder sits one level down, so that a file escaping it would show.
    QDir(m_dir.path()).mkdir(QStringLiteral("out"));
    host.folder = path(QStringLiteral("out"));
    host.addTable(GetParam().table, {QStringLiteral("a")}, {{Value::longInt(1)}});
    host.addTable(QStringLiteral("Fine"), {QStringLiteral("a")}, {{Value::longInt(2)}});
    const auto result = runExport();
    EXPECT_EQ(host.errors.lines(), (std::vector<int>{214, 218}));
    EXPECT_EQ(files(), QStringList{QStringLiteral("out")});
    EXPECT_EQ(QDir(host.folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("Fine.txt")});
    EXPECT_EQ(result.tablesFailed, QStringList{GetParam().table});
}

INSTANTIATE_TEST_SUITE_P(Names, HostileName,
                         ::testing::Values(HostileCase{"slash", QStringLiteral("../escape")},
                                           HostileCase{"backslash", QStringLiteral("..\\escape")},
                                           HostileCase{"dot", QStringLiteral(".")},
                                           HostileCase{"dotdot", QStringLiteral("..")},
                                           HostileCase{"empty", QString()},
                                           HostileCase{"nul", QStringLiteral("a") + QChar(0) + QStringLiteral("b")}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineFixture, NameTooLongForTheFileSystemIsReportedWhenTheFileIsPutInPlace)
{
    host.addTable(QString(300, QLatin1Char('n')), {QStringLiteral("a")}, {{Value::longInt(1)}});
    const auto result = runExport();
    EXPECT_EQ(host.errors.lines(), std::vector<int>{220});
    EXPECT_EQ(result.tablesFailed.size(), 1);
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(EngineFixture, TargetThatIsAFolderIsNotCreatedAndStaysAFolder)
{
    QDir(m_dir.path()).mkdir(QStringLiteral("A.txt"));
    host.addTable(QStringLiteral("A"), {QStringLiteral("a")}, {{Value::longInt(1)}});
    host.addTable(QStringLiteral("B"), {QStringLiteral("a")}, {{Value::longInt(1)}});
    const auto result = runExport();
    ASSERT_FALSE(host.errors.reports.empty());
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("A.txt"))).isDir());
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("B.txt"))).isFile());
    EXPECT_EQ(files().size(), 2); // no temporary file left
    EXPECT_EQ(result.tablesFailed, QStringList{QStringLiteral("A")});
}

// The engine states what failed, where and why; the window's words are the host's.
TEST_F(EngineFixture, FailuresAreFacts)
{
    QDir(m_dir.path()).mkdir(QStringLiteral("A.txt"));
    host.addTable(QStringLiteral("A"), {QStringLiteral("a")}, {{Value::longInt(1)}});
    host.addTable(QStringLiteral("B"), {QStringLiteral("a")}, {{Value::longInt(1)}});
    host.db().queryErrors[QStringLiteral("B")] = db::DbError::noSuchTable(QStringLiteral("B"));
    runExport();
    using exporter::ExportStage;
    ASSERT_EQ(host.failures.size(), 3u);
    const exporter::ExportFailure& create = host.failures[0];
    EXPECT_EQ(create.stage, ExportStage::CreatingFile);
    EXPECT_EQ(create.table, QStringLiteral("A"));
    EXPECT_EQ(create.file, path(QStringLiteral("A.txt")));
    EXPECT_EQ(create.reason, QStringLiteral("Is a directory"));
    EXPECT_EQ(create.description, QStringLiteral("Path/File access error: ") + create.file + QStringLiteral(": Is a directory"));
    EXPECT_EQ(create.number, 75);
    EXPECT_EQ(create.statement, 214);
    EXPECT_EQ(host.failures[1].stage, ExportStage::WritingFile);
    EXPECT_EQ(host.failures[1].number, 52);
    EXPECT_EQ(host.failures[1].statement, 218);
    const exporter::ExportFailure& query = host.failures[2];
    EXPECT_EQ(query.stage, ExportStage::OpeningTable);
    EXPECT_EQ(query.table, QStringLiteral("B"));
    EXPECT_TRUE(query.file.isEmpty());
    EXPECT_EQ(query.number, db::errc::kNoSuchTable);
    EXPECT_EQ(query.reason, db::DbError::noSuchTable(QStringLiteral("B")).description);
    EXPECT_EQ(query.statement, 136);
}

TEST_F(EngineFixture, OneFileThatCannotBeCreatedIsReportedAndTheMessageStillFollows)
{
    QDir(m_dir.path()).mkdir(QStringLiteral("output.txt"));
    host.option1 = false;
    host.option2 = true;
    host.addTable(QStringLiteral("A"), {QStringLiteral("a")}, {{Value::longInt(1)}});
    runExport();
    EXPECT_FALSE(host.errors.reports.empty());
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("output.txt"))).isDir());
    EXPECT_EQ(host.messages, QStringList{QStringLiteral("File created at ") + path(QStringLiteral("output.txt"))});
}

// ---------------------------------------------------------------------------------
// Progress.

std::vector<std::vector<Value>> numbered(int n)
{
    std::vector<std::vector<Value>> rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back({Value::longInt(i)});
    return rows;
}

TEST_F(EngineFixture, ProgressOverThreeTablesOfTenRecords)
{
    for (const char* name : {"A", "B", "C"})
        host.addTable(QString::fromLatin1(name), {QStringLiteral("n")}, numbered(10));
    runExport();
    std::vector<double> expected;
    for (int rank = 1; rank <= 3; ++rank) {
        expected.push_back(rank / 3.0 * 100.0);
        for (int r = 1; r <= 10; ++r)
            expected.push_back(((rank - 1) + r / 10.0) / 3.0 * 100.0);
    }
    expected.push_back(0.0);
    ASSERT_EQ(host.values.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(host.values[i], expected[i], 1e-9) << i;
    EXPECT_EQ(host.texts[0], QStringLiteral("Processing: A"));
    EXPECT_EQ(host.texts[1], QStringLiteral("Processing record: 1 in A"));
    EXPECT_EQ(host.texts[11], QStringLiteral("Processing: B"));
    EXPECT_EQ(host.texts.back(), QStringLiteral("Progress Bar"));
}

TEST_F(EngineFixture, OnlyTheLastOfFiveTickedRunsFromZeroToAHundred)
{
    for (const char* name : {"A", "B", "C", "D", "E"})
        host.addTable(QString::fromLatin1(name), {QStringLiteral("n")}, numbered(4));
    for (int i = 0; i < 4; ++i)
        host.rows[static_cast<std::size_t>(i)].second = false;
    runExport();
    EXPECT_EQ(host.values, (std::vector<double>{100.0, 25.0, 50.0, 75.0, 100.0, 0.0}));
    EXPECT_EQ(host.db().queries, QStringList{QStringLiteral("SELECT * FROM `E`")});
}

TEST_F(EngineFixture, TableWithoutRecordsStaysAtItsShare)
{
    host.addTable(QStringLiteral("A"), {QStringLiteral("n")}, numbered(1));
    host.addTable(QStringLiteral("Empty"), {QStringLiteral("n")});
    runExport();
    EXPECT_EQ(host.values, (std::vector<double>{50.0, 50.0, 100.0, 0.0}));
}

TEST_F(EngineFixture, TickedDuringTheRunNeverPushesPastAHundred)
{
    host.addTable(QStringLiteral("A"), {QStringLiteral("n")}, numbered(3));
    host.addTable(QStringLiteral("B"), {QStringLiteral("n")}, numbered(3));
    host.rows[1].second = false;
    host.onEvents = [&] { host.rows[1].second = true; };
    runExport();
    for (double v : host.values)
        EXPECT_LE(v, 100.0);
    EXPECT_EQ(host.db().queries.size(), 2);
}

// ---------------------------------------------------------------------------------
// The window stays usable: options read when needed, a second start ignored.

TEST_F(EngineFixture, SeparatorChangedDuringTheRunAppliesToLaterFields)
{
    host.header = false;
    host.quote = false;
    host.addTable(QStringLiteral("A"), {QStringLiteral("a"), QStringLiteral("b")},
                  {{Value::longInt(1), Value::longInt(2)}, {Value::longInt(3), Value::longInt(4)}});
    // Change the separator once the second record's yield has run.
    int turns = 0;
    host.onEvents = [&] {
        if (++turns == 4)
            host.sep = QStringLiteral(";");
    };
    runExport();
    EXPECT_EQ(file(QStringLiteral("A.txt")), QByteArray("1,2\r\n3;4\r\n\r\n"));
}

// The trailing separator is cut by the length of the separator at the end of the line,
// also when it changed while the line was built.
TEST_F(EngineFixture, SeparatorChangedInsideALineCutsByTheNewLength)
{
    host.header = false;
    host.quote = false;
    for (auto [from, to, expected] : {std::tuple{", ", ";", "1, 2\r\n3;4\r\n\r\n"},
                                      std::tuple{";", ", ", "1;2\r\n3, 4\r\n\r\n"}}) {
        host = FakeExportHost();
        host.folder = m_dir.path();
        host.header = false;
        host.quote = false;
        host.sep = QString::fromLatin1(from);
        host.addTable(QStringLiteral("A"), {QStringLiteral("a"), QStringLiteral("b")},
                      {{Value::longInt(1), Value::longInt(2)}, {Value::longInt(3), Value::longInt(4)}});
        // Turns: the record, its first column, its second column: change before the second.
        int turns = 0;
        const QString next = QString::fromLatin1(to);
        host.onEvents = [&] {
            if (++turns == 3)
                host.sep = next;
        };
        runExport();
        EXPECT_EQ(file(QStringLiteral("A.txt")), QByteArray(expected)) << from << " -> " << to;
    }
}

TEST_F(EngineFixture, SecondStartWhileRunningIsIgnored)
{
    host.addTable(QStringLiteral("A"), {QStringLiteral("a")}, numbered(3));
    int nested = 0;
    exporter::ExportResult inner;
    host.onEvents = [&] {
        if (nested++ == 0)
            inner = m_engine->run();
    };
    const auto outer = runExport();
    EXPECT_TRUE(inner.ignored);
    EXPECT_FALSE(outer.ignored);
    EXPECT_EQ(host.db().queries.size(), 1);
    EXPECT_EQ(host.messages, QStringList{QStringLiteral("Done.")});
}

TEST_F(EngineFixture, EventLoopRunsAtEveryYieldWithoutAnInterval)
{
    host.header = true;
    host.addTable(QStringLiteral("A"), {QStringLiteral("a"), QStringLiteral("b")}, numbered(3));
    runExport();
    // Header: 2 columns + 1 line; each record: 1 + 2 columns + 1 line; the file: 1.
    EXPECT_EQ(host.eventTurns, 3 + 3 * 4 + 1);
}

// Closing a window mid-run: the engine stops at the yield where it is told, drops the file
// in hand (an older file of that name stays as it was), and neither shows nor reports
// anything. Files finished before that point stay.
struct StopCase {
    const char* label;
    bool oneFile;
    int stopAtTurn;           // the event-loop turn after which the host asks to stop
    const char* finishedFiles; // comma-separated, what is in the folder afterwards
};

class StopMidRun : public EngineFixture, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopMidRun, WritesNothingMoreAndReportsNothing)
{
    const StopCase& c = GetParam();
    host.option1 = !c.oneFile;
    host.option2 = c.oneFile;
    writeFile(QStringLiteral("A.txt"), "yesterday");
    writeFile(QStringLiteral("output.txt"), "last week");
    // Two tables of three records and two columns. Turns per table: the header's two
    // fields and its line (3), each record, its fields and its line (4 each); per-table
    // files have one more before they are put in place, output.txt one at the very end.
    host.addTable(QStringLiteral("A"), {QStringLiteral("a"), QStringLiteral("b")}, numbered(3));
    host.addTable(QStringLiteral("B"), {QStringLiteral("a"), QStringLiteral("b")}, numbered(3));
    host.onEvents = [&] {
        if (host.eventTurns == c.stopAtTurn)
            host.stop = true;
    };
    const auto result = runExport();
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(host.eventTurns, c.stopAtTurn); // not one turn more
    EXPECT_TRUE(host.messages.isEmpty()) << host.messages.join('|').toStdString();
    EXPECT_TRUE(host.errors.lines().empty());
    QStringList expected = QString::fromLatin1(c.finishedFiles).split(',', Qt::SkipEmptyParts);
    expected << QStringLiteral("output.txt");
    if (!expected.contains(QStringLiteral("A.txt")))
        expected << QStringLiteral("A.txt");
    expected.sort();
    EXPECT_EQ(files(), expected); // no temporary file left either
    EXPECT_EQ(file(QStringLiteral("output.txt")), QByteArray("last week"));
    if (!QString::fromLatin1(c.finishedFiles).contains(QStringLiteral("A.txt")))
        EXPECT_EQ(file(QStringLiteral("A.txt")), QByteArray("yesterday"));
    else
        EXPECT_NE(file(QStringLiteral("A.txt")), QByteArray("yesterday"));
    EXPECT_EQ(result.filesWritten.size(), QString::fromLatin1(c.finishedFiles).count(QLatin1Char(',')) +
                                              (*c.finishedFiles ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StopMidRun,
    ::testing::Values(StopCase{"inTheHeader", false, 1, ""},
                      StopCase{"atTheFirstRecord", false, 4, ""},
                      StopCase{"insideARecord", false, 9, ""},
                      StopCase{"beforeTheLastLine", false, 15, ""},
                      StopCase{"justBeforeTheFileIsPutInPlace", false, 16, ""},
                      StopCase{"inTheSecondTable", false, 20, "A.txt"},
                      StopCase{"beforeTheSecondFileIsPutInPlace", false, 32, "A.txt"},
                      StopCase{"oneFileInTheFirstTable", true, 5, ""},
                      StopCase{"oneFileInTheSecondTable", true, 20, ""},
                      StopCase{"oneFileJustBeforeItIsPutInPlace", true, 31, ""}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace


#include "cli/ExportCommand.h"

#include "FakeAdo.h"
#include "QtPrinters.h"

#include "db/Ado.h"
#include "mdbwriter/DatabaseWriter.h"
#include "mdbwriter/HiddenTables.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <map>

using namespace quorvane;
using namespace quorvane::fakes;
using db::Value;

namespace {

class Command : public ::testing::Test {
public: // the failure cases arrange the database and the folder
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("LC_ALL", "C");
        m_db = std::make_shared<FakeDatabase>();
        m_db->add(QStringLiteral("People"), {QStringLiteral("ID"), QStringLiteral("Name")},
                  {{Value::longInt(1), Value::text(QStringLiteral("Ann"))}, {Value::longInt(2), Value::null()}});
        m_db->add(QStringLiteral("MSysObjects"), {QStringLiteral("Id")}).type = QStringLiteral("SYSTEM TABLE");
        m_db->add(QStringLiteral("Orders"), {QStringLiteral("No")}, {{Value::longInt(7)}});
        m_db->add(QStringLiteral("Remote"), {QStringLiteral("No")}).type = QStringLiteral("LINK");
    }
    void TearDown() override { qunsetenv("LC_ALL"); }

    int run(QStringList args)
    {
        FakeObjectFactory factory(m_db);
        cli::CommandIo io;
        io.out = [this](const QString& s) { out += s; };
        io.err = [this](const QString& s) { err += s; };
        io.env = [this](const char* name) {
            auto it = env.find(name);
            return it == env.end() ? QString() : it->second;
        };
        io.errIsTerminal = terminal;
        stdoutBytes.clear();
        QBuffer stdoutBuffer(&stdoutBytes);
        stdoutBuffer.open(QIODevice::WriteOnly);
        io.stdoutDevice = &stdoutBuffer;
        args.prepend(QStringLiteral("quorvane-export"));
        return cli::runExportCommand(args, factory, io);
    }

    QString dir() const { return m_dir.path(); }
    QByteArray file(const QString& name) const
    {
        QFile f(QDir(m_dir.path()).filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

    std::shared_ptr<FakeDatabase> m_db;
    std::map<std::string, QString> env;
    bool terminal = false;
    QByteArray stdoutBytes; // what "-o -" wrote
    QString out;
    QString err;
    QTemporaryDir m_dir;
};

TEST_F(Command, ExportsEveryUserTableInCatalogOrder)
{
    EXPECT_EQ(run({QStringLiteral("-o"), dir(), QStringLiteral("db.mdb")}), cli::kExitOk) << err.toStdString();
    EXPECT_EQ(files(), (QStringList{QStringLiteral("Orders.txt"), QStringLiteral("People.txt")}));
    EXPECT_EQ(file(QStringLiteral("People.txt")), QByteArray("ID,Name\r\n\"1\",\"Ann\"\r\n\"2\",\"\"\r\n\r\n"));
    EXPECT_EQ(m_db->queries, (QStringList{QStringLiteral("SELECT * FROM `People`"), QStringLiteral("SELECT * FROM `Orders`")}));
}

TEST_F(Command, OptionsShapeTheFile)
{
    EXPECT_EQ(run({QStringLiteral("--output"), dir(), QStringLiteral("-s"), QStringLiteral("; "),
                   QStringLiteral("--no-header"), QStringLiteral("--no-quotes"), QStringLiteral("db.mdb"),
                   QStringLiteral("people")}),
              cli::kExitOk);
    EXPECT_EQ(files(), QStringList{QStringLiteral("People.txt")});
    EXPECT_EQ(file(QStringLiteral("People.txt")), QByteArray("1; Ann\r\n2; \r\n\r\n"));
}

TEST_F(Command, EmptySeparatorIsAllowed)
{
    EXPECT_EQ(run({QStringLiteral("-o"), dir(), QStringLiteral("--separator="), QStringLiteral("--no-quotes"),
                   QStringLiteral("db.mdb"), QStringLiteral("People")}),
              cli::kExitOk);
    EXPECT_EQ(file(QStringLiteral("People.txt")), QByteArray("IDName\r\n1Ann\r\n2\r\n\r\n"));
}

TEST_F(Command, OneFileInTheOrderGiven)
{
    EXPECT_EQ(run({QStringLiteral("-o"), dir(), QStringLiteral("--one-file"), QStringLiteral("--no-quotes"),
                   QStringLiteral("db.mdb"), QStringLiteral("Orders"), QStringLiteral("People")}),
              cli::kExitOk);
    EXPECT_EQ(files(), QStringList{QStringLiteral("output.txt")});
    EXPECT_EQ(file(QStringLiteral("output.txt")), QByteArray("No\r\n7\r\nID,Name\r\n1,Ann\r\n2,\r\n\r\n"));
}

TEST_F(Command, ListPrintsUserTablesOnly)
{
    EXPECT_EQ(run({QStringLiteral("--list"), QStringLiteral("db.mdb")}), cli::kExitOk);
    EXPECT_EQ(out, QStringLiteral("People\nOrders\n"));
    EXPECT_TRUE(m_db->queries.isEmpty());
}

TEST_F(Command, PasswordFromOptionOrEnvironment)
{
    env["QUORVANE_PASSWORD"] = QStringLiteral("fromenv");
    run({QStringLiteral("--list"), QStringLiteral("db.mdb")});
    run({QStringLiteral("--list"), QStringLiteral("-p"), QStringLiteral("given"), QStringLiteral("db.mdb")});
    ASSERT_EQ(m_db->connectionStrings.size(), 2);
    EXPECT_TRUE(m_db->connectionStrings[0].contains(QStringLiteral("fromenv")));
    EXPECT_TRUE(m_db->connectionStrings[1].contains(QStringLiteral("given")));
    EXPECT_FALSE(m_db->connectionStrings[1].contains(QStringLiteral("fromenv")));
}

// Each failure is one line on stderr in the command line's own words: no statement
// numbers, no support address, no closing message; the other tables are still written.
struct FailureCase {
    const char* name;
    std::function<void(Command&)> arrange;
    QStringList args; // after "-o DIR"; "$DIR" stands for the output folder
    QString stderrText;
    QStringList files;
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class Failure : public Command, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(Failure, IsOneLineInItsOwnVoice)
{
    GetParam().arrange(*this);
    QStringList args{QStringLiteral("-o"), dir()};
    args += GetParam().args;
    EXPECT_EQ(run(args), cli::kExitSomeFailed);
    QString expected = GetParam().stderrText;
    EXPECT_EQ(err, expected.replace(QLatin1String("$DIR"), dir()));
    EXPECT_TRUE(out.isEmpty());
    EXPECT_EQ(files(), GetParam().files);
}

const QString kDamage = db::DbError::damaged(QStringLiteral("bad page"), 12).description;

INSTANTIATE_TEST_SUITE_P(
    Cases, Failure,
    ::testing::Values(
        FailureCase{"folder_in_the_files_place",
                    [](Command& c) { QDir(c.dir()).mkdir(QStringLiteral("Orders.txt")); },
                    {QStringLiteral("db.mdb")},
                    QStringLiteral("quorvane-export: Orders: cannot create '$DIR/Orders.txt': Is a directory\n"),
                    {QStringLiteral("People.txt")}},
        FailureCase{"query_fails",
                    [](Command& c) {
                        c.m_db->queryErrors[QStringLiteral("Orders")] = db::DbError::damaged(QStringLiteral("bad page"), 12);
                    },
                    {QStringLiteral("db.mdb")},
                    QStringLiteral("quorvane-export: Orders: cannot open the table: ") + kDamage + QLatin1Char('\n'),
                    {QStringLiteral("People.txt")}},
        FailureCase{"row_fails",
                    [](Command& c) {
                        c.m_db->cellErrors.push_back(
                            {QStringLiteral("People"), 1, 1, db::DbError::damaged(QStringLiteral("bad page"), 12)});
                    },
                    {QStringLiteral("db.mdb")},
                    QStringLiteral("quorvane-export: People: cannot read its rows: ") + kDamage + QLatin1Char('\n'),
                    {QStringLiteral("Orders.txt")}},
        FailureCase{"name_cannot_be_a_file_and_is_escaped",
                    [](Command& c) {
                        c.m_db->add(QStringLiteral("a/\x1b[2J"), {QStringLiteral("No")}, {{Value::longInt(1)}});
                    },
                    {QStringLiteral("db.mdb"), QStringLiteral("a/\x1b[2J"), QStringLiteral("Orders")},
                    QStringLiteral("quorvane-export: a/\\x1b[2J: cannot create '$DIR/a/\\x1b[2J.txt': the table name "
                                   "cannot be a file name in the output folder\n"),
                    {QStringLiteral("Orders.txt")}},
        FailureCase{"one_file_cannot_be_created",
                    [](Command& c) { QDir(c.dir()).mkdir(QStringLiteral("output.txt")); },
                    {QStringLiteral("--one-file"), QStringLiteral("db.mdb")},
                    QStringLiteral("quorvane-export: cannot create '$DIR/output.txt': Is a directory\n"),
                    {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Command, ListEscapesControlCharacters)
{
    m_db->add(QStringLiteral("x\x1b]0;owned\x07"), {QStringLiteral("No")});
    EXPECT_EQ(run({QStringLiteral("--list"), QStringLiteral("db.mdb")}), cli::kExitOk);
    EXPECT_EQ(out, QStringLiteral("People\nOrders\nx\\x1b]0;owned\\x07\n"));
}

TEST_F(Command, QuietSaysNothingOnSuccess)
{
    EXPECT_EQ(run({QStringLiteral("-q"), QStringLiteral("-o"), dir(), QStringLiteral("db.mdb")}), cli::kExitOk);
    EXPECT_TRUE(err.isEmpty()) << err.toStdString();
    EXPECT_TRUE(out.isEmpty());
}

TEST_F(Command, ProgressBarOnlyOnATerminalAndClearedAtTheEnd)
{
    run({QStringLiteral("-o"), dir(), QStringLiteral("db.mdb")});
    EXPECT_FALSE(err.contains(QLatin1Char('#')));
    err.clear();
    terminal = true;
    run({QStringLiteral("-o"), dir(), QStringLiteral("db.mdb")});
    // A table starts at the share done before it.
    EXPECT_TRUE(err.contains(QStringLiteral("\r[                        ]   0% Processing: People")))
        << err.toStdString();
    // The bar's line is blanked before the closing message.
    EXPECT_TRUE(err.endsWith(QStringLiteral("\rDone.\n"))) << err.toStdString();
    err.clear();
    run({QStringLiteral("-q"), QStringLiteral("-o"), dir(), QStringLiteral("db.mdb")});
    EXPECT_TRUE(err.isEmpty());
}

struct UsageCase {
    const char* name;
    QStringList args;
    int exit;
    const char* stderrHas;
};

void PrintTo(const UsageCase& c, std::ostream* os)
{
    *os << c.name;
}

class Usage : public Command, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(Usage, ExitStatusAndMessage)
{
    QStringList args;
    for (const QString& a : GetParam().args)
        args.append(a == QLatin1String("$DIR") ? dir() : a);
    EXPECT_EQ(run(args), GetParam().exit);
    EXPECT_TRUE(err.contains(QString::fromUtf8(GetParam().stderrHas))) << err.toStdString();
    EXPECT_TRUE(files().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Usage,
    ::testing::Values(
        UsageCase{"no_database", {}, cli::kExitUsage, "no database given"},
        UsageCase{"unknown_option", {QStringLiteral("--frobnicate"), QStringLiteral("db.mdb")}, cli::kExitUsage,
                  "frobnicate"},
        UsageCase{"missing_value", {QStringLiteral("db.mdb"), QStringLiteral("-o")}, cli::kExitUsage, "-o"},
        UsageCase{"unknown_table", {QStringLiteral("-o"), QStringLiteral("$DIR"), QStringLiteral("db.mdb"), QStringLiteral("Nope")},
                  cli::kExitUsage, "no table \"Nope\""},
        UsageCase{"system_table_is_not_exported",
                  {QStringLiteral("-o"), QStringLiteral("$DIR"), QStringLiteral("db.mdb"), QStringLiteral("MSysObjects")},
                  cli::kExitUsage, "no table"},
        UsageCase{"missing_output_folder",
                  {QStringLiteral("-o"), QStringLiteral("/nonexistent/quorvane"), QStringLiteral("db.mdb")},
                  cli::kExitUsage, "does not exist"},
        UsageCase{"list_with_tables", {QStringLiteral("--list"), QStringLiteral("db.mdb"), QStringLiteral("People")},
                  cli::kExitUsage, "--list takes no table names"},
        UsageCase{"output_is_a_file", {QStringLiteral("-qo"), QStringLiteral("/etc/passwd"), QStringLiteral("db.mdb")},
                  cli::kExitUsage, "not a folder"},
        UsageCase{"values_unknown", {QStringLiteral("--values=roman"), QStringLiteral("db.mdb")}, cli::kExitUsage,
                  "--values is"},
        UsageCase{"encoding_unknown", {QStringLiteral("--encoding"), QStringLiteral("klingon"), QStringLiteral("db.mdb")},
                  cli::kExitUsage, "unknown encoding"},
        UsageCase{"bom_without_unicode",
                  {QStringLiteral("--bom"), QStringLiteral("--encoding=windows-1252"), QStringLiteral("db.mdb")},
                  cli::kExitUsage, "--bom needs"},
        UsageCase{"jsonl_with_csv", {QStringLiteral("--format=jsonl"), QStringLiteral("--csv"), QStringLiteral("db.mdb")},
                  cli::kExitUsage, "--csv cannot go with --format jsonl"},
        UsageCase{"help", {QStringLiteral("--help")}, cli::kExitOk, ""},
        UsageCase{"version", {QStringLiteral("--version")}, cli::kExitOk, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Command, DatabaseThatCannotBeOpenedIsExitTwo)
{
    m_db->openError = db::DbError::badPassword();
    EXPECT_EQ(run({QStringLiteral("-o"), dir(), QStringLiteral("db.mdb")}), cli::kExitUsage);
    EXPECT_TRUE(err.contains(QStringLiteral("Not a valid password."))) << err.toStdString();
}

TEST_F(Command, HelpNamesEveryOption)
{
    run({QStringLiteral("--help")});
    for (const char* option : {"--output", "--separator", "--no-header", "--no-quotes", "--one-file", "--password",
                               "--list", "--quiet", "--version", "QUORVANE_PASSWORD", "--values", "--null", "--csv",
                               "--line-end", "--bom", "--encoding", "--format"})
        EXPECT_TRUE(out.contains(QLatin1String(option))) << option;
}

TEST_F(Command, JsonLinesStayValidJsonAndUtf8)
{
    QString broken = QStringLiteral("a");
    broken += QChar(0xD800); // a lone surrogate
    broken += QStringLiteral("\x01\\b");
    m_db->add(QStringLiteral("Odd"), {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C\"")},
              {{Value::dbl(std::numeric_limits<double>::quiet_NaN()), Value::single(-std::numeric_limits<float>::infinity()),
                Value::text(broken)}});
    ASSERT_EQ(run({QStringLiteral("-qo-"), QStringLiteral("--format=jsonl"), QStringLiteral("db.mdb"), QStringLiteral("Odd")}),
              cli::kExitOk);
    EXPECT_EQ(stdoutBytes, QByteArray("{\"A\":\"NaN\",\"B\":\"-Infinity\",\"C\\\"\":\"a?\\u0001\\\\b\"}\n"));
}

// The output options, alone and together, byte for byte on standard output.
struct StyleCase {
    const char* name;
    QStringList args;
    QByteArray bytes;
};

void PrintTo(const StyleCase& c, std::ostream* os)
{
    *os << c.name;
}

class Styles : public Command, public ::testing::WithParamInterface<StyleCase> {};

TEST_P(Styles, WriteExactlyThis)
{
    m_db->add(QStringLiteral("Mixed"),
              {QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("Price"), QStringLiteral("Ratio"),
               QStringLiteral("When"), QStringLiteral("Ok"), QStringLiteral("Note")},
              {{Value::longInt(1), Value::text(QStringLiteral("a,\"b\"")), Value::currency({125000}),
                Value::single(10077.125f), Value::dateTime({45356.5 + 0.25 / 86400}), Value::boolean(true), Value::text(QString())},
               {Value::longInt(2), Value::text(QStringLiteral("\u20AC\u4E2D")), Value::null(), Value::single(0.1f),
                Value::dateTime({0.25}), Value::boolean(false), Value::null()},
               {Value::longInt(3), Value::text(QStringLiteral("NULL")), Value::currency({0}), Value::dbl(0.1),
                Value::null(), Value::null(), Value::text(QStringLiteral("x"))}});
    QStringList args{QStringLiteral("-qo"), QStringLiteral("-")};
    args += GetParam().args;
    args += {QStringLiteral("--"), QStringLiteral("db.mdb"), QStringLiteral("Mixed")};
    ASSERT_EQ(run(args), cli::kExitOk) << err.toStdString();
    EXPECT_EQ(stdoutBytes, GetParam().bytes);
    EXPECT_TRUE(err.isEmpty()) << err.toStdString();
    EXPECT_TRUE(files().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Styles,
    ::testing::Values(
        StyleCase{"window_format", {}, QByteArray("ID,Name,Price,Ratio,When,Ok,Note\r\n"
                             "\"1\",\"a,\"\"b\"\"\",\"12.5\",\"10077.12\",\"2024-03-05 12:00:00\",\"True\",\"\"\r\n"
                             "\"2\",\"\xE2\x82\xAC\xE4\xB8\xAD\",\"\",\"0.1\",\"06:00:00\",\"False\",\"\"\r\n"
                             "\"3\",\"NULL\",\"0\",\"0.1\",\"\",\"\",\"x\"\r\n\r\n")},
        StyleCase{"csv_exact_null",
                  {QStringLiteral("--csv"), QStringLiteral("--values"), QStringLiteral("exact"), QStringLiteral("--null"),
                   QStringLiteral("NULL")},
                  QByteArray("ID,Name,Price,Ratio,When,Ok,Note\r\n"
                             "1,\"a,\"\"b\"\"\",12.5,10077.125,2024-03-05 12:00:00.250,true,\r\n"
                             "2,\xE2\x82\xAC\xE4\xB8\xAD,NULL,0.1,1899-12-30 06:00:00,false,NULL\r\n"
                             "3,\"NULL\",0,0.1,NULL,NULL,x\r\n")},
        StyleCase{"csv_empty_null_lf",
                  {QStringLiteral("--csv"), QStringLiteral("--null="), QStringLiteral("--line-end=lf")},
                  QByteArray("ID,Name,Price,Ratio,When,Ok,Note\n"
                             "1,\"a,\"\"b\"\"\",12.5,10077.12,2024-03-05 12:00:00,True,\"\"\n"
                             "2,\xE2\x82\xAC\xE4\xB8\xAD,,0.1,06:00:00,False,\n"
                             "3,NULL,0,0.1,,,x\n")},
        StyleCase{"null_text_without_quotes",
                  {QStringLiteral("--no-quotes"), QStringLiteral("--null"), QStringLiteral("NULL"), QStringLiteral("-s"),
                   QStringLiteral(";"), QStringLiteral("--values=exact")},
                  QByteArray("ID;Name;Price;Ratio;When;Ok;Note\r\n"
                             "1;a,\"b\";12.5;10077.125;2024-03-05 12:00:00.250;true;\r\n"
                             "2;\xE2\x82\xAC\xE4\xB8\xAD;NULL;0.1;1899-12-30 06:00:00;false;NULL\r\n"
                             "3;\"NULL\";0;0.1;NULL;NULL;x\r\n\r\n")},
        StyleCase{"code_page",
                  {QStringLiteral("--csv"), QStringLiteral("--values=exact"), QStringLiteral("--encoding=windows-1252")},
                  QByteArray("ID,Name,Price,Ratio,When,Ok,Note\r\n"
                             "1,\"a,\"\"b\"\"\",12.5,10077.125,2024-03-05 12:00:00.250,true,\r\n"
                             "2,\x80?,,0.1,1899-12-30 06:00:00,false,\r\n"
                             "3,NULL,0,0.1,,,x\r\n")},
        StyleCase{"bom", {QStringLiteral("--csv"), QStringLiteral("--bom"), QStringLiteral("--no-header")},
                  QByteArray("\xEF\xBB\xBF"
                             "1,\"a,\"\"b\"\"\",12.5,10077.12,2024-03-05 12:00:00,True,\r\n"
                             "2,\xE2\x82\xAC\xE4\xB8\xAD,,0.1,06:00:00,False,\r\n"
                             "3,NULL,0,0.1,,,x\r\n")},
        StyleCase{"json_lines", {QStringLiteral("--format=jsonl")}, QByteArray("{\"ID\":1,\"Name\":\"a,\\\"b\\\"\",\"Price\":\"12.5\",\"Ratio\":10077.125,"
                             "\"When\":\"2024-03-05 12:00:00.250\",\"Ok\":true,\"Note\":\"\"}\n"
                             "{\"ID\":2,\"Name\":\"\xE2\x82\xAC\xE4\xB8\xAD\",\"Price\":null,\"Ratio\":0.1,"
                             "\"When\":\"1899-12-30 06:00:00\",\"Ok\":false,\"Note\":null}\n"
                             "{\"ID\":3,\"Name\":\"NULL\",\"Price\":\"0\",\"Ratio\":0.1,\"When\":null,\"Ok\":null,"
                             "\"Note\":\"x\"}\n")}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

// Attachment and multi-valued fields of a file the writer makes, through the real
// reader: each row's items, joined, in the export's own quoting; a row without items
// is empty, as is one whose field is Null.
TEST(CommandOnAWrittenFile, ExportsTheItemsOfComplexFields)
{
    using namespace quorvane::mdbwriter;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gallery.accdb"));
    TableData t{QStringLiteral("Gallery"),
                {Column::longInt(QStringLiteral("ID")), Column::attachments(QStringLiteral("Files")),
                 Column::multiValued(QStringLiteral("Tags"), Column::text({}, 20))},
                {{Value::longInt(1), Value::complex({1, {}}), Value::complex({1, {}})},
                 {Value::longInt(2), Value::complex({2, {}}), Value::complex({2, {}})},
                 {Value::longInt(3), Value::null(), Value::null()}}};
    t.items.push_back({QStringLiteral("Files"), 1, hiddentables::attachment(QStringLiteral("a.txt"), "alpha")});
    t.items.push_back({QStringLiteral("Files"), 1, hiddentables::attachment(QStringLiteral("b \"c\".pdf"), "beta")});
    t.items.push_back({QStringLiteral("Tags"), 1, {Value::text(QStringLiteral("red"))}});
    t.items.push_back({QStringLiteral("Tags"), 1, {Value::text(QStringLiteral("green"))}});
    DatabaseOptions options;
    options.version = Version::Ace;
    QString error;
    ASSERT_TRUE(DatabaseWriter::writeTables(path, {t}, error, options)) << error.toStdString();

    QByteArray written;
    QBuffer buffer(&written);
    buffer.open(QIODevice::WriteOnly);
    cli::CommandIo io;
    QString err;
    io.out = [](const QString&) {};
    io.err = [&err](const QString& s) { err += s; };
    io.env = [](const char*) { return QString(); };
    io.stdoutDevice = &buffer;
    EXPECT_EQ(cli::runExportCommand({QStringLiteral("quorvane-export"), QStringLiteral("-q"), QStringLiteral("-o"),
                                     QStringLiteral("-"), path},
                                    db::objectFactory(), io),
              cli::kExitOk)
        << err.toStdString();
    EXPECT_EQ(written, QByteArray("ID,Files,Tags\r\n\"1\",\"a.txt; b \"\"c\"\".pdf\",\"red; green\"\r\n"
                                  "\"2\",\"\",\"\"\r\n\"3\",\"\",\"\"\r\n\r\n"));
}

} // namespace

#include "cli/ExportCommand.h"

#include "FakeAdo.h"
#include "QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
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
                               "--list", "--quiet", "--version", "QUORVANE_PASSWORD"})
        EXPECT_TRUE(out.contains(QLatin1String(option))) << option;
}

} // namespace

// The table catalog, the provider guidance, the Windows version reading and the start-up
// presence check, against a scripted data-access component.

#include "ShellFakes.h"

#include "report/Locations.h"
#include "db/Access.h"
#include "db/IsInstalled.h"
#include "db/ODBCProvider.h"
#include "db/WinVersion.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;
using Failure = FakeDatabase::Failure;

namespace {

class Inputs : public db::ConnectionInputs {
public:
    QString databasePath() const override { return path; }
    QString databasePassword() const override { return password; }
    QString path;
    QString password;
};

} // namespace

class CatalogTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listsOnlyLocalTablesInProviderOrder();
    void databaseWithoutTablesGivesAnEmptyList();
    void missingFileGivesNoListAndNoReport_data();
    void missingFileGivesNoListAndNoReport();
    void failuresAreReportedOnceWithTheirStatement_data();
    void failuresAreReportedOnceWithTheirStatement();
    void connectionUsesTheBoxesNotThePath();

    void fillingTicksEveryRowAndSelectsTheFirst();
    void fillingTwiceDoesNotDuplicate();
    void noListKeepsWhatTheControlHeld();
    void failingRowIsReportedAndFillingGoesOn();

    void providerGuidance_data();
    void providerGuidance();
    void guidanceTextIsExact();
    void downloadPageFollowsTheWindowsVersion_data();
    void downloadPageFollowsTheWindowsVersion();
    void versionIsZeroOffWindows();
    void presenceCheck_data();
    void presenceCheck();
    void failingProviderCheckDuringListing();

private:
    db::CatalogContext context() { return {m_inputs, m_dialogue, m_reporter}; }

    QTemporaryDir m_dir;
    FakeDatabase m_db;
    std::shared_ptr<FakeFactory> m_factory;
    Inputs m_inputs;
    RecordingDialogue m_dialogue;
    RecordingReporter m_reporter;
};

void CatalogTest::init()
{
    QVERIFY(m_dir.isValid());
    m_db = FakeDatabase();
    m_db.schema = {{"Customers", "TABLE"},   {"MSysObjects", "SYSTEM TABLE"}, {"Orders", "TABLE"},
                   {"Linked", "LINK"},       {"Monthly", "VIEW"},             {"table", "table"},
                   {"Hidden", "ACCESS TABLE"}, {"Zeta", "TABLE"}};
    m_factory = std::make_shared<FakeFactory>(m_db);
    db::setObjectFactory(m_factory);
    m_inputs.path = m_dir.filePath(QStringLiteral("data.mdb"));
    QFile file(m_inputs.path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    m_inputs.password.clear();
    m_dialogue = RecordingDialogue();
    m_reporter.reports.clear();
    db::setWindowsMajorVersion(0);
}

void CatalogTest::cleanup()
{
    db::setObjectFactory(nullptr);
}

void CatalogTest::listsOnlyLocalTablesInProviderOrder()
{
    const std::optional<QStringList> tables = db::NonSystemTables(m_inputs.path, context());
    QVERIFY(tables.has_value());
    QCOMPARE(*tables, QStringList({"Customers", "Orders", "Zeta"}));
    QVERIFY(m_reporter.reports.isEmpty());
    QCOMPARE(m_db.opens, 1);
    QCOMPARE(m_db.closes, 1);
}

void CatalogTest::databaseWithoutTablesGivesAnEmptyList()
{
    m_db.schema = {{"MSysObjects", "SYSTEM TABLE"}};
    const std::optional<QStringList> tables = db::NonSystemTables(m_inputs.path, context());
    QVERIFY(tables.has_value());
    QVERIFY(tables->isEmpty());
}

void CatalogTest::missingFileGivesNoListAndNoReport_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("empty") << QString();
    QTest::newRow("deleted") << QStringLiteral("/nonexistent/folder/gone.mdb");
}

void CatalogTest::missingFileGivesNoListAndNoReport()
{
    QFETCH(QString, path);
    QVERIFY(!db::NonSystemTables(path, context()).has_value());
    QVERIFY(m_reporter.reports.isEmpty());
    QVERIFY(m_dialogue.questions.isEmpty());
    QCOMPARE(m_db.opens, 0);
}

void CatalogTest::failuresAreReportedOnceWithTheirStatement_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("failure");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("description");
    QTest::newRow("wrong password") << "nope" << int(Failure::None) << 108 << "Not a valid password.";
    QTest::newRow("schema") << "" << int(Failure::OpenSchema) << 110 << "The database file is damaged: catalog (page 2).";
    QTest::newRow("eof never answers") << "" << int(Failure::Eof) << 114
                                       << "Either BOF or EOF is True, or the current record has been deleted.";
    QTest::newRow("move next") << "" << int(Failure::MoveNext) << 120 << "No current record.";
    QTest::newRow("close") << "" << int(Failure::Close) << 124
                           << "Operation is not allowed when the object is closed.";
}

void CatalogTest::failuresAreReportedOnceWithTheirStatement()
{
    QFETCH(QString, password);
    QFETCH(int, failure);
    QFETCH(int, line);
    QFETCH(QString, description);
    m_inputs.password = password;
    m_db.failure = Failure(failure);
    QVERIFY(!db::NonSystemTables(m_inputs.path, context()).has_value());
    QCOMPARE(m_reporter.reports.size(), 1);
    QCOMPARE(m_reporter.reports[0].location, report::location::kAccessNonSystemTables);
    QCOMPARE(m_reporter.reports[0].line, line);
    QCOMPARE(m_reporter.reports[0].description, description);
}

void CatalogTest::connectionUsesTheBoxesNotThePath()
{
    // The path argument only decides whether the file exists; the connection is built
    // from the boxes.
    QTemporaryDir other;
    const QString otherPath = other.filePath(QStringLiteral("other.accdb"));
    QFile file(otherPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    m_inputs.password = QStringLiteral("pw;1");
    m_db.password = QStringLiteral("pw;1");
    QVERIFY(db::NonSystemTables(otherPath, context()).has_value());
    QCOMPARE(m_db.connectionStrings.size(), 1);
    QVERIFY(m_db.connectionStrings[0].contains(QStringLiteral("Microsoft.Jet.OLEDB.4.0")));
    QVERIFY(m_db.connectionStrings[0].contains(m_inputs.path));
}

void CatalogTest::fillingTicksEveryRowAndSelectsTheFirst()
{
    VectorList list;
    db::AddTablesToAccessListbox(list, m_inputs.path, QString(), context());
    QCOMPARE(list.texts(), QStringList({"Customers", "Orders", "Zeta"}));
    QVERIFY(list.allChecked());
    QCOMPARE(list.selected, 0);
    QVERIFY(m_reporter.reports.isEmpty());
}

void CatalogTest::fillingTwiceDoesNotDuplicate()
{
    VectorList list;
    db::AddTablesToAccessListbox(list, m_inputs.path, QString(), context());
    list.rows[1].checked = false;
    db::AddTablesToAccessListbox(list, m_inputs.path, QString(), context());
    QCOMPARE(list.texts(), QStringList({"Customers", "Orders", "Zeta"}));
    QVERIFY(list.allChecked());
}

void CatalogTest::noListKeepsWhatTheControlHeld()
{
    VectorList list;
    list.rows = {{"Old", false}};
    db::AddTablesToAccessListbox(list, QStringLiteral("/nonexistent.mdb"), QString(), context());
    QCOMPARE(list.texts(), QStringList({"Old"}));
    QVERIFY(m_reporter.reports.isEmpty());

    m_inputs.password = QStringLiteral("wrong");
    db::AddTablesToAccessListbox(list, m_inputs.path, QString(), context());
    QCOMPARE(list.texts(), QStringList({"Old"}));
    QCOMPARE(m_reporter.reports.size(), 1); // from the catalog, not from the filling
    QCOMPARE(m_reporter.reports[0].location, report::location::kAccessNonSystemTables);
}

void CatalogTest::failingRowIsReportedAndFillingGoesOn()
{
    VectorList list;
    list.failOn = QStringLiteral("Orders");
    db::AddTablesToAccessListbox(list, m_inputs.path, QString(), context());
    // The row that could not be added is reported; ticking "the last row" then ticks the
    // one before it again, and the rest go in.
    QCOMPARE(list.texts(), QStringList({"Customers", "Zeta"}));
    QVERIFY(list.allChecked());
    QCOMPARE(list.selected, 0);
    QCOMPARE(m_reporter.reports.size(), 1);
    QCOMPARE(m_reporter.reports[0].location, report::location::kAccessAddTablesToAccessListbox);
    QCOMPARE(m_reporter.reports[0].line, 112);
}

void CatalogTest::providerGuidance_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description");
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<bool>("guided");
    QTest::newRow("3706, other text") << 3706 << "Something else entirely." << false << true;
    QTest::newRow("text in mixed case")
        << -2147467259 << "PROVIDER Cannot Be Found. It may not be properly installed." << false << true;
    QTest::newRow("text inside a longer one") << 0 << "ADO: provider cannot be found (Jet)" << false << true;
    QTest::newRow("yes opens the page") << 3706 << "Provider cannot be found. It may not be properly installed."
                                        << true << true;
    QTest::newRow("component missing") << 429 << "ActiveX component can't create object" << true << false;
    QTest::newRow("near miss") << 3707 << "provider can not be found" << true << false;
}

void CatalogTest::providerGuidance()
{
    QFETCH(int, number);
    QFETCH(QString, description);
    QFETCH(bool, answerYes);
    QFETCH(bool, guided);
    db::setObjectFactory(std::make_shared<db::FailingObjectFactory>(number, description));
    m_dialogue.answerYes = answerYes;
    QVERIFY(!db::CheckProvider(m_dialogue));
    QCOMPARE(m_dialogue.questions.size(), guided ? 1 : 0);
    const bool pageOpened = guided && answerYes;
    QCOMPARE(m_dialogue.pages, pageOpened ? QStringList{db::kAccessEngine2010Page} : QStringList());
    QVERIFY(m_dialogue.messages.isEmpty());
}

void CatalogTest::guidanceTextIsExact()
{
    const QString text = db::missingProviderGuidance();
    const QStringList parts = text.split(QStringLiteral("\r\n\r\n"));
    QCOMPARE(parts.size(), 8);
    QCOMPARE(parts.first(), QStringLiteral("You got error 3706: Provider cannot be found. It may not be properly installed."));
    QCOMPARE(parts.last(), QStringLiteral("Would you like me to open MicroSoft site to read and download solution?"));
    QVERIFY(!text.endsWith(u'\n'));
    QVERIFY(!text.contains(QStringLiteral("\r\n\r\n\r\n")));
}

void CatalogTest::downloadPageFollowsTheWindowsVersion_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("page");
    QTest::newRow("no reading") << 0 << db::kAccessEngine2010Page;
    QTest::newRow("Windows 7/8") << 6 << db::kAccessEngine2010Page;
    QTest::newRow("Windows 10") << 10 << db::kAccessEngine2016Page;
    QTest::newRow("later") << 11 << db::kAccessEngine2016Page;
    QTest::newRow("negative") << -1 << db::kAccessEngine2010Page;
}

void CatalogTest::downloadPageFollowsTheWindowsVersion()
{
    QFETCH(int, version);
    QFETCH(QString, page);
    db::setWindowsMajorVersion(std::int16_t(version));
    db::OpenEngineDownloadPage(m_dialogue);
    QCOMPARE(m_dialogue.pages, QStringList{page});
}

void CatalogTest::versionIsZeroOffWindows()
{
#ifdef Q_OS_WIN
    db::DetectWindowsVersion();
    QVERIFY(db::WindowsMajorVersion() >= 6);
#else
    db::setWindowsMajorVersion(10);
    db::DetectWindowsVersion();
    QCOMPARE(db::WindowsMajorVersion(), std::int16_t(0));
#endif
}

void CatalogTest::presenceCheck_data()
{
    QTest::addColumn<int>("failFrom");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("messages");
    QTest::newRow("all in place") << 0 << 0 << 0 << 0;
    QTest::newRow("component missing") << 1 << 429 << 0 << 0;
    QTest::newRow("provider missing") << 1 << 3706 << 1 << 0;
    QTest::newRow("second creation fails") << 2 << 429 << 0 << 1;
}

void CatalogTest::presenceCheck()
{
    QFETCH(int, failFrom);
    QFETCH(int, number);
    QFETCH(int, questions);
    QFETCH(int, messages);
    m_factory->failFrom = failFrom;
    m_factory->failure = {number, QStringLiteral("creation failed")};
    db::CheckAccessInstalled(m_dialogue);
    QCOMPARE(m_dialogue.questions.size(), questions);
    QCOMPARE(m_dialogue.messages.size(), messages);
    if (messages)
        QCOMPARE(m_dialogue.messages[0], QString::fromLatin1(db::kAccessNotInstalledMessage));
}

void CatalogTest::failingProviderCheckDuringListing()
{
    m_factory->failFrom = 1;
    m_factory->failure = db::DbError::providerNotFound();
    VectorList list;
    db::AddTablesToAccessListbox(list, m_inputs.path, QString(), context());
    QCOMPARE(m_dialogue.questions.size(), 1); // once per press
    QVERIFY(m_reporter.reports.isEmpty());
    QCOMPARE(list.itemCount(), 0);
    db::AddTablesToAccessListbox(list, m_inputs.path, QString(), context());
    QCOMPARE(m_dialogue.questions.size(), 2); // and again on the next
}

QTEST_GUILESS_MAIN(CatalogTest)
#include "CatalogTest.moc"

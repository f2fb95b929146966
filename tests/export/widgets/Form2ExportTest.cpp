// "Start Exporting" through the window: its controls are the options, its list the tables,
// its progress bar the sink; the database is the in-memory fake.

#include "Fakes.h"

#include "FakeAdo.h"

#include "app/settings/SettingsStore.h"
#include "export/widgets/Form2.h"
#include "export/widgets/TableListView.h"
#include "export/widgets/TextProgressBar.h"

#include "db/Ado.h"
#include "report/ApplicationError.h"
#include "report/Locations.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace quorvane;
using exporter::Form2;

class Form2ExportTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void writesTheTickedTables_data();
    void writesTheTickedTables();
    void progressFollowsTablesAndRecords();
    void missingFolderStopsBeforeAnything();
    void failureIsTheWindowsReport();
    void busyPointerWhileRunning();
    void secondStartDuringARunDoesNothing();
    void optionsChangedMidRunApplyToLaterLines();
    void closingMidRunEndsQuietly();
    void exportsARealDatabase_data();
    void exportsARealDatabase();

private:
    void makeForm();
    template <class T>
    T* control(const char* name) const
    {
        T* widget = m_form->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    void fillList(const QList<QPair<QString, bool>>& rows);
    void start() { QTest::mouseClick(control<QPushButton>("PushButton5"), Qt::LeftButton); }
    QByteArray file(const QString& name) const
    {
        QFile f(QDir(m_out->path()).filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList files() const { return QDir(m_out->path()).entryList(QDir::Files | QDir::Hidden); }
    QStringList messages() const
    {
        QStringList texts;
        for (const auto& shown : m_boxes.shown)
            texts << shown.text;
        return texts;
    }

    std::unique_ptr<QTemporaryDir> m_settingsDir;
    std::unique_ptr<QTemporaryDir> m_out;
    std::unique_ptr<app::SettingsStore> m_store;
    std::shared_ptr<fakes::FakeDatabase> m_db;
    std::unique_ptr<fakes::FakeObjectFactory> m_factory;
    testing::FakeForm1 m_form1;
    testing::RecordingReporter m_reporter;
    testing::RecordingMessageBoxes m_boxes;
    testing::FakeFileDialogs m_dialogs;
    int m_endProgram = 0;
    std::unique_ptr<Form2> m_form;
};

void Form2ExportTest::initTestCase()
{
    // Numbers in the C rules whatever the machine's locale.
    qputenv("LC_ALL", "C");
}

void Form2ExportTest::init()
{
    m_settingsDir = std::make_unique<QTemporaryDir>();
    m_out = std::make_unique<QTemporaryDir>();
    QVERIFY(m_settingsDir->isValid() && m_out->isValid());
    m_store = std::make_unique<app::SettingsStore>(m_settingsDir->filePath(QStringLiteral("Quorvane.ini")));
    m_store->saveSetting(app::keys::kOutputFolder, m_out->path() + QLatin1Char('/'));
    m_db = std::make_shared<fakes::FakeDatabase>();
    m_factory = std::make_unique<fakes::FakeObjectFactory>(m_db);
    m_form1.path = QStringLiteral("/data/shop.mdb");
    m_reporter.reports.clear();
    m_boxes.shown.clear();
    m_endProgram = 0;
    using db::Value;
    m_db->add(QStringLiteral("People"), {QStringLiteral("ID"), QStringLiteral("Name")},
              {{Value::longInt(1), Value::text(QStringLiteral("Ann"))}, {Value::longInt(2), Value::null()}});
    m_db->add(QStringLiteral("Empty"), {QStringLiteral("X")});
    m_db->add(QStringLiteral("100%p"), {QStringLiteral("N")}, {{Value::integer(7)}});
}

void Form2ExportTest::cleanup()
{
    m_form.reset();
    m_factory.reset();
    m_db.reset();
    m_store.reset();
    m_out.reset();
    m_settingsDir.reset();
}

void Form2ExportTest::makeForm()
{
    app::UiServices services;
    services.messageBoxes = &m_boxes;
    services.fileDialogs = &m_dialogs;
    exporter::Form2Setup setup;
    setup.programFolder = m_settingsDir->path();
    setup.endProgram = [this] { ++m_endProgram; };
    setup.reporter = &m_reporter;
    setup.factory = m_factory.get();
    setup.yieldInterval = std::chrono::milliseconds(0);
    m_form = std::make_unique<Form2>(m_form1, *m_store, services, setup);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void Form2ExportTest::fillList(const QList<QPair<QString, bool>>& rows)
{
    auto& list = m_form->ListView1();
    list.clear();
    for (const auto& [name, ticked] : rows) {
        list.addItem(name);
        list.setItemChecked(list.itemCount() - 1, ticked);
    }
    list.selectItem(0);
}

void Form2ExportTest::writesTheTickedTables_data()
{
    QTest::addColumn<bool>("oneFile");
    QTest::addColumn<bool>("header");
    QTest::addColumn<bool>("quotes");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QList<bool>>("ticks"); // People, Empty, 100%p
    QTest::addColumn<QStringList>("expectedFiles");
    QTest::addColumn<QByteArray>("firstFileContent");
    QTest::addColumn<QString>("closingMessage"); // "<folder>" stands for the output folder

    QTest::newRow("one file per table")
        << false << true << true << "," << QList<bool>{true, true, true}
        << QStringList{"100%p.txt", "Empty.txt", "People.txt"}
        << QByteArray("ID,Name\r\n\"1\",\"Ann\"\r\n\"2\",\"\"\r\n\r\n") << "Done.";
    QTest::newRow("no quotes, two-character separator")
        << false << true << false << "; " << QList<bool>{true, false, false} << QStringList{"People.txt"}
        << QByteArray("ID; Name\r\n1; Ann\r\n2; \r\n\r\n") << "Done.";
    QTest::newRow("empty table without header")
        << false << false << true << "," << QList<bool>{false, true, false} << QStringList{"Empty.txt"}
        << QByteArray("\r\n") << "Done.";
    QTest::newRow("one file for all")
        << true << true << false << "," << QList<bool>{true, false, true} << QStringList{"output.txt"}
        << QByteArray("ID,Name\r\n1,Ann\r\n2,\r\nN\r\n7\r\n\r\n") << "File created at <folder>output.txt";
    QTest::newRow("nothing ticked, one file") << true << true << true << "," << QList<bool>{false, false, false}
                                              << QStringList{"output.txt"} << QByteArray("\r\n")
                                              << "File created at <folder>output.txt";
    QTest::newRow("nothing ticked, per table") << false << true << true << "," << QList<bool>{false, false, false}
                                               << QStringList{} << QByteArray() << "Done.";
}

void Form2ExportTest::writesTheTickedTables()
{
    QFETCH(bool, oneFile);
    QFETCH(bool, header);
    QFETCH(bool, quotes);
    QFETCH(QString, separator);
    QFETCH(QList<bool>, ticks);
    QFETCH(QStringList, expectedFiles);
    QFETCH(QByteArray, firstFileContent);
    QFETCH(QString, closingMessage);

    makeForm();
    fillList({{"People", ticks[0]}, {"Empty", ticks[1]}, {"100%p", ticks[2]}});
    (oneFile ? control<QRadioButton>("Option2") : control<QRadioButton>("Option1"))->setChecked(true);
    control<QCheckBox>("Check6")->setChecked(header);
    control<QCheckBox>("Check1")->setChecked(quotes);
    control<QLineEdit>("Text2")->setText(separator);
    start();

    QCOMPARE(files(), expectedFiles);
    if (!expectedFiles.isEmpty())
        QCOMPARE(file(expectedFiles.contains("People.txt") ? "People.txt" : expectedFiles.first()), firstFileContent);
    closingMessage.replace(QStringLiteral("<folder>"), control<QLineEdit>("Text1")->text());
    QCOMPARE(messages(), QStringList{closingMessage});
    QCOMPARE(m_boxes.shown[0].style, app::mb::kOkOnly);
    QCOMPARE(m_boxes.shown[0].title, QString()); // the application's title
    QVERIFY(m_reporter.reports.empty());
    // The connection was built from the main window's path.
    QCOMPARE(m_db->connectionStrings.size(), qsizetype(1));
    QVERIFY(m_db->connectionStrings[0].contains(QStringLiteral("/data/shop.mdb")));
    // Between runs the bar rests.
    auto* bar = control<exporter::TextProgressBar>("ProgressBar1");
    QCOMPARE(bar->progress(), 0.0);
    QCOMPARE(bar->text(), QStringLiteral("Progress Bar"));
    QCOMPARE(m_form->MousePointer(), exporter::pointer::kDefault);
    QVERIFY(!m_form->isExporting());
}

void Form2ExportTest::progressFollowsTablesAndRecords()
{
    makeForm();
    fillList({{"People", true}, {"Empty", false}, {"100%p", true}});
    auto* bar = control<exporter::TextProgressBar>("ProgressBar1");
    QStringList texts;
    QList<double> values;
    connect(bar, &exporter::TextProgressBar::textChanged, this, [&](const QString& text) {
        texts << text;
        values << bar->progress();
    });
    start();
    // The name with '%p' in it is shown as it is, not as a percentage.
    QCOMPARE(texts, QStringList({"Processing: People", "Processing record: 1 in People",
                                 "Processing record: 2 in People", "Processing: 100%p",
                                 "Processing record: 1 in 100%p", "Progress Bar"}));
    QCOMPARE(values.size(), 6);
    QCOMPARE(values[0], 50.0);
    QCOMPARE(values[1], 25.0);
    QCOMPARE(values[2], 50.0);
    QCOMPARE(values[4], 100.0);
    QCOMPARE(values[5], 0.0);
}

void Form2ExportTest::missingFolderStopsBeforeAnything()
{
    makeForm();
    fillList({{"People", true}});
    control<QLineEdit>("Text1")->setText(m_out->filePath(QStringLiteral("gone/")));
    start();
    QCOMPARE(messages(), QStringList{"Folder does not exist. Please select another folder."});
    QVERIFY(m_db->connectionStrings.isEmpty());
    QVERIFY(files().isEmpty());
    QCOMPARE(m_form->MousePointer(), exporter::pointer::kDefault);
}

// The engine states the failure; the window shows it as its fixed report, under the
// location of "Start Exporting", the creation (214) and the write that follows (218).
void Form2ExportTest::failureIsTheWindowsReport()
{
    QVERIFY(QDir(m_out->path()).mkdir(QStringLiteral("People.txt")));
    makeForm();
    fillList({{"People", true}});
    start();
    const QString path = m_out->path() + QStringLiteral("/People.txt");
    const QString created = QStringLiteral("Path/File access error: ") + path + QStringLiteral(": Is a directory");
    QCOMPARE(m_reporter.reports.size(), size_t(2));
    QCOMPARE(m_reporter.reports[0].message,
             created + QStringLiteral("\r\nin Kestrine2018/12/03.Form2.PushButton5_Click at line 214\r\r"
                                      "Please email screenshot of this message to ")
                 + report::supportAddress());
    QCOMPARE(m_reporter.reports[1].message,
             report::buildApplicationErrorMessage(QStringLiteral("Bad file name or number"),
                                                  report::location::kForm2PushButton5Click, 218));
    QCOMPARE(messages(), QStringList{"Done."});
}

void Form2ExportTest::busyPointerWhileRunning()
{
    makeForm();
    fillList({{"People", true}});
    int seen = -1;
    QTimer::singleShot(0, this, [&] { seen = m_form->MousePointer(); });
    // Hovering a button mid-run must not replace the busy pointer with the hand.
    QTimer::singleShot(0, this, [&] { QTest::mouseMove(control<QPushButton>("PushButton1")); });
    start();
    QCOMPARE(seen, exporter::pointer::kHourglass);
    QCOMPARE(m_form->MousePointer(), exporter::pointer::kDefault);
}

void Form2ExportTest::secondStartDuringARunDoesNothing()
{
    makeForm();
    fillList({{"People", true}, {"100%p", true}});
    bool wasRunning = false;
    QTimer::singleShot(0, this, [&] {
        wasRunning = m_form->isExporting();
        start();
    });
    start();
    QVERIFY(wasRunning);
    QCOMPARE(messages(), QStringList{"Done."});
    QCOMPARE(m_db->connectionStrings.size(), qsizetype(1));
    QCOMPARE(file(QStringLiteral("People.txt")), QByteArray("ID,Name\r\n\"1\",\"Ann\"\r\n\"2\",\"\"\r\n\r\n"));
}

void Form2ExportTest::optionsChangedMidRunApplyToLaterLines()
{
    makeForm();
    fillList({{"People", true}});
    // The user unticks the quotes while the first record is being read.
    QTimer::singleShot(0, this, [&] { control<QCheckBox>("Check1")->setChecked(false); });
    start();
    const QByteArray content = file(QStringLiteral("People.txt"));
    QVERIFY2(content.endsWith("2,\r\n\r\n"), content.constData());
    // The click during the run was stored like any other.
    QCOMPARE(m_store->getSetting(app::keys::kCheck1), QStringLiteral("0"));
}

void Form2ExportTest::closingMidRunEndsQuietly()
{
    makeForm();
    fillList({{"People", true}, {"Empty", true}, {"100%p", true}});
    QTimer::singleShot(0, this, [&] { m_form->close(); });
    start();
    QCOMPARE(m_endProgram, 1);
    QVERIFY(!m_form->isExporting());
    // The export stops at its next yield: the table in hand is dropped, no file (nor a
    // temporary one) is left, and no later table is touched.
    QVERIFY2(files().isEmpty(), qPrintable(files().join(',')));
    QCOMPARE(m_db->queries.size(), qsizetype(1));
    QVERIFY(m_boxes.shown.empty());
    QVERIFY(m_reporter.reports.empty());
    // Nothing starts once the program is ending.
    m_form->show();
    start();
    QCOMPARE(m_db->connectionStrings.size(), qsizetype(1));
}

void Form2ExportTest::exportsARealDatabase_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("Jet 4") << "jackcess--V2000--testV2000.mdb";
    QTest::newRow("ACE") << "mdbtestdata--ASampleDatabase.accdb";
}

void Form2ExportTest::exportsARealDatabase()
{
    QFETCH(QString, name);
    const QString corpus = QStringLiteral(QUORVANE_CORPUS_DIR);
    const QString database = corpus + QStringLiteral("/files/") + name;
    QFile expected(corpus + QStringLiteral("/expected/") + name + QStringLiteral(".jsonl"));
    if (!QFileInfo::exists(database) || !expected.open(QIODevice::ReadOnly))
        QSKIP("corpus file not present");

    // The local tables and their header lines, as an independent reader saw them.
    QMap<QString, QByteArray> headers;
    while (!expected.atEnd()) {
        const QJsonObject table = QJsonDocument::fromJson(expected.readLine()).object();
        if (!table.contains(QStringLiteral("table")) || table.value(QStringLiteral("linked")).toBool())
            continue;
        QStringList columns;
        for (const QJsonValue column : table.value(QStringLiteral("columns")).toArray())
            columns << column.toArray().at(0).toString();
        headers.insert(table.value(QStringLiteral("table")).toString(), columns.join(QLatin1Char(',')).toUtf8());
    }
    QVERIFY(!headers.isEmpty());

    m_form1.path = database;
    exporter::Form2Setup setup;
    setup.programFolder = m_settingsDir->path();
    setup.endProgram = [this] { ++m_endProgram; };
    setup.reporter = &m_reporter;
    setup.yieldInterval = std::chrono::milliseconds(0); // the reader, not the fake
    app::UiServices services;
    services.messageBoxes = &m_boxes;
    m_form = std::make_unique<Form2>(m_form1, *m_store, services, setup);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QList<QPair<QString, bool>> rows;
    for (const QString& table : headers.keys())
        rows.append({table, true});
    fillList(rows);
    start();

    QVERIFY2(m_reporter.reports.empty(), m_reporter.reports.empty() ? "" : qPrintable(m_reporter.reports[0].message));
    QCOMPARE(messages(), QStringList{"Done."});
    QCOMPARE(files().size(), headers.size());
    for (auto it = headers.cbegin(); it != headers.cend(); ++it) {
        const QByteArray content = file(it.key() + QStringLiteral(".txt"));
        QVERIFY2(content.startsWith(it.value() + "\r\n"), qPrintable(it.key()));
        QVERIFY(content.endsWith("\r\n\r\n"));
    }
}

QTEST_MAIN(Form2ExportTest)
#include "Form2ExportTest.moc"

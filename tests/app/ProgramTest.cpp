// Both windows together, as the program wires them, with the platform services and the
// data-access component faked: start-up straight into the export window, "< Back" and
// "Next >", the error report's box, and closing either window.

#include "ShellFakes.h"

#include "app/Main.h"
#include "app/Program.h"
#include "app/settings/SettingsStore.h"
#include "export/widgets/Form2.h"
#include "export/widgets/TableListView.h"

#include "mdbwriter/BenchDatabase.h"

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;

class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartShowsTheMainWindow();
    void rememberedDatabaseOpensTheExportWindow();
    void backAndNextRefillTheList();
    void reportIsAWarningBoxWithOk();
    void closingEitherWindowEndsTheProgram_data();
    void closingEitherWindowEndsTheProgram();

    void rememberedDatabaseExportsOneFilePerTable();
    void closingMidExportEndsAtOnce_data();
    void closingMidExportEndsAtOnce();

    void corpusDatabaseOpensTheExportWindow_data();
    void corpusDatabaseOpensTheExportWindow();
    void corpusWrongPasswordGivesOneReport();

private:
    void remember(const QString& path, const QString& password = QString());

    QString longDatabase();

    std::unique_ptr<QTemporaryDir> m_dir;
    QTemporaryDir m_shared; // what several tests read and none changes
    QString m_database;
    FakeDatabase m_db;
    FakeServices m_fakes;
};

void ProgramTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("config")).toLocal8Bit());
    app::setProgramFolder(m_dir->path());
    m_database = m_dir->filePath(QStringLiteral("Shop.mdb"));
    QFile file(m_database);
    QVERIFY(file.open(QIODevice::WriteOnly));
    m_db = FakeDatabase();
    m_db.schema = {{"Customers", "TABLE"}, {"MSysObjects", "SYSTEM TABLE"}, {"Orders", "TABLE"}};
    db::setObjectFactory(std::make_shared<FakeFactory>(m_db));
    m_fakes.boxes.shown.clear();
}

void ProgramTest::cleanup()
{
    db::setObjectFactory(nullptr);
    app::setProgramFolder(QString());
}

// A table whose export lasts many yield intervals even on a fast machine: the window runs
// its events only once an interval (15 ms) has passed, so a close meant to arrive mid-export
// needs the export to outlast the first of them by far. Written once for all tests.
QString ProgramTest::longDatabase()
{
    const QString path = m_shared.filePath(QStringLiteral("Long.mdb"));
    if (!QFileInfo::exists(path)) {
        QString error;
        if (!mdbwriter::BenchDatabase().write(path, 250000, error))
            qWarning("%s", qPrintable(error));
    }
    return path;
}

void ProgramTest::remember(const QString& path, const QString& password)
{
    app::SettingsStore store;
    store.saveSetting(app::keys::kDatabase, path);
    store.saveSetting(app::keys::kPassword, password);
}

void ProgramTest::firstStartShowsTheMainWindow()
{
    app::Program program(m_fakes.services());
    program.start();
    QVERIFY(program.form1().isVisible());
    QVERIFY(!program.loadedForm2());
    QVERIFY(!program.form1().windowIcon().isNull());
    QVERIFY(m_fakes.boxes.shown.isEmpty());
}

void ProgramTest::rememberedDatabaseOpensTheExportWindow()
{
    remember(m_database);
    app::Program program(m_fakes.services());
    program.start();
    QVERIFY(!program.form1().isVisible());
    exporter::Form2* form2 = program.loadedForm2();
    QVERIFY(form2);
    QVERIFY(form2->isVisible());
    exporter::TableListView& list = form2->ListView1();
    QCOMPARE(list.itemCount(), 2);
    QCOMPARE(list.itemText(0), QStringLiteral("Customers"));
    QCOMPARE(list.itemText(1), QStringLiteral("Orders"));
    QVERIFY(list.isItemChecked(0) && list.isItemChecked(1));
    QCOMPARE(list.currentItem(), list.topLevelItem(0));
    QVERIFY(m_fakes.boxes.shown.isEmpty());
    // The export window's own load stored its defaults on the way.
    QCOMPARE(app::SettingsStore().getSetting(app::keys::kSeparatedBy, QStringLiteral("<absent>")),
             QStringLiteral(","));
}

void ProgramTest::backAndNextRefillTheList()
{
    remember(m_database);
    app::Program program(m_fakes.services());
    program.start();
    exporter::Form2* form2 = program.loadedForm2();
    QVERIFY(form2);
    form2->ListView1().setItemChecked(0, false);

    QTest::mouseClick(form2->findChild<QPushButton*>(QStringLiteral("PushButton2")), Qt::LeftButton);
    QVERIFY(program.form1().isVisible());
    QVERIFY(!form2->isVisible());

    m_db.schema.append(std::pair<QString, QString>("Returns", "TABLE"));
    QTest::mouseClick(program.form1().findChild<QPushButton*>(QStringLiteral("PushButton3")), Qt::LeftButton);
    QVERIFY(!program.form1().isVisible());
    QVERIFY(form2->isVisible());
    QCOMPARE(program.loadedForm2(), form2); // loaded once, shown again
    QCOMPARE(form2->ListView1().itemCount(), 3);
    for (int i = 0; i < 3; ++i)
        QVERIFY(form2->ListView1().isItemChecked(i));
}

void ProgramTest::reportIsAWarningBoxWithOk()
{
    m_db.password = QStringLiteral("right");
    remember(m_database, QStringLiteral("wrong"));
    app::Program program(m_fakes.services());
    program.start();
    QVERIFY(program.form1().isVisible());
    QVERIFY(!program.loadedForm2());
    QCOMPARE(m_fakes.boxes.shown.size(), 1);
    const ShownBox& box = m_fakes.boxes.shown[0];
    QCOMPARE(box.title, QStringLiteral("Application Error"));
    QCOMPARE(box.style, app::mb::kOkOnly | app::mb::kExclamation);
    QVERIFY(box.text.startsWith(QStringLiteral("Not a valid password.\r\nin Kestrine.Access.NonSystemTables at line 108\r\r")));
}

void ProgramTest::closingEitherWindowEndsTheProgram_data()
{
    QTest::addColumn<bool>("closeForm2");
    QTest::newRow("main window") << false;
    QTest::newRow("export window, main window hidden") << true;
}

void ProgramTest::closingEitherWindowEndsTheProgram()
{
    QFETCH(bool, closeForm2);
    remember(m_database);
    app::Program program(m_fakes.services());
    program.start();
    QVERIFY(program.loadedForm2());
    if (closeForm2) {
        program.loadedForm2()->close();
    } else {
        program.form1().show();
        program.form1().close();
    }
    QVERIFY(program.isEnding());
    QVERIFY(!program.form1().isVisible());
    QVERIFY(!program.loadedForm2()->isVisible());
}

void ProgramTest::rememberedDatabaseExportsOneFilePerTable()
{
    // The whole road of a returning user: start, straight into the export window, press
    // "Start Exporting", find the file in the remembered folder.
    db::setObjectFactory(nullptr);
    const QString database = m_dir->filePath(QStringLiteral("Bench.mdb"));
    QString error;
    QVERIFY2(mdbwriter::BenchDatabase().write(database, 40, error), qPrintable(error));
    const QString output = m_dir->filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(output));
    remember(database);
    app::SettingsStore().saveSetting(app::keys::kOutputFolder, output + QDir::separator());

    app::Program program(m_fakes.services());
    program.start();
    exporter::Form2* form2 = program.loadedForm2();
    QVERIFY(form2 && form2->isVisible());
    QTest::mouseClick(form2->findChild<QPushButton*>(QStringLiteral("PushButton5")), Qt::LeftButton);

    QCOMPARE(m_fakes.boxes.shown.size(), 1);
    QCOMPARE(m_fakes.boxes.shown[0].text, QStringLiteral("Done."));
    QFile file(output + QStringLiteral("/Bench.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    // A header line and one line per record.
    QVERIFY(file.readAll().count('\n') >= 41); // memo values may hold line breaks of their own
}

void ProgramTest::closingMidExportEndsAtOnce_data()
{
    QTest::addColumn<bool>("closeForm2");
    QTest::newRow("export window") << true;
    QTest::newRow("main window, after < Back") << false;
}

void ProgramTest::closingMidExportEndsAtOnce()
{
    QFETCH(bool, closeForm2);
    db::setObjectFactory(nullptr); // the program's own reader
    const QString database = longDatabase();
    QVERIFY(QFileInfo::exists(database));
    const QString output = m_dir->filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(output));
    remember(database);
    app::SettingsStore().saveSetting(app::keys::kOutputFolder, output + QDir::separator());

    app::Program program(m_fakes.services());
    program.start();
    exporter::Form2* form2 = program.loadedForm2();
    QVERIFY(form2 && form2->isVisible());

    // The close arrives while the export yields, as a user's click would.
    bool closedDuringExport = false;
    QTimer::singleShot(1, form2, [&] {
        closedDuringExport = form2->isExporting();
        if (closeForm2) {
            form2->close();
        } else {
            QTest::mouseClick(form2->findChild<QPushButton*>(QStringLiteral("PushButton2")), Qt::LeftButton);
            program.form1().close();
        }
    });
    QTest::mouseClick(form2->findChild<QPushButton*>(QStringLiteral("PushButton5")), Qt::LeftButton);

    QVERIFY(closedDuringExport);
    QVERIFY(program.isEnding());
    QVERIFY(!form2->isExporting());
    QVERIFY(!form2->isVisible());
    QVERIFY(!program.form1().isVisible());
    // Stopped, not finished: no closing message, and nothing shown after the end.
    QVERIFY(m_fakes.boxes.shown.isEmpty());
    // Another press after the end starts nothing.
    QTest::mouseClick(form2->findChild<QPushButton*>(QStringLiteral("PushButton5")), Qt::LeftButton);
    QVERIFY(!form2->isExporting());
    QVERIFY(m_fakes.boxes.shown.isEmpty());
}

namespace {

QString corpusFile(const QString& name)
{
    return QStringLiteral(QUORVANE_CORPUS_DIR "/files/") + name;
}

// The local tables of a corpus file as the independent reader listed them.
QStringList expectedLocalTables(const QString& name)
{
    QFile file(QStringLiteral(QUORVANE_CORPUS_DIR "/expected/") + name + QStringLiteral(".jsonl"));
    QStringList tables;
    if (!file.open(QIODevice::ReadOnly))
        return tables;
    while (!file.atEnd()) {
        const QJsonDocument line = QJsonDocument::fromJson(file.readLine());
        if (line.isObject() && line.object().contains(QStringLiteral("table"))
            && !line.object().value(QStringLiteral("linked")).toBool())
            tables.append(line.object().value(QStringLiteral("table")).toString());
    }
    return tables;
}

} // namespace

void ProgramTest::corpusDatabaseOpensTheExportWindow_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::newRow("Jet 3") << "jackcess--V1997--testV1997.mdb" << "";
    QTest::newRow("Jet 4") << "jackcess--V2000--testV2000.mdb" << "";
    QTest::newRow("ACE, linked tables") << "jackcess--V2007--linkerTestV2007.accdb" << "";
    QTest::newRow("Jet 4 with password") << "mdbreader--password--V2003_with-password.mdb" << "password";
}

void ProgramTest::corpusDatabaseOpensTheExportWindow()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    if (!QFileInfo::exists(corpusFile(name)))
        QSKIP("corpus file absent");
    db::setObjectFactory(nullptr); // the program's own reader
    remember(corpusFile(name), password);
    app::Program program(m_fakes.services());
    program.start();
    QVERIFY2(m_fakes.boxes.shown.isEmpty(), qPrintable(m_fakes.boxes.shown.value(0).text));
    exporter::Form2* form2 = program.loadedForm2();
    QVERIFY(form2);
    QVERIFY(form2->isVisible());
    QVERIFY(!program.form1().isVisible());
    QStringList listed;
    for (int i = 0; i < form2->ListView1().itemCount(); ++i) {
        listed.append(form2->ListView1().itemText(i));
        QVERIFY(form2->ListView1().isItemChecked(i));
    }
    QStringList expected = expectedLocalTables(name);
    listed.sort();
    expected.sort();
    QCOMPARE(listed, expected);
    QCOMPARE(form2->ListView1().currentItem(), form2->ListView1().topLevelItem(0));
}

void ProgramTest::corpusWrongPasswordGivesOneReport()
{
    const QString name = QStringLiteral("mdbreader--password--V2003_with-password.mdb");
    if (!QFileInfo::exists(corpusFile(name)))
        QSKIP("corpus file absent");
    db::setObjectFactory(nullptr);
    remember(corpusFile(name), QStringLiteral("not the password"));
    app::Program program(m_fakes.services());
    program.start();
    QCOMPARE(m_fakes.boxes.shown.size(), 1);
    QCOMPARE(m_fakes.boxes.shown[0].title, QStringLiteral("Application Error"));
    QVERIFY(m_fakes.boxes.shown[0].text.contains(QStringLiteral("in Kestrine.Access.NonSystemTables at line 108")));
    QVERIFY(program.form1().isVisible());
    QVERIFY(!program.loadedForm2());
}

QTEST_MAIN(ProgramTest)
#include "ProgramTest.moc"

#include "Fakes.h"

#include "app/report/Locations.h"
#include "app/settings/SettingsStore.h"
#include "export/widgets/Form2.h"
#include "export/widgets/TableListView.h"
#include "export/widgets/TextProgressBar.h"

#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace quorvane;
using exporter::Form2;

namespace {

using Settings = QList<QPair<QString, QString>>;

} // namespace

class Form2Test : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartShowsAndStoresDefaults_data();
    void firstStartShowsAndStoresDefaults();
    void restoresStoredTexts();
    void checkBoxesTakeTheNumericValue_data();
    void checkBoxesTakeTheNumericValue();
    void saveOptionsTakeTheBooleanValue_data();
    void saveOptionsTakeTheBooleanValue();
    void optionClicksStoreBothWords();
    void everyKeystrokeIsStored();
    void firstReferenceToTheListLoadsTheWindow();
    void layoutAsDrawn();
    void selectionButtons_data();
    void selectionButtons();
    void folderPicker_data();
    void folderPicker();
    void backShowsTheMainWindowAndKeepsEverything();
    void closingEndsTheProgram();
    void hoverRule_data();
    void hoverRule();
    void progressBarShowsTextVerbatim();
    void handPointerFile_data();
    void handPointerFile();

private:
    std::unique_ptr<Form2> makeForm(const Settings& stored = {});
    QString setting(const QString& key) const { return m_store->getSetting(key, QStringLiteral("<absent>")); }
    template <class T>
    T* control(const char* name) const
    {
        T* widget = m_form->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    void addRows(const QStringList& names, bool checked);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<app::SettingsStore> m_store;
    testing::FakeForm1 m_form1;
    testing::RecordingReporter m_reporter;
    testing::RecordingMessageBoxes m_boxes;
    testing::FakeFileDialogs m_dialogs;
    int m_form1Shown = 0;
    int m_endProgram = 0;
    std::unique_ptr<Form2> m_form;
};

void Form2Test::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_store = std::make_unique<app::SettingsStore>(m_dir->filePath(QStringLiteral("Quorvane.ini")));
    m_reporter.reports.clear();
    m_boxes.shown.clear();
    m_dialogs = {};
    m_form1Shown = 0;
    m_endProgram = 0;
}

void Form2Test::cleanup()
{
    m_form.reset();
    m_store.reset();
    m_dir.reset();
}

std::unique_ptr<Form2> Form2Test::makeForm(const Settings& stored)
{
    for (const auto& [key, value] : stored)
        m_store->saveSetting(key, value);
    app::UiServices services;
    services.messageBoxes = &m_boxes;
    services.fileDialogs = &m_dialogs;
    exporter::Form2Setup setup;
    setup.programFolder = m_dir->path();
    setup.desktopFolder = m_dir->filePath(QStringLiteral("Desktop"));
    setup.homeFolder = m_dir->filePath(QStringLiteral("home"));
    setup.showForm1 = [this] { ++m_form1Shown; };
    setup.endProgram = [this] { ++m_endProgram; };
    setup.reporter = &m_reporter;
    return std::make_unique<Form2>(m_form1, *m_store, services, setup);
}

void Form2Test::addRows(const QStringList& names, bool checked)
{
    auto& list = m_form->ListView1();
    for (const QString& name : names) {
        list.addItem(name);
        list.setItemChecked(list.itemCount() - 1, checked);
    }
}

void Form2Test::firstStartShowsAndStoresDefaults_data()
{
    QTest::addColumn<bool>("desktopExists");
    QTest::addColumn<QString>("expectedBase");
    QTest::newRow("Desktop folder") << true << QStringLiteral("Desktop");
    // No Desktop folder (servers, minimal desktops): an output folder that does not exist
    // would fail the first export, so the home folder stands in.
    QTest::newRow("no Desktop folder") << false << QStringLiteral("home");
}

void Form2Test::firstStartShowsAndStoresDefaults()
{
    QFETCH(bool, desktopExists);
    QFETCH(QString, expectedBase);
    if (desktopExists)
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Desktop")));
    m_form = makeForm();
    m_form->ensureLoaded();
    const QString desktop = QDir::toNativeSeparators(m_dir->filePath(expectedBase)) + QDir::separator();
    QCOMPARE(control<QLineEdit>("Text1")->text(), desktop);
    QCOMPARE(control<QLineEdit>("Text2")->text(), QStringLiteral(","));
    QVERIFY(control<QCheckBox>("Check6")->isChecked());
    QVERIFY(control<QCheckBox>("Check1")->isChecked());
    QVERIFY(control<QRadioButton>("Option1")->isChecked());
    QVERIFY(!control<QRadioButton>("Option2")->isChecked());
    // The restored values that differ from the window's first state are written back.
    QCOMPARE(setting(app::keys::kOutputFolder), desktop);
    QCOMPARE(setting(app::keys::kSeparatedBy), QStringLiteral(","));
    QVERIFY(m_reporter.reports.empty());
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Quorvane"));
}

void Form2Test::restoresStoredTexts()
{
    m_form = makeForm({{app::keys::kOutputFolder, QStringLiteral("/no/such/folder/")},
                       {app::keys::kSeparatedBy, QStringLiteral("; ")}});
    m_form->ensureLoaded();
    // A folder that does not exist is shown as stored; the export rejects it later.
    QCOMPARE(control<QLineEdit>("Text1")->text(), QStringLiteral("/no/such/folder/"));
    QCOMPARE(control<QLineEdit>("Text2")->text(), QStringLiteral("; "));
}

void Form2Test::checkBoxesTakeTheNumericValue_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("checked");
    QTest::newRow("1") << "1" << true;
    QTest::newRow("1.0") << "1.0" << true;
    QTest::newRow("leading blanks") << "  1" << true;
    QTest::newRow("number then letters") << "1abc" << true;
    QTest::newRow("2") << "2" << false;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letter") << "x" << false;
    QTest::newRow("True is not a number") << "True" << false;
}

void Form2Test::checkBoxesTakeTheNumericValue()
{
    QFETCH(QString, stored);
    QFETCH(bool, checked);
    m_form = makeForm({{app::keys::kFirstLineFieldNames, stored}, {app::keys::kCheck1, stored}});
    m_form->ensureLoaded();
    QCOMPARE(control<QCheckBox>("Check6")->isChecked(), checked);
    QCOMPARE(control<QCheckBox>("Check1")->isChecked(), checked);
    QVERIFY(m_reporter.reports.empty());
    // A box that changed at load wrote its new state back as "0".
    const QString expected = checked ? stored : QStringLiteral("0");
    QCOMPARE(setting(app::keys::kFirstLineFieldNames), expected);
    QCOMPARE(setting(app::keys::kCheck1), expected);
}

void Form2Test::saveOptionsTakeTheBooleanValue_data()
{
    QTest::addColumn<QString>("option1");
    QTest::addColumn<QString>("option2");
    QTest::addColumn<bool>("selected1");
    QTest::addColumn<bool>("selected2");
    QTest::addColumn<int>("reportedLine"); // 0: no report

    const QString absent = QStringLiteral("<absent>");
    QTest::newRow("defaults") << absent << absent << true << false << 0;
    QTest::newRow("False/True") << "False" << "True" << false << true << 0;
    QTest::newRow("any case") << "fALSE" << "tRuE" << false << true << 0;
    QTest::newRow("numbers") << "0" << "-1" << false << true << 0;
    QTest::newRow("both false") << "False" << "False" << false << false << 0;
    QTest::newRow("both true: the second wins") << "True" << "True" << false << true << 0;
    QTest::newRow("Yes under Option1") << "Yes" << absent << true << false << 124;
    QTest::newRow("Yes under Option2") << "False" << "Yes" << false << false << 126;
    QTest::newRow("empty under Option1") << "" << "0" << true << false << 124;
}

void Form2Test::saveOptionsTakeTheBooleanValue()
{
    QFETCH(QString, option1);
    QFETCH(QString, option2);
    QFETCH(bool, selected1);
    QFETCH(bool, selected2);
    QFETCH(int, reportedLine);
    Settings stored;
    if (option1 != QStringLiteral("<absent>"))
        stored.append({app::keys::kOption1, option1});
    if (option2 != QStringLiteral("<absent>"))
        stored.append({app::keys::kOption2, option2});
    m_form = makeForm(stored);
    m_form->ensureLoaded();
    QCOMPARE(control<QRadioButton>("Option1")->isChecked(), selected1);
    QCOMPARE(control<QRadioButton>("Option2")->isChecked(), selected2);
    if (reportedLine == 0) {
        QVERIFY(m_reporter.reports.empty());
        return;
    }
    QCOMPARE(m_reporter.reports.size(), size_t(1));
    QCOMPARE(m_reporter.reports[0].description, QStringLiteral("Type mismatch"));
    QCOMPARE(m_reporter.reports[0].location, report::location::kForm2FormLoad);
    QCOMPARE(m_reporter.reports[0].line, reportedLine);
}

void Form2Test::optionClicksStoreBothWords()
{
    m_form = makeForm();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    auto* option1 = control<QRadioButton>("Option1");
    auto* option2 = control<QRadioButton>("Option2");
    QTest::mouseClick(option2, Qt::LeftButton);
    QVERIFY(option2->isChecked() && !option1->isChecked());
    QCOMPARE(setting(app::keys::kOption1), QStringLiteral("False"));
    QCOMPARE(setting(app::keys::kOption2), QStringLiteral("True"));
    QTest::mouseClick(option1, Qt::LeftButton);
    QCOMPARE(setting(app::keys::kOption1), QStringLiteral("True"));
    QCOMPARE(setting(app::keys::kOption2), QStringLiteral("False"));

    auto* check6 = control<QCheckBox>("Check6");
    QTest::mouseClick(check6, Qt::LeftButton);
    QCOMPARE(setting(app::keys::kFirstLineFieldNames), QStringLiteral("0"));
    QTest::mouseClick(check6, Qt::LeftButton);
    QCOMPARE(setting(app::keys::kFirstLineFieldNames), QStringLiteral("1"));
}

void Form2Test::everyKeystrokeIsStored()
{
    m_form = makeForm();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    auto* text2 = control<QLineEdit>("Text2");
    text2->setFocus();
    text2->end(false);
    QTest::keyClick(text2, Qt::Key_Backspace);
    QCOMPARE(setting(app::keys::kSeparatedBy), QString());
    QTest::keyClick(text2, Qt::Key_Semicolon);
    QCOMPARE(setting(app::keys::kSeparatedBy), QStringLiteral(";"));

    auto* text1 = control<QLineEdit>("Text1");
    text1->clear();
    QTest::keyClicks(text1, QStringLiteral("/tmp"));
    QCOMPARE(setting(app::keys::kOutputFolder), QStringLiteral("/tmp"));
}

void Form2Test::firstReferenceToTheListLoadsTheWindow()
{
    m_form = makeForm();
    QVERIFY(!m_form->isLoaded());
    QCOMPARE(setting(app::keys::kSeparatedBy), QStringLiteral("<absent>"));
    auto& list = m_form->ListView1();
    QVERIFY(m_form->isLoaded());
    QCOMPARE(setting(app::keys::kSeparatedBy), QStringLiteral(","));
    QCOMPARE(list.headerItem()->text(0), QStringLiteral("Table(s)"));
    QCOMPARE(list.header()->sectionSize(0), 400);
    QCOMPARE(list.columnCount(), 1);

    // What the catalog does: clear, add, tick each row, select the first.
    list.clear();
    for (const char* name : {"Customers", "Orders"}) {
        list.addItem(QLatin1String(name));
        list.setItemChecked(list.itemCount() - 1, true);
    }
    list.selectItem(0);
    QCOMPARE(list.itemCount(), 2);
    QVERIFY(list.isItemChecked(0) && list.isItemChecked(1));
    QCOMPARE(list.currentItem()->text(0), QStringLiteral("Customers"));
    // Rows outside the list read as empty and unticked, and writing them does nothing.
    QCOMPARE(list.itemText(2), QString());
    QVERIFY(!list.isItemChecked(-1));
    list.setItemChecked(5, true);
    list.selectItem(7);
    QCOMPARE(list.itemCount(), 2);
}

void Form2Test::layoutAsDrawn()
{
    m_form = makeForm();
    m_form->ensureLoaded();
    QCOMPARE(m_form->size(), QSize(536, 564));
    QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
    struct Expected {
        const char* name;
        QRect geometry;
    };
    // Twips divided by 15; controls inside a frame relative to that frame.
    const Expected expected[] = {
        {"PushButton2", {8, 8, 520, 27}},   {"ListView1", {8, 42, 520, 125}},  {"PushButton1", {8, 172, 256, 27}},
        {"PushButton3", {272, 172, 256, 27}}, {"Frame3", {8, 202, 520, 53}},   {"Text2", {16, 20, 488, 22}},
        {"Frame1", {8, 362, 520, 68}},       {"Option2", {12, 43, 346, 19}},   {"Text1", {16, 20, 441, 22}},
        {"PushButton4", {464, 20, 40, 22}},  {"PushButton5", {8, 495, 520, 27}}, {"ProgressBar1", {8, 530, 520, 27}},
    };
    for (const Expected& e : expected)
        QCOMPARE(control<QWidget>(e.name)->geometry(), e.geometry);
    QCOMPARE(control<QPushButton>("PushButton5")->text(), QStringLiteral("Start Exporting"));
    QCOMPARE(control<QPushButton>("PushButton5")->font().pointSizeF(), 11.25);
    QVERIFY(control<QCheckBox>("Check6")->font().bold());

    // Tab order over the controls that take the focus.
    QStringList order;
    QWidget* widget = control<QWidget>("Option2");
    for (int i = 0; i < 12; ++i) {
        order << widget->objectName();
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty())
            widget = widget->nextInFocusChain();
    }
    QCOMPARE(order, QStringList({"Option2", "Option1", "PushButton1", "PushButton3", "PushButton2", "PushButton5",
                                 "Text1", "PushButton4", "Text2", "Check6", "Check1", "ListView1"}));
}

void Form2Test::selectionButtons_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("startChecked");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("expected");
    const QStringList three{"A", "B", "C"};
    QTest::newRow("select all") << three << false << "PushButton1" << true;
    QTest::newRow("deselect all") << three << true << "PushButton3" << false;
    QTest::newRow("select all on an empty list") << QStringList() << false << "PushButton1" << true;
    QTest::newRow("deselect all on an empty list") << QStringList() << true << "PushButton3" << false;
}

void Form2Test::selectionButtons()
{
    QFETCH(QStringList, rows);
    QFETCH(bool, startChecked);
    QFETCH(QString, button);
    QFETCH(bool, expected);
    m_form = makeForm();
    addRows(rows, startChecked);
    if (rows.size() > 1)
        m_form->ListView1().setItemChecked(1, !startChecked); // a mixed list
    QTest::mouseClick(control<QPushButton>(button.toLatin1().constData()), Qt::LeftButton);
    auto& list = m_form->ListView1();
    QCOMPARE(list.itemCount(), int(rows.size()));
    for (int i = 0; i < list.itemCount(); ++i)
        QCOMPARE(list.isItemChecked(i), expected);
    QVERIFY(m_reporter.reports.empty());
}

void Form2Test::folderPicker_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("expected");
    const QString before = QStringLiteral("/before/");
    QTest::newRow("cancel") << QString() << before;
    QTest::newRow("ordinary folder") << "/srv/exports" << QDir::toNativeSeparators(QStringLiteral("/srv/exports/"));
    QTest::newRow("root") << "/" << QDir::toNativeSeparators(QStringLiteral("/"));
}

void Form2Test::folderPicker()
{
    QFETCH(QString, chosen);
    QFETCH(QString, expected);
    m_form = makeForm({{app::keys::kOutputFolder, QStringLiteral("/before/")}});
    m_form->ensureLoaded();
    m_dialogs.folderAnswer = chosen;
    QTest::mouseClick(control<QPushButton>("PushButton4"), Qt::LeftButton);
    QCOMPARE(m_dialogs.folderCalls.size(), size_t(1));
    QCOMPARE(m_dialogs.folderCalls[0].owner, m_form.get());
    QCOMPARE(m_dialogs.folderCalls[0].title, QStringLiteral("Please select folder:"));
    QCOMPARE(m_dialogs.folderCalls[0].initialFolder, QString());
    QCOMPARE(control<QLineEdit>("Text1")->text(), expected);
    QCOMPARE(setting(app::keys::kOutputFolder), expected);
    QVERIFY(m_reporter.reports.empty());
}

void Form2Test::backShowsTheMainWindowAndKeepsEverything()
{
    m_form = makeForm();
    addRows({"A", "B"}, true);
    m_form->ListView1().setItemChecked(0, false);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QTest::mouseClick(control<QPushButton>("PushButton2"), Qt::LeftButton);
    QCOMPARE(m_form1Shown, 1);
    QVERIFY(m_form->isHidden());
    QCOMPARE(m_form->ListView1().itemCount(), 2);
    QVERIFY(!m_form->ListView1().isItemChecked(0));
    QVERIFY(m_form->ListView1().isItemChecked(1));
    QCOMPARE(m_endProgram, 0);
}

void Form2Test::closingEndsTheProgram()
{
    m_form = makeForm();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_form->close();
    QCOMPARE(m_endProgram, 1);
}

void Form2Test::hoverRule_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<QString>("over");
    QTest::addColumn<int>("after");
    QTest::newRow("button turns to the hand") << 0 << "PushButton5" << 99;
    QTest::newRow("button inside a frame") << 0 << "PushButton4" << 99;
    QTest::newRow("frame turns back") << 99 << "Frame3" << 0;
    QTest::newRow("window turns back") << 99 << "Form2" << 0;
    QTest::newRow("list turns back") << 99 << "ListView1" << 0;
    QTest::newRow("busy stays busy over a button") << 11 << "PushButton1" << 11;
    QTest::newRow("busy stays busy over a frame") << 11 << "Frame1" << 11;
}

void Form2Test::hoverRule()
{
    QFETCH(int, before);
    QFETCH(QString, over);
    QFETCH(int, after);
    m_form = makeForm();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_form->setMousePointer(before);
    QWidget* target = over == QStringLiteral("Form2") ? m_form.get() : control<QWidget>(over.toLatin1().constData());
    if (auto* list = qobject_cast<QAbstractItemView*>(target))
        target = list->viewport();
    QTest::mouseMove(target, QPoint(2, target->height() - 3));
    QCOMPARE(m_form->MousePointer(), after);
    // Without HAND-M.CUR beside the program the hand has no picture: the default shows.
    if (after == 99)
        QVERIFY(!m_form->testAttribute(Qt::WA_SetCursor));
}

void Form2Test::progressBarShowsTextVerbatim()
{
    m_form = makeForm();
    auto* bar = control<exporter::TextProgressBar>("ProgressBar1");
    QCOMPARE(bar->text(), QStringLiteral("Progress Bar"));
    bar->setProgress(33.3333);
    bar->setProgressText(QStringLiteral("Processing: 100%p %v %m Sales"));
    QCOMPARE(bar->text(), QStringLiteral("Processing: 100%p %v %m Sales"));
    QVERIFY(qAbs(bar->progress() - 33.33) < 0.01);
    bar->setProgress(250);
    QCOMPARE(bar->progress(), 100.0);
    bar->setProgress(-1);
    QCOMPARE(bar->progress(), 0.0);
}

void Form2Test::handPointerFile_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file
    QTest::addColumn<bool>("reported");
    QTest::addColumn<bool>("handShown");
    QTest::newRow("no file") << QByteArray() << false << false;
    QTest::newRow("not a cursor") << QByteArray("not a cursor at all") << true << false;
    QFile shipped(QStringLiteral(QUORVANE_SOURCE_DIR "/src/app/resources/HAND-M.CUR"));
    if (shipped.open(QIODevice::ReadOnly))
        QTest::newRow("the shipped hand") << shipped.readAll() << false << true;
}

void Form2Test::handPointerFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, reported);
    QFETCH(bool, handShown);
    if (!content.isEmpty()) {
        QFile file(m_dir->filePath(QStringLiteral("HAND-M.CUR")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    m_form = makeForm();
    m_form->ensureLoaded();
    QCOMPARE(m_reporter.reports.size(), size_t(reported ? 1 : 0));
    if (reported) {
        QCOMPARE(m_reporter.reports[0].location, report::location::kForm2FormLoad);
        QCOMPARE(m_reporter.reports[0].line, 106);
    }
    // Loading went on after the report.
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Quorvane"));
    m_form->setMousePointer(exporter::pointer::kCustom);
    QCOMPARE(m_form->testAttribute(Qt::WA_SetCursor), handShown);
}

QTEST_MAIN(Form2Test)
#include "Form2Test.moc"

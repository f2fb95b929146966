#include "FakeFileDialogs.h"

#include "export/widgets/AddFolder.h"

#include <QDir>
#include <QtTest>

using namespace quorvane;
using exporter::AddFolder::BrowseForFolder;
using exporter::AddFolder::NormalizeFolderPath;

class AddFolderTest : public QObject {
    Q_OBJECT

private slots:
    void normalizesWindowsPaths_data();
    void normalizesWindowsPaths();
    void normalizesPosixPaths_data();
    void normalizesPosixPaths();
    void browseHandsOverTitleOwnerAndInitialFolder();
    void cancelGivesEmptyText();
};

void AddFolderTest::normalizesWindowsPaths_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    // What the export window passes: the chosen folder with one separator appended.
    QTest::newRow("drive root") << R"(C:\\)" << R"(C:\)";
    QTest::newRow("ordinary folder") << R"(C:\Data\Out\)" << R"(C:\Data\Out\)";
    QTest::newRow("network share") << R"(\\server\share\)" << R"(\\server\share\)";
    QTest::newRow("network share root") << R"(\\server\share\\)" << R"(\\server\share\)";
    QTest::newRow("many leading") << R"(\\\\server\x\)" << R"(\\server\x\)";
    QTest::newRow("one leading") << R"(\folder\)" << R"(\\folder\)";
    QTest::newRow("run of four halves") << R"(C:\a\\\\b\)" << R"(C:\a\\b\)";
    QTest::newRow("run of three") << R"(C:\a\\\b)" << R"(C:\a\\b)";
    QTest::newRow("only separators") << R"(\\\\)" << R"(\\)";
    QTest::newRow("empty") << QString() << QString();
}

void AddFolderTest::normalizesWindowsPaths()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(NormalizeFolderPath(input, QLatin1Char('\\')), expected);
}

void AddFolderTest::normalizesPosixPaths_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("root") << "//" << "/";
    QTest::newRow("ordinary folder") << "/home/ann/out/" << "/home/ann/out/";
    QTest::newRow("folder ending in separator") << "/home/ann/out//" << "/home/ann/out/";
    // A leading separator is the root here, not the start of a network path.
    QTest::newRow("no network rule") << "///srv/x/" << "//srv/x/";
    QTest::newRow("backslash is a character") << R"(/tmp/a\\b/)" << R"(/tmp/a\\b/)";
}

void AddFolderTest::normalizesPosixPaths()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(NormalizeFolderPath(input, QLatin1Char('/')), expected);
}

void AddFolderTest::browseHandsOverTitleOwnerAndInitialFolder()
{
    testing::FakeFileDialogs dialogs;
    dialogs.folderAnswer = QStringLiteral("/srv/exports");
    QWidget owner;
    const QString chosen = BrowseForFolder(dialogs, &owner, QStringLiteral("Please select folder:"), QStringLiteral("/srv"));
    QCOMPARE(chosen, QDir::toNativeSeparators(QStringLiteral("/srv/exports")));
    QCOMPARE(dialogs.folderCalls.size(), size_t(1));
    QCOMPARE(dialogs.folderCalls[0].owner, &owner);
    QCOMPARE(dialogs.folderCalls[0].title, QStringLiteral("Please select folder:"));
    QCOMPARE(dialogs.folderCalls[0].initialFolder, QStringLiteral("/srv"));
}

void AddFolderTest::cancelGivesEmptyText()
{
    testing::FakeFileDialogs dialogs;
    QVERIFY(BrowseForFolder(dialogs, nullptr, QStringLiteral("t"), QString()).isEmpty());
}

QTEST_MAIN(AddFolderTest)
#include "AddFolderTest.moc"

#include "app/settings/SettingConversions.h"
#include "app/settings/SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using namespace quorvane::app;

namespace {

#ifndef Q_OS_WIN
int fileMode(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}
#endif

} // namespace

class SettingsStoreTest : public QObject {
    Q_OBJECT

private slots:
    void init();

    void storesUnderTheConfigFolder();
    void roundTripsTexts_data();
    void roundTripsTexts();
    void absentKeysGiveTheDefault_data();
    void absentKeysGiveTheDefault();
    void emptyTextIsNotTheDefault();
    void everyWriteReachesTheFileAtOnce();
    void fileIsPrivateFromTheStart();
    void widerFileIsNarrowedOnWrite();
    void removedFolderIsRecreated();
    void handEditedListReadsAsText();

    void numericValues_data();
    void numericValues();
    void booleanConversions_data();
    void booleanConversions();
    void storedTextsReadBack_data();
    void storedTextsReadBack();

private:
    QString iniPath() const { return m_dir->path() + QStringLiteral("/Halvorsk/Quorvane.ini"); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void SettingsStoreTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CONFIG_HOME", m_dir->path().toLocal8Bit());
}

void SettingsStoreTest::storesUnderTheConfigFolder()
{
    SettingsStore store;
    store.saveSetting(keys::kDatabase, QStringLiteral("/data/a.mdb"));
    store.saveSetting(keys::kPassword, QStringLiteral("s3cret"));
#ifndef Q_OS_WIN
    QCOMPARE(store.location(), iniPath());
    QVERIFY(QFileInfo::exists(iniPath()));
    // The keys sit at the top level, not inside a group named after the program.
    QSettings raw(iniPath(), QSettings::IniFormat);
    QCOMPARE(raw.childGroups(), QStringList());
    QCOMPARE(raw.value(QStringLiteral("Database")).toString(), QStringLiteral("/data/a.mdb"));
    // The password is kept as typed, in plain text: the file's mode is what protects it.
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("Password=s3cret"));
#endif
}

void SettingsStoreTest::roundTripsTexts_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("path with blanks") << keys::kDatabase << QStringLiteral("/home/a b/My Data.mdb");
    QTest::newRow("windows path") << keys::kDatabase << QStringLiteral("C:\\Data\\x.accdb");
    QTest::newRow("network folder") << keys::kOutputFolder << QStringLiteral("\\\\server\\share\\");
    QTest::newRow("comma separator") << keys::kSeparatedBy << QStringLiteral(",");
    QTest::newRow("several separators") << keys::kSeparatedBy << QStringLiteral(", ;\t");
    QTest::newRow("quote and equals") << keys::kPassword << QStringLiteral("a\"b=c;d");
    QTest::newRow("leading at sign") << keys::kPassword << QStringLiteral("@Variant(x)");
    QTest::newRow("blanks around") << keys::kPassword << QStringLiteral("  pw  ");
    QTest::newRow("hash and brackets") << keys::kPassword << QStringLiteral("#[General]");
    QTest::newRow("non-latin") << keys::kPassword << QStringLiteral(u"пароль密码ß");
    QTest::newRow("line break") << keys::kSeparatedBy << QStringLiteral("\r\n");
    QTest::newRow("word true") << keys::kOption1 << QStringLiteral("True");
    QTest::newRow("one") << keys::kCheck1 << QStringLiteral("1");
}

void SettingsStoreTest::roundTripsTexts()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    {
        SettingsStore store;
        store.saveSetting(key, text);
        QCOMPARE(store.getSetting(key), text);
    }
    SettingsStore later;
    QCOMPARE(later.getSetting(key, QStringLiteral("default")), text);
}

void SettingsStoreTest::absentKeysGiveTheDefault_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("defaultText");
    QTest::newRow("Database") << keys::kDatabase << QString();
    QTest::newRow("Password") << keys::kPassword << QString();
    QTest::newRow("Output Folder") << keys::kOutputFolder << QStringLiteral("/home/u/Desktop/");
    QTest::newRow("Separated By") << keys::kSeparatedBy << QStringLiteral(",");
    QTest::newRow("First Line Field Names") << keys::kFirstLineFieldNames << QStringLiteral("1");
    QTest::newRow("Check1") << keys::kCheck1 << QStringLiteral("1");
    QTest::newRow("Option1") << keys::kOption1 << QStringLiteral("1");
    QTest::newRow("Option2") << keys::kOption2 << QStringLiteral("0");
}

void SettingsStoreTest::absentKeysGiveTheDefault()
{
    QFETCH(QString, key);
    QFETCH(QString, defaultText);
    SettingsStore store;
    store.saveSetting(QStringLiteral("Other"), QStringLiteral("x")); // the file exists, the key does not
    QCOMPARE(store.getSetting(key, defaultText), defaultText);
    QCOMPARE(store.getSetting(key), QString());
}

void SettingsStoreTest::emptyTextIsNotTheDefault()
{
    {
        SettingsStore store;
        store.saveSetting(keys::kSeparatedBy, QString());
    }
    SettingsStore later;
    QCOMPARE(later.getSetting(keys::kSeparatedBy, QStringLiteral(",")), QString());
}

void SettingsStoreTest::everyWriteReachesTheFileAtOnce()
{
    // Each keystroke is stored while the program runs; nothing waits for exit.
    SettingsStore store;
    for (const QString& typed : {QStringLiteral("/"), QStringLiteral("/d"), QStringLiteral("/da")}) {
        store.saveSetting(keys::kDatabase, typed);
        SettingsStore reader;
        QCOMPARE(reader.getSetting(keys::kDatabase), typed);
    }
}

void SettingsStoreTest::fileIsPrivateFromTheStart()
{
#ifdef Q_OS_WIN
    QSKIP("the registry has no file mode");
#else
    SettingsStore store;
    QVERIFY(QFileInfo::exists(iniPath()));
    QCOMPARE(fileMode(iniPath()), 0600);
    store.saveSetting(keys::kPassword, QStringLiteral("pw"));
    store.saveSetting(keys::kDatabase, QStringLiteral("/x.mdb"));
    QCOMPARE(fileMode(iniPath()), 0600);
#endif
}

void SettingsStoreTest::widerFileIsNarrowedOnWrite()
{
#ifdef Q_OS_WIN
    QSKIP("the registry has no file mode");
#else
    QVERIFY(QDir().mkpath(QFileInfo(iniPath()).absolutePath()));
    QFile old(iniPath());
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("[General]\nPassword=old\n");
    old.close();
    QVERIFY(old.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                               | QFileDevice::ReadOther));
    SettingsStore store;
    QCOMPARE(store.getSetting(keys::kPassword), QStringLiteral("old"));
    store.saveSetting(keys::kPassword, QStringLiteral("new"));
    QCOMPARE(fileMode(iniPath()), 0600);
#endif
}

void SettingsStoreTest::removedFolderIsRecreated()
{
#ifdef Q_OS_WIN
    QSKIP("file store only");
#else
    SettingsStore store;
    QVERIFY(QDir(QFileInfo(iniPath()).absolutePath()).removeRecursively());
    store.saveSetting(keys::kDatabase, QStringLiteral("/y.mdb"));
    QCOMPARE(SettingsStore().getSetting(keys::kDatabase), QStringLiteral("/y.mdb"));
    QCOMPARE(fileMode(iniPath()), 0600);
#endif
}

void SettingsStoreTest::handEditedListReadsAsText()
{
#ifdef Q_OS_WIN
    QSKIP("file store only");
#else
    QVERIFY(QDir().mkpath(QFileInfo(iniPath()).absolutePath()));
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[General]\nSeparated%20By=a,b\n");
    file.close();
    QCOMPARE(SettingsStore().getSetting(keys::kSeparatedBy), QStringLiteral("a,b"));
#endif
}

void SettingsStoreTest::numericValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("ticked");
    QTest::newRow("one") << "1" << 1.0 << true;
    QTest::newRow("one point zero") << "1.0" << 1.0 << true;
    QTest::newRow("one then letters") << "1abc" << 1.0 << true;
    QTest::newRow("leading blanks") << "   1" << 1.0 << true;
    QTest::newRow("leading tab") << "\t1" << 1.0 << true;
    QTest::newRow("plus sign") << "+1" << 1.0 << true;
    QTest::newRow("exponent") << "0.1e1" << 1.0 << true;
    QTest::newRow("dangling exponent") << "1e" << 1.0 << true;
    QTest::newRow("trailing point") << "1." << 1.0 << true;
    QTest::newRow("zero") << "0" << 0.0 << false;
    QTest::newRow("two") << "2" << 2.0 << false;
    QTest::newRow("minus one") << "-1" << -1.0 << false;
    QTest::newRow("one and a bit") << "1.5" << 1.5 << false;
    QTest::newRow("fraction only") << ".5" << 0.5 << false;
    QTest::newRow("empty") << "" << 0.0 << false;
    QTest::newRow("letters") << "abc" << 0.0 << false;
    QTest::newRow("word true") << "True" << 0.0 << false;
    QTest::newRow("lone point") << "." << 0.0 << false;
    QTest::newRow("lone sign") << "-" << 0.0 << false;
    QTest::newRow("comma decimal") << "1,0" << 1.0 << true;
}

void SettingsStoreTest::numericValues()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(bool, ticked);
    QCOMPARE(numericValue(text), value);
    QCOMPARE(isTickedText(text), ticked);
}

void SettingsStoreTest::booleanConversions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // 1 true, 0 false, -1 type mismatch
    QTest::newRow("True") << "True" << 1;
    QTest::newRow("false") << "false" << 0;
    QTest::newRow("TRUE") << "TRUE" << 1;
    QTest::newRow("fAlSe") << "fAlSe" << 0;
    QTest::newRow("blanks around") << " True " << 1;
    QTest::newRow("one") << "1" << 1;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("zero point zero") << "0.0" << 0;
    QTest::newRow("minus one") << "-1" << 1;
    QTest::newRow("fraction") << "0.5" << 1;
    QTest::newRow("Yes") << "Yes" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("number then letters") << "1abc" << -1;
    QTest::newRow("truer") << "Truer" << -1;
    QTest::newRow("lone sign") << "-" << -1;
}

void SettingsStoreTest::booleanConversions()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    const std::optional<bool> value = toBoolean(text);
    if (expected < 0) {
        QVERIFY(!value.has_value());
        try {
            booleanFromText(text);
            QFAIL("no type mismatch raised");
        } catch (const TypeMismatch& e) {
            QCOMPARE(e.number(), 13);
            QCOMPARE(e.description(), QStringLiteral("Type mismatch"));
        }
    } else {
        QVERIFY(value.has_value());
        QCOMPARE(*value, expected == 1);
        QCOMPARE(booleanFromText(text), expected == 1);
    }
}

void SettingsStoreTest::storedTextsReadBack_data()
{
    QTest::addColumn<bool>("state");
    QTest::newRow("on") << true;
    QTest::newRow("off") << false;
}

void SettingsStoreTest::storedTextsReadBack()
{
    // What a click stores must restore the same state at the next start.
    QFETCH(bool, state);
    QCOMPARE(tickText(state), state ? QStringLiteral("1") : QStringLiteral("0"));
    QCOMPARE(booleanText(state), state ? QStringLiteral("True") : QStringLiteral("False"));
    SettingsStore store;
    store.saveSetting(keys::kCheck1, tickText(state));
    store.saveSetting(keys::kOption1, booleanText(state));
    SettingsStore later;
    QCOMPARE(isTickedText(later.getSetting(keys::kCheck1, QStringLiteral("1"))), state);
    QCOMPARE(booleanFromText(later.getSetting(keys::kOption1, QStringLiteral("1"))), state);
}

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "SettingsStoreTest.moc"

// Opening files: passwords, missing and foreign files, and damaged files, which must
// give an error or values but never a crash, a hang or runaway memory.

#include "CorpusSupport.h"
#include "WrittenFixture.h"
#include "db/format/AccessDatabase.h"
#include "db/format/TableCursor.h"

#include <QTemporaryDir>

#include <random>
#include <utility>

#include <sys/stat.h>

using namespace quorvane::db;
using namespace quorvane::db::format;
using namespace quorvane::test;

namespace {


TEST(ReaderOpen, MissingFileIs3024)
{
    DbError error;
    const QString path = QStringLiteral("/nonexistent/dir/nothing.mdb");
    EXPECT_EQ(AccessDatabase::open(path, {}, error), nullptr);
    EXPECT_EQ(error.number, errc::kFileNotFound);
    EXPECT_EQ(error.description, QStringLiteral("Could not find file '/nonexistent/dir/nothing.mdb'."));
}

// What is there but is no file to read says so; a FIFO must not block the open.
TEST(ReaderOpen, FolderAndFifoAreNotDatabaseFiles)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.mdb"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const auto& [path, reason] : {std::pair{dir.path(), "it is a folder"}, std::pair{fifo, "it is not a regular file"}}) {
        DbError error;
        EXPECT_EQ(AccessDatabase::open(path, {}, error), nullptr);
        EXPECT_EQ(error.number, errc::kCannotOpenFile);
        EXPECT_EQ(error.description, QStringLiteral("Cannot open the file '%1': %2.").arg(path, QLatin1String(reason)));
    }
}

struct ForeignCase {
    const char* label;
    QByteArray bytes;
};

class ForeignFile : public ::testing::TestWithParam<ForeignCase> {};

TEST_P(ForeignFile, Is3343)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.mdb"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(GetParam().bytes);
    f.close();
    DbError error;
    EXPECT_EQ(AccessDatabase::open(path, {}, error), nullptr);
    EXPECT_EQ(error.number, errc::kUnrecognizedFormat);
    EXPECT_EQ(error.description, QStringLiteral("Unrecognized database format '%1'.").arg(path));
}

QByteArray jetHeaderOnly(int size)
{
    QByteArray b(size, '\0');
    b[1] = 1;
    b.replace(4, 15, "Standard Jet DB");
    b[0x14] = 1;
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ForeignFile,
    ::testing::Values(ForeignCase{"empty", QByteArray()}, ForeignCase{"text", QByteArray("hello, world\n").repeated(500)},
                      ForeignCase{"zeros", QByteArray(8192, '\0')},
                      ForeignCase{"headerButOnePage", jetHeaderOnly(4096)},
                      ForeignCase{"shortHeader", jetHeaderOnly(100)}),
    [](const auto& info) { return std::string(info.param.label); });

// Password files: the right password opens them, nothing else does.
struct PasswordCase {
    const char* file;
    const char* password;
    bool opens;
};

class DatabasePassword : public ::testing::TestWithParam<PasswordCase> {};

TEST_P(DatabasePassword, GatesOpening)
{
    if (!haveCorpus())
        GTEST_SKIP();
    const auto& c = GetParam();
    DbError error;
    auto db = AccessDatabase::open(corpusFile(QString::fromLatin1(c.file)), QString::fromLatin1(c.password), error);
    if (c.opens) {
        ASSERT_NE(db, nullptr) << error.description.toStdString();
        EXPECT_FALSE(readEveryTable(*db).isError());
    } else {
        EXPECT_EQ(db, nullptr);
        EXPECT_EQ(error.number, errc::kBadPassword);
        EXPECT_EQ(error.description, QStringLiteral("Not a valid password."));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, DatabasePassword,
    ::testing::Values(PasswordCase{"mdbreader--password--V2000_with-password.mdb", "password", true},
                      PasswordCase{"mdbreader--password--V2000_with-password.mdb", "", false},
                      PasswordCase{"mdbreader--password--V2000_with-password.mdb", "Password", false},
                      PasswordCase{"mdbreader--password--V2000_with-password.mdb", "password ", false},
                      PasswordCase{"mdbreader--password--V2000_with-password.mdb", "passwor", false},
                      PasswordCase{"mdbreader--password--V2003_with-password.mdb", "password", true},
                      PasswordCase{"mdbreader--password--V2003_with-password.mdb", "", false},
                      PasswordCase{"mdbreader--password--V2003_with-password.mdb", "wrong", false},
                      // Files without a password open whatever the box holds, as with the engines.
                      PasswordCase{"mdbreader--password--V2000_no-password.mdb", "", true},
                      PasswordCase{"mdbreader--password--V2000_no-password.mdb", "anything", true},
                      PasswordCase{"mdbreader--password--V1997_no-password.mdb", "", true}),
    [](const auto& info) { return std::to_string(info.index); });

// Damaged files: cut short at many points, or with bytes flipped. Every outcome is
// fine except a crash, a hang, or an exception escaping.
struct DamageCase {
    const char* file;
};

class DamagedFile : public ::testing::TestWithParam<DamageCase> {};

void readAll(const QByteArray& bytes, const QString& password)
{
    DbError error;
    auto db = AccessDatabase::openBytes(bytes, password, error);
    if (!db) {
        EXPECT_TRUE(error.isError());
        return;
    }
    const DbError result = readEveryTable(*db);
    if (result.isError()) {
        EXPECT_FALSE(result.description.isEmpty());
    }
}

TEST_P(DamagedFile, TruncatedAnywhere)
{
    const QByteArray whole = quorvane::cryptotest::corpusOrWritten(GetParam().file);
    ASSERT_FALSE(whole.isEmpty());
    for (qsizetype cut : {qsizetype(0), qsizetype(10), qsizetype(2047), qsizetype(4095), qsizetype(4096 * 2 + 7),
                          whole.size() / 3, whole.size() / 2, whole.size() - 4096, whole.size() - 1}) {
        SCOPED_TRACE(cut);
        readAll(whole.left(std::max<qsizetype>(0, cut)), QStringLiteral("password"));
    }
}

TEST_P(DamagedFile, BytesFlipped)
{
    const QByteArray whole = quorvane::cryptotest::corpusOrWritten(GetParam().file);
    ASSERT_FALSE(whole.isEmpty());
    std::mt19937 rng(12345);
    const int pageSize = whole.size() > 0x14 && whole[0x14] == 0 ? 2048 : 4096;
    const int pages = static_cast<int>(whole.size() / pageSize);
    for (int round = 0; round < 60; ++round) {
        QByteArray damaged = whole;
        // Aim at the pages that matter most: the catalog's and the first data pages.
        const int page = 1 + static_cast<int>(rng() % std::min(pages - 1, 40));
        for (int i = 0; i < 8; ++i) {
            const qsizetype at = qsizetype(page) * pageSize + static_cast<qsizetype>(rng() % pageSize);
            if (at < damaged.size())
                damaged[at] = static_cast<char>(rng());
        }
        SCOPED_TRACE(round);
        readAll(damaged, QStringLiteral("password"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, DamagedFile,
    ::testing::Values(DamageCase{"jackcess--V1997--testV1997.mdb"}, DamageCase{"jackcess--V2000--testV2000.mdb"},
                      DamageCase{"jackcess--V2007--testV2007.accdb"},
                      DamageCase{"jackcess--V2007--overflowTestV2007.accdb"},
                      DamageCase{"mdbreader--V2016--longtext.accdb"},
                      DamageCase{"jackcess--V1997--overflowTestV1997.mdb"},
                      DamageCase{"jackcess--V2019--extDateTestV2019.accdb"}),
    [](const auto& info) { return testNameOf(QString::fromLatin1(info.param.file)); });

// Reading the same table twice gives the same rows; counting agrees with the scan.
TEST(TableCursorScan, CountAgreesAndRewindRepeats)
{
    if (!haveCorpus())
        GTEST_SKIP();
    DbError error;
    auto db = AccessDatabase::open(corpusFile(QStringLiteral("jackcess--V2000--overflowTestV2000.mdb")), {}, error);
    ASSERT_NE(db, nullptr) << error.description.toStdString();
    for (const auto& e : db->catalog()) {
        if (e.type != objtype::kTable || (e.flags & 0x80000002u))
            continue;
        auto cursor = db->openTable(e.tdefPage(), error);
        ASSERT_NE(cursor, nullptr);
        qint64 counted = 0;
        ASSERT_TRUE(cursor->countRows(counted, error));
        std::vector<Value> row;
        std::vector<std::vector<Value>> first;
        while (cursor->next(row, error))
            first.push_back(row);
        ASSERT_FALSE(error.isError()) << error.description.toStdString();
        EXPECT_EQ(counted, static_cast<qint64>(first.size())) << e.name.toStdString();
        cursor->rewind();
        std::size_t i = 0;
        while (cursor->next(row, error))
            EXPECT_TRUE(i < first.size() && row == first[i++]);
        EXPECT_EQ(i, first.size());
    }
}

} // namespace

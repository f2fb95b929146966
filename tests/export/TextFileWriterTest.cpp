#include "export/ExportFiles.h"
#include "export/TextFileWriter.h"

#include "QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quorvane::exporter;

namespace {

class Writer : public ::testing::Test {
protected:
    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    QByteArray read(const QString& name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void put(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QStringList entries() const { return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

    QTemporaryDir m_dir;
};

TEST_F(Writer, NothingAppearsBeforeCommit)
{
    put(QStringLiteral("t.txt"), "old");
    TextFileWriter w;
    ASSERT_TRUE(w.open(path(QStringLiteral("t.txt"))));
    w.writeBytes(std::string(600'000, 'x')); // past the buffer: bytes reach the disk
    EXPECT_EQ(read(QStringLiteral("t.txt")), QByteArray("old"));
    ASSERT_TRUE(w.commit());
    EXPECT_EQ(read(QStringLiteral("t.txt")).size(), 600'000);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("t.txt")});
}

TEST_F(Writer, CancelKeepsTheOldFileAndLeavesNoTemporary)
{
    put(QStringLiteral("t.txt"), "old");
    {
        TextFileWriter w;
        ASSERT_TRUE(w.open(path(QStringLiteral("t.txt"))));
        w.writeBytes(std::string(600'000, 'x'));
        // Destroyed without commit.
    }
    EXPECT_EQ(read(QStringLiteral("t.txt")), QByteArray("old"));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("t.txt")});
}

// Dropping a part that failed, whether it is still in memory or already on disk.
struct TruncateCase {
    const char* name;
    std::size_t before;
    std::size_t after;
};

class Truncate : public Writer, public ::testing::WithParamInterface<TruncateCase> {};

TEST_P(Truncate, DropsEverythingAfterThePoint)
{
    TextFileWriter w;
    ASSERT_TRUE(w.open(path(QStringLiteral("t.txt"))));
    w.writeBytes(std::string(GetParam().before, 'a'));
    const qint64 mark = w.position();
    w.writeBytes(std::string(GetParam().after, 'b'));
    ASSERT_TRUE(w.truncate(mark));
    w.writeBytes("end");
    ASSERT_TRUE(w.commit());
    EXPECT_EQ(read(QStringLiteral("t.txt")), QByteArray(std::string(GetParam().before, 'a').c_str()) + "end");
}

INSTANTIATE_TEST_SUITE_P(Points, Truncate,
                         ::testing::Values(TruncateCase{"in_memory", 10, 20}, TruncateCase{"flushed", 300'000, 10},
                                           TruncateCase{"both_flushed", 300'000, 700'000},
                                           TruncateCase{"from_start", 0, 700'000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Writer, OpenFailsInAFolderThatIsNotThere)
{
    TextFileWriter w;
    EXPECT_FALSE(w.open(path(QStringLiteral("no/such/t.txt"))));
    EXPECT_FALSE(w.errorString().isEmpty());
    EXPECT_FALSE(w.commit());
}

struct NameCase {
    QString table;
    QString file; // empty: cannot be a file name
};

class TableFile : public ::testing::TestWithParam<NameCase> {};

TEST_P(TableFile, NameVerbatimWithTxtOrNone)
{
    EXPECT_EQ(tableFileName(GetParam().table), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(
    Names, TableFile,
    ::testing::Values(NameCase{QStringLiteral("Orders"), QStringLiteral("Orders.txt")},
                      NameCase{QStringLiteral("Order Details"), QStringLiteral("Order Details.txt")},
                      NameCase{QStringLiteral("a:b*c?"), QStringLiteral("a:b*c?.txt")},
                      NameCase{QStringLiteral("..."), QStringLiteral("....txt")},
                      NameCase{QStringLiteral(".hidden"), QStringLiteral(".hidden.txt")},
                      NameCase{QStringLiteral("a/b"), QString()}, NameCase{QStringLiteral("a\\b"), QString()},
                      NameCase{QStringLiteral("."), QString()}, NameCase{QStringLiteral(".."), QString()},
                      NameCase{QString(), QString()}));

TEST(OutputPath, OneSeparatorBetween)
{
    EXPECT_EQ(outputFilePath(QStringLiteral("/tmp/out"), QStringLiteral("a.txt")), QStringLiteral("/tmp/out/a.txt"));
    EXPECT_EQ(outputFilePath(QStringLiteral("/tmp/out/"), QStringLiteral("a.txt")), QStringLiteral("/tmp/out/a.txt"));
    EXPECT_EQ(outputFilePath(QStringLiteral("/"), QStringLiteral("a.txt")), QStringLiteral("/a.txt"));
}

} // namespace

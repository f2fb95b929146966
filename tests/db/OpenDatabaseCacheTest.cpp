// The table list and the export share one open of a database, but never across a
// changed file or another password.

#include "CorpusSupport.h"
#include "db/OpenDatabaseCache.h"
#include "db/format/AccessDatabase.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quorvane::db;
using namespace quorvane::test;

TEST(OpenDatabaseCache, SharedOnlyWhileFileAndPasswordAreTheSame)
{
    if (!haveCorpus())
        GTEST_SKIP();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("copy.mdb"));
    ASSERT_TRUE(QFile::copy(corpusFile(QStringLiteral("mdbreader--password--V2003_with-password.mdb")), path));
    const QString password = QStringLiteral("password");
    OpenDatabaseCache::clear();

    DbError error;
    const auto first = OpenDatabaseCache::open(path, password, error);
    ASSERT_TRUE(first) << error.description.toStdString();
    EXPECT_EQ(OpenDatabaseCache::open(path, password, error), first);
    // Another password is checked afresh, and the wrong one still fails.
    EXPECT_FALSE(OpenDatabaseCache::open(path, QStringLiteral("wrong"), error));
    EXPECT_EQ(error.number, errc::kBadPassword);
    EXPECT_EQ(OpenDatabaseCache::open(path, password, error), first);

    // A file written since is read again.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
    file.close();
    const auto reread = OpenDatabaseCache::open(path, password, error);
    ASSERT_TRUE(reread);
    EXPECT_NE(reread, first);
    EXPECT_EQ(OpenDatabaseCache::open(path, password, error), reread);

    // Gone is gone, whatever was kept.
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_FALSE(OpenDatabaseCache::open(path, password, error));
    EXPECT_EQ(error.number, errc::kFileNotFound);
    OpenDatabaseCache::clear();
}

// The page decoder on the real files of the corpus: encoded and encrypted files open
// with their password and no other; every decoded page has the shape of a page.

#include "CryptoTestSupport.h"
#include "db/format/PageDecoder.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

#include <vector>

using namespace quorvane;
using namespace quorvane::cryptotest;

namespace {

enum class Outcome { Decoder, Plain, BadPassword };

struct CorpusCase {
    const char* file;
    const char* password;
    Outcome outcome;
};

void PrintTo(const CorpusCase& c, std::ostream* os)
{
    *os << c.file << " with \"" << c.password << '"';
}

class CorpusDecoding : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(CorpusDecoding, OpensWithItsPasswordOnly)
{
    const auto& c = GetParam();
    if (!corpusAvailable())
        GTEST_SKIP() << "corpus absent";
    const QByteArray file = corpusFile(QString::fromUtf8(c.file));
    ASSERT_FALSE(file.isEmpty()) << c.file;

    db::DbError error;
    const auto decoder = db::format::makePageDecoder(pageOf(file, 0), QString::fromUtf8(c.password), error);
    switch (c.outcome) {
    case Outcome::Plain:
        EXPECT_EQ(decoder, nullptr);
        EXPECT_FALSE(error.isError()) << error.description.toStdString();
        return;
    case Outcome::BadPassword:
        EXPECT_EQ(decoder, nullptr);
        EXPECT_EQ(error.number, db::errc::kBadPassword);
        EXPECT_EQ(error.description, QStringLiteral("Not a valid password."));
        return;
    case Outcome::Decoder:
        break;
    }
    ASSERT_NE(decoder, nullptr) << error.description.toStdString();
    EXPECT_FALSE(error.isError());
    const int pageSize = pageSizeOf(file);
    const auto pageCount = static_cast<std::uint32_t>(file.size() / pageSize);
    ASSERT_GT(pageCount, 8u);
    // Every page, and every page a second time: decoding depends on the page number
    // only, never on what was decoded before.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::uint32_t n = pageCount - 1; n >= 1; --n) {
            const auto stored = pageOf(file, n);
            std::vector<std::uint8_t> page(stored.begin(), stored.end());
            decoder->decodePage(n, page);
            EXPECT_TRUE(looksLikePage(page, pageCount)) << "page " << n;
        }
    }
}

constexpr const char* kJetEncoded = "jackcessencrypt--db-enc.mdb";
constexpr const char* kRc4CryptoApi = "mdbreader--encryption--office-agile-4.2.accdb"; // version 4.2: RC4 CryptoAPI
constexpr const char* kAgile = "mdbreader--encryption--office-agile-4.4.accdb";
constexpr const char* kAgile2010 = "mdbreader--password--V2010_with-password.accdb";

INSTANTIATE_TEST_SUITE_P(
    Files, CorpusDecoding,
    ::testing::Values(
        // Jet encoding needs no password, and this file has none to check.
        CorpusCase{kJetEncoded, "", Outcome::Decoder}, CorpusCase{kJetEncoded, "anything", Outcome::Decoder},
        CorpusCase{kRc4CryptoApi, "password", Outcome::Decoder}, CorpusCase{kRc4CryptoApi, "", Outcome::BadPassword},
        CorpusCase{kRc4CryptoApi, "Password", Outcome::BadPassword},
        CorpusCase{kRc4CryptoApi, "password ", Outcome::BadPassword},
        CorpusCase{kAgile, "password", Outcome::Decoder}, CorpusCase{kAgile, "", Outcome::BadPassword},
        CorpusCase{kAgile, "passwor", Outcome::BadPassword}, CorpusCase{kAgile2010, "password", Outcome::Decoder},
        CorpusCase{kAgile2010, "PASSWORD", Outcome::BadPassword},
        // Jet 4 database passwords guard plain pages.
        CorpusCase{"mdbreader--password--V2000_with-password.mdb", "password", Outcome::Plain},
        CorpusCase{"mdbreader--password--V2000_with-password.mdb", "", Outcome::BadPassword},
        CorpusCase{"mdbreader--password--V2000_with-password.mdb", "Password", Outcome::BadPassword},
        CorpusCase{"mdbreader--password--V2003_with-password.mdb", "password", Outcome::Plain},
        CorpusCase{"mdbreader--password--V2003_with-password.mdb", "passwordpassword", Outcome::BadPassword},
        // A file without a password opens whatever password comes along.
        CorpusCase{"mdbreader--password--V1997_no-password.mdb", "password", Outcome::Plain},
        CorpusCase{"mdbreader--password--V2003_no-password.mdb", "password", Outcome::Plain},
        CorpusCase{"mdbreader--password--V2010_no-password.accdb", "password", Outcome::Plain}));

// Every other corpus file is stored plain and has no password.
TEST(CorpusPlainFiles, NeedNoDecoder)
{
    if (!corpusAvailable())
        GTEST_SKIP() << "corpus absent";
    QStringList withPassword{QString::fromLatin1(kJetEncoded)};
    QFile passwords(corpusFilesDir() + QStringLiteral("/../passwords.tsv"));
    if (passwords.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&passwords);
        while (!in.atEnd())
            withPassword << in.readLine().section(QLatin1Char('\t'), 0, 0);
    }
    int checked = 0;
    for (const QString& name : QDir(corpusFilesDir()).entryList(QDir::Files)) {
        if (withPassword.contains(name))
            continue;
        const QByteArray file = corpusFile(name);
        db::DbError error;
        EXPECT_EQ(db::format::makePageDecoder(pageOf(file, 0), QString(), error), nullptr) << name.toStdString();
        EXPECT_FALSE(error.isError()) << name.toStdString() << ": " << error.description.toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 50);
}

} // namespace

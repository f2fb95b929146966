#include "db/ConnectionString.h"

#include <gtest/gtest.h>

using namespace quorvane::db;

namespace {

using FakeInputs = FixedConnectionInputs;

struct ProviderCase {
    const char* path;
    bool ace;
};

class ProviderChoice : public ::testing::TestWithParam<ProviderCase> {};

TEST_P(ProviderChoice, ChoosesByLastFiveCharacters)
{
    const auto& c = GetParam();
    const QString s = BuildConnectionString(FakeInputs(QString::fromUtf8(c.path), QStringLiteral("pw")));
    if (c.ace)
        EXPECT_TRUE(s.startsWith(QLatin1String("Provider=Microsoft.ACE.OLEDB.12.0;Data Source="))) << s.toStdString();
    else
        EXPECT_TRUE(s.startsWith(QLatin1String("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source="))) << s.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Paths, ProviderChoice,
                         ::testing::Values(ProviderCase{"C:\\db\\x.ACCDB", true}, ProviderCase{"/data/x.accdb", true},
                                           ProviderCase{"/data/xaccdb", true}, ProviderCase{"/data/x.mdb", false},
                                           ProviderCase{"/data/x.accde", false}, ProviderCase{"acdb", false},
                                           ProviderCase{"", false}));

TEST(BuildConnectionString, PathWithTrailingBlankChoosesJetAndKeepsTheBlank)
{
    const QString s = BuildConnectionString(FakeInputs(QStringLiteral("x.accdb "), QString()));
    EXPECT_EQ(s, QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=\"x.accdb \";JET OLEDB:Database Password="));
}

TEST(BuildConnectionString, PlainValuesAreVerbatim)
{
    EXPECT_EQ(BuildConnectionString(FakeInputs(QStringLiteral("/a b/c=d.mdb"), QString())),
              QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/a b/c=d.mdb;JET OLEDB:Database Password="));
    EXPECT_EQ(BuildConnectionString(FakeInputs(QStringLiteral("d.accdb"), QStringLiteral("s3cr=t"))),
              QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=d.accdb;JET OLEDB:Database Password=s3cr=t"));
}

// Passwords that would split or bend the string must come back out of the parser unchanged.
class PasswordRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(PasswordRoundTrip, ParsesBackUnchanged)
{
    const QString password = QString::fromUtf8(GetParam());
    const QString path = QStringLiteral("/tmp/my;db 'x'.mdb");
    const QString s = BuildConnectionString(FakeInputs(path, password));
    DbError error;
    const auto parsed = parseConnectionString(s, error);
    ASSERT_TRUE(parsed) << error.description.toStdString();
    EXPECT_EQ(parsed->password, password);
    EXPECT_EQ(parsed->dataSource, path);
}

INSTANTIATE_TEST_SUITE_P(Passwords, PasswordRoundTrip,
                         ::testing::Values("", "plain", "semi;colon", "\"dq\"", "it's", "both ' and \"", " lead",
                                           "trail ", "a=b", "ünïcödé", ";"));

TEST(ParseConnectionString, ProviderMustBeJetOrAce)
{
    DbError error;
    EXPECT_TRUE(parseConnectionString(QStringLiteral("provider=microsoft.jet.oledb.4.0;data source=x"), error));
    EXPECT_TRUE(parseConnectionString(QStringLiteral("PROVIDER=MICROSOFT.ACE.OLEDB.12.0;DATA SOURCE=x"), error));
    EXPECT_FALSE(parseConnectionString(QStringLiteral("Provider=SQLOLEDB;Data Source=x"), error));
    EXPECT_EQ(error.number, 3706);
    EXPECT_EQ(error.description, QStringLiteral("Provider cannot be found. It may not be properly installed."));
    error = {};
    EXPECT_FALSE(parseConnectionString(QStringLiteral("Data Source=x"), error));
    EXPECT_EQ(error.number, 3706);
}

TEST(ParseConnectionString, KeysIgnoreCaseAndLastWins)
{
    DbError error;
    const auto s = parseConnectionString(
        QStringLiteral(" Provider = Microsoft.Jet.OLEDB.4.0 ; data SOURCE = a.mdb ;DATA SOURCE=b.mdb;;"
                       "jet oledb:database password='x;y'"),
        error);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->dataSource, QStringLiteral("b.mdb"));
    EXPECT_EQ(s->password, QStringLiteral("x;y"));
}

TEST(ParseConnectionString, MalformedQuotingIsAnError)
{
    DbError error;
    EXPECT_FALSE(parseConnectionString(
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"unterminated"), error));
    EXPECT_NE(error.number, 0);
    EXPECT_FALSE(parseConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"a\"b"), error));
}

} // namespace

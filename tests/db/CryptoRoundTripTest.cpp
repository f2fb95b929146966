// Encrypted copies of plain corpus files, of every kind the decoder reads, decode back
// to the plain pages byte for byte, and refuse every other password.

#include "CryptoTestEncryptor.h"
#include "CryptoTestSupport.h"
#include "WrittenFixture.h"
#include "db/JsonDump.h"
#include "db/format/AccessDatabase.h"
#include "db/format/PageDecoder.h"
#include "db/format/TableCursor.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace quorvane;
using namespace quorvane::cryptotest;

namespace {

constexpr const char* kJet3Plain = "jackcess--V1997--testV1997.mdb";
constexpr const char* kJet4Plain = "jackcess--V2000--testV2000.mdb";
constexpr const char* kAce2010Plain = "mdbreader--password--V2010_no-password.accdb";
constexpr const char* kAce2007Plain = "jackcess--V2007--testV2007.accdb";

struct RoundTripCase {
    const char* name;
    const char* plainFile;
    QString password;
    std::function<QByteArray(const QByteArray&, const QString&)> encrypt;
    bool passwordMatters = true;
};

void PrintTo(const RoundTripCase& c, std::ostream* os)
{
    *os << c.name;
}

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, DecodesToThePlainPages)
{
    const auto& c = GetParam();
    const QByteArray plain = corpusOrWritten(c.plainFile);
    ASSERT_FALSE(plain.isEmpty());
    const QByteArray encrypted = c.encrypt(plain, c.password);
    ASSERT_EQ(encrypted.size(), plain.size());
    const int pageSize = pageSizeOf(plain);
    const auto pageCount = static_cast<std::uint32_t>(plain.size() / pageSize);
    ASSERT_NE(pageOf(encrypted, 1)[0], pageOf(plain, 1)[0]) << "the copy is not encrypted";

    db::DbError error;
    const auto decoder = db::format::makePageDecoder(pageOf(encrypted, 0), c.password, error);
    ASSERT_NE(decoder, nullptr) << error.description.toStdString();
    EXPECT_FALSE(error.isError());
    std::uint32_t same = 0;
    for (std::uint32_t n = 1; n < pageCount; ++n) {
        const auto stored = pageOf(encrypted, n);
        std::vector<std::uint8_t> page(stored.begin(), stored.end());
        decoder->decodePage(n, page);
        const auto expected = pageOf(plain, n);
        same += std::equal(page.begin(), page.end(), expected.begin(), expected.end()) ? 1 : 0;
    }
    EXPECT_EQ(same, pageCount - 1);
}

// Other passwords are refused; a kind without a password (Jet encoding) opens with any.
TEST_P(RoundTrip, AnswersOtherPasswords)
{
    const auto& c = GetParam();
    const QByteArray encrypted = c.encrypt(corpusOrWritten(c.plainFile), c.password);
    for (const QString& other : {QString(), c.password + QLatin1Char('x'), c.password.toUpper(), c.password.left(3)}) {
        if (other == c.password)
            continue;
        db::DbError error;
        const auto decoder = db::format::makePageDecoder(pageOf(encrypted, 0), other, error);
        if (c.passwordMatters) {
            EXPECT_EQ(decoder, nullptr);
            EXPECT_EQ(error.number, db::errc::kBadPassword) << "with \"" << other.toStdString() << '"';
        } else {
            EXPECT_NE(decoder, nullptr) << error.description.toStdString();
        }
    }
}

auto cryptoApi(int keyBits, std::uint32_t field, QString provider)
{
    return [=](const QByteArray& plain, const QString& password) {
        CryptoApiOptions o;
        o.keyBits = keyBits;
        o.keySizeField = field;
        o.provider = provider;
        return encryptCryptoApiRc4(plain, password, o);
    };
}

auto cryptoApi(int keyBits)
{
    return cryptoApi(keyBits, static_cast<std::uint32_t>(keyBits),
                     QStringLiteral("Microsoft Enhanced Cryptographic Provider v1.0"));
}

auto agile(AgileKeyOptions keyData, AgileKeyOptions passwordKey, std::uint32_t spinCount = 1000)
{
    return [=](const QByteArray& plain, const QString& password) {
        AgileOptions o;
        o.keyData = keyData;
        o.passwordKey = passwordKey;
        o.spinCount = spinCount;
        return encryptAgile(plain, password, o);
    };
}

auto standard(int keyBits)
{
    return [=](const QByteArray& plain, const QString& password) {
        StandardOptions o;
        o.keyBits = keyBits;
        return encryptStandard(plain, password, o);
    };
}

auto jet(EncodingKey key)
{
    return [=](const QByteArray& plain, const QString&) { return encodeJet(plain, key); };
}

const QString kPassword = QStringLiteral("password");
const QString kWidePassword = QStringLiteral("P\u00e4ssw\u00f6rd \u20ac\u6f22"); // beyond Latin-1

INSTANTIATE_TEST_SUITE_P(
    Kinds, RoundTrip,
    ::testing::Values(
        RoundTripCase{"JetEncodedJet3", kJet3Plain, {}, jet({0x11, 0x22, 0x33, 0x44}), false},
        RoundTripCase{"JetEncodedJet4", kJet4Plain, {}, jet({0xE0, 0x73, 0xB7, 0xA7}), false},
        // A key whose low bytes equal a page number gives that page the all-zero key.
        RoundTripCase{"JetEncodedKeyMeetsPageNumber", kJet4Plain, {}, jet({0x05, 0x00, 0x00, 0x00}), false},
        RoundTripCase{"Jet3EncodedWithPassword", kJet3Plain, QStringLiteral("Secret"),
                      [](const QByteArray& plain, const QString&) {
                          return encodeJet(withJet3Password(plain, "Secret"));
                      }},
        // Jet 3 keeps the password in the code page: 0x80 is the euro sign in windows-1252.
        RoundTripCase{"Jet3EncodedWithCodePagePassword", kJet3Plain, QStringLiteral("\u20acuro"),
                      [](const QByteArray& plain, const QString&) {
                          return encodeJet(withJet3Password(plain, "\x80uro"));
                      }},
        // A code page other than windows-1252: the password is read in it, like the text.
        RoundTripCase{"Jet3CodePage1251Password", kJet3Plain, QStringLiteral("\u041f\u0430\u0440\u043e\u043b\u044c"),
                      [](const QByteArray& plain, const QString&) {
                          return encodeJet(withJet3Password(plain, "\xcf\xe0\xf0\xee\xeb\xfc", 1251));
                      }},
        RoundTripCase{"CryptoApi40", kAce2010Plain, kPassword, cryptoApi(40)},
        RoundTripCase{"CryptoApi48", kAce2010Plain, kPassword, cryptoApi(48)},
        RoundTripCase{"CryptoApi56", kAce2010Plain, kPassword, cryptoApi(56)},
        RoundTripCase{"CryptoApi64", kAce2007Plain, kPassword, cryptoApi(64)},
        RoundTripCase{"CryptoApi120", kAce2007Plain, kPassword, cryptoApi(120)},
        RoundTripCase{"CryptoApi128", kAce2010Plain, kWidePassword, cryptoApi(128)},
        RoundTripCase{"CryptoApiDefaultBase40", kAce2010Plain, kPassword,
                      cryptoApi(40, 0, QStringLiteral("Microsoft Base Cryptographic Provider v1.0"))},
        RoundTripCase{"CryptoApiDefaultUnnamed40", kAce2010Plain, kPassword, cryptoApi(40, 0, QString())},
        RoundTripCase{"CryptoApiDefaultEnhanced128", kAce2010Plain, kPassword,
                      cryptoApi(128, 0, QStringLiteral("Microsoft Enhanced Cryptographic Provider v1.0"))},
        RoundTripCase{"StandardAes128", kAce2010Plain, kPassword, standard(128)},
        RoundTripCase{"StandardAes192", kAce2007Plain, kPassword, standard(192)},
        RoundTripCase{"StandardAes256", kAce2010Plain, kWidePassword, standard(256)},
        RoundTripCase{"AgileAes128Sha1", kAce2010Plain, kPassword, agile({128, "SHA1"}, {128, "SHA1"})},
        RoundTripCase{"AgileAes192Sha256", kAce2007Plain, kPassword, agile({192, "SHA256"}, {192, "SHA256"})},
        RoundTripCase{"AgileAes256Sha384", kAce2010Plain, kPassword, agile({256, "SHA384"}, {256, "SHA384"})},
        RoundTripCase{"AgileAes256Sha512Access", kAce2010Plain, kPassword,
                      agile({256, "SHA512"}, {256, "SHA512"}, 100000)},
        // SHA-1 gives 20 bytes: a 256-bit key is padded with 0x36, the IV cut to 16.
        RoundTripCase{"AgileAes256Sha1", kAce2010Plain, kWidePassword, agile({256, "SHA1"}, {256, "SHA1"})},
        RoundTripCase{"AgileAes128Md5", kAce2010Plain, kPassword, agile({128, "MD5"}, {128, "MD5"})},
        // The pages follow keyData, the password follows the key encryptor.
        RoundTripCase{"AgileMixedParameters", kAce2010Plain, kPassword, agile({128, "SHA1"}, {256, "SHA512"})},
        RoundTripCase{"AgileNoSpin", kAce2010Plain, kPassword, agile({256, "SHA512"}, {256, "SHA512"}, 0)},
        RoundTripCase{"AgileEmptyPassword", kAce2010Plain, QString(), agile({128, "SHA1"}, {128, "SHA1"})}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.name); });

// ---- Through the reader ------------------------------------------------------------------

// Every table of the catalog (system tables included), each row as a dump line; errors
// are part of the text, so a plain and an encrypted copy must fail alike too.
QByteArray dumpAllTables(db::format::AccessDatabase& database)
{
    QByteArray out;
    std::vector<db::Value> values;
    for (const auto& entry : database.catalog()) {
        if (entry.type != db::format::objtype::kTable)
            continue;
        out += entry.name.toUtf8() + '\n';
        db::DbError error;
        auto cursor = database.openTable(entry.tdefPage(), error);
        while (cursor && cursor->next(values, error))
            out += db::jsonRecordLine(values) + '\n';
        if (error.isError())
            out += "error: " + error.description.toUtf8() + '\n';
    }
    return out;
}

class ReaderRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

// The reader, given the encrypted copy and its password, reads what it reads from the
// plain file; with any other password it reads nothing.
TEST_P(ReaderRoundTrip, ReadsWhatThePlainFileHolds)
{
    const auto& c = GetParam();
    const QByteArray plain = corpusOrWritten(c.plainFile);
    ASSERT_FALSE(plain.isEmpty());
    db::DbError error;
    const auto plainDb = db::format::AccessDatabase::openBytes(plain, c.password, error);
    ASSERT_NE(plainDb, nullptr) << error.description.toStdString();
    const QByteArray expected = dumpAllTables(*plainDb);
    EXPECT_GT(expected.count('\n'), 20);

    const QByteArray encrypted = c.encrypt(plain, c.password);
    const auto encryptedDb = db::format::AccessDatabase::openBytes(encrypted, c.password, error);
    ASSERT_NE(encryptedDb, nullptr) << error.description.toStdString();
    EXPECT_EQ(dumpAllTables(*encryptedDb), expected);
    // From a file, runs of pages are read and decoded at once.
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("encrypted")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(encrypted) == encrypted.size());
    file.close();
    const auto fromFile = db::format::AccessDatabase::open(file.fileName(), c.password, error);
    ASSERT_NE(fromFile, nullptr) << error.description.toStdString();
    EXPECT_EQ(dumpAllTables(*fromFile), expected);

    if (c.passwordMatters) {
        EXPECT_EQ(db::format::AccessDatabase::openBytes(encrypted, c.password + QLatin1Char('!'), error), nullptr);
        EXPECT_EQ(error.number, db::errc::kBadPassword);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ReaderRoundTrip,
    ::testing::Values(
        RoundTripCase{"JetEncodedJet3", kJet3Plain, {}, jet({0x11, 0x22, 0x33, 0x44}), false},
        RoundTripCase{"JetEncodedJet4Overflow", "jackcess--V2000--overflowTestV2000.mdb", {},
                      jet({0xE0, 0x73, 0xB7, 0xA7}), false},
        RoundTripCase{"Jet3EncodedWithPassword", kJet3Plain, QStringLiteral("Secret"),
                      [](const QByteArray& plain, const QString&) {
                          return encodeJet(withJet3Password(plain, "Secret"));
                      }},
        // A code page other than windows-1252: the password is read in it, like the text.
        RoundTripCase{"Jet3CodePage1251Password", kJet3Plain, QStringLiteral("\u041f\u0430\u0440\u043e\u043b\u044c"),
                      [](const QByteArray& plain, const QString&) {
                          return encodeJet(withJet3Password(plain, "\xcf\xe0\xf0\xee\xeb\xfc", 1251));
                      }},
        RoundTripCase{"CryptoApi40", kAce2007Plain, kPassword, cryptoApi(40)},
        RoundTripCase{"CryptoApi56LongText", "mdbreader--V2016--longtext.accdb", kPassword, cryptoApi(56)},
        RoundTripCase{"CryptoApi128", "jackcess--V2019--extDateTestV2019.accdb", kWidePassword, cryptoApi(128)},
        RoundTripCase{"StandardAes128", "jackcess--V2007--complexDataTestV2007.accdb", kPassword, standard(128)},
        RoundTripCase{"StandardAes256", "mdbreader--V2016--attachments.accdb", kWidePassword, standard(256)},
        RoundTripCase{"AgileAes128Sha1", kAce2007Plain, kPassword, agile({128, "SHA1"}, {128, "SHA1"})},
        RoundTripCase{"AgileAes192Sha256", "mdbreader--V2016--bigint.accdb", kPassword,
                      agile({192, "SHA256"}, {192, "SHA256"})},
        RoundTripCase{"AgileAes256Sha512", "jackcess--V2007--complexDataTestV2007.accdb", kPassword,
                      agile({256, "SHA512"}, {256, "SHA512"})},
        RoundTripCase{"AgileAes256Sha1", "mdbreader--V2016--attachments.accdb", kWidePassword,
                      agile({256, "SHA1"}, {256, "SHA1"})}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.name); });

} // namespace

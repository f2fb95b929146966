// Damaged and hostile encryption headers: every one ends in an error value that says
// what is wrong (or a wrong-password error where the damage only changes the key),
// never in a crash, a hang or a decoder that hands back garbage as pages.

#include "CryptoTestEncryptor.h"
#include "CryptoTestSupport.h"
#include "db/format/PageDecoder.h"
#include "db/format/crypto/Rc4.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <vector>

using namespace quorvane;
using namespace quorvane::cryptotest;
using quorvane::db::format::crypto::toggleHeaderMask;

namespace {

constexpr const char* kAgileFile = "mdbreader--encryption--office-agile-4.4.accdb";
constexpr const char* kCryptoApiFile = "mdbreader--encryption--office-agile-4.2.accdb";
constexpr const char* kAcePlain = "mdbreader--password--V2010_no-password.accdb";
const QString kPassword = QStringLiteral("password");

std::vector<std::uint8_t> unmaskedHeader(const QByteArray& file)
{
    const auto page = pageOf(file, 0);
    std::vector<std::uint8_t> header(page.begin(), page.end());
    toggleHeaderMask(header, file[0x14] == 0);
    return header;
}

// The provider information exactly as Access wrote it into a corpus file.
QByteArray providerInfoOf(const QByteArray& file)
{
    const auto header = unmaskedHeader(file);
    const int length = header[0x299] | (header[0x29A] << 8);
    return QByteArray(reinterpret_cast<const char*>(header.data()) + 0x29B, length);
}

EncodingKey encodingKeyOf(const QByteArray& file)
{
    const auto header = unmaskedHeader(file);
    return {header[0x3E], header[0x3F], header[0x40], header[0x41]};
}

db::DbError open(const QByteArray& file, const QString& password, bool* gotDecoder = nullptr)
{
    db::DbError error;
    const auto decoder = db::format::makePageDecoder(pageOf(file, 0), password, error);
    EXPECT_NE(decoder != nullptr, error.isError()) << "a decoder and an error, or neither";
    if (gotDecoder)
        *gotDecoder = decoder != nullptr;
    return error;
}

struct Expectation {
    int number; // 0: a decoder
    const char* mentions = "";
};

void check(const db::DbError& error, const Expectation& expected)
{
    EXPECT_EQ(error.number, expected.number) << error.description.toStdString();
    EXPECT_TRUE(error.description.contains(QString::fromUtf8(expected.mentions), Qt::CaseInsensitive))
        << error.description.toStdString();
}

// ---- Agile: edits of the XML descriptor Access wrote ---------------------------------

struct XmlEdit {
    const char* name;
    const char* from;
    const char* to;
    Expectation expected;
    const char* from2 = nullptr; // a second edit, when one is not enough
    const char* to2 = nullptr;
};

void PrintTo(const XmlEdit& e, std::ostream* os)
{
    *os << e.name;
}

class AgileDescriptorEdits : public ::testing::TestWithParam<XmlEdit> {};

TEST_P(AgileDescriptorEdits, AnswerWithTheRightError)
{
    const auto& e = GetParam();
    if (!corpusAvailable())
        GTEST_SKIP() << "corpus absent";
    const QByteArray real = corpusFile(QString::fromLatin1(kAgileFile));
    QByteArray xml = providerInfoOf(real).mid(8);
    ASSERT_TRUE(xml.contains(e.from)) << e.from;
    xml.replace(e.from, e.to);
    if (e.from2) {
        ASSERT_TRUE(xml.contains(e.from2)) << e.from2;
        xml.replace(e.from2, e.to2);
    }
    const QByteArray file =
        withEncryptionProvider(corpusFile(QString::fromLatin1(kAcePlain)), encodingKeyOf(real), agileProviderInfo(xml));
    check(open(file, kPassword), e.expected);
}

constexpr int kDamaged = db::errc::kDamaged;
constexpr int kUnsupported = db::errc::kUnrecognizedFormat;
constexpr int kBadPassword = db::errc::kBadPassword;

const char* const kBillionLaughs =
    "<?xml version=\"1.0\"?><!DOCTYPE encryption [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">"
    "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
    "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\"><!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
    "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\"><!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">]>";

INSTANTIATE_TEST_SUITE_P(
    Edits, AgileDescriptorEdits,
    ::testing::Values(
        XmlEdit{"Unchanged", "standalone=\"yes\"", "standalone=\"yes\"", {0}},
        XmlEdit{"HashNameWithDash", "hashAlgorithm=\"SHA512\"", "hashAlgorithm=\"SHA-512\"", {0}},
        XmlEdit{"CipherNameLowerCase", "cipherAlgorithm=\"AES\"", "cipherAlgorithm=\"aes\"", {0}},
        XmlEdit{"SpinCountChanged", "spinCount=\"100000\"", "spinCount=\"99999\"", {kBadPassword}},
        XmlEdit{"SpinCountAboveCap", "spinCount=\"100000\"", "spinCount=\"10000001\"", {kDamaged, "spinCount"}},
        XmlEdit{"SpinCountHuge", "spinCount=\"100000\"", "spinCount=\"99999999999999999999\"", {kDamaged, "spinCount"}},
        XmlEdit{"SpinCountNegative", "spinCount=\"100000\"", "spinCount=\"-1\"", {kDamaged, "spinCount"}},
        XmlEdit{"SpinCountNotANumber", "spinCount=\"100000\"", "spinCount=\"1e5\"", {kDamaged, "spinCount"}},
        XmlEdit{"SpinCountMissing", "spinCount=\"100000\" ", "", {kDamaged, "spinCount"}},
        XmlEdit{"CipherDes", "cipherAlgorithm=\"AES\"", "cipherAlgorithm=\"DES\"", {kUnsupported, "DES"}},
        XmlEdit{"CipherRc2", "cipherAlgorithm=\"AES\"", "cipherAlgorithm=\"RC2\"", {kUnsupported, "RC2"}},
        XmlEdit{"ChainingCfb", "cipherChaining=\"ChainingModeCBC\"", "cipherChaining=\"ChainingModeCFB\"",
                {kUnsupported, "ChainingModeCFB"}},
        XmlEdit{"HashWhirlpool", "hashAlgorithm=\"SHA512\"", "hashAlgorithm=\"WHIRLPOOL\"", {kUnsupported, "WHIRLPOOL"}},
        XmlEdit{"HashRipemd", "hashAlgorithm=\"SHA512\" saltValue=\"lf", "hashAlgorithm=\"RIPEMD160\" saltValue=\"lf",
                {kUnsupported, "RIPEMD160"}},
        XmlEdit{"KeyBitsOdd", "keyBits=\"256\"", "keyBits=\"100\"", {kUnsupported, "100-bit"}},
        XmlEdit{"KeyBitsZero", "keyBits=\"256\"", "keyBits=\"0\"", {kUnsupported, "0-bit"}},
        XmlEdit{"KeyBitsHuge", "keyBits=\"256\"", "keyBits=\"4294967296\"", {kDamaged, "keyBits"}},
        XmlEdit{"BlockSizeEight", "blockSize=\"16\"", "blockSize=\"8\"", {kDamaged, "block"}},
        XmlEdit{"SaltNotBase64", "DAyc3C2Oxxe+SnWgRTYBQQ==", "DAyc3C2O!!e+SnWgRTYBQQ==", {kDamaged, "saltValue"}},
        XmlEdit{"SaltEmpty", "saltValue=\"DAyc3C2Oxxe+SnWgRTYBQQ==\"", "saltValue=\"\"", {kDamaged, "saltValue"}},
        XmlEdit{"SaltTooLong", "DAyc3C2Oxxe+SnWgRTYBQQ==",
                "QUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFB"
                "QUFBQUFBQUFBQUFBQUFBQUFBQUE=",
                {kDamaged, "saltValue"}},
        XmlEdit{"SaltSizeDisagrees", "saltSize=\"16\"", "saltSize=\"17\"", {kDamaged, "salt"}},
        XmlEdit{"SaltChanged", "lfLzDoSp6m2FkMyvPiZavA==", "mfLzDoSp6m2FkMyvPiZavA==", {kBadPassword}},
        XmlEdit{"KeyValueTooShort", "sSEi0dHaeIXhw7bTCbObtwLMhjisiTOo6xtMLCFytcM=", "sSEi0dHaeIXhw7bTCbObtw==",
                {kDamaged, "length"}},
        XmlEdit{"VerifierHashTooShort", "C67VZaWFlvd+EmYbgAZDwxfAlMJ8E+7WfFXr8ixFVvwc6xJOIAtYg57PDgIsckn8govdUFKAobGgULEJV5tVMw==",
                "C67VZaWFlvd+EmYbgAZDww==", {kDamaged, "length"}},
        XmlEdit{"VerifierInputRagged", "PpoGGddaHWNs18zrH5MN6w==", "PpoGGddaHWNs18zrH5MN", {kDamaged, "length"}},
        XmlEdit{"VerifierInputFlipped", "PpoGGddaHWNs18zrH5MN6w==", "PpoGGddaHWNs18zrH5MN6g==", {kBadPassword}},
        XmlEdit{"NoKeyData", "<keyData ", "<keyDatum ", {kDamaged, "keyData"}},
        XmlEdit{"CertificateOnly", "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\"",
                "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\"",
                {kUnsupported, "certificate"}},
        XmlEdit{"NotXml", "<?xml", "<<?xml", {kDamaged, "XML"}},
        XmlEdit{"UnclosedElement", "</keyEncryptors>", "", {kDamaged, "XML"}},
        XmlEdit{"EntityExpansion", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>", kBillionLaughs,
                {kDamaged}, "spinCount=\"100000\"", "spinCount=\"&g;\""},
        XmlEdit{"EntityInAttribute", "spinCount=\"100000\"", "spinCount=\"&undefined;\"", {kDamaged}}),
    [](const ::testing::TestParamInfo<XmlEdit>& info) { return std::string(info.param.name); });

// ---- RC4 CryptoAPI: edits of the binary provider information Access wrote -------------

struct BinaryEdit {
    const char* name;
    int offset; // into the provider information; the version is at 0, the flags at 4
    std::uint32_t value;
    int width; // bytes written, least significant first
    Expectation expected;
};

void PrintTo(const BinaryEdit& e, std::ostream* os)
{
    *os << e.name;
}

// `info` with the edit written into it, put into the plain file and opened.
db::DbError openEdited(QByteArray info, const BinaryEdit& e, const EncodingKey& key)
{
    for (int i = 0; i < e.width; ++i)
        info[e.offset + i] = static_cast<char>(e.value >> (8 * i));
    return open(withEncryptionProvider(corpusFile(QString::fromLatin1(kAcePlain)), key, info), kPassword);
}

class CryptoApiHeaderEdits : public ::testing::TestWithParam<BinaryEdit> {};

TEST_P(CryptoApiHeaderEdits, AnswerWithTheRightError)
{
    const auto& e = GetParam();
    if (!corpusAvailable())
        GTEST_SKIP() << "corpus absent";
    const QByteArray real = corpusFile(QString::fromLatin1(kCryptoApiFile));
    const QByteArray info = providerInfoOf(real);
    ASSERT_EQ(info.size(), 198);
    check(openEdited(info, e, encodingKeyOf(real)), e.expected);
}

// Layout: version 0, flags 4, header size 8, header 12 (its key size at 28, algorithm
// at 20, hash at 24), salt size 138, salt 142, verifier 158, verifier hash size 174.
INSTANTIATE_TEST_SUITE_P(
    Edits, CryptoApiHeaderEdits,
    ::testing::Values(
        BinaryEdit{"Unchanged", 0, 4, 2, {0}},
        BinaryEdit{"Version32", 0, 0x00020003, 4, {0}},
        BinaryEdit{"KeySize40", 28, 40, 4, {kBadPassword}},
        BinaryEdit{"KeySize200", 28, 200, 4, {kUnsupported, "200-bit"}},
        BinaryEdit{"KeySize36", 28, 36, 4, {kUnsupported, "36-bit"}},
        BinaryEdit{"KeySize129", 28, 129, 4, {kUnsupported, "129-bit"}},
        BinaryEdit{"KeySizeHuge", 28, 0xFFFFFFFF, 4, {kUnsupported, "RC4"}},
        BinaryEdit{"AlgorithmAes", 20, 0x660E, 4, {kUnsupported, "0x660e"}},
        BinaryEdit{"HashMd5", 24, 0x8003, 4, {kUnsupported, "0x8003"}},
        BinaryEdit{"FlagsAes", 4, 0x2C, 4, {kUnsupported, "AES"}},
        BinaryEdit{"FlagsExternal", 4, 0x1C, 4, {kUnsupported, "external"}},
        BinaryEdit{"FlagsNone", 4, 0, 4, {kUnsupported, "flags"}},
        BinaryEdit{"HeaderSizeHuge", 8, 0xFFFFFFFF, 4, {kDamaged, "cut short"}},
        BinaryEdit{"HeaderSizeTiny", 8, 4, 4, {kDamaged, "cut short"}},
        BinaryEdit{"HeaderSizePastEnd", 8, 190, 4, {kDamaged}},
        BinaryEdit{"SaltSizeHuge", 138, 0xFFFFFFFF, 4, {kDamaged, "salt"}},
        BinaryEdit{"SaltSizeZero", 138, 0, 4, {kDamaged, "salt"}},
        BinaryEdit{"SaltFlipped", 150, 0x55, 1, {kBadPassword}},
        BinaryEdit{"VerifierHashSize16", 174, 16, 4, {kDamaged, "verifier hash"}},
        BinaryEdit{"VersionExtensible", 0, 0x00030004, 4, {kUnsupported, "extensible"}},
        BinaryEdit{"VersionBinaryRc4", 0, 0x00010001, 4, {kUnsupported, "binary RC4"}},
        BinaryEdit{"VersionUnknown", 0, 0x00090009, 4, {kUnsupported, "9.9"}}),
    [](const ::testing::TestParamInfo<BinaryEdit>& info) { return std::string(info.param.name); });

// ---- Standard (AES) encryption: edits of what the test encryptor writes -------------

class StandardHeaderEdits : public ::testing::TestWithParam<BinaryEdit> {};

TEST_P(StandardHeaderEdits, AnswerWithTheRightError)
{
    const auto& e = GetParam();
    if (!corpusAvailable())
        GTEST_SKIP() << "corpus absent";
    const QByteArray info = standardProviderInfo(kPassword, StandardOptions{});
    ASSERT_EQ(info.size(), 224);
    check(openEdited(info, e, kSampleKey), e.expected);
}

// Layout: flags 4, header 12 (algorithm at 20, hash at 24, key size at 28), salt size
// 152, salt 156, verifier 172, verifier hash size 188, encrypted verifier hash 192.
INSTANTIATE_TEST_SUITE_P(
    Edits, StandardHeaderEdits,
    ::testing::Values(BinaryEdit{"Unchanged", 0, 4, 2, {0}},
                      BinaryEdit{"AlgorithmLeftToTheFlags", 20, 0, 4, {0}},
                      BinaryEdit{"KeySizeLeftToTheAlgorithm", 28, 0, 4, {0}},
                      BinaryEdit{"KeySizeDisagrees", 28, 256, 4, {kDamaged, "256-bit"}},
                      BinaryEdit{"AlgorithmRc4", 20, 0x6801, 4, {kUnsupported, "0x6801"}},
                      BinaryEdit{"AlgorithmAes256", 20, 0x6610, 4, {kDamaged, "AES-256"}},
                      BinaryEdit{"HashMd5", 24, 0x8003, 4, {kUnsupported, "0x8003"}},
                      BinaryEdit{"VerifierHashSize32", 188, 32, 4, {kDamaged, "verifier hash"}},
                      BinaryEdit{"VerifierFlipped", 172, 0x55, 1, {kBadPassword}},
                      BinaryEdit{"VerifierHashSecondBlockFlipped", 212, 0x55, 1, {kBadPassword}}),
    [](const ::testing::TestParamInfo<BinaryEdit>& info) { return std::string(info.param.name); });

// ---- Truncation ------------------------------------------------------------------------

struct TruncationCase {
    const char* name;
    const char* file; // nullptr: what the test encryptor writes for Standard encryption
};

class TruncatedProvider : public ::testing::TestWithParam<TruncationCase> {};

// Every length short of the real one: the information is cut short, never misread.
TEST_P(TruncatedProvider, EveryShorterLengthIsDamage)
{
    if (!corpusAvailable())
        GTEST_SKIP() << "corpus absent";
    const QByteArray plain = corpusFile(QString::fromLatin1(kAcePlain));
    const QByteArray real = GetParam().file ? corpusFile(QString::fromLatin1(GetParam().file))
                                            : encryptStandard(plain, kPassword, StandardOptions{});
    const QByteArray info = providerInfoOf(real);
    for (int length = 0; length < info.size(); ++length) {
        const QByteArray file = withEncryptionProvider(plain, encodingKeyOf(real), info, length);
        const db::DbError error = open(file, kPassword);
        EXPECT_EQ(error.number, kDamaged) << "length " << length << ": " << error.description.toStdString();
    }
    // A length running past the page.
    const QByteArray past = withEncryptionProvider(plain, encodingKeyOf(real), info, 0xFFFF);
    EXPECT_EQ(open(past, kPassword).number, kDamaged);
}

INSTANTIATE_TEST_SUITE_P(Files, TruncatedProvider,
                         ::testing::Values(TruncationCase{"Agile", kAgileFile},
                                           TruncationCase{"CryptoApi", kCryptoApiFile},
                                           TruncationCase{"Standard", nullptr}),
                         [](const ::testing::TestParamInfo<TruncationCase>& info) {
                             return std::string(info.param.name);
                         });

struct ShortPageCase {
    const char* file;
    int bytes;
};

class ShortHeaderPage : public ::testing::TestWithParam<ShortPageCase> {};

// Shorter than its page, the header is not a database: the reader answers 3343 for it.
TEST_P(ShortHeaderPage, IsNotADatabase)
{
    const auto& c = GetParam();
    if (!corpusAvailable())
        GTEST_SKIP() << "corpus absent";
    const QByteArray file = corpusFile(QString::fromLatin1(c.file));
    const auto page = pageOf(file, 0).first(static_cast<std::size_t>(c.bytes));
    db::DbError error;
    EXPECT_EQ(db::format::makePageDecoder(page, kPassword, error), nullptr);
    EXPECT_EQ(error.number, db::errc::kUnrecognizedFormat);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ShortHeaderPage,
                         ::testing::Values(ShortPageCase{kAgileFile, 0}, ShortPageCase{kAgileFile, 0x14},
                                           ShortPageCase{kAgileFile, 0x15}, ShortPageCase{kAgileFile, 0x80},
                                           ShortPageCase{kAgileFile, 2048}, ShortPageCase{kAgileFile, 4095},
                                           ShortPageCase{"jackcessencrypt--db-enc.mdb", 4095},
                                           ShortPageCase{"jackcess--V1997--testV1997.mdb", 2047}));

// ---- Jet headers -----------------------------------------------------------------------

QByteArray editedHeader(QByteArray file, const std::function<void(std::vector<std::uint8_t>&)>& edit)
{
    auto header = unmaskedHeader(file);
    edit(header);
    toggleHeaderMask(header, file[0x14] == 0);
    std::memcpy(file.data(), header.data(), header.size());
    return file;
}

struct DateCase {
    const char* name;
    double date;
};

class JetPasswordDate : public ::testing::TestWithParam<DateCase> {};

// The creation date masks the Jet 4 password; a damaged date must not become undefined
// behaviour on the way to an integer, and the password then simply does not match.
TEST_P(JetPasswordDate, DamagedDateRefusesThePassword)
{
    if (!corpusAvailable())
        GTEST_SKIP() << "corpus absent";
    const QByteArray file = editedHeader(corpusFile(QStringLiteral("mdbreader--password--V2000_with-password.mdb")),
                                         [](std::vector<std::uint8_t>& h) {
                                             const double date = GetParam().date;
                                             std::memcpy(h.data() + 0x72, &date, sizeof date);
                                         });
    EXPECT_EQ(open(file, kPassword).number, kBadPassword);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, JetPasswordDate,
    ::testing::Values(DateCase{"NaN", std::numeric_limits<double>::quiet_NaN()},
                      DateCase{"Infinity", std::numeric_limits<double>::infinity()},
                      DateCase{"Huge", 1e300}, DateCase{"HugeNegative", -1e300}, DateCase{"Zero", 0.0}),
    [](const ::testing::TestParamInfo<DateCase>& info) { return std::string(info.param.name); });

TEST(MsisamHeader, EncodedMoneyFileIsNamed)
{
    if (!corpusAvailable())
        GTEST_SKIP() << "corpus absent";
    const QByteArray file = editedHeader(corpusFile(QStringLiteral("jackcessencrypt--db-enc.mdb")),
                                         [](std::vector<std::uint8_t>&) {});
    QByteArray money = file;
    std::memcpy(money.data() + 4, "MSISAM Database", 15);
    check(open(money, QString()), {kUnsupported, "MSISAM"});
}

// ---- Random damage ---------------------------------------------------------------------

struct MutationCase {
    const char* name;
    std::function<QByteArray(const QByteArray&)> encrypt;
};

class RandomDamage : public ::testing::TestWithParam<MutationCase> {};

// Random bytes of the encryption header replaced, a few thousand times: whatever comes
// out is an error or a decoder, and a decoder decodes a page without fault.
TEST_P(RandomDamage, NeverCrashes)
{
    if (!corpusAvailable())
        GTEST_SKIP() << "corpus absent";
    const QByteArray encrypted = GetParam().encrypt(corpusFile(QString::fromLatin1(kAcePlain)));
    const auto header = unmaskedHeader(encrypted);
    const int infoLength = header[0x299] | (header[0x29A] << 8);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> where(0x299, 0x29B + infoLength - 1);
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < 2000; ++round) {
        const QByteArray damaged = editedHeader(encrypted, [&](std::vector<std::uint8_t>& h) {
            const int edits = 1 + static_cast<int>(rng() % 6);
            for (int i = 0; i < edits; ++i)
                h[static_cast<std::size_t>(where(rng))] = static_cast<std::uint8_t>(rng());
        });
        db::DbError error;
        const auto decoder = db::format::makePageDecoder(pageOf(damaged, 0), kPassword, error);
        ASSERT_NE(decoder != nullptr, error.isError());
        if (decoder) {
            std::vector<std::uint8_t> page(4096, 0xAB);
            decoder->decodePage(1, page);
            decoder->decodePage(0xFFFFFFFF, std::span(page).first(100)); // ragged, odd page number
        }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::minutes(2));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RandomDamage,
    ::testing::Values(MutationCase{"CryptoApi",
                                   [](const QByteArray& plain) {
                                       return encryptCryptoApiRc4(plain, kPassword, CryptoApiOptions{});
                                   }},
                      MutationCase{"Agile",
                                   [](const QByteArray& plain) {
                                       AgileOptions o;
                                       o.spinCount = 5;
                                       return encryptAgile(plain, kPassword, o);
                                   }}),
    [](const ::testing::TestParamInfo<MutationCase>& info) { return std::string(info.param.name); });

} // namespace

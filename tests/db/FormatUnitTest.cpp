// Small pieces of the format with exact expectations: text decoding, the header mask,
// and the date text of the dumps.

#include "db/JsonDump.h"
#include "db/format/Header.h"
#include "db/format/TextCodec.h"

#include <gtest/gtest.h>

using namespace quorvane::db;
using namespace quorvane::db::format;

namespace {

struct TextCase {
    const char* label;
    QByteArray stored;
    QString text;
};

class UnicodeText : public ::testing::TestWithParam<TextCase> {};

TEST_P(UnicodeText, Decodes)
{
    const QByteArray& b = GetParam().stored;
    EXPECT_EQ(TextCodec::decodeUnicode(ByteView(reinterpret_cast<const std::uint8_t*>(b.constData()),
                                                static_cast<std::size_t>(b.size()))),
              GetParam().text);
}

// The reader decodes each row's text into the string of the row before: nothing of
// the longer old text may survive, and a copy someone still holds must not change.
TEST_P(UnicodeText, DecodesIntoAStringInUse)
{
    const QByteArray& b = GetParam().stored;
    const ByteView view(reinterpret_cast<const std::uint8_t*>(b.constData()), static_cast<std::size_t>(b.size()));
    QString reused = QStringLiteral("an older and much longer value than any of the cases");
    const QString held = reused;
    TextCodec::decodeUnicodeInto(view, reused);
    EXPECT_EQ(reused, GetParam().text);
    EXPECT_EQ(held, QStringLiteral("an older and much longer value than any of the cases"));
    QString small = QStringLiteral("x");
    TextCodec::decodeUnicodeInto(view, small);
    EXPECT_EQ(small, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnicodeText,
    ::testing::Values(TextCase{"plain", QByteArray("a\0b\0", 4), QStringLiteral("ab")},
                      TextCase{"oddByteDropped", QByteArray("a\0b", 3), QStringLiteral("a")},
                      TextCase{"compressed", QByteArray("\xFF\xFEhello", 7), QStringLiteral("hello")},
                      TextCase{"compressedEmpty", QByteArray("\xFF\xFE", 2), QString()},
                      // one-byte run, switch, UTF-16 run (U+20AC), switch back, one-byte run
                      TextCase{"mixed", QByteArray("\xFF\xFE" "ab\0\xAC\x20\0cd", 10), QStringLiteral("ab\u20ACcd")},
                      TextCase{"truncatedUnit", QByteArray("\xFF\xFE" "a\0\xAC", 5), QStringLiteral("a")},
                      TextCase{"surrogatePair", QByteArray("\x3D\xD8\x00\xDE", 4), QString::fromUtf8("\xF0\x9F\x98\x80")}),
    [](const auto& info) { return std::string(info.param.label); });

// Every byte of a single-byte code page, in an order where each sits beside others,
// reads as the code page's decoder reads it; East Asian code pages keep the decoder.
class Jet3CodePage : public ::testing::TestWithParam<std::uint16_t> {};

TEST_P(Jet3CodePage, EveryByteReadsAsTheDecoderReadsIt)
{
    const std::uint16_t codePage = GetParam();
    QStringDecoder reference(QStringLiteral("windows-%1").arg(codePage).toLatin1().constData(),
                             QStringDecoder::Flag::Stateless);
    if (!reference.isValid())
        GTEST_SKIP() << "this Qt has no windows-" << codePage;
    QByteArray bytes;
    for (int i = 0; i < 512; ++i)
        bytes += static_cast<char>((i * 167 + 13) % 256);
    const TextCodec codec(JetVersion::Jet3, codePage);
    QString out = QStringLiteral("an older and much longer value than the one decoded into it, by far");
    const QString held = out;
    codec.decodeInto(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), 512), out);
    EXPECT_EQ(out, reference.decode(bytes));
    EXPECT_EQ(held, QStringLiteral("an older and much longer value than the one decoded into it, by far"));
}

INSTANTIATE_TEST_SUITE_P(CodePages, Jet3CodePage, ::testing::Values(874, 1250, 1251, 1253, 1254, 1255, 1256, 1257,
                                                                    1258, 932, 936));

TEST(Jet3Text, WesternCodePageAndUndefinedBytes)
{
    const TextCodec codec(JetVersion::Jet3, 1252);
    const QByteArray b("caf\xE9 \x80 \x81", 8);
    EXPECT_EQ(codec.decode(ByteView(reinterpret_cast<const std::uint8_t*>(b.constData()), 8)),
              QStringLiteral("caf\u00E9 \u20AC \uFFFD"));
}

struct DateCase {
    double days;
    const char* iso;
};

class OleDateText : public ::testing::TestWithParam<DateCase> {};

TEST_P(OleDateText, AsAccessShowsIt)
{
    EXPECT_EQ(oleDateToIso(GetParam().days).toStdString(), GetParam().iso);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OleDateText,
    ::testing::Values(DateCase{0.0, "1899-12-30T00:00"}, DateCase{-1.25, "1899-12-29T06:00"},
                      DateCase{-1.0, "1899-12-29T00:00"}, DateCase{2.5, "1900-01-01T12:00"},
                      DateCase{36526.0 + 0.5 / 86400.0, "2000-01-01T00:00:00.500"},
                      DateCase{0.99999999999, "1899-12-31T00:00"}, DateCase{-657434.0, "0100-01-01T00:00"},
                      DateCase{2958465.0, "9999-12-31T00:00"}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(ExtendedDateText, FractionOfSeconds)
{
    EXPECT_EQ(extendedDateToIso(ExtendedDate{737954, 818'123'456'789}).toStdString(), "2021-06-14T22:43:32.345678900");
    EXPECT_EQ(extendedDateToIso(ExtendedDate{0, 0}).toStdString(), "0001-01-01T00:00");
}

} // namespace

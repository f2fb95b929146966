#include "export/NumberText.h"
#include "export/TextEncoder.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <limits>

using namespace quorvane;
using namespace quorvane::exporter;

namespace {

struct DecimalCase {
    std::uint32_t hi, mid, lo;
    std::uint8_t scale;
    bool negative;
    const char* expected;
};

class DecimalText : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalText, ExactDigitsWithoutTrailingZeros)
{
    const DecimalCase& c = GetParam();
    db::Decimal d;
    d.hi = c.hi;
    d.mid = c.mid;
    d.lo = c.lo;
    d.scale = c.scale;
    d.negative = c.negative;
    std::string out;
    appendDecimalText(out, d, ",");
    EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, DecimalText,
    ::testing::Values(DecimalCase{0, 0, 0, 0, false, "0"}, DecimalCase{0, 0, 0, 4, true, "0"},
                      DecimalCase{0, 0, 19955, 1, false, "1995,5"}, DecimalCase{0, 0, 150000, 4, true, "-15"},
                      DecimalCase{0, 0, 5, 3, false, "0,005"},
                      // 2^64 - 1 and 2^64: either side of the 64-bit shortcut.
                      DecimalCase{0, 0xFFFFFFFFu, 0xFFFFFFFFu, 0, false, "18446744073709551615"},
                      DecimalCase{1, 0, 0, 0, false, "18446744073709551616"},
                      DecimalCase{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 28, false, "7,9228162514264337593543950335"},
                      DecimalCase{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0, true, "-79228162514264337593543950335"}));

TEST(CurrencyText, BothEndsOfTheRange)
{
    std::string out;
    appendCurrencyText(out, std::numeric_limits<std::int64_t>::max(), ".");
    out += '|';
    appendCurrencyText(out, -10000, ".");
    out += '|';
    appendCurrencyText(out, 1, ".");
    EXPECT_EQ(out, "922337203685477.5807|-1|0.0001");
}

// Text past the encoder's internal piece size, with quotes, non-ASCII characters and
// surrogate pairs spread over it, encodes as Qt's own UTF-8 encoder does.
TEST(TextEncoderTest, LongMixedTextMatchesQt)
{
    QString text;
    for (int i = 0; i < 900; ++i) {
        text += QStringLiteral("a\"\u00e9\u20ac");
        text += QString::fromUcs4(U"\U0001F600", 1);
    }
    const TextEncoder encoder;
    std::string plain;
    encoder.append(plain, text);
    EXPECT_EQ(QByteArray::fromStdString(plain), text.toUtf8());
    std::string doubled;
    encoder.append(doubled, text, true);
    QString expected = text;
    expected.replace(QLatin1String("\""), QLatin1String("\"\""));
    EXPECT_EQ(QByteArray::fromStdString(doubled), expected.toUtf8());
    EXPECT_EQ(encoder.decode(plain), text);
}

TEST(TextEncoderTest, LoneSurrogatesBecomeQuestionMarks)
{
    const QChar high(0xD83D);
    const QChar low(0xDE00);
    const QString text = QString(low) + QStringLiteral("x") + QString(high) + QString(high) + QString(low);
    std::string out;
    TextEncoder().append(out, text);
    EXPECT_EQ(out, "?x?\xf0\x9f\x98\x80");
}

} // namespace

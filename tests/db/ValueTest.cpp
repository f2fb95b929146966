#include "db/Value.h"

#include <gtest/gtest.h>

using namespace quorvane::db;

namespace {

struct DecimalCase {
    std::uint32_t hi, mid, lo;
    int scale;
    bool negative;
    const char* trimmed;
    const char* full;
};

class DecimalText : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalText, ExactDigits)
{
    const auto& c = GetParam();
    Decimal d{c.lo, c.mid, c.hi, static_cast<std::uint8_t>(c.scale), c.negative};
    EXPECT_EQ(d.toString(true).toStdString(), c.trimmed);
    EXPECT_EQ(d.toString(false).toStdString(), c.full);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecimalText,
    ::testing::Values(DecimalCase{0, 0, 0, 0, false, "0", "0"}, DecimalCase{0, 0, 0, 4, true, "0", "0.0000"},
                      DecimalCase{0, 0, 19955, 1, false, "1995.5", "1995.5"},
                      DecimalCase{0, 0, 199550, 2, true, "-1995.5", "-1995.50"},
                      DecimalCase{0, 0, 5, 3, false, "0.005", "0.005"},
                      // 2^96 - 1 = 79228162514264337593543950335 (29 digits, the widest magnitude)
                      DecimalCase{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 28, false, "7.9228162514264337593543950335",
                                  "7.9228162514264337593543950335"},
                      DecimalCase{0, 1, 0, 0, false, "4294967296", "4294967296"}));

TEST(GuidText, DataFieldsAreLittleEndian)
{
    Guid g;
    const std::uint8_t raw[16] = {0x40, 0xFC, 0x29, 0x6B, 0x47, 0xCA, 0x67, 0x10,
                                  0xB3, 0x1D, 0x00, 0xDD, 0x01, 0x06, 0x62, 0xDA};
    std::copy(std::begin(raw), std::end(raw), g.bytes.begin());
    EXPECT_EQ(g.toString(), QStringLiteral("{6B29FC40-CA47-1067-B31D-00DD010662DA}"));
}

TEST(ValueKinds, NullIsDistinctFromEmptyAndZero)
{
    EXPECT_TRUE(Value().isNull());
    EXPECT_FALSE(Value::text(QString()).isNull());
    EXPECT_FALSE(Value::longInt(0).isNull());
    EXPECT_NE(Value::integer(1), Value::longInt(1));
    EXPECT_EQ(Value::currency({15000}).kind(), ValueKind::Currency);
}

// A value refilled as text, whatever it held before, is text (Null becomes the empty
// string, not Null), and refilling it leaves earlier copies alone.
TEST(ValueKinds, TextToFillTurnsAnyValueIntoText)
{
    for (Value v : {Value(), Value::longInt(7), Value::text(QStringLiteral("old")), Value::dbl(1.5)}) {
        const Value before = v;
        v.textToFill() = QStringLiteral("new");
        EXPECT_EQ(v.kind(), ValueKind::Text);
        EXPECT_EQ(v.asText(), QStringLiteral("new"));
        EXPECT_EQ(before == v, false);
        Value empty = before;
        empty.textToFill().clear();
        EXPECT_FALSE(empty.isNull());
    }
}

} // namespace

namespace {

// A damaged file can claim any scale up to 255; the text must stay bounded and exact
// up to the largest scale kept.
TEST(DecimalText, OversizedScaleIsCutNotOverrun)
{
    Decimal d{5, 0, 0, 255, true};
    EXPECT_EQ(d.toString(true), QStringLiteral("-0.") + QString(29, QLatin1Char('0')) + QStringLiteral("5"));
    Decimal big{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 40, false};
    EXPECT_EQ(big.toString(false), QStringLiteral("0.") + QStringLiteral("0") + QStringLiteral("79228162514264337593543950335"));
}

} // namespace

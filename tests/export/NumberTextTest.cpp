#include "export/NumberText.h"
#include "export/TextEncoder.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

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

// Digits are counted from the bit length and written in runs of eight: every power of
// ten and the number below it, both signs, read as std::to_chars writes them.
TEST(IntegerText, EveryCountOfDigits)
{
    std::vector<std::int64_t> values = {0, std::numeric_limits<std::int64_t>::max(),
                                        std::numeric_limits<std::int64_t>::min()};
    for (std::int64_t p = 1;; p *= 10) {
        values.insert(values.end(), {p, p - 1, -p, 1 - p});
        if (p > std::numeric_limits<std::int64_t>::max() / 10)
            break;
    }
    for (const std::int64_t v : values) {
        char expected[24];
        char* end = std::to_chars(expected, expected + sizeof expected, v).ptr;
        std::string out = "x";
        appendIntegerText(out, v);
        EXPECT_EQ(out, "x" + std::string(expected, static_cast<std::size_t>(end - expected)));
    }
}

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

// Doubles and Singles whose shortest form is longer than 15 (7) digits are rounded from
// that form unless they lie too close to a half: the text must always be the exact
// value correctly rounded. Many values sit right at such halves on purpose.
TEST(FloatingText, LongFormsRoundAsTheExactValue)
{
    std::mt19937_64 rng(11);
    const auto parse = [](const std::string& text) {
        double v = 0;
        std::from_chars(text.data(), text.data() + text.size(), v);
        return v;
    };
    const auto check = [&](double value, int digits) {
        char shortest[64];
        const auto shortestEnd = digits == 7
            ? std::to_chars(shortest, shortest + sizeof shortest, static_cast<float>(value),
                            std::chars_format::scientific).ptr
            : std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::scientific).ptr;
        const char* const mantissaEnd = std::find(shortest, shortestEnd, 'e');
        if (std::count_if(static_cast<const char*>(shortest), mantissaEnd, [](char c) { return c >= '0' && c <= '9'; }) <= digits)
            return; // short forms are taken as they are
        std::string ours;
        appendFloatingText(ours, value, digits, ".");
        char exact[64];
        const auto end = digits == 7
            ? std::to_chars(exact, exact + sizeof exact, static_cast<float>(value), std::chars_format::scientific, 6).ptr
            : std::to_chars(exact, exact + sizeof exact, value, std::chars_format::scientific, 14).ptr;
        ASSERT_EQ(parse(ours), parse(std::string(exact, end))) << ours << " for " << value;
    };
    for (int i = 0; i < 100000; ++i) {
        const double wide = double(rng() >> 11) / double(1ull << (rng() % 60));
        check(wide, 15);
        check(static_cast<float>(wide), 7);
        const double half = (double(rng() % 100'000'000'000'000ull) + 0.5) * std::pow(10.0, int(rng() % 40) - 20);
        check(half, 15);
        check(std::nextafter(half, 0.0), 15);
        check(std::nextafter(half, 1e300), 15);
        const float halfSingle = float((double(rng() % 1'000'000) + 0.5) * std::pow(10.0, int(rng() % 20) - 10));
        check(halfSingle, 7);
        check(std::nextafter(halfSingle, 0.0f), 7);
        // Sixteenths from 1000 to 9999: exact halves in the eighth digit, ties to even.
        check(float(rng() % 144'000 + 16'000) / 16.0f, 7);
    }
    std::string carried;
    appendFloatingText(carried, 9.9999999999999995, 15, ".");
    EXPECT_EQ(carried, "10");
}

// Significant digits and the power of ten of the first one, from our text ("-1.5E+20",
// "0.0012", "300") or from std::to_chars' scientific form ("1.5e+20").
std::pair<std::string, int> splitDigits(const std::string& text)
{
    std::string digits;
    int exponent = 0;
    int pointAt = -1;
    std::size_t i = text[0] == '-' ? 1 : 0;
    for (; i < text.size() && text[i] != 'E' && text[i] != 'e'; ++i) {
        if (text[i] == '.')
            pointAt = static_cast<int>(digits.size());
        else
            digits += text[i];
    }
    if (i < text.size())
        exponent = std::stoi(text.substr(i + 1));
    if (pointAt < 0)
        pointAt = static_cast<int>(digits.size());
    const std::size_t first = std::min(digits.find_first_not_of('0'), digits.size() - 1);
    exponent += pointAt - 1 - static_cast<int>(first);
    digits.erase(0, first);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    return {digits, exponent};
}

// Values whose shortest form has at most 15 (7) digits are written in that form, the
// same digits std::to_chars finds, for every magnitude and for decimal-looking values.
// (Subnormal values are rounded from their exact value instead, as the cases above show.)
TEST(FloatingText, ShortFormsMatchTheShortestThatReadsBack)
{
    std::mt19937_64 rng(7);
    const auto check = [](double value, int digits) {
        const bool normal = digits == 7 ? std::isnormal(static_cast<float>(value)) : std::isnormal(value);
        if (!normal)
            return;
        char shortest[64];
        const auto end = digits == 7
            ? std::to_chars(shortest, shortest + sizeof shortest, static_cast<float>(value),
                            std::chars_format::scientific).ptr
            : std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::scientific).ptr;
        const auto expected = splitDigits(std::string(shortest, end));
        if (static_cast<int>(expected.first.size()) > digits)
            return;
        std::string ours;
        appendFloatingText(ours, value, digits, ".");
        ASSERT_EQ(splitDigits(ours), expected) << ours << " for " << std::string(shortest, end);
        ASSERT_EQ(ours[0] == '-', std::signbit(value)) << ours;
    };
    const double specials[] = {0.1 + 0.2, 1e15, 1e16, 9007199254740993.0, 9007199254740992.0, 1e22, 1e23,
                               1234.56, 0.3, 1e-5, 1e-8, 1e-9, 999999999999999.0, 99999999999999.99,
                               std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
                               std::numeric_limits<double>::denorm_min(), -0.0, 16777216.0, 3.4028234663852886e38};
    for (double v : specials) {
        check(v, 15);
        check(-v, 15);
        check(v, 7);
    }
    for (int i = 0; i < 60000; ++i) {
        const double bits = std::bit_cast<double>(rng());
        check(bits, 15);
        check(std::bit_cast<float>(static_cast<std::uint32_t>(rng())), 7);
        // Decimal-looking: up to 15 (7) digits at any power of ten the path serves and beyond.
        const int power = static_cast<int>(rng() % 70) - 35;
        const double decimal = double(rng() % 1'000'000'000'000'000ull) * std::pow(10.0, power - 15);
        check(decimal, 15);
        check(-std::nextafter(decimal, 0.0), 15);
        check(float(double(rng() % 10'000'000) * std::pow(10.0, power / 2 - 7)), 7);
    }
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

// ASCII is taken several units at a time: a quote or a character that is not ASCII at
// any place of a short text, alone or doubled, still comes out as Qt's encoder says.
TEST(TextEncoderTest, EveryPlaceOfAShortTextMatchesQt)
{
    const char16_t specials[] = {u'"', 0x7F, 0x80, 0xE9, 0x4E2D};
    const TextEncoder encoder;
    for (int length = 1; length <= 9; ++length) {
        for (int at = 0; at < length; ++at) {
            for (const char16_t special : specials) {
                QString text(length, QLatin1Char('x'));
                text[at] = QChar(special);
                QString doubled = text;
                doubled.replace(QLatin1String("\""), QLatin1String("\"\""));
                std::string plain;
                std::string quoted;
                encoder.append(plain, text);
                encoder.append(quoted, text, true);
                EXPECT_EQ(QByteArray::fromStdString(plain), text.toUtf8()) << length << ' ' << at;
                EXPECT_EQ(QByteArray::fromStdString(quoted), doubled.toUtf8()) << length << ' ' << at;
            }
        }
    }
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

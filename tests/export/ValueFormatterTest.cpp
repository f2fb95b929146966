#include "export/NumberText.h"
#include "export/ValueFormatter.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace quorvane;
using namespace quorvane::exporter;
using db::Value;

namespace {

struct TextCase {
    const char* name;
    Value value;
    const char* locale; // LC_ALL
    QString expected;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << c.name;
}

class ValueText : public ::testing::TestWithParam<TextCase> {};

TEST_P(ValueText, ShowsAsTheLocaleDoes)
{
    const TextCase& c = GetParam();
    const ValueFormatter formatter(TextLocale::fromNames(QString::fromLatin1(c.locale), QString::fromLatin1(c.locale)));
    EXPECT_EQ(formatter.text(c.value), c.expected);
}

db::OleDate ole(double days)
{
    return db::OleDate{days};
}

db::Guid sampleGuid()
{
    // {6B29FC40-CA47-1067-B31D-00DD010662DA} as stored: Data1..3 little-endian.
    return db::Guid{{0x40, 0xFC, 0x29, 0x6B, 0x47, 0xCA, 0x67, 0x10, 0xB3, 0x1D, 0x00, 0xDD, 0x01, 0x06, 0x62, 0xDA}};
}

db::Decimal decimal(std::uint32_t lo, std::uint8_t scale, bool negative = false)
{
    db::Decimal d;
    d.lo = lo;
    d.scale = scale;
    d.negative = negative;
    return d;
}

// 1948-12-08 is day 17875 after 1899-12-30; 10:30 is 0.4375 of a day.
constexpr double k1948 = 17875.0;

INSTANTIATE_TEST_SUITE_P(
    Kinds, ValueText,
    ::testing::Values(
        TextCase{"null", Value::null(), "C", QString()},
        TextCase{"text unchanged", Value::text(QStringLiteral("a,b \"c\"\r\nd")), "C",
                 QStringLiteral("a,b \"c\"\r\nd")},
        TextCase{"byte", Value::byte(255), "C", QStringLiteral("255")},
        TextCase{"integer negative", Value::integer(-32768), "C", QStringLiteral("-32768")},
        TextCase{"long", Value::longInt(333333333), "C", QStringLiteral("333333333")},
        TextCase{"bigint min", Value::bigInt(std::numeric_limits<std::int64_t>::min()), "C",
                 QStringLiteral("-9223372036854775808")},
        TextCase{"double plain", Value::dbl(444.555), "C", QStringLiteral("444.555")},
        TextCase{"double zero", Value::dbl(0.0), "C", QStringLiteral("0")},
        TextCase{"double de_DE", Value::dbl(-1.5), "de_DE", QStringLiteral("-1,5")},
        TextCase{"single 0.3", Value::single(0.3f), "C", QStringLiteral("0.3")},
        TextCase{"single seven digits", Value::single(1234567.0f), "C", QStringLiteral("1234567")},
        TextCase{"single exponent", Value::single(12345678.0f), "C", QStringLiteral("1.234568E+07")},
        TextCase{"currency", Value::currency({35000}), "C", QStringLiteral("3.5")},
        TextCase{"currency whole", Value::currency({0}), "C", QStringLiteral("0")},
        TextCase{"currency negative fraction", Value::currency({-1}), "C", QStringLiteral("-0.0001")},
        TextCase{"currency min", Value::currency({std::numeric_limits<std::int64_t>::min()}), "C",
                 QStringLiteral("-922337203685477.5808")},
        TextCase{"currency de_DE", Value::currency({12345600}), "de_DE", QStringLiteral("1234,56")},
        TextCase{"decimal", Value::decimal(decimal(19955, 1)), "C", QStringLiteral("1995.5")},
        TextCase{"decimal trailing zeros", Value::decimal(decimal(150000, 4, true)), "de_DE", QStringLiteral("-15")},
        TextCase{"yes", Value::boolean(true), "C", QStringLiteral("True")},
        TextCase{"no", Value::boolean(false), "de_DE", QStringLiteral("False")},
        TextCase{"guid", Value::guid(sampleGuid()), "C", QStringLiteral("{6B29FC40-CA47-1067-B31D-00DD010662DA}")},
        TextCase{"binary", Value::binary(QByteArray::fromHex("0a1bff00")), "C", QStringLiteral("0A1BFF00")},
        TextCase{"binary empty", Value::binary(QByteArray()), "C", QString()},
        TextCase{"complex", Value::complex({7, QStringLiteral("a.txt; b.txt")}), "C", QStringLiteral("a.txt; b.txt")},

        TextCase{"date en_US", Value::dateTime(ole(k1948 + 0.4375)), "en_US.UTF-8", QStringLiteral("12/8/1948 10:30:00 AM")},
        TextCase{"date C", Value::dateTime(ole(k1948 + 0.4375)), "C", QStringLiteral("1948-12-08 10:30:00")},
        TextCase{"date POSIX", Value::dateTime(ole(k1948 + 0.4375)), "POSIX", QStringLiteral("1948-12-08 10:30:00")},
        TextCase{"date de_DE", Value::dateTime(ole(k1948 + 0.4375)), "de_DE.UTF-8", QStringLiteral("08.12.1948 10:30:00")},
        TextCase{"date unknown locale", Value::dateTime(ole(k1948)), "xx_YY", QStringLiteral("1948-12-08")},
        TextCase{"midnight date only", Value::dateTime(ole(k1948)), "en_US", QStringLiteral("12/8/1948")},
        TextCase{"afternoon", Value::dateTime(ole(k1948 + 0.75)), "en_US", QStringLiteral("12/8/1948 6:00:00 PM")},
        TextCase{"noon", Value::dateTime(ole(k1948 + 0.5)), "en_US", QStringLiteral("12/8/1948 12:00:00 PM")},
        TextCase{"zero date shows time", Value::dateTime(ole(0.4375)), "en_US", QStringLiteral("10:30:00 AM")},
        TextCase{"zero value", Value::dateTime(ole(0.0)), "C", QStringLiteral("00:00:00")},
        TextCase{"before epoch", Value::dateTime(ole(-1.25)), "C", QStringLiteral("1899-12-29 06:00:00")},
        TextCase{"year 100 keeps four digits", Value::dateTime(ole(-657434.0)), "en_US", QStringLiteral("1/1/0100")},
        TextCase{"two-digit year pattern widened", Value::dateTime(ole(2958465.0)), "de_DE", QStringLiteral("31.12.9999")},
        TextCase{"rounds to the next day", Value::dateTime(ole(k1948 + 0.99999999)), "C", QStringLiteral("1948-12-09")},
        TextCase{"rounds past 9999", Value::dateTime(ole(2958465.999999999)), "C", QStringLiteral("10000-01-01")},
        TextCase{"rounds past 9999 en_US", Value::dateTime(ole(2958465.999999999)), "en_US", QStringLiteral("1/1/10000")},
        TextCase{"out of range falls back to the number", Value::dateTime(ole(1e300)), "C", QStringLiteral("1E+300")},
        TextCase{"leap day", Value::dateTime(ole(36585.0)), "C", QStringLiteral("2000-02-29")},

        TextCase{"extended with fraction", Value::dateTimeExtended({711468, 378001234500}), "C",
                 QStringLiteral("1948-12-08 10:30:00.12345")},
        TextCase{"extended midnight", Value::dateTimeExtended({0, 0}), "en_US", QStringLiteral("1/1/0001")},
        TextCase{"extended fraction de_DE", Value::dateTimeExtended({711468, 5}), "de_DE",
                 QStringLiteral("08.12.1948 00:00:00,0000005")}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return n;
    });

// One formatter shows days 2^10 and 2^14 apart, one after the other, and the zero date:
// each its own date and time, whatever it showed before.
TEST(DateText, DaysThatShareAPlaceKeepTheirOwnText)
{
    const ValueFormatter formatter(TextLocale::fromNames(QStringLiteral("C"), QStringLiteral("C")));
    const struct {
        double days;
        const char* expected;
    } cases[] = {
        {k1948 + 0.4375, "1948-12-08 10:30:00"}, {k1948 + 1024, "1951-09-28"},
        {k1948 + 16384.5, "1993-10-17 12:00:00"}, {k1948, "1948-12-08"},
        {-1024.25, "1897-03-11 06:00:00"}, {0.75, "18:00:00"}, {1024, "1902-10-20"}, {0.0, "00:00:00"},
    };
    for (int round = 0; round < 2; ++round) {
        for (const auto& c : cases)
            EXPECT_EQ(formatter.text(Value::dateTime(ole(c.days))), QString::fromLatin1(c.expected)) << c.days;
    }
}

struct FloatCase {
    double value;
    int digits;
    const char* expected;
};

class FloatingText : public ::testing::TestWithParam<FloatCase> {};

TEST_P(FloatingText, ShortestFormAsAccessShowsIt)
{
    std::string out;
    appendFloatingText(out, GetParam().value, GetParam().digits, ".");
    EXPECT_EQ(out, GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, FloatingText,
    ::testing::Values(FloatCase{1e300, 15, "1E+300"}, FloatCase{123456789012345678.0, 15, "1.23456789012346E+17"},
                      FloatCase{0.00001, 15, "1E-05"}, FloatCase{0.0001, 15, "0.0001"},
                      FloatCase{0.1, 15, "0.1"}, FloatCase{0.1 + 0.2, 15, "0.3"},
                      FloatCase{1.0 / 3.0, 15, "0.333333333333333"}, FloatCase{2.0 / 3.0, 15, "0.666666666666667"},
                      FloatCase{123456789012345.0, 15, "123456789012345"}, FloatCase{1e15, 15, "1E+15"},
                      FloatCase{-2.5e-7, 15, "-2.5E-07"}, FloatCase{100.0, 15, "100"},
                      FloatCase{-0.0, 15, "0"}, FloatCase{5e-324, 15, "4.94065645841247E-324"},
                      FloatCase{1.7976931348623157e308, 15, "1.79769313486232E+308"},
                      FloatCase{999999999999999.9, 15, "1E+15"}, FloatCase{3.14159274101257, 7, "3.141593"},
                      FloatCase{1e-5, 7, "1E-05"}, FloatCase{16777216.0, 7, "1.677722E+07"},
                      FloatCase{1e-45, 7, "1.401298E-45"}, FloatCase{2.2250738585072014e-308, 15, "2.2250738585072E-308"},
                      FloatCase{0.1f, 7, "0.1"}, FloatCase{9.999999e-5, 15, "9.999999E-05"},
                      FloatCase{std::numeric_limits<double>::infinity(), 15, "Infinity"},
                      FloatCase{-std::numeric_limits<double>::infinity(), 15, "-Infinity"},
                      FloatCase{std::nan(""), 15, "NaN"}));

TEST(FloatingTextSeparator, LocaleSeparatorAlsoInExponentForm)
{
    std::string out;
    appendFloatingText(out, 1.5e20, 15, ",");
    EXPECT_EQ(out, "1,5E+20");
}

} // namespace

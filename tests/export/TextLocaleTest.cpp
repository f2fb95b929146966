#include "export/TextLocale.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <map>

using namespace quorvane::exporter;

namespace {

struct EnvCase {
    const char* name;
    std::map<std::string, QString> env;
    QString date; // the short date pattern after resolution
    QString time; // the long time pattern
    QString point;
};

void PrintTo(const EnvCase& c, std::ostream* os)
{
    *os << c.name;
}

class FromEnvironment : public ::testing::TestWithParam<EnvCase> {};

// Resolved through QLocale's own data: none of these locales is installed here.
TEST_P(FromEnvironment, PicksTheCategoryTheCLibraryWould)
{
    const EnvCase& c = GetParam();
    const TextLocale locale = TextLocale::fromEnvironment([&](const char* name) {
        auto it = c.env.find(name);
        return it == c.env.end() ? QString() : it->second;
    });
    EXPECT_EQ(locale.shortDate().toString(), c.date);
    EXPECT_EQ(locale.longTime().toString(), c.time);
    EXPECT_EQ(locale.decimalSeparator(), c.point);
}

INSTANTIATE_TEST_SUITE_P(
    Variables, FromEnvironment,
    ::testing::Values(
        EnvCase{"nothing set", {}, "yyyy-MM-dd", "HH:mm:ss", "."},
        EnvCase{"C", {{"LANG", "C"}}, "yyyy-MM-dd", "HH:mm:ss", "."},
        EnvCase{"POSIX", {{"LC_ALL", "POSIX"}}, "yyyy-MM-dd", "HH:mm:ss", "."},
        EnvCase{"C.UTF-8", {{"LANG", "C.UTF-8"}}, "yyyy-MM-dd", "HH:mm:ss", "."},
        EnvCase{"en_US", {{"LANG", "en_US.UTF-8"}}, "M/d/yyyy", "h:mm:ss AP", "."},
        EnvCase{"de_DE", {{"LANG", "de_DE.UTF-8"}}, "dd.MM.yyyy", "HH:mm:ss", ","},
        EnvCase{"modifier", {{"LANG", "de_DE@euro"}}, "dd.MM.yyyy", "HH:mm:ss", ","},
        EnvCase{"LC_ALL wins", {{"LC_ALL", "en_US"}, {"LC_TIME", "de_DE"}, {"LC_NUMERIC", "de_DE"}, {"LANG", "de_DE"}},
                "M/d/yyyy", "h:mm:ss AP", "."},
        EnvCase{"empty LC_ALL is unset", {{"LC_ALL", ""}, {"LANG", "de_DE"}}, "dd.MM.yyyy", "HH:mm:ss", ","},
        EnvCase{"categories apart", {{"LC_TIME", "en_US"}, {"LC_NUMERIC", "de_DE"}, {"LANG", "C"}}, "M/d/yyyy",
                "h:mm:ss AP", ","},
        EnvCase{"time zone in parentheses dropped", {{"LANG", "fa_IR"}}, "yyyy/M/d", "H:mm:ss", "\u066B"},
        EnvCase{"time zone in front dropped", {{"LANG", "zh_CN"}}, "yyyy/M/d", "HH:mm:ss", "."},
        EnvCase{"quoted text kept", {{"LANG", "bg_BG"}}, "d.MM.yyyy' г.'", "H:mm:ss' ч.'", ","},
        EnvCase{"unknown name", {{"LANG", "xx_YY.UTF-8"}}, "yyyy-MM-dd", "HH:mm:ss", "."}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return n;
    });

struct PatternCase {
    const char* format;
    const char* expected; // for 2024-03-05 (a Tuesday) 07:08:09
};

class Pattern : public ::testing::TestWithParam<PatternCase> {};

TEST_P(Pattern, FormatsEveryField)
{
    CalendarNames names;
    const TextLocale c;
    names = c.names();
    CivilDateTime v = civilFromDays(19787); // 2024-03-05
    v.hour = 7;
    v.minute = 8;
    v.second = 9;
    QString out;
    DateTimePattern::parse(QString::fromUtf8(GetParam().format)).append(out, names, v);
    EXPECT_EQ(out, QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Letters, Pattern,
                         ::testing::Values(PatternCase{"d/M/yy", "5/3/24"}, PatternCase{"dd.MM.yyyy", "05.03.2024"},
                                           PatternCase{"ddd, MMM d", "Tue, Mar 5"},
                                           PatternCase{"dddd MMMM", "Tuesday March"},
                                           PatternCase{"h:mm:ss ap", "7:08:09 am"},
                                           PatternCase{"hh:mm AP", "07:08 AM"}, PatternCase{"HH'h'mm", "07h08"},
                                           PatternCase{"'It''s' H", "It's 7"}, PatternCase{"y", "y"}));

TEST(PatternHours, TwelveHourClockAroundMidnightAndNoon)
{
    const TextLocale c;
    const DateTimePattern p = DateTimePattern::parse(u"h AP");
    QString out;
    CivilDateTime v;
    for (int h : {0, 11, 12, 13, 23}) {
        v.hour = h;
        p.append(out, c.names(), v);
        out += QLatin1Char('|');
    }
    EXPECT_EQ(out, QStringLiteral("12 AM|11 AM|12 PM|1 PM|11 PM|"));
}

// The compiled form of a pattern writes what the pattern itself does, over days from the
// year 100 to 9999 (every month, weekday and day of the month) and times across the day
// (both halves, one and two digits), in languages whose names are long or not Latin. A
// template of numbers each shown once is also written straight from the day and the
// time, alone and joined to another.
struct CompiledCase {
    const char* locale;
    const char* format;
    bool direct = false;
    const char* joinedTo = "HH:mm:ss"; // for a direct text: another that shows the other numbers
};

void PrintTo(const CompiledCase& c, std::ostream* os)
{
    *os << c.locale << ' ' << c.format;
}

class CompiledPattern : public ::testing::TestWithParam<CompiledCase> {};

TEST_P(CompiledPattern, WritesWhatThePatternWrites)
{
    const QString localeName = QString::fromLatin1(GetParam().locale);
    const TextLocale locale = TextLocale::fromNames(localeName, localeName);
    const DateTimePattern pattern = DateTimePattern::parse(QString::fromUtf8(GetParam().format));
    const CompiledDateTimeText compiled = pattern.compile(locale.names());
    ASSERT_TRUE(compiled.applies());
    ASSERT_EQ(compiled.direct(), GetParam().direct);
    const DateTimePattern clock = DateTimePattern::parse(QString::fromUtf8(GetParam().joinedTo));
    const CompiledDateTimeText joined = CompiledDateTimeText::joined(compiled, ' ', clock.compile(locale.names()));
    ASSERT_EQ(joined.direct(), GetParam().direct);
    std::string expected(pattern.maxBytes(locale.names()), '\0');
    std::string written(compiled.maxBytes() + 16 + CompiledDateTimeText::kSlack, '\0');
    for (std::int64_t k = 0; k < 40'000; ++k) {
        const std::int64_t day = -657'434 + k * 90; // from 0100-01-01 to 9999-12-31
        const auto seconds = static_cast<std::uint32_t>(k * 7'919 % 86'400);
        CivilDateTime civil = civilFromDays(quorvane::db::kOleEpoch + day);
        quorvane::db::setTimeOfDaySeconds(civil, seconds);
        expected.resize(static_cast<std::size_t>(pattern.write(expected.data(), locale.names(), civil) - expected.data()));
        CompiledDateTimeText::Values values;
        CompiledDateTimeText::setDate(values, quorvane::db::civilDateFromDays(static_cast<std::int32_t>(quorvane::db::kOleEpoch + day)));
        CompiledDateTimeText::setTime(values, seconds);
        const char* const end = compiled.write(written.data(), values);
        ASSERT_EQ(std::string_view(written.data(), static_cast<std::size_t>(end - written.data())), expected)
            << "day " << day << ", second " << seconds;
        if (compiled.direct()) {
            const auto days = static_cast<std::int32_t>(quorvane::db::kOleEpoch + day);
            const char* const directEnd = compiled.write(written.data(), days, seconds);
            ASSERT_EQ(std::string_view(written.data(), static_cast<std::size_t>(directEnd - written.data())), expected)
                << "day " << day << ", second " << seconds;
            std::string time(clock.maxBytes(locale.names()), '\0');
            time.resize(static_cast<std::size_t>(clock.write(time.data(), locale.names(), civil) - time.data()));
            const char* const joinedEnd = joined.write(written.data(), days, seconds);
            ASSERT_EQ(std::string_view(written.data(), static_cast<std::size_t>(joinedEnd - written.data())),
                      expected + ' ' + time)
                << "day " << day << ", second " << seconds;
        }
        expected.resize(pattern.maxBytes(locale.names()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, CompiledPattern,
    ::testing::Values(CompiledCase{"C", "yyyy-MM-dd", true}, CompiledCase{"C", "HH:mm:ss", true, "dd.MM.yy"},
                      CompiledCase{"C", "MM/dd/yy hh:mm", true, "ss"}, CompiledCase{"C", "dd.MM.yyyy (dd)"},
                      CompiledCase{"en_US", "M/d/yyyy"}, CompiledCase{"en_US", "h:mm:ss AP"},
                      CompiledCase{"C", "ddd dd-MMM-yy hh 'o''clock' ap"},
                      CompiledCase{"de_DE", "dddd, d. MMMM yyyy H.m.s"},
                      CompiledCase{"ru_RU", "dddd d MMMM yyyy 'г.' Ap"},
                      CompiledCase{"ko_KR", "yy. M. d. ap h시 m분 s초"},
                      CompiledCase{"C", "'a literal longer than the bytes copied at once: 'd"}));

TEST(CompiledPatternMilliseconds, LeftToThePattern)
{
    const TextLocale c;
    EXPECT_FALSE(DateTimePattern::parse(u"HH:mm:ss.zzz").compile(c.names()).applies());
}

} // namespace

#pragma once

// Dates and times in a locale's pattern. Patterns use Qt's date/time format letters
// (d, dd, ddd, dddd, M .. MMMM, yy, yyyy, h, hh, H, HH, m, mm, s, ss, z, zzz, AP, ap, t,
// 'quoted text'), taken from QLocale once and formatted here by hand: QLocale's own
// formatting costs a QDateTime and a pattern parse per value.

#include "TextEncoder.h"

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::exporter {

// A point in the proleptic Gregorian calendar, plus a fraction of a second.
struct CivilDateTime {
    std::int64_t year = 1899;
    int month = 12;
    int day = 30;
    int dayOfWeek = 6; // 0 Sunday .. 6 Saturday
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::int32_t ticks = 0; // the fraction of the second in 100-nanosecond units

    bool isMidnight() const { return hour == 0 && minute == 0 && second == 0 && ticks == 0; }
};

// The day with number `days` counted from 1970-01-01.
CivilDateTime civilFromDays(std::int64_t days);

// An Access Date/Time: days since 1899-12-30, whose fraction is the time of day forwards
// also for negative values (-1.25 is 1899-12-29 06:00), rounded to the second. False
// for values outside the years 100 to 9999 Access can hold (and for NaN).
bool civilFromOleDate(double days, CivilDateTime& out, bool& zeroDatePart);

// A Date/Time Extended: days since 0001-01-01 and 100-nanosecond ticks of the day.
CivilDateTime civilFromExtended(std::int64_t days, std::int64_t ticks);

// The names a pattern may spell out, in a locale's language.
struct CalendarNames {
    std::array<QString, 12> monthsLong;
    std::array<QString, 12> monthsShort;
    std::array<QString, 7> daysLong;  // Sunday first
    std::array<QString, 7> daysShort;
    QString am = QStringLiteral("AM");
    QString pm = QStringLiteral("PM");
};

class DateTimePattern {
public:
    DateTimePattern() = default;
    static DateTimePattern parse(QStringView format);

    // Every year field becomes four digits: a two-digit year loses the century.
    void useFourDigitYears();
    // Drops time-zone fields with the blanks or parentheses around them.
    void removeTimeZone();

    // Appends `value` in the system code page; `fractionSeparator` (encoded) non-empty
    // puts the fraction of the second (trailing zeros cut, nothing when zero) right after
    // the seconds.
    void append(std::string& out, const CalendarNames& names, const CivilDateTime& value,
                std::string_view fractionSeparator = {}) const;
    // The same as text.
    void append(QString& out, const CalendarNames& names, const CivilDateTime& value,
                QStringView fractionSeparator = {}) const;

    // The pattern written back in Qt's letters (tests, diagnostics).
    QString toString() const;

private:
    enum class Field : std::uint8_t {
        Literal, Day, Day2, DayShortName, DayLongName, Month, Month2, MonthShortName, MonthLongName, Year,
        Hour, Hour2, Hour24, Hour24_2, Minute, Minute2, Second, Second2, Millis, Millis3,
        AmPmUpper, AmPmLower, AmPmAsIs, TimeZone,
    };
    struct Token {
        Field field = Field::Literal;
        QString text;      // for literals
        std::string bytes; // the literal encoded
    };
    void encodeLiterals();
    std::vector<Token> m_tokens;
    bool m_twelveHour = false;
    TextEncoder m_encoder;
};

} // namespace quorvane::exporter

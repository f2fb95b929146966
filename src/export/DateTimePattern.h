#pragma once

// Dates and times in a locale's pattern. Patterns use Qt's date/time format letters
// (d, dd, ddd, dddd, M .. MMMM, yy, yyyy, h, hh, H, HH, m, mm, s, ss, z, zzz, AP, ap, t,
// 'quoted text'), taken from QLocale once and formatted here by hand: QLocale's own
// formatting costs a QDateTime and a pattern parse per value.

#include "CompiledDateTimeText.h"
#include "TextEncoder.h"

#include "db/CivilTime.h"

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::exporter {

// The calendar fields come from the database layer's one conversion of Access dates.
using db::CivilDateTime;
using db::civilFromDays;
using db::civilFromExtended;
using db::civilFromOleDate;

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
    // The same written at `d`, which has room for maxBytes(names, the separator's size);
    // returns the end.
    char* write(char* d, const CalendarNames& names, const CivilDateTime& value,
                std::string_view fractionSeparator = {}) const;
    std::size_t maxBytes(const CalendarNames& names, std::size_t fractionSeparatorSize = 0) const;
    // Whether `c` can be part of what the pattern writes: in its literal text or in a
    // name it spells out (digits and separators aside).
    bool mayWrite(char16_t c, const CalendarNames& names) const;
    // The same as text.
    void append(QString& out, const CalendarNames& names, const CivilDateTime& value,
                QStringView fractionSeparator = {}) const;

    // The pattern made ready for `names` (for years 0 to 9999 and whole seconds); one that
    // does not apply when the pattern shows milliseconds.
    CompiledDateTimeText compile(const CalendarNames& names) const;

    // Whether a field shows part of the date (day, month, year, a day's name) or of the
    // time of day.
    bool showsDate() const;
    bool showsTimeOfDay() const;

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

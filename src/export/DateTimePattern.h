#pragma once

// Dates and times in a locale's pattern. Patterns use Qt's date/time format letters
// (d, dd, ddd, dddd, M .. MMMM, yy, yyyy, h, hh, H, HH, m, mm, s, ss, z, zzz, AP, ap, t,
// 'quoted text'), taken from QLocale once and formatted here by hand: QLocale's own
// formatting costs a QDateTime and a pattern parse per value.

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

// A pattern whose fields are all numbers of one width (yyyy, yy, MM, dd, HH, mm, ss; hh
// without AM/PM), as its text with the digits' places: written by copying the text whole
// and filling in two digits per field, no walk over the pattern per value. The C
// locale's "yyyy-MM-dd" and "HH:mm:ss" are such patterns, and so are many others.
class FixedDateTimeText {
public:
    // What the places hold, each below 100: values[kCentury] is the year's century.
    enum Value : std::uint8_t { kCentury, kYearOfCentury, kMonth, kDay, kHour, kMinute, kSecond, kValues };
    // The most the text may hold; write() stores that many bytes at `d`.
    static constexpr std::size_t kMaxBytes = 32;

    // Whether the pattern had that form (empty otherwise: no text, nothing to write).
    bool applies() const { return m_applies; }
    // Writes the pattern for `values` (see Value) at `d`, which has room for kMaxBytes;
    // returns the end of the text.
    char* write(char* d, const std::uint8_t* values) const;

private:
    friend class DateTimePattern;
    struct Place {
        std::uint8_t offset;
        std::uint8_t value;
    };
    char m_text[kMaxBytes] = {};
    std::uint8_t m_length = 0;
    std::uint8_t m_placeCount = 0;
    std::array<Place, 8> m_places{};
    bool m_applies = false;
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

    // The pattern as a FixedDateTimeText when it has that form (for values of years 0 to
    // 9999 and no fraction of a second).
    FixedDateTimeText fixedText() const;

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

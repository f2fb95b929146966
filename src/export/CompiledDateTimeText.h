#pragma once

// A date/time pattern made ready for one locale's names: its literal text and the names
// it may spell out encoded once, its fields reduced to a short list of steps over numbers
// worked out once per value. DateTimePattern::write walks the pattern's tokens and encodes
// names for every value; this is the form for the millions of values of an export.

#include "db/CivilTime.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::exporter {

class CompiledDateTimeText {
public:
    // The numbers a pattern's fields show, each below 100.
    enum Value : std::uint8_t {
        kCentury, kYearOfCentury, kMonth, kMonthIndex, kDay, kDayOfWeek,
        kHour, kHour12, kAfternoon, kMinute, kSecond, kValues
    };
    using Values = std::array<std::uint8_t, kValues>;
    // The date's values, for years 0 to 9999.
    static void setDate(Values& values, const db::CivilDate& date);
    // The time of day's values from seconds since midnight (below one day).
    static void setTime(Values& values, std::uint32_t seconds);

    // write() may store this many bytes past the end of the text it writes.
    static constexpr std::size_t kSlack = 32;

    // Whether the pattern could be compiled (not when it shows milliseconds).
    bool applies() const { return m_applies; }
    // The longest text written (kSlack aside).
    std::size_t maxBytes() const { return m_maxBytes; }
    // Writes the text for `values` at `d`, which has room for maxBytes() + kSlack; returns
    // the end of the text.
    char* write(char* d, const Values& values) const;

    // `first`, the byte `between` and `second` as one text, for a date and its time of
    // day written at once; it applies() only when both are in the template form and the
    // two fit in one.
    static CompiledDateTimeText joined(const CompiledDateTimeText& first, char between,
                                       const CompiledDateTimeText& second);

    // Whether the text is a template of two-digit numbers, each shown at most once: then
    // write(d, days, seconds) fills it in straight from a day and a time of day.
    bool direct() const { return m_direct; }
    // The text for `days` since 1970-01-01 (years 0 to 9999) and `seconds` since
    // midnight (below one day), the parts it does not show worked out and left out; the
    // room and the end as for write() above. Only when direct().
    char* write(char* d, std::int32_t days, std::uint32_t seconds) const;

private:
    friend class DateTimePattern;

    // A run of bytes in m_bytes, a literal or a name.
    struct Piece {
        std::uint16_t offset;
        std::uint16_t length;
    };
    enum class Step : std::uint8_t {
        Piece,     // m_pieces[first]
        Name,      // m_pieces[first + values[value]]
        Number,    // values[value], one or two digits
        TwoDigits, // values[value], two digits
    };
    struct Instruction {
        Step step;
        std::uint8_t value;
        std::uint16_t first;
    };

    // Builders for DateTimePattern::compile().
    void addText(const std::string& bytes);
    void addNames(const std::vector<std::string>& names, Value value);
    void addNumber(Value value, bool twoDigits);
    // Done: when every field is two digits wide and the text short, the template form.
    void finish();
    void addPiece(const std::string& bytes);

    std::string m_bytes; // the pieces, and kSlack bytes to spare for copies of a fixed size
    std::vector<Piece> m_pieces;
    std::vector<Instruction> m_steps;
    std::size_t m_maxBytes = 0;
    bool m_applies = false;

    // The template form: the whole text copied, two digits filled in per field.
    static constexpr std::size_t kTemplateBytes = kSlack;
    struct Place {
        std::uint8_t offset;
        std::uint8_t value;
    };
    bool m_isTemplate = false;
    std::array<char, kTemplateBytes> m_template{};
    std::uint8_t m_templateLength = 0;
    std::uint8_t m_placeCount = 0;
    std::array<Place, 8> m_places{};
    // For direct(): where each number goes in the template, or kNowhere, just past the
    // template's room (the text written has that much to spare) when it does not show.
    void placeNumbers();
    static constexpr std::uint8_t kNowhere = kTemplateBytes;
    bool m_direct = false;
    std::array<std::uint8_t, kValues> m_at{};
};

} // namespace quorvane::exporter

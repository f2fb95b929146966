#pragma once

// A field value as the text file shows it: Null as nothing, everything else as the
// user's locale shows it (see TextLocale), binary data as upper-case hexadecimal.
// Appended as bytes in the system's code page, straight onto the line being built.

#include "NumberText.h"
#include "TextEncoder.h"
#include "TextLocale.h"

#include "db/Value.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::exporter {

class ValueFormatter {
public:
    explicit ValueFormatter(TextLocale locale = TextLocale());

    // With `doubleQuotes` every '"' in the text is written twice (a quoted field).
    void append(std::string& out, const db::Value& value, bool doubleQuotes = false) const;
    QString text(const db::Value& value) const;

    // Writes `value` into `line` from `used` on: in place, the line lengthened first when
    // it has less than the value's longest text and `spare` bytes there (by `ahead` more,
    // so that short values do not each lengthen it). `spare` bytes stay free after what
    // was written; the line is longer than that (cut it to size at the end). Returns the
    // end of what was written.
    std::size_t writeInLine(std::string& line, std::size_t used, const db::Value& value, bool doubleQuotes,
                            std::size_t spare, std::size_t ahead) const;

    const TextLocale& locale() const { return m_locale; }
    const TextEncoder& encoder() const { return m_encoder; }

private:
    // Decimal, Replication ID, binary data, complex columns: appended.
    void appendOther(std::string& out, const db::Value& value, bool doubleQuotes) const;
    char* writeDateTime(char* d, const CivilDateTime& value, bool showDate, std::string_view fractionSeparator) const;
    char* writeOleDate(char* d, double days, bool doubleQuotes) const;
    char* writeDay(char* d, std::int64_t day) const;
    // Doubles each quote in [begin, end), which has room for that after it; returns the end.
    static char* doubleQuotesIn(char* begin, char* end);

    TextLocale m_locale;
    TextEncoder m_encoder;
    std::string m_point;
    std::string m_true;
    std::string m_false;
    std::size_t m_dateTimeRoom = 0;     // the most a Date/Time value writes
    std::size_t m_extendedDateRoom = 0; // the same for Date/Time Extended
    bool m_datesMayHoldQuotes = true;   // a quote in a pattern or a name
    // The short date and the long time made ready for Date/Time values, when they apply:
    // the date shows no time of day and the time no date, and both could be compiled.
    bool m_compiledDates = false;
    CompiledDateTimeText m_dateText;
    CompiledDateTimeText m_timeText;
};

} // namespace quorvane::exporter

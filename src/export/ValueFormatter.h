#pragma once

// A field value as the text file shows it: Null as nothing, everything else as the
// user's locale shows it (see TextLocale), binary data as upper-case hexadecimal.
// Appended as bytes in the system's code page, straight onto the line being built.

#include "NumberText.h"
#include "TextEncoder.h"
#include "TextLocale.h"

#include "db/Value.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>

namespace quorvane::exporter {

class ValueFormatter {
public:
    explicit ValueFormatter(TextLocale locale = TextLocale());

    // With `doubleQuotes` every '"' in the text is written twice (a quoted field).
    void append(std::string& out, const db::Value& value, bool doubleQuotes = false) const;
    QString text(const db::Value& value) const;

    // The most bytes writeInPlace() writes for `value`, quotes doubled; kAppended for the
    // values only append() writes (Decimal, Replication ID, binary data, complex columns).
    static constexpr std::size_t kAppended = std::numeric_limits<std::size_t>::max();
    std::size_t roomInPlace(const db::Value& value) const
    {
        const auto kind = static_cast<std::size_t>(value.kind());
        if (kind == static_cast<std::size_t>(db::ValueKind::Text))
            return TextEncoder::maxBytes(value.asText().size());
        // A value without a kind (left so by a failed assignment) reads the last entry.
        return m_room[std::min(kind, m_room.size() - 1)];
    }
    // Writes `value` at `d`, which has room for roomInPlace(value) (not kAppended); returns
    // the end.
    char* writeInPlace(char* d, const db::Value& value, bool doubleQuotes) const;

    const TextLocale& locale() const { return m_locale; }
    const TextEncoder& encoder() const { return m_encoder; }

private:
    // Decimal, Replication ID, binary data, complex columns: appended.
    void appendOther(std::string& out, const db::Value& value, bool doubleQuotes) const;
    char* writeDateTime(char* d, const CivilDateTime& value, bool showDate, std::string_view fractionSeparator) const;
    char* writeOleDate(char* d, double days, bool doubleQuotes) const;
    char* writeExtendedDate(char* d, const db::Value& value, bool doubleQuotes) const;
    char* writeDay(char* d, std::int64_t day) const;
    // Doubles each quote in [begin, end), which has room for that after it; returns the end.
    static char* doubleQuotesIn(char* begin, char* end);

    TextLocale m_locale;
    TextEncoder m_encoder;
    std::string m_point;
    std::string m_true;
    std::string m_false;
    // The two texts in blocks of a fixed size, copied whole, when they fit there.
    static constexpr std::size_t kTruthBlock = 16;
    bool m_truthInBlocks = false;
    std::array<char, kTruthBlock> m_trueBlock{};
    std::array<char, kTruthBlock> m_falseBlock{};
    std::size_t m_dateTimeRoom = 0;     // the most a Date/Time value writes
    std::size_t m_extendedDateRoom = 0; // the same for Date/Time Extended
    bool m_datesMayHoldQuotes = true;   // a quote in a pattern or a name
    // The short date and the long time made ready for Date/Time values, when they apply:
    // the date shows no time of day and the time no date, and both could be compiled.
    bool m_compiledDates = false;
    CompiledDateTimeText m_dateText;
    CompiledDateTimeText m_timeText;
    CompiledDateTimeText m_dateAndTime; // both with a space between, when that applies
    std::array<std::size_t, 17> m_room{}; // roomInPlace() by kind, text aside; kAppended last
};

// Only picks the writer, in the caller's loop: the dates, the longest of them, are kept
// out of line so that a number or a text does not pay for the registers they need.
Q_ALWAYS_INLINE char* ValueFormatter::writeInPlace(char* d, const db::Value& value, bool doubleQuotes) const
{
    using db::ValueKind;
    switch (value.kind()) {
    case ValueKind::Null: return d;
    case ValueKind::Text: return m_encoder.write(d, value.asText(), doubleQuotes);
    case ValueKind::Byte: return writeIntegerText(d, value.asByte());
    case ValueKind::Integer: return writeIntegerText(d, value.asInteger());
    case ValueKind::Long: return writeIntegerText(d, value.asLong());
    case ValueKind::BigInt: return writeIntegerText(d, value.asBigInt());
    case ValueKind::Single: return writeFloatingText(d, value.asSingle(), 7, m_point);
    case ValueKind::Double: return writeFloatingText(d, value.asDouble(), 15, m_point);
    case ValueKind::Currency: return writeCurrencyText(d, value.asCurrency().scaled, m_point);
    case ValueKind::DateTime: return writeOleDate(d, value.asDateTime().days, doubleQuotes);
    case ValueKind::DateTimeExtended: return writeExtendedDate(d, value, doubleQuotes);
    case ValueKind::Boolean: {
        // A copy of a fixed size, no call: every case here then ends in a call of its
        // own, and picking one costs no saving of registers.
        const std::string& text = value.asBoolean() ? m_true : m_false;
        if (!m_truthInBlocks)
            return std::copy(text.begin(), text.end(), d);
        std::memcpy(d, (value.asBoolean() ? m_trueBlock : m_falseBlock).data(), kTruthBlock);
        return d + text.size();
    }
    default: return d; // appended by appendOther()
    }
}

} // namespace quorvane::exporter

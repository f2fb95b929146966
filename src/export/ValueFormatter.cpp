#include "ValueFormatter.h"

#include "InPlace.h"
#include "NumberText.h"

#include <algorithm>
#include <cstring>

namespace quorvane::exporter {

ValueFormatter::ValueFormatter(TextLocale locale) : m_locale(std::move(locale))
{
    m_encoder.append(m_point, m_locale.decimalSeparator());
    m_encoder.append(m_true, m_locale.trueText());
    m_encoder.append(m_false, m_locale.falseText());
    m_dateText = m_locale.shortDate().compile(m_locale.names());
    m_timeText = m_locale.longTime().compile(m_locale.names());
    m_compiledDates = m_dateText.applies() && m_timeText.applies() && !m_locale.shortDate().showsTimeOfDay()
                      && !m_locale.longTime().showsDate();
    if (m_compiledDates)
        m_dateAndTime = CompiledDateTimeText::joined(m_dateText, ' ', m_timeText);
    m_datesMayHoldQuotes = m_locale.shortDate().mayWrite(u'"', m_locale.names())
                           || m_locale.longTime().mayWrite(u'"', m_locale.names());
    // A date's longest text, twice over when it may hold quotes to double. Every line is
    // sized for its values' longest texts first.
    const std::size_t dateRoom = m_locale.shortDate().maxBytes(m_locale.names()) + 1;
    const std::size_t quoteRoom = m_datesMayHoldQuotes ? 2 : 1;
    m_dateTimeRoom = quoteRoom
                     * std::max(kMaxFloatingText + m_point.size(),
                                dateRoom + m_locale.longTime().maxBytes(m_locale.names()));
    m_extendedDateRoom = quoteRoom * (dateRoom + m_locale.longTime().maxBytes(m_locale.names(), m_point.size()));
    // The compiled texts may store bytes to spare after each text.
    m_dateTimeRoom = std::max(m_dateTimeRoom, quoteRoom * (m_dateText.maxBytes() + 1 + m_timeText.maxBytes())
                                                  + CompiledDateTimeText::kSlack);

    using db::ValueKind;
    const auto room = [&](ValueKind kind, std::size_t bytes) { m_room[static_cast<std::size_t>(kind)] = bytes; };
    m_room.fill(kAppended);
    room(ValueKind::Null, 0);
    for (ValueKind kind : {ValueKind::Byte, ValueKind::Integer, ValueKind::Long, ValueKind::BigInt})
        room(kind, kMaxIntegerText);
    room(ValueKind::Single, kMaxFloatingText + m_point.size());
    room(ValueKind::Double, kMaxFloatingText + m_point.size());
    room(ValueKind::Currency, kMaxCurrencyText + m_point.size());
    room(ValueKind::DateTime, m_dateTimeRoom);
    room(ValueKind::DateTimeExtended, m_extendedDateRoom);
    m_truthInBlocks = m_true.size() <= kTruthBlock && m_false.size() <= kTruthBlock;
    if (m_truthInBlocks) {
        std::copy(m_true.begin(), m_true.end(), m_trueBlock.begin());
        std::copy(m_false.begin(), m_false.end(), m_falseBlock.begin());
    }
    room(ValueKind::Boolean, std::max({m_true.size(), m_false.size(), m_truthInBlocks ? kTruthBlock : 0}));
}

QString ValueFormatter::text(const db::Value& value) const
{
    std::string out;
    append(out, value);
    return m_encoder.decode(out);
}

char* ValueFormatter::doubleQuotesIn(char* begin, char* end)
{
    // A locale's pattern or names may hold a quote; digits never do, so this is rare.
    // The room reserved for a date is twice its longest text.
    const auto quotes = std::count(begin, end, '"');
    if (quotes == 0)
        return end;
    char* to = end + quotes;
    for (char* from = end; from != begin;) {
        const char c = *--from;
        *--to = c;
        if (c == '"')
            *--to = '"';
    }
    return end + quotes;
}

char* ValueFormatter::writeDateTime(char* d, const CivilDateTime& value, bool showDate,
                                    std::string_view fractionSeparator) const
{
    // The short date; a space and the long time when the time is not midnight; the time
    // alone for the zero date (30 December 1899).
    if (showDate) {
        d = m_locale.shortDate().write(d, m_locale.names(), value);
        if (!value.isMidnight())
            *d++ = ' ';
    }
    if (!showDate || !value.isMidnight())
        d = m_locale.longTime().write(d, m_locale.names(), value, fractionSeparator);
    return d;
}

namespace {

// The days Access can store run from years 100 to 9999; 10000-01-01 (the last second of
// 9999 rounded up) takes the long way.
constexpr std::int64_t kFirstDayOf10000 = 2'958'466;

// The values a compiled text shows for `day` (days since 1899-12-30, before
// kFirstDayOf10000).
void setDay(CompiledDateTimeText::Values& values, std::int64_t day)
{
    CompiledDateTimeText::setDate(values, db::civilDateFromDays(static_cast<std::int32_t>(db::kOleEpoch + day)));
}

} // namespace

char* ValueFormatter::writeDay(char* d, std::int64_t day) const
{
    if (day < kFirstDayOf10000) {
        if (m_dateText.direct())
            return m_dateText.write(d, static_cast<std::int32_t>(db::kOleEpoch + day), 0);
        CompiledDateTimeText::Values values;
        setDay(values, day);
        return m_dateText.write(d, values);
    }
    return m_locale.shortDate().write(d, m_locale.names(), civilFromDays(db::kOleEpoch + day));
}

Q_NEVER_INLINE char* ValueFormatter::writeOleDate(char* d, double days, bool doubleQuotes) const
{
    std::int64_t day = 0;
    std::int64_t seconds = 0;
    if (!db::splitOleDate(days, 86'400, day, seconds)) {
        // Outside the calendar Access knows: the stored number, rather than nothing.
        return writeFloatingText(d, days, 15, m_point);
    }
    char* const start = d;
    if (!m_compiledDates) {
        CivilDateTime civil = civilFromDays(db::kOleEpoch + day);
        db::setTimeOfDaySeconds(civil, static_cast<std::uint32_t>(seconds));
        d = writeDateTime(d, civil, day != 0, {});
    } else if (day != 0 && seconds != 0 && day < kFirstDayOf10000 && m_dateAndTime.applies()) {
        // The usual case: both in one text, filled in straight from the day and the time
        // when it is made of numbers only.
        if (m_dateAndTime.direct()) {
            d = m_dateAndTime.write(d, static_cast<std::int32_t>(db::kOleEpoch + day),
                                    static_cast<std::uint32_t>(seconds));
        } else {
            CompiledDateTimeText::Values values;
            setDay(values, day);
            CompiledDateTimeText::setTime(values, static_cast<std::uint32_t>(seconds));
            d = m_dateAndTime.write(d, values);
        }
    } else {
        // As writeDateTime, the date's text and the time's each from their own part.
        if (day != 0) {
            d = writeDay(d, day);
            if (seconds != 0)
                *d++ = ' ';
        }
        if (day == 0 || seconds != 0) {
            if (m_timeText.direct()) {
                d = m_timeText.write(d, 0, static_cast<std::uint32_t>(seconds));
            } else {
                CompiledDateTimeText::Values values;
                CompiledDateTimeText::setTime(values, static_cast<std::uint32_t>(seconds));
                d = m_timeText.write(d, values);
            }
        }
    }
    return doubleQuotes && m_datesMayHoldQuotes ? doubleQuotesIn(start, d) : d;
}

Q_NEVER_INLINE char* ValueFormatter::writeExtendedDate(char* d, const db::Value& value, bool doubleQuotes) const
{
    const db::ExtendedDate e = value.asDateTimeExtended();
    char* const end = writeDateTime(d, civilFromExtended(e.days, e.ticks), true, m_point);
    return doubleQuotes && m_datesMayHoldQuotes ? doubleQuotesIn(d, end) : end;
}

void ValueFormatter::append(std::string& out, const db::Value& value, bool doubleQuotes) const
{
    const std::size_t room = roomInPlace(value);
    if (room == kAppended) {
        appendOther(out, value, doubleQuotes);
        return;
    }
    appendInPlace(out, room, [&](char* d) { return writeInPlace(d, value, doubleQuotes); });
}

void ValueFormatter::appendOther(std::string& out, const db::Value& value, bool doubleQuotes) const
{
    using db::ValueKind;
    switch (value.kind()) {
    case ValueKind::Decimal:
        appendDecimalText(out, value.asDecimal(), m_point);
        return;
    case ValueKind::Guid:
        m_encoder.append(out, value.asGuid().toString());
        return;
    case ValueKind::Binary: {
        static const char kHex[] = "0123456789ABCDEF";
        const QByteArray& bytes = value.asBinary();
        const std::size_t start = out.size();
        out.resize(start + static_cast<std::size_t>(bytes.size()) * 2);
        char* p = out.data() + start;
        for (char c : bytes) {
            const auto b = static_cast<unsigned char>(c);
            *p++ = kHex[b >> 4];
            *p++ = kHex[b & 0xF];
        }
        return;
    }
    case ValueKind::Complex:
        m_encoder.append(out, value.asComplex().display, doubleQuotes);
        return;
    default: // written in place by writeInPlace()
        return;
    }
}

} // namespace quorvane::exporter

#include "ValueFormatter.h"

#include "NumberText.h"

#include <algorithm>
#include <cstring>

namespace quorvane::exporter {

ValueFormatter::ValueFormatter(TextLocale locale) : m_locale(std::move(locale))
{
    m_encoder.append(m_point, m_locale.decimalSeparator());
    m_encoder.append(m_true, m_locale.trueText());
    m_encoder.append(m_false, m_locale.falseText());
    // A date's longest text, twice over for quotes doubled in it.
    const std::size_t dateRoom = m_locale.shortDate().maxBytes(m_locale.names()) + 1;
    m_dateTimeRoom =
        2 * std::max(kMaxFloatingText + m_point.size(), dateRoom + m_locale.longTime().maxBytes(m_locale.names()));
    m_extendedDateRoom = 2 * (dateRoom + m_locale.longTime().maxBytes(m_locale.names(), m_point.size()));
    m_dateText = m_locale.shortDate().compile(m_locale.names());
    m_timeText = m_locale.longTime().compile(m_locale.names());
    m_compiledDates = m_dateText.applies() && m_timeText.applies() && !m_locale.shortDate().showsTimeOfDay()
                      && !m_locale.longTime().showsDate();
    // Those may store bytes to spare after each text.
    m_dateTimeRoom = std::max(m_dateTimeRoom, 2 * (m_dateText.maxBytes() + 1 + m_timeText.maxBytes())
                                                  + CompiledDateTimeText::kSlack);
    m_datesMayHoldQuotes = m_locale.shortDate().mayWrite(u'"', m_locale.names())
                           || m_locale.longTime().mayWrite(u'"', m_locale.names());
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

char* ValueFormatter::writeDay(char* d, std::int64_t day) const
{
    // A day Access can store, years 100 to 9999; 10000-01-01 (the last second of 9999
    // rounded up) takes the long way.
    constexpr std::int64_t kFirstDayOf10000 = 2'958'466;
    if (day < kFirstDayOf10000) {
        CompiledDateTimeText::Values values;
        CompiledDateTimeText::setDate(values, db::civilDateFromDays(static_cast<std::int32_t>(db::kOleEpoch + day)));
        return m_dateText.write(d, values);
    }
    return m_locale.shortDate().write(d, m_locale.names(), civilFromDays(db::kOleEpoch + day));
}

char* ValueFormatter::writeOleDate(char* d, double days, bool doubleQuotes) const
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
    } else {
        // As writeDateTime, the date's text and the time's each from their own part.
        if (day != 0) {
            d = writeDay(d, day);
            if (seconds != 0)
                *d++ = ' ';
        }
        if (day == 0 || seconds != 0) {
            CompiledDateTimeText::Values values;
            CompiledDateTimeText::setTime(values, static_cast<std::uint32_t>(seconds));
            d = m_timeText.write(d, values);
        }
    }
    return doubleQuotes && m_datesMayHoldQuotes ? doubleQuotesIn(start, d) : d;
}

std::size_t ValueFormatter::writeInLine(std::string& line, std::size_t used, const db::Value& value,
                                        bool doubleQuotes, std::size_t spare, std::size_t ahead) const
{
    using db::ValueKind;
    const auto at = [&](std::size_t room) {
        if (line.size() - used < room + spare)
            line.resize(used + room + spare + ahead);
        return line.data() + used;
    };
    const auto endOf = [&](const char* end) { return static_cast<std::size_t>(end - line.data()); };
    switch (value.kind()) {
    case ValueKind::Null: return endOf(at(0));
    case ValueKind::Text: {
        const QString& text = value.asText();
        return endOf(m_encoder.write(at(TextEncoder::maxBytes(text.size())), text, doubleQuotes));
    }
    case ValueKind::Byte: return endOf(writeIntegerText(at(kMaxIntegerText), value.asByte()));
    case ValueKind::Integer: return endOf(writeIntegerText(at(kMaxIntegerText), value.asInteger()));
    case ValueKind::Long: return endOf(writeIntegerText(at(kMaxIntegerText), value.asLong()));
    case ValueKind::BigInt: return endOf(writeIntegerText(at(kMaxIntegerText), value.asBigInt()));
    case ValueKind::Single:
        return endOf(writeFloatingText(at(kMaxFloatingText + m_point.size()), value.asSingle(), 7, m_point));
    case ValueKind::Double:
        return endOf(writeFloatingText(at(kMaxFloatingText + m_point.size()), value.asDouble(), 15, m_point));
    case ValueKind::Currency:
        return endOf(writeCurrencyText(at(kMaxCurrencyText + m_point.size()), value.asCurrency().scaled, m_point));
    case ValueKind::DateTime: return endOf(writeOleDate(at(m_dateTimeRoom), value.asDateTime().days, doubleQuotes));
    case ValueKind::DateTimeExtended: {
        const db::ExtendedDate e = value.asDateTimeExtended();
        char* const start = at(m_extendedDateRoom);
        char* const end = writeDateTime(start, civilFromExtended(e.days, e.ticks), true, m_point);
        return endOf(doubleQuotes && m_datesMayHoldQuotes ? doubleQuotesIn(start, end) : end);
    }
    case ValueKind::Boolean: {
        const std::string& text = value.asBoolean() ? m_true : m_false;
        char* const d = at(text.size());
        std::memcpy(d, text.data(), text.size());
        return endOf(d + text.size());
    }
    default: {
        line.resize(used);
        appendOther(line, value, doubleQuotes);
        const std::size_t end = line.size();
        line.resize(end + spare + ahead);
        return end;
    }
    }
}

void ValueFormatter::append(std::string& out, const db::Value& value, bool doubleQuotes) const
{
    out.resize(writeInLine(out, out.size(), value, doubleQuotes, 0, 0));
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
    default: // written in place by writeInLine()
        return;
    }
}

} // namespace quorvane::exporter

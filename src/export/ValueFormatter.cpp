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
    m_dayTextsApply = !m_locale.shortDate().showsTimeOfDay() && !m_locale.longTime().showsDate();
}

QString ValueFormatter::text(const db::Value& value) const
{
    std::string out;
    append(out, value);
    return m_encoder.decode(out);
}

void ValueFormatter::doubleQuotesFrom(std::string& out, std::size_t start) const
{
    // A locale's pattern or names may hold a quote; digits never do, so this is rare.
    const std::size_t quote = out.find('"', start);
    if (quote == std::string::npos)
        return;
    m_scratch.assign(out, quote);
    out.resize(quote);
    for (char c : m_scratch) {
        out += c;
        if (c == '"')
            out += '"';
    }
}

void ValueFormatter::appendDateTime(std::string& out, const CivilDateTime& value, bool showDate,
                                    std::string_view fractionSeparator, bool doubleQuotes) const
{
    // The short date; a space and the long time when the time is not midnight; the time
    // alone for the zero date (30 December 1899).
    const std::size_t start = out.size();
    if (showDate) {
        m_locale.shortDate().append(out, m_locale.names(), value);
        if (!value.isMidnight())
            out += ' ';
    }
    if (!showDate || !value.isMidnight())
        m_locale.longTime().append(out, m_locale.names(), value, fractionSeparator);
    if (doubleQuotes)
        doubleQuotesFrom(out, start);
}

void ValueFormatter::appendDay(std::string& out, std::int64_t day) const
{
    if (m_dayTexts.empty())
        m_dayTexts.resize(kDayTexts);
    DayText& cached = m_dayTexts[static_cast<std::uint64_t>(day) % kDayTexts];
    if (cached.day == day) {
        out.append(cached.text, cached.length);
        return;
    }
    const std::size_t start = out.size();
    m_locale.shortDate().append(out, m_locale.names(), civilFromDays(db::kOleEpoch + day));
    const std::size_t length = out.size() - start;
    if (length <= sizeof cached.text) { // long month names are not kept
        cached.day = static_cast<std::int32_t>(day);
        cached.length = static_cast<std::uint8_t>(length);
        std::copy_n(out.data() + start, length, cached.text);
    }
}

void ValueFormatter::appendOleDate(std::string& out, double days, bool doubleQuotes) const
{
    std::int64_t day = 0;
    std::int64_t seconds = 0;
    if (!db::oleDateParts(days, day, seconds)) {
        // Outside the calendar Access knows: the stored number, rather than nothing.
        appendFloatingText(out, days, 15, m_point);
        return;
    }
    if (!m_dayTextsApply) {
        CivilDateTime civil = civilFromDays(db::kOleEpoch + day);
        db::setTimeOfDay(civil, seconds * db::kTicksPerSecond);
        appendDateTime(out, civil, day != 0, {}, doubleQuotes);
        return;
    }
    // As appendDateTime, with the date's text taken from the table.
    const std::size_t start = out.size();
    if (day != 0) {
        appendDay(out, day);
        if (seconds != 0)
            out += ' ';
    }
    if (day == 0 || seconds != 0) {
        CivilDateTime time;
        db::setTimeOfDay(time, seconds * db::kTicksPerSecond);
        m_locale.longTime().append(out, m_locale.names(), time);
    }
    if (doubleQuotes)
        doubleQuotesFrom(out, start);
}

char* ValueFormatter::write(char* d, const db::Value& value, bool doubleQuotes) const
{
    using db::ValueKind;
    switch (value.kind()) {
    case ValueKind::Text: return m_encoder.write(d, value.asText(), doubleQuotes);
    case ValueKind::Byte: return writeIntegerText(d, value.asByte());
    case ValueKind::Integer: return writeIntegerText(d, value.asInteger());
    case ValueKind::Long: return writeIntegerText(d, value.asLong());
    case ValueKind::BigInt: return writeIntegerText(d, value.asBigInt());
    case ValueKind::Single: return writeFloatingText(d, value.asSingle(), 7, m_point);
    case ValueKind::Double: return writeFloatingText(d, value.asDouble(), 15, m_point);
    case ValueKind::Currency: return writeCurrencyText(d, value.asCurrency().scaled, m_point);
    case ValueKind::Boolean: {
        const std::string& text = value.asBoolean() ? m_true : m_false;
        std::memcpy(d, text.data(), text.size());
        return d + text.size();
    }
    default: return d; // Null, and the kinds append() writes
    }
}

void ValueFormatter::append(std::string& out, const db::Value& value, bool doubleQuotes) const
{
    using db::ValueKind;
    if (const std::size_t room = inPlaceRoom(value); room != kAppendOnly) {
        if (room == 0)
            return;
        const std::size_t start = out.size();
        out.resize(start + room);
        char* end = write(out.data() + start, value, doubleQuotes);
        out.resize(static_cast<std::size_t>(end - out.data()));
        return;
    }
    switch (value.kind()) {
    case ValueKind::Null:
    case ValueKind::Byte:
    case ValueKind::Integer:
    case ValueKind::Long:
    case ValueKind::BigInt:
    case ValueKind::Single:
    case ValueKind::Double:
    case ValueKind::Currency:
    case ValueKind::Boolean:
        return; // written above
    case ValueKind::Text:
        m_encoder.append(out, value.asText(), doubleQuotes);
        return;
    case ValueKind::Decimal:
        appendDecimalText(out, value.asDecimal(), m_point);
        return;
    case ValueKind::DateTime:
        appendOleDate(out, value.asDateTime().days, doubleQuotes);
        return;
    case ValueKind::DateTimeExtended: {
        const db::ExtendedDate d = value.asDateTimeExtended();
        appendDateTime(out, civilFromExtended(d.days, d.ticks), true, m_point, doubleQuotes);
        return;
    }
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
    }
}

} // namespace quorvane::exporter

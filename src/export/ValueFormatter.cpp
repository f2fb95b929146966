#include "ValueFormatter.h"

#include "NumberText.h"

namespace quorvane::exporter {

ValueFormatter::ValueFormatter(TextLocale locale) : m_locale(std::move(locale))
{
    m_encoder.append(m_point, m_locale.decimalSeparator());
    m_encoder.append(m_true, m_locale.trueText());
    m_encoder.append(m_false, m_locale.falseText());
}

QString ValueFormatter::text(const db::Value& value) const
{
    std::string out;
    append(out, value);
    return m_encoder.decode(out);
}

void ValueFormatter::appendDateTime(std::string& out, const CivilDateTime& value, bool showDate,
                                    std::string_view fractionSeparator, bool doubleQuotes) const
{
    // The short date; a space and the long time when the time is not midnight; the time
    // alone for the zero date (30 December 1899). A locale's pattern may hold a quote.
    std::string& text = doubleQuotes ? m_scratch : out;
    if (doubleQuotes)
        text.clear();
    if (showDate) {
        m_locale.shortDate().append(text, m_locale.names(), value);
        if (!value.isMidnight())
            text += ' ';
    }
    if (!showDate || !value.isMidnight())
        m_locale.longTime().append(text, m_locale.names(), value, fractionSeparator);
    if (doubleQuotes) {
        for (char c : m_scratch) {
            out += c;
            if (c == '"')
                out += '"';
        }
    }
}

void ValueFormatter::append(std::string& out, const db::Value& value, bool doubleQuotes) const
{
    using db::ValueKind;
    switch (value.kind()) {
    case ValueKind::Null:
        return;
    case ValueKind::Text:
        m_encoder.append(out, value.asText(), doubleQuotes);
        return;
    case ValueKind::Byte:
        appendIntegerText(out, value.asByte());
        return;
    case ValueKind::Integer:
        appendIntegerText(out, value.asInteger());
        return;
    case ValueKind::Long:
        appendIntegerText(out, value.asLong());
        return;
    case ValueKind::BigInt:
        appendIntegerText(out, value.asBigInt());
        return;
    case ValueKind::Single:
        appendFloatingText(out, value.asSingle(), 7, m_point);
        return;
    case ValueKind::Double:
        appendFloatingText(out, value.asDouble(), 15, m_point);
        return;
    case ValueKind::Currency:
        appendCurrencyText(out, value.asCurrency().scaled, m_point);
        return;
    case ValueKind::Decimal:
        appendDecimalText(out, value.asDecimal(), m_point);
        return;
    case ValueKind::DateTime: {
        CivilDateTime civil;
        bool zeroDate = false;
        if (civilFromOleDate(value.asDateTime().days, civil, zeroDate))
            appendDateTime(out, civil, !zeroDate, {}, doubleQuotes);
        else // outside the calendar Access knows: the stored number, rather than nothing
            appendFloatingText(out, value.asDateTime().days, 15, m_point);
        return;
    }
    case ValueKind::DateTimeExtended: {
        const db::ExtendedDate d = value.asDateTimeExtended();
        appendDateTime(out, civilFromExtended(d.days, d.ticks), true, m_point, doubleQuotes);
        return;
    }
    case ValueKind::Boolean:
        out += value.asBoolean() ? m_true : m_false;
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
    }
}

} // namespace quorvane::exporter

#include "ValueFormatter.h"

#include "NumberText.h"

namespace quorvane::exporter {

ValueFormatter::ValueFormatter(TextLocale locale) : m_locale(std::move(locale)) {}

QString ValueFormatter::text(const db::Value& value) const
{
    QString out;
    append(out, value);
    return out;
}

void ValueFormatter::appendDateTime(QString& out, const CivilDateTime& value, bool showDate,
                                    QStringView fractionSeparator) const
{
    // The short date; a space and the long time when the time is not midnight; the time
    // alone for the zero date (30 December 1899).
    if (showDate) {
        m_locale.shortDate().append(out, m_locale.names(), value);
        if (value.isMidnight())
            return;
        out += QLatin1Char(' ');
    }
    m_locale.longTime().append(out, m_locale.names(), value, fractionSeparator);
}

void ValueFormatter::append(QString& out, const db::Value& value) const
{
    using db::ValueKind;
    const QString& point = m_locale.decimalSeparator();
    switch (value.kind()) {
    case ValueKind::Null:
        return;
    case ValueKind::Text:
        out += value.asText();
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
        appendFloatingText(out, value.asSingle(), 7, point);
        return;
    case ValueKind::Double:
        appendFloatingText(out, value.asDouble(), 15, point);
        return;
    case ValueKind::Currency:
        appendCurrencyText(out, value.asCurrency().scaled, point);
        return;
    case ValueKind::Decimal: {
        QString digits = value.asDecimal().toString(true);
        if (point != QLatin1String("."))
            digits.replace(QLatin1Char('.'), point);
        out += digits;
        return;
    }
    case ValueKind::DateTime: {
        CivilDateTime civil;
        bool zeroDate = false;
        if (civilFromOleDate(value.asDateTime().days, civil, zeroDate))
            appendDateTime(out, civil, !zeroDate, {});
        else // outside the calendar Access knows: the stored number, rather than nothing
            appendFloatingText(out, value.asDateTime().days, 15, point);
        return;
    }
    case ValueKind::DateTimeExtended: {
        const db::ExtendedDate d = value.asDateTimeExtended();
        appendDateTime(out, civilFromExtended(d.days, d.ticks), true, point);
        return;
    }
    case ValueKind::Boolean:
        out += value.asBoolean() ? m_locale.trueText() : m_locale.falseText();
        return;
    case ValueKind::Guid:
        out += value.asGuid().toString();
        return;
    case ValueKind::Binary: {
        static const char kHex[] = "0123456789ABCDEF";
        const QByteArray& bytes = value.asBinary();
        const qsizetype start = out.size();
        out.resize(start + bytes.size() * 2);
        QChar* p = out.data() + start;
        for (char c : bytes) {
            const auto b = static_cast<unsigned char>(c);
            *p++ = QLatin1Char(kHex[b >> 4]);
            *p++ = QLatin1Char(kHex[b & 0xF]);
        }
        return;
    }
    case ValueKind::Complex:
        out += value.asComplex().display;
        return;
    }
}

} // namespace quorvane::exporter

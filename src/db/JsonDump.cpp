#include "JsonDump.h"

#include "CivilTime.h"


#include <charconv>
#include <cmath>

namespace quorvane::db {

namespace {

void appendNumber(QByteArray& out, double v)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, res.ptr - buf);
}

void appendNumber(QByteArray& out, float v)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, res.ptr - buf);
}

void appendInteger(QByteArray& out, qint64 v)
{
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, res.ptr - buf);
}

// "1948-12-08T10:30"; seconds only when they or a fraction are set; the fraction's first
// `digits` digits (of seven).
QString isoText(const CivilDateTime& t, int digits)
{
    QString s = QStringLiteral("%1-%2-%3T%4:%5")
                    .arg(t.year, 4, 10, QLatin1Char('0'))
                    .arg(t.month, 2, 10, QLatin1Char('0'))
                    .arg(t.day, 2, 10, QLatin1Char('0'))
                    .arg(t.hour, 2, 10, QLatin1Char('0'))
                    .arg(t.minute, 2, 10, QLatin1Char('0'));
    if (t.second != 0 || t.ticks != 0)
        s += QStringLiteral(":%1").arg(t.second, 2, 10, QLatin1Char('0'));
    if (t.ticks != 0) {
        QString fraction = QStringLiteral("%1").arg(t.ticks, 7, 10, QLatin1Char('0'));
        fraction.resize(digits, QLatin1Char('0'));
        s += QLatin1Char('.') + fraction;
    }
    return s;
}

} // namespace

QString oleDateToIso(double days)
{
    CivilDateTime civil;
    bool zeroDate = false;
    if (!civilFromOleDate(days, civil, zeroDate, kTicksPerMillisecond))
        return QStringLiteral("invalid");
    return isoText(civil, 3);
}

QString extendedDateToIso(const ExtendedDate& date)
{
    // Nanoseconds, as the dumps of the independent reader show them.
    return isoText(civilFromExtended(date.days, date.ticks), 9);
}

void appendJsonString(QByteArray& out, const QString& text)
{
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 0xF];
            } else {
                out += ch;
            }
        }
    }
    out += '"';
}

void appendJsonValue(QByteArray& out, const Value& v)
{
    static const char kHex[] = "0123456789ABCDEF";
    switch (v.kind()) {
    case ValueKind::Null: out += "null"; return;
    case ValueKind::Boolean: out += v.asBoolean() ? "true" : "false"; return;
    case ValueKind::Byte: out += '"'; appendInteger(out, v.asByte()); out += '"'; return;
    case ValueKind::Integer: out += '"'; appendInteger(out, v.asInteger()); out += '"'; return;
    case ValueKind::Long: out += '"'; appendInteger(out, v.asLong()); out += '"'; return;
    case ValueKind::BigInt: out += '"'; appendInteger(out, v.asBigInt()); out += '"'; return;
    case ValueKind::Single: out += "\"f:"; appendNumber(out, v.asSingle()); out += '"'; return;
    case ValueKind::Double: out += "\"d:"; appendNumber(out, v.asDouble()); out += '"'; return;
    case ValueKind::Currency: {
        // Exact: the scaled integer as a decimal with four places.
        appendJsonString(out, Decimal::fromCurrency(v.asCurrency()).toString(false));
        return;
    }
    case ValueKind::Decimal: appendJsonString(out, v.asDecimal().toString(true)); return;
    case ValueKind::DateTime:
        appendJsonString(out, QStringLiteral("t:") + oleDateToIso(v.asDateTime().days));
        return;
    case ValueKind::DateTimeExtended:
        appendJsonString(out, QStringLiteral("t:") + extendedDateToIso(v.asDateTimeExtended()));
        return;
    case ValueKind::Text: appendJsonString(out, QStringLiteral("s:") + v.asText()); return;
    case ValueKind::Guid: appendJsonString(out, QStringLiteral("g:") + v.asGuid().toString()); return;
    case ValueKind::Binary: {
        const QByteArray& b = v.asBinary();
        out += "\"x:";
        for (char ch : b) {
            out += kHex[static_cast<unsigned char>(ch) >> 4];
            out += kHex[static_cast<unsigned char>(ch) & 0xF];
        }
        out += '"';
        return;
    }
    case ValueKind::Complex:
        appendJsonString(out, QStringLiteral("c:") + v.asComplex().display);
        return;
    }
}

QByteArray jsonTableLine(const QString& name, bool linked, qint64 rows,
                         const std::vector<std::pair<QString, ColumnType>>& columns)
{
    QByteArray out = "{\"table\":";
    appendJsonString(out, name);
    out += linked ? ",\"linked\":true,\"rows\":" : ",\"linked\":false,\"rows\":";
    appendInteger(out, rows);
    out += ",\"columns\":[";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i)
            out += ',';
        out += '[';
        appendJsonString(out, columns[i].first);
        out += ',';
        appendJsonString(out, columnTypeName(columns[i].second));
        out += ']';
    }
    out += "]}";
    return out;
}

QByteArray jsonRecordLine(const std::vector<Value>& values)
{
    QByteArray out = "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i)
            out += ',';
        appendJsonValue(out, values[i]);
    }
    out += ']';
    return out;
}

} // namespace quorvane::db

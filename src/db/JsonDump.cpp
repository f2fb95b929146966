#include "JsonDump.h"

#include <QDate>

#include <charconv>
#include <cmath>

namespace quorvane::db {

namespace {

constexpr qint64 kOleEpochJulianDay = 2415019;   // 1899-12-30
constexpr qint64 kExtendedEpochJulianDay = 1721426; // 0001-01-01

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

QString isoText(qint64 julianDay, qint64 secondsOfDay, qint64 fraction, int fractionDigits)
{
    const QDate date = QDate::fromJulianDay(julianDay);
    QString s = QStringLiteral("%1-%2-%3T%4:%5")
                    .arg(date.year(), 4, 10, QLatin1Char('0'))
                    .arg(date.month(), 2, 10, QLatin1Char('0'))
                    .arg(date.day(), 2, 10, QLatin1Char('0'))
                    .arg(secondsOfDay / 3600, 2, 10, QLatin1Char('0'))
                    .arg((secondsOfDay / 60) % 60, 2, 10, QLatin1Char('0'));
    if (secondsOfDay % 60 != 0 || fraction != 0)
        s += QStringLiteral(":%1").arg(secondsOfDay % 60, 2, 10, QLatin1Char('0'));
    if (fraction != 0)
        s += QStringLiteral(".%1").arg(fraction, fractionDigits, 10, QLatin1Char('0'));
    return s;
}

} // namespace

QString currencyText(Currency value)
{
    // Exact: the scaled integer as a decimal with four places.
    const std::int64_t scaled = value.scaled;
    const std::uint64_t magnitude = scaled < 0 ? 0 - static_cast<std::uint64_t>(scaled)
                                               : static_cast<std::uint64_t>(scaled);
    const Decimal d{static_cast<std::uint32_t>(magnitude), static_cast<std::uint32_t>(magnitude >> 32), 0, 4,
                    scaled < 0};
    return d.toString(false);
}

QString oleDateToIso(double days)
{
    if (!std::isfinite(days) || std::fabs(days) > 3'000'000.0)
        return QStringLiteral("invalid");
    // The integral part counts days (backwards when negative); the fraction is always
    // the time of day forwards.
    double whole = std::trunc(days);
    qint64 millis = std::llround(std::fabs(days - whole) * 86'400'000.0);
    if (millis >= 86'400'000) {
        millis -= 86'400'000;
        whole += 1;
    }
    return isoText(kOleEpochJulianDay + static_cast<qint64>(whole), millis / 1000, millis % 1000, 3);
}

QString extendedDateToIso(const ExtendedDate& date)
{
    const qint64 seconds = date.ticks / 10'000'000;
    const qint64 fraction = date.ticks % 10'000'000;
    return isoText(kExtendedEpochJulianDay + date.days, seconds, fraction * 100, 9);
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
    case ValueKind::Currency: appendJsonString(out, currencyText(v.asCurrency())); return;
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

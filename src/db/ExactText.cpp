#include "ExactText.h"

#include "CivilTime.h"

#include <charconv>
#include <cmath>

namespace quorvane::db {

namespace {

template <class T>
void appendNumber(std::string& out, T value)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, static_cast<std::size_t>(res.ptr - buf));
}

template <class F>
void appendFloating(std::string& out, F value)
{
    if (std::isnan(value))
        out += "NaN";
    else if (std::isinf(value))
        out += value < 0 ? "-Infinity" : "Infinity";
    else
        appendNumber(out, value);
}

void appendDecimal(std::string& out, const Decimal& value)
{
    char text[Decimal::kMaxTextLength];
    out.append(text, static_cast<std::size_t>(value.toChars(text)));
}

void appendTwo(std::string& out, int value)
{
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

// "YYYY-MM-DD HH:MM:SS", then the fraction's first `digits` digits when it is not zero,
// trailing zeros cut down to `keepDigits`.
void appendCivil(std::string& out, const CivilDateTime& t, int digits, int keepDigits)
{
    std::int64_t year = t.year;
    if (year < 0) {
        out += '-';
        year = -year;
    }
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, year);
    out.append(static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, 4 - (res.ptr - buf))), '0');
    out.append(buf, static_cast<std::size_t>(res.ptr - buf));
    out += '-';
    appendTwo(out, t.month);
    out += '-';
    appendTwo(out, t.day);
    out += ' ';
    appendTwo(out, t.hour);
    out += ':';
    appendTwo(out, t.minute);
    out += ':';
    appendTwo(out, t.second);
    if (t.ticks == 0)
        return;
    char fraction[7];
    std::int32_t ticks = t.ticks;
    for (int i = 6; i >= 0; --i) {
        fraction[i] = static_cast<char>('0' + ticks % 10);
        ticks /= 10;
    }
    int n = digits;
    while (n > keepDigits && fraction[n - 1] == '0')
        --n;
    out += '.';
    out.append(fraction, static_cast<std::size_t>(n));
}

} // namespace

void appendExactText(std::string& out, const Value& v)
{
    switch (v.kind()) {
    case ValueKind::Null: return;
    case ValueKind::Text: out += v.asText().toStdString(); return;
    case ValueKind::Byte: appendNumber(out, v.asByte()); return;
    case ValueKind::Integer: appendNumber(out, v.asInteger()); return;
    case ValueKind::Long: appendNumber(out, v.asLong()); return;
    case ValueKind::BigInt: appendNumber(out, v.asBigInt()); return;
    case ValueKind::Single: appendFloating(out, v.asSingle()); return;
    case ValueKind::Double: appendFloating(out, v.asDouble()); return;
    case ValueKind::Currency: appendDecimal(out, Decimal::fromCurrency(v.asCurrency())); return;
    case ValueKind::Decimal: appendDecimal(out, v.asDecimal()); return;
    case ValueKind::DateTime: {
        CivilDateTime civil;
        bool zeroDate = false;
        if (civilFromOleDate(v.asDateTime().days, civil, zeroDate, kTicksPerMillisecond))
            appendCivil(out, civil, 3, 3);
        else
            appendFloating(out, v.asDateTime().days);
        return;
    }
    case ValueKind::DateTimeExtended: {
        const ExtendedDate d = v.asDateTimeExtended();
        appendCivil(out, civilFromExtended(d.days, d.ticks), 7, 1);
        return;
    }
    case ValueKind::Boolean: out += v.asBoolean() ? "true" : "false"; return;
    case ValueKind::Guid: out += v.asGuid().toString().toStdString(); return;
    case ValueKind::Binary: {
        static const char kHex[] = "0123456789ABCDEF";
        for (char c : v.asBinary()) {
            const auto b = static_cast<unsigned char>(c);
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
        return;
    }
    case ValueKind::Complex: out += v.asComplex().display.toStdString(); return;
    }
}

QString exactText(const Value& value)
{
    if (value.kind() == ValueKind::Text)
        return value.asText();
    if (value.kind() == ValueKind::Complex)
        return value.asComplex().display;
    std::string utf8;
    appendExactText(utf8, value);
    return QString::fromStdString(utf8);
}

bool isJsonNumber(const Value& value)
{
    switch (value.kind()) {
    case ValueKind::Byte:
    case ValueKind::Integer:
    case ValueKind::Long:
    case ValueKind::BigInt:
        return true;
    case ValueKind::Single: return std::isfinite(value.asSingle());
    case ValueKind::Double: return std::isfinite(value.asDouble());
    default: return false;
    }
}

} // namespace quorvane::db

#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace quorvane::exporter {

namespace {

void appendAscii(QString& out, const char* begin, const char* end)
{
    out.append(QLatin1StringView(begin, end - begin));
}

} // namespace

void appendFloatingText(QString& out, double value, int significantDigits, QStringView decimalSeparator)
{
    if (std::isnan(value)) {
        out += QLatin1StringView("NaN");
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? QLatin1StringView("-Infinity") : QLatin1StringView("Infinity");
        return;
    }
    if (value == 0.0) { // negative zero too
        out += QLatin1Char('0');
        return;
    }

    // d.ddddde+XX, correctly rounded to the wanted number of significant digits. A Single
    // is rounded as a float, so that 0.3f gives "0.3" and not its double expansion.
    char buf[64];
    std::to_chars_result res;
    if (significantDigits <= 7 && std::fabs(value) <= 3.4028234663852886e38)
        res = std::to_chars(buf, buf + sizeof buf, static_cast<float>(value), std::chars_format::scientific,
                            significantDigits - 1);
    else
        res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, significantDigits - 1);
    const char* p = buf;
    const char* const end = res.ptr;

    const bool negative = *p == '-';
    if (negative)
        ++p;
    char digits[32];
    int count = 0;
    while (p < end && *p != 'e') {
        if (*p != '.')
            digits[count++] = *p;
        ++p;
    }
    int exponent = 0;
    if (p < end) {
        ++p; // 'e'
        std::from_chars(*p == '+' ? p + 1 : p, end, exponent);
    }
    while (count > 1 && digits[count - 1] == '0')
        --count;

    if (negative)
        out += QLatin1Char('-');
    if (exponent < -4 || exponent >= significantDigits) {
        out += QLatin1Char(digits[0]);
        if (count > 1) {
            out += decimalSeparator;
            appendAscii(out, digits + 1, digits + count);
        }
        out += exponent < 0 ? QLatin1StringView("E-") : QLatin1StringView("E+");
        const int magnitude = std::abs(exponent);
        if (magnitude < 10)
            out += QLatin1Char('0');
        char expBuf[8];
        auto expRes = std::to_chars(expBuf, expBuf + sizeof expBuf, magnitude);
        appendAscii(out, expBuf, expRes.ptr);
    } else if (exponent >= 0) {
        const int intDigits = exponent + 1;
        if (count <= intDigits) {
            appendAscii(out, digits, digits + count);
            for (int i = count; i < intDigits; ++i)
                out += QLatin1Char('0');
        } else {
            appendAscii(out, digits, digits + intDigits);
            out += decimalSeparator;
            appendAscii(out, digits + intDigits, digits + count);
        }
    } else {
        out += QLatin1Char('0');
        out += decimalSeparator;
        for (int i = -1; i > exponent; --i)
            out += QLatin1Char('0');
        appendAscii(out, digits, digits + count);
    }
}

void appendIntegerText(QString& out, std::int64_t value)
{
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    appendAscii(out, buf, res.ptr);
}

void appendCurrencyText(QString& out, std::int64_t scaled, QStringView decimalSeparator)
{
    const bool negative = scaled < 0;
    // Unsigned, so that the most negative amount has a magnitude too.
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    const std::uint64_t whole = magnitude / 10000;
    unsigned fraction = static_cast<unsigned>(magnitude % 10000);

    if (negative)
        out += QLatin1Char('-');
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, whole);
    appendAscii(out, buf, res.ptr);
    if (fraction == 0)
        return;
    char frac[4];
    for (int i = 3; i >= 0; --i) {
        frac[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    int len = 4;
    while (frac[len - 1] == '0')
        --len;
    out += decimalSeparator;
    appendAscii(out, frac, frac + len);
}

} // namespace quorvane::exporter

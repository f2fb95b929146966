#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <algorithm>
#include <cstdlib>

namespace quorvane::exporter {

namespace {

void appendAscii(std::string& out, const char* begin, const char* end)
{
    out.append(begin, static_cast<std::size_t>(end - begin));
}

} // namespace

void appendFloatingText(std::string& out, double value, int significantDigits, std::string_view decimalSeparator)
{
    if (std::isnan(value)) {
        out += "NaN";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-Infinity" : "Infinity";
        return;
    }
    if (value == 0.0) { // negative zero too
        out += '0';
        return;
    }

    // d.ddddde+XX, correctly rounded to the wanted number of significant digits. A Single
    // is rounded as a float, so that 0.3f gives "0.3" and not its double expansion.
    char buf[64];
    std::to_chars_result res;
    const bool asFloat = significantDigits <= 7 && std::fabs(value) <= 3.4028234663852886e38;
    // The shortest form that reads back is quick to find; when it has no more digits than
    // allowed it is also what rounding to that many digits gives (the value lies far
    // closer to it than half a step in the last allowed digit).
    if (asFloat)
        res = std::to_chars(buf, buf + sizeof buf, static_cast<float>(value), std::chars_format::scientific);
    else
        res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    int shortestDigits = 0;
    for (const char* q = buf; q < res.ptr && *q != 'e'; ++q)
        shortestDigits += (*q >= '0' && *q <= '9') ? 1 : 0;
    // Subnormal numbers have too few bits for that argument: round them the long way.
    const double smallestNormal = asFloat ? 1.1754943508222875e-38 : 2.2250738585072014e-308;
    if (shortestDigits > significantDigits || std::fabs(value) < smallestNormal) {
        if (asFloat)
            res = std::to_chars(buf, buf + sizeof buf, static_cast<float>(value), std::chars_format::scientific,
                                significantDigits - 1);
        else
            res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, significantDigits - 1);
    }
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
        out += '-';
    if (exponent < -4 || exponent >= significantDigits) {
        out += digits[0];
        if (count > 1) {
            out += decimalSeparator;
            appendAscii(out, digits + 1, digits + count);
        }
        out += exponent < 0 ? "E-" : "E+";
        const int magnitude = std::abs(exponent);
        if (magnitude < 10)
            out += '0';
        char expBuf[8];
        auto expRes = std::to_chars(expBuf, expBuf + sizeof expBuf, magnitude);
        appendAscii(out, expBuf, expRes.ptr);
    } else if (exponent >= 0) {
        const int intDigits = exponent + 1;
        if (count <= intDigits) {
            appendAscii(out, digits, digits + count);
            for (int i = count; i < intDigits; ++i)
                out += '0';
        } else {
            appendAscii(out, digits, digits + intDigits);
            out += decimalSeparator;
            appendAscii(out, digits + intDigits, digits + count);
        }
    } else {
        out += '0';
        out += decimalSeparator;
        for (int i = -1; i > exponent; --i)
            out += '0';
        appendAscii(out, digits, digits + count);
    }
}

void appendIntegerText(std::string& out, std::int64_t value)
{
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    appendAscii(out, buf, res.ptr);
}

void appendCurrencyText(std::string& out, std::int64_t scaled, std::string_view decimalSeparator)
{
    const bool negative = scaled < 0;
    // Unsigned, so that the most negative amount has a magnitude too.
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    const std::uint64_t whole = magnitude / 10000;
    unsigned fraction = static_cast<unsigned>(magnitude % 10000);

    if (negative)
        out += '-';
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

void appendDecimalText(std::string& out, const db::Decimal& value, std::string_view decimalSeparator)
{
    char digits[db::Decimal::kMaxDigits];
    const int count = value.digitsLeastSignificantFirst(digits);
    const int scale = value.effectiveScale();
    const bool isZero = (value.hi | value.mid | value.lo) == 0;
    int kept = 0; // trailing zeros of the fraction dropped
    while (kept < scale && digits[kept] == '0')
        ++kept;
    char text[48];
    int len = 0;
    if (value.negative && !isZero)
        text[len++] = '-';
    for (int i = count - 1; i >= scale; --i)
        text[len++] = digits[i];
    out.append(text, static_cast<std::size_t>(len));
    if (kept < scale) {
        out += decimalSeparator;
        len = 0;
        for (int i = scale - 1; i >= kept; --i)
            text[len++] = digits[i];
        out.append(text, static_cast<std::size_t>(len));
    }
}

} // namespace quorvane::exporter

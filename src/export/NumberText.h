#pragma once

// Numbers as Access shows them in text: std::to_chars underneath, never printf, so the
// C library's locale has no say. Appended as bytes to a line; `decimalSeparator` is the
// locale's separator, already encoded.

#include "db/Value.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvane::exporter {

// Shortest form with at most `significantDigits` significant digits (15 for Double, 7
// for Single), no grouping; exponent form ("1E+300", "1.23456789012346E+17", "1E-05")
// when the decimal exponent is below -4 or not below `significantDigits`.
void appendFloatingText(std::string& out, double value, int significantDigits, std::string_view decimalSeparator);

// Whole numbers: digits, a leading minus for negatives.
void appendIntegerText(std::string& out, std::int64_t value);

// Currency (a count of ten-thousandths): exact, no trailing zeros, no point when whole.
void appendCurrencyText(std::string& out, std::int64_t scaled, std::string_view decimalSeparator);

// The same three written at `d`, which has room for the most they write (the constant
// below plus the separator's size); each returns the end of what it wrote.
constexpr std::size_t kMaxFloatingText = 40; // a sign, 17 digits, a few zeros, an exponent; spare bytes
constexpr std::size_t kMaxIntegerText = 20;
constexpr std::size_t kMaxCurrencyText = 24;
char* writeFloatingText(char* d, double value, int significantDigits, std::string_view decimalSeparator);
char* writeIntegerText(char* d, std::int64_t value);
char* writeCurrencyText(char* d, std::int64_t scaled, std::string_view decimalSeparator);

// "00" to "99": two digits per look-up instead of a division per digit.
inline constexpr auto kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// Decimal: exact digits, no trailing zeros after the separator, no separator when whole.
void appendDecimalText(std::string& out, const db::Decimal& value, std::string_view decimalSeparator);

} // namespace quorvane::exporter

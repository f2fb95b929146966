#pragma once

// Numbers as Access shows them in text: std::to_chars underneath, never printf, so the
// C library's locale has no say. `decimalSeparator` replaces the point.

#include <QString>
#include <QStringView>

#include <cstdint>

namespace quorvane::exporter {

// Shortest form with at most `significantDigits` significant digits (15 for Double, 7
// for Single), no grouping; exponent form ("1E+300", "1.23456789012346E+17", "1E-05")
// when the decimal exponent is below -4 or not below `significantDigits`.
void appendFloatingText(QString& out, double value, int significantDigits, QStringView decimalSeparator);

// Whole numbers: digits, a leading minus for negatives.
void appendIntegerText(QString& out, std::int64_t value);

// Currency (a count of ten-thousandths): exact, no trailing zeros, no point when whole.
void appendCurrencyText(QString& out, std::int64_t scaled, QStringView decimalSeparator);

} // namespace quorvane::exporter

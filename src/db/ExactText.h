#pragma once

// A value as text that never depends on a locale: for machines (--values exact, JSON
// lines, the items of a multi-valued field, the SQL output). Reading the text back gives
// the same value:
// - whole numbers as digits with a leading minus;
// - Single and Double in the shortest form that reads back as the same number ("0.1",
//   "10077.125", "1e+300"), "." as the decimal separator, no grouping; "NaN",
//   "Infinity" and "-Infinity" for what is not a finite number;
// - Currency and Decimal with all their digits, no trailing zeros after the point;
// - Date/Time as "YYYY-MM-DD HH:MM:SS", then "." and three digits when the
//   milliseconds are not zero; a time alone keeps its zero date, 1899-12-30; outside the
//   years 100 to 9999 the stored number of days, as a Double;
// - Date/Time Extended the same with up to seven digits of the second's fraction;
// - Yes/No as "true" and "false"; Replication IDs in braces; binary data as upper-case
//   hexadecimal; text unchanged; complex columns their display text; Null as nothing.

#include "Value.h"

#include <QString>

#include <string>

namespace quorvane::db {

// Appends the exact text as UTF-8.
void appendExactText(std::string& utf8, const Value& value);
QString exactText(const Value& value);

// True for the kinds whose exact text is a JSON number as it stands (whole numbers and
// finite Single and Double values).
bool isJsonNumber(const Value& value);

} // namespace quorvane::db

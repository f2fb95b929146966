#pragma once

// Access dates as calendar fields: the one conversion from the stored numbers (Date/Time
// as days since 1899-12-30, Date/Time Extended as days since 0001-01-01 and ticks) to a
// year, month, day and time of day. Every text form of a date (the locale's patterns,
// the exact form, the dumps) starts from here, so they agree on the calendar, on the
// range and on rounding.

#include <cstdint>

namespace quorvane::db {

inline constexpr std::int64_t kTicksPerSecond = 10'000'000; // 100-nanosecond units
inline constexpr std::int64_t kTicksPerMillisecond = 10'000;
inline constexpr std::int64_t kOleEpoch = -25569; // 1899-12-30, counted from 1970-01-01

// A point in the proleptic Gregorian calendar, plus a fraction of a second.
struct CivilDateTime {
    std::int64_t year = 1899;
    int month = 12;
    int day = 30;
    int dayOfWeek = 6; // 0 Sunday .. 6 Saturday
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::int32_t ticks = 0; // the fraction of the second in 100-nanosecond units

    bool isMidnight() const { return hour == 0 && minute == 0 && second == 0 && ticks == 0; }
};

// The day with number `days` counted from 1970-01-01.
CivilDateTime civilFromDays(std::int64_t days);

// An Access Date/Time: days since 1899-12-30, whose fraction is the time of day forwards
// also for negative values (-1.25 is 1899-12-29 06:00), rounded to `unitTicks` (a second
// by default, kTicksPerMillisecond for the exact form). False for values outside the
// years 100 to 9999 that Access can hold, and for NaN and infinities.
bool civilFromOleDate(double days, CivilDateTime& out, bool& zeroDatePart,
                      std::int64_t unitTicks = kTicksPerSecond);

// The same split in two: the day number counted from 1899-12-30 and the time of day in
// `unitTicks` units, for callers that turn the day into text once for many values.
bool oleDateParts(double days, std::int64_t& wholeDays, std::int64_t& units,
                  std::int64_t unitTicks = kTicksPerSecond);

// The time of day of `ticks` since midnight (below one day) into `out`.
void setTimeOfDay(CivilDateTime& out, std::int64_t ticks);

// A Date/Time Extended: days since 0001-01-01 and 100-nanosecond ticks of the day. Ticks
// beyond one day (a damaged value) carry into the days rather than show 25:00.
CivilDateTime civilFromExtended(std::int64_t days, std::int64_t ticks);

} // namespace quorvane::db

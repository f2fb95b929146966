#pragma once

// Access dates as calendar fields: the one conversion from the stored numbers (Date/Time
// as days since 1899-12-30, Date/Time Extended as days since 0001-01-01 and ticks) to a
// year, month, day and time of day. Every text form of a date (the locale's patterns,
// the exact form, the dumps) starts from here, so they agree on the calendar, on the
// range and on rounding.

#include <cmath>
#include <cstdint>

namespace quorvane::db {

inline constexpr std::int64_t kTicksPerSecond = 10'000'000; // 100-nanosecond units
inline constexpr std::int64_t kTicksPerMillisecond = 10'000;
inline constexpr std::int64_t kTicksPerDay = 86'400 * kTicksPerSecond;
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

// The date alone, for day numbers from kNearDaysFirst to kNearDaysLast (years -30,000 to
// 275,000: every day Access can store, with room to spare).
struct CivilDate {
    std::int32_t year;
    std::int32_t month;
    std::int32_t day;
    std::int32_t dayOfWeek; // 0 Sunday .. 6 Saturday
};
inline constexpr std::int64_t kNearDaysFirst = -12'000'000;
inline constexpr std::int64_t kNearDaysLast = 100'000'000;

constexpr CivilDate civilDateFromDays(std::int32_t days)
{
    // Neri and Schneider's Euclidean affine functions: the calendar counted from a 1 March,
    // moved forwards by kEras whole 400-year eras so that every number is positive, then
    // centuries, years, months and days each by a multiplication and a shift. All of it
    // in 32 bits (64 for one product), no division by a variable.
    constexpr std::uint32_t kEras = 82;
    constexpr std::uint32_t kShift = 719'468 + 146'097 * kEras; // 0000-03-01, moved forwards
    const std::uint32_t n = static_cast<std::uint32_t>(days) + kShift;
    const std::uint32_t centuryPart = 4 * n + 3;
    const std::uint32_t century = centuryPart / 146'097;
    const std::uint32_t dayOfCentury = centuryPart % 146'097 / 4;
    const std::uint64_t yearPart = std::uint64_t{2'939'745} * (4 * dayOfCentury + 3);
    const auto yearOfCentury = static_cast<std::uint32_t>(yearPart >> 32);
    const std::uint32_t dayOfYear = static_cast<std::uint32_t>(yearPart) / 2'939'745 / 4; // from 1 March
    const std::uint32_t monthPart = 2'141 * dayOfYear + 197'913;
    const std::uint32_t month = monthPart >> 16; // March is 3 .. February is 14
    const std::uint32_t day = (monthPart & 0xFFFF) / 2'141;
    const bool nextYear = dayOfYear >= 306; // January and February
    CivilDate out{};
    out.year = static_cast<std::int32_t>(100 * century + yearOfCentury + (nextYear ? 1 : 0))
               - static_cast<std::int32_t>(400 * kEras);
    out.month = static_cast<std::int32_t>(nextYear ? month - 12 : month);
    out.day = static_cast<std::int32_t>(day + 1);
    // 1970-01-01 was a Thursday; whole weeks added keep the number positive.
    out.dayOfWeek = static_cast<std::int32_t>(static_cast<std::uint32_t>(days + 4 + 7 * 2'000'000) % 7);
    return out;
}

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

// The same with the units per day given, inline: a constant there leaves no division by
// a variable, and the rounding needs no math library. The conversion to an integer cuts
// towards zero (std::trunc); a product below 2^40 has an exact fraction, so halves are
// told exactly and round away from zero (std::llround).
inline bool splitOleDate(double days, std::int64_t unitsPerDay, std::int64_t& wholeDays, std::int64_t& units)
{
    // 100-01-01 .. 9999-12-31 23:59:59; the negation also catches NaN.
    if (!(days > -657435.0 && days < 2958466.0))
        return false;
    wholeDays = static_cast<std::int64_t>(days);
    const double scaled = std::fabs(days - static_cast<double>(wholeDays)) * static_cast<double>(unitsPerDay);
    units = static_cast<std::int64_t>(scaled);
    // Half a unit or more rounds up: by arithmetic, as it goes either way as often.
    units += static_cast<std::int64_t>(scaled - static_cast<double>(units) >= 0.5);
    if (units >= unitsPerDay) {
        // Rounded up to the next midnight; time runs forwards on both sides of the epoch.
        units -= unitsPerDay;
        ++wholeDays;
    }
    return true;
}

// The time of day of `ticks` since midnight (below one day) into `out`.
void setTimeOfDay(CivilDateTime& out, std::int64_t ticks);

// The same from whole seconds (below one day); the fraction of the second is left alone.
inline void setTimeOfDaySeconds(CivilDateTime& out, std::uint32_t seconds)
{
    // Divisions of 32-bit numbers by constants: multiplications and shifts.
    const std::uint32_t minutes = seconds / 60;
    out.hour = static_cast<int>(minutes / 60);
    out.minute = static_cast<int>(minutes - 60 * (minutes / 60));
    out.second = static_cast<int>(seconds - 60 * minutes);
}

// A Date/Time Extended: days since 0001-01-01 and 100-nanosecond ticks of the day. Ticks
// beyond one day (a damaged value) carry into the days rather than show 25:00.
CivilDateTime civilFromExtended(std::int64_t days, std::int64_t ticks);

} // namespace quorvane::db

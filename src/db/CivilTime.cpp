#include "CivilTime.h"

namespace quorvane::db {

namespace {

constexpr std::int64_t kExtendedEpoch = -719162; // 0001-01-01

} // namespace

void setTimeOfDay(CivilDateTime& out, std::int64_t ticks)
{
    setTimeOfDaySeconds(out, static_cast<std::uint32_t>(ticks / kTicksPerSecond));
    out.ticks = static_cast<std::int32_t>(ticks % kTicksPerSecond);
}

CivilDateTime civilFromDays(std::int64_t days)
{
    // Every day Access can store, and far beyond, takes the 32-bit path; the 64-bit one is
    // for damaged day numbers of Date/Time Extended.
    CivilDateTime out;
    if (days >= kNearDaysFirst && days <= kNearDaysLast) {
        const CivilDate date = civilDateFromDays(static_cast<std::int32_t>(days));
        out.year = date.year;
        out.month = date.month;
        out.day = date.day;
        out.dayOfWeek = date.dayOfWeek;
        return out;
    }
    // Howard Hinnant's days-to-civil algorithm, on 400-year eras from 0000-03-01.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    out.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    out.year = yoe + era * 400 + (out.month <= 2 ? 1 : 0);
    // 1970-01-01 was a Thursday.
    const std::int64_t wd = (days + 4) % 7;
    out.dayOfWeek = static_cast<int>(wd < 0 ? wd + 7 : wd);
    return out;
}

bool oleDateParts(double days, std::int64_t& wholeDays, std::int64_t& units, std::int64_t unitTicks)
{
    // The usual units as constants, whose divisions the compiler turns into multiplications.
    switch (unitTicks) {
    case kTicksPerSecond: return splitOleDate(days, kTicksPerDay / kTicksPerSecond, wholeDays, units);
    case kTicksPerMillisecond: return splitOleDate(days, kTicksPerDay / kTicksPerMillisecond, wholeDays, units);
    default: break;
    }
    if (unitTicks <= 0 || kTicksPerDay % unitTicks != 0)
        unitTicks = kTicksPerSecond;
    return splitOleDate(days, kTicksPerDay / unitTicks, wholeDays, units);
}

bool civilFromOleDate(double days, CivilDateTime& out, bool& zeroDatePart, std::int64_t unitTicks)
{
    if (unitTicks <= 0 || kTicksPerDay % unitTicks != 0)
        unitTicks = kTicksPerSecond;
    std::int64_t wholeDays = 0;
    std::int64_t units = 0;
    if (!oleDateParts(days, wholeDays, units, unitTicks))
        return false;
    zeroDatePart = wholeDays == 0;
    out = civilFromDays(kOleEpoch + wholeDays);
    setTimeOfDay(out, units * unitTicks);
    return true;
}

CivilDateTime civilFromExtended(std::int64_t days, std::int64_t ticks)
{
    days += ticks / kTicksPerDay;
    ticks %= kTicksPerDay;
    if (ticks < 0) {
        ticks += kTicksPerDay;
        days -= 1;
    }
    CivilDateTime out = civilFromDays(kExtendedEpoch + days);
    setTimeOfDay(out, ticks);
    return out;
}

} // namespace quorvane::db

#pragma once

// The text of days and of times of day, each formatted once: a table shows the same
// days and the same seconds of the day again and again, and copying their text costs
// less than walking the pattern and writing its fields for every value. The tables are
// made on first use and stay small (about 1 MB each at most); a text too long for an
// entry is simply formatted every time.

#include "DateTimePattern.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace quorvane::exporter {

class DateTextTable {
public:
    // Appends the text of `value`'s day (its year, month and day alone decide it);
    // `format(std::string&)` writes it the first time.
    template <class Format>
    void appendDay(std::string& out, const CivilDateTime& value, Format&& format)
    {
        if (value.year < 1 || value.year > 9999) {
            format(out);
            return;
        }
        if (m_days.empty())
            m_days.resize(kDaySlots);
        const auto key = static_cast<std::int32_t>((value.year * 13 + value.month) * 32 + value.day);
        appendEntry(out, m_days[static_cast<std::size_t>(key) % kDaySlots], key, format);
    }

    // Appends the text of `value`'s time of day to the second; `format` as above. Only
    // for whole seconds: a fraction of a second is formatted every time.
    template <class Format>
    void appendTimeOfDay(std::string& out, const CivilDateTime& value, Format&& format)
    {
        if (value.ticks != 0 || value.hour < 0 || value.hour > 23 || value.minute < 0 || value.minute > 59
            || value.second < 0 || value.second > 59) {
            format(out);
            return;
        }
        if (m_times.empty())
            m_times.resize(kSecondsPerDay);
        const std::int32_t key = value.hour * 3600 + value.minute * 60 + value.second;
        appendEntry(out, m_times[static_cast<std::size_t>(key)], key, format);
    }

private:
    static constexpr std::size_t kDaySlots = 65536; // a direct-mapped table: 176 years without a clash
    static constexpr std::size_t kSecondsPerDay = 86400;

    struct Entry {
        std::int32_t key = -1;
        std::uint8_t length = 0;
        char text[11];
    };

    template <class Format>
    void appendEntry(std::string& out, Entry& entry, std::int32_t key, Format& format)
    {
        if (entry.key == key) {
            out.append(entry.text, entry.length);
            return;
        }
        const std::size_t start = out.size();
        format(out);
        const std::size_t length = out.size() - start;
        if (length <= sizeof entry.text) {
            entry.key = key;
            entry.length = static_cast<std::uint8_t>(length);
            std::memcpy(entry.text, out.data() + start, length);
        }
    }

    std::vector<Entry> m_days;
    std::vector<Entry> m_times;
};

} // namespace quorvane::exporter

#include "CompiledDateTimeText.h"

#include "NumberText.h"

#include <algorithm>
#include <cstring>

namespace quorvane::exporter {

void CompiledDateTimeText::setDate(Values& values, const db::CivilDate& date)
{
    values[kCentury] = static_cast<std::uint8_t>(date.year / 100);
    values[kYearOfCentury] = static_cast<std::uint8_t>(date.year % 100);
    values[kMonth] = static_cast<std::uint8_t>(date.month);
    values[kMonthIndex] = static_cast<std::uint8_t>(date.month - 1);
    values[kDay] = static_cast<std::uint8_t>(date.day);
    values[kDayOfWeek] = static_cast<std::uint8_t>(date.dayOfWeek);
}

namespace {

// 12, 1, ..., 11, 12, 1, ..., 11: looked up, not worked out for every value.
constexpr std::uint8_t kTwelveHour[24] = {12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11,
                                          12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

} // namespace

void CompiledDateTimeText::setTime(Values& values, std::uint32_t seconds)
{
    db::CivilDateTime time;
    db::setTimeOfDaySeconds(time, seconds);
    values[kHour] = static_cast<std::uint8_t>(time.hour);
    values[kHour12] = kTwelveHour[static_cast<std::uint32_t>(time.hour) % 24];
    values[kAfternoon] = time.hour >= 12 ? 1 : 0;
    values[kMinute] = static_cast<std::uint8_t>(time.minute);
    values[kSecond] = static_cast<std::uint8_t>(time.second);
}

void CompiledDateTimeText::addPiece(const std::string& bytes)
{
    m_pieces.push_back({static_cast<std::uint16_t>(m_bytes.size()), static_cast<std::uint16_t>(bytes.size())});
    m_bytes += bytes;
}

void CompiledDateTimeText::addText(const std::string& bytes)
{
    m_steps.push_back({Step::Piece, 0, static_cast<std::uint16_t>(m_pieces.size())});
    addPiece(bytes);
    m_maxBytes += bytes.size();
}

void CompiledDateTimeText::addNames(const std::vector<std::string>& names, Value value)
{
    m_steps.push_back({Step::Name, value, static_cast<std::uint16_t>(m_pieces.size())});
    std::size_t longest = 0;
    for (const std::string& name : names) {
        addPiece(name);
        longest = std::max(longest, name.size());
    }
    m_maxBytes += longest;
}

void CompiledDateTimeText::addNumber(Value value, bool twoDigits)
{
    m_steps.push_back({twoDigits ? Step::TwoDigits : Step::Number, value, 0});
    m_maxBytes += 2;
}

void CompiledDateTimeText::finish()
{
    // Offsets are 16 bits: a locale's names and literals come nowhere near that, but a
    // pattern that did stays with the general path rather than write the wrong text.
    if (m_bytes.size() > 0xFFFF || m_pieces.size() > 0xFFFF)
        return;
    m_bytes.append(kSlack, '\0');
    m_applies = true;
    // The template form: literals and two-digit numbers only, short enough.
    std::size_t length = 0;
    std::uint8_t places = 0;
    for (const Instruction& s : m_steps) {
        if (s.step == Step::Piece) {
            length += m_pieces[s.first].length;
        } else if (s.step == Step::TwoDigits && places < m_places.size()) {
            m_places[places++] = {static_cast<std::uint8_t>(length), s.value};
            length += 2;
        } else {
            return;
        }
        if (length > kTemplateBytes)
            return;
    }
    std::size_t at = 0;
    for (const Instruction& s : m_steps) {
        if (s.step == Step::Piece) {
            std::memcpy(m_template.data() + at, m_bytes.data() + m_pieces[s.first].offset, m_pieces[s.first].length);
            at += m_pieces[s.first].length;
        } else {
            at += 2;
        }
    }
    m_templateLength = static_cast<std::uint8_t>(length);
    m_placeCount = places;
    m_isTemplate = true;
    placeNumbers();
}

void CompiledDateTimeText::placeNumbers()
{
    m_direct = false;
    m_at.fill(kNowhere);
    // At least one number: the text is then two bytes long or more, and what goes
    // nowhere lands within the room past it.
    if (!m_isTemplate || m_placeCount == 0)
        return;
    for (std::size_t k = 0; k < m_placeCount; ++k) {
        const Place& place = m_places[k];
        const bool number = place.value != kMonthIndex && place.value != kDayOfWeek && place.value != kAfternoon;
        if (!number || place.value >= kValues || m_at[place.value] != kNowhere)
            return;
        m_at[place.value] = place.offset;
    }
    m_direct = true;
}

CompiledDateTimeText CompiledDateTimeText::joined(const CompiledDateTimeText& first, char between,
                                                  const CompiledDateTimeText& second)
{
    CompiledDateTimeText both;
    const std::size_t length = std::size_t{first.m_templateLength} + 1 + second.m_templateLength;
    const std::size_t places = std::size_t{first.m_placeCount} + second.m_placeCount;
    if (!first.m_isTemplate || !second.m_isTemplate || length > kTemplateBytes || places > both.m_places.size())
        return both;
    std::memcpy(both.m_template.data(), first.m_template.data(), first.m_templateLength);
    both.m_template[first.m_templateLength] = between;
    std::memcpy(both.m_template.data() + first.m_templateLength + 1, second.m_template.data(), second.m_templateLength);
    std::copy_n(first.m_places.begin(), first.m_placeCount, both.m_places.begin());
    for (std::size_t k = 0; k < second.m_placeCount; ++k) {
        both.m_places[first.m_placeCount + k] = {
            static_cast<std::uint8_t>(second.m_places[k].offset + first.m_templateLength + 1), second.m_places[k].value};
    }
    both.m_templateLength = static_cast<std::uint8_t>(length);
    both.m_placeCount = static_cast<std::uint8_t>(places);
    both.m_isTemplate = true;
    both.m_applies = true;
    both.m_maxBytes = length;
    both.placeNumbers();
    return both;
}

char* CompiledDateTimeText::write(char* d, std::int32_t days, std::uint32_t seconds) const
{
    const db::CivilDate date = db::civilDateFromDays(days);
    const auto year = static_cast<std::uint32_t>(date.year);
    const std::uint32_t century = year / 100;
    const std::uint32_t minutes = seconds / 60;
    const std::uint32_t hour = minutes / 60;
    std::memcpy(d, m_template.data(), kTemplateBytes);
    const auto put = [&](Value value, std::uint32_t number) {
        std::memcpy(d + m_at[value], &kDigitPairs[2 * std::size_t{number}], 2);
    };
    put(kCentury, century);
    put(kYearOfCentury, year - 100 * century);
    put(kMonth, static_cast<std::uint32_t>(date.month));
    put(kDay, static_cast<std::uint32_t>(date.day));
    put(kHour, hour);
    put(kHour12, kTwelveHour[hour]);
    put(kMinute, minutes - 60 * hour);
    put(kSecond, seconds - 60 * minutes);
    return d + m_templateLength;
}

char* CompiledDateTimeText::write(char* d, const Values& values) const
{
    const auto pair = [&values](std::uint8_t value) { return &kDigitPairs[2 * std::size_t{values[value]}]; };
    if (m_isTemplate) {
        std::memcpy(d, m_template.data(), kTemplateBytes);
        // The places from the last down, falling through: no loop to count.
        const auto fill = [&](std::size_t k) { std::memcpy(d + m_places[k].offset, pair(m_places[k].value), 2); };
        static_assert(std::tuple_size_v<decltype(m_places)> == 8);
        switch (m_placeCount) {
        case 8: fill(7); [[fallthrough]];
        case 7: fill(6); [[fallthrough]];
        case 6: fill(5); [[fallthrough]];
        case 5: fill(4); [[fallthrough]];
        case 4: fill(3); [[fallthrough]];
        case 3: fill(2); [[fallthrough]];
        case 2: fill(1); [[fallthrough]];
        case 1: fill(0); [[fallthrough]];
        default: break;
        }
        return d + m_templateLength;
    }
    for (const Instruction& s : m_steps) {
        switch (s.step) {
        case Step::Piece:
        case Step::Name: {
            const Piece& piece = m_pieces[s.first + (s.step == Step::Name ? values[s.value] : 0)];
            // Most pieces are short: a copy of a fixed size, no library call.
            if (piece.length <= kSlack)
                std::memcpy(d, m_bytes.data() + piece.offset, kSlack);
            else
                std::memcpy(d, m_bytes.data() + piece.offset, piece.length);
            d += piece.length;
            break;
        }
        case Step::Number: {
            // Below ten the pair's second digit alone; by arithmetic, as one digit or two
            // is a coin toss for days, months and hours.
            const std::size_t value = values[s.value];
            const auto wide = static_cast<std::size_t>(value > 9);
            std::memcpy(d, &kDigitPairs[2 * value + 1 - wide], 2);
            d += 1 + wide;
            break;
        }
        case Step::TwoDigits:
            std::memcpy(d, pair(s.value), 2);
            d += 2;
            break;
        }
    }
    return d;
}

} // namespace quorvane::exporter

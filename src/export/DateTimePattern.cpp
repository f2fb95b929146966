#include "DateTimePattern.h"

#include "InPlace.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quorvane::exporter {

namespace {


// At most 20 digits and a sign.
constexpr std::size_t kMaxNumberBytes = 21;

// Writes `value` with at least `minDigits` digits at `d`; returns the end.
char* writeLongNumber(char* d, std::int64_t value, int minDigits)
{
    char buf[24];
    int n = 0;
    const bool negative = value < 0;
    std::uint64_t v = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        buf[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n < minDigits && n < 20)
        buf[n++] = '0';
    if (negative)
        buf[n++] = '-';
    for (int k = 0; k < n; ++k)
        d[k] = buf[n - 1 - k];
    return d + n;
}

// The same, with days, months, hours, minutes and seconds (at most two digits, most
// fields of a date) written here, inline.
inline char* writeNumber(char* d, std::int64_t value, int minDigits)
{
    if (value >= 0 && value < 100 && minDigits <= 2) {
        if (value >= 10 || minDigits == 2) {
            d[0] = static_cast<char>('0' + value / 10);
            d[1] = static_cast<char>('0' + value % 10);
            return d + 2;
        }
        d[0] = static_cast<char>('0' + value);
        return d + 1;
    }
    return writeLongNumber(d, value, minDigits);
}

bool isPatternLetter(QChar c)
{
    switch (c.unicode()) {
    case 'd': case 'M': case 'y': case 'h': case 'H': case 'm': case 's': case 'z': case 't': case 'a': case 'A':
        return true;
    default:
        return false;
    }
}

} // namespace

DateTimePattern DateTimePattern::parse(QStringView format)
{
    DateTimePattern pattern;
    auto addLiteral = [&](QStringView text) {
        if (text.isEmpty())
            return;
        if (!pattern.m_tokens.empty() && pattern.m_tokens.back().field == Field::Literal)
            pattern.m_tokens.back().text += text;
        else
            pattern.m_tokens.push_back({Field::Literal, text.toString(), {}});
    };
    auto addField = [&](Field field) { pattern.m_tokens.push_back({field, {}, {}}); };

    qsizetype i = 0;
    const qsizetype n = format.size();
    while (i < n) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            // 'text' is literal; '' is one quote, inside or outside quoted text.
            if (i + 1 < n && format[i + 1] == QLatin1Char('\'')) {
                addLiteral(u"'");
                i += 2;
                continue;
            }
            ++i;
            QString text;
            while (i < n) {
                if (format[i] == QLatin1Char('\'')) {
                    if (i + 1 < n && format[i + 1] == QLatin1Char('\'')) {
                        text += QLatin1Char('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += format[i++];
            }
            addLiteral(text);
            continue;
        }
        if (!isPatternLetter(c)) {
            addLiteral(format.mid(i, 1));
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < n && format[i + run] == c)
            ++run;
        switch (c.unicode()) {
        case 'd': {
            const qsizetype take = std::min<qsizetype>(run, 4);
            static const Field kDays[] = {Field::Day, Field::Day2, Field::DayShortName, Field::DayLongName};
            addField(kDays[take - 1]);
            i += take;
            continue;
        }
        case 'M': {
            const qsizetype take = std::min<qsizetype>(run, 4);
            static const Field kMonths[] = {Field::Month, Field::Month2, Field::MonthShortName, Field::MonthLongName};
            addField(kMonths[take - 1]);
            i += take;
            continue;
        }
        case 'y': {
            // "yy" and "yyyy" are the year; a lone "y" is text, as in Qt.
            if (run >= 4) {
                addField(Field::Year);
                pattern.m_tokens.back().text = QStringLiteral("yyyy");
                i += 4;
            } else if (run >= 2) {
                addField(Field::Year);
                pattern.m_tokens.back().text = QStringLiteral("yy");
                i += 2;
            } else {
                addLiteral(u"y");
                i += 1;
            }
            continue;
        }
        case 'h': addField(run >= 2 ? Field::Hour2 : Field::Hour); i += std::min<qsizetype>(run, 2); continue;
        case 'H': addField(run >= 2 ? Field::Hour24_2 : Field::Hour24); i += std::min<qsizetype>(run, 2); continue;
        case 'm': addField(run >= 2 ? Field::Minute2 : Field::Minute); i += std::min<qsizetype>(run, 2); continue;
        case 's': addField(run >= 2 ? Field::Second2 : Field::Second); i += std::min<qsizetype>(run, 2); continue;
        case 'z': addField(run >= 3 ? Field::Millis3 : Field::Millis); i += run >= 3 ? 3 : 1; continue;
        case 't': addField(Field::TimeZone); i += run; continue;
        case 'a':
        case 'A': {
            if (i + 1 < n && (format[i + 1] == QLatin1Char('p') || format[i + 1] == QLatin1Char('P'))) {
                const bool upperA = c == QLatin1Char('A');
                const bool upperP = format[i + 1] == QLatin1Char('P');
                addField(upperA && upperP ? Field::AmPmUpper : (!upperA && !upperP ? Field::AmPmLower : Field::AmPmAsIs));
                pattern.m_twelveHour = true;
                i += 2;
            } else {
                addLiteral(format.mid(i, 1));
                ++i;
            }
            continue;
        }
        default:
            break;
        }
    }
    pattern.encodeLiterals();
    return pattern;
}

void DateTimePattern::encodeLiterals()
{
    for (Token& t : m_tokens) {
        t.bytes.clear();
        if (t.field == Field::Literal)
            m_encoder.append(t.bytes, t.text);
    }
}

void DateTimePattern::useFourDigitYears()
{
    for (Token& t : m_tokens) {
        if (t.field == Field::Year)
            t.text = QStringLiteral("yyyy");
    }
}

void DateTimePattern::removeTimeZone()
{
    for (std::size_t k = 0; k < m_tokens.size();) {
        if (m_tokens[k].field != Field::TimeZone) {
            ++k;
            continue;
        }
        Token* before = k > 0 && m_tokens[k - 1].field == Field::Literal ? &m_tokens[k - 1] : nullptr;
        Token* after = k + 1 < m_tokens.size() && m_tokens[k + 1].field == Field::Literal ? &m_tokens[k + 1] : nullptr;
        if (before && after && before->text.endsWith(QLatin1Char('(')) && after->text.startsWith(QLatin1Char(')'))) {
            before->text.chop(1);
            after->text.remove(0, 1);
        }
        const bool atStart = k == 0 || (k == 1 && before);
        const bool atEnd = k + 1 == m_tokens.size() || (k + 2 == m_tokens.size() && after);
        auto trimEnd = [](QString& s) { while (!s.isEmpty() && s.back().isSpace()) s.chop(1); };
        auto trimStart = [](QString& s) { while (!s.isEmpty() && s.front().isSpace()) s.remove(0, 1); };
        if (atEnd && before)
            trimEnd(before->text);
        if (atEnd && after)
            trimStart(after->text), trimEnd(after->text);
        if (atStart && after)
            trimStart(after->text);
        if (!atStart && !atEnd && before && after && before->text.endsWith(QLatin1Char(' '))
            && after->text.startsWith(QLatin1Char(' ')))
            after->text.remove(0, 1);
        m_tokens.erase(m_tokens.begin() + static_cast<std::ptrdiff_t>(k));
    }
    // Drop literals left empty and merge neighbours.
    std::vector<Token> merged;
    for (Token& t : m_tokens) {
        if (t.field == Field::Literal) {
            if (t.text.isEmpty())
                continue;
            if (!merged.empty() && merged.back().field == Field::Literal) {
                merged.back().text += t.text;
                continue;
            }
        }
        merged.push_back(std::move(t));
    }
    m_tokens = std::move(merged);
    encodeLiterals();
}

void DateTimePattern::append(std::string& out, const CalendarNames& names, const CivilDateTime& v,
                             std::string_view fractionSeparator) const
{
    appendInPlace(out, maxBytes(names, fractionSeparator.size()),
                  [&](char* d) { return write(d, names, v, fractionSeparator); });
}

std::size_t DateTimePattern::maxBytes(const CalendarNames& names, std::size_t fractionSeparatorSize) const
{
    const auto longest = [](const auto& texts) {
        qsizetype units = 0;
        for (const QString& t : texts)
            units = std::max(units, t.size());
        return TextEncoder::maxBytes(units);
    };
    // A change of case may lengthen a name: three units for one at most.
    const std::size_t amPm = 3 * longest(std::array<QString, 2>{names.am, names.pm});
    std::size_t bytes = 0;
    for (const Token& t : m_tokens) {
        switch (t.field) {
        case Field::Literal: bytes += t.bytes.size(); break;
        case Field::DayShortName: bytes += longest(names.daysShort); break;
        case Field::DayLongName: bytes += longest(names.daysLong); break;
        case Field::MonthShortName: bytes += longest(names.monthsShort); break;
        case Field::MonthLongName: bytes += longest(names.monthsLong); break;
        case Field::Second:
        case Field::Second2: bytes += kMaxNumberBytes + fractionSeparatorSize + 7; break;
        case Field::AmPmUpper:
        case Field::AmPmLower:
        case Field::AmPmAsIs: bytes += amPm; break;
        case Field::TimeZone: break;
        default: bytes += kMaxNumberBytes; break;
        }
    }
    return bytes;
}

bool DateTimePattern::mayWrite(char16_t c, const CalendarNames& names) const
{
    const auto inAny = [c](const auto& texts) {
        return std::any_of(texts.begin(), texts.end(), [c](const QString& t) { return t.contains(QChar(c)); });
    };
    for (const Token& t : m_tokens) {
        bool found = false;
        switch (t.field) {
        case Field::Literal: found = t.text.contains(QChar(c)); break;
        case Field::DayShortName: found = inAny(names.daysShort); break;
        case Field::DayLongName: found = inAny(names.daysLong); break;
        case Field::MonthShortName: found = inAny(names.monthsShort); break;
        case Field::MonthLongName: found = inAny(names.monthsLong); break;
        case Field::AmPmUpper:
        case Field::AmPmLower:
        case Field::AmPmAsIs: found = inAny(std::array<QString, 2>{names.am, names.pm}); break;
        default: break;
        }
        if (found)
            return true;
    }
    return false;
}

char* DateTimePattern::write(char* d, const CalendarNames& names, const CivilDateTime& v,
                             std::string_view fractionSeparator) const
{
    const auto bytes = [&d](std::string_view b) {
        std::memcpy(d, b.data(), b.size());
        d += b.size();
    };
    const auto text = [&](const QString& t) { d = m_encoder.write(d, t); };
    const int hour12 = v.hour % 12 == 0 ? 12 : v.hour % 12;
    for (const Token& t : m_tokens) {
        switch (t.field) {
        case Field::Literal: bytes(t.bytes); break;
        case Field::Day: d = writeNumber(d, v.day, 1); break;
        case Field::Day2: d = writeNumber(d, v.day, 2); break;
        case Field::DayShortName: text(names.daysShort[static_cast<std::size_t>(v.dayOfWeek)]); break;
        case Field::DayLongName: text(names.daysLong[static_cast<std::size_t>(v.dayOfWeek)]); break;
        case Field::Month: d = writeNumber(d, v.month, 1); break;
        case Field::Month2: d = writeNumber(d, v.month, 2); break;
        case Field::MonthShortName: text(names.monthsShort[static_cast<std::size_t>(v.month - 1)]); break;
        case Field::MonthLongName: text(names.monthsLong[static_cast<std::size_t>(v.month - 1)]); break;
        case Field::Year:
            if (t.text.size() == 2)
                d = writeNumber(d, ((v.year % 100) + 100) % 100, 2);
            else
                d = writeNumber(d, v.year, 4);
            break;
        case Field::Hour: d = writeNumber(d, m_twelveHour ? hour12 : v.hour, 1); break;
        case Field::Hour2: d = writeNumber(d, m_twelveHour ? hour12 : v.hour, 2); break;
        case Field::Hour24: d = writeNumber(d, v.hour, 1); break;
        case Field::Hour24_2: d = writeNumber(d, v.hour, 2); break;
        case Field::Minute: d = writeNumber(d, v.minute, 1); break;
        case Field::Minute2: d = writeNumber(d, v.minute, 2); break;
        case Field::Second:
        case Field::Second2:
            d = writeNumber(d, v.second, t.field == Field::Second2 ? 2 : 1);
            if (!fractionSeparator.empty() && v.ticks != 0) {
                char digits[7];
                std::int32_t f = v.ticks;
                for (int k = 6; k >= 0; --k) {
                    digits[k] = static_cast<char>('0' + f % 10);
                    f /= 10;
                }
                int len = 7;
                while (digits[len - 1] == '0')
                    --len;
                bytes(fractionSeparator);
                bytes(std::string_view(digits, static_cast<std::size_t>(len)));
            }
            break;
        case Field::Millis: d = writeNumber(d, v.ticks / 10'000, 1); break;
        case Field::Millis3: d = writeNumber(d, v.ticks / 10'000, 3); break;
        // Names mostly come in the case wanted already: no copy for those.
        case Field::AmPmUpper: {
            const QString& name = v.hour < 12 ? names.am : names.pm;
            text(name.isUpper() ? name : name.toUpper());
            break;
        }
        case Field::AmPmLower: {
            const QString& name = v.hour < 12 ? names.am : names.pm;
            text(name.isLower() ? name : name.toLower());
            break;
        }
        case Field::AmPmAsIs: text(v.hour < 12 ? names.am : names.pm); break;
        case Field::TimeZone: break;
        }
    }
    return d;
}

void DateTimePattern::append(QString& out, const CalendarNames& names, const CivilDateTime& value,
                             QStringView fractionSeparator) const
{
    std::string bytes;
    std::string separator;
    m_encoder.append(separator, fractionSeparator);
    append(bytes, names, value, separator);
    out += m_encoder.decode(bytes);
}

CompiledDateTimeText DateTimePattern::compile(const CalendarNames& names) const
{
    using Compiled = CompiledDateTimeText;
    Compiled compiled;
    const auto encoded = [this](const auto& texts, auto&& change) {
        std::vector<std::string> bytes;
        for (const QString& t : texts) {
            bytes.emplace_back();
            m_encoder.append(bytes.back(), change(t));
        }
        return bytes;
    };
    const auto asIs = [](const QString& t) { return t; };
    const std::array<QString, 2> amPm{names.am, names.pm};
    const Compiled::Value hour = m_twelveHour ? Compiled::kHour12 : Compiled::kHour;
    for (const Token& t : m_tokens) {
        switch (t.field) {
        case Field::Literal: compiled.addText(t.bytes); break;
        case Field::Day: compiled.addNumber(Compiled::kDay, false); break;
        case Field::Day2: compiled.addNumber(Compiled::kDay, true); break;
        case Field::DayShortName: compiled.addNames(encoded(names.daysShort, asIs), Compiled::kDayOfWeek); break;
        case Field::DayLongName: compiled.addNames(encoded(names.daysLong, asIs), Compiled::kDayOfWeek); break;
        case Field::Month: compiled.addNumber(Compiled::kMonth, false); break;
        case Field::Month2: compiled.addNumber(Compiled::kMonth, true); break;
        case Field::MonthShortName: compiled.addNames(encoded(names.monthsShort, asIs), Compiled::kMonthIndex); break;
        case Field::MonthLongName: compiled.addNames(encoded(names.monthsLong, asIs), Compiled::kMonthIndex); break;
        case Field::Year:
            if (t.text.size() != 2)
                compiled.addNumber(Compiled::kCentury, true);
            compiled.addNumber(Compiled::kYearOfCentury, true);
            break;
        case Field::Hour: compiled.addNumber(hour, false); break;
        case Field::Hour2: compiled.addNumber(hour, true); break;
        case Field::Hour24: compiled.addNumber(Compiled::kHour, false); break;
        case Field::Hour24_2: compiled.addNumber(Compiled::kHour, true); break;
        case Field::Minute: compiled.addNumber(Compiled::kMinute, false); break;
        case Field::Minute2: compiled.addNumber(Compiled::kMinute, true); break;
        case Field::Second: compiled.addNumber(Compiled::kSecond, false); break;
        case Field::Second2: compiled.addNumber(Compiled::kSecond, true); break;
        // As write(): a name in upper or lower case, or as the locale spells it.
        case Field::AmPmUpper:
            compiled.addNames(encoded(amPm, [](const QString& n) { return n.toUpper(); }), Compiled::kAfternoon);
            break;
        case Field::AmPmLower:
            compiled.addNames(encoded(amPm, [](const QString& n) { return n.toLower(); }), Compiled::kAfternoon);
            break;
        case Field::AmPmAsIs: compiled.addNames(encoded(amPm, asIs), Compiled::kAfternoon); break;
        case Field::Millis:
        case Field::Millis3: return {};
        case Field::TimeZone: break;
        }
    }
    compiled.finish();
    return compiled;
}

bool DateTimePattern::showsDate() const
{
    return std::any_of(m_tokens.begin(), m_tokens.end(), [](const Token& t) {
        return t.field >= Field::Day && t.field <= Field::Year;
    });
}

bool DateTimePattern::showsTimeOfDay() const
{
    return std::any_of(m_tokens.begin(), m_tokens.end(), [](const Token& t) {
        return t.field >= Field::Hour && t.field <= Field::AmPmAsIs;
    });
}

QString DateTimePattern::toString() const
{
    QString s;
    for (const Token& t : m_tokens) {
        switch (t.field) {
        case Field::Literal: {
            bool plain = true;
            for (QChar c : t.text)
                plain = plain && !c.isLetter() && c != QLatin1Char('\'');
            if (plain) {
                s += t.text;
            } else {
                QString quoted = t.text;
                quoted.replace(QLatin1String("'"), QLatin1String("''"));
                s += QLatin1Char('\'') + quoted + QLatin1Char('\'');
            }
            break;
        }
        case Field::Day: s += QLatin1String("d"); break;
        case Field::Day2: s += QLatin1String("dd"); break;
        case Field::DayShortName: s += QLatin1String("ddd"); break;
        case Field::DayLongName: s += QLatin1String("dddd"); break;
        case Field::Month: s += QLatin1String("M"); break;
        case Field::Month2: s += QLatin1String("MM"); break;
        case Field::MonthShortName: s += QLatin1String("MMM"); break;
        case Field::MonthLongName: s += QLatin1String("MMMM"); break;
        case Field::Year: s += t.text; break;
        case Field::Hour: s += QLatin1String("h"); break;
        case Field::Hour2: s += QLatin1String("hh"); break;
        case Field::Hour24: s += QLatin1String("H"); break;
        case Field::Hour24_2: s += QLatin1String("HH"); break;
        case Field::Minute: s += QLatin1String("m"); break;
        case Field::Minute2: s += QLatin1String("mm"); break;
        case Field::Second: s += QLatin1String("s"); break;
        case Field::Second2: s += QLatin1String("ss"); break;
        case Field::Millis: s += QLatin1String("z"); break;
        case Field::Millis3: s += QLatin1String("zzz"); break;
        case Field::AmPmUpper: s += QLatin1String("AP"); break;
        case Field::AmPmLower: s += QLatin1String("ap"); break;
        case Field::AmPmAsIs: s += QLatin1String("Ap"); break;
        case Field::TimeZone: s += QLatin1String("t"); break;
        }
    }
    return s;
}

} // namespace quorvane::exporter

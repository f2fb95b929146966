#include "TextLocale.h"

#include <cstdlib>

namespace quorvane::exporter {

namespace {

bool isCLocale(const QLocale& locale)
{
    return locale.language() == QLocale::C;
}

} // namespace

TextLocale::TextLocale() : TextLocale(QLocale::c(), QLocale::c()) {}

TextLocale::TextLocale(const QLocale& timeLocale, const QLocale& numericLocale)
{
    setTimeLocale(timeLocale);
    m_decimalSeparator = isCLocale(numericLocale) ? QStringLiteral(".") : numericLocale.decimalPoint();
    if (m_decimalSeparator.isEmpty())
        m_decimalSeparator = QStringLiteral(".");
}

void TextLocale::setTimeLocale(const QLocale& locale)
{
    if (isCLocale(locale)) {
        m_shortDate = DateTimePattern::parse(u"yyyy-MM-dd");
        m_longTime = DateTimePattern::parse(u"HH:mm:ss");
    } else {
        m_shortDate = DateTimePattern::parse(locale.dateFormat(QLocale::ShortFormat));
        m_shortDate.useFourDigitYears();
        m_shortDate.removeTimeZone();
        m_longTime = DateTimePattern::parse(locale.timeFormat(QLocale::LongFormat));
        m_longTime.removeTimeZone();
    }
    for (int m = 1; m <= 12; ++m) {
        m_names.monthsLong[static_cast<std::size_t>(m - 1)] = locale.monthName(m, QLocale::LongFormat);
        m_names.monthsShort[static_cast<std::size_t>(m - 1)] = locale.monthName(m, QLocale::ShortFormat);
    }
    for (int d = 0; d < 7; ++d) {
        const int qtDay = d == 0 ? 7 : d; // Qt counts Monday 1 .. Sunday 7
        m_names.daysLong[static_cast<std::size_t>(d)] = locale.dayName(qtDay, QLocale::LongFormat);
        m_names.daysShort[static_cast<std::size_t>(d)] = locale.dayName(qtDay, QLocale::ShortFormat);
    }
    m_names.am = locale.amText();
    m_names.pm = locale.pmText();
}

QLocale TextLocale::resolve(const QString& localeName)
{
    QString name = localeName;
    const qsizetype cut = name.indexOf(QLatin1Char('.'));
    if (cut >= 0)
        name.truncate(cut);
    const qsizetype at = name.indexOf(QLatin1Char('@'));
    if (at >= 0)
        name.truncate(at);
    if (name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX"))
        return QLocale::c();
    return QLocale(name);
}

TextLocale TextLocale::fromNames(const QString& timeLocaleName, const QString& numericLocaleName)
{
    return TextLocale(resolve(timeLocaleName), resolve(numericLocaleName));
}

TextLocale TextLocale::fromEnvironment()
{
    return fromEnvironment([](const char* name) { return QString::fromLocal8Bit(std::getenv(name)); });
}

TextLocale TextLocale::fromEnvironment(const std::function<QString(const char*)>& lookup)
{
    // The C library's order: LC_ALL overrides the category, the category overrides LANG;
    // an empty variable counts as unset.
    auto category = [&](const char* variable) {
        for (const char* name : {"LC_ALL", variable, "LANG"}) {
            const QString value = lookup(name);
            if (!value.isEmpty())
                return value;
        }
        return QString();
    };
    return fromNames(category("LC_TIME"), category("LC_NUMERIC"));
}

} // namespace quorvane::exporter

#pragma once

// How values are shown as text for the user: the locale's short date (always with a
// four-digit year), its long time without a time zone, its decimal separator. Taken
// from the environment the way the C library does (LC_ALL, then LC_TIME or LC_NUMERIC,
// then LANG) and resolved through QLocale's own data, so no system locale needs to be
// installed. The C and POSIX locales (and names QLocale does not know) give
// "yyyy-MM-dd", "HH:mm:ss" and ".".

#include "DateTimePattern.h"

#include <QLocale>
#include <QString>

#include <functional>

namespace quorvane::exporter {

class TextLocale {
public:
    // The C rules.
    TextLocale();
    // Dates and times from `timeLocale`, the decimal separator from `numericLocale`.
    TextLocale(const QLocale& timeLocale, const QLocale& numericLocale);

    // From a locale name as the environment spells it ("de_DE.UTF-8", "en_US@euro",
    // "C", "POSIX", empty).
    static TextLocale fromNames(const QString& timeLocaleName, const QString& numericLocaleName);
    // From the process environment, or from `lookup` (a variable's value, empty when unset).
    static TextLocale fromEnvironment();
    static TextLocale fromEnvironment(const std::function<QString(const char*)>& lookup);
    // A locale name resolved to QLocale; the C locale for C, POSIX, empty and unknown names.
    static QLocale resolve(const QString& localeName);

    const DateTimePattern& shortDate() const { return m_shortDate; }
    const DateTimePattern& longTime() const { return m_longTime; }
    const CalendarNames& names() const { return m_names; }
    const QString& decimalSeparator() const { return m_decimalSeparator; }
    const QString& trueText() const { return m_trueText; }
    const QString& falseText() const { return m_falseText; }

private:
    void setTimeLocale(const QLocale& locale);

    DateTimePattern m_shortDate;
    DateTimePattern m_longTime;
    CalendarNames m_names;
    QString m_decimalSeparator = QStringLiteral(".");
    // Access shows Yes/No fields converted to text as these words.
    QString m_trueText = QStringLiteral("True");
    QString m_falseText = QStringLiteral("False");
};

} // namespace quorvane::exporter

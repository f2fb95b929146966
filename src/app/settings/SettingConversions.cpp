#include "SettingConversions.h"

#include <QLocale>

namespace quorvane::app {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The length of the decimal number starting at `from`: optional sign, digits with an
// optional fraction (at least one digit in all), optional exponent. 0 when none starts there.
qsizetype numberLength(const QString& text, qsizetype from)
{
    qsizetype i = from;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        qsizetype j = i + 1;
        qsizetype fraction = 0;
        while (j < n && isDigit(text[j])) {
            ++j;
            ++fraction;
        }
        if (digits + fraction > 0) {
            i = j;
            digits += fraction;
        }
    }
    if (digits == 0)
        return 0;
    // An exponent counts only when digits follow it: "1e" is the number 1 followed by "e".
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        const qsizetype expStart = j;
        while (j < n && isDigit(text[j]))
            ++j;
        if (j > expStart)
            i = j;
    }
    return i - from;
}

double parseNumber(QStringView digits)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(digits, &ok);
    return ok ? value : 0.0;
}

} // namespace

double numericValue(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    const qsizetype length = numberLength(text, start);
    if (length == 0)
        return 0.0;
    return parseNumber(QStringView(text).mid(start, length));
}

bool isTickedText(const QString& text)
{
    return numericValue(text) == 1.0;
}

QString tickText(bool ticked)
{
    return ticked ? QStringLiteral("1") : QStringLiteral("0");
}

std::optional<bool> toBoolean(const QString& text)
{
    const QString word = text.trimmed();
    if (word.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    const qsizetype length = numberLength(word, 0);
    if (length == 0 || length != word.size())
        return std::nullopt;
    return parseNumber(word) != 0.0;
}

QString booleanText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

bool booleanFromText(const QString& text)
{
    const std::optional<bool> value = toBoolean(text);
    if (!value)
        throw TypeMismatch();
    return *value;
}

} // namespace quorvane::app

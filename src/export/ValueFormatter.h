#pragma once

// A field value as the text file shows it: Null as nothing, everything else as the
// user's locale shows it (see TextLocale), binary data as upper-case hexadecimal.

#include "TextLocale.h"

#include "db/Value.h"

#include <QString>

namespace quorvane::exporter {

class ValueFormatter {
public:
    explicit ValueFormatter(TextLocale locale = TextLocale());

    void append(QString& out, const db::Value& value) const;
    QString text(const db::Value& value) const;

    const TextLocale& locale() const { return m_locale; }

private:
    void appendDateTime(QString& out, const CivilDateTime& value, bool showDate, QStringView fractionSeparator) const;

    TextLocale m_locale;
};

} // namespace quorvane::exporter

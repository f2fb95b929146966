#pragma once

// A field value as the text file shows it: Null as nothing, everything else as the
// user's locale shows it (see TextLocale), binary data as upper-case hexadecimal.
// Appended as bytes in the system's code page, straight onto the line being built.

#include "TextEncoder.h"
#include "TextLocale.h"

#include "db/Value.h"

#include <QString>

#include <string>

namespace quorvane::exporter {

class ValueFormatter {
public:
    explicit ValueFormatter(TextLocale locale = TextLocale());

    // With `doubleQuotes` every '"' in the text is written twice (a quoted field).
    void append(std::string& out, const db::Value& value, bool doubleQuotes = false) const;
    QString text(const db::Value& value) const;

    const TextLocale& locale() const { return m_locale; }
    const TextEncoder& encoder() const { return m_encoder; }

private:
    void appendDateTime(std::string& out, const CivilDateTime& value, bool showDate,
                        std::string_view fractionSeparator, bool doubleQuotes) const;

    TextLocale m_locale;
    TextEncoder m_encoder;
    std::string m_point;
    std::string m_true;
    std::string m_false;
    mutable std::string m_scratch; // one date at a time, its capacity kept
};

} // namespace quorvane::exporter

#pragma once

// Text in the system's code page, appended straight to the bytes of a line: on Linux
// (and wherever Qt's system encoding is UTF-8) by hand, since every field of every
// record passes here; elsewhere through QStringEncoder. No byte-order mark; a character
// the code page cannot hold (on UTF-8: a lone surrogate) becomes "?".

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

namespace quorvane::exporter {

class TextEncoder {
public:
    // Appends `text`; with `doubleQuotes` every '"' is written twice.
    void append(std::string& out, QStringView text, bool doubleQuotes = false) const;
    // The same written at `d`, which has room for maxBytes(text.size()); returns the end.
    char* write(char* d, QStringView text, bool doubleQuotes = false) const;
    static constexpr std::size_t maxBytes(qsizetype units) { return 3 * static_cast<std::size_t>(units); }
    // The bytes back to text (the rare cut of a separator that changed mid-line).
    QString decode(std::string_view bytes) const;
};

} // namespace quorvane::exporter

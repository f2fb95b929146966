#pragma once

// How the text of an export looks beyond the window's options: the command line's
// choices of value text, Null text, CSV or JSON lines, line end, byte-order mark and
// encoding. The defaults are the window's format, byte for byte.

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>

namespace quorvane::exporter {

struct OutputStyle {
    enum class Values {
        Locale, // as the user's locale shows them
        Exact,  // db/ExactText.h: never depends on a locale
    };
    enum class Layout {
        Delimited, // the separator and quote options as they are
        Csv,       // RFC 4180: a field is quoted only when it must be, names too
        JsonLines, // one JSON object per record, keys the column names
    };

    Values values = Values::Locale;
    Layout layout = Layout::Delimited;
    // Nulls are written as this text, never quoted; a value whose text is the same is
    // always quoted. Without it a Null is an empty field.
    std::optional<QString> nullText;
    std::string lineEnd = "\r\n";
    bool byteOrderMark = false;
    // A code page Qt's converters know; empty for the system's (UTF-8 here).
    QByteArray encoding;

    bool isDefault() const
    {
        return values == Values::Locale && layout == Layout::Delimited && !nullText && lineEnd == "\r\n"
            && !byteOrderMark && encoding.isEmpty();
    }
    // A table's file: "Orders.txt", or "Orders.jsonl" for JSON lines.
    QString fileExtension() const
    {
        return layout == Layout::JsonLines ? QStringLiteral(".jsonl") : QStringLiteral(".txt");
    }
};

} // namespace quorvane::exporter

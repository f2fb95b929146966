#pragma once

// The lines of a table when the output style is not the window's format (OutputStyle):
// exact or locale values, a Null text, RFC 4180 quoting, JSON lines, another line end
// or code page. The engine hands each name and value over as the line is built; the
// window's own format never comes here, so its bytes and its speed stay as they are.

#include "CodePageEncoder.h"
#include "OutputStyle.h"
#include "ValueFormatter.h"

#include "db/Value.h"

#include <QString>

#include <string>
#include <vector>

namespace quorvane::db {
class Recordset;
}

namespace quorvane::exporter {

class StyledLines {
public:
    // `separator` and `quotes` are the delimited options (the separator also for CSV);
    // `locale` formats values in locale mode.
    StyledLines(const OutputStyle& style, const ValueFormatter& locale, const QString& separator, bool quotes);

    void startLine() { m_fields = 0; }
    // A field name of the header line (not for JSON lines).
    void addName(std::string& line, const QString& name);
    // The value of column `column` of the record set's current record.
    void addValue(std::string& line, const db::Recordset& records, int column);
    // The same for a value already taken from the record set; JSON lines take the keys
    // from nameColumns(), given once before the first line.
    void addValue(std::string& line, const db::Value& value, int column);
    void nameColumns(const std::vector<QString>& names);
    // Closes the line: the JSON object's brace, the line end, the code page.
    void endLine(std::string& line);

    // What a file starts with (the byte-order mark) and ends with (one more line end
    // for the delimited format, nothing for CSV and JSON lines), in the code page.
    std::string fileStart();
    std::string fileEnd();

    // The text of one value as the style writes it, before quoting (tests).
    std::string valueText(const db::Value& value) const;

private:
    void appendValueText(std::string& text, const db::Value& value) const;
    void startField(std::string& line);
    void appendQuoted(std::string& line, const std::string& text) const;
    bool needsQuotes(const std::string& text) const;
    void appendJsonString(std::string& line, QStringView text) const;
    void appendJsonValue(std::string& line, const db::Value& value);
    std::string& key(int column);

    OutputStyle m_style;
    const ValueFormatter& m_locale;
    TextEncoder m_encoder;
    CodePageEncoder m_codePage;
    std::string m_separator;
    std::string m_null;
    bool m_quotes;
    int m_fields = 0;                // fields in the line so far
    std::vector<std::string> m_keys; // JSON: the encoded key of each column, with its colon
    std::string m_scratch;
};

} // namespace quorvane::exporter

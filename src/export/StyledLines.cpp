#include "StyledLines.h"

#include "db/Ado.h"
#include "db/ExactText.h"

namespace quorvane::exporter {

using Layout = OutputStyle::Layout;

StyledLines::StyledLines(const OutputStyle& style, const ValueFormatter& locale, const QString& separator,
                         bool quotes)
    : m_style(style),
      m_locale(locale),
      m_codePage(style.encoding.isEmpty() ? QByteArray("UTF-8") : style.encoding),
      m_quotes(quotes)
{
    m_encoder.append(m_separator, separator);
    if (m_style.nullText)
        m_encoder.append(m_null, *m_style.nullText);
}

void StyledLines::startField(std::string& line)
{
    if (m_style.layout == Layout::JsonLines)
        line += m_fields == 0 ? '{' : ',';
    else if (m_fields > 0)
        line += m_separator;
    ++m_fields;
}

bool StyledLines::needsQuotes(const std::string& text) const
{
    if (m_style.nullText && text == m_null)
        return true; // a value must never read back as a Null
    if (m_style.layout != Layout::Csv)
        return m_quotes;
    if (text.find_first_of("\"\r\n") != std::string::npos)
        return true;
    return !m_separator.empty() && text.find(m_separator) != std::string::npos;
}

void StyledLines::appendQuoted(std::string& line, const std::string& text) const
{
    line += '"';
    for (char c : text) {
        line += c;
        if (c == '"')
            line += '"';
    }
    line += '"';
}

void StyledLines::addName(std::string& line, const QString& name)
{
    startField(line);
    m_scratch.clear();
    m_encoder.append(m_scratch, name);
    // The window's format never quotes names; CSV quotes them by the rule for values.
    if (m_style.layout == Layout::Csv && needsQuotes(m_scratch))
        appendQuoted(line, m_scratch);
    else
        line += m_scratch;
}

std::string StyledLines::valueText(const db::Value& value) const
{
    std::string text;
    appendValueText(text, value);
    return text;
}

void StyledLines::appendValueText(std::string& text, const db::Value& value) const
{
    const db::ValueKind kind = value.kind();
    if (m_style.values == OutputStyle::Values::Locale)
        m_locale.append(text, value);
    else if (kind == db::ValueKind::Text)
        m_encoder.append(text, value.asText());
    else if (kind == db::ValueKind::Complex)
        m_encoder.append(text, value.asComplex().display);
    else
        db::appendExactText(text, value);
}

std::string& StyledLines::key(int column)
{
    if (static_cast<std::size_t>(column) >= m_keys.size())
        m_keys.resize(static_cast<std::size_t>(column) + 1);
    return m_keys[static_cast<std::size_t>(column)];
}

void StyledLines::nameColumns(const std::vector<QString>& names)
{
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string& k = key(static_cast<int>(i));
        k.clear();
        appendJsonString(k, names[i]);
        k += ':';
    }
}

void StyledLines::addValue(std::string& line, const db::Recordset& records, int column)
{
    if (m_style.layout == Layout::JsonLines && key(column).empty()) {
        std::string& k = key(column);
        appendJsonString(k, records.fieldName(column));
        k += ':';
    }
    addValue(line, records.fieldValue(column), column);
}

void StyledLines::addValue(std::string& line, const db::Value& value, int column)
{
    startField(line);
    if (m_style.layout == Layout::JsonLines) {
        line += key(column);
        appendJsonValue(line, value);
        return;
    }
    if (value.isNull() && m_style.nullText) {
        line += m_null;
        return;
    }
    m_scratch.clear(); // its storage kept from value to value
    appendValueText(m_scratch, value);
    if (needsQuotes(m_scratch))
        appendQuoted(line, m_scratch);
    else
        line += m_scratch;
}

void StyledLines::appendJsonString(std::string& line, QStringView text) const
{
    static const char kHex[] = "0123456789abcdef";
    line += '"';
    qsizetype from = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c != u'"' && c != u'\\')
            continue;
        m_encoder.append(line, text.mid(from, i - from));
        from = i + 1;
        switch (c) {
        case u'"': line += "\\\""; break;
        case u'\\': line += "\\\\"; break;
        case u'\n': line += "\\n"; break;
        case u'\r': line += "\\r"; break;
        case u'\t': line += "\\t"; break;
        default:
            line += "\\u00";
            line += kHex[c >> 4];
            line += kHex[c & 0xF];
        }
    }
    // The encoder writes a lone surrogate as "?": the line stays valid UTF-8.
    m_encoder.append(line, text.mid(from));
    line += '"';
}

void StyledLines::appendJsonValue(std::string& line, const db::Value& value)
{
    switch (value.kind()) {
    case db::ValueKind::Null: line += "null"; return;
    case db::ValueKind::Boolean: line += value.asBoolean() ? "true" : "false"; return;
    case db::ValueKind::Text: appendJsonString(line, value.asText()); return;
    case db::ValueKind::Complex: appendJsonString(line, value.asComplex().display); return;
    default: break;
    }
    m_scratch.clear();
    db::appendExactText(m_scratch, value);
    if (db::isJsonNumber(value)) {
        line += m_scratch;
    } else {
        // Currency and Decimal keep every digit as a string; dates, binary data,
        // Replication IDs and NaN or infinities are strings too. All plain ASCII.
        line += '"';
        line += m_scratch;
        line += '"';
    }
}

void StyledLines::endLine(std::string& line)
{
    if (m_style.layout == Layout::JsonLines) {
        if (m_fields == 0)
            line += '{';
        line += '}';
    }
    m_fields = 0;
    line += m_style.lineEnd;
    m_codePage.convert(line);
}

std::string StyledLines::fileStart()
{
    std::string out;
    if (m_style.byteOrderMark) {
        out = "\xEF\xBB\xBF";
        m_codePage.convert(out);
    }
    return out;
}

std::string StyledLines::fileEnd()
{
    std::string out;
    if (m_style.layout == Layout::Delimited) {
        out = m_style.lineEnd;
        m_codePage.convert(out);
    }
    return out;
}

} // namespace quorvane::exporter

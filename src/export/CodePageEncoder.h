#pragma once

// Lines built as UTF-8 turned into another code page that Qt's converters know
// (windows-1252, ISO-8859-15, Shift_JIS, UTF-16LE, ...). A character the code page
// lacks becomes "?": the converters themselves would put the code page's own
// substitute there (0x1A, or 0xFCFC in Shift_JIS), which no reader takes for a
// replaced character.

#include <QByteArray>
#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>

#include <string>

namespace quorvane::exporter {

class CodePageEncoder {
public:
    // Invalid when Qt knows no converter of that name.
    explicit CodePageEncoder(const QByteArray& name);
    bool isValid() const { return m_valid; }
    // True when the name is UTF-8 itself: nothing to convert.
    bool isUtf8() const { return m_utf8; }
    // UTF-8, UTF-16 or UTF-32: every character has its bytes.
    bool isUnicode() const { return m_unicode; }

    // Replaces the UTF-8 text in `text` by its bytes in the code page.
    void convert(std::string& text);

private:
    QByteArray m_name;
    bool m_valid = false;
    bool m_utf8 = false;
    bool m_unicode = false;     // every character has its bytes: convert in one piece
    bool m_asciiAsIs = false;   // ASCII characters are their own bytes
    QByteArray m_question;      // "?" in the code page
    QHash<char32_t, QByteArray> m_known; // the bytes of each character met so far
    std::string m_out;
};

} // namespace quorvane::exporter

#pragma once

// How the stored texts become control states and back. The store keeps only texts;
// check boxes are stored as "1"/"0" and read back through their numeric value, option
// buttons as the words True/False and read back through the Boolean conversion.

#include <QString>

#include <exception>
#include <optional>

namespace quorvane::app {

// The number the text's leading numeric part spells, leading blanks skipped: "1", "1.0"
// and " 1abc" give 1; "", "abc" and "0" give 0. Never fails.
double numericValue(const QString& text);

// A check box stored under a key is ticked when the numeric value of its text is 1.
bool isTickedText(const QString& text);
// What a check box's click stores: "1" when ticked, "0" otherwise.
QString tickText(bool ticked);

// The words True and False in any letter case, or any numeric text (zero is false,
// everything else true); blanks around either are allowed. Anything else has no Boolean
// value.
std::optional<bool> toBoolean(const QString& text);
// What an option button's click stores: "True" or "False".
QString booleanText(bool value);

// Raised when a stored text has no Boolean value; number 13, "Type mismatch", as the
// runtime reports it.
class TypeMismatch : public std::exception {
public:
    static constexpr int kNumber = 13;
    int number() const { return kNumber; }
    QString description() const { return QStringLiteral("Type mismatch"); }
    const char* what() const noexcept override { return "Type mismatch"; }
};

// toBoolean, raising TypeMismatch for a text without a Boolean value.
bool booleanFromText(const QString& text);

} // namespace quorvane::app

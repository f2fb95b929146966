#pragma once

// Where the one report of an unexpected run-time error goes. The window shows it in a
// modal box (kApplicationErrorTitle, warning icon, OK only), the command line prints it
// to stderr, tests record it. Nothing here knows which.

#include <QString>

namespace quorvane::report {

inline const QString kApplicationErrorTitle = QStringLiteral("Application Error");

// One report, with the pieces it was built from so that a reporter (or a test) need not
// parse the message back.
struct ApplicationError {
    QString description;   // what the failing component said
    QString location;      // the routine's location text, ending with a blank
    int line = 0;          // current statement number; 0 for a handler without numbers
    QString message;       // the full text to show, built by buildApplicationErrorMessage
    int number = 0;        // the error's number, 0 when it has none; not shown
};

class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    // Shows the report and returns once the user has dismissed it (a modal box) or at
    // once (stderr, tests). Must not throw.
    virtual void showApplicationError(const ApplicationError& error) = 0;
};

// Prints error.message to stderr, line ends as on a terminal; what the program uses until
// a window installs its own reporter.
class StderrErrorReporter : public ErrorReporter {
public:
    void showApplicationError(const ApplicationError& error) override;
};

} // namespace quorvane::report

#pragma once

// The one fixed form in which an unexpected run-time error is reported.
//
//   <description> CR LF <location text>at line <number> CR CR
//   Please email screenshot of this message to <support address>

#include "ErrorReporter.h"

#include <QString>

namespace quorvane::report {

// The maker's support address the report ends with. A configuration value: the build
// sets the default (CMake cache variable QUORVANE_SUPPORT_ADDRESS); the program may
// replace it at start-up.
QString supportAddress();
void setSupportAddress(const QString& address);

// The report's text exactly: description, "\r\n", location (it ends with a blank),
// "at line ", the number in decimal, "\r\r", then the request for a screenshot. A line of
// 0 (a handler without statement numbers) leaves out "at line <number>".
QString buildApplicationErrorMessage(const QString& description, const QString& location, int line);

// The program-wide reporter: the window installs its own at start-up; until then (and
// after setErrorReporter(nullptr)) reports go to stderr. The reporter must outlive its
// installation.
ErrorReporter& errorReporter();
void setErrorReporter(ErrorReporter* reporter);

// Builds the message and hands it to `reporter`; returns when the report was dismissed.
void ShowApplicationError(ErrorReporter& reporter, const QString& description, const QString& location, int line,
                          int number = 0);
// The same through the program-wide reporter.
void ShowApplicationError(const QString& description, const QString& location, int line);

} // namespace quorvane::report

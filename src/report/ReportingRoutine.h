#pragma once

// How a reporting routine runs: its statements carry numbers (100, 102, ...); a run-time
// error raised in a statement, or in anything it calls, is reported at once with the
// routine's location text and the current statement number, and the routine goes on.
//
//   ReportingRoutine r(location::kForm2PushButton1Click, reporter);
//   int count = 0;
//   r.run(100, [&] { count = list.count(); });
//   for (int i = 0; i < count; ++i) {
//       r.run(102, [&] { list.setChecked(i, true); });   // a failure: report, next row
//       r.run(104, [] {});                               // "next row"
//   }
//
// The continuation rules map onto the calls:
// - next statement: run() returns false after the report and the caller simply goes on;
//   whatever the statement did before the error stays done;
// - a failed test runs its guarded branch: test() returns true when the test failed;
// - loops go on: a failing statement in a loop body reports and the loop continues;
//   a failing loop test runs the body (loopTest() returns true), but when the same test
//   fails again on the next pass the loop ends there, silently: a test that fails on
//   every pass (a record set that never opened) is reported once, not without end.
//
// Nothing escapes: every exception is turned into a report (std::bad_alloc included).
// Not thread-safe; one routine object per run of the routine.

#include "ApplicationError.h"
#include "ErrorReporter.h"

#include <QString>

#include <optional>
#include <type_traits>
#include <utility>

namespace quorvane::report {

class ReportingRoutine {
public:
    ReportingRoutine(QString location, ErrorReporter& reporter);

    // A loop whose test is run with loopTest(); remembers whether the test failed on the
    // previous pass.
    class Loop {
        friend class ReportingRoutine;
        bool m_testFailed = false;
    };

    const QString& location() const { return m_location; }
    // The number of the last numbered statement started (0 before the first).
    int line() const { return m_line; }
    // How many reports this run has shown.
    int reportCount() const { return m_reports; }

    // Starts numbered statement `number` and runs it; false when it raised an error
    // (reported).
    template <class F>
    bool run(int number, F&& body)
    {
        m_line = number;
        return run(std::forward<F>(body));
    }

    // A further part of the current statement; the number stays.
    template <class F>
    bool run(F&& body)
    {
        try {
            body();
            return true;
        } catch (...) {
            reportCurrentException();
            return false;
        }
    }

    // A numbered statement that computes a value: nullopt when it failed (reported).
    template <class F>
    auto value(int number, F&& body) -> std::optional<std::invoke_result_t<F>>
    {
        m_line = number;
        try {
            return body();
        } catch (...) {
            reportCurrentException();
            return std::nullopt;
        }
    }

    // The test of a conditional: its result, or true when it failed (after the report,
    // the guarded branch runs).
    template <class F>
    bool test(int number, F&& condition)
    {
        m_line = number;
        try {
            return static_cast<bool>(condition());
        } catch (...) {
            reportCurrentException();
            return true;
        }
    }

    // The test of a loop: its result; when it fails, true once so that the body runs,
    // and false (without a second report) when it fails again on the very next pass.
    template <class F>
    bool loopTest(Loop& loop, int number, F&& condition)
    {
        m_line = number;
        try {
            const bool result = static_cast<bool>(condition());
            loop.m_testFailed = false;
            return result;
        } catch (...) {
            if (loop.m_testFailed)
                return false;
            loop.m_testFailed = true;
            reportCurrentException();
            return true;
        }
    }

    // Reports `description` at the current statement number, as if a statement had
    // raised it.
    void report(const QString& description, int number = 0);

private:
    void reportCurrentException();

    QString m_location;
    ErrorReporter& m_reporter;
    int m_line = 0;
    int m_reports = 0;
};

} // namespace quorvane::report

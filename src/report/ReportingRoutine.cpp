#include "ReportingRoutine.h"

#include "RuntimeError.h"

namespace quorvane::report {

ReportingRoutine::ReportingRoutine(QString location, ErrorReporter& reporter)
    : m_location(std::move(location)), m_reporter(reporter)
{
}

void ReportingRoutine::report(const QString& description, int number)
{
    ++m_reports;
    ShowApplicationError(m_reporter, description, m_location, m_line, number);
}

void ReportingRoutine::reportCurrentException()
{
    const ErrorCause cause = currentExceptionCause();
    report(cause.description, cause.number);
}

} // namespace quorvane::report

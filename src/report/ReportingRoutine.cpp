#include "ReportingRoutine.h"

#include "RuntimeError.h"

namespace quorvane::report {

ReportingRoutine::ReportingRoutine(QString location, ErrorReporter& reporter)
    : m_location(std::move(location)), m_reporter(reporter)
{
}

void ReportingRoutine::report(const QString& description)
{
    ++m_reports;
    ShowApplicationError(m_reporter, description, m_location, m_line);
}

void ReportingRoutine::reportCurrentException()
{
    report(describeCurrentException());
}

} // namespace quorvane::report

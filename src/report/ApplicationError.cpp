#include "ApplicationError.h"

#include <cstdio>

#ifndef QUORVANE_SUPPORT_ADDRESS
#define QUORVANE_SUPPORT_ADDRESS "support@halvorsk.invalid"
#endif

namespace quorvane::report {

namespace {

QString& supportAddressStore()
{
    static QString address = QStringLiteral(QUORVANE_SUPPORT_ADDRESS);
    return address;
}

ErrorReporter*& installedReporter()
{
    static ErrorReporter* reporter = nullptr;
    return reporter;
}

} // namespace

QString supportAddress()
{
    return supportAddressStore();
}

void setSupportAddress(const QString& address)
{
    supportAddressStore() = address;
}

QString buildApplicationErrorMessage(const QString& description, const QString& location, int line)
{
    QString message = description;
    message += QLatin1String("\r\n");
    message += location;
    if (line != 0) {
        message += QLatin1String("at line ");
        message += QString::number(line);
    }
    message += QLatin1String("\r\r");
    message += QLatin1String("Please email screenshot of this message to ");
    message += supportAddress();
    return message;
}

ErrorReporter& errorReporter()
{
    static StderrErrorReporter fallback;
    ErrorReporter* installed = installedReporter();
    return installed ? *installed : fallback;
}

void setErrorReporter(ErrorReporter* reporter)
{
    installedReporter() = reporter;
}

void ShowApplicationError(ErrorReporter& reporter, const QString& description, const QString& location, int line,
                          int number)
{
    ApplicationError error;
    error.number = number;
    error.description = description;
    error.location = location;
    error.line = line;
    error.message = buildApplicationErrorMessage(description, location, line);
    reporter.showApplicationError(error);
}

void ShowApplicationError(const QString& description, const QString& location, int line)
{
    ShowApplicationError(errorReporter(), description, location, line);
}

void StderrErrorReporter::showApplicationError(const ApplicationError& error)
{
    // The box's carriage returns would overwrite each other on a terminal.
    QString text = error.message;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

} // namespace quorvane::report

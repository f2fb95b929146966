#pragma once

// A run-time error raised by the program's own code (a file that cannot be written, a
// value that cannot be converted), with a number and a description like the provider's
// errors. Reporting routines catch it, and the data-access layer's DbException, per
// statement.

#include <QByteArray>
#include <QString>

#include <exception>

namespace quorvane::report {

// Numbers as the classic runtime gives them for the same conditions.
namespace rte {
constexpr int kOutOfMemory = 7;
constexpr int kSubscriptOutOfRange = 9;
constexpr int kBadFileNameOrNumber = 52;
constexpr int kDiskFull = 61;
constexpr int kPathFileAccess = 75;
} // namespace rte

class RuntimeError : public std::exception {
public:
    RuntimeError(int number, QString description);
    int number() const { return m_number; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    int m_number;
    QString m_description;
    QByteArray m_utf8;
};

// The number and description of the exception being handled: those of a RuntimeError
// (the data-access layer's DbException is one), 7 for running out of memory, else what()
// of any std::exception read as UTF-8 with number 0. Call only inside a catch block.
struct ErrorCause {
    int number = 0;
    QString description;
};
ErrorCause currentExceptionCause();
inline QString describeCurrentException()
{
    return currentExceptionCause().description;
}

} // namespace quorvane::report

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

// The description of the exception being handled: the description of a RuntimeError, or
// what() of any std::exception read as UTF-8 (the data-access layer's DbException carries
// its provider description there). Call only inside a catch block.
QString describeCurrentException();

} // namespace quorvane::report

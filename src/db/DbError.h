#pragma once

#include "report/RuntimeError.h"

#include <QString>

#include <exception>

namespace quorvane::db {

// Error numbers as the data provider reports them.
namespace errc {
constexpr int kCannotCreateObject = 429;   // "ActiveX component can't create object"
constexpr int kWrongArguments = 3001;
constexpr int kNoCurrentRecord = 3021;
constexpr int kFileNotFound = 3024;
constexpr int kCannotOpenFile = 3051;
constexpr int kBadPassword = 3031;
constexpr int kDamaged = 3049;
constexpr int kNoSuchTable = 3078;
constexpr int kQuerySyntax = 3131;
constexpr int kItemNotFound = 3265;
constexpr int kUnrecognizedFormat = 3343;
constexpr int kObjectClosed = 3704;
constexpr int kObjectOpen = 3705;
constexpr int kProviderNotFound = 3706;
} // namespace errc

// A failure with a number and a description, like the provider's.
struct DbError {
    DbError() = default;
    DbError(int n, QString text) : number(n), description(std::move(text)) {}

    int number = 0;
    QString description;
    // For a damaged file: what is wrong, the page, and the table being read (when known).
    QString damage;
    quint32 page = 0;
    QString table;

    bool isError() const { return number != 0; }

    static DbError fileNotFound(const QString& path);
    // The file is there but cannot be read as one: a folder, a device, no permission.
    static DbError cannotOpenFile(const QString& path, const QString& reason);
    static DbError unrecognizedFormat(const QString& path);
    static DbError badPassword();
    static DbError noSuchTable(const QString& name);
    static DbError providerNotFound();
    // A damaged file: says what is wrong and on which page.
    static DbError damaged(const QString& what, quint32 page);
    // Names the table a damaged-file error was met in (once; other errors unchanged).
    void inTable(const QString& name);
};

// Thrown by the connection and record set members (the data-access interface raises
// errors the way the component it stands in for does); the reporting routines catch
// it per statement. The file-format layer below returns DbError values instead.
// A run-time error like the program's own, so that whoever reports it learns its number.
class DbException : public report::RuntimeError {
public:
    explicit DbException(DbError error);
    DbException(int number, QString description);
    const DbError& error() const { return m_error; }

private:
    DbError m_error;
};

} // namespace quorvane::db

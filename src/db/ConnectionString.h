#pragma once

#include "DbError.h"

#include <QString>

#include <optional>

namespace quorvane::db {

// Where the connection string's path and password come from: the main window's
// database path box and password box, read at the moment of the call.
class ConnectionInputs {
public:
    virtual ~ConnectionInputs() = default;
    virtual QString databasePath() const = 0;
    virtual QString databasePassword() const = 0;
};

// Inputs fixed when made: the command line's arguments.
class FixedConnectionInputs : public ConnectionInputs {
public:
    FixedConnectionInputs(QString path, QString password) : m_path(std::move(path)), m_password(std::move(password)) {}
    QString databasePath() const override { return m_path; }
    QString databasePassword() const override { return m_password; }

private:
    QString m_path;
    QString m_password;
};

// The provider head, the path, the password clause and the password. The ACE 12.0
// provider for paths whose last five characters are "accdb" in any case, Jet 4.0 for
// every other path. A value holding ';', a quote or leading/trailing blanks is quoted
// (OLE DB rules) so it reaches the provider unchanged; anything else goes in verbatim.
QString BuildConnectionString(const ConnectionInputs& inputs);

// Quotes a connection-string value only when it needs it.
QString quoteConnectionValue(const QString& value);

// What a connection string asks for.
struct ConnectionSettings {
    QString provider;
    QString dataSource;
    QString password;
};

// Parses key=value pairs by the OLE DB rules: pairs separated by ';', keys compared
// without regard to case, values optionally quoted with '"' or '\'' (a doubled quote
// inside stands for one), the last of repeated keys wins. The provider must be the
// Jet 4.0 or ACE 12.0 OLE DB provider; otherwise error 3706.
std::optional<ConnectionSettings> parseConnectionString(const QString& text, DbError& error);

} // namespace quorvane::db

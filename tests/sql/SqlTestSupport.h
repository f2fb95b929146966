#pragma once

// What the SQL tests share: reading an SQLite file back.

#include "db/ConnectionString.h"

#include <QString>

#include <sqlite3.h>

namespace quorvane::test {

// An SQLite file opened read-only for the length of a test.
class SqliteFile {
public:
    explicit SqliteFile(const QString& path)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(m_db);
            m_db = nullptr;
        }
    }
    ~SqliteFile() { sqlite3_close(m_db); }
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;
    sqlite3* handle() const { return m_db; }

    // The first column of the first row as text.
    QString scalar(const char* sql) const
    {
        sqlite3_stmt* s = nullptr;
        QString out;
        if (m_db && sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
            out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        sqlite3_finalize(s);
        return out;
    }

private:
    sqlite3* m_db = nullptr;
};

} // namespace quorvane::test

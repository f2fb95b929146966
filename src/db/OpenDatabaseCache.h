#pragma once

#include "DbError.h"

#include <QString>

#include <memory>

namespace quorvane::db {

namespace format {
class AccessDatabase;
}

// The database opened last, kept for the next connection to the same file: listing the
// tables and exporting them then read the file's header and catalog, and derive an
// encrypted file's key (seconds at a high spin count), once instead of every time.
//
// It is handed out again only while the file is unchanged (the same canonical path,
// size and modification time) and for the same password, and only on the thread that
// opened it: the reader keeps a page cache and is not meant for two threads at once.
// A failed open is never kept, so a wrong password is tried afresh every time.
class OpenDatabaseCache {
public:
    static std::shared_ptr<format::AccessDatabase> open(const QString& path, const QString& password,
                                                        DbError& error);
    // Lets the kept database go (its file mapping and pages).
    static void clear();
};

} // namespace quorvane::db

#pragma once

// A new SQLite database from Access tables: the schema, then every row through one
// prepared INSERT per table, one transaction per table, then the indexes. The rows are
// read and converted on a second thread while SQLite writes them on the calling one.
// The file is written beside the target under a temporary name and renamed over it
// only when everything is in, so a failed run leaves the target as it was and no file
// behind.

#include "SqlSchema.h"

#include "db/DatabaseSchema.h"
#include "db/Value.h"

#include <QString>

namespace quorvane::db {
class ConnectionInputs;
class ObjectFactory;
} // namespace quorvane::db

namespace quorvane::exporter {
class ProgressSink;
class EventPump;

namespace sql {

struct SqliteExportResult {
    bool ok = false;
    QString error;      // what failed, with the table when there was one
    qint64 rows = 0;    // rows written
};

// Writes `schema`'s tables (rows read through `factory` from `database`) into `target`.
// `progress` and `events` may be null.
SqliteExportResult exportToSqlite(const QString& target, const db::DatabaseSchema& schema,
                                  db::ObjectFactory& factory, const db::ConnectionInputs& database,
                                  ProgressSink* progress, EventPump* events);

} // namespace sql
} // namespace quorvane::exporter

#pragma once

// Reading databases back with mdbtools, the independent reader the writer is checked
// against: running its programs and parsing what mdb-export prints.

#include "mdbwriter/Column.h"

#include "db/Value.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace quorvane::mdbwriter::testing {

// True when mdb-export and mdb-tables are installed.
bool haveMdbTools();
// The user tables mdb-tables lists, in its order.
QStringList mdbTables(const QString& file);
// Every record of a table as mdb-export prints it (dates as "yyyy-MM-dd HH:mm:ss",
// binary data in upper-case hex), the header line first. Empty when mdb-export fails.
std::vector<QStringList> mdbExport(const QString& file, const QString& table);

// Whether `printed` is what mdb-export prints for `value` in `column`; `why` says
// what differs. Numbers are compared as numbers (mdb-export prints 16 significant
// digits), Null and empty text both print as nothing.
bool matchesMdbExport(const Column& column, const db::Value& value, const QString& printed, QString& why);

} // namespace quorvane::mdbwriter::testing

#pragma once

// The JSON-lines dump of tables: one object per table, then one array per record with
// tagged values ("s:" text, "d:" double, "t:" date, ...), as the corpus dumps are written.

#include "Value.h"

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

namespace quorvane::db {

// {"table":"Orders","linked":false,"rows":830,"columns":[["OrderID","LONG"],...]}
QByteArray jsonTableLine(const QString& name, bool linked, qint64 rows,
                         const std::vector<std::pair<QString, ColumnType>>& columns);
// ["s:abc","42",null,true,...]
QByteArray jsonRecordLine(const std::vector<Value>& values);
// One value: null, true/false, or a tagged string.
void appendJsonValue(QByteArray& out, const Value& value);
void appendJsonString(QByteArray& out, const QString& text);

// Date/Time as ISO text: "1948-12-08T10:30", seconds and milliseconds only when set.
QString oleDateToIso(double days);
QString extendedDateToIso(const ExtendedDate& date);

} // namespace quorvane::db

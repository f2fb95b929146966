#pragma once

#include "Column.h"

#include "db/Value.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace quorvane::mdbwriter {

// The tables behind an attachment or multi-valued field, as Access lays them out. The
// field's value in a row is only a key; its items are rows of a hidden "flat" table
// holding that key beside the columns of the field's type table, which is shared by
// every field of the same kind (MSysComplexType_Text, MSysComplexType_Attachment...).
// MSysComplexColumns ties each field to its type table and flat table.
namespace hiddentables {

// The columns of MSysComplexColumns.
std::vector<Column> complexColumnsColumns();

// The name of the type table a complex column's items follow, and its columns.
QString typeTableName(const Column& complex);
std::vector<Column> typeColumns(const Column& complex);

// The flat table of `complex` in table `tableName`: the key of the owning row first,
// then, in the order of their names, the type table's columns and the flat table's own
// numbering (what Access does).
struct FlatTable {
    QString name;
    std::vector<Column> columns;
    std::vector<int> typeColumnAt; // where each type column (in type-table order) sits
    int keyAt = 0;
    int numberAt = 0;
};
FlatTable flatTable(const QString& tableName, const Column& complex);

// One attachment as a row of the attachment type table: no address, the file's name,
// its extension as the type, the data as Access keeps it (see attachmentData), no time
// stamp or flags.
std::vector<db::Value> attachment(const QString& fileName, const QByteArray& data, bool compress = true);

// A file's bytes as an attachment stores them: a type word (1: what follows is
// deflated with a zlib header, 0: plain), the length of the content, then the content:
// its header length, a word 1, the length of the extension in characters with the
// closing zero, the extension in UTF-16LE with that zero, and the file's bytes.
QByteArray attachmentData(const QString& extension, const QByteArray& data, bool compress);

} // namespace hiddentables
} // namespace quorvane::mdbwriter

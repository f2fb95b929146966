#pragma once

// The structure of a database's user tables as another database needs it: columns with
// their types, the indexes of each table and the relationships between tables. Read
// straight from the file; the rows are read through the data-access interface as usual.

#include "DbError.h"
#include "Value.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace quorvane::db {

struct SchemaColumn {
    QString name;
    ColumnType type = ColumnType::Unknown;
    int length = 0;        // Text: characters; Binary: bytes
    int precision = 0;     // Decimal
    int scale = 0;
    bool required = false; // NOT NULL
    bool autoNumber = false;
    bool hyperlink = false;
};

struct SchemaIndex {
    QString name;
    QStringList columns;   // in key order
    std::vector<bool> descending;
    bool primary = false;
    bool unique = false;
};

struct SchemaTable {
    QString name;
    std::vector<SchemaColumn> columns;
    std::vector<SchemaIndex> indexes;  // primary key first, foreign key indexes left out
    bool indexesUnreadable = false;    // a damaged index section: none are given
};

// A relationship as Access stores it: `columns` of `table` refer to `referencedColumns`
// of `referencedTable`.
struct SchemaRelation {
    QString name;
    QString table;
    QStringList columns;
    QString referencedTable;
    QStringList referencedColumns;
    bool enforced = true;
    bool cascadeUpdates = false;
    bool cascadeDeletes = false;
};

struct DatabaseSchema {
    std::vector<SchemaTable> tables;       // in the order asked for
    std::vector<SchemaRelation> relations; // those between the tables read
};

// Reads the structure of `tables` (the catalog's spelling; every user table when
// empty) from the database at `path`. False with `error` set when the file cannot be
// opened or a table's definition is damaged.
bool readDatabaseSchema(const QString& path, const QString& password, const QStringList& tables,
                        DatabaseSchema& out, DbError& error);

} // namespace quorvane::db

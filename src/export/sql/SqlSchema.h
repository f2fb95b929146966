#pragma once

// The structure of Access tables as SQL DDL for SQLite, PostgreSQL or MySQL: CREATE
// TABLE with every column, the primary key, the other indexes, and the enforced
// relationships as foreign keys, the tables ordered so that a table comes after those
// it refers to.

#include "db/DatabaseSchema.h"

#include <QString>

#include <optional>

namespace quorvane::exporter::sql {

enum class Dialect { Sqlite, Postgres, Mysql };

// "sqlite", "postgres" (or "postgresql"), "mysql"; nothing for anything else.
std::optional<Dialect> dialectNamed(const QString& name);

// A name as an identifier of the dialect: always quoted, the quote character doubled.
QString quoteName(Dialect dialect, const QString& name);

// The column's type in the dialect, without NOT NULL. `leadsPrimaryKey`: the column is
// the first of the table's primary key, the only place MySQL takes AUTO_INCREMENT.
QString columnType(Dialect dialect, const db::SchemaColumn& column, bool leadsPrimaryKey = false);

// The order the tables are created in: referenced tables first, otherwise the order
// given. Tables in a cycle keep their given order among themselves.
std::vector<int> creationOrder(const db::DatabaseSchema& schema);

// The script in the order a loader runs it: the tables, then (after the rows) the
// indexes, the foreign keys that had to wait, and comments on what was left out.
struct SchemaScript {
    QString tables;
    QString indexes;
    QString after;
};
SchemaScript schemaScript(Dialect dialect, const db::DatabaseSchema& schema);

// The whole script, statements ended by ";\n".
QString schemaSql(Dialect dialect, const db::DatabaseSchema& schema);

// The INSERT with one parameter per column that loads `rows` rows into `table`.
QString insertSql(Dialect dialect, const db::SchemaTable& table, int rows = 1);

} // namespace quorvane::exporter::sql

#pragma once

// The user's own tables of a database: the catalog reads the tables schema and keeps the
// rows of type "TABLE" (no system tables, linked tables or saved queries), in the order
// the provider delivers them.

#include <QStringList>

#include <optional>

namespace quorvane::report {
class ErrorReporter;
}

namespace quorvane::db {

class ConnectionInputs;
class TableListTarget;
class UserDialogue;

// What the catalog works with: the main window's path and password boxes (the connection
// string is built from them at the moment of use), the user for the provider check, and
// where run-time errors are reported.
struct CatalogContext {
    const ConnectionInputs& inputs;
    UserDialogue& dialogue;
    report::ErrorReporter& reporter;
};

// The names of the user tables, or no list when the provider is missing, `path` names no
// file, or the database could not be read; the last is reported once (statement numbers
// 100 to 134) and ends the routine at once. An empty list is a database without user
// tables. `path` only serves to test that the file exists.
std::optional<QStringList> NonSystemTables(const QString& path, const CatalogContext& context);

// Fills `listView` with one ticked row per user table, then ticks and selects the first
// row. When no list can be read the control keeps whatever it held. A failing step is
// reported (statement numbers 100 to 124) and the routine goes on with the next one.
// `password` is not used: the connection string takes the password box itself.
void AddTablesToAccessListbox(TableListTarget& listView, const QString& path, const QString& password,
                              const CatalogContext& context);

} // namespace quorvane::db

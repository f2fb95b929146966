#pragma once

// quorvane-export --schema sqlite|postgres|mysql DATABASE [TABLE...]
// quorvane-export --format sqlite -o FILE.sqlite DATABASE [TABLE...]
//
// The structure of the user tables as SQL on stdout, or the tables with their rows as
// a new SQLite database.

#include "ExportCommand.h"

#include <optional>

namespace quorvane::cli {

// Runs the command when the arguments ask for a schema or an SQLite database; nothing
// otherwise, and the text export goes ahead.
std::optional<int> runDatabaseCommand(const QStringList& arguments, db::ObjectFactory& factory, const CommandIo& io);

// The lines the export command's help gives these two forms.
QString databaseCommandHelp();

} // namespace quorvane::cli

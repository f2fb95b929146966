#pragma once

// quorvane-export: the export engine from the command line.
//
//   quorvane-export [options] DATABASE [TABLE...]
//
// Without TABLE every user table, in the order the catalog lists them; with TABLEs those,
// in the order given. Exit status: 0 when every table was written, 1 when some failed
// (each failure reported on stderr), 2 for bad usage, a database that cannot be opened
// or an output folder that does not exist.

#include <QString>
#include <QStringList>

#include <functional>

namespace quorvane::db {
class ObjectFactory;
}

namespace quorvane::cli {

constexpr int kExitOk = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitUsage = 2;

// Where the command's text goes and what it knows of its surroundings; the program
// passes stdout, stderr and the process environment, tests capture them.
struct CommandIo {
    std::function<void(const QString&)> out;
    std::function<void(const QString&)> err;
    // stderr is a terminal: draw the progress bar there.
    bool errIsTerminal = false;
    int terminalWidth = 80;
    // An environment variable's value, empty when unset.
    std::function<QString(const char*)> env;
};

// Runs the command; `arguments` include the program name first.
int runExportCommand(const QStringList& arguments, db::ObjectFactory& factory, const CommandIo& io);

} // namespace quorvane::cli

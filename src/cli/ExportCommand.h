#pragma once

// quorvane-export: the export engine from the command line.
//
//   quorvane-export [options] DATABASE [TABLE...]
//
// Without TABLE every user table, in the order the catalog lists them; with TABLEs those,
// in the order given. Exit status: 0 when every table was written, 1 when some failed
// (each failure reported on stderr), 2 for bad usage, a database that cannot be opened
// or an output folder that does not exist, 128 + the signal's number when a signal
// stopped the run.

#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;

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
    // Where "-o -" writes the tables: the program's standard output, open for writing.
    QIODevice* stdoutDevice = nullptr;
    // The number of a signal that asks the program to end (SIGINT, SIGTERM, SIGHUP), 0
    // while there is none. The run stops at its next yield and drops the file in hand;
    // the exit status is then 128 + that number, as shells expect.
    std::function<int()> stopSignal;
};

// Runs the command; `arguments` include the program name first.
int runExportCommand(const QStringList& arguments, db::ObjectFactory& factory, const CommandIo& io);

} // namespace quorvane::cli

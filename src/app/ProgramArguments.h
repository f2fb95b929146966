#pragma once

// The window program's command line: `quorvane [DATABASE]`, --help and --version. Read
// before any window exists, so that --help and --version work without a display.

#include <QString>
#include <QStringList>

namespace quorvane::app {

struct ProgramArguments {
    enum class Action { Run, Help, Version, Fail };
    Action action = Action::Run;
    // The database to open at once, made absolute; empty when none was named.
    QString database;
    // Why the arguments were refused (Action::Fail).
    QString error;
};

// Reads `arguments` as QCoreApplication::arguments() gives them (the program's own name
// first). A relative DATABASE is taken from `workingFolder`. "--" ends the options, so a
// file whose name begins with "-" can still be named.
ProgramArguments parseProgramArguments(const QStringList& arguments, const QString& workingFolder);

// The texts --help and --version print.
QString programHelpText();
QString programVersionText();

} // namespace quorvane::app

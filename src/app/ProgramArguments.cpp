#include "ProgramArguments.h"

#include <QDir>

#ifndef QUORVANE_VERSION
#define QUORVANE_VERSION "0"
#endif

namespace quorvane::app {

ProgramArguments parseProgramArguments(const QStringList& arguments, const QString& workingFolder)
{
    ProgramArguments parsed;
    QStringList files;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!optionsEnded && argument.startsWith(u'-') && argument.size() > 1) {
            if (argument == QLatin1String("--")) {
                optionsEnded = true;
            } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
                parsed.action = ProgramArguments::Action::Help;
                return parsed;
            } else if (argument == QLatin1String("--version")) {
                parsed.action = ProgramArguments::Action::Version;
                return parsed;
            } else {
                parsed.action = ProgramArguments::Action::Fail;
                parsed.error = QStringLiteral("unknown option '%1'").arg(argument);
                return parsed;
            }
            continue;
        }
        files.append(argument);
    }
    if (files.size() > 1) {
        parsed.action = ProgramArguments::Action::Fail;
        parsed.error = QStringLiteral("one database at a time, not %1").arg(files.size());
        return parsed;
    }
    if (!files.isEmpty() && !files.front().isEmpty())
        parsed.database = QDir::toNativeSeparators(QDir::cleanPath(QDir(workingFolder).absoluteFilePath(files.front())));
    return parsed;
}

QString programHelpText()
{
    return QStringLiteral(
        "Usage: quorvane [OPTION]... [DATABASE]\n"
        "Export the tables of a Microsoft Access database (.mdb, .accdb) to delimited text\n"
        "files with a two-step wizard.\n"
        "\n"
        "With DATABASE the wizard opens that file at once and starts in the export window;\n"
        "without it, the database used last time is opened when it still exists.\n"
        "\n"
        "Options:\n"
        "  -h, --help     display this help and exit\n"
        "      --version  output version information and exit\n"
        "\n"
        "The usual Qt options (-platform, -style, ...) are accepted as well.\n"
        "Settings are kept in $XDG_CONFIG_HOME/Halvorsk/Quorvane.ini.\n"
        "To export without windows, see quorvane-export(1).\n");
}

QString programVersionText()
{
    return QStringLiteral("quorvane " QUORVANE_VERSION "\n");
}

} // namespace quorvane::app

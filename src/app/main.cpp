#include "Program.h"
#include "ProgramArguments.h"

#include <QApplication>
#include <QDir>
#include <QtGlobal>

#include <cstdio>

namespace {

// Without any display the windows cannot open; say so plainly rather than let the
// platform plugin abort.
bool displayAvailable()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY")
        || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

QStringList rawArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// --help and --version print and end before anything needs a display. Anything else is
// judged once Qt has taken its own options (-platform, -style...) out of the list.
bool answeredWithoutWindows(const quorvane::app::ProgramArguments& parsed)
{
    using Action = quorvane::app::ProgramArguments::Action;
    if (parsed.action == Action::Help) {
        std::fputs(quorvane::app::programHelpText().toLocal8Bit().constData(), stdout);
        return true;
    }
    if (parsed.action == Action::Version) {
        std::fputs(quorvane::app::programVersionText().toLocal8Bit().constData(), stdout);
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    using quorvane::app::parseProgramArguments;
    if (answeredWithoutWindows(parseProgramArguments(rawArguments(argc, argv), QDir::currentPath())))
        return 0;
    if (!displayAvailable()) {
        std::fputs("quorvane: no display to open the windows on. Run it in a desktop session, "
                   "under xvfb-run, or export with the command-line front end.\n",
                   stderr);
        return 2;
    }
    QApplication application(argc, argv);
    const auto parsed = parseProgramArguments(QApplication::arguments(), QDir::currentPath());
    if (answeredWithoutWindows(parsed))
        return 0;
    if (parsed.action == quorvane::app::ProgramArguments::Action::Fail) {
        std::fprintf(stderr, "quorvane: %s\nTry 'quorvane --help'.\n", parsed.error.toLocal8Bit().constData());
        return 2;
    }
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvane"));
    // Closing a window ends the program through the windows' own unload handlers.
    QApplication::setQuitOnLastWindowClosed(false);
    quorvane::app::Program program({}, parsed.database);
    return program.run();
}

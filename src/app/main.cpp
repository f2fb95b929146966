#include "Program.h"

#include <QApplication>
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

} // namespace

int main(int argc, char** argv)
{
    if (!displayAvailable()) {
        std::fputs("quorvane: no display to open the windows on. Run it in a desktop session, "
                   "under xvfb-run, or export with the command-line front end.\n",
                   stderr);
        return 2;
    }
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvane"));
    // Closing a window ends the program through the windows' own unload handlers.
    QApplication::setQuitOnLastWindowClosed(false);
    quorvane::app::Program program;
    return program.run();
}

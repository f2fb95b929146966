// quorvane-export: exports the tables of an Access database to delimited text files.

#include "ExportCommand.h"

#include "db/Ado.h"

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The signal that asks the program to end; the export sees it at its next yield, drops
// the file in hand (a named temporary file included) and the program exits with
// 128 + its number.
volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void onStopSignal(int number)
{
    if (g_stopSignal == 0)
        g_stopSignal = number;
}

void catchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        sigaction(number, &action, nullptr);
}

void write(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

int terminalWidth()
{
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvane-export"));

    quorvane::cli::CommandIo io;
    io.out = [](const QString& text) { write(stdout, text); };
    io.err = [](const QString& text) { write(stderr, text); };
    io.errIsTerminal = isatty(STDERR_FILENO) != 0;
    io.terminalWidth = io.errIsTerminal ? terminalWidth() : 80;
    io.env = [](const char* name) { return QString::fromLocal8Bit(std::getenv(name)); };
    QFile standardOutput;
    if (standardOutput.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered))
        io.stdoutDevice = &standardOutput;
    io.stopSignal = [] { return static_cast<int>(g_stopSignal); };
    catchStopSignals();
    return quorvane::cli::runExportCommand(QCoreApplication::arguments(), quorvane::db::objectFactory(), io);
}

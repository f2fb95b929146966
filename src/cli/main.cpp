// quorvane-export: exports the tables of an Access database to delimited text files.

#include "ExportCommand.h"

#include "db/Ado.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

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
    return quorvane::cli::runExportCommand(QCoreApplication::arguments(), quorvane::db::objectFactory(), io);
}

#include "CommandLineHost.h"

#include <cmath>

namespace quorvane::cli {

CommandLineHost::CommandLineHost(const CommandIo& io, bool quiet) : m_io(io), m_quiet(quiet) {}

exporter::ExportHost CommandLineHost::engineHost()
{
    exporter::ExportHost host;
    host.options = &options;
    host.tables = &tables;
    host.progress = this;
    host.events = this;
    host.pointer = this;
    host.messages = this;
    host.errors = this;
    return host;
}

void CommandLineHost::setValue(double value)
{
    m_value = value;
}

void CommandLineHost::setText(const QString& text)
{
    m_text = text;
    // A table's start shows at once; records show when the engine turns the event loop.
    if (!m_quiet && m_io.errIsTerminal && text.startsWith(QLatin1String("Processing: ")))
        drawBar();
}

// The engine turns the event loop at most every 15 ms: the moment to redraw.
void CommandLineHost::processEvents()
{
    if (!m_quiet && m_io.errIsTerminal)
        drawBar();
}

bool CommandLineHost::stopRequested() const
{
    return m_io.stopSignal && m_io.stopSignal() != 0;
}

void CommandLineHost::drawBar()
{
    constexpr int kBarWidth = 24;
    const int filled = static_cast<int>(std::lround(std::clamp(m_value, 0.0, 100.0) / 100.0 * kBarWidth));
    QString line = QStringLiteral("\r[") + QString(filled, QLatin1Char('#')) + QString(kBarWidth - filled, QLatin1Char(' '))
        + QStringLiteral("] ") + QString::number(static_cast<int>(m_value)).rightJustified(3) + QStringLiteral("% ");
    const int room = std::max(0, m_io.terminalWidth - 1 - static_cast<int>(line.size()) + 1);
    line += m_text.left(room).leftJustified(room);
    m_io.err(line);
    m_drawn = true;
}

void CommandLineHost::clearBar()
{
    if (!m_drawn)
        return;
    m_io.err(QStringLiteral("\r") + QString(std::max(1, m_io.terminalWidth - 1), QLatin1Char(' ')) + QStringLiteral("\r"));
    m_drawn = false;
}

void CommandLineHost::finishProgress()
{
    clearBar();
}

void CommandLineHost::showMessage(const QString& text)
{
    clearBar();
    // On standard output the text itself is the result: no "File created at".
    if (!m_quiet && !options.device)
        m_io.err(text + QLatin1Char('\n'));
}

void CommandLineHost::showApplicationError(const report::ApplicationError& error)
{
    clearBar();
    // The report as the window shows it; its carriage returns would overwrite each other.
    QString text = error.message;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_io.err(text + QLatin1Char('\n'));
}

} // namespace quorvane::cli

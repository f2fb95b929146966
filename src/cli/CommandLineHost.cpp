#include "CommandLineHost.h"

#include <cmath>

namespace quorvane::cli {

QString terminalText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            out += QStringLiteral("\\x%1").arg(unsigned(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString failureText(const exporter::ExportFailure& failure)
{
    using exporter::ExportStage;
    const QString file = QLatin1Char('\'') + failure.file + QLatin1Char('\'');
    QString text;
    switch (failure.stage) {
    case ExportStage::OpeningDatabase: text = QStringLiteral("cannot open the database: "); break;
    case ExportStage::OpeningTable: text = QStringLiteral("cannot open the table: "); break;
    case ExportStage::ReadingRows: text = QStringLiteral("cannot read its rows: "); break;
    case ExportStage::CreatingFile: text = QStringLiteral("cannot create ") + file + QStringLiteral(": "); break;
    case ExportStage::WritingFile: text = QStringLiteral("cannot write ") + file + QStringLiteral(": "); break;
    case ExportStage::Other: break;
    }
    text += failure.reason;
    if (!failure.table.isEmpty())
        text = failure.table + QStringLiteral(": ") + text;
    return terminalText(text);
}

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
    host.failures = this;
    return host;
}

void CommandLineHost::setValue(double value)
{
    m_value = value;
}

void CommandLineHost::setText(const QString& text)
{
    m_text = terminalText(text);
    // A table's start shows at once, with the share done before it (the value set with
    // it is the table's end); records show when the engine turns the event loop.
    if (!m_quiet && m_io.errIsTerminal && text.startsWith(QLatin1String("Processing: "))) {
        if (!tables.names.isEmpty())
            m_value = std::max(0.0, m_value - 100.0 / double(tables.names.size()));
        drawBar();
    }
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
    // "Done." or "File created at" would hide the failures said above them; on standard
    // output the text itself is the result: no "File created at".
    if (!m_quiet && !m_anyFailure && !options.device && !(rowsLost && rowsLost()))
        m_io.err(terminalText(text) + QLatin1Char('\n'));
}

void CommandLineHost::exportFailed(const exporter::ExportFailure& failure)
{
    // Once the database did not open, every table failing to open only repeats it; a
    // table or file says its first failure only.
    if (failure.stage == exporter::ExportStage::OpeningTable && m_databaseFailed)
        return;
    const QString place = failure.table.isEmpty() ? failure.file : failure.table;
    if (!place.isEmpty()) {
        if (m_failed.contains(place))
            return;
        m_failed.insert(place);
    }
    if (failure.stage == exporter::ExportStage::OpeningDatabase)
        m_databaseFailed = true;
    m_anyFailure = true;
    clearBar();
    m_io.err(kProgramName + QStringLiteral(": ") + failureText(failure) + QLatin1Char('\n'));
}

} // namespace quorvane::cli

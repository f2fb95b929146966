#include "TableExportEngine.h"

#include "ExportFiles.h"
#include "LinePipeline.h"
#include "StyledLines.h"
#include "TextFileWriter.h"
#include "ValueFormatter.h"

#include "report/ReportingRoutine.h"
#include "report/RuntimeError.h"
#include "db/Ado.h"
#include "db/ConnectionString.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <thread>

namespace quorvane::exporter {

using report::RuntimeError;
namespace rte = report::rte;

namespace {

const QString kFolderMessage = QStringLiteral("Folder does not exist. Please select another folder.");
const QString kDoneMessage = QStringLiteral("Done.");
const QString kFileCreatedMessage = QStringLiteral("File created at ");
const QString kIdleProgressText = QStringLiteral("Progress Bar");

// Between two looks at the clock. With an interval the record walk yields twice per
// record (not per field), so this looks at the clock every eight records: cheap beside
// a record, and soon enough after the interval whatever the records hold.
constexpr int kYieldsPerClockCheck = 16;

template <class T>
T& need(const std::unique_ptr<T>& object)
{
    if (!object)
        throw RuntimeError(91, QStringLiteral("Object variable or With block variable not set"));
    return *object;
}

// The numbers of the four statements that finish a file: create it, yield, write the
// last line end, put it in place.
struct FileStatements {
    int create;
    int yield;
    int write;
    int close;
};
constexpr FileStatements kTableFileStatements{214, 216, 218, 220};
constexpr FileStatements kOneFileStatements{230, 232, 234, 236};

// The step a statement belongs to.
ExportStage stageOf(int statement)
{
    if (statement <= 108)
        return ExportStage::OpeningDatabase;
    if (statement == 134 || statement == 136)
        return ExportStage::OpeningTable;
    if (statement >= 138 && statement <= 192)
        return ExportStage::ReadingRows;
    if (statement == kTableFileStatements.create || statement == kOneFileStatements.create)
        return ExportStage::CreatingFile;
    if ((statement > kTableFileStatements.create && statement <= kTableFileStatements.close)
        || (statement > kOneFileStatements.create && statement <= kOneFileStatements.close))
        return ExportStage::WritingFile;
    return ExportStage::Other;
}

// A batch of records is handed to the workers when it holds this many records, values
// or bytes of text and binary data, whichever comes first: small enough that a batch is
// still in the cache when a worker formats it (batches of a megabyte took clearly more
// processor time in all, their values fetched from memory a second time), large enough
// that handing it over costs little beside its work.
constexpr std::size_t kBatchRecords = 4096;
constexpr std::size_t kBatchValues = 4096;
constexpr std::size_t kBatchTextBytes = std::size_t(1) << 18;
// A table this short is formatted here: threads would cost more than they give.
constexpr qint64 kFewestRecordsForWorkers = 1024;
// Beyond this many workers, the thread that writes the lines (or, when it also reads the
// records, the reading) is the limit.
constexpr unsigned kMostWorkers = 8;

// The bytes a row's values hold beyond the values themselves.
std::size_t heldBytes(const std::vector<db::Value>& row)
{
    std::size_t bytes = 0;
    for (const db::Value& v : row) {
        if (v.kind() == db::ValueKind::Text)
            bytes += static_cast<std::size_t>(v.asText().size()) * 2;
        else if (v.kind() == db::ValueKind::Binary)
            bytes += static_cast<std::size_t>(v.asBinary().size()) * 3; // and its hexadecimal text
    }
    return bytes;
}

// A record's line in the window's format, with the separator and quotes its table
// started with: the same bytes as the field-by-field walk.
class WindowFormatLine : public LineFormatter {
public:
    WindowFormatLine(const ValueFormatter& formatter, std::string separator, bool quotes)
        : m_formatter(formatter), m_separator(std::move(separator)), m_quotes(quotes),
          m_after((quotes ? "\"" : "") + m_separator)
    {
        std::memcpy(m_afterWord, m_after.data(), std::min(m_after.size(), sizeof m_afterWord));
    }
    void appendLine(LineBuffer& out, const std::vector<db::Value>& row) override
    {
        // The line is sized once for its longest text, written in place, then cut to
        // what was written. A value only appended is rare (no table in the benchmarks
        // has one): such a line is built value by value. What follows a value (the
        // closing quote, the separator) is copied eight bytes at a time when it fits:
        // the room has as many to spare.
        const ValueFormatter& formatter = m_formatter;
        const bool quotes = m_quotes;
        const std::size_t open = quotes ? 1 : 0;
        const std::size_t afterSize = m_after.size();
        const std::size_t perValue = open + afterSize;
        std::size_t room = 2 + sizeof m_afterWord;
        for (const db::Value& value : row) {
            const std::size_t bytes = formatter.roomInPlace(value);
            if (bytes == ValueFormatter::kAppended)
                return appendByValue(out, row);
            room += bytes + perValue;
        }
        char* d = out.grow(room);
        if (afterSize <= sizeof m_afterWord) {
            for (const db::Value& value : row) {
                *d = '"';
                d = formatter.writeInPlace(d + open, value, quotes);
                std::memcpy(d, m_afterWord, sizeof m_afterWord);
                d += afterSize;
            }
        } else {
            for (const db::Value& value : row) {
                *d = '"';
                d = formatter.writeInPlace(d + open, value, quotes);
                std::memcpy(d, m_after.data(), afterSize);
                d += afterSize;
            }
        }
        if (!row.empty())
            d -= m_separator.size();
        *d++ = '\r';
        *d++ = '\n';
        out.cutAt(d);
    }

private:
    void appendByValue(LineBuffer& out, const std::vector<db::Value>& row)
    {
        m_line.clear();
        for (const db::Value& value : row) {
            if (m_quotes)
                m_line += '"';
            m_formatter.append(m_line, value, m_quotes);
            if (m_quotes)
                m_line += '"';
            m_line += m_separator;
        }
        if (!row.empty())
            m_line.resize(m_line.size() - m_separator.size());
        m_line += "\r\n";
        out.append(m_line);
    }

    ValueFormatter m_formatter;
    std::string m_separator;
    bool m_quotes;
    std::string m_after;     // after each value: the closing quote, the separator
    char m_afterWord[8]{};   // its first eight bytes
    std::string m_line;      // a line built value by value
};

// A record's line in the command line's style.
class StyledLine : public LineFormatter {
public:
    StyledLine(const OutputStyle& style, const ValueFormatter& formatter, const QString& separator, bool quotes,
               const std::vector<QString>& names)
        : m_formatter(formatter), m_lines(style, m_formatter, separator, quotes)
    {
        m_lines.nameColumns(names);
    }
    void appendLine(LineBuffer& out, const std::vector<db::Value>& row) override
    {
        m_line.clear();
        m_lines.startLine();
        for (std::size_t j = 0; j < row.size(); ++j)
            m_lines.addValue(m_line, row[j], static_cast<int>(j));
        m_lines.endLine(m_line); // the code page is converted line by line
        out.append(m_line);
    }

private:
    ValueFormatter m_formatter; // before m_lines, which refers to it
    StyledLines m_lines;
    std::string m_line;
};

double clampPercent(double value)
{
    if (!(value > 0.0))
        return 0.0;
    return std::min(value, 100.0);
}

} // namespace

class TableExportEngine::Run : private report::ErrorReporter {
public:
    Run(const ExportHost& host, std::chrono::milliseconds yieldInterval, std::optional<int> workers)
        : m_host(host),
          m_factory(*host.factory),
          m_routine(QString(), *this), // the front end names the place, not the engine
          m_formatter(TextLocale::fromEnvironment()),
          m_interval(yieldInterval),
          m_workers(workers),
          m_lastPump(std::chrono::steady_clock::now())
    {
        refreshOptions();
        startStyle();
    }

    ExportResult execute();

private:
    enum class SaveMode { None, PerTable, OneFile };

    struct Options {
        QString folder;
        QString separator;
        std::string separatorBytes; // the separator as it goes into the file
        bool header = true;
        bool quotes = true;
        bool perTable = true;
        bool oneFile = false;
    };

    // What the lines of a table's records are built with when they are built in batches:
    // taken when the table starts, with the style.
    struct LineOptions {
        QString separator;
        std::string separatorBytes;
        bool quotes = true;
    };

    // A file that could not be created: why, kept until the statement that creates it.
    struct FileFailure {
        int number = 0;
        QString description;
        QString reason;
        QString file;
    };

    // report::ErrorReporter: a statement raised an error.
    void showApplicationError(const report::ApplicationError& error) override
    {
        fail(stageOf(error.line), error.number, error.description, error.description, QString());
    }

    // Every failure of the run passes here on its way out, at the current statement.
    void fail(ExportStage stage, int number, const QString& description, const QString& reason, const QString& file)
    {
        if (m_stop)
            return; // the program is ending: nobody is there to read it
        flushProgress();
        ++m_result.reports;
        m_tableFailed = m_inTable;
        ExportFailure failure;
        failure.stage = stage;
        failure.table = m_inTable ? m_tableName : QString();
        failure.file = file;
        failure.number = number;
        failure.description = description;
        failure.reason = reason;
        failure.statement = m_routine.line();
        m_host.failures->exportFailed(failure);
    }
    void fail(ExportStage stage, const FileFailure& why)
    {
        fail(stage, why.number, why.description, why.reason, why.file);
    }

    void refreshOptions()
    {
        const ExportOptions& o = *m_host.options;
        m_opt.folder = o.outputFolder();
        QString separator = o.separator();
        if (separator != m_opt.separator || (m_opt.separatorBytes.empty() && !separator.isEmpty())) {
            m_opt.separator = std::move(separator);
            m_opt.separatorBytes.clear();
            m_formatter.encoder().append(m_opt.separatorBytes, m_opt.separator);
            m_separatorChangedInLine = true;
        }
        m_opt.header = o.headerLine();
        m_opt.quotes = o.quotes();
        m_opt.perTable = o.oneFilePerTable();
        m_opt.oneFile = o.oneFileForAll();
    }

    // A yield: runs the event loop when the interval has passed since the last time.
    void yield()
    {
        if (--m_countdown > 0 || m_stop)
            return;
        pumpIfDue();
    }

    void pumpIfDue()
    {
        m_countdown = m_interval.count() == 0 ? 1 : kYieldsPerClockCheck;
        const auto now = std::chrono::steady_clock::now();
        if (m_interval.count() != 0 && now - m_lastPump < m_interval)
            return;
        flushProgress();
        m_host.events->processEvents();
        if (m_host.events->stopRequested()) {
            m_stop = true;
            return;
        }
        m_lastPump = std::chrono::steady_clock::now();
        // Controls change only while events run: read them again now.
        refreshOptions();
    }

    void setProgress(double value, const QString& text)
    {
        m_pending = false;
        m_host.progress->setValue(clampPercent(value));
        m_host.progress->setText(text);
    }

    void flushProgress()
    {
        if (!m_pending)
            return;
        m_pending = false;
        m_host.progress->setValue(clampPercent(m_pendingValue));
        m_host.progress->setText(QStringLiteral("Processing record: %1 in %2").arg(m_pendingRecord).arg(m_tableName));
    }

    void startLine()
    {
        m_line.clear();
        m_separatorChangedInLine = false;
        if (m_styled)
            m_styled->startLine();
    }
    void startStyle();
    bool openAllFile();
    // "output.txt"; "output.jsonl" for JSON lines.
    QString oneFileName() const
    {
        return m_style.layout == OutputStyle::Layout::JsonLines ? QStringLiteral("output") + m_style.fileExtension()
                                                                : kOneFileName;
    }
    void cutTrailingSeparator();
    void exportTable(int index);
    void openTableOutput();
    bool readHeader();
    bool readRecords();
    bool readRecordsInBatches(qint64 total);
    std::unique_ptr<LineFormatter> lineFormatter(const std::vector<QString>& names) const;
    void hold(int statement, qint64 record, bool endsTable);
    bool submitBatch(LinePipeline& pipeline, qint64 nextRecord, std::size_t keepInFlight);
    bool writeFormatted(LinePipeline& pipeline, std::size_t keepInFlight);
    bool writeBatch(RecordBatch& batch);
    bool readParts(LinePipeline& pipeline, const db::RowParts& parts, std::size_t keepInFlight);
    void waitYield();
    void noteRecord(qint64 record);
    bool batched() const { return m_interval.count() != 0; }
    void emitLine();
    bool openFile(TextFileWriter& file, const QString& path, std::optional<FileFailure>& failure,
                  QIODevice* device = nullptr);
    void finishFile(TextFileWriter& file, const std::optional<FileFailure>& createFailure,
                    const FileStatements& statements);
    void dropTableOutput();
    ExportResult stop();

    const ExportHost& m_host;
    db::ObjectFactory& m_factory;
    report::ReportingRoutine m_routine;
    ValueFormatter m_formatter;
    std::chrono::milliseconds m_interval;
    std::optional<int> m_workers;
    std::chrono::steady_clock::time_point m_lastPump;
    int m_countdown = 1;
    bool m_stop = false; // the host asked to stop: every loop ends, nothing more is written
    Options m_opt;
    ExportResult m_result;

    std::unique_ptr<db::Connection> m_connection;
    std::unique_ptr<db::Recordset> m_records;
    int m_tickedCount = 0;
    int m_rank = 0;

    // The table in hand.
    QString m_tableName;
    bool m_inTable = false;
    bool m_tableFailed = false;
    SaveMode m_mode = SaveMode::None;
    std::string m_line;
    bool m_separatorChangedInLine = false;
    TextFileWriter* m_sink = nullptr;
    TextFileWriter m_tableFile;
    std::optional<FileFailure> m_tableCreateFailure;
    TextFileWriter m_allFile;
    bool m_allFileAttempted = false;
    std::optional<FileFailure> m_allCreateFailure;
    qint64 m_blockStart = 0;
    // Lines in a style other than the window's (the command line's options), decided
    // when a table starts; null for the window's format.
    std::unique_ptr<StyledLines> m_styled;
    OutputStyle m_style;
    std::string m_fileEnd = "\r\n";
    LineOptions m_lineOptions;
    qint64 m_recordTotal = 0;
    // In the batched walk: the batch being filled, where what the reader meets is held.
    std::unique_ptr<RecordBatch> m_filling;
    qint64 m_nextRecord = 1; // of the next line a batch writes

    bool m_pending = false;
    double m_pendingValue = 0.0;
    qint64 m_pendingRecord = 0;
};

ExportResult TableExportEngine::Run::execute()
{
    report::ReportingRoutine& r = m_routine;

    r.run(100, [&] { m_connection = m_factory.createConnection(db::kConnectionProgId); });
    r.run(102, [&] { m_records = m_factory.createRecordset(db::kRecordSetProgId); });
    if (r.test(104, [&] { return !FolderExists(m_opt.folder); })) {
        r.run(254, [&] { m_host.messages->showMessage(kFolderMessage); });
        m_result.folderMissing = true;
        return m_result;
    }
    r.run(106, [&] { need(m_connection).setMode(db::kModeReadWrite); });
    r.run(108, [&] { need(m_connection).open(db::BuildConnectionString(*m_host.database)); });
    r.run(112, [&] { m_tickedCount = 0; });

    // Count the ticked rows first: the progress shares depend on it.
    const int rows = r.value(114, [&] { return m_host.tables->count(); }).value_or(0);
    for (int i = 0; i < rows; ++i) {
        if (r.test(116, [&] { return m_host.tables->isTicked(i); }))
            r.run(118, [&] { ++m_tickedCount; });
    }

    const int walk = r.value(122, [&] { return m_host.tables->count(); }).value_or(0);
    for (int i = 0; i < walk; ++i) {
        // Rows removed while the export yielded end the walk.
        if (i >= m_host.tables->count())
            break;
        if (r.test(124, [&] { return m_host.tables->isTicked(i); }))
            exportTable(i);
        if (m_stop)
            return stop();
    }

    if (r.test(228, [&] { return m_opt.oneFile; })) {
        openAllFile();
        finishFile(m_allFile, m_allCreateFailure, kOneFileStatements);
    } else {
        m_allFile.cancel();
    }
    if (m_stop)
        return stop();

    r.run(238, [&] { m_host.pointer->restoreDefault(); });
    r.run(240, [&] { m_pending = false; m_host.progress->setValue(0.0); });
    r.run(242, [&] { m_host.progress->setText(kIdleProgressText); });

    if (r.test(248, [&] { return m_opt.oneFile; })) {
        r.run(250, [&] {
            const QString path = m_allFileAttempted ? m_allFile.path() : outputFilePath(m_opt.folder, oneFileName());
            m_host.messages->showMessage(kFileCreatedMessage + path);
        });
    } else {
        r.run(252, [&] { m_host.messages->showMessage(kDoneMessage); });
    }
    return m_result;
}

void TableExportEngine::Run::exportTable(int index)
{
    report::ReportingRoutine& r = m_routine;
    m_inTable = true;
    m_tableFailed = false;
    m_tableName.clear();
    m_mode = SaveMode::None;
    m_sink = nullptr;
    m_tableCreateFailure.reset();

    r.run(128, [&] {
        ++m_rank;
        m_tableName = m_host.tables->name(index);
    });
    r.run(130, [&] {
        m_pending = false;
        m_host.progress->setValue(clampPercent(m_tickedCount > 0 ? double(m_rank) / m_tickedCount * 100.0 : 100.0));
    });
    r.run(132, [&] { m_host.progress->setText(QStringLiteral("Processing: ") + m_tableName); });
    r.run(134, [&] {
        if (need(m_records).state() != db::kStateClosed)
            m_records->close();
    });
    const bool opened = r.run(136, [&] {
        need(m_records).open(QStringLiteral("SELECT * FROM `") + m_tableName + QLatin1Char('`'), need(m_connection),
                             db::kOpenStatic, db::kLockOptimistic);
    });

    // Without a record set nothing below can work: one report (above), no file.
    if (opened) {
        openTableOutput();
        bool ok = true;
        if (r.test(138, [&] { return m_opt.header; }))
            ok = readHeader();
        if (ok)
            ok = readRecords();
        if (m_stop)
            return; // stop() drops what was written
        if (!ok) {
            dropTableOutput();
        } else if (r.test(212, [&] { return m_mode == SaveMode::PerTable; })) {
            finishFile(m_tableFile, m_tableCreateFailure, kTableFileStatements);
        }
        // In one-file mode the block is already in output.txt's stream.
    }

    if (!opened || m_tableFailed)
        m_result.tablesFailed.append(m_tableName);
    m_inTable = false;
    m_sink = nullptr;
}

// The style in force from here: at the start of the run and of each table.
void TableExportEngine::Run::startStyle()
{
    m_style = m_host.options->outputStyle();
    if (m_style.isDefault()) {
        m_styled.reset();
        m_fileEnd = "\r\n";
        return;
    }
    m_styled = std::make_unique<StyledLines>(m_style, m_formatter, m_opt.separator, m_opt.quotes);
    m_fileEnd = m_styled->fileEnd();
}

// output.txt, or the host's device in its place; opened once, at the first table that
// goes there (or at the end when there is none).
bool TableExportEngine::Run::openAllFile()
{
    if (m_allFileAttempted)
        return m_allFile.isOpen();
    m_allFileAttempted = true;
    QIODevice* device = m_host.options->outputDevice();
    if (!openFile(m_allFile, device ? QStringLiteral("-") : outputFilePath(m_opt.folder, oneFileName()),
                  m_allCreateFailure, device))
        return false;
    if (m_styled)
        m_allFile.writeBytes(m_styled->fileStart());
    return true;
}

void TableExportEngine::Run::openTableOutput()
{
    startStyle();
    m_lineOptions = LineOptions{m_opt.separator, m_opt.separatorBytes, m_opt.quotes};
    m_mode = m_opt.perTable ? SaveMode::PerTable : (m_opt.oneFile ? SaveMode::OneFile : SaveMode::None);
    if (m_mode == SaveMode::PerTable) {
        const QString fileName = tableFileName(m_tableName, m_style.fileExtension());
        if (fileName.isEmpty()) {
            m_tableCreateFailure = FileFailure{
                rte::kBadFileNameOrNumber,
                QStringLiteral("Bad file name or number: the table name \"%1\" cannot be a file name in the output "
                               "folder")
                    .arg(m_tableName),
                QStringLiteral("the table name cannot be a file name in the output folder"),
                outputFilePath(m_opt.folder, m_tableName + m_style.fileExtension())};
        } else if (openFile(m_tableFile, outputFilePath(m_opt.folder, fileName), m_tableCreateFailure)) {
            m_sink = &m_tableFile;
            if (m_styled)
                m_tableFile.writeBytes(m_styled->fileStart());
        }
    } else if (m_mode == SaveMode::OneFile) {
        openAllFile();
        if (m_allFile.isOpen()) {
            m_sink = &m_allFile;
            m_blockStart = m_allFile.position();
        }
    }
}

bool TableExportEngine::Run::readHeader()
{
    report::ReportingRoutine& r = m_routine;
    r.run(140, [&] { startLine(); });
    const std::optional<int> columns = r.value(142, [&] { return need(m_records).fieldCount(); });
    if (!columns)
        return false;
    for (int j = 0; j < *columns; ++j) {
        r.run(144, [&] { yield(); });
        if (m_stop)
            return false;
        if (!r.run(146, [&] {
                if (m_styled) {
                    m_styled->addName(m_line, m_records->fieldName(j));
                    return;
                }
                m_formatter.encoder().append(m_line, m_records->fieldName(j));
                m_line += batched() ? m_lineOptions.separatorBytes : m_opt.separatorBytes;
            }))
            return false;
    }
    r.run(150, [&] {
        if (m_styled)
            return;
        if (batched())
            m_line.resize(m_line.size() - std::min(m_lineOptions.separatorBytes.size(), m_line.size()));
        else
            cutTrailingSeparator();
    });
    r.run(154, [&] { emitLine(); });
    return !m_stop;
}

bool TableExportEngine::Run::readRecords()
{
    report::ReportingRoutine& r = m_routine;
    const std::optional<qint64> count = r.value(156, [&] { return need(m_records).recordCount(); });
    if (!count)
        return false;
    const qint64 total = *count;
    m_recordTotal = total;
    if (batched()) {
        // What the batches' own machinery throws (memory) ends the table at the step in hand.
        bool ok = false;
        r.run([&] { ok = readRecordsInBatches(total); });
        return ok;
    }
    // Without an interval every yield runs the event loop, so each field keeps its own
    // (options changed there apply to the next field). With one, the loop runs at most
    // once per interval anyway: the yields at each record and line are enough, and the
    // field loop stays free of them.
    const bool fieldYields = m_interval.count() == 0;
    for (qint64 rec = 1; rec <= total; ++rec) {
        r.run(158, [&] { yield(); });
        if (m_stop)
            return false;
        r.run(160, [&] { noteRecord(rec); });
        // The text "Processing record: " goes with the value when the bar can repaint.
        r.run(164, [&] { startLine(); });
        const std::optional<int> columns = r.value(166, [&] { return m_records->fieldCount(); });
        if (!columns)
            return false;
        for (int j = 0; j < *columns; ++j) {
            if (fieldYields) {
                r.run(168, [&] { yield(); });
                if (m_stop)
                    return false;
            }
            if (m_styled) {
                if (!r.run(174, [&] { m_styled->addValue(m_line, *m_records, j); }))
                    return false;
                continue;
            }
            bool quoted = false;
            if (r.test(170, [&] { return m_opt.quotes; })) {
                quoted = true;
                r.run(172, [&] { m_line += '"'; });
            }
            // A quote inside a quoted value is doubled, so every value reads back.
            if (!r.run(174, [&] { m_formatter.append(m_line, m_records->fieldValue(j), quoted); }))
                return false;
            if (r.test(176, [&] { return m_opt.quotes; }))
                r.run(178, [&] { m_line += '"'; });
            r.run(180, [&] { m_line += m_opt.separatorBytes; });
        }
        r.run(184, [&] {
            if (!m_styled)
                cutTrailingSeparator();
        });
        r.run(188, [&] { emitLine(); });
        if (m_stop)
            return false;
        if (!r.run(190, [&] { m_records->moveNext(); }))
            return false;
    }
    flushProgress();
    return !m_tableFailed;
}

// The progress to show with record `record` of the table in hand.
void TableExportEngine::Run::noteRecord(qint64 record)
{
    m_pending = true;
    m_pendingRecord = record;
    m_pendingValue = m_tickedCount > 0 ? ((m_rank - 1) + double(record) / double(m_recordTotal)) / m_tickedCount * 100.0
                                       : 100.0;
}

// The records walked in batches (with a yield interval): this thread reads each record's
// values, worker threads build the lines, and the lines come back here to be written in
// record order. What goes wrong is reported as the record-by-record walk reports it, at
// the same statement, with the same progress, and only once the lines before it are
// written: a failure met by the reader is held in the batch at its place (hold()), and a
// record whose line cannot be built ends its batch there; the first in record order is
// the one reported.
bool TableExportEngine::Run::readRecordsInBatches(qint64 total)
{
    // JSON lines name every value: the names are read now, on this thread.
    std::vector<QString> names;
    std::exception_ptr namesFailure;
    if (m_styled && m_style.layout == OutputStyle::Layout::JsonLines) {
        try {
            const int columns = m_records->fieldCount();
            for (int j = 0; j < columns; ++j)
                names.push_back(m_records->fieldName(j));
        } catch (...) {
            namesFailure = std::current_exception();
        }
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    // When the record set gives its rows in parts, the workers read them too and this
    // thread only writes: a worker for every core. Otherwise this thread reads and the
    // other cores format.
    std::unique_ptr<db::RowParts> parts;
    std::vector<std::unique_ptr<db::RowPartReader>> readers;
    if (total >= kFewestRecordsForWorkers && !namesFailure && (!m_workers || *m_workers > 0)) {
        try {
            parts = m_records->rowParts();
        } catch (...) {
            parts.reset(); // read here then, as any other record set
        }
    }
    const unsigned spareCores = parts ? cores : cores - 1;
    const int workers = m_workers ? std::max(*m_workers, 0)
        : total < kFewestRecordsForWorkers ? 0
                                           : static_cast<int>(std::clamp(spareCores, 1u, kMostWorkers));
    if (parts) {
        try {
            for (int i = 0; i < workers; ++i)
                readers.push_back(parts->reader());
        } catch (...) {
            parts.reset();
            readers.clear();
        }
    }
    std::vector<std::unique_ptr<LineFormatter>> formatters;
    for (int i = 0; i < std::max(workers, 1); ++i)
        formatters.push_back(lineFormatter(names));
    // Enough batches in flight that no worker waits for the next one.
    const std::size_t keepInFlight = static_cast<std::size_t>(workers) + 1;
    LinePipeline pipeline(std::move(formatters), workers, std::move(readers));
    if (parts) {
        // Parts waiting in line as well: a worker sharing its core with this thread's
        // writing falls behind the other, which then finds the next part ready rather
        // than wait for the slower one's part to be written.
        return readParts(pipeline, *parts, 2 * keepInFlight);
    }
    m_filling = pipeline.freshBatch(1);
    struct Drop {
        std::unique_ptr<RecordBatch>& batch;
        ~Drop() { batch.reset(); }
    } drop{m_filling};

    if (namesFailure) {
        m_filling->notes.push_back(ReaderNote{0, 1, 174, namesFailure, true});
        total = 0;
    }
    for (qint64 rec = 1; rec <= total; ++rec) {
        try {
            yield();
        } catch (...) {
            hold(158, rec - 1, false);
        }
        if (m_stop)
            return false;
        try {
            m_records->fieldCount();
        } catch (...) {
            hold(166, rec, true);
            break;
        }
        std::vector<db::Value>& row = m_filling->nextRow();
        try {
            m_records->takeRow(row);
        } catch (...) {
            m_filling->lastRowCut = true;
            hold(174, rec, true);
            break;
        }
        m_filling->textBytes += heldBytes(row);
        try {
            m_records->moveNext();
        } catch (...) {
            hold(190, rec, true);
            break;
        }
        const RecordBatch& b = *m_filling;
        if ((b.count >= kBatchRecords || b.count * row.size() >= kBatchValues || b.textBytes >= kBatchTextBytes)
            && !submitBatch(pipeline, rec + 1, keepInFlight))
            return false;
    }
    // The rest, then whatever was held while waiting for it.
    do {
        if (!submitBatch(pipeline, m_filling->firstRecord + static_cast<qint64>(m_filling->count), 0))
            return false;
    } while (!m_filling->notes.empty());
    flushProgress();
    return !m_tableFailed;
}

// The records read by the workers, part by part, and written here in order.
bool TableExportEngine::Run::readParts(LinePipeline& pipeline, const db::RowParts& parts, std::size_t keepInFlight)
{
    m_nextRecord = 1;
    for (std::size_t next = 0; next < parts.count(); ++next) {
        pipeline.submitPart(next);
        if (!writeFormatted(pipeline, keepInFlight - 1))
            return false;
    }
    if (!writeFormatted(pipeline, 0))
        return false;
    flushProgress();
    return !m_tableFailed;
}

std::unique_ptr<LineFormatter> TableExportEngine::Run::lineFormatter(const std::vector<QString>& names) const
{
    if (m_styled)
        return std::make_unique<StyledLine>(m_style, m_formatter, m_lineOptions.separator, m_lineOptions.quotes, names);
    return std::make_unique<WindowFormatLine>(m_formatter, m_lineOptions.separatorBytes, m_lineOptions.quotes);
}

// From a catch block: the failure in hand is kept at the current place of the batch
// being filled, to be reported once the lines before it are written.
void TableExportEngine::Run::hold(int statement, qint64 record, bool endsTable)
{
    m_filling->notes.push_back(
        ReaderNote{m_filling->count, record, statement, std::current_exception(), endsTable});
}

// Hands the batch being filled to the workers, starts the next one, and writes what is
// formatted until no more than `keepInFlight` batches are out.
bool TableExportEngine::Run::submitBatch(LinePipeline& pipeline, qint64 nextRecord, std::size_t keepInFlight)
{
    pipeline.submit(std::move(m_filling));
    m_filling = pipeline.freshBatch(nextRecord);
    return writeFormatted(pipeline, keepInFlight);
}

bool TableExportEngine::Run::writeFormatted(LinePipeline& pipeline, std::size_t keepInFlight)
{
    for (;;) {
        std::unique_ptr<RecordBatch> batch = pipeline.takeFormatted(std::chrono::nanoseconds(0));
        if (!batch) {
            if (pipeline.inFlight() <= keepInFlight)
                return true;
            // Waiting for the oldest: the event loop still runs at every interval.
            const auto due = m_lastPump + m_interval - std::chrono::steady_clock::now();
            batch = pipeline.takeFormatted(std::max(due, decltype(due)::zero()));
            if (!batch) {
                waitYield();
                if (m_stop)
                    return false;
                continue;
            }
        }
        const bool goOn = writeBatch(*batch);
        pipeline.recycle(std::move(batch));
        if (!goOn || m_stop)
            return false;
    }
}

// The event loop while the reader waits for lines: a failure there is held like the
// reader's own (as the yield between two lines). With the workers reading, the lines
// before it are written already: it is reported at once.
void TableExportEngine::Run::waitYield()
{
    if (!m_filling) {
        m_routine.run(206, [&] { pumpIfDue(); });
        return;
    }
    try {
        pumpIfDue();
    } catch (...) {
        hold(206, m_filling->firstRecord - 1 + static_cast<qint64>(m_filling->count), false);
    }
}

// Writes a formatted batch and reports what it holds, in record order; false when the
// table ends there.
bool TableExportEngine::Run::writeBatch(RecordBatch& batch)
{
    report::ReportingRoutine& r = m_routine;
    if (batch.follows) {
        batch.firstRecord = m_nextRecord;
        for (ReaderNote& note : batch.notes) {
            if (note.record == 0)
                note.record = batch.firstRecord + static_cast<qint64>(note.position) - 1;
        }
    }
    m_nextRecord = batch.firstRecord + static_cast<qint64>(batch.formatted);
    std::size_t written = 0;
    const auto writeUpTo = [&](std::size_t rows) {
        rows = std::min(rows, batch.formatted);
        if (rows <= written)
            return;
        const std::size_t from = written > 0 ? batch.lineEnds[written - 1] : 0;
        const std::size_t to = batch.lineEnds[rows - 1];
        r.run(208, [&] {
            if (m_sink && !m_stop)
                m_sink->writeBytes(batch.lines.view().substr(from, to - from));
        });
        written = rows;
        noteRecord(batch.firstRecord + static_cast<qint64>(rows) - 1);
    };
    const auto raise = [&](int statement, const std::exception_ptr& error) {
        r.run(statement, [&] { std::rethrow_exception(error); });
    };
    for (const ReaderNote& note : batch.notes) {
        if (batch.failure && batch.formatted < note.position)
            break; // a record before the note could not be formatted
        writeUpTo(note.position);
        if (note.record > 0)
            noteRecord(note.record);
        raise(note.statement, note.error);
        if (note.endsTable || m_stop)
            return false;
    }
    if (batch.failure) {
        writeUpTo(batch.formatted);
        noteRecord(batch.firstRecord + static_cast<qint64>(batch.formatted));
        raise(174, batch.failure);
        return false;
    }
    writeUpTo(batch.formatted);
    return !m_stop;
}

// As many characters come off the line's end as the separator has now. When the
// separator changed while the line was built, its end is not the current separator's
// bytes, and the cut is made on the text itself.
void TableExportEngine::Run::cutTrailingSeparator()
{
    if (!m_separatorChangedInLine) {
        m_line.resize(m_line.size() - std::min(m_opt.separatorBytes.size(), m_line.size()));
        return;
    }
    QString text = m_formatter.encoder().decode(m_line);
    text.chop(std::min(m_opt.separator.size(), text.size()));
    m_line.clear();
    m_formatter.encoder().append(m_line, text);
}

void TableExportEngine::Run::emitLine()
{
    m_routine.run(206, [&] { yield(); });
    m_routine.run(208, [&] {
        if (!m_sink || m_stop)
            return;
        if (m_styled) {
            m_styled->endLine(m_line);
            m_sink->writeBytes(m_line);
            return;
        }
        m_sink->writeBytes(m_line);
        m_sink->writeLineEnd();
    });
}

// Starts `file` at `path`; when it cannot be created, keeps why in `failure` for the
// statement that creates the file to report.
bool TableExportEngine::Run::openFile(TextFileWriter& file, const QString& path, std::optional<FileFailure>& failure,
                                      QIODevice* device)
{
    if (device ? file.open(device, path) : file.open(path))
        return true;
    failure = FileFailure{rte::kPathFileAccess,
                          QStringLiteral("Path/File access error: %1: %2").arg(path, file.errorString()),
                          file.errorString(), path};
    return false;
}

// The end of a table's file or of output.txt: the failure to create it is reported at
// its statement, then the write of the last line end (on a file that never opened, a
// second report, as the classic runtime gives it), then the file is put in place.
void TableExportEngine::Run::finishFile(TextFileWriter& file, const std::optional<FileFailure>& createFailure,
                                        const FileStatements& statements)
{
    report::ReportingRoutine& r = m_routine;
    r.run(statements.create, [&] {
        if (createFailure)
            fail(ExportStage::CreatingFile, *createFailure);
    });
    r.run(statements.yield, [&] { yield(); });
    if (m_stop)
        return;
    bool writeFailed = false;
    r.run(statements.write, [&] {
        if (!file.isOpen()) {
            writeFailed = true;
            const QString text = QStringLiteral("Bad file name or number");
            fail(ExportStage::WritingFile, rte::kBadFileNameOrNumber, text, text,
                 createFailure ? createFailure->file : file.path());
            return;
        }
        file.writeBytes(m_fileEnd);
        if (file.hasError()) {
            writeFailed = true;
            const QString path = file.path();
            const QString error = file.errorString();
            file.cancel();
            fail(ExportStage::WritingFile, rte::kDiskFull, QStringLiteral("Could not write %1: %2").arg(path, error),
                 error, path);
        }
    });
    r.run(statements.close, [&] {
        if (writeFailed)
            return; // reported above; the old file stays as it was
        if (!file.commit()) {
            fail(ExportStage::WritingFile, rte::kPathFileAccess,
                 QStringLiteral("Path/File access error: %1: %2").arg(file.path(), file.errorString()),
                 file.errorString(), file.path());
            return;
        }
        m_result.filesWritten.append(file.path());
    });
}

void TableExportEngine::Run::dropTableOutput()
{
    m_tableFailed = true;
    if (m_sink == &m_tableFile)
        m_tableFile.cancel();
    else if (m_sink == &m_allFile)
        m_allFile.truncate(m_blockStart);
}

// The program is ending: the files in hand are thrown away (an existing file of the same
// name stays as it was) and the run returns without a word.
ExportResult TableExportEngine::Run::stop()
{
    m_pending = false;
    m_tableFile.cancel();
    m_allFile.cancel();
    m_result.stopped = true;
    return m_result;
}

TableExportEngine::TableExportEngine(const ExportHost& host, std::chrono::milliseconds yieldInterval,
                                     std::optional<int> workers)
    : m_host(host), m_yieldInterval(yieldInterval), m_workers(workers)
{
}

TableExportEngine::~TableExportEngine() = default;

ExportResult TableExportEngine::run()
{
    if (m_running) {
        ExportResult ignored;
        ignored.ignored = true;
        return ignored;
    }
    m_running = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_running};
    Run run(m_host, m_yieldInterval, m_workers);
    return run.execute();
}

} // namespace quorvane::exporter

#pragma once

// The action behind "Start Exporting": opens the database once more, reads every record
// of every ticked table, writes the delimited text files and reports its progress. Runs
// on the calling (user-interface) thread; yields to the event loop between records and
// lines (and between fields when the yield interval is 0), but runs the loop only when
// the interval has passed since the last time, so the window stays responsive and the
// export runs at full speed.
//
// With a yield interval (the window and the command line both use one), a table's
// records are read here and their lines built on worker threads (one per further core,
// at least one), in batches of a few hundred records; the lines are written here in record order, the
// same bytes as record by record. The lines' options (separator, quotes, style) are the
// ones in force when the table starts: a change made while a table runs applies from the
// next table on. Failures are reported in record order, each when the lines before it are
// written, exactly as record by record: the first failure in a table ends it, and one met
// by the reader after a record whose line failed is never reported. The progress counts
// the records written. Without an interval (the tests that pin the order of every step)
// each record's line is built here, field by field, and options changed at a yield apply
// from the next field.
//
// Each failure goes to the host as a fact (ExportFailure: the step, the table, the file,
// the cause and the statement's number), and the run goes on; the front end words it.
// Decided here where the classic behaviour would loop or lose data:
// - a table whose query fails, or whose record set fails while it is read, is reported
//   once and its remaining steps are skipped: no file is written for it (an existing
//   file of that name is left as it was), and in one-file mode its part is left out;
// - files are streamed into a temporary file beside the target and replace it only when
//   complete (QSaveFile), so a failed file never leaves a half-written file behind;
// - a table name that cannot be a file name in the folder ("/" or "\" in it, ".", "..",
//   empty) is reported as not created; nothing is written anywhere for it;
// - the output folder and the save mode that govern a table's file are read when that
//   table's lines start (they used to be read after the lines were built; they can only
//   differ if the user changes them in the middle of that very table);
// - a start while a run is active is ignored;
// - when the host asks to stop (the program is ending), the run ends at that yield: the
//   file in hand is dropped (output.txt too), no message or report follows.
// The host's OutputStyle (the command line's options) is read when the run and each
// table start; anything but the default builds the lines through StyledLines, so the
// window's format keeps its own path byte for byte.

#include "ExportHost.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

namespace quorvane::exporter {

// What a run did, for callers that need more than the messages (the command line).
struct ExportResult {
    bool ignored = false;          // a run was already active; nothing was done
    bool folderMissing = false;    // the folder message was shown; nothing was done
    bool stopped = false;          // the host asked to stop; the files in hand were dropped
    int reports = 0;               // failures handed to the host
    QStringList filesWritten;      // full paths, in the order they were completed
    QStringList tablesFailed;      // tables with at least one failure or no file
};

class TableExportEngine {
public:
    static constexpr std::chrono::milliseconds kDefaultYieldInterval{15};

    // `workers`: the threads that build the lines when there is an interval. By default
    // one per core beside this thread, for tables long enough to gain from them; a number given (tests) is
    // used for every table, 0 building the lines on the calling thread.
    explicit TableExportEngine(const ExportHost& host,
                               std::chrono::milliseconds yieldInterval = kDefaultYieldInterval,
                               std::optional<int> workers = std::nullopt);
    ~TableExportEngine();

    // Runs the export; returns when the closing message has been dismissed.
    ExportResult run();
    bool isRunning() const { return m_running; }

private:
    class Run;
    ExportHost m_host;
    std::chrono::milliseconds m_yieldInterval;
    std::optional<int> m_workers;
    bool m_running = false;
};

} // namespace quorvane::exporter

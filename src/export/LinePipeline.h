#pragma once

// The lines of a table built on worker threads and handed back in record order. The
// thread that reads the record set (the user-interface thread) fills a batch with the
// values of consecutive records, submits it, and takes formatted batches back oldest
// first to write them; formatting, most of an export's work, runs meanwhile on the
// other cores. Nothing here touches the record set, the files or the host: the reader
// keeps all of that, so the reader's objects need not be thread-safe.
//
// The number of batches between submit() and takeFormatted() is the caller's to bound
// (inFlight()): with a few thousand records or about a megabyte of text per batch, that
// bounds the memory whatever the table holds. With no worker thread, submit() formats
// the batch at once on the calling thread.

#include "db/Value.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorvane::exporter {

// Turns one record's values into its line (line end included), appended to `out`. Each
// worker has its own, so it may keep scratch state. May throw: the batch then ends at
// that record (RecordBatch::failure).
class LineFormatter {
public:
    virtual ~LineFormatter() = default;
    virtual void appendLine(std::string& out, const std::vector<db::Value>& row) = 0;
};

// Something the reader met between records (a failure of its own), reported when the
// lines before it have been written: `position` rows of the batch come first.
struct ReaderNote {
    std::size_t position = 0;
    qint64 record = 0;           // the record in hand then, for the progress shown with it
    int statement = 0;           // the reader's statement that raised it
    std::exception_ptr error;
    bool endsTable = false;      // reading stopped there
};

struct RecordBatch {
    // Filled by the reader. rows[0, count) are in use; the rest keep their storage for
    // the next fill (their values lend their strings to the record set).
    std::vector<std::vector<db::Value>> rows;
    std::size_t count = 0;
    qint64 firstRecord = 1;      // the record number of rows[0]
    // The last row stopped at a value that could not be read: it holds the values before
    // it, formatted only so that a failure among them is found first; never written.
    bool lastRowCut = false;
    std::vector<ReaderNote> notes; // in position order
    std::size_t textBytes = 0;   // the reader's estimate of the text held, to size the batch

    // Filled by formatting: the lines of rows [0, formatted), lineEnds[i] where row i's
    // line ends in `lines`; when formatted < count (and the last row was not cut),
    // row `formatted` threw `failure`.
    std::string lines;
    std::vector<std::size_t> lineEnds;
    std::size_t formatted = 0;
    std::exception_ptr failure;

    // The next row to fill, with its old storage.
    std::vector<db::Value>& nextRow();
    // Ready for the next fill; the values and buffers keep their storage.
    void reset(qint64 first);
};

class LinePipeline {
public:
    // One formatter per worker thread; with `workers` 0, one formatter used inline.
    LinePipeline(std::vector<std::unique_ptr<LineFormatter>> formatters, int workers);
    ~LinePipeline(); // stops the workers (a batch in hand is left half done) and joins them

    LinePipeline(const LinePipeline&) = delete;
    LinePipeline& operator=(const LinePipeline&) = delete;

    // An empty batch to fill: one handed back through recycle(), or a new one.
    std::unique_ptr<RecordBatch> freshBatch(qint64 firstRecord);
    void submit(std::unique_ptr<RecordBatch> batch);
    // The oldest submitted batch once it is formatted, waiting at most `timeout` for it;
    // null when it is not ready by then or nothing is in flight.
    std::unique_ptr<RecordBatch> takeFormatted(std::chrono::nanoseconds timeout);
    void recycle(std::unique_ptr<RecordBatch> batch);
    // Submitted and not yet taken back.
    std::size_t inFlight() const { return m_inFlight.size(); }
    int workers() const { return static_cast<int>(m_threads.size()); }

    // Formats `batch` with `formatter` (what a worker does with each batch); `stop` is
    // looked at between records.
    static void format(RecordBatch& batch, LineFormatter& formatter, const std::atomic<bool>* stop = nullptr);

private:
    struct Slot {
        std::unique_ptr<RecordBatch> batch;
        bool done = false; // guarded by m_mutex
    };
    void work(LineFormatter& formatter);

    std::vector<std::unique_ptr<LineFormatter>> m_formatters;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_queued;    // workers wait for a batch
    std::condition_variable m_finished;  // the reader waits for the oldest
    std::deque<std::shared_ptr<Slot>> m_inFlight; // the reader's, oldest first
    std::deque<std::shared_ptr<Slot>> m_queue;    // not yet started (guarded)
    std::atomic<bool> m_stop{false};
    std::vector<std::unique_ptr<RecordBatch>> m_spare;
};

} // namespace quorvane::exporter

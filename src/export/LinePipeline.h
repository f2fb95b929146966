#pragma once

// The lines of a table built on worker threads and handed back in record order. Either
// the thread that reads the record set (the user-interface thread) fills a batch with
// the values of consecutive records and submits it, or, when the record set gives its
// rows in parts (db::RowParts), it submits part numbers and each worker reads the part
// with a reader of its own. Either way it takes formatted batches back oldest first to
// write them; reading and formatting, most of an export's work, run meanwhile on the
// other cores. Nothing here touches the record set's cursor, the files or the host.
//
// The number of batches or parts between submitting and taking back is the caller's to
// bound (inFlight()). A part comes back in pieces of at most about kPieceBytes of text
// (and one line more); a worker whose part is not the oldest holds at most two of them
// before it waits, so memory stays bounded whatever the part holds. With no worker
// thread, submitting formats (reads) at once on the calling thread.

#include "LineBuffer.h"

#include "db/Ado.h"
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
    virtual void appendLine(LineBuffer& out, const std::vector<db::Value>& row) = 0;
};

// Something the reader met between records (a failure of its own), reported when the
// lines before it have been written: `position` rows of the batch come first.
struct ReaderNote {
    std::size_t position = 0;
    qint64 record = 0;           // the record in hand then, for the progress shown with it
                                 // (in a batch that follows(): 0, the record before position)
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
    // Read by a worker from a part: its records follow those of the batch taken before
    // it; firstRecord is set when it is written. rows are not kept (count == formatted).
    bool follows = false;
    // The last row stopped at a value that could not be read: it holds the values before
    // it, formatted only so that a failure among them is found first; never written.
    bool lastRowCut = false;
    std::vector<ReaderNote> notes; // in position order
    std::size_t textBytes = 0;   // the reader's estimate of the text held, to size the batch

    // Filled by formatting: the lines of rows [0, formatted), lineEnds[i] where row i's
    // line ends in `lines`; when formatted < count (and the last row was not cut),
    // row `formatted` threw `failure`.
    LineBuffer lines;
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
    // Text of a part handed back at a time.
    static constexpr std::size_t kPieceBytes = std::size_t(1) << 20;

    // One formatter per worker thread; with `workers` 0, one formatter used inline.
    // `readers`, one per formatter, read the parts submitted with submitPart().
    LinePipeline(std::vector<std::unique_ptr<LineFormatter>> formatters, int workers,
                 std::vector<std::unique_ptr<db::RowPartReader>> readers = {});
    ~LinePipeline(); // stops the workers (a batch in hand is left half done) and joins them

    LinePipeline(const LinePipeline&) = delete;
    LinePipeline& operator=(const LinePipeline&) = delete;

    // An empty batch to fill: one handed back through recycle(), or a new one.
    std::unique_ptr<RecordBatch> freshBatch(qint64 firstRecord);
    void submit(std::unique_ptr<RecordBatch> batch);
    // Part `index` to be read and formatted by a worker (needs readers).
    void submitPart(std::size_t index);
    // The oldest submitted batch once it is formatted (of a part, its next piece),
    // waiting at most `timeout` for it; null when it is not ready by then or nothing is
    // in flight.
    std::unique_ptr<RecordBatch> takeFormatted(std::chrono::nanoseconds timeout);
    void recycle(std::unique_ptr<RecordBatch> batch);
    // Submitted and not yet taken back whole.
    std::size_t inFlight() const { return m_inFlight.size(); }
    int workers() const { return static_cast<int>(m_threads.size()); }

    // Formats `batch` with `formatter` (what a worker does with each batch); `stop` is
    // looked at between records.
    static void format(RecordBatch& batch, LineFormatter& formatter, const std::atomic<bool>* stop = nullptr);

private:
    struct Slot {
        std::unique_ptr<RecordBatch> batch; // filled by the caller; null for a part
        std::size_t part = 0;
        std::deque<std::unique_ptr<RecordBatch>> pieces; // formatted, not taken (guarded)
        bool done = false;                               // the last piece is in (guarded)
    };
    struct Worker {
        LineFormatter* formatter = nullptr;
        db::RowPartReader* reader = nullptr;
        std::vector<db::Value> row;
    };
    void enqueue(std::shared_ptr<Slot> slot);
    void work(Worker& worker);
    void run(Slot& slot, Worker& worker);
    void readPart(Slot& slot, Worker& worker);
    // Hands a piece of `slot` over; unless it is the last, waits while two are untaken.
    void publish(Slot& slot, std::unique_ptr<RecordBatch> piece, bool last);
    std::unique_ptr<RecordBatch> spareBatch();

    std::vector<std::unique_ptr<LineFormatter>> m_formatters;
    std::vector<std::unique_ptr<db::RowPartReader>> m_readers;
    std::vector<Worker> m_workers;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_queued;    // workers wait for a batch
    std::condition_variable m_finished;  // the reader waits for the oldest
    std::condition_variable m_taken;     // workers wait for their pieces to be taken
    std::deque<std::shared_ptr<Slot>> m_inFlight; // the reader's, oldest first
    std::deque<std::shared_ptr<Slot>> m_queue;    // not yet started (guarded)
    std::atomic<bool> m_stop{false};
    std::vector<std::unique_ptr<RecordBatch>> m_spare; // guarded
};

} // namespace quorvane::exporter

#include "LinePipeline.h"

#include <stdexcept>
#include <system_error>
#include <utility>

namespace quorvane::exporter {

namespace {

// How often a worker looks whether it should stop: rows are short, a look is cheap.
constexpr std::size_t kRowsPerStopCheck = 64;

// A text longer than this gives its storage back once formatted rather than lending it
// to the next fill: kept, every field of a batch would hold the longest value it ever
// had, and memory would follow the table's largest memos rather than the batch size.
constexpr qsizetype kLongestLentText = 4096;

void releaseLongTexts(std::vector<db::Value>& row)
{
    for (db::Value& v : row) {
        if (v.kind() == db::ValueKind::Text && v.asText().capacity() > kLongestLentText)
            v = db::Value();
    }
}

// Appends the line of `row` to `batch` and counts it. False when it cannot be built:
// the failure is kept and nothing of the line is left. A line not to `keep` is built
// only to find such a failure.
bool addLine(RecordBatch& batch, LineFormatter& formatter, std::vector<db::Value>& row, bool keep)
{
    const std::size_t start = batch.lines.size();
    try {
        formatter.appendLine(batch.lines, row);
    } catch (...) {
        batch.lines.cut(start);
        batch.failure = std::current_exception();
        return false;
    }
    if (!keep) {
        batch.lines.cut(start);
        return true;
    }
    batch.lineEnds.push_back(batch.lines.size());
    ++batch.formatted;
    // Each unit of a text gives at least a byte of its line: a shorter line holds no
    // text longer than that, and the row has nothing to give back.
    if (batch.lines.size() - start > static_cast<std::size_t>(kLongestLentText))
        releaseLongTexts(row);
    return true;
}

} // namespace

std::vector<db::Value>& RecordBatch::nextRow()
{
    if (count == rows.size())
        rows.emplace_back();
    return rows[count++];
}

void RecordBatch::reset(qint64 first)
{
    count = 0;
    firstRecord = first;
    lastRowCut = false;
    notes.clear();
    textBytes = 0;
    follows = false;
    lines.clear();
    lineEnds.clear();
    formatted = 0;
    failure = nullptr;
}

LinePipeline::LinePipeline(std::vector<std::unique_ptr<LineFormatter>> formatters, int workers,
                           std::vector<std::unique_ptr<db::RowPartReader>> readers)
    : m_formatters(std::move(formatters)), m_readers(std::move(readers))
{
    m_workers.resize(m_formatters.size());
    for (std::size_t i = 0; i < m_workers.size(); ++i) {
        m_workers[i].formatter = m_formatters[i].get();
        m_workers[i].reader = i < m_readers.size() ? m_readers[i].get() : nullptr;
    }
    const int threads = std::min(workers, static_cast<int>(m_workers.size()));
    m_threads.reserve(static_cast<std::size_t>(std::max(threads, 0)));
    for (int i = 0; i < threads; ++i) {
        try {
            m_threads.emplace_back([this, w = &m_workers[static_cast<std::size_t>(i)]] { work(*w); });
        } catch (const std::system_error&) {
            break; // no more threads to be had: fewer workers, or none (then inline)
        }
    }
}

LinePipeline::~LinePipeline()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_queue.clear();
    }
    m_queued.notify_all();
    m_taken.notify_all();
    for (std::thread& t : m_threads)
        t.join();
}

std::unique_ptr<RecordBatch> LinePipeline::spareBatch()
{
    std::unique_ptr<RecordBatch> batch;
    {
        std::lock_guard lock(m_mutex);
        if (!m_spare.empty()) {
            batch = std::move(m_spare.back());
            m_spare.pop_back();
        }
    }
    if (!batch)
        batch = std::make_unique<RecordBatch>();
    return batch;
}

std::unique_ptr<RecordBatch> LinePipeline::freshBatch(qint64 firstRecord)
{
    std::unique_ptr<RecordBatch> batch = spareBatch();
    batch->reset(firstRecord);
    return batch;
}

void LinePipeline::recycle(std::unique_ptr<RecordBatch> batch)
{
    if (!batch)
        return;
    std::lock_guard lock(m_mutex);
    m_spare.push_back(std::move(batch));
}

void LinePipeline::submit(std::unique_ptr<RecordBatch> batch)
{
    auto slot = std::make_shared<Slot>();
    slot->batch = std::move(batch);
    enqueue(std::move(slot));
}

void LinePipeline::submitPart(std::size_t index)
{
    auto slot = std::make_shared<Slot>();
    slot->part = index;
    enqueue(std::move(slot));
}

// Puts the slot in flight: run at once without worker threads, queued for them otherwise.
void LinePipeline::enqueue(std::shared_ptr<Slot> slot)
{
    m_inFlight.push_back(slot);
    if (m_threads.empty()) {
        if (!m_workers.empty())
            run(*slot, m_workers.front());
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(slot));
    }
    m_queued.notify_one();
}

std::unique_ptr<RecordBatch> LinePipeline::takeFormatted(std::chrono::nanoseconds timeout)
{
    while (!m_inFlight.empty()) {
        const std::shared_ptr<Slot> oldest = m_inFlight.front();
        std::unique_ptr<RecordBatch> piece;
        bool whole = false;
        {
            std::unique_lock lock(m_mutex);
            // Not waiting at all is only a look: a wait that ends at once still goes to
            // the system, and lets go of the lock for the workers in between.
            const auto ready = [&] { return !oldest->pieces.empty() || oldest->done; };
            if (timeout.count() > 0 ? !m_finished.wait_for(lock, timeout, ready) : !ready())
                return nullptr;
            if (!oldest->pieces.empty()) {
                piece = std::move(oldest->pieces.front());
                oldest->pieces.pop_front();
            }
            whole = oldest->done && oldest->pieces.empty();
        }
        if (whole)
            m_inFlight.pop_front();
        else
            m_taken.notify_all();
        if (piece)
            return piece;
        timeout = std::chrono::nanoseconds(0);
    }
    return nullptr;
}

void LinePipeline::work(Worker& worker)
{
    for (;;) {
        std::shared_ptr<Slot> slot;
        {
            std::unique_lock lock(m_mutex);
            m_queued.wait(lock, [&] { return m_stop || !m_queue.empty(); });
            if (m_stop)
                return;
            slot = std::move(m_queue.front());
            m_queue.pop_front();
        }
        run(*slot, worker);
    }
}

void LinePipeline::run(Slot& slot, Worker& worker)
{
    if (!slot.batch) {
        readPart(slot, worker);
        return;
    }
    format(*slot.batch, *worker.formatter, m_threads.empty() ? nullptr : &m_stop);
    publish(slot, std::move(slot.batch), true);
}

void LinePipeline::publish(Slot& slot, std::unique_ptr<RecordBatch> piece, bool last)
{
    {
        std::lock_guard lock(m_mutex);
        slot.pieces.push_back(std::move(piece));
        slot.done = last;
    }
    m_finished.notify_all();
    if (last || m_threads.empty())
        return;
    std::unique_lock lock(m_mutex);
    m_taken.wait(lock, [&] { return m_stop || slot.pieces.size() < 2; });
}

void LinePipeline::readPart(Slot& slot, Worker& worker)
{
    const std::atomic<bool>* stop = m_threads.empty() ? nullptr : &m_stop;
    // A piece's text grows to about kPieceBytes: room for it once, rather than moved
    // over and over as it doubles.
    const auto nextPiece = [this] {
        std::unique_ptr<RecordBatch> piece = freshBatch(0);
        piece->follows = true;
        piece->lines.reserve(kPieceBytes + kPieceBytes / 8);
        return piece;
    };
    std::unique_ptr<RecordBatch> piece = nextPiece();
    const auto endWith = [&](std::exception_ptr error, int statement) {
        piece->notes.push_back(ReaderNote{piece->formatted, 0, statement, std::move(error), true});
    };
    try {
        if (!worker.reader)
            throw std::logic_error("no reader for the part");
        worker.reader->start(slot.part);
    } catch (...) {
        endWith(std::current_exception(), 190);
        publish(slot, std::move(piece), true);
        return;
    }
    for (std::size_t i = 0;; ++i) {
        if (stop && i % kRowsPerStopCheck == 0 && stop->load(std::memory_order_relaxed))
            break;
        // A row that cannot be read is met where the walk of the record set meets it:
        // on moving past the record before it.
        try {
            if (!worker.reader->next(worker.row))
                break;
        } catch (...) {
            endWith(std::current_exception(), 190);
            break;
        }
        if (!addLine(*piece, *worker.formatter, worker.row, true))
            break;
        piece->count = piece->formatted;
        if (piece->lines.size() >= kPieceBytes) {
            publish(slot, std::move(piece), false);
            piece = nextPiece();
        }
    }
    publish(slot, std::move(piece), true);
}

void LinePipeline::format(RecordBatch& batch, LineFormatter& formatter, const std::atomic<bool>* stop)
{
    batch.lines.clear();
    batch.lineEnds.clear();
    batch.formatted = 0;
    batch.failure = nullptr;
    for (std::size_t i = 0; i < batch.count; ++i) {
        if (stop && i % kRowsPerStopCheck == 0 && stop->load(std::memory_order_relaxed))
            return;
        // A cut last row is checked, not written.
        if (!addLine(batch, formatter, batch.rows[i], !(batch.lastRowCut && i + 1 == batch.count)))
            return;
    }
}

} // namespace quorvane::exporter

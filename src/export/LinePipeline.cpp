#include "LinePipeline.h"

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
    lines.clear();
    lineEnds.clear();
    formatted = 0;
    failure = nullptr;
}

LinePipeline::LinePipeline(std::vector<std::unique_ptr<LineFormatter>> formatters, int workers)
    : m_formatters(std::move(formatters))
{
    const int threads = std::min(workers, static_cast<int>(m_formatters.size()));
    m_threads.reserve(static_cast<std::size_t>(std::max(threads, 0)));
    for (int i = 0; i < threads; ++i) {
        try {
            m_threads.emplace_back([this, f = m_formatters[static_cast<std::size_t>(i)].get()] { work(*f); });
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
    for (std::thread& t : m_threads)
        t.join();
}

std::unique_ptr<RecordBatch> LinePipeline::freshBatch(qint64 firstRecord)
{
    std::unique_ptr<RecordBatch> batch;
    if (!m_spare.empty()) {
        batch = std::move(m_spare.back());
        m_spare.pop_back();
    } else {
        batch = std::make_unique<RecordBatch>();
    }
    batch->reset(firstRecord);
    return batch;
}

void LinePipeline::recycle(std::unique_ptr<RecordBatch> batch)
{
    if (batch)
        m_spare.push_back(std::move(batch));
}

void LinePipeline::submit(std::unique_ptr<RecordBatch> batch)
{
    auto slot = std::make_shared<Slot>();
    slot->batch = std::move(batch);
    if (m_threads.empty()) {
        if (!m_formatters.empty())
            format(*slot->batch, *m_formatters.front());
        slot->done = true;
        m_inFlight.push_back(std::move(slot));
        return;
    }
    m_inFlight.push_back(slot);
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(slot));
    }
    m_queued.notify_one();
}

std::unique_ptr<RecordBatch> LinePipeline::takeFormatted(std::chrono::nanoseconds timeout)
{
    if (m_inFlight.empty())
        return nullptr;
    const std::shared_ptr<Slot>& oldest = m_inFlight.front();
    {
        std::unique_lock lock(m_mutex);
        if (!m_finished.wait_for(lock, timeout, [&] { return oldest->done; }))
            return nullptr;
    }
    std::unique_ptr<RecordBatch> batch = std::move(oldest->batch);
    m_inFlight.pop_front();
    return batch;
}

void LinePipeline::work(LineFormatter& formatter)
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
        format(*slot->batch, formatter, &m_stop);
        {
            std::lock_guard lock(m_mutex);
            slot->done = true;
        }
        m_finished.notify_all();
    }
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
        const std::size_t start = batch.lines.size();
        try {
            formatter.appendLine(batch.lines, batch.rows[i]);
        } catch (...) {
            batch.lines.resize(start);
            batch.failure = std::current_exception();
            return;
        }
        if (batch.lastRowCut && i + 1 == batch.count) {
            batch.lines.resize(start); // checked, not written
            return;
        }
        batch.lineEnds.push_back(batch.lines.size());
        ++batch.formatted;
        releaseLongTexts(batch.rows[i]);
    }
}

} // namespace quorvane::exporter

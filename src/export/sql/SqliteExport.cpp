#include "SqliteExport.h"

#include "db/Ado.h"
#include "db/ConnectionString.h"
#include "db/ExactText.h"
#include "export/ExportHost.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

namespace quorvane::exporter::sql {

namespace {

constexpr int kYieldMs = 15;
constexpr int kRowsBetweenClockReads = 1024;
// SQLite's page cache for the new file, in KiB (a negative cache_size): enough for
// the indexes built at the end, well inside the memory the export may take.
constexpr int kCacheKiB = 16 * 1024;
// Larger pages than the default 4 KiB: fewer pages to fill and balance per row, and
// most memos fit on their row's page instead of starting a chain of overflow pages.
constexpr int kPageSize = 16 * 1024;

// The rows go from the reading thread to SQLite in batches. A few batches in flight keep
// both threads busy while memory stays bounded: a batch closes at kRowsPerBatch rows or
// once its bytes pass kBatchBytes (one long value may take it past that once).
constexpr int kBatches = 4;
constexpr int kRowsPerBatch = 512;
constexpr std::size_t kBatchBytes = std::size_t(1) << 20;
// Rows per multi-row INSERT, and the parameters one may take at most (SQLite's
// smallest limit, in builds before 3.32).
constexpr std::size_t kGroupRows = 32;
constexpr std::size_t kMaxParameters = 999;
// A batch that once held a very long value gives that memory back when it is returned.
constexpr std::size_t kKeptBytes = std::size_t(8) << 20;

struct Statement {
    sqlite3_stmt* handle = nullptr;
    ~Statement() { sqlite3_finalize(handle); }
};

struct Database {
    sqlite3* handle = nullptr;
    ~Database() { sqlite3_close(handle); }
};

class Failure {
public:
    explicit Failure(QString text) : text(std::move(text)) {}
    QString text;
};

[[noreturn]] void fail(sqlite3* db, const QString& doing)
{
    throw Failure(doing + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db)));
}

void check(sqlite3* db, int rc, const QString& doing)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        fail(db, doing);
}

void execute(sqlite3* db, const QString& sql, const QString& doing)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const QString text = doing + QStringLiteral(": ") + QString::fromUtf8(message ? message : sqlite3_errstr(rc));
        sqlite3_free(message);
        throw Failure(text);
    }
}

// One value in the form it is bound in: text as UTF-8 and binary data among the
// batch's bytes, where SQLite reads them without a copy of its own. Currency, Decimal
// and dates travel as they were read and become their exact text on the SQLite thread,
// which has less to do than the reading one.
struct Cell {
    enum Kind : std::uint8_t { Null, Integer, Real, Text, Blob, Exact, ExactText };
    union {
        std::int64_t integer = 0;
        double real;
        std::size_t offset; // Text, Blob: in Batch::bytes; Exact: in Batch::exact; ExactText: in Batch::exactText
    };
    std::size_t size = 0; // Text, Blob, ExactText
    Kind kind = Null;
};

// Rows converted on the reading thread, a table's column count of cells to a row. The
// vectors keep their memory from one use to the next: a run allocates nothing per value.
struct Batch {
    int table = -1;             // rank in the creation order; -1 before the first table
    qint64 expected = 0;        // the table's row count, given with its first batch
    bool first = false;         // the table's first batch
    bool last = false;          // the table's last batch; past the last table, the end
    int rows = 0;               // complete rows in `cells` (a failed row may leave more cells)
    std::vector<Cell> cells;
    std::string bytes;
    std::vector<db::Value> exact; // values of no size of their own: copying them allocates nothing
    std::string exactText;
    std::exception_ptr failure;   // reading stopped after the rows before it

    void reset(int rank)
    {
        table = rank;
        expected = 0;
        first = last = false;
        rows = 0;
        cells.clear();
        bytes.clear();
        exact.clear();
        exactText.clear();
        failure = nullptr;
    }
};

// The bounded queue between the threads: empty batches go to the reader, full ones to
// SQLite in the order they were filled; stop() releases the reader whatever it waits for.
class Pipe {
public:
    Pipe()
    {
        for (int i = 0; i < kBatches; ++i)
            m_empty.push_back(std::make_unique<Batch>());
    }

    // A batch to fill; nothing once the writing side has stopped.
    std::unique_ptr<Batch> take()
    {
        std::unique_lock lock(m_mutex);
        m_emptied.wait(lock, [&] { return m_stopped || !m_empty.empty(); });
        if (m_stopped)
            return nullptr;
        auto batch = std::move(m_empty.front());
        m_empty.pop_front();
        return batch;
    }

    void send(std::unique_ptr<Batch> batch)
    {
        {
            std::lock_guard lock(m_mutex);
            m_full.push_back(std::move(batch));
        }
        m_filled.notify_one();
    }

    // The next full batch, or nothing when none came within `wait`.
    std::unique_ptr<Batch> receive(std::chrono::milliseconds wait)
    {
        std::unique_lock lock(m_mutex);
        if (!m_filled.wait_for(lock, wait, [&] { return !m_full.empty(); }))
            return nullptr;
        auto batch = std::move(m_full.front());
        m_full.pop_front();
        return batch;
    }

    void giveBack(std::unique_ptr<Batch> batch)
    {
        if (batch->bytes.capacity() > kKeptBytes)
            std::string().swap(batch->bytes);
        {
            std::lock_guard lock(m_mutex);
            m_empty.push_back(std::move(batch));
        }
        m_emptied.notify_one();
    }

    void stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopped = true;
        }
        m_stopping.store(true, std::memory_order_relaxed);
        m_emptied.notify_all();
    }

    // Read without the lock, once a row.
    bool stopping() const { return m_stopping.load(std::memory_order_relaxed); }

private:
    std::mutex m_mutex;
    std::condition_variable m_emptied;
    std::condition_variable m_filled;
    std::deque<std::unique_ptr<Batch>> m_empty;
    std::deque<std::unique_ptr<Batch>> m_full;
    bool m_stopped = false;
    std::atomic<bool> m_stopping{false};
};

class Converter {
public:
    void append(Batch& batch, const db::Value& v)
    {
        using db::ValueKind;
        Cell& cell = batch.cells.emplace_back();
        switch (v.kind()) {
        case ValueKind::Null: return;
        case ValueKind::Boolean: integer(cell, v.asBoolean() ? 1 : 0); return;
        case ValueKind::Byte: integer(cell, v.asByte()); return;
        case ValueKind::Integer: integer(cell, v.asInteger()); return;
        case ValueKind::Long: integer(cell, v.asLong()); return;
        case ValueKind::BigInt: integer(cell, v.asBigInt()); return;
        case ValueKind::Single: real(cell, v.asSingle()); return;
        case ValueKind::Double: real(cell, v.asDouble()); return;
        case ValueKind::Text: utf8(batch, cell, v.asText()); return;
        case ValueKind::Guid: utf8(batch, cell, v.asGuid().toString()); return;
        case ValueKind::Complex: utf8(batch, cell, v.asComplex().display); return;
        case ValueKind::Binary: {
            const QByteArray& data = v.asBinary();
            cell.kind = Cell::Blob;
            cell.offset = batch.bytes.size();
            cell.size = static_cast<std::size_t>(data.size());
            batch.bytes.append(data.constData(), cell.size);
            return;
        }
        case ValueKind::Currency:
        case ValueKind::Decimal:
        case ValueKind::DateTime:
        case ValueKind::DateTimeExtended:
            cell.kind = Cell::Exact;
            cell.offset = batch.exact.size();
            batch.exact.push_back(v);
            return;
        }
    }

private:
    static void integer(Cell& cell, std::int64_t value)
    {
        cell.kind = Cell::Integer;
        cell.integer = value;
    }

    static void real(Cell& cell, double value)
    {
        cell.kind = Cell::Real;
        cell.real = value;
    }

    void utf8(Batch& batch, Cell& cell, QStringView text)
    {
        cell.kind = Cell::Text;
        cell.offset = batch.bytes.size();
        batch.bytes.resize(cell.offset + static_cast<std::size_t>(m_encoder.requiredSpace(text.size())));
        char* const start = batch.bytes.data();
        char* const end = m_encoder.appendToBuffer(start + cell.offset, text);
        batch.bytes.resize(static_cast<std::size_t>(end - start));
        cell.size = batch.bytes.size() - cell.offset;
    }

    QStringEncoder m_encoder{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
};

// Reads the tables in the creation order on a thread of its own and sends their rows
// down the pipe, each table ended by a batch marked last and the run by one more past
// the last table. A failure goes down in its batch, after the rows read before it.
class Reader {
public:
    Reader(Pipe& pipe, const db::DatabaseSchema& schema, const std::vector<int>& order, db::ObjectFactory& factory,
           const db::ConnectionInputs& database)
        : m_pipe(pipe), m_schema(schema), m_order(order), m_factory(factory), m_database(database)
    {
        m_thread = std::thread([this] { run(); });
    }

    ~Reader() { stop(); }

    // Ends the reading where it is and waits for the thread.
    void stop()
    {
        m_pipe.stop();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void run() noexcept
    {
        m_batch = m_pipe.take();
        if (!m_batch)
            return;
        m_batch->reset(-1);
        try {
            auto connection = m_factory.createConnection(db::kConnectionProgId);
            connection->open(db::BuildConnectionString(m_database));
            for (std::size_t rank = 0; rank < m_order.size(); ++rank) {
                m_batch->reset(static_cast<int>(rank));
                if (!readTable(*connection, m_schema.tables[static_cast<std::size_t>(m_order[rank])]))
                    return;
            }
            m_batch->reset(static_cast<int>(m_order.size()));
            connection->close();
            m_batch->last = true;
            m_pipe.send(std::move(m_batch));
        } catch (...) {
            if (!m_batch) // the pipe itself failed between two batches
                m_batch = std::make_unique<Batch>();
            m_batch->failure = std::current_exception();
            m_pipe.send(std::move(m_batch));
        }
    }

    // False when the writing side stopped.
    bool readTable(db::Connection& connection, const db::SchemaTable& table)
    {
        auto records = m_factory.createRecordset(db::kRecordSetProgId);
        records->open(QStringLiteral("SELECT * FROM `") + table.name + QLatin1Char('`'), connection);
        const int columns = records->fieldCount();
        if (columns != static_cast<int>(table.columns.size()))
            throw Failure(QStringLiteral("the table's rows do not match its definition"));
        m_batch->first = true;
        m_batch->expected = records->recordCount();
        while (!records->eof()) {
            if (m_pipe.stopping())
                return false;
            for (int c = 0; c < columns; ++c)
                m_converter.append(*m_batch, records->fieldValue(c));
            ++m_batch->rows;
            if (m_batch->rows == kRowsPerBatch || m_batch->bytes.size() >= kBatchBytes) {
                if (!sendAndTakeNext())
                    return false;
            }
            records->moveNext();
        }
        records->close();
        m_batch->last = true;
        return sendAndTakeNext();
    }

    bool sendAndTakeNext()
    {
        const int table = m_batch->table;
        m_pipe.send(std::move(m_batch));
        m_batch = m_pipe.take();
        if (!m_batch)
            return false;
        m_batch->reset(table);
        return true;
    }

    Pipe& m_pipe;
    const db::DatabaseSchema& m_schema;
    const std::vector<int>& m_order;
    db::ObjectFactory& m_factory;
    const db::ConnectionInputs& m_database;
    Converter m_converter;
    std::unique_ptr<Batch> m_batch; // the one being filled
    std::thread m_thread;
};

// Currency and Decimal as their exact decimal, dates as "YYYY-MM-DD HH:MM:SS[.fff]":
// all of the batch's at once, so that the text no longer moves while it is bound.
void makeExactText(Batch& batch)
{
    if (batch.exact.empty())
        return;
    batch.exactText.clear();
    for (Cell& cell : batch.cells) {
        if (cell.kind != Cell::Exact)
            continue;
        const db::Value& value = batch.exact[cell.offset];
        cell.kind = Cell::ExactText;
        cell.offset = batch.exactText.size();
        db::appendExactText(batch.exactText, value);
        cell.size = batch.exactText.size() - cell.offset;
    }
}

// SQLite reads text and binary data where the batch holds them (SQLITE_STATIC): the
// batch outlives the row's step. A value SQLite refuses (longer than it takes) fails
// the run rather than going in as Null.
bool bindCell(sqlite3_stmt* statement, int index, const Cell& cell, const Batch& batch)
{
    const char* const bytes = batch.bytes.data();
    switch (cell.kind) {
    case Cell::Null: return sqlite3_bind_null(statement, index) == SQLITE_OK;
    case Cell::Integer: return sqlite3_bind_int64(statement, index, cell.integer) == SQLITE_OK;
    case Cell::Real: return sqlite3_bind_double(statement, index, cell.real) == SQLITE_OK;
    case Cell::Text:
        return sqlite3_bind_text64(statement, index, bytes + cell.offset, cell.size, SQLITE_STATIC, SQLITE_UTF8)
            == SQLITE_OK;
    case Cell::Blob: return sqlite3_bind_blob64(statement, index, bytes + cell.offset, cell.size, SQLITE_STATIC) == SQLITE_OK;
    case Cell::ExactText:
        return sqlite3_bind_text64(statement, index, batch.exactText.data() + cell.offset, cell.size, SQLITE_STATIC,
                                   SQLITE_UTF8)
            == SQLITE_OK;
    case Cell::Exact: break; // made text before any is bound
    }
    return false;
}

// The rows are read and converted on a second thread while this one steps SQLite and
// turns the event loop.
class Run {
public:
    Run(const db::DatabaseSchema& schema, db::ObjectFactory& factory, const db::ConnectionInputs& database,
        ProgressSink* progress, EventPump* events)
        : m_schema(schema), m_factory(factory), m_database(database), m_progress(progress), m_events(events)
    {
    }

    qint64 write(const QString& path)
    {
        // SQLite counts the memory it takes under a global mutex on every allocation and
        // release, a count nothing here reads. The count can only be turned off before
        // SQLite starts, which in the command line is here; where SQLite runs already (a
        // test that used it first) the call fails and nothing changes.
        static std::once_flag noMemoryCount;
        std::call_once(noMemoryCount, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
        Database db;
        // Only this thread touches the connection: no locking inside SQLite.
        check(db.handle, sqlite3_open_v2(QFile::encodeName(path).constData(), &db.handle,
                                         SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr),
              QStringLiteral("cannot create ") + path);
        // The file is a scratch copy under a name of its own that nothing else opens; it
        // is renamed over the target only after it was closed whole, and a run that fails
        // or is cut short leaves it unused. A journal, syncs and file locks would guard a
        // file someone relies on while it is written: there is none here, so none of them.
        execute(db.handle,
                QStringLiteral("PRAGMA page_size=%1; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; "
                               "PRAGMA locking_mode=EXCLUSIVE; PRAGMA cache_size=-%2;")
                    .arg(kPageSize)
                    .arg(kCacheKiB),
                QStringLiteral("cannot set up ") + path);
        const SchemaScript script = schemaScript(Dialect::Sqlite, m_schema);
        execute(db.handle, script.tables, QStringLiteral("cannot create the tables"));

        const std::vector<int> order = creationOrder(m_schema);
        Pipe pipe;
        Reader reader(pipe, m_schema, order, m_factory, m_database);
        m_clock.start();
        for (std::size_t rank = 0; rank < order.size(); ++rank)
            writeTable(db.handle, pipe, m_schema.tables[static_cast<std::size_t>(order[rank])], rank, order.size());
        m_table.clear();
        // The reader's end, which says whether closing the database went well.
        std::unique_ptr<Batch> end = next(pipe, 0, 0, order.size(), order.size());
        if (end->failure)
            std::rethrow_exception(end->failure);
        reader.stop();

        // Indexes built once over all rows are faster than kept up row by row.
        execute(db.handle, script.indexes, QStringLiteral("cannot create the indexes"));
        check(db.handle, sqlite3_close(db.handle), QStringLiteral("cannot finish ") + path);
        db.handle = nullptr;
        return m_rows;
    }

private:
    void writeTable(sqlite3* db, Pipe& pipe, const db::SchemaTable& table, std::size_t rank, std::size_t tables)
    {
        m_table = table.name;
        if (m_progress) {
            m_progress->setValue(double(rank) / double(tables) * 100.0);
            m_progress->setText(QStringLiteral("Processing: ") + table.name);
        }
        yield(0, 0, rank, tables, true);

        // Whole groups of rows go in through one INSERT of several rows: the work of a
        // statement's step is then shared by the group. The rest go in one by one.
        const std::size_t columns = table.columns.size();
        const int groupRows = columns == 0 ? 1 : static_cast<int>(std::clamp<std::size_t>(kMaxParameters / columns, 1, kGroupRows));
        Statement one;
        Statement group;
        prepare(db, insertSql(Dialect::Sqlite, table), one);
        if (groupRows > 1)
            prepare(db, insertSql(Dialect::Sqlite, table, groupRows), group);
        execute(db, QStringLiteral("BEGIN"), QStringLiteral("cannot begin"));
        qint64 expected = 0;
        qint64 done = 0;
        qint64 nextYield = kRowsBetweenClockReads;
        for (;;) {
            std::unique_ptr<Batch> batch = next(pipe, done, expected, rank, tables);
            if (batch->table != static_cast<int>(rank))
                m_table.clear(); // the reader failed outside this table (opening the database)
            if (batch->first)
                expected = batch->expected;
            makeExactText(*batch);
            for (int r = 0; r < batch->rows;) {
                const int n = groupRows > 1 && batch->rows - r >= groupRows ? groupRows : 1;
                sqlite3_stmt* statement = n > 1 ? group.handle : one.handle;
                const Cell* cells = batch->cells.data() + static_cast<std::size_t>(r) * columns;
                const int parameters = n * static_cast<int>(columns);
                for (int p = 0; p < parameters; ++p) {
                    if (!bindCell(statement, p + 1, cells[p], *batch))
                        failRows(db, done, n);
                }
                if (sqlite3_step(statement) != SQLITE_DONE)
                    failRows(db, done, n);
                sqlite3_reset(statement);
                r += n;
                done += n;
                if (done >= nextYield) {
                    nextYield = done + kRowsBetweenClockReads;
                    yield(done, expected, rank, tables, false);
                }
            }
            if (batch->failure)
                std::rethrow_exception(batch->failure);
            const bool last = batch->last;
            pipe.giveBack(std::move(batch));
            if (last)
                break;
        }
        execute(db, QStringLiteral("COMMIT"), QStringLiteral("cannot commit"));
        m_rows += done;
    }

    static void prepare(sqlite3* db, const QString& sql, Statement& statement)
    {
        const QByteArray utf8 = sql.toUtf8();
        check(db, sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &statement.handle, nullptr),
              QStringLiteral("cannot prepare the INSERT"));
    }

    [[noreturn]] static void failRows(sqlite3* db, qint64 done, int rows)
    {
        fail(db, rows == 1 ? QStringLiteral("cannot insert row %1").arg(done + 1)
                           : QStringLiteral("cannot insert rows %1 to %2").arg(done + 1).arg(done + rows));
    }

    // The next batch; while none is there the event loop still turns.
    std::unique_ptr<Batch> next(Pipe& pipe, qint64 done, qint64 expected, std::size_t rank, std::size_t tables)
    {
        for (;;) {
            if (auto batch = pipe.receive(std::chrono::milliseconds(kYieldMs)))
                return batch;
            yield(done, expected, rank, tables, false);
        }
    }

    // `now`: at a table's start, so that a stop is seen there whatever the clock says.
    void yield(qint64 done, qint64 expected, std::size_t rank, std::size_t tables, bool now)
    {
        if (!m_events || (!now && m_clock.elapsed() < kYieldMs))
            return;
        m_clock.restart();
        if (m_progress && !now && rank < tables) {
            const double within = expected > 0 ? std::min(1.0, double(done) / double(expected)) : 0.0;
            m_progress->setValue((double(rank) + within) / double(tables) * 100.0);
            m_progress->setText(QStringLiteral("Processing record: %1 in %2").arg(done).arg(m_table));
        }
        m_events->processEvents();
        if (m_events->stopRequested())
            throw Failure(QStringLiteral("stopped"));
    }

public:
    QString m_table;

private:
    const db::DatabaseSchema& m_schema;
    db::ObjectFactory& m_factory;
    const db::ConnectionInputs& m_database;
    ProgressSink* m_progress;
    EventPump* m_events;
    QElapsedTimer m_clock;
    qint64 m_rows = 0;
};

} // namespace

SqliteExportResult exportToSqlite(const QString& target, const db::DatabaseSchema& schema,
                                  db::ObjectFactory& factory, const db::ConnectionInputs& database,
                                  ProgressSink* progress, EventPump* events)
{
    SqliteExportResult result;
    const QFileInfo info(target);
    // A unique name beside the target, so the rename stays within one file system.
    QTemporaryFile scratch(info.absoluteDir().filePath(QStringLiteral(".") + info.fileName() + QStringLiteral(".XXXXXX")));
    scratch.setAutoRemove(true);
    if (!scratch.open()) {
        result.error = QStringLiteral("cannot write in ") + info.absolutePath() + QStringLiteral(": ")
            + scratch.errorString();
        return result;
    }
    const QString path = scratch.fileName();
    scratch.close();
    Run run(schema, factory, database, progress, events);
    try {
        result.rows = run.write(path);
    } catch (const Failure& f) {
        result.error = f.text;
    } catch (const db::DbException& e) {
        result.error = e.description();
    } catch (const std::exception& e) {
        result.error = QString::fromUtf8(e.what());
    }
    if (!result.error.isEmpty()) {
        if (!run.m_table.isEmpty())
            result.error = run.m_table + QStringLiteral(": ") + result.error;
        return result;
    }
    // The scratch file was made readable by its owner only; the database gets the
    // permissions a new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(path).constData(), 0666 & ~mask);
    // rename() replaces an existing file in one step.
    if (std::rename(QFile::encodeName(path).constData(), QFile::encodeName(info.absoluteFilePath()).constData()) != 0) {
        result.error = QStringLiteral("cannot put the file in place: ") + info.absoluteFilePath();
        return result;
    }
    scratch.setAutoRemove(false);
    result.ok = true;
    return result;
}

} // namespace quorvane::exporter::sql

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

#include <cstdio>
#include <memory>

#include <sys/stat.h>

namespace quorvane::exporter::sql {

namespace {

constexpr int kYieldMs = 15;
constexpr int kRowsBetweenClockReads = 1024;
// SQLite's page cache for the new file, in KiB (a negative cache_size): enough for
// the indexes built at the end, well inside the memory the export may take.
constexpr int kCacheKiB = 16 * 1024;

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

void check(sqlite3* db, int rc, const QString& doing)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw Failure(doing + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db)));
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

// Text as UTF-8 in the column's own buffer, which lives until the row is stepped:
// SQLite neither converts nor copies it.
void bindUtf8(sqlite3_stmt* statement, int index, QStringView text, QByteArray& buffer)
{
    static thread_local QStringEncoder encoder(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    const qsizetype room = encoder.requiredSpace(text.size());
    if (buffer.size() < room)
        buffer.resize(room);
    char* end = encoder.appendToBuffer(buffer.data(), text);
    sqlite3_bind_text(statement, index, buffer.constData(), static_cast<int>(end - buffer.constData()), SQLITE_STATIC);
}

void bindValue(sqlite3_stmt* statement, int index, const db::Value& v, QByteArray& buffer)
{
    using db::ValueKind;
    switch (v.kind()) {
    case ValueKind::Null: sqlite3_bind_null(statement, index); return;
    case ValueKind::Boolean: sqlite3_bind_int(statement, index, v.asBoolean() ? 1 : 0); return;
    case ValueKind::Byte: sqlite3_bind_int(statement, index, v.asByte()); return;
    case ValueKind::Integer: sqlite3_bind_int(statement, index, v.asInteger()); return;
    case ValueKind::Long: sqlite3_bind_int(statement, index, v.asLong()); return;
    case ValueKind::BigInt: sqlite3_bind_int64(statement, index, v.asBigInt()); return;
    case ValueKind::Single: sqlite3_bind_double(statement, index, v.asSingle()); return;
    case ValueKind::Double: sqlite3_bind_double(statement, index, v.asDouble()); return;
    case ValueKind::Text: bindUtf8(statement, index, v.asText(), buffer); return;
    case ValueKind::Binary: {
        const QByteArray& bytes = v.asBinary();
        sqlite3_bind_blob(statement, index, bytes.constData(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        return;
    }
    case ValueKind::Guid: bindUtf8(statement, index, v.asGuid().toString(), buffer); return;
    case ValueKind::Complex: bindUtf8(statement, index, v.asComplex().display, buffer); return;
    case ValueKind::Currency:
    case ValueKind::Decimal:
    case ValueKind::DateTime:
    case ValueKind::DateTimeExtended: bindUtf8(statement, index, exactValueText(v), buffer); return;
    }
}

class Run {
public:
    Run(const db::DatabaseSchema& schema, db::ObjectFactory& factory, const db::ConnectionInputs& database,
        ProgressSink* progress, EventPump* events)
        : m_schema(schema), m_factory(factory), m_database(database), m_progress(progress), m_events(events)
    {
    }

    qint64 write(const QString& path)
    {
        Database db;
        check(db.handle, sqlite3_open_v2(QFile::encodeName(path).constData(), &db.handle,
                                         SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
              QStringLiteral("cannot create ") + path);
        // The file is a scratch copy until it is renamed: no journal, no syncs.
        execute(db.handle,
                QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-%1;")
                    .arg(kCacheKiB),
                QStringLiteral("cannot set up ") + path);
        const SchemaScript script = schemaScript(Dialect::Sqlite, m_schema);
        execute(db.handle, script.tables, QStringLiteral("cannot create the tables"));

        auto connection = m_factory.createConnection(db::kConnectionProgId);
        connection->open(db::BuildConnectionString(m_database));
        const std::vector<int> order = creationOrder(m_schema);
        m_clock.start();
        for (std::size_t rank = 0; rank < order.size(); ++rank)
            writeTable(db.handle, *connection, m_schema.tables[static_cast<std::size_t>(order[rank])], rank,
                       order.size());
        connection->close();
        m_table.clear();

        execute(db.handle, script.indexes, QStringLiteral("cannot create the indexes"));
        check(db.handle, sqlite3_close(db.handle), QStringLiteral("cannot finish ") + path);
        db.handle = nullptr;
        return m_rows;
    }

private:
    void writeTable(sqlite3* db, db::Connection& connection, const db::SchemaTable& table, std::size_t rank,
                    std::size_t tables)
    {
        m_table = table.name;
        if (m_progress) {
            m_progress->setValue(double(rank) / double(tables) * 100.0);
            m_progress->setText(QStringLiteral("Processing: ") + table.name);
        }
        auto records = m_factory.createRecordset(db::kRecordSetProgId);
        records->open(QStringLiteral("SELECT * FROM `") + table.name + QLatin1Char('`'), connection);
        const int columns = records->fieldCount();
        if (columns != static_cast<int>(table.columns.size()))
            throw Failure(QStringLiteral("the table's rows do not match its definition"));
        const qint64 expected = records->recordCount();

        Statement insert;
        const QByteArray sql = insertSql(Dialect::Sqlite, table).toUtf8();
        check(db, sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &insert.handle, nullptr),
              QStringLiteral("cannot prepare the INSERT"));
        execute(db, QStringLiteral("BEGIN"), QStringLiteral("cannot begin"));
        std::vector<QByteArray> buffers(static_cast<std::size_t>(columns));
        qint64 done = 0;
        while (!records->eof()) {
            for (int c = 0; c < columns; ++c)
                bindValue(insert.handle, c + 1, records->fieldValue(c), buffers[static_cast<std::size_t>(c)]);
            check(db, sqlite3_step(insert.handle), QStringLiteral("cannot insert row %1").arg(done + 1));
            sqlite3_reset(insert.handle);
            ++done;
            if (done % kRowsBetweenClockReads == 0)
                yield(done, expected, rank, tables);
            records->moveNext();
        }
        execute(db, QStringLiteral("COMMIT"), QStringLiteral("cannot commit"));
        records->close();
        m_rows += done;
    }

    void yield(qint64 done, qint64 expected, std::size_t rank, std::size_t tables)
    {
        if (!m_events || m_clock.elapsed() < kYieldMs)
            return;
        m_clock.restart();
        if (m_progress) {
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

QString exactValueText(const db::Value& value)
{
    switch (value.kind()) {
    case db::ValueKind::Currency:
    case db::ValueKind::Decimal:
    case db::ValueKind::DateTime:
    case db::ValueKind::DateTimeExtended: return db::exactText(value);
    default: return {};
    }
}

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

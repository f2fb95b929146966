#include "OpenDatabaseCache.h"

#include "format/AccessDatabase.h"

#include <QDateTime>
#include <QFileInfo>

#include <mutex>
#include <thread>

namespace quorvane::db {

namespace {

struct FileStamp {
    QString path;
    qint64 size = -1;
    qint64 modifiedMs = 0; // since the epoch

    bool operator==(const FileStamp&) const = default;
};

// Empty path when the file cannot be looked at; the open then reports why.
FileStamp stampOf(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty() || !info.isFile())
        return {};
    return {canonical, info.size(), info.lastModified().toMSecsSinceEpoch()};
}

struct Kept {
    FileStamp stamp;
    QString password;
    std::thread::id thread;
    std::shared_ptr<format::AccessDatabase> database;
};

std::mutex& keptMutex()
{
    static std::mutex mutex;
    return mutex;
}

Kept& kept()
{
    static Kept entry;
    return entry;
}

} // namespace

std::shared_ptr<format::AccessDatabase> OpenDatabaseCache::open(const QString& path, const QString& password,
                                                                DbError& error)
{
    error = {};
    const FileStamp stamp = stampOf(path);
    const auto thread = std::this_thread::get_id();
    if (!stamp.path.isEmpty()) {
        const std::lock_guard lock(keptMutex());
        const Kept& k = kept();
        if (k.database && k.stamp == stamp && k.password == password && k.thread == thread)
            return k.database;
    }

    std::shared_ptr<format::AccessDatabase> database = format::AccessDatabase::open(path, password, error);
    if (!database)
        return nullptr;
    // Stamped before the open: a file changed while it was read is not taken for the
    // one that was read.
    if (!stamp.path.isEmpty() && stampOf(path) == stamp) {
        const std::lock_guard lock(keptMutex());
        kept() = {stamp, password, thread, database};
    }
    return database;
}

void OpenDatabaseCache::clear()
{
    const std::lock_guard lock(keptMutex());
    kept() = {};
}

} // namespace quorvane::db

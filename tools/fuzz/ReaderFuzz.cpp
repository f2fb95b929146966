// Fuzz entry: opens the bytes as a database and reads everything a user can reach:
// the catalog, every local table's rows with the texts of their complex values, and
// its row count. A damaged file may fail at any point, but must never crash, hang or
// grow memory without bound.

#include "db/format/AccessDatabase.h"
#include "db/format/ComplexColumns.h"
#include "db/format/TableCursor.h"

#include <cstddef>
#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

using namespace quorvane::db;
using namespace quorvane::db::format;

namespace {

// As the export's workers read a table: a reader of their own, a run of pages each.
void readInParts(const AccessDatabase& db, const CatalogEntry& entry, const std::vector<TableCursor::DataPage>& pages)
{
    if (pages.empty())
        return;
    auto reader = db.reader();
    DbError error;
    auto cursor = reader->openTable(entry.tdefPage(), error, entry.name);
    if (!cursor)
        return;
    std::vector<Value> row;
    const std::size_t half = pages.size() / 2;
    for (const auto& [from, to] : {std::pair{half, pages.size()}, std::pair{std::size_t(0), half}}) {
        std::vector<std::uint32_t> part;
        for (std::size_t i = from; i < to; ++i)
            part.push_back(pages[i].number);
        cursor->walkPages(std::move(part));
        error = {};
        while (cursor->next(row, error)) {
        }
    }
}

void readAll(AccessDatabase& db)
{
    std::vector<Value> row;
    for (const CatalogEntry& entry : db.catalog()) {
        if (entry.type != objtype::kTable)
            continue;
        DbError error;
        auto cursor = db.openTable(entry.tdefPage(), error, entry.name);
        if (!cursor)
            continue;
        qint64 count = 0;
        std::vector<TableCursor::DataPage> pages;
        cursor->countRows(count, error, db.salvage() ? nullptr : &pages);
        cursor->noteSalvage(entry.name, count);
        error = {};
        const ComplexColumns complex = ComplexColumns::load(db, cursor->definition());
        while (cursor->next(row, error))
            complex.fill(row);
        readInParts(db, entry, pages);
    }
}

// The bytes as a file in memory, so that the reader reads them as it reads files: a
// page at an offset, or a run of pages at once, rather than in place. Empty where
// there is no such file.
QString asFile(const QByteArray& bytes)
{
#ifdef __linux__
    static const int fd = memfd_create("fuzzed-database", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0
        || pwrite(fd, bytes.constData(), static_cast<std::size_t>(bytes.size()), 0) != bytes.size())
        return {};
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
#else
    Q_UNUSED(bytes);
    return {};
#endif
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Encrypted seeds carry the password the test files use; everything else has none.
    for (const QString& password : {QString(), QStringLiteral("password")}) {
        DbError error;
        const QString file = asFile(bytes);
        auto db = file.isEmpty() ? AccessDatabase::openBytes(bytes, password, error)
                                 : AccessDatabase::open(file, password, error);
        if (!db && error.number == errc::kBadPassword)
            continue;
        if (db)
            readAll(*db);
        // Salvaging reads past damage, by paths (a scan for a table's pages among
        // them) that a plain read never takes.
        auto salvaged = AccessDatabase::openBytes(bytes, password, error, QStringLiteral("(memory)"),
                                                  std::make_shared<SalvageLog>());
        if (salvaged)
            readAll(*salvaged);
        break;
    }
    return 0;
}

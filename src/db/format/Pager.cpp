#include "Pager.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace quorvane::db::format {

std::unique_ptr<Pager> Pager::openFile(const QString& path, DbError& error)
{
    std::unique_ptr<Pager> pager(new Pager);
    pager->m_source = std::make_shared<Source>();
    QFile& file = pager->m_source->file;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        error = DbError::fileNotFound(path);
        return nullptr;
    }
    // Only a regular file can be a database; opening a FIFO would wait for a writer.
    if (info.isDir() || !info.isFile()) {
        error = DbError::cannotOpenFile(path, info.isDir() ? QStringLiteral("it is a folder")
                                                           : QStringLiteral("it is not a regular file"));
        return nullptr;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        error = DbError::cannotOpenFile(path, file.errorString());
        return nullptr;
    }
    pager->m_size = static_cast<std::uint64_t>(file.size());
    // Pages are read one at a time into a small cache rather than mapped: a scan of a
    // large table then keeps a few pages resident, not the whole file.
    return pager;
}

std::unique_ptr<Pager> Pager::fromBytes(QByteArray bytes)
{
    std::unique_ptr<Pager> pager(new Pager);
    pager->m_source = std::make_shared<Source>();
    pager->m_source->bytes = std::move(bytes);
    pager->m_mapped = reinterpret_cast<const std::uint8_t*>(pager->m_source->bytes.constData());
    pager->m_size = static_cast<std::uint64_t>(pager->m_source->bytes.size());
    return pager;
}

Pager::~Pager() = default;

std::unique_ptr<Pager> Pager::reader() const
{
    std::unique_ptr<Pager> pager(new Pager);
    pager->m_source = m_source;
    pager->m_mapped = m_mapped;
    pager->m_size = m_size;
    pager->m_pageSize = m_pageSize;
    pager->m_decoder = m_decoder;
    return pager;
}

// `count` bytes at `offset` of the file (the caller has checked they lie within it).
bool Pager::readAt(std::uint64_t offset, std::uint8_t* into, std::uint32_t count)
{
    if (m_mapped) {
        std::memcpy(into, m_mapped + offset, count);
        return true;
    }
    QFile& file = m_source->file;
#ifdef Q_OS_UNIX
    // pread leaves the file position alone: pagers of other threads read at once.
    const int fd = file.handle();
    if (fd >= 0)
        return ::pread(fd, into, count, static_cast<off_t>(offset)) == static_cast<ssize_t>(count);
#endif
    std::lock_guard lock(m_source->seekLock);
    return file.seek(static_cast<qint64>(offset)) && file.read(reinterpret_cast<char*>(into), count) == count;
}

QByteArray Pager::leadingBytes(std::size_t count)
{
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_size));
    if (m_mapped)
        return QByteArray(reinterpret_cast<const char*>(m_mapped), static_cast<qsizetype>(n));
    QByteArray out(static_cast<qsizetype>(n), Qt::Uninitialized);
    if (!readAt(0, reinterpret_cast<std::uint8_t*>(out.data()), static_cast<std::uint32_t>(n)))
        return {};
    return out;
}

bool Pager::readStored(std::uint32_t number, std::uint8_t* into)
{
    return readAt(std::uint64_t(number) * m_pageSize, into, m_pageSize);
}

bool Pager::tailPage(Page& out, DbError& error)
{
    const std::uint32_t present = tailBytes();
    const std::uint32_t number = pageCount();
    if (present == 0) {
        error = DbError::damaged(QStringLiteral("a page number points past the end of the file"), number);
        return false;
    }
    auto data = std::make_shared<std::vector<std::uint8_t>>(m_pageSize, 0);
    const std::uint64_t offset = std::uint64_t(number) * m_pageSize;
    if (!readAt(offset, data->data(), present)) {
        error = DbError::damaged(QStringLiteral("the page cannot be read"), number);
        return false;
    }
    if (m_decoder)
        m_decoder->decodePage(number, std::span<std::uint8_t>(data->data(), data->size()));
    out.number = number;
    out.owner = data;
    out.bytes = ByteView(data->data(), data->size());
    return true;
}

// Page 0, the file's header, is never decoded.
void Pager::decodeStored(std::uint32_t number, std::span<std::uint8_t> bytes) const
{
    if (m_decoder && number != 0)
        m_decoder->decodePage(number, bytes);
}

// A whole page `number` the file holds; otherwise a damaged-file error.
bool Pager::checkInFile(std::uint32_t number, DbError& error) const
{
    if (m_pageSize != 0 && number < pageCount())
        return true;
    error = DbError::damaged(QStringLiteral("a page number points past the end of the file"), number);
    return false;
}

bool Pager::pageHead(std::uint32_t number, std::uint32_t bytes, std::vector<std::uint8_t>& buffer, Page& out,
                     DbError& error)
{
    if (!checkInFile(number, error))
        return false;
    bytes = std::min((bytes + 15) & ~15u, m_pageSize);
    if (m_mapped && (!m_decoder || number == 0))
        return page(number, out, error);
    buffer.resize(bytes);
    if (!readAt(std::uint64_t(number) * m_pageSize, buffer.data(), bytes)) {
        error = DbError::damaged(QStringLiteral("the page cannot be read"), number);
        return false;
    }
    // The decoders work block by block from the page's start: its head decodes alone.
    decodeStored(number, std::span<std::uint8_t>(buffer.data(), bytes));
    out.number = number;
    out.owner.reset();
    out.bytes = ByteView(buffer.data(), bytes);
    return true;
}

bool Pager::page(std::uint32_t number, Page& out, DbError& error)
{
    if (!checkInFile(number, error))
        return false;
    out.number = number;
    // Page 0 is never decoded; plain mapped pages are used in place.
    if (m_mapped && (!m_decoder || number == 0)) {
        out.bytes = ByteView(m_mapped + std::uint64_t(number) * m_pageSize, m_pageSize);
        out.owner.reset();
        return true;
    }
    if (holdsRead(number)) {
        out.owner = m_runs[m_run];
        out.bytes = ByteView(m_runs[m_run]->data() + std::size_t(number - m_runFirst) * m_pageSize, m_pageSize);
        return true;
    }
    Slot& slot = m_cache[number % kCacheSlots];
    if (!slot.data || slot.number != number) {
        // The slot's buffer is reused unless a page handed out earlier still holds it.
        if (!slot.data || slot.data.use_count() > 1)
            slot.data = std::make_shared<std::vector<std::uint8_t>>(m_pageSize);
        slot.number = number;
        std::vector<std::uint8_t>& buffer = *slot.data;
        if (!readStored(number, buffer.data())) {
            slot.data.reset();
            error = DbError::damaged(QStringLiteral("the page cannot be read"), number);
            return false;
        }
        decodeStored(number, std::span<std::uint8_t>(buffer.data(), buffer.size()));
    }
    out.owner = slot.data;
    out.bytes = ByteView(slot.data->data(), slot.data->size());
    return true;
}

void Pager::readAhead(std::uint32_t first, std::uint32_t count)
{
    if (m_mapped || first == 0 || first >= pageCount() || holdsRead(first))
        return;
    count = std::min({count, kRunPages, pageCount() - first});
    if (count < 2)
        return; // page() reads a single page into its cache
    m_runCount = 0;
    // The other buffer unless a page handed out still holds it; a new one when both are held.
    const std::size_t next = m_runs[1 - m_run].use_count() > 1 ? m_run : 1 - m_run;
    std::shared_ptr<std::vector<std::uint8_t>>& buffer = m_runs[next];
    if (!buffer || buffer.use_count() > 1)
        buffer = std::make_shared<std::vector<std::uint8_t>>(std::size_t(kRunPages) * m_pageSize);
    if (!readAt(std::uint64_t(first) * m_pageSize, buffer->data(), count * m_pageSize))
        return;
    for (std::uint32_t i = 0; i < count; ++i)
        decodeStored(first + i, std::span<std::uint8_t>(buffer->data() + std::size_t(i) * m_pageSize, m_pageSize));
    m_run = next;
    m_runFirst = first;
    m_runCount = count;
}

} // namespace quorvane::db::format

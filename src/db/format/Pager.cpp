#include "Pager.h"

#include <QFileInfo>

#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace quorvane::db::format {

std::unique_ptr<Pager> Pager::openFile(const QString& path, DbError& error)
{
    std::unique_ptr<Pager> pager(new Pager);
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
    pager->m_file.setFileName(path);
    if (!pager->m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        error = DbError::cannotOpenFile(path, pager->m_file.errorString());
        return nullptr;
    }
    pager->m_size = static_cast<std::uint64_t>(pager->m_file.size());
    // Pages are read one at a time into a small cache rather than mapped: a scan of a
    // large table then keeps a few pages resident, not the whole file.
    return pager;
}

std::unique_ptr<Pager> Pager::fromBytes(QByteArray bytes)
{
    std::unique_ptr<Pager> pager(new Pager);
    pager->m_bytes = std::move(bytes);
    pager->m_size = static_cast<std::uint64_t>(pager->m_bytes.size());
    pager->m_mapped = reinterpret_cast<const std::uint8_t*>(pager->m_bytes.constData());
    return pager;
}

Pager::~Pager() = default;

QByteArray Pager::leadingBytes(std::size_t count)
{
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_size));
    if (m_mapped)
        return QByteArray(reinterpret_cast<const char*>(m_mapped), static_cast<qsizetype>(n));
    QByteArray out(static_cast<qsizetype>(n), Qt::Uninitialized);
    if (!m_file.seek(0) || m_file.read(out.data(), static_cast<qint64>(n)) != static_cast<qint64>(n))
        return {};
    return out;
}

bool Pager::readStored(std::uint32_t number, std::uint8_t* into)
{
    const std::uint64_t offset = std::uint64_t(number) * m_pageSize;
    if (m_mapped) {
        std::memcpy(into, m_mapped + offset, m_pageSize);
        return true;
    }
#ifdef Q_OS_UNIX
    const int fd = m_file.handle();
    if (fd >= 0)
        return ::pread(fd, into, m_pageSize, static_cast<off_t>(offset)) == static_cast<ssize_t>(m_pageSize);
#endif
    if (!m_file.seek(static_cast<qint64>(offset)))
        return false;
    return m_file.read(reinterpret_cast<char*>(into), m_pageSize) == m_pageSize;
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
    bool read = true;
    if (m_mapped) {
        std::memcpy(data->data(), m_mapped + offset, present);
    } else {
        read = m_file.seek(static_cast<qint64>(offset))
               && m_file.read(reinterpret_cast<char*>(data->data()), present) == present;
    }
    if (!read) {
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

bool Pager::page(std::uint32_t number, Page& out, DbError& error)
{
    if (m_pageSize == 0 || number >= pageCount()) {
        error = DbError::damaged(QStringLiteral("a page number points past the end of the file"), number);
        return false;
    }
    out.number = number;
    // Page 0 is never decoded; plain mapped pages are used in place.
    if (m_mapped && (!m_decoder || number == 0)) {
        out.bytes = ByteView(m_mapped + std::uint64_t(number) * m_pageSize, m_pageSize);
        out.owner.reset();
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
        if (m_decoder && number != 0)
            m_decoder->decodePage(number, std::span<std::uint8_t>(buffer.data(), buffer.size()));
    }
    out.owner = slot.data;
    out.bytes = ByteView(slot.data->data(), slot.data->size());
    return true;
}

} // namespace quorvane::db::format

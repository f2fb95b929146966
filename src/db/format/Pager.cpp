#include "Pager.h"

#include <QFileInfo>

#include <cstring>

namespace quorvane::db::format {

std::unique_ptr<Pager> Pager::openFile(const QString& path, DbError& error)
{
    std::unique_ptr<Pager> pager(new Pager);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir()) {
        error = DbError::fileNotFound(path);
        return nullptr;
    }
    pager->m_file.setFileName(path);
    if (!pager->m_file.open(QIODevice::ReadOnly)) {
        error = DbError::fileNotFound(path);
        return nullptr;
    }
    pager->m_size = static_cast<std::uint64_t>(pager->m_file.size());
    if (pager->m_size > 0)
        pager->m_mapped = pager->m_file.map(0, pager->m_file.size());
    // Without a mapping (unusual file systems) pages are read one at a time instead.
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

Pager::~Pager()
{
    if (m_file.isOpen() && m_mapped)
        m_file.unmap(const_cast<std::uint8_t*>(m_mapped));
}

QByteArray Pager::leadingBytes(std::size_t count)
{
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_size));
    if (m_mapped)
        return QByteArray(reinterpret_cast<const char*>(m_mapped), static_cast<qsizetype>(n));
    if (!m_file.seek(0))
        return {};
    return m_file.read(static_cast<qint64>(n));
}

bool Pager::readStored(std::uint32_t number, std::uint8_t* into)
{
    const std::uint64_t offset = std::uint64_t(number) * m_pageSize;
    if (m_mapped) {
        std::memcpy(into, m_mapped + offset, m_pageSize);
        return true;
    }
    if (!m_file.seek(static_cast<qint64>(offset)))
        return false;
    return m_file.read(reinterpret_cast<char*>(into), m_pageSize) == m_pageSize;
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
        auto buffer = std::make_shared<std::vector<std::uint8_t>>(m_pageSize);
        if (!readStored(number, buffer->data())) {
            error = DbError::damaged(QStringLiteral("the page cannot be read"), number);
            return false;
        }
        if (m_decoder && number != 0)
            m_decoder->decodePage(number, std::span<std::uint8_t>(buffer->data(), buffer->size()));
        slot.number = number;
        slot.data = std::move(buffer);
    }
    out.owner = slot.data;
    out.bytes = ByteView(slot.data->data(), slot.data->size());
    return true;
}

} // namespace quorvane::db::format

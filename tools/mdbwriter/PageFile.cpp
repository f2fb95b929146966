#include "PageFile.h"

#include <cassert>

namespace quorvane::mdbwriter {

PageFile::PageFile(const QString& path, int pageSize) : m_file(path), m_pageSize(pageSize) {}

bool PageFile::open()
{
    return m_file.open(QIODevice::WriteOnly);
}

bool PageFile::write(std::uint32_t page, std::span<const std::uint8_t> bytes)
{
    assert(page < m_pageCount && bytes.size() >= std::size_t(m_pageSize));
    const qint64 offset = qint64(page) * m_pageSize;
    if (m_file.pos() != offset && !m_file.seek(offset))
        return false;
    return m_file.write(reinterpret_cast<const char*>(bytes.data()), m_pageSize) == m_pageSize;
}

bool PageFile::commit()
{
    // Every handed-out page has been written by now; the size check catches a page
    // that was skipped at the end.
    if (m_file.size() != qint64(m_pageCount) * m_pageSize) {
        m_file.cancelWriting();
        return false;
    }
    return m_file.commit();
}

} // namespace quorvane::mdbwriter

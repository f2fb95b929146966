#include "PageFile.h"

#include <cassert>

namespace quorvane::mdbwriter {

PageFile::PageFile(const QString& path) : m_file(path) {}

bool PageFile::open()
{
    return m_file.open(QIODevice::WriteOnly);
}

bool PageFile::write(std::uint32_t page, std::span<const std::uint8_t> bytes)
{
    assert(page < m_pageCount && bytes.size() == kPageSize);
    const qint64 offset = qint64(page) * kPageSize;
    if (m_file.pos() != offset && !m_file.seek(offset))
        return false;
    return m_file.write(reinterpret_cast<const char*>(bytes.data()), kPageSize) == kPageSize;
}

bool PageFile::commit()
{
    // Every handed-out page has been written by now; the size check catches a page
    // that was skipped at the end.
    if (m_file.size() != qint64(m_pageCount) * kPageSize) {
        m_file.cancelWriting();
        return false;
    }
    return m_file.commit();
}

} // namespace quorvane::mdbwriter

#include "PageFile.h"

#include "db/format/crypto/PageKey.h"
#include "db/format/crypto/Rc4.h"

#include <cassert>
#include <vector>

namespace quorvane::mdbwriter {

PageFile::PageFile(const QString& path, int pageSize, std::uint32_t encodingKey)
    : m_file(path), m_pageSize(pageSize), m_encodingKey(encodingKey)
{
}

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
    if (m_encodingKey != 0 && page != 0) {
        using namespace db::format::crypto;
        const PageKey seed{static_cast<std::uint8_t>(m_encodingKey), static_cast<std::uint8_t>(m_encodingKey >> 8),
                           static_cast<std::uint8_t>(m_encodingKey >> 16), static_cast<std::uint8_t>(m_encodingKey >> 24)};
        std::vector<std::uint8_t> encoded(bytes.begin(), bytes.begin() + m_pageSize);
        Rc4(pageKey(seed, page)).apply(encoded);
        return m_file.write(reinterpret_cast<const char*>(encoded.data()), m_pageSize) == m_pageSize;
    }
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

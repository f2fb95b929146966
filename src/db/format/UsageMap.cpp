#include "UsageMap.h"

#include <algorithm>

namespace quorvane::db::format {

bool rowTableCount(const ByteView& page, const JetLayout& layout, std::uint32_t& count)
{
    count = page.u16(layout.dataRowCount);
    return layout.dataRowTable + 2ull * count <= page.size() && !page.overrun();
}

bool locateRow(const ByteView& page, const JetLayout& layout, std::uint32_t row, std::uint32_t& start,
               std::uint32_t& end, std::uint16_t& flags)
{
    std::uint32_t count = 0;
    return rowTableCount(page, layout, count) && row < count && rowBounds(page, layout, count, row, start, end, flags);
}

bool rowBounds(const ByteView& page, const JetLayout& layout, std::uint32_t count, std::uint32_t row,
               std::uint32_t& start, std::uint32_t& end, std::uint16_t& flags)
{
    const std::uint32_t tableEnd = layout.dataRowTable + 2 * count;
    const std::uint16_t entry = page.u16(layout.dataRowTable + 2 * row);
    flags = entry & ~kRowOffsetMask;
    start = entry & kRowOffsetMask;
    end = row == 0 ? static_cast<std::uint32_t>(page.size())
                   : (page.u16(layout.dataRowTable + 2 * (row - 1)) & kRowOffsetMask);
    return start >= tableEnd && start <= end && end <= page.size() && !page.overrun();
}

bool UsageMap::load(Pager& pager, const JetLayout& layout, std::uint8_t row, std::uint32_t page, DbError& error)
{
    Page p;
    if (!pager.page(page, p, error))
        return false;
    std::uint32_t start = 0, end = 0;
    std::uint16_t flags = 0;
    if (p.bytes.u8(0) != kPageData || !locateRow(p.bytes, layout, row, start, end, flags) || end - start < 5) {
        error = DbError::damaged(QStringLiteral("the map of a table's pages cannot be found"), page);
        return false;
    }
    m_mapPage = page;
    m_row.assign(p.bytes.data() + start, p.bytes.data() + end);
    m_type = m_row[0];
    if (m_type != 0 && m_type != 1) {
        error = DbError::damaged(QStringLiteral("the map of a table's pages has an unknown type"), page);
        return false;
    }
    m_start = ByteView(m_row.data(), m_row.size()).u32(1);
    rewind();
    return true;
}

bool UsageMap::pastTheEnd(std::uint64_t page, DbError& error)
{
    // The engines keep the map in step with the file: a healthy file's map names no
    // page behind its end, so such a page is one the file has lost.
    m_bit = ~0ull;
    m_mapIndex = ~0u;
    error = DbError::damaged(QStringLiteral("the table's map lists pages past the end of the file"),
                             static_cast<std::uint32_t>(std::min<std::uint64_t>(page, 0xFFFFFFFFu)));
    return false;
}

void UsageMap::rewind()
{
    m_bit = 0;
    m_mapIndex = 0;
    m_haveCurrent = false;
    m_current = {};
}

bool UsageMap::next(Pager& pager, std::uint32_t& page, DbError& error)
{
    const std::uint32_t pageCount = pager.pageCount();
    if (m_type == 0) {
        const std::uint64_t bits = (m_row.size() - 5) * 8ull;
        while (m_bit < bits) {
            const std::uint64_t b = m_bit++;
            if (m_row[5 + b / 8] & (1u << (b % 8))) {
                const std::uint64_t candidate = m_start + b;
                if (candidate >= pageCount)
                    return pastTheEnd(candidate, error);
                page = static_cast<std::uint32_t>(candidate);
                return true;
            }
        }
        return false;
    }

    // Type 1: four-byte numbers of map pages from byte 1; each map page's bitmap (from
    // byte 4) covers (page size - 4) * 8 pages.
    const std::uint32_t mapSlots = static_cast<std::uint32_t>((m_row.size() - 1) / 4);
    const std::uint64_t bitsPerMap = (pager.pageSize() - 4) * 8ull;
    const ByteView row(m_row.data(), m_row.size());
    while (m_mapIndex < mapSlots) {
        if (!m_haveCurrent) {
            const std::uint32_t mapPage = row.u32(1 + 4 * m_mapIndex);
            if (mapPage == 0) {
                ++m_mapIndex;
                continue;
            }
            if (!pager.page(mapPage, m_current, error))
                return false;
            if (m_current.bytes.u8(0) != kPageUsageMap) {
                error = DbError::damaged(QStringLiteral("a page map has the wrong type"), mapPage);
                return false;
            }
            m_haveCurrent = true;
            m_bit = 0;
        }
        while (m_bit < bitsPerMap) {
            const std::uint64_t b = m_bit++;
            const std::uint8_t byte = m_current.bytes.u8(4 + b / 8);
            if (byte == 0 && b % 8 == 0) { // skip empty stretches a byte at a time
                m_bit = b + 8;
                continue;
            }
            if (byte & (1u << (b % 8))) {
                const std::uint64_t candidate = m_mapIndex * bitsPerMap + b;
                if (candidate >= pageCount)
                    return pastTheEnd(candidate, error);
                page = static_cast<std::uint32_t>(candidate);
                return true;
            }
        }
        m_haveCurrent = false;
        m_current = {};
        ++m_mapIndex;
    }
    return false;
}

} // namespace quorvane::db::format

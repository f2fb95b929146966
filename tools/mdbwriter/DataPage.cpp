#include "DataPage.h"

#include "LittleEndian.h"

#include <algorithm>
#include <cassert>

namespace quorvane::mdbwriter {

void DataPage::reset(std::uint32_t number, std::uint32_t owner)
{
    m_bytes.fill(0);
    m_number = number;
    m_rows = 0;
    m_free = m_format->pageSize - m_format->dataRowTable;
    m_rowStart = m_format->pageSize;
    m_bytes[0] = 0x01;
    m_bytes[1] = 0x01;
    le::put16(&m_bytes[2], static_cast<std::uint16_t>(m_free));
    le::put32(&m_bytes[4], owner);
}

int DataPage::addRow(int size, std::span<std::uint8_t>& out)
{
    assert(fits(size));
    m_rowStart -= size;
    le::put16(&m_bytes[m_format->dataRowTable + 2 * m_rows], static_cast<std::uint16_t>(m_rowStart));
    m_free -= size + 2;
    le::put16(&m_bytes[2], static_cast<std::uint16_t>(m_free));
    le::put16(&m_bytes[m_format->dataRowCount], static_cast<std::uint16_t>(m_rows + 1));
    out = std::span<std::uint8_t>(m_bytes).subspan(m_rowStart, size);
    return m_rows++;
}

int DataPage::addRow(std::span<const std::uint8_t> bytes)
{
    std::span<std::uint8_t> out;
    const int row = addRow(static_cast<int>(bytes.size()), out);
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return row;
}

void DataPage::flagRow(int row, std::uint16_t flags)
{
    assert(row < m_rows);
    std::uint8_t* entry = &m_bytes[m_format->dataRowTable + 2 * row];
    le::put16(entry, static_cast<std::uint16_t>(le::get16(entry) | flags));
}

} // namespace quorvane::mdbwriter

#pragma once

#include "JetLayout.h"
#include "Pager.h"

#include <cstdint>
#include <vector>

namespace quorvane::db::format {

// The number of rows a data page's offset table holds, or false when the table does
// not fit in the page.
bool rowTableCount(const ByteView& page, const JetLayout& layout, std::uint32_t& count);
// Row `row` (below the page's checked row count) as [start, end) within the page and
// the flag bits of its offset entry. False when its offsets are out of range.
bool rowBounds(const ByteView& page, const JetLayout& layout, std::uint32_t count, std::uint32_t row,
               std::uint32_t& start, std::uint32_t& end, std::uint16_t& flags);
// Both for a single row: false when the row number or its offsets are out of range.
bool locateRow(const ByteView& page, const JetLayout& layout, std::uint32_t row, std::uint32_t& start,
               std::uint32_t& end, std::uint16_t& flags);

// The pages a table owns, in ascending order, from its usage map: either a start page
// and a bitmap held in the map row (type 0), or a list of map pages each holding the
// bitmap of one stretch of the file (type 1). Pages are produced one at a time.
class UsageMap {
public:
    bool load(Pager& pager, const JetLayout& layout, std::uint8_t row, std::uint32_t page, DbError& error);
    void rewind();
    // The next owned page; false at the end, or with `error` set when the map is damaged
    // or names a page past the end of the file.
    bool next(Pager& pager, std::uint32_t& page, DbError& error);

private:
    bool pastTheEnd(std::uint64_t page, DbError& error);

    std::uint32_t m_mapPage = 0;     // for error reports
    std::uint8_t m_type = 0;
    std::vector<std::uint8_t> m_row; // the map row, copied (it lives on a shared page)
    std::uint32_t m_start = 0;       // type 0: the page of bit 0

    // Position: type 0 walks bits of m_row from byte 5; type 1 walks map pages, then bits.
    std::uint64_t m_bit = 0;
    std::uint32_t m_mapIndex = 0;
    Page m_current;                  // type 1: the map page being walked
    bool m_haveCurrent = false;
};

} // namespace quorvane::db::format

#pragma once

#include "FileFormat.h"
#include "PageFile.h"

#include <array>
#include <cstdint>
#include <span>

namespace quorvane::mdbwriter {

// A data page being filled: the header (14 bytes, 10 in Jet 3), the row-offset table
// growing from the front, the rows growing from the back. Table rows, usage maps and long values
// ("LVAL" pages) all live on pages of this shape.
class DataPage {
public:
    explicit DataPage(const FileFormat& format) : m_format(&format) {}

    static constexpr int kMaxRows = 255;   // row pointers hold the row number in one byte
    static constexpr std::uint32_t kLongValueOwner = 0x4C41564C; // "LVAL"

    // Starts an empty page numbered `number` whose header names `owner`: the table
    // definition page for table rows, kLongValueOwner for long values, 0 for usage maps.
    void reset(std::uint32_t number, std::uint32_t owner);

    std::uint32_t number() const { return m_number; }
    int rowCount() const { return m_rows; }
    bool isEmpty() const { return m_rows == 0; }
    // Bytes still free for rows and their offset entries.
    int freeSpace() const { return m_free; }
    // Room for a row of `size` bytes plus its offset entry.
    bool fits(int size) const { return m_rows < kMaxRows && size + 2 <= m_free; }
    // Appends a row (the caller checked fits()) and returns its row number. The row's
    // bytes are reserved and returned through `out` for the caller to fill.
    int addRow(int size, std::span<std::uint8_t>& out);
    int addRow(std::span<const std::uint8_t> bytes);
    // Sets flags in a row's offset entry: kRowDeleted, kRowMoved.
    void flagRow(int row, std::uint16_t flags);
    static constexpr std::uint16_t kRowDeleted = 0x8000;
    static constexpr std::uint16_t kRowMoved = 0x4000; // the row holds where the record went

    std::span<const std::uint8_t> bytes() const { return std::span(m_bytes).first(m_format->pageSize); }

private:
    const FileFormat* m_format;
    std::array<std::uint8_t, kMaxPageSize> m_bytes{};
    std::uint32_t m_number = 0;
    int m_rows = 0;
    int m_free = 0;
    int m_rowStart = 0;  // where the last row added begins
};

} // namespace quorvane::mdbwriter

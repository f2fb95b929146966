#pragma once

#include "DataPage.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace quorvane::mdbwriter {

class PageFile;

// The long-value (memo and OLE) pages of one column. A value that fits one long-value
// row is one row on the current page; a longer one is a chain of rows, each starting
// with a pointer to the next, the first on the current page when it has room and the
// others filling fresh pages.
class LongValueStore {
public:
    static constexpr int kHeaderSize = 12;        // the part of a long value in the row
    static constexpr int kMaxInline = 64;         // longest value kept inside the row
    static constexpr int kMaxLength = 0xFFFFFF;   // the row header's length field

    // The header of a value kept inside the row (its bytes follow the header).
    static std::array<std::uint8_t, kHeaderSize> inlineHeader(int length);

    LongValueStore(PageFile& file, const FileFormat& format) : m_file(file), m_format(format), m_page(format) {}
    // Stores `data` on long-value pages and returns the header the row holds for it.
    // False when the value is too long or the file cannot be written.
    bool store(const QByteArray& data, std::array<std::uint8_t, kHeaderSize>& header, QString& error);
    // Writes the page being filled; the store is done after this.
    bool flush();
    // Every page the column owns, in order.
    const std::vector<std::uint32_t>& pages() const { return m_pages; }

private:
    void startPage(std::uint32_t number);
    bool finishPage();

    PageFile& m_file;
    const FileFormat& m_format;
    DataPage m_page;
    bool m_open = false;
    std::vector<std::uint32_t> m_pages;
};

} // namespace quorvane::mdbwriter

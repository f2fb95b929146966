#include "LongValueStore.h"

#include "LittleEndian.h"
#include "PageFile.h"

#include <algorithm>

namespace quorvane::mdbwriter {

namespace {
constexpr std::uint8_t kInlineFlag = 0x80;
constexpr std::uint8_t kSingleRowFlag = 0x40;
constexpr std::uint8_t kChainFlag = 0x00;
constexpr int kLinkSize = 4;                        // the pointer in front of each chain row
// A chain starts on a fresh page rather than leave a sliver of its data on the old one.
constexpr int kMinFirstChunk = 256;

std::array<std::uint8_t, LongValueStore::kHeaderSize> header(int length, std::uint8_t flag, std::uint32_t where)
{
    std::array<std::uint8_t, LongValueStore::kHeaderSize> h{};
    le::put32(h.data(), static_cast<std::uint32_t>(length) | (std::uint32_t(flag) << 24));
    le::put32(h.data() + 4, where);
    return h;
}
} // namespace

std::array<std::uint8_t, LongValueStore::kHeaderSize> LongValueStore::inlineHeader(int length)
{
    return header(length, kInlineFlag, 0);
}

void LongValueStore::startPage(std::uint32_t number)
{
    m_page.reset(number, DataPage::kLongValueOwner);
    m_pages.push_back(number);
    m_open = true;
}

bool LongValueStore::finishPage()
{
    if (!m_open)
        return true;
    m_open = false;
    return m_file.write(m_page.number(), m_page.bytes());
}

bool LongValueStore::flush()
{
    return finishPage();
}

bool LongValueStore::store(const QByteArray& data, std::array<std::uint8_t, kHeaderSize>& out, QString& error)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
    const int length = static_cast<int>(data.size());
    if (data.size() > kMaxLength) {
        error = QStringLiteral("a long value of %1 bytes is longer than %2").arg(data.size()).arg(kMaxLength);
        return false;
    }

    const int maxChunk = m_format.maxLongValueRow - kLinkSize;
    if (length <= m_format.maxLongValueRow) {
        if (!m_open || !m_page.fits(length)) {
            if (!finishPage())
                return false;
            startPage(m_file.allocate());
        }
        const int row = m_page.addRow({bytes, static_cast<std::size_t>(length)});
        out = header(length, kSingleRowFlag, le::rowPointer(m_page.number(), static_cast<std::uint8_t>(row)));
        return true;
    }

    if (!m_open || !m_page.fits(kLinkSize + kMinFirstChunk)) {
        if (!finishPage())
            return false;
        startPage(m_file.allocate());
    }
    out = header(length, kChainFlag, le::rowPointer(m_page.number(), static_cast<std::uint8_t>(m_page.rowCount())));
    int done = 0;
    for (;;) {
        const int chunk = std::min({length - done, m_page.freeSpace() - 2 - kLinkSize, maxChunk});
        const bool last = done + chunk == length;
        // Every chain row after the first opens a fresh page, so it is row 0 there.
        const std::uint32_t next = last ? 0 : m_file.allocate();
        std::span<std::uint8_t> row;
        m_page.addRow(kLinkSize + chunk, row);
        le::put32(row.data(), last ? 0 : le::rowPointer(next, 0));
        std::copy(bytes + done, bytes + done + chunk, row.data() + kLinkSize);
        done += chunk;
        if (last)
            return true;
        if (!finishPage())
            return false;
        startPage(next);
    }
}

} // namespace quorvane::mdbwriter

#pragma once

#include "ByteView.h"
#include "PageDecoder.h"
#include "db/DbError.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace quorvane::db::format {

// One page of the file as the reader sees it (decoded when the file is encoded).
// `owner` keeps a decoded copy alive for as long as the page is in use; pages of a
// plain mapped file point straight into the mapping and own nothing.
struct Page {
    std::uint32_t number = 0;
    ByteView bytes;
    std::shared_ptr<const std::vector<std::uint8_t>> owner;
};

// Pages on demand from a file, read into a small cache, or from bytes in memory.
// Memory stays flat: at most a few dozen pages are kept.
//
// A pager is for one thread at a time (its cache); reader() gives another thread its
// own over the same file and the same decoder.
class Pager {
public:
    // Error 3024 when the file does not exist or cannot be opened for reading.
    static std::unique_ptr<Pager> openFile(const QString& path, DbError& error);
    static std::unique_ptr<Pager> fromBytes(QByteArray bytes);
    ~Pager();

    // Another pager over the same file, page size and decoder, with a cache of its own:
    // for another thread.
    std::unique_ptr<Pager> reader() const;

    std::uint64_t fileSize() const { return m_size; }
    // The first `count` bytes of the file as stored (fewer when the file is shorter).
    QByteArray leadingBytes(std::size_t count);

    void setPageSize(std::uint32_t size) { m_pageSize = size; }
    std::uint32_t pageSize() const { return m_pageSize; }
    std::uint32_t pageCount() const { return m_pageSize ? static_cast<std::uint32_t>(m_size / m_pageSize) : 0; }
    void setDecoder(std::unique_ptr<PageDecoder> decoder) { m_decoder = std::move(decoder); }

    // Page `number`; a page past the end of the file is a damaged-file error.
    bool page(std::uint32_t number, Page& out, DbError& error);
    // The first `bytes` of page `number` (whole blocks of 16, at most the page) read into
    // `buffer`, not cached: a look at a page's header and row table.
    bool pageHead(std::uint32_t number, std::uint32_t bytes, std::vector<std::uint8_t>& buffer, Page& out,
                  DbError& error);
    // Pages `first` to `first + count - 1` read with one read of the file (at most
    // kRunPages, only whole pages the file holds), for page() to give next. A walk
    // that knows which pages follow calls this before asking for the first of them:
    // a read for each page cost as much as decoding its rows. Nothing is reported
    // here; a page this did not read is read alone when asked for.
    void readAhead(std::uint32_t first, std::uint32_t count);
    // Whether page() gives `number` from what readAhead() read.
    bool holdsRead(std::uint32_t number) const { return number - m_runFirst < m_runCount; }
    // Eight pages stay in the processor's first-level cache until their rows are read;
    // longer runs were copied out of it, and reading the rows waited for memory.
    static constexpr std::uint32_t kRunPages = 8;
    // The bytes a file cut short still holds of its last page (page pageCount()), or 0.
    std::uint32_t tailBytes() const { return m_pageSize ? static_cast<std::uint32_t>(m_size % m_pageSize) : 0; }
    // That part page, made up to a whole page with zeros: only what lies in its first
    // tailBytes() is the file's. Never cached.
    bool tailPage(Page& out, DbError& error);

private:
    // What the pagers of one file share: the open file (read at an offset, or under the
    // lock where reading means seeking first) or the bytes in memory.
    struct Source {
        QFile file;
        std::mutex seekLock;
        QByteArray bytes;
    };

    Pager() = default;
    bool readStored(std::uint32_t number, std::uint8_t* into);
    bool readAt(std::uint64_t offset, std::uint8_t* into, std::uint32_t count);
    bool checkInFile(std::uint32_t number, DbError& error) const;
    // Decodes the stored bytes of page `number` (or its head) in place, for an encoded file.
    void decodeStored(std::uint32_t number, std::span<std::uint8_t> bytes) const;

    std::shared_ptr<Source> m_source;
    const std::uint8_t* m_mapped = nullptr; // m_source's bytes
    std::uint64_t m_size = 0;
    std::uint32_t m_pageSize = 0;
    std::shared_ptr<const PageDecoder> m_decoder; // decodePage() keeps no state

    struct Slot {
        std::uint32_t number = 0;
        std::shared_ptr<std::vector<std::uint8_t>> data;
    };
    static constexpr std::size_t kCacheSlots = 32;
    std::array<Slot, kCacheSlots> m_cache{};
    // The pages readAhead() read, one after another; two buffers, so that the page in
    // use from one run does not cost a new buffer for the next.
    std::array<std::shared_ptr<std::vector<std::uint8_t>>, 2> m_runs;
    std::size_t m_run = 0;
    std::uint32_t m_runFirst = 0;
    std::uint32_t m_runCount = 0;
};

} // namespace quorvane::db::format

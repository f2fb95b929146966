#pragma once

#include <QSaveFile>
#include <QString>

#include <cstdint>
#include <span>

namespace quorvane::mdbwriter {

// The pages of the largest size any version uses; a page of a smaller one is the
// front part.
constexpr int kMaxPageSize = 4096;

// The database file as a sequence of pages (2 or 4 KB). Page numbers are handed out in order;
// a page may be written any time after it was handed out, in any order, so a row can
// name a page before that page is full. The file appears only when commit() succeeds.
// With an encoding key every page but the header is stored RC4-encoded, as Jet does.
class PageFile {
public:
    PageFile(const QString& path, int pageSize, std::uint32_t encodingKey = 0);
    int pageSize() const { return m_pageSize; }
    bool open();
    std::uint32_t allocate() { return m_pageCount++; }
    std::uint32_t pageCount() const { return m_pageCount; }
    bool write(std::uint32_t page, std::span<const std::uint8_t> bytes);
    bool commit();
    QString errorString() const { return m_file.errorString(); }

private:
    QSaveFile m_file;
    int m_pageSize;
    std::uint32_t m_pageCount = 0;
    std::uint32_t m_encodingKey;
};

} // namespace quorvane::mdbwriter

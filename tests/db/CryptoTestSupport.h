#pragma once

// Helpers shared by the cipher tests: the corpus, and a plausibility check of pages.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>

namespace quorvane::cryptotest {

// The bytes of ../shared/corpus/files/NAME, or an empty array when the corpus is absent.
QByteArray corpusFile(const QString& name);
bool corpusAvailable();
QString corpusFilesDir();

// 2048 for Jet 3 files, 4096 otherwise (decided by the version byte at 0x14).
int pageSizeOf(const QByteArray& file);
std::span<const std::uint8_t> pageOf(const QByteArray& file, std::uint32_t pageNumber);

// True when `page` has the shape of a page Access writes: a known page type, the
// constant 0x01 after it, and (for data and table-definition pages) a page pointer
// inside the file. A page decrypted with a wrong key passes with a chance of about
// one in ten thousand.
bool looksLikePage(std::span<const std::uint8_t> page, std::uint32_t pageCount);

} // namespace quorvane::cryptotest

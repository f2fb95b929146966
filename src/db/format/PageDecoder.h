#pragma once

#include "Header.h"
#include "db/DbError.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <span>

namespace quorvane::db::format {

// Turns a page as stored in an encrypted or encoded file back into the plain page.
// The header page (page 0) is never passed through a decoder: it is stored plain
// (apart from the fixed mask the reader removes itself).
class PageDecoder {
public:
    virtual ~PageDecoder() = default;
    // Decodes `page` (the whole page of number `pageNumber`, as read, or its first bytes,
    // a whole number of 16-byte blocks) in place.
    virtual void decodePage(std::uint32_t pageNumber, std::span<std::uint8_t> page) const = 0;
};

// Decides from the decoded header and the password from the connection string how
// the other pages are stored. Returns nullptr with no error when they are plain, a
// decoder when they are encoded or encrypted and the password opens them, or nullptr
// with `error` set: 3031 "Not a valid password." for a wrong or missing password (the
// Jet database password included: this is the one place it is checked), or a clear
// error naming an encryption that is not supported or a damaged encryption header.
std::unique_ptr<PageDecoder> makePageDecoder(const Header& header, const QString& password, DbError& error);

// The same from the header page exactly as stored in the file (page 0, not yet
// unmasked; 2048 bytes for Jet 3, 4096 otherwise), for callers that hold only the bytes.
std::unique_ptr<PageDecoder> makePageDecoder(std::span<const std::uint8_t> headerPage, const QString& password,
                                             DbError& error);

} // namespace quorvane::db::format

#pragma once

// Text appended by writing it in place: room for the longest form is made once, the
// writer fills it through a pointer and what it did not use is cut off. One sizing of
// the line per value rather than an append for each part of it.

#include <cstddef>
#include <string>

namespace quorvane::exporter {

// `write(char* d)` writes at most `room` bytes at `d` and returns the end.
template <class Write>
void appendInPlace(std::string& out, std::size_t room, Write&& write)
{
    const std::size_t start = out.size();
    out.resize(start + room);
    char* end = write(out.data() + start);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

} // namespace quorvane::exporter

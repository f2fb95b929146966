#pragma once

// The major version of the running Windows, read when the missing-provider guidance is
// about to choose a download page. 0 until a reading succeeds, and 0 off Windows.

#include <cstdint>

namespace quorvane::db {

// The last reading (program-wide).
std::int16_t WindowsMajorVersion();
// Replaces the reading: for tests of what depends on it.
void setWindowsMajorVersion(std::int16_t version);

// Reads the version through RtlGetVersion. A failing status gives 0; off Windows there is
// no Windows version, so the reading is 0 as well.
void DetectWindowsVersion();

} // namespace quorvane::db

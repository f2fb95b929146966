#pragma once

// Small file-system questions answered without ever raising an error.

#include <QString>

namespace quorvane::db {

// True when the last-modified time of `path` can be read (a folder answers too); false
// for an empty path and on any failure.
bool FileExists(const QString& path);

} // namespace quorvane::db

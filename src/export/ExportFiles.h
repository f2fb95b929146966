#pragma once

// Where the export's files go: the output folder test, the file of a table, the path of
// a file in the folder.

#include <QString>

namespace quorvane::exporter {

inline const QString kOneFileName = QStringLiteral("output.txt");

// True when `path` names a directory; any failure to tell counts as false.
bool FolderExists(const QString& path);

// The folder text followed by the file name, with one separator put between when the
// folder text does not end with one.
QString outputFilePath(const QString& folder, const QString& fileName);

// The file of a table: its name verbatim with ".txt" (or `extension`) appended; empty when the name
// cannot be a file name inside the folder (a path separator or NUL in it, ".", "..",
// empty): such a table's file is never created, least of all somewhere else.
QString tableFileName(const QString& tableName, const QString& extension = QStringLiteral(".txt"));

} // namespace quorvane::exporter

#pragma once

#include "TableData.h"

#include <QString>

#include <vector>

namespace quorvane::mdbwriter {

// The sample database shipped beside the program: customers, products, their orders
// and a table of cities whose name has a blank and non-ASCII letters. Between them the
// tables hold every kind of value the exporter formats, Null in every column that can
// be Null, text in several scripts, memo values with line breaks, and memo and OLE
// values long enough to need long-value pages. Always the same bytes.
class SampleDatabase {
public:
    // The content, in the order the tables are written.
    static std::vector<TableData> tables();
    static bool write(const QString& path, QString& error);
};

} // namespace quorvane::mdbwriter

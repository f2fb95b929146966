#pragma once

#include "Column.h"

#include "db/Value.h"

#include <QString>

#include <vector>

namespace quorvane::mdbwriter {

// A whole table held in memory: what fixtures are made of. Large tables go through
// DatabaseWriter row by row instead.
struct TableData {
    QString name;
    std::vector<Column> columns;
    std::vector<std::vector<db::Value>> rows;
};

} // namespace quorvane::mdbwriter

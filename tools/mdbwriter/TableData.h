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
    // Items of attachment and multi-valued columns (DatabaseWriter::addComplexItem).
    struct Item {
        QString column;
        std::int32_t key = 0;
        std::vector<db::Value> values;
    };
    std::vector<Item> items = {};
};

} // namespace quorvane::mdbwriter

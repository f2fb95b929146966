#pragma once

#include "Column.h"
#include "FileFormat.h"

#include "db/Value.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace quorvane::mdbwriter {

// The benchmark database: one table, "Bench", of as many rows as asked for, with
// eleven columns of mixed kinds. Row i depends only on the seed and i, so a reader's
// test can check any row without keeping the others. The memo column is Null in about
// one row of ten, holds line breaks in some and runs over several pages in one row of
// two hundred.
class BenchDatabase {
public:
    explicit BenchDatabase(std::uint64_t seed = 1) : m_seed(seed) {}

    static QString tableName() { return QStringLiteral("Bench"); }
    static std::vector<Column> columns();
    // The values of row `index` (counted from 0), in column order.
    std::vector<db::Value> row(std::int64_t index) const;
    // Writes a database of `rows` rows to `path`.
    bool write(const QString& path, std::int64_t rows, QString& error, Version version = Version::Jet4) const;

private:
    std::uint64_t m_seed;
};

} // namespace quorvane::mdbwriter

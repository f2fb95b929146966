#pragma once

#include "Column.h"
#include "FileFormat.h"

#include "db/Value.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace quorvane::mdbwriter {

// The benchmark database: one table, "Bench", of as many rows as asked for. Row i
// depends only on the seed and i, so a reader's test can check any row without keeping
// the others.
// - Mixed (the default): eleven columns of mixed kinds. The memo column is Null in about
//   one row of ten, holds line breaks in some and runs over several pages in one row of
//   two hundred.
// - Wide: forty columns, no memos, mostly numbers: Long, short Text, Double, Currency,
//   Date/Time, Yes/No, Single and Integer, five times over. Here turning values into
//   text costs more than reading them.
class BenchDatabase {
public:
    enum class Shape { Mixed, Wide };

    explicit BenchDatabase(std::uint64_t seed = 1, Shape shape = Shape::Mixed) : m_seed(seed), m_shape(shape) {}

    static QString tableName() { return QStringLiteral("Bench"); }
    static std::vector<Column> columns(Shape shape = Shape::Mixed);
    // The values of row `index` (counted from 0), in column order.
    std::vector<db::Value> row(std::int64_t index) const;
    // Writes a database of `rows` rows to `path`.
    bool write(const QString& path, std::int64_t rows, QString& error, Version version = Version::Jet4) const;

private:
    std::vector<db::Value> wideRow(std::int64_t index) const;

    std::uint64_t m_seed;
    Shape m_shape;
};

} // namespace quorvane::mdbwriter

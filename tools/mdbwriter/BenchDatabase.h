#pragma once

#include "Column.h"
#include "DatabaseWriter.h"
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
// The other shapes stand for tables the two above do not exercise:
// - Memo: a few columns and a memo of 2 to 40 KB in every row, always on long-value pages.
// - Unicode: text in Cyrillic, Greek, CJK and Arabic, in short text columns and a memo.
// - Sparse: thirty columns of mixed kinds, each Null in about nineteen rows of twenty.
// - Binary: a Binary column and an OLE Object of 100 bytes to 16 KB.
// - Extended: Decimal, Big Integer and Date/Time Extended columns (ACE files only).
// - Complex: a multi-valued Text field and an attachment field (ACE files only).
class BenchDatabase {
public:
    enum class Shape { Mixed, Wide, Memo, Unicode, Sparse, Binary, Extended, Complex };

    explicit BenchDatabase(std::uint64_t seed = 1, Shape shape = Shape::Mixed) : m_seed(seed), m_shape(shape) {}

    static QString tableName() { return QStringLiteral("Bench"); }
    static std::vector<Column> columns(Shape shape = Shape::Mixed);
    // The values of row `index` (counted from 0), in column order.
    std::vector<db::Value> row(std::int64_t index) const;
    // Writes a database of `rows` rows to `path`.
    bool write(const QString& path, std::int64_t rows, QString& error, Version version = Version::Jet4) const;
    bool write(const QString& path, std::int64_t rows, QString& error, const DatabaseOptions& options) const;

private:
    std::vector<db::Value> wideRow(std::int64_t index) const;
    std::vector<db::Value> otherRow(std::int64_t index) const;
    bool addComplexItems(DatabaseWriter& db, std::int64_t index) const;

    std::uint64_t m_seed;
    Shape m_shape;
};

} // namespace quorvane::mdbwriter

#pragma once

#include "TableDef.h"
#include "db/Value.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvane::db::format {

class AccessDatabase;

// The text Access shows for the complex columns of one table: the file names of an
// attachment field, the values of a multi-valued field, each joined by "; " in the
// order of their hidden table. A complex value in the row is only a key into that
// hidden table; the texts are gathered in one scan of it when the table opens, so
// rows are filled without further reads.
//
// Nothing here fails the table: a column whose hidden table cannot be found or read,
// or whose kind is not one of the two (version history, unknown kinds), shows empty
// text. Where that is because the file is damaged, damage() says so, and the caller
// decides (a plain read must not pass empty texts off as the file's).
class ComplexColumns {
public:
    // Limits on what one table's complex columns may cost, whatever the file says.
    struct Limits {
        std::size_t textBytes = std::size_t(64) << 20; // text and bookkeeping held
        std::uint64_t rowsScanned = 16'000'000;        // hidden-table rows read in all
    };

    ComplexColumns() = default;
    static ComplexColumns load(AccessDatabase& db, const TableDef& table);
    static ComplexColumns load(AccessDatabase& db, const TableDef& table, const Limits& limits);

    // How many of the table's complex columns have their texts.
    std::size_t resolvedCount() const { return m_columns.size(); }
    // The first damaged-file error met while gathering the texts, if any.
    const DbError& damage() const { return m_damage; }
    // Sets the display text of every complex value of `row`, a row of the table.
    void fill(std::vector<Value>& row) const;

    // The joined texts of one column, ordered by the key of the row they belong to.
    struct Texts {
        std::vector<std::int32_t> keys; // ascending, each once
        std::vector<QString> texts;     // beside its key
        // keys[i] == keys[0] + i throughout, as Access numbers the rows: the text of a
        // key is then found by subtraction rather than a search.
        bool dense = false;
        const QString* find(std::int32_t key) const;
    };

private:
    struct Column {
        std::size_t index = 0; // in the table's row
        Texts texts;
    };
    std::vector<Column> m_columns;
    DbError m_damage;
};

// One value of a multi-valued field as text, the same in every locale and in every
// output: the exact text (db/ExactText.h), so dates read "2024-03-01 14:30:00" whether
// the date columns beside them follow the locale or not. The list is put together once
// when the table opens, below any locale, and each item reads back on its own.
QString complexItemText(const Value& value);

} // namespace quorvane::db::format

#pragma once

// The list the table catalog fills: the export window's table list implements it, tests
// implement it with a plain vector. Keeps the catalog free of widgets.

#include <QString>

namespace quorvane::db {

class TableListTarget {
public:
    virtual ~TableListTarget() = default;
    // Removes every row.
    virtual void clear() = 0;
    // Appends a row showing `text`, unticked.
    virtual void addItem(const QString& text) = 0;
    virtual int itemCount() const = 0;
    // Ticks or unticks row `index` (0 is the first row).
    virtual void setItemChecked(int index, bool checked) = 0;
    // Makes row `index` the selected (current) row.
    virtual void selectItem(int index) = 0;
};

} // namespace quorvane::db

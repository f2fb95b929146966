#pragma once

// The export window's table list: one column in report view, a check box in front of every
// row, each row's text the name of one user table. The catalog fills it through
// db::TableListTarget; the export reads each row's text and tick back by index.

#include "db/TableListTarget.h"

#include <QTreeWidget>

namespace quorvane::exporter {

class TableListView : public QTreeWidget, public db::TableListTarget {
    Q_OBJECT

public:
    explicit TableListView(QWidget* parent = nullptr);

    // db::TableListTarget. Rows are counted from 0; an index outside the list is ignored.
    void clear() override;
    void addItem(const QString& text) override;
    int itemCount() const override;
    void setItemChecked(int index, bool checked) override;
    void selectItem(int index) override;

    // What the export reads; a row outside the list reads as an empty, unticked row, since
    // the list may be refilled while an export yields.
    QString itemText(int index) const;
    bool isItemChecked(int index) const;
};

} // namespace quorvane::exporter

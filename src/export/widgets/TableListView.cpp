#include "TableListView.h"

#include <QHeaderView>

namespace quorvane::exporter {

TableListView::TableListView(QWidget* parent)
    : QTreeWidget(parent)
{
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // The export takes each row's text as a table name, so rows are not renamed in place.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(false);
}

void TableListView::clear()
{
    QTreeWidget::clear();
}

void TableListView::addItem(const QString& text)
{
    auto* item = new QTreeWidgetItem(this, QStringList{text});
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren);
    item->setCheckState(0, Qt::Unchecked);
}

int TableListView::itemCount() const
{
    return topLevelItemCount();
}

void TableListView::setItemChecked(int index, bool checked)
{
    if (QTreeWidgetItem* item = topLevelItem(index)) {
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    }
}

void TableListView::selectItem(int index)
{
    if (QTreeWidgetItem* item = topLevelItem(index)) {
        setCurrentItem(item);
    }
}

QString TableListView::itemText(int index) const
{
    const QTreeWidgetItem* item = topLevelItem(index);
    return item ? item->text(0) : QString();
}

bool TableListView::isItemChecked(int index) const
{
    const QTreeWidgetItem* item = topLevelItem(index);
    return item && item->checkState(0) == Qt::Checked;
}

} // namespace quorvane::exporter

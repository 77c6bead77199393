#include "ui/common/tablefill.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QTableView>
#include <QTableWidget>

namespace kestrovalin {

void setupListTable(QAbstractItemView* view, bool singleSelection) {
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(singleSelection ? QAbstractItemView::SingleSelection
                                           : QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
    if (auto* table = qobject_cast<QTableView*>(view))
        table->horizontalHeader()->setStretchLastSection(true);
}

TableFill::TableFill(QTableWidget* table, int rows)
    : m_table(table), m_sorting(table->isSortingEnabled()), m_updates(table->updatesEnabled()) {
    m_table->setSortingEnabled(false);
    m_table->setUpdatesEnabled(false);
    m_table->clearContents();
    m_table->setRowCount(rows);
}

TableFill::~TableFill() {
    m_table->setUpdatesEnabled(m_updates);
    m_table->setSortingEnabled(m_sorting);
}

QTableWidgetItem* TableFill::set(int row, int column, const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    m_table->setItem(row, column, item);
    return item;
}

void TableFill::setRow(int row, const QStringList& cells) {
    for (int c = 0; c < cells.size(); ++c)
        set(row, c, cells.at(c));
}

} // namespace kestrovalin

#include "ui/common/tablefill.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QTableView>
#include <QTableWidget>

#include <algorithm>

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

void setColumnWidths(QTableView* view, const QVector<int>& widths) {
    QHeaderView* header = view->horizontalHeader();
    for (int c = 0; c < widths.size(); ++c)
        header->resizeSection(c, widths.at(c));
    // A stretched last column never gets narrower than it was; start it at its title's width so that it
    // only fills the room the others leave instead of pushing the table past the view.
    const int last = header->count() - 1;
    if (header->stretchLastSection() && last >= widths.size())
        header->resizeSection(last, header->sectionSizeHint(last));
}

void fitColumnsToFirstRows(QTableView* view, int sampleRows) {
    const QAbstractItemModel* model = view->model();
    QHeaderView* header = view->horizontalHeader();
    const int rows = std::min(model->rowCount(), sampleRows);
    const int grid = view->showGrid() ? 1 : 0;
    for (int c = 0; c < model->columnCount(); ++c) {
        int width = header->sectionSizeHint(c);
        for (int r = 0; r < rows; ++r)
            width = std::max(width, view->sizeHintForIndex(model->index(r, c)).width() + grid);
        header->resizeSection(c, width);
    }
}

bool removeCurrentLine(QTableWidget* table, int lineCount, const std::function<void(int)>& removeLine) {
    const int row = table->currentRow();
    if (row < 0)
        return false;
    table->removeRow(row);
    if (row < lineCount)
        removeLine(row);
    return true;
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

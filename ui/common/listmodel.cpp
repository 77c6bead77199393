#include "ui/common/listmodel.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>

namespace kestrovalin {

QList<QStandardItem*> readOnlyRow(const QStringList& cells) {
    QList<QStandardItem*> row;
    row.reserve(cells.size());
    for (const QString& text : cells) {
        auto* item = new QStandardItem(text);
        item->setEditable(false);
        row.append(item);
    }
    return row;
}

int rowId(const QStandardItemModel* model, int row) {
    if (row < 0 || row >= model->rowCount())
        return -1;
    return model->index(row, 0).data(Qt::UserRole).toInt();
}

void clearRows(QStandardItemModel* model) {
    model->removeRows(0, model->rowCount());
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

} // namespace kestrovalin

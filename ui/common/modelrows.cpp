#include "ui/common/modelrows.h"

#include <QStandardItemModel>

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

} // namespace kestrovalin

#pragma once

#include <QAbstractItemModel>
#include <QBrush>
#include <QColor>
#include <QStringList>

namespace kestrovalin::test {

// One row's shown cells, or with row -1 one column's, joined by '|', for one comparison that shows every
// difference at once.
inline QString texts(const QAbstractItemModel* model, int row, int column = -1) {
    QStringList out;
    const int n = row < 0 ? model->rowCount() : model->columnCount();
    for (int i = 0; i < n; ++i)
        out << model->index(row < 0 ? i : row, row < 0 ? column : i).data().toString();
    return out.join('|');
}

// The colour a cell paints with for a role (Qt::ForegroundRole, Qt::BackgroundRole); invalid where the
// table's own colour shows.
inline QColor colourOf(const QModelIndex& cell, int role) {
    const QVariant brush = cell.data(role);
    return brush.isNull() ? QColor() : brush.value<QBrush>().color();
}

} // namespace kestrovalin::test

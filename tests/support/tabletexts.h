#pragma once

#include <QAbstractItemModel>
#include <QStringList>

namespace kestrovalin::test {

// One row's shown texts, or with row -1 one column's, joined by '|'.
inline QString texts(const QAbstractItemModel* model, int row, int column = -1) {
    QStringList out;
    const int n = row < 0 ? model->rowCount() : model->columnCount();
    for (int i = 0; i < n; ++i)
        out << model->index(row < 0 ? i : row, row < 0 ? column : i).data().toString();
    return out.join(QLatin1Char('|'));
}

} // namespace kestrovalin::test

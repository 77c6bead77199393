#pragma once

#include <QAbstractItemModel>
#include <QBrush>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTableView>

namespace kestrovalin::test {

// Reads windows the way a person would: by the object names of their widgets.

template <class T> T* child(QObject* window, const char* name) {
    return window->findChild<T*>(QLatin1String(name));
}

inline void click(QObject* window, const char* button) {
    child<QPushButton>(window, button)->click();
}

inline QString labelText(QObject* window, const char* label) {
    return child<QLabel>(window, label)->text();
}

inline const QAbstractItemModel* tableModel(QObject* window, const char* table) {
    return child<QTableView>(window, table)->model();
}

// The text colours of one column by name, "-" where the cell has the table's own, joined by '|' as
// modeltexts.h joins the texts.
inline QString columnColours(const QAbstractItemModel* model, int column) {
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r) {
        const QVariant brush = model->index(r, column).data(Qt::ForegroundRole);
        out << (brush.isValid() ? brush.value<QBrush>().color().name() : QStringLiteral("-"));
    }
    return out.join(QLatin1Char('|'));
}

} // namespace kestrovalin::test

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

// The colours of one column under a role, the text colour unless another is named, by name, "-" where the
// cell has the table's own, joined by '|' as modeltexts.h joins the texts.
inline QString columnColours(const QAbstractItemModel* model, int column, int role = Qt::ForegroundRole) {
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r) {
        const QVariant brush = model->index(r, column).data(role);
        out << (brush.isValid() ? brush.value<QBrush>().color().name() : QStringLiteral("-"));
    }
    return out.join(QLatin1Char('|'));
}

} // namespace kestrovalin::test

#include "ui/common/listreread.h"

#include "core/databasemanager.h"
#include "ui/common/rowtablemodel.h"

#include <QEvent>
#include <QHash>
#include <QTableView>
#include <algorithm>

namespace kestrovalin {

namespace {

RowTableModel* rowModel(const QTableView* table) {
    return qobject_cast<RowTableModel*>(table->model());
}

} // namespace

ListReread::ListReread(QTableView* table) : QObject(table), m_table(table) {
    if (QAbstractItemModel* model = table->model())
        connect(model, &QAbstractItemModel::modelReset, this, &ListReread::noteRead);
    if (RowTableModel* model = rowModel(table))
        connect(model, &RowTableModel::readFailed, this, &ListReread::noteRefused);
    if (QWidget* window = table->window(); window && window != table)
        window->installEventFilter(this);
}

void ListReread::setReload(std::function<void()> reload) {
    m_reload = std::move(reload);
}

void ListReread::noteRead() {
    m_mark = DatabaseManager::instance().fileMark();
}

void ListReread::noteRefused() {
    keepUnreadable(DatabaseManager::instance().fileMark());
}

void ListReread::keepUnreadable(const FileMark& now) {
    // The refused read is said once, not again at every return.
    if (!now.isValid())
        m_mark = now;
}

void ListReread::reload() {
    // A paged list reads itself again where it stands, and hands a current record that is gone to its
    // neighbour.
    if (RowTableModel* paged = rowModel(m_table); paged && paged->isPaged()) {
        paged->followNow();
        return;
    }
    const QModelIndex current = m_table->currentIndex();
    // The current record, and its neighbours should it be gone: those after it, then those before it.
    QVector<int> ids;
    if (current.isValid()) {
        const QAbstractItemModel* model = m_table->model();
        const auto idAt = [model](int row) {
            return model->index(row, 0).data(Qt::UserRole).toInt();
        };
        ids.append(idAt(current.row()));
        for (int row = current.row() + 1; row < model->rowCount(); ++row)
            ids.append(idAt(row));
        for (int row = current.row() - 1; row >= 0; --row)
            ids.append(idAt(row));
    }
    // A copy: the reload may set the next one while it runs.
    if (const std::function<void()> again = m_reload)
        again();
    if (!ids.isEmpty())
        makeCurrent(ids, std::max(0, current.column()));
}

void ListReread::makeCurrent(const QVector<int>& ids, int column) {
    QAbstractItemModel* model = m_table->model();
    const int rows = model->rowCount();
    QHash<int, int> rowOf;
    for (int row = rows - 1; row >= 0; --row)
        rowOf.insert(model->index(row, 0).data(Qt::UserRole).toInt(), row);
    for (int id : ids) {
        if (const auto found = rowOf.constFind(id); found != rowOf.cend()) {
            m_table->setCurrentIndex(model->index(*found, column));
            return;
        }
    }
}

bool ListReread::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate) {
        m_wasInactive = true;
    } else if (event->type() == QEvent::WindowActivate && m_wasInactive) {
        m_wasInactive = false;
        // Back from another window, which may have written; a paged list looks for itself.
        const RowTableModel* model = rowModel(m_table);
        if (model && model->isPaged())
            return QObject::eventFilter(watched, event);
        const FileMark now = DatabaseManager::instance().fileMark();
        if (markMoved(m_mark, now)) {
            keepUnreadable(now);
            reload();
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kestrovalin

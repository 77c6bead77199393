#pragma once

#include "core/sqliteadapter.h"

#include <QObject>
#include <QVector>
#include <functional>

class QTableView;

namespace kestrovalin {

// Reads a list that holds its rows again when its window comes back to the front and the file changed since
// they were read (another window or another copy of the program may have written meanwhile), keeping the
// current record current while the list still holds it. A paged list follows the file through its model
// (followList) instead; reload() serves both, for a read again behind a refusal.
//
// The rows count as read whenever the table's model is reset; a QTableWidget, which its window fills cell by
// cell, says so through noteRead(), and a refused read through noteRefused().
class ListReread : public QObject {
    Q_OBJECT
public:
    explicit ListReread(QTableView* table);

    // What reads the list again as shown. It may set the next one while it runs.
    void setReload(std::function<void()> reload);
    // The list's rows were just read: the file as they show it.
    void noteRead();
    // A read of the list was refused and said so: once the file was replaced, nothing is read again on
    // its return, which would only be refused again. A table model's refusals come here by themselves.
    void noteRefused();
    // Reads the list again now and keeps the current record current while the list still holds it, else
    // the nearest record after it (before it at the end). A paged list reads itself again where it stands.
    void reload();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Makes the first of the records shown current.
    void makeCurrent(const QVector<int>& ids, int column);
    // A mark that cannot be read (every statement refused) is kept as seen: it is no change from then on.
    void keepUnreadable(const FileMark& now);

    QTableView* m_table;
    std::function<void()> m_reload;
    FileMark m_mark;
    bool m_wasInactive = false;
};

} // namespace kestrovalin

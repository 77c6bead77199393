#include "ui/common/listfollower.h"

#include "ui/common/rowtablemodel.h"
#include "ui/common/selectionaccess.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>

namespace kestrovalin {

namespace {

// A model's columns as a horizontal header shows them, with two rows for the header's own selection: row 0
// of a column is selected where the view's selection holds a cell of that column, row 1 as well where it
// holds every row of it. Qt's header asks its selection, at every repaint, whether each column is wholly
// selected by walking every row of the model; over these it walks two and draws the same.
class HeaderColumns : public QAbstractTableModel {
public:
    HeaderColumns(QAbstractItemModel* source, QObject* parent)
        : QAbstractTableModel(parent), m_source(source), m_columns(source->columnCount()) {
        connect(source, &QAbstractItemModel::headerDataChanged, this, &QAbstractItemModel::headerDataChanged);
        const auto recount = [this] {
            const int columns = m_source ? m_source->columnCount() : 0;
            if (columns == m_columns)
                return;
            beginResetModel();
            m_columns = columns;
            endResetModel();
        };
        connect(source, &QAbstractItemModel::modelReset, this, recount);
        connect(source, &QAbstractItemModel::columnsInserted, this, recount);
        connect(source, &QAbstractItemModel::columnsRemoved, this, recount);
    }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : 2;
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : m_columns;
    }
    QVariant data(const QModelIndex&, int) const override { return QVariant(); }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        return m_source ? m_source->headerData(section, orientation, role) : QVariant();
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren
                               : Qt::NoItemFlags;
    }

private:
    // A model destroyed before its view leaves the header its sections, untitled, until the view goes too.
    QPointer<QAbstractItemModel> m_source;
    int m_columns;
};

// What followList() attaches to a view.
class ListFollower : public QObject {
public:
    ListFollower(QTableView* view, RowTableModel* model)
        : QObject(view), m_view(view), m_model(model), m_writes(&model->writeFollower()),
          m_selection(view->selectionModel()), m_viewport(view->viewport()),
          m_scrollBar(view->verticalScrollBar()) {
        connect(model, &QAbstractItemModel::modelReset, this, [this] {
            // A reload shows the list from its first row, nothing selected.
            m_wanted = Edge::None;
            m_awaySpans.clear();
            m_guessedSpans.clear();
            m_awayCurrent = -1;
            m_all = false;
            m_view->scrollToTop();
            noteTop();
            markColumns();
        });
        connect(m_scrollBar, &QScrollBar::valueChanged, this, &ListFollower::scrolled);
        connect(model, &RowTableModel::reread, this, &ListFollower::reread);
        connect(model, &RowTableModel::aboutToReread, this, &ListFollower::takeSelection);
        // The current record is known from the moment it is made current, painted or not, so that a re-read
        // finds it by its keys.
        connect(m_selection, &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
            m_model->id(current.row());
            // One the user makes current wins over one whose place is being counted.
            if (current.isValid() && !m_adjusting)
                m_awayCurrent = -1;
        });
        // "All" is what Ctrl+A or the corner button selected, until the selection changes otherwise; Qt's
        // own changes as rows come or go are not the user's.
        connect(
            m_selection, &QItemSelectionModel::selectionChanged, this, [this](const QItemSelection& added) {
                if (!m_adjusting && !m_model->rowsChanging()) {
                    m_all = false;
                    // Records whose places are being counted stay selected only beside what Ctrl or
                    // Shift adds.
                    if (!(QGuiApplication::keyboardModifiers() & (Qt::ControlModifier | Qt::ShiftModifier))) {
                        m_awaySpans.clear();
                        m_guessedSpans.clear();
                    }
                    // So are the first and last records of a range, which a column's header selects
                    // unseen.
                    for (const QItemSelectionRange& range : added) {
                        m_model->id(range.top());
                        m_model->id(range.bottom());
                    }
                    // The selection is of the records shown: any added since, or moved in, stay out of it.
                    m_since = m_writes->newestId();
                    m_selectedIds = selectedIds();
                }
                markColumns();
            });
        // With a screen reader running, QTableView lists every index selected and every one deselected to
        // tell it of the first of each: most of a second with every row of a long list selected. A plain
        // view's part is done here instead, from the first range's corner.
        if (view->metaObject() == &QTableView::staticMetaObject &&
            disconnect(m_selection, SIGNAL(selectionChanged(QItemSelection, QItemSelection)), view,
                       SLOT(selectionChanged(QItemSelection, QItemSelection))))
            connect(m_selection, &QItemSelectionModel::selectionChanged, this, &ListFollower::showSelection);
        for (auto* corner : view->findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly)) {
            // After the view's own select-all.
            if (corner->inherits("QTableCornerButton"))
                connect(corner, &QAbstractButton::clicked, this, [this] { m_all = canSelectAll(); });
        }
        connect(model, &QAbstractItemModel::rowsInserted, this, [this] {
            // Rows the count or a page read adds join a selection of all.
            if (m_all && !m_rereading)
                selectAll();
            markColumns();
        });
        connect(model, &QAbstractItemModel::rowsRemoved, this, &ListFollower::markColumns);
        connect(model, &QAbstractItemModel::layoutChanged, this, &ListFollower::markColumns);
        connect(model, &RowTableModel::counted, this, &ListFollower::counted);
        // The header highlights the columns the view's selection touches from a selection of its own.
        QHeaderView* header = view->horizontalHeader();
        header->setModel(new HeaderColumns(model, this));
        m_columnMarks = header->selectionModel();
        markColumns();
        // Qt's header toggles a column by asking its own selection, which is now the stand-in's: it would
        // always select. The column is taken out after Qt's press instead, when the press toggles it.
        m_headerViewport = header->viewport();
        m_headerViewport->installEventFilter(this);
        connect(header, &QHeaderView::sectionPressed, this, &ListFollower::untoggleColumn);
        answerSelectionFromRanges(view);
        view->installEventFilter(this);
        m_viewport->installEventFilter(this);
        m_scrollBar->installEventFilter(this);
        if (QWidget* window = view->window(); window && window != view) {
            m_window = window;
            window->installEventFilter(this);
        }
    }

    // Compares only with what was kept when the follower was made: as the view is destroyed, its events
    // still come here after its scroll area part is gone.
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Before a scroll is applied, the list is read again if the file changed.
        const bool scrollStarts = (watched == m_viewport && event->type() == QEvent::Wheel) ||
                                  (watched == m_scrollBar && (event->type() == QEvent::MouseButtonPress ||
                                                              event->type() == QEvent::Wheel));
        if (scrollStarts) {
            follow();
        } else if (watched == m_view && event->type() == QEvent::KeyPress) {
            // And before a key is: it then moves from the rows as they stand now.
            follow();
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::SelectAll) && canSelectAll()) {
                // What the view would do, as a selection of all.
                selectAll();
                m_all = true;
                return true;
            }
            // A moving key ends with the current row in sight, even where it moves nowhere, once the view
            // has taken in the rows read again (its scroll bars come and go after the event).
            if (moves(key->key()))
                QMetaObject::invokeMethod(this, &ListFollower::showCurrent, Qt::QueuedConnection);
            const bool control = key->modifiers() & Qt::ControlModifier;
            const bool end = key->key() == Qt::Key_End && control;
            const bool home = key->key() == Qt::Key_Home && control;
            m_wanted = Edge::None;
            // Before the count the last row is not known yet: it is gone to once it is. Nor, while a list
            // read again far down counts the rows above its view, is the first row's place: reading it now
            // would walk every key up to it.
            if (end && m_model->isPaged() && !m_model->countKnown()) {
                m_wanted = Edge::Last;
                return true;
            }
            if (home && m_model->isPaged() && !m_model->numbersKnown()) {
                m_wanted = Edge::First;
                return true;
            }
        } else if (watched == m_headerViewport && event->type() == QEvent::MouseButtonPress) {
            m_untoggle = wholeColumnToggled(static_cast<QMouseEvent*>(event));
        } else if (watched == m_window && event->type() == QEvent::WindowDeactivate) {
            m_wasInactive = true;
        } else if (watched == m_window && event->type() == QEvent::WindowActivate && m_wasInactive) {
            // Back from another window, which may have written.
            m_wasInactive = false;
            follow();
        }
        return false;
    }

private:
    // A selected range, by the rows its first and last records stood at before the re-read.
    struct Span {
        int top;
        int bottom;
        int left;
        int right;
    };

    int topRow() const { return std::max(0, m_view->rowAt(0)); }

    static bool moves(int key) {
        switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            return false;
        }
    }

    bool canSelectAll() const {
        const auto mode = m_view->selectionMode();
        return mode != QAbstractItemView::SingleSelection && mode != QAbstractItemView::NoSelection;
    }

    void selectAll() {
        const QScopedValueRollback<bool> adjusting(m_adjusting, true);
        const int rows = m_model->rowCount();
        const int columns = m_model->columnCount();
        if (rows > 0 && columns > 0)
            m_selection->select(QItemSelection(m_model->index(0, 0), m_model->index(rows - 1, columns - 1)),
                                QItemSelectionModel::ClearAndSelect);
    }

    // The ids of the records the selection holds now; none when they are too many to read at once or not
    // all known. Ranges waiting for their places keep the ids read before.
    QSet<qint64> selectedIds() const {
        constexpr int kMostRead = 2000;
        if (!m_awaySpans.isEmpty() && m_selectedIds.isEmpty())
            return {};
        QSet<qint64> ids = m_awaySpans.isEmpty() ? QSet<qint64>() : m_selectedIds;
        // A range over several columns may come as one per column: its rows are read once.
        QVector<QPair<int, int>> spans;
        for (const QItemSelectionRange& range : m_selection->selection()) {
            if (std::find(m_guessedSpans.cbegin(), m_guessedSpans.cend(), range) == m_guessedSpans.cend())
                spans.append({range.top(), range.bottom()});
        }
        std::sort(spans.begin(), spans.end());
        spans.erase(std::unique(spans.begin(), spans.end()), spans.end());
        int rows = 0;
        for (const auto& [top, bottom] : qAsConst(spans)) {
            rows += bottom - top + 1;
            if (rows > kMostRead || !m_writes->readIds(top, bottom, &ids))
                return {};
        }
        return ids;
    }

    bool inSight(const QModelIndex& index) const {
        return index.isValid() && m_viewport->rect().intersects(m_view->visualRect(index));
    }

    void showCurrent() {
        if (const QModelIndex current = m_view->currentIndex(); current.isValid() && m_wanted == Edge::None)
            m_view->scrollTo(current);
    }

    // Tells the model where the view stands.
    void noteTop() {
        m_top = topRow();
        // A row partly in sight counts.
        const int rowHeight = std::max(1, m_view->verticalHeader()->defaultSectionSize());
        m_writes->setTopRow(m_top, (m_viewport->height() + rowHeight - 1) / rowHeight);
    }

    void scrolled() {
        if (m_adjusting)
            return;
        noteTop();
        // A scroll may come in the middle of a key press: a change is followed once it is done.
        m_writes->followLater();
    }

    void follow() { m_writes->followChanges(m_top); }

    // Before the list is read again: the current row, and the selection as ranges of records, each by its
    // first and last, which the model places. Held by Qt across the re-layout, the selection would cost an
    // index per selected cell, so it goes until the rows stand again.
    void takeSelection() {
        m_rereading = true;
        m_current = m_view->currentIndex();
        m_currentSelected = m_selection->isSelected(m_current);
        m_currentInSight = inSight(m_current);
        // Before rows go: the view's top may then stand past the end until it is laid out again.
        m_topBefore = topRow();
        m_spans = m_awaySpans;
        m_awaySpans.clear();
        {
            // What stood for the ranges waiting for their records goes: they are placed anew.
            const QScopedValueRollback<bool> adjusting(m_adjusting, true);
            m_selection->select(m_guessedSpans, QItemSelectionModel::Deselect);
            m_guessedSpans.clear();
        }
        QVector<int> rows;
        for (const Span& span : qAsConst(m_spans))
            rows << span.top << span.bottom;
        // A current row guessed stands for the record it waits for.
        if (m_awayCurrent < -1)
            rows.append(m_awayCurrent);
        else if (m_current.isValid())
            rows.append(m_current.row());
        if (!m_all) {
            for (const QItemSelectionRange& range : m_selection->selection()) {
                m_spans.append({range.top(), range.bottom(), range.left(), range.right()});
                rows << range.top() << range.bottom();
            }
        }
        m_writes->placeFirst(rows);
        if (!m_spans.isEmpty()) {
            QVector<QPair<int, int>> ranges;
            for (const Span& span : qAsConst(m_spans))
                ranges.append({span.top, span.bottom});
            // A range over several columns may come as one per column.
            std::sort(ranges.begin(), ranges.end());
            ranges.erase(std::unique(ranges.begin(), ranges.end()), ranges.end());
            m_writes->keepSelection(ranges, m_selectedIds, m_since);
        }
        const QScopedValueRollback<bool> adjusting(m_adjusting, true);
        m_selection->clearSelection();
    }

    // The selection again once the rows stand: all of them for a selection of all, else each range from its
    // first record (its successor when gone) to its last (the record before it when gone), less the records
    // that came inside it.
    void selectAgain() {
        if (m_all) {
            selectAll();
            return;
        }
        QItemSelection selection;
        const int last = m_model->rowCount() - 1;
        for (const Span& span : qAsConst(m_spans)) {
            bool bottomGone = false;
            int top = m_writes->gapAt(span.top);
            int bottom = m_writes->gapAt(span.bottom, &bottomGone);
            // A first or last record whose place is being counted: the range waits for it; meanwhile it
            // stands from and to the rows guessed for them, which lie beyond the rows read.
            const bool waits = (top < -1 && bottom != -1) || (bottom < -1 && top != -1);
            if (waits) {
                m_awaySpans.append({top, bottom, span.left, span.right});
                top = top < -1 ? m_writes->guessedRow(top) : top;
                bottomGone = bottomGone && bottom >= 0;
                bottom = bottom < -1 ? m_writes->guessedRow(bottom) : bottom;
            }
            if (top < 0 || bottom < 0)
                continue;
            bottom = std::min(last, bottom - (bottomGone ? 1 : 0));
            const int firstRange = selection.size();
            const QVector<int>& came = m_writes->came();
            for (auto it = std::upper_bound(came.cbegin(), came.cend(), top - 1); top <= bottom;) {
                const int end = it != came.cend() ? std::min(bottom + 1, *it++) : bottom + 1;
                if (top < end)
                    selection.append(QItemSelectionRange(m_model->index(top, span.left),
                                                         m_model->index(end - 1, span.right)));
                top = end + 1;
            }
            if (waits)
                m_guessedSpans += selection.mid(firstRange);
        }
        const QScopedValueRollback<bool> adjusting(m_adjusting, true);
        if (!selection.isEmpty())
            m_selection->select(selection, QItemSelectionModel::Select);
    }

    // The model reads again only between events, never while the view paints: the view moves at once.
    // The record at the top stays there (its successor when it is gone); a current row in sight stays in
    // sight, one the user scrolled away from stays out of it.
    void reread(int from, int to) {
        m_adjusting = true;
        // The scroll range follows the new count only once the view is laid out.
        m_view->doItemsLayout();
        scrollToRow(std::max(0, to + m_topBefore - from));
        selectAgain();
        // A current record that is gone hands the current row to its successor, which takes nothing else
        // with it: selected only in a list that selects one whole row at a time, where it stands for the
        // row gone.
        // A current record whose place is being counted: its row is guessed meanwhile, until the count
        // places it (unless the user moved on).
        int ticket = -1;
        int column = m_current.column();
        // Where the view stands: the successor is brought into sight below only when the row was in it.
        const bool autoScroll = m_view->hasAutoScroll();
        m_view->setAutoScroll(false);
        if (m_awayCurrent < -1) {
            column = m_awayColumn;
            if (const int row = m_writes->movedTo(m_awayCurrent); row >= 0)
                m_selection->setCurrentIndex(m_model->index(row, column), QItemSelectionModel::NoUpdate);
            else
                ticket = row;
            m_awayCurrent = -1;
        } else if (m_current.isValid() && !m_view->currentIndex().isValid()) {
            const bool selects = m_currentSelected &&
                                 m_view->selectionMode() == QAbstractItemView::SingleSelection &&
                                 m_view->selectionBehavior() == QAbstractItemView::SelectRows;
            const int row = m_writes->movedTo(m_current.row());
            if (row >= 0)
                m_selection->setCurrentIndex(m_model->index(row, column),
                                             selects ? QItemSelectionModel::Select | QItemSelectionModel::Rows
                                                     : QItemSelectionModel::NoUpdate);
            else
                ticket = row;
        }
        if (ticket < -1) {
            m_awayCurrent = ticket;
            m_awayColumn = column;
            if (const int guessed = m_writes->guessedRow(ticket); guessed >= 0)
                m_selection->setCurrentIndex(m_model->index(guessed, column), QItemSelectionModel::NoUpdate);
        }
        m_view->setAutoScroll(autoScroll);
        if (m_currentInSight && m_view->currentIndex().isValid())
            m_view->scrollTo(m_view->currentIndex());
        m_current = QModelIndex();
        m_spans.clear();
        // The records added so far are kept out of the ranges placed; those still waiting for their places
        // keep them out at the next re-read too.
        if (m_awaySpans.isEmpty() && m_model->countKnown())
            m_since = m_writes->newestId();
        m_adjusting = false;
        m_rereading = false;
        noteTop();
    }

    void scrollToRow(int row) {
        if (m_view->verticalScrollMode() == QAbstractItemView::ScrollPerItem)
            m_scrollBar->setValue(row);
        else
            m_scrollBar->setValue(m_view->verticalHeader()->sectionPosition(row));
    }

    void counted() {
        if (m_wanted == Edge::None)
            return;
        const int last = m_model->rowCount() - 1;
        const int row = m_wanted == Edge::Last ? last : 0;
        m_wanted = Edge::None;
        if (last < 0)
            return;
        m_view->doItemsLayout();
        const QModelIndex index = m_model->index(row, std::max(0, m_view->currentIndex().column()));
        m_view->setCurrentIndex(index);
        m_view->scrollTo(index);
    }

    // What QTableView does as its selection changes, without listing the indexes: the screen reader is told
    // of the first cell added and the first taken out, and the cells are painted again.
    void showSelection(const QItemSelection& selected, const QItemSelection& deselected) {
        if (QAccessible::isActive()) {
            tellScreenReader(selected, QAccessible::SelectionAdd);
            tellScreenReader(deselected, QAccessible::SelectionRemove);
        }
        if (m_view->isVisible() && m_view->updatesEnabled())
            m_viewport->update();
    }

    void tellScreenReader(const QItemSelection& ranges, QAccessible::Event change) {
        for (const QItemSelectionRange& range : ranges) {
            if (!range.isValid() || range.isEmpty())
                continue;
            // The cell's place among the table's children, the headers' row and column first.
            const int headerColumn = m_view->verticalHeader() ? 1 : 0;
            const int headerRow = m_view->horizontalHeader() ? 1 : 0;
            // The screen reader reads the cell it is told of: the range's first row in sight where it reaches
            // into the view, not its first row far above it (row 0 of a selection of all), whose page would
            // be read for it, by a walk of every key up to it while the rows' numbers are being counted.
            int row = range.top();
            const int firstShown = m_view->rowAt(0);
            if (firstShown > row && firstShown <= range.bottom())
                row = firstShown;
            QAccessibleEvent event(m_view, change);
            event.setChild((row + headerRow) * (m_model->columnCount() + headerColumn) + range.left() +
                           headerColumn);
            QAccessible::updateAccessibility(&event);
            return;
        }
    }

    // The column a header press toggles while every row of it is selected, as Qt's header decides; -1 for
    // none.
    int wholeColumnToggled(const QMouseEvent* press) const {
        const auto mode = m_view->selectionMode();
        const Qt::KeyboardModifiers keys = press->modifiers();
        const bool toggles = mode == QAbstractItemView::MultiSelection ||
                             (mode == QAbstractItemView::ExtendedSelection && (keys & Qt::ControlModifier) &&
                              !(keys & Qt::ShiftModifier));
        if (press->button() != Qt::LeftButton || !toggles ||
            m_view->selectionBehavior() == QAbstractItemView::SelectRows || !m_columnMarks)
            return -1;
        const int column = m_view->horizontalHeader()->logicalIndexAt(press->pos());
        // Row 1 of the header's stand-in is selected for a column selected whole.
        const QModelIndex whole = m_columnMarks->model()->index(1, column);
        return whole.isValid() && m_columnMarks->isSelected(whole) ? column : -1;
    }

    void untoggleColumn(int column) {
        const int rows = m_model->rowCount();
        if (column != m_untoggle || rows <= 0)
            return;
        m_untoggle = -1;
        m_selection->select(QItemSelection(m_model->index(0, column), m_model->index(rows - 1, column)),
                            QItemSelectionModel::Deselect);
    }

    // The header's own selection, as HeaderColumns tells: each column the view's selection touches, and
    // whether it holds every row of it, from the selection's ranges.
    void markColumns() {
        auto* columns = m_columnMarks ? dynamic_cast<const HeaderColumns*>(m_columnMarks->model()) : nullptr;
        if (!columns)
            return;
        QVector<QVector<QPair<int, int>>> spans(columns->columnCount());
        for (const QItemSelectionRange& range : m_selection->selection()) {
            if (!range.isValid() || range.parent().isValid())
                continue;
            for (int column = range.left(); column <= range.right() && column < spans.size(); ++column)
                spans[column].append({range.top(), range.bottom()});
        }
        const int rows = m_model->rowCount();
        QItemSelection marks;
        for (int column = 0; column < spans.size(); ++column) {
            QVector<QPair<int, int>>& runs = spans[column];
            if (runs.isEmpty())
                continue;
            std::sort(runs.begin(), runs.end());
            int covered = -1;
            for (const auto& [top, bottom] : qAsConst(runs)) {
                if (top > covered + 1)
                    break;
                covered = std::max(covered, bottom);
            }
            const int whole = covered >= rows - 1 ? 1 : 0;
            marks.append(QItemSelectionRange(columns->index(0, column), columns->index(whole, column)));
        }
        m_columnMarks->select(marks, QItemSelectionModel::ClearAndSelect);
    }

    QTableView* m_view;
    RowTableModel* m_model;
    // What the view hands over and asks as the list is read again after another copy wrote.
    WriteFollower* m_writes;
    QItemSelectionModel* m_selection;
    // Kept as the follower is made, so that events are told apart without asking the view.
    QWidget* m_viewport;
    QScrollBar* m_scrollBar;
    QWidget* m_window = nullptr;
    QPointer<QItemSelectionModel> m_columnMarks;
    QWidget* m_headerViewport = nullptr;
    int m_untoggle = -1;
    // The current row as a re-read began; a plain index, so that it holds no row of its own.
    QModelIndex m_current;
    bool m_currentSelected = false;
    bool m_currentInSight = false;
    QVector<Span> m_spans;
    // Ranges and the current record whose places are being counted, by the model's tickets.
    QVector<Span> m_awaySpans;
    QItemSelection m_guessedSpans;
    int m_awayCurrent = -1;
    int m_awayColumn = 0;
    // Every row selected by Ctrl+A or the corner button, records added since included.
    bool m_all = false;
    // The model's newestId() as the selection's records were last all in place.
    qint64 m_since = -1;
    // The ids of the records selected, when they are few enough to read as the selection is made.
    QSet<qint64> m_selectedIds;
    int m_top = 0;
    int m_topBefore = 0;
    bool m_adjusting = false;
    bool m_rereading = false;
    // Ctrl+Home or Ctrl+End pressed before the rows' numbers were known: gone to once they are.
    enum class Edge { None, First, Last };
    Edge m_wanted = Edge::None;
    bool m_wasInactive = false;
};

} // namespace

void followList(QTableView* view, RowTableModel* model) {
    new ListFollower(view, model);
}

} // namespace kestrovalin

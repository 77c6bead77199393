#include "ui/common/tablefill.h"

#include "ui/common/rowtablemodel.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QFontMetricsF>
#include <QHash>
#include <QHeaderView>
#include <QHelpEvent>
#include <QTableView>
#include <QTableWidget>
#include <QToolTip>
#include <QtMath>

#include <algorithm>
#include <numeric>

namespace kestrovalin {

namespace {

// Rounded up as the delegate rounds its text layout's natural width.
int textWidth(const QFontMetricsF& metrics, const QString& text) {
    return qCeil(text.contains(QLatin1Char('\n')) ? metrics.size(0, text).width()
                                                  : metrics.horizontalAdvance(text));
}

// The widths with the widest capped at one common width, as wide as leaves them all within `room`, but
// never below `floor`; columns narrower than that keep theirs.
QVector<int> narrowedToFit(QVector<int> widths, int room, int floor) {
    const int total = std::accumulate(widths.cbegin(), widths.cend(), 0);
    if (total <= room)
        return widths;
    int rest = total;
    QVector<int> widestFirst = widths;
    std::sort(widestFirst.begin(), widestFirst.end(), std::greater<int>());
    int cap = floor;
    // With the k widest at the cap and the others as they are: k * cap + rest = room.
    for (int k = 1; k <= widestFirst.size(); ++k) {
        rest -= widestFirst.at(k - 1);
        const int next = k < widestFirst.size() ? widestFirst.at(k) : 0;
        if ((room - rest) / k >= next) {
            cap = (room - rest) / k;
            break;
        }
    }
    cap = std::max(cap, floor);
    for (int& width : widths)
        width = std::min(width, cap);
    return widths;
}

// Watches a list's viewport: keeps the measured widths of fitColumnsToFirstRows within the view's width as
// it changes, and lets a cell's tooltip (its whole text) show only over a cell that cuts its text off.
class ViewportWatch : public QObject {
public:
    static ViewportWatch* of(QAbstractItemView* view) {
        const QString name = QStringLiteral("viewportWatch");
        if (auto* watch =
                static_cast<ViewportWatch*>(view->findChild<QObject*>(name, Qt::FindDirectChildrenOnly)))
            return watch;
        auto* watch = new ViewportWatch(view);
        watch->setObjectName(name);
        return watch;
    }

    void setMeasured(QVector<int> widths) {
        m_measured = std::move(widths);
        apply();
    }

    // A numbered list's widest number is its last, which a paged list learns only when its count arrives:
    // the number column grows to it then.
    void fitNumbers(const RowTableModel* model, int padding) {
        disconnect(m_counted);
        const auto fit = [this, model, padding]() {
            const int width =
                textWidth(QFontMetricsF(m_view->font()), QString::number(model->rowCount())) + padding;
            if (!m_measured.isEmpty() && m_measured.first() < width) {
                m_measured.first() = width;
                apply();
            }
        };
        fit();
        m_counted = connect(model, &RowTableModel::counted, this, fit);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Compared with the pointer kept, not asked of the view: the viewport's last events come while the
        // view is being destroyed, when it is no scroll area any more.
        if (watched != m_viewport)
            return false;
        switch (event->type()) {
        case QEvent::Show:
            apply();
            break;
        case QEvent::Resize:
            if (m_view->viewport()->width() != m_room)
                apply();
            break;
        case QEvent::ToolTip:
            if (!cutsOff(m_view->indexAt(static_cast<QHelpEvent*>(event)->pos()))) {
                // The whole text is in view: nothing to add.
                QToolTip::hideText();
                return true;
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    explicit ViewportWatch(QAbstractItemView* view)
        : QObject(view), m_view(view), m_viewport(view->viewport()) {
        m_viewport->installEventFilter(this);
    }

    bool cutsOff(const QModelIndex& index) const {
        return index.isValid() && m_view->sizeHintForIndex(index).width() > m_view->visualRect(index).width();
    }

    void apply() {
        auto* table = qobject_cast<QTableView*>(m_view);
        if (!table || m_measured.isEmpty())
            return;
        // Until the view is shown its width is not yet the window's.
        const bool shown = table->isVisible();
        m_room = shown ? table->viewport()->width() : -1;
        const QVector<int> widths =
            shown ? narrowedToFit(m_measured, m_room, kNarrowestFittedColumn) : m_measured;
        QHeaderView* header = table->horizontalHeader();
        for (int c = 0; c < widths.size() && c < header->count(); ++c)
            header->resizeSection(c, widths.at(c));
    }

    QAbstractItemView* m_view;
    QWidget* m_viewport;
    QVector<int> m_measured;
    int m_room = -1;
    QMetaObject::Connection m_counted;
};

} // namespace

void setupListTable(QAbstractItemView* view, bool singleSelection) {
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(singleSelection ? QAbstractItemView::SingleSelection
                                           : QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
    ViewportWatch::of(view);
    if (auto* table = qobject_cast<QTableView*>(view)) {
        table->horizontalHeader()->setStretchLastSection(true);
        useRowNumberHeader(table);
    }
}

void setupPlainTable(QTableView* view) {
    view->horizontalHeader()->setStretchLastSection(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->setVisible(false);
    view->setAlternatingRowColors(true);
    ViewportWatch::of(view);
}

void setColumnWidths(QTableView* view, const QVector<int>& widths) {
    // Fixed widths replace any measured ones.
    ViewportWatch::of(view)->setMeasured({});
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
    const QFontMetricsF metrics(view->font());
    // Shaping a text is what costs; lists repeat many (status words, names, prices).
    QHash<QString, int> measured;
    QVector<int> widths;
    int numberPadding = 0;
    for (int c = 0; c < model->columnCount(); ++c) {
        int width = header->sectionSizeHint(c);
        // The delegate measures one cell (its layout is the costly part); the other cells of the column
        // differ from it only in their text.
        int padding = 0;
        for (int r = 0; r < rows; ++r) {
            const QModelIndex index = model->index(r, c);
            const QString shown = index.data().toString();
            auto known = measured.constFind(shown);
            if (known == measured.constEnd())
                known = measured.insert(shown, textWidth(metrics, shown));
            if (r == 0)
                padding = view->sizeHintForIndex(index).width() - known.value();
            width = std::max(width, known.value() + padding + grid);
        }
        if (c == 0)
            numberPadding = padding + grid;
        widths.append(std::min(width, kWidestFittedColumn));
    }
    ViewportWatch* watch = ViewportWatch::of(view);
    watch->setMeasured(widths);
    if (const auto* numbered = qobject_cast<const RowTableModel*>(model); numbered && numbered->rowNumbers())
        watch->fitNumbers(numbered, numberPadding);
}

RowNumberHeader::RowNumberHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {}

QSize RowNumberHeader::sizeHint() const {
    if (count() == 0)
        return QHeaderView::sizeHint();
    if (count() != m_measuredCount || isSortIndicatorShown() != m_sortIndicatorShown) {
        m_measuredCount = count();
        m_sortIndicatorShown = isSortIndicatorShown();
        m_hint = sectionSizeFromContents(0).expandedTo(sectionSizeFromContents(count() - 1));
    }
    return m_hint;
}

void RowNumberHeader::forgetOnChange(const QEvent* event) {
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::Polish:
        m_measuredCount = -1;
        break;
    default:
        break;
    }
}

bool RowNumberHeader::event(QEvent* event) {
    forgetOnChange(event);
    return QHeaderView::event(event);
}

bool RowNumberHeader::viewportEvent(QEvent* event) {
    forgetOnChange(event);
    return QHeaderView::viewportEvent(event);
}

void useRowNumberHeader(QTableView* view) {
    const QHeaderView* plain = view->verticalHeader();
    if (qobject_cast<const RowNumberHeader*>(plain))
        return;
    auto* header = new RowNumberHeader(view);
    header->setSectionsClickable(plain->sectionsClickable());
    header->setHighlightSections(plain->highlightSections());
    header->setDefaultSectionSize(plain->defaultSectionSize());
    header->setMinimumSectionSize(plain->minimumSectionSize());
    const bool hidden = plain->isHidden() && plain->testAttribute(Qt::WA_WState_ExplicitShowHide);
    view->setVerticalHeader(header);
    header->setHidden(hidden);
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

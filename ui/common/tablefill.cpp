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

// A paged list's count can arrive long after its first screen; its row numbers are given room for this
// many digits from the start, so that the count does not widen them and push the other columns.
constexpr int kReservedDigits = 7;

// The width of the widest number of so many digits.
int digitsWidth(const QFontMetricsF& metrics, int digits) {
    qreal widest = 0;
    for (char digit = '0'; digit <= '9'; ++digit)
        widest = std::max(widest, metrics.horizontalAdvance(QLatin1Char(digit)));
    return qCeil(widest * digits);
}

int digitsOf(int number) {
    return QString::number(std::max(number, 1)).size();
}

// A paged list whose count is still on its way.
bool countPending(const QAbstractItemModel* model) {
    const auto* rows = qobject_cast<const RowTableModel*>(model);
    return rows && rows->isPaged() && !rows->countKnown();
}

// A document number, a barcode, a batch number: one word of Latin letters, digits and signs with a digit
// in it. Cut off, such a text is useless, where a cut name still reads.
bool isCode(const QString& text) {
    bool digit = false;
    for (const QChar c : text) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F)
            return false;
        digit = digit || c.isDigit();
    }
    return digit;
}

// What one column of a list asks for: its whole width (title and first rows), the narrowest it may get
// while the columns do not fit, and whether it holds codes.
struct ColumnWant {
    int whole = 0;
    int narrowest = 0;
    // What its title needs: a text column that is not a code gives way down to it before a code is cut.
    int title = 0;
    bool code = false;
};

int totalOf(const QVector<int>& widths) {
    return std::accumulate(widths.cbegin(), widths.cend(), 0);
}

// The widths within `room`: every column whole when they fit; else the widest of the columns that are not
// codes narrowed to one common width, down to their narrowest, then down to their titles, and only when
// that is not enough the codes likewise down to their narrowest.
QVector<int> fittedWidths(const QVector<ColumnWant>& wants, int room) {
    QVector<int> widths;
    for (const ColumnWant& want : wants)
        widths.append(want.whole);
    struct Step {
        bool codes;
        bool toTitle;
    };
    for (const Step step : {Step{false, false}, Step{false, true}, Step{true, false}}) {
        if (totalOf(widths) <= room)
            return widths;
        const auto capped = [&](int cap) {
            QVector<int> out = widths;
            for (int c = 0; c < wants.size(); ++c) {
                const ColumnWant& want = wants.at(c);
                const int floor = step.toTitle ? std::min(want.narrowest, want.title) : want.narrowest;
                if (want.code == step.codes)
                    out[c] = std::max(floor, std::min(out.at(c), cap));
            }
            return out;
        };
        // The widest common width that fits, found by halves: the total grows with the cap.
        int low = 0;
        int high = kWidestFittedColumn;
        while (low < high) {
            const int cap = (low + high + 1) / 2;
            if (totalOf(capped(cap)) <= room)
                low = cap;
            else
                high = cap - 1;
        }
        widths = capped(low);
    }
    return widths;
}

// Each column's whole width from its title and the texts of the first `sampleRows` rows, and whether they
// are codes. A numbered list's column 0 has room for its last number, and for kReservedDigits while a paged
// list's count is on its way; numberPadding gets what the column adds to a number's own width.
QVector<ColumnWant> measureColumns(const QTableView* view, int sampleRows, int* numberPadding = nullptr) {
    const QAbstractItemModel* model = view->model();
    const QHeaderView* header = view->horizontalHeader();
    const int rows = std::min(model->rowCount(), sampleRows);
    const int grid = view->showGrid() ? 1 : 0;
    const QFontMetricsF metrics(view->font());
    const auto* numbered = qobject_cast<const RowTableModel*>(model);
    const bool numbers = numbered && numbered->rowNumbers();
    // Shaping a text is what costs; lists repeat many (status words, names, prices).
    QHash<QString, int> measured;
    QVector<ColumnWant> wants;
    for (int c = 0; c < model->columnCount(); ++c) {
        int width = header->sectionSizeHint(c);
        bool codes = rows > 0;
        bool anyText = false;
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
            if (!shown.isEmpty()) {
                anyText = true;
                codes = codes && isCode(shown);
            }
        }
        if (c == 0 && numbers) {
            const int digits =
                std::max(digitsOf(model->rowCount()), countPending(model) ? kReservedDigits : 0);
            width = std::max(width, digitsWidth(metrics, digits) + padding + grid);
            if (numberPadding)
                *numberPadding = padding + grid;
        }
        width = std::min(width, kWidestFittedColumn);
        wants.append(
            {width, std::min(width, kNarrowestFittedColumn), header->sectionSizeHint(c), codes && anyText});
    }
    return wants;
}

// Watches a list's viewport: keeps the widths of fitColumnsToFirstRows or setColumnWidths within the view's
// width as it changes, and lets a cell's tooltip (its whole text) show only over a cell that cuts its text
// off.
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

    // Widths measured from the first rows.
    void setMeasured(QVector<ColumnWant> wants) {
        m_fixed.clear();
        disconnect(m_filled);
        m_wants = std::move(wants);
        apply();
    }

    // Fixed starting widths: kept while the view is hidden; shown, a column whose first rows need more grows
    // towards them as far as the room left allows, codes first.
    void setFixed(const QVector<int>& widths) {
        m_fixed = widths;
        m_wants.clear();
        disconnect(m_filled);
        m_filled = QMetaObject::Connection();
        if (m_view->model())
            m_filled =
                connect(m_view->model(), &QAbstractItemModel::modelReset, this, [this] { measureFixed(); });
        measureFixed();
    }

    // A numbered list's widest number is its last, which a paged list learns only when its count arrives:
    // the number column already has room for kReservedDigits, and grows only past them.
    void fitNumbers(const RowTableModel* model, int padding) {
        disconnect(m_counted);
        const auto fit = [this, model, padding]() {
            const int width =
                digitsWidth(QFontMetricsF(m_view->font()), digitsOf(model->rowCount())) + padding;
            if (!m_wants.isEmpty() && m_wants.first().whole < width) {
                m_wants.first().whole = width;
                m_wants.first().narrowest = std::max(m_wants.first().narrowest, width);
                apply();
            }
        };
        fit();
        m_counted = connect(model, &RowTableModel::counted, this, fit);
    }

    // A cut cell's tooltip is its shown text, read when asked for, rather than the model's tooltip.
    void tipShownText() { m_tipShownText = true; }

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
        case QEvent::ToolTip: {
            const auto* help = static_cast<QHelpEvent*>(event);
            const QModelIndex index = m_view->indexAt(help->pos());
            if (!cutsOff(index)) {
                // The whole text is in view: nothing to add.
                QToolTip::hideText();
                return true;
            }
            if (!m_tipShownText)
                break;
            const QString text = index.data(Qt::DisplayRole).toString();
            if (text.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), text, m_viewport, m_view->visualRect(index));
            return true;
        }
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

    void measureFixed() {
        auto* table = qobject_cast<QTableView*>(m_view);
        m_wants.clear();
        if (table && table->model()) {
            const QVector<ColumnWant> measured = measureColumns(table, kFixedSampleRows);
            for (int c = 0; c < m_fixed.size() && c < measured.size(); ++c) {
                const int fixed = m_fixed.at(c);
                const ColumnWant& shown = measured.at(c);
                // Grown only: never narrower than the starting width.
                m_wants.append({std::max(fixed, shown.whole), fixed, fixed, shown.code});
            }
        }
        apply();
    }

    void apply() {
        auto* table = qobject_cast<QTableView*>(m_view);
        if (!table || (m_wants.isEmpty() && m_fixed.isEmpty()))
            return;
        QHeaderView* header = table->horizontalHeader();
        // Until the view is shown its width is not yet the window's.
        const bool shown = table->isVisible() && !m_wants.isEmpty();
        m_room = shown ? table->viewport()->width() : -1;
        QVector<int> widths;
        if (shown) {
            // Columns past the measured ones keep their room; a stretched last one at least its title's.
            int room = m_room;
            const int last = header->count() - 1;
            for (int c = m_wants.size(); c <= last; ++c)
                room -= c == last && header->stretchLastSection() ? header->sectionSizeHint(c)
                                                                  : header->sectionSize(c);
            widths = fittedWidths(m_wants, room);
        } else if (!m_fixed.isEmpty()) {
            widths = m_fixed;
        } else {
            for (const ColumnWant& want : m_wants)
                widths.append(want.whole);
        }
        for (int c = 0; c < widths.size() && c < header->count(); ++c)
            header->resizeSection(c, widths.at(c));
    }

    static constexpr int kFixedSampleRows = 100;

    QAbstractItemView* m_view;
    QWidget* m_viewport;
    QVector<ColumnWant> m_wants;
    QVector<int> m_fixed;
    int m_room = -1;
    bool m_tipShownText = false;
    QMetaObject::Connection m_counted;
    QMetaObject::Connection m_filled;
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
    QHeaderView* header = view->horizontalHeader();
    // A stretched last column never gets narrower than it was; start it at its title's width so that it
    // only fills the room the others leave instead of pushing the table past the view.
    const int last = header->count() - 1;
    if (header->stretchLastSection() && last >= widths.size())
        header->resizeSection(last, header->sectionSizeHint(last));
    // The watch sets the widths, and keeps them as the view is shown and filled.
    ViewportWatch::of(view)->setFixed(widths);
}

void tipCutCells(QAbstractItemView* view) {
    ViewportWatch::of(view)->tipShownText();
}

void fitColumnsToFirstRows(QTableView* view, int sampleRows) {
    int numberPadding = 0;
    ViewportWatch* watch = ViewportWatch::of(view);
    watch->setMeasured(measureColumns(view, sampleRows, &numberPadding));
    if (const auto* numbered = qobject_cast<const RowTableModel*>(view->model());
        numbered && numbered->rowNumbers())
        watch->fitNumbers(numbered, numberPadding);
}

RowNumberHeader::RowNumberHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {}

QSize RowNumberHeader::sizeHint() const {
    if (count() == 0)
        return QHeaderView::sizeHint();
    // A list read again far down shows no numbers until the rows above are counted: measured then, the
    // header would lose its width for good. It keeps the width it had and measures once they are known.
    const auto* rows = qobject_cast<const RowTableModel*>(model());
    if (rows && !rows->numbersKnown() && m_measuredCount >= 0)
        return m_hint;
    if (count() != m_measuredCount || isSortIndicatorShown() != m_sortIndicatorShown) {
        m_measuredCount = count();
        m_sortIndicatorShown = isSortIndicatorShown();
        m_hint = sectionSizeFromContents(0).expandedTo(sectionSizeFromContents(count() - 1));
        // A paged list still counting keeps room for the numbers its count may bring, also once it came.
        m_reserving = m_reserving || countPending(model());
        const int digits = digitsOf(count());
        if (m_reserving && digits < kReservedDigits) {
            QFont bold = font();
            bold.setBold(true);
            const QFontMetricsF metrics(bold);
            m_hint.rwidth() += digitsWidth(metrics, kReservedDigits) - digitsWidth(metrics, digits);
        }
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

void RowNumberHeader::reset() {
    m_reserving = false;
    m_measuredCount = -1;
    QHeaderView::reset();
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

#include "ui/common/tablefill.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QFontMetricsF>
#include <QHash>
#include <QHeaderView>
#include <QTableView>
#include <QTableWidget>
#include <QtMath>

#include <algorithm>

namespace kestrovalin {

void setupListTable(QAbstractItemView* view, bool singleSelection) {
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(singleSelection ? QAbstractItemView::SingleSelection
                                           : QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
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
}

void setColumnWidths(QTableView* view, const QVector<int>& widths) {
    QHeaderView* header = view->horizontalHeader();
    for (int c = 0; c < widths.size(); ++c)
        header->resizeSection(c, widths.at(c));
    // A stretched last column never gets narrower than it was; start it at its title's width so that it
    // only fills the room the others leave instead of pushing the table past the view.
    const int last = header->count() - 1;
    if (header->stretchLastSection() && last >= widths.size())
        header->resizeSection(last, header->sectionSizeHint(last));
}

namespace {

// Rounded up as the delegate rounds its text layout's natural width.
int textWidth(const QFontMetricsF& metrics, const QString& text) {
    return qCeil(text.contains(QLatin1Char('\n')) ? metrics.size(0, text).width()
                                                  : metrics.horizontalAdvance(text));
}

} // namespace

void fitColumnsToFirstRows(QTableView* view, int sampleRows) {
    const QAbstractItemModel* model = view->model();
    QHeaderView* header = view->horizontalHeader();
    const int rows = std::min(model->rowCount(), sampleRows);
    const int grid = view->showGrid() ? 1 : 0;
    const QFontMetricsF metrics(view->font());
    // Shaping a text is what costs; lists repeat many (status words, names, prices).
    QHash<QString, int> measured;
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
        header->resizeSection(c, width);
    }
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

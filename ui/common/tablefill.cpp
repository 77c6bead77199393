#include "ui/common/tablefill.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QHeaderView>
#include <QSet>
#include <QTableView>
#include <QTableWidget>

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
        if (!qobject_cast<RowNumberHeader*>(table->verticalHeader()))
            table->setVerticalHeader(new RowNumberHeader(table));
    }
}

RowNumberHeader::RowNumberHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
    // As the table view's own vertical header.
    setSectionsClickable(true);
    setHighlightSections(true);
}

QSize RowNumberHeader::sectionSizeFromContents(int logicalIndex) const {
    const QAbstractItemModel* source = model();
    // Sections with a size, font or icon of their own are measured as Qt measures them.
    for (int role : {int(Qt::SizeHintRole), int(Qt::FontRole), int(Qt::DecorationRole)}) {
        if (source->headerData(logicalIndex, orientation(), role).isValid())
            return QHeaderView::sectionSizeFromContents(logicalIndex);
    }
    if (m_sortIndicatorShown != isSortIndicatorShown()) {
        m_sizes.clear();
        m_sortIndicatorShown = isSortIndicatorShown();
    }
    const QString text = source->headerData(logicalIndex, orientation()).toString();
    auto known = m_sizes.constFind(text);
    if (known == m_sizes.constEnd())
        known = m_sizes.insert(text, QHeaderView::sectionSizeFromContents(logicalIndex));
    return known.value();
}

void RowNumberHeader::forgetOnChange(const QEvent* event) {
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::Polish:
        m_sizes.clear();
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

// A cell that shows only text (no font, icon, check box or size of its own) measures as any other cell of
// its column with the same text.
bool plainText(const QModelIndex& index) {
    for (int role :
         {int(Qt::FontRole), int(Qt::DecorationRole), int(Qt::CheckStateRole), int(Qt::SizeHintRole)}) {
        if (index.data(role).isValid())
            return false;
    }
    return true;
}

} // namespace

void fitColumnsToFirstRows(QTableView* view, int sampleRows) {
    const QAbstractItemModel* model = view->model();
    QHeaderView* header = view->horizontalHeader();
    const int rows = std::min(model->rowCount(), sampleRows);
    const int grid = view->showGrid() ? 1 : 0;
    QSet<QString> measured;
    for (int c = 0; c < model->columnCount(); ++c) {
        int width = header->sectionSizeHint(c);
        measured.clear();
        for (int r = 0; r < rows; ++r) {
            const QModelIndex index = model->index(r, c);
            // Columns repeat their texts (a module, a user, a unit); each is measured once.
            if (plainText(index)) {
                const QString key = index.data(Qt::TextAlignmentRole).toString() + QLatin1Char('|') +
                                    index.data(Qt::DisplayRole).toString();
                if (measured.contains(key))
                    continue;
                measured.insert(key);
            }
            width = std::max(width, view->sizeHintForIndex(index).width() + grid);
        }
        header->resizeSection(c, width);
    }
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

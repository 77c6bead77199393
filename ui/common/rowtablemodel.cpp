#include "ui/common/rowtablemodel.h"

#include <algorithm>
#include <numeric>

namespace kestrovalin {

namespace {

// The cell's own colour where it has one, else the row's.
QVariant brushOf(const TableRow& row, int column, QBrush TableRow::*rowBrush,
                 QBrush TableRow::CellColours::*cellBrush) {
    for (const TableRow::CellColours& cell : row.cellColours) {
        if (cell.column == column && (cell.*cellBrush).style() != Qt::NoBrush)
            return cell.*cellBrush;
    }
    const QBrush& brush = row.*rowBrush;
    return brush.style() != Qt::NoBrush ? QVariant(brush) : QVariant();
}

} // namespace

RowTableModel::RowTableModel(const QStringList& titles, QObject* parent)
    : QAbstractTableModel(parent), m_titles(titles), m_alignments(titles.size()) {}

int RowTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows.size();
}

int RowTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_titles.size();
}

QVariant RowTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= m_titles.size())
        return QVariant();
    const TableRow& row = m_rows.at(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return column < row.cells.size() ? row.cells.at(column) : QString();
    case Qt::ToolTipRole: {
        // The whole text, for a cell too narrow to show it.
        const QString text = row.cells.value(column);
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    case Qt::UserRole:
        return column == 0 ? QVariant(row.id) : QVariant();
    case Qt::UserRole + 1:
        return column == 0 && !row.documentNo.isNull() ? QVariant(row.documentNo) : QVariant();
    case Qt::ForegroundRole:
        return brushOf(row, column, &TableRow::foreground, &TableRow::CellColours::foreground);
    case Qt::BackgroundRole:
        return brushOf(row, column, &TableRow::background, &TableRow::CellColours::background);
    case Qt::TextAlignmentRole: {
        const Qt::Alignment alignment = m_alignments.value(column);
        return alignment ? QVariant(int(alignment)) : QVariant();
    }
    default:
        return QVariant();
    }
}

QVariant RowTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section + 1;
    return m_titles.value(section);
}

Qt::ItemFlags RowTableModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

void RowTableModel::sort(int column, Qt::SortOrder order) {
    m_sortColumn = column;
    m_sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QVector<int> moved = arrange();
    if (!moved.isEmpty()) {
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& index : before)
            after.append(this->index(moved.at(index.row()), index.column()));
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QVector<int> RowTableModel::arrange() {
    const int count = m_rows.size();
    if (m_sortColumn < 0 || m_sortColumn >= m_titles.size() || count < 2)
        return {};
    QVector<int> from(count);
    std::iota(from.begin(), from.end(), 0);
    const int column = m_sortColumn;
    auto text = [this, column](int row) -> const QString& {
        static const QString none;
        const QStringList& cells = m_rows.at(row).cells;
        return column < cells.size() ? cells.at(column) : none;
    };
    // Descending is "the right one sorts before the left one", so equal rows keep their order both ways.
    if (m_sortOrder == Qt::AscendingOrder)
        std::stable_sort(from.begin(), from.end(),
                         [&](int l, int r) { return text(l).localeAwareCompare(text(r)) < 0; });
    else
        std::stable_sort(from.begin(), from.end(),
                         [&](int l, int r) { return text(r).localeAwareCompare(text(l)) < 0; });
    QVector<TableRow> sorted;
    sorted.reserve(count);
    QVector<int> to(count);
    for (int i = 0; i < count; ++i) {
        sorted.append(std::move(m_rows[from.at(i)]));
        to[from.at(i)] = i;
    }
    m_rows = std::move(sorted);
    return to;
}

void RowTableModel::setColumnAlignment(int column, Qt::Alignment alignment) {
    if (column >= 0 && column < m_alignments.size())
        m_alignments[column] = alignment;
}

void RowTableModel::setRows(QVector<TableRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    arrange();
    endResetModel();
}

int RowTableModel::id(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).id : -1;
}

QString RowTableModel::text(int row, int column) const {
    if (row < 0 || row >= m_rows.size())
        return QString();
    return m_rows.at(row).cells.value(column);
}

} // namespace kestrovalin

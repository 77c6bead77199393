#pragma once

#include <QAbstractTableModel>
#include <QBrush>
#include <QStringList>
#include <QVector>

#include <utility>

namespace kestrovalin {

// One row of a RowTableModel: the record's id, the shown texts left to right and optional colours. The row
// colours apply to every cell; a cell colour, set with mark(), wins over them for that cell. Colours are kept
// as brushes, made once per fill, so painting a cell copies a shared brush and allocates nothing.
struct TableRow {
    struct CellColours {
        int column;
        QBrush foreground;
        QBrush background;
    };

    int id = -1;
    QStringList cells;
    // Rides in column 0 under Qt::UserRole + 1 when set: the document number an order picker hands back.
    QString documentNo;
    QBrush foreground;
    QBrush background;
    QVector<CellColours> cellColours;

    TableRow() = default;
    TableRow(int rowId, QStringList texts) : id(rowId), cells(std::move(texts)) {}

    TableRow& shade(const QColor& rowBackground) {
        background = QBrush(rowBackground);
        return *this;
    }
    // Colours one cell; an invalid colour leaves that part of the cell as the row has it.
    TableRow& mark(int column, const QColor& cellForeground, const QColor& cellBackground) {
        cellColours.append({column, brush(cellForeground), brush(cellBackground)});
        return *this;
    }

private:
    static QBrush brush(const QColor& colour) { return colour.isValid() ? QBrush(colour) : QBrush(); }
};

} // namespace kestrovalin

// Rows move as plain memory when a vector of them grows.
Q_DECLARE_TYPEINFO(kestrovalin::TableRow::CellColours, Q_MOVABLE_TYPE);
Q_DECLARE_TYPEINFO(kestrovalin::TableRow, Q_MOVABLE_TYPE);

namespace kestrovalin {

// One row per record, built by build(record) -> TableRow, in the list's order.
template <typename List, typename Build> QVector<TableRow> tableRows(const List& records, Build build) {
    QVector<TableRow> rows;
    rows.reserve(static_cast<int>(records.size()));
    for (const auto& record : records)
        rows.append(build(record));
    return rows;
}

// A read-only table model over rows whose texts, colours and ids are worked out once per fill, so that
// showing a cell allocates nothing and tens of thousands of rows fill in a few milliseconds. The record id
// rides in column 0 under Qt::UserRole, as the list windows have always kept it. A view with sorting on sorts
// the rows themselves, the way a QTableWidget sorts its items. A cell's text is also its tooltip, which the
// list tables show only over a cell too narrow for it.
class RowTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RowTableModel(const QStringList& titles, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // By the column's texts, locale-aware, stable from the order shown. Later fills come sorted the same way
    // until a sort by column -1.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    QStringList titles() const { return m_titles; }
    void setColumnAlignment(int column, Qt::Alignment alignment);

    // Replaces every row. A view on the model loses its current row and selection.
    void setRows(QVector<TableRow> rows);
    void clear() { setRows({}); }
    // One row per record, built by build(record) -> TableRow, in the list's order.
    template <typename List, typename Build> void fill(const List& records, Build build) {
        setRows(tableRows(records, build));
    }

    // The id of a row, or -1 for a row that does not exist.
    int id(int row) const;
    // The shown text of a cell; empty outside the table.
    QString text(int row, int column) const;
    const QVector<TableRow>& rows() const { return m_rows; }

private:
    // Puts the rows in the kept sort order; returns each old row's new position, empty when nothing moved.
    QVector<int> arrange();

    QStringList m_titles;
    QVector<Qt::Alignment> m_alignments;
    QVector<TableRow> m_rows;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

} // namespace kestrovalin

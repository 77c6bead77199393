#pragma once

#include <QBrush>
#include <QStringList>
#include <QVariant>
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
    // What a picker hands back for the row, as the row was read.
    QVariant record;
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

} // namespace kestrovalin

#pragma once

#include <QList>
#include <QStringList>
#include <QVector>

#include <functional>

class QTableWidget;
class QTableWidgetItem;
class QAbstractItemView;
class QTableView;

namespace kestrovalin {

// Read-only list tables: whole-row selection, no editing, alternating rows, stretched last section.
void setupListTable(QAbstractItemView* view, bool singleSelection = true);

// Read-only tables that keep the view's own selection behaviour: no editing, alternating rows, stretched last
// section, no row header.
void setupPlainTable(QTableView* view);

// Fixed starting widths for the first columns of a list table, so texts such as barcodes and dates show
// whole without measuring thousands of rows.
void setColumnWidths(QTableView* view, const QVector<int>& widths);

// Widths to fit the titles and the texts of the first `sampleRows` rows. Unlike resizing to contents it
// never measures a long list to its end.
void fitColumnsToFirstRows(QTableView* view, int sampleRows = 100);

// A row header that numbers the rows (as RowTableModel's does) and sizes itself from the first and last
// number instead of measuring up to two hundred sections after every fill.
void useRowNumberHeader(QTableView* view);

// Removes the current row of a dialog's line table and the line it shows (row i shows lines[i]); false
// without a current row.
bool removeCurrentLine(QTableWidget* table, int lineCount, const std::function<void(int)>& removeLine);
template <typename T> bool removeCurrentLine(QTableWidget* table, QList<T>& lines) {
    return removeCurrentLine(table, lines.size(), [&lines](int row) { lines.removeAt(row); });
}

// Fills a QTableWidget efficiently: sorting and updates off while filling, the row count set once.
// Restores sorting and updates when it goes out of scope.
class TableFill {
public:
    TableFill(QTableWidget* table, int rows);
    ~TableFill();
    TableFill(const TableFill&) = delete;
    TableFill& operator=(const TableFill&) = delete;

    // Sets a read-only text cell and returns it for colouring or data.
    QTableWidgetItem* set(int row, int column, const QString& text);
    void setRow(int row, const QStringList& cells);

private:
    QTableWidget* m_table;
    bool m_sorting;
    bool m_updates;
};

} // namespace kestrovalin

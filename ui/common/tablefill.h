#pragma once

#include <QHeaderView>
#include <QList>
#include <QStringList>
#include <QVector>

#include <functional>

class QTableWidget;
class QTableWidgetItem;
class QAbstractItemView;
class QTableView;

namespace kestrovalin {

// Read-only list tables: whole-row selection, no editing, alternating rows, stretched last section, row
// numbers down the side through a RowNumberHeader.
void setupListTable(QAbstractItemView* view, bool singleSelection = true);

// Read-only tables that keep the view's own selection behaviour: no editing, alternating rows, stretched last
// section, no row header.
void setupPlainTable(QTableView* view);

// The row numbers of a list table (as RowTableModel gives them). The last number is the widest, so its size
// and the first one's stand for the hundreds of sections the plain header measures, through the window's
// style sheet, every time the table lays itself out. Measured again when the row count, the font, the style
// or the sort arrow changes. A paged list seen before its count arrived keeps room for seven-digit numbers
// until its next fill, so the count does not shift the table.
class RowNumberHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit RowNumberHeader(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    void reset() override;

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void forgetOnChange(const QEvent* event);

    mutable int m_measuredCount = -1;
    mutable bool m_sortIndicatorShown = false;
    mutable QSize m_hint;
    mutable bool m_reserving = false;
};

// Puts a RowNumberHeader in place of the view's vertical header, keeping its settings.
void useRowNumberHeader(QTableView* view);

// Fixed starting widths for the first columns of a list table, so texts such as barcodes and dates show
// whole without measuring thousands of rows. Once the table is shown, and after each fill of its model, a
// column whose first rows need more grows towards them as far as the table has room, document numbers and
// barcodes first; no column gets narrower than its starting width.
void setColumnWidths(QTableView* view, const QVector<int>& widths);

// Widths to fit the titles and the texts of the first `sampleRows` rows. Unlike resizing to contents it
// never measures a long list to its end. No column grows past kWidestFittedColumn, and while the columns
// together would not fit the shown view, the widest are narrowed further to one common width (down to
// kNarrowestFittedColumn), again whenever the view changes width: first the columns that are not codes
// (document numbers, barcodes, batch numbers), then only if that is not enough the codes. A cell too
// narrow for its text cuts it off with an ellipsis and shows it whole in its tooltip. A numbered list's
// number column fits its last number from the start, and a paged list's while its count is on its way.
inline constexpr int kWidestFittedColumn = 300;
inline constexpr int kNarrowestFittedColumn = 80;
void fitColumnsToFirstRows(QTableView* view, int sampleRows = 100);

// For a dialog's line table (a QTableWidget whose cells the dialog fills and the user may edit): a cell too
// narrow for its text shows the whole text as its tooltip, as the lists do; a cell that shows its text
// whole shows none. The text is read when the tooltip is asked for, so an edited cell shows what it holds.
void tipCutCells(QAbstractItemView* view);

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

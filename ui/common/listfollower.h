#pragma once

class QTableView;

namespace kestrovalin {

class RowTableModel;

// Keeps a table view on the model where its user expects it: a reload shows the first row, a list read
// again after a change keeps the record at the top of the view, the current record and the selected ones
// (a selection of all, by Ctrl+A or the corner button, stays all), and Ctrl+End before the count is known
// goes to the last row once it is. The window's activation looks for changes too. The horizontal header
// highlights the selected columns from a selection of its own, so that its repaint never walks the rows.
void followList(QTableView* view, RowTableModel* model);

} // namespace kestrovalin

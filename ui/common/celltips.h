#pragma once

class QAbstractItemView;

namespace kestrovalin {

// For a dialog's line table (a QTableWidget whose cells the dialog fills and the user may edit): a cell too
// narrow for its text shows the whole text as its tooltip, as the lists do; a cell that shows its text
// whole shows none. The text is read when the tooltip is asked for, so an edited cell shows what it holds.
// Served by the viewport watch the list tables use (tablefill.cpp).
void tipCutCells(QAbstractItemView* view);

} // namespace kestrovalin

#pragma once

class QTableView;

namespace kestrovalin {

// A screen reader asks a table for its selected rows, columns and cells; Qt's own answers walk every row of
// each selected range, most of a second for a column or every row of a long list. For a view given here they
// come from the selection's ranges instead, as fast for all rows as for one. Everything else it asks is
// answered as Qt answers it.
void answerSelectionFromRanges(QTableView* view);

} // namespace kestrovalin

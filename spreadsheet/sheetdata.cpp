#include "spreadsheet/sheetdata.h"

namespace kestrovalin {

void SheetData::put(int row, int column, const CellValue& value) {
    if (value.isEmpty())
        return;
    m_lastRow = qMax(m_lastRow, row);
    m_lastColumn = qMax(m_lastColumn, column);
    if (column > m_maxColumn)
        return;
    QVector<CellValue>& cells = m_rows[row];
    if (cells.size() < column) {
        // Cells of a row arrive left to right; grow once to the kept width, not once per cell.
        cells.reserve(qMin(m_maxColumn, qMax(column, 16)));
        cells.resize(column);
    }
    cells[column - 1] = value;
}

CellValue SheetData::cell(int row, int column) const {
    const auto it = m_rows.constFind(row);
    if (it == m_rows.constEnd() || column < 1 || column > it->size())
        return CellValue();
    return it->at(column - 1);
}

} // namespace kestrovalin

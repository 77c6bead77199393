#pragma once

#include "spreadsheet/cellvalue.h"

#include <QHash>
#include <QVector>

#include <functional>

namespace kestrovalin {

// The cells of one worksheet as a back end streams them in. The used range is computed from the cells that
// hold a value, whatever the file claims; only columns up to the limit are kept.
class SheetData {
public:
    static constexpr int kMaxRows = 1048576;
    static constexpr int kMaxColumns = 16384;

    explicit SheetData(int maxColumn = 0) : m_maxColumn(maxColumn > 0 ? maxColumn : kMaxColumns) {}

    // 1-based row and column, both within the sheet limits.
    void put(int row, int column, const CellValue& value);
    CellValue cell(int row, int column) const;
    int lastRow() const { return m_lastRow; }
    int lastColumn() const { return m_lastColumn; }

    // Called now and then while a back end streams rows, so a busy indicator can repaint.
    std::function<void()> progress;

private:
    int m_maxColumn;
    int m_lastRow = 0;
    int m_lastColumn = 0;
    QHash<int, QVector<CellValue>> m_rows;
};

// What a back end makes of a file; the reader turns it into the user's words.
enum class SheetStatus { Ok, Unreadable, NoSheet, EmptySheet };

// Back ends: the first sheet of the workbook into `sheet`; `detail` says in English what went wrong.
SheetStatus readXlsxFirstSheet(const QString& path, SheetData& sheet, QString& detail);
SheetStatus readXlsFirstSheet(const QString& path, SheetData& sheet, QString& detail);

} // namespace kestrovalin

#pragma once

#include "spreadsheet/cellvalue.h"
#include "spreadsheet/sheetdata.h"

#include <QString>

#include <functional>

namespace kestrovalin {

// Reads the first sheet (in tab order, hidden or not) of an .xlsx or a legacy .xls workbook; the kind is
// told by the file's first bytes, not its name. The file is only read, never changed.
class WorkbookReader {
public:
    static const QString kOpenFailed;
    static const QString kNoSheet;
    static const QString kEmptySheet;
    // Why a file that cannot be opened cannot, where the user can do something about it.
    static const QString kPasswordProtected;
    static const QString kNoPermission;

    // Columns kept unless a caller asks for others; a cell far right must not cost memory for every row.
    static constexpr int kDefaultColumns = 64;

    // Cells right of maxColumn are skipped (0 keeps every column); they still count for lastColumn().
    explicit WorkbookReader(int maxColumn = kDefaultColumns);

    // False with errorText() set to the user's words: kOpenFailed, kNoSheet or kEmptySheet. Anything but a
    // regular file (a pipe, a device, a folder) is refused before it is opened: reading one could block.
    bool open(const QString& path);
    QString errorText() const { return m_error; }
    // Beside kOpenFailed: kPasswordProtected or kNoPermission when that is why; empty otherwise.
    QString errorReason() const { return m_reason; }

    // The used range's last row and column, counted from A1.
    int lastRow() const { return m_sheet.lastRow(); }
    int lastColumn() const { return m_sheet.lastColumn(); }
    // 1-based; Empty outside the used range.
    CellValue cell(int row, int column) const { return m_sheet.cell(row, column); }

    // Called every few hundred rows while a sheet is read.
    void setProgressCallback(std::function<void()> callback) { m_progress = std::move(callback); }

private:
    int m_maxColumn;
    SheetData m_sheet;
    QString m_error;
    QString m_reason;
    std::function<void()> m_progress;
};

} // namespace kestrovalin

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
    static const QString kNotWorkbook;
    static const QString kEmptyFile;
    static const QString kNoWorkbookParts;
    static const QString kFileTooLarge;
    static const QString kContentTooLarge;
    static const QString kStringTableTooLarge;
    static const QString kCellTooLong;
    static const QString kZip64;

    // Columns kept unless a caller asks for others; a cell far right must not cost memory for every row.
    static constexpr int kDefaultColumns = 64;

    // Cells right of maxColumn are skipped (0 keeps every column); they still count for lastColumn().
    explicit WorkbookReader(int maxColumn = kDefaultColumns);

    // False with errorText() set to the user's words: kOpenFailed, kNoSheet or kEmptySheet. Anything but a
    // regular file (a pipe, a device, a folder) is refused before it is opened: reading one could block.
    bool open(const QString& path);
    QString errorText() const { return m_error; }
    // Beside kOpenFailed, why, when the file is protected, not readable, no workbook, in the zip64 form or
    // beyond a bound; empty for other damage.
    QString errorReason() const { return m_reason; }

    // The used range's last row and column, counted from A1.
    int lastRow() const { return m_sheet.lastRow(); }
    int lastColumn() const { return m_sheet.lastColumn(); }
    // 1-based; Empty outside the used range.
    CellValue cell(int row, int column) const { return m_sheet.cell(row, column); }

    // Called every few hundred rows while a sheet is read.
    void setProgressCallback(std::function<void()> callback) { m_progress = std::move(callback); }

private:
    static QString refusalText(SheetRefusal refusal);

    int m_maxColumn;
    SheetData m_sheet;
    QString m_error;
    QString m_reason;
    std::function<void()> m_progress;
};

} // namespace kestrovalin

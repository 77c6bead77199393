// The legacy .xls back end over libfreexl (BIFF workbooks).
#include "spreadsheet/sheetdata.h"

#include <QDateTime>
#include <QFile>

#include <freexl.h>

namespace kestrovalin {

namespace {

constexpr unsigned kProgressEveryRows = 512;

class XlsHandle {
public:
    ~XlsHandle() {
        if (handle)
            freexl_close(handle);
    }
    const void* handle = nullptr;
};

CellValue toCellValue(const FreeXL_CellValue& cell) {
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return CellValue::makeNumber(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return CellValue::makeNumber(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return CellValue::makeText(QString::fromUtf8(cell.value.text_value));
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME: {
        // freexl spells them "yyyy-mm-dd" and "yyyy-mm-dd hh:mm:ss".
        const QString text = QString::fromUtf8(cell.value.text_value);
        const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
        const QTime time =
            text.size() > 10 ? QTime::fromString(text.mid(11), QStringLiteral("HH:mm:ss")) : QTime();
        return date.isValid() ? CellValue::makeDate(date, time) : CellValue::makeText(text);
    }
    case FREEXL_CELL_TIME:
        return CellValue::makeText(QString::fromUtf8(cell.value.text_value));
    default:
        return CellValue();
    }
}

} // namespace

SheetStatus readXlsFirstSheet(const QString& path, SheetData& sheet, QString& detail) {
    XlsHandle xls;
    int rc = freexl_open(QFile::encodeName(path).constData(), &xls.handle);
    if (rc != FREEXL_OK) {
        detail = QStringLiteral("freexl_open failed: %1").arg(rc);
        return SheetStatus::Unreadable;
    }
    unsigned info = 0;
    if (freexl_get_info(xls.handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info != FREEXL_BIFF_PLAIN) {
        detail = QStringLiteral("workbook is encrypted or obfuscated");
        return SheetStatus::Unreadable;
    }
    unsigned sheets = 0;
    if (freexl_get_info(xls.handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0) {
        detail = QStringLiteral("workbook lists no sheet");
        return SheetStatus::NoSheet;
    }
    unsigned rows = 0;
    unsigned short columns = 0;
    if ((rc = freexl_select_active_worksheet(xls.handle, 0)) != FREEXL_OK ||
        (rc = freexl_worksheet_dimensions(xls.handle, &rows, &columns)) != FREEXL_OK) {
        detail = QStringLiteral("first sheet unreadable: %1").arg(rc);
        return SheetStatus::Unreadable;
    }
    // Despite its header's note, freexl 1.0.6 gives counts here (a one-row sheet gives 1), so the
    // zero-based indexes run below them.
    if (rows > unsigned(SheetData::kMaxRows)) {
        detail = QStringLiteral("too many rows: %1").arg(rows);
        return SheetStatus::Unreadable;
    }
    for (unsigned r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(xls.handle, r, c, &cell) == FREEXL_OK)
                sheet.put(int(r) + 1, int(c) + 1, toCellValue(cell));
        }
        if ((r + 1) % kProgressEveryRows == 0 && sheet.progress)
            sheet.progress();
    }
    return SheetStatus::Ok;
}

} // namespace kestrovalin

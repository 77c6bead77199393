#pragma once

#include "core/listquery.h"
#include "ui/common/rowtablemodel.h"

#include <QString>
#include <QStringList>
#include <QVector>

class QMainWindow;

namespace kestrovalin {

class ReportFrame;

// How a value of a record book's select list is shown: as stored (NULL as empty text), or as a number (NULL
// as 0) in decimal or fixed-point with two or four decimals.
enum class CellFormat { Text, Integer, Fixed2, Fixed4 };

// What the purchase, acceptance and sales books share beyond the frame: a statement of their own whose
// conditions end with the date test's two placeholders, six text filters in one fixed order, cells read by
// their position in the select list, red rows for a failed acceptance and a total of the amounts.
struct RecordBook {
    // Its total, when the book has one, is the sum of the line amounts.
    ListQuery list;
    // The LIKE conditions of the filters editSupplier, editOrderNo, editProductName, editBarcode,
    // editMnemonic (upper-cased) and editBatchNo, in that order.
    QStringList filterConditions;
    // The shown columns after "序号", one per select position from 0.
    QVector<CellFormat> cells;
    // The position of the acceptance result: a row whose result is "不合格" exactly is red on every cell.
    int resultPosition = -1;
};

// The books: purchase order lines by inbound date, by acceptance date, and sales lines by sale date.
const RecordBook& purchaseRecords();
const RecordBook& acceptanceRecords();
const RecordBook& salesRecords();

// The cells of one result row, formatted as the book says.
TableRow recordRow(const Row& row, const RecordBook& book);

// Runs the book with the window's dates and filters and shows its rows; a book with a total shows
// "共 N 条记录，合计金额：X 元" once counted. Without a database adapter nothing changes.
void loadRecordBook(ReportFrame* frame, const QMainWindow* window, const RecordBook& book);

} // namespace kestrovalin

#include "ui/reports/recordbook.h"

#include "ui/common/reportframe.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QSqlQuery>

#include <algorithm>
#include <iterator>

namespace kestrovalin {

namespace {

struct FilterField {
    const char* name;
    bool upperCase;
};
const FilterField kFilterFields[] = {{"editSupplier", false},    {"editOrderNo", false},
                                     {"editProductName", false}, {"editBarcode", false},
                                     {"editMnemonic", true},     {"editBatchNo", false}};

QString filterText(const QMainWindow* window, const char* field) {
    const auto* edit = window->findChild<QLineEdit*>(QLatin1String(field));
    return edit ? edit->text() : QString();
}

QString cellText(const QVariant& value, CellFormat format) {
    switch (format) {
    case CellFormat::Integer:
        return QString::number(value.toLongLong());
    case CellFormat::Fixed2:
        return QString::number(value.toDouble(), 'f', 2);
    case CellFormat::Fixed4:
        return QString::number(value.toDouble(), 'f', 4);
    case CellFormat::Text:
        break;
    }
    return value.toString();
}

// The filter conditions of the two books over purchase order lines (p the order, s its supplier, pr the
// product, i the line).
QStringList purchaseLineFilters() {
    return {QStringLiteral(" AND s.name LIKE ?"),           QStringLiteral(" AND p.order_no LIKE ?"),
            QStringLiteral(" AND pr.name LIKE ?"),          QStringLiteral(" AND pr.barcode LIKE ?"),
            QStringLiteral(" AND pr.mnemonic_code LIKE ?"), QStringLiteral(" AND i.batch_no LIKE ?")};
}

RecordBook purchaseRecordsBook() {
    using F = CellFormat;
    RecordBook b;
    b.select = QStringLiteral(
        "SELECT p.inbound_date, p.order_no, s.name as supplier_name, pr.name as product_name, "
        "pr.manufacturer, i.batch_no, i.expiry_date, pr.specification, i.quantity, pr.unit, i.unit_price, "
        "i.amount, i.acceptance_result, i.acceptance_date "
        "FROM purchase_order p "
        "INNER JOIN purchase_order_item i ON p.id = i.order_id "
        "INNER JOIN supplier s ON p.supplier_id = s.id "
        "INNER JOIN product pr ON i.product_id = pr.id "
        "WHERE p.status = 'completed' AND p.inbound_date >= ? AND p.inbound_date <= ?");
    b.filterConditions = purchaseLineFilters();
    b.orderBy = QStringLiteral(" ORDER BY p.inbound_date DESC, p.id DESC");
    b.cells = {F::Text, F::Text,    F::Text, F::Text,   F::Text,   F::Text, F::Text,
               F::Text, F::Integer, F::Text, F::Fixed4, F::Fixed2, F::Text, F::Text};
    b.resultPosition = 12;
    b.amountPosition = 11;
    return b;
}

RecordBook acceptanceRecordsBook() {
    using F = CellFormat;
    RecordBook b;
    b.select = QStringLiteral(
        "SELECT i.acceptance_date, p.order_no, s.name as supplier_name, pr.name as product_name, "
        "pr.manufacturer, i.batch_no, i.production_date, i.expiry_date, pr.specification, i.quantity, "
        "pr.unit, i.acceptance_result, u.real_name as acceptor_name, i.remark "
        "FROM purchase_order_item i "
        "INNER JOIN purchase_order p ON i.order_id = p.id "
        "INNER JOIN supplier s ON p.supplier_id = s.id "
        "INNER JOIN product pr ON i.product_id = pr.id "
        "LEFT JOIN sys_user u ON i.acceptance_by = u.id "
        "WHERE p.status = 'completed' AND date(i.acceptance_date) >= ? AND date(i.acceptance_date) <= ?");
    b.filterConditions = purchaseLineFilters();
    b.orderBy = QStringLiteral(" ORDER BY i.acceptance_date DESC");
    b.cells = {F::Text, F::Text, F::Text,    F::Text, F::Text, F::Text, F::Text,
               F::Text, F::Text, F::Integer, F::Text, F::Text, F::Text, F::Text};
    b.resultPosition = 11;
    return b;
}

RecordBook salesRecordsBook() {
    using F = CellFormat;
    RecordBook b;
    b.select = QStringLiteral(
        "SELECT o.sale_date, o.order_no, p.name as product_name, p.barcode, p.manufacturer, i.batch_no, "
        "p.specification, i.quantity, p.unit, i.unit_price, i.amount, u.real_name as operator_name, "
        "s.name as supplier_name "
        "FROM sales_order o "
        "INNER JOIN sales_order_item i ON o.id = i.order_id "
        "INNER JOIN product p ON i.product_id = p.id "
        "LEFT JOIN inventory_batch b ON i.batch_id = b.id "
        "LEFT JOIN supplier s ON b.supplier_id = s.id "
        "LEFT JOIN sys_user u ON o.operator_id = u.id "
        "WHERE o.status = 'completed' AND o.sale_date >= ? AND o.sale_date <= ?");
    b.filterConditions =
        QStringList{QStringLiteral(" AND s.name LIKE ?"),          QStringLiteral(" AND o.order_no LIKE ?"),
                    QStringLiteral(" AND p.name LIKE ?"),          QStringLiteral(" AND p.barcode LIKE ?"),
                    QStringLiteral(" AND p.mnemonic_code LIKE ?"), QStringLiteral(" AND i.batch_no LIKE ?")};
    b.orderBy = QStringLiteral(" ORDER BY o.sale_date DESC, o.id DESC");
    // The select list's last value, the batch's supplier, is not shown: only the supplier filter tests it.
    b.cells = {F::Text, F::Text,    F::Text, F::Text,   F::Text,   F::Text,
               F::Text, F::Integer, F::Text, F::Fixed2, F::Fixed2, F::Text};
    b.amountPosition = 10;
    return b;
}

} // namespace

const RecordBook& purchaseRecords() {
    static const RecordBook book = purchaseRecordsBook();
    return book;
}

const RecordBook& acceptanceRecords() {
    static const RecordBook book = acceptanceRecordsBook();
    return book;
}

const RecordBook& salesRecords() {
    static const RecordBook book = salesRecordsBook();
    return book;
}

TableRow recordRow(const QSqlQuery& query, const RecordBook& book) {
    QStringList cells;
    cells.reserve(book.cells.size() + 1);
    for (int i = 0; i < book.cells.size(); ++i)
        cells.append(cellText(query.value(i), book.cells.at(i)));
    TableRow row(-1, std::move(cells));
    if (book.resultPosition >= 0 && query.value(book.resultPosition).toString() == QStringLiteral("不合格"))
        row.shade(Qt::red);
    return row;
}

void loadRecordBook(ReportFrame* frame, const QMainWindow* window, const RecordBook& book) {
    ReportQuery query(book.select, frame->startDate(), frame->endDate());
    const int filters = std::min<int>(book.filterConditions.size(), std::size(kFilterFields));
    for (int i = 0; i < filters; ++i) {
        const FilterField& field = kFilterFields[i];
        query.like(book.filterConditions.at(i), filterText(window, field.name), field.upperCase);
    }
    query.orderBy(book.orderBy);

    // The total adds the amounts as read; only the shown sum is rounded.
    double total = 0;
    const bool ran = frame->showQuery(query, [&book, &total](const QSqlQuery& result) {
        if (book.amountPosition >= 0)
            total += result.value(book.amountPosition).toDouble();
        return recordRow(result, book);
    });
    if (ran && book.amountPosition >= 0)
        frame->setTotalText(QStringLiteral("共 %1 条记录，合计金额：%2 元")
                                .arg(frame->model()->rowCount())
                                .arg(total, 0, 'f', 2));
}

} // namespace kestrovalin

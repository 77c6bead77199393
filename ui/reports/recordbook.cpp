#include "ui/reports/recordbook.h"

#include "core/rowreader.h"
#include "ui/common/reportframe.h"

#include <QLineEdit>
#include <QMainWindow>

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

// The filter conditions of a book over document lines: s the supplier, i the line, order and product the
// aliases of the document and the drug.
QStringList lineFilters(const QString& order, const QString& product) {
    return {QStringLiteral("s.name LIKE ?"),
            order + QStringLiteral(".order_no LIKE ?"),
            product + QStringLiteral(".name LIKE ?"),
            product + QStringLiteral(".barcode LIKE ?"),
            product + QStringLiteral(".mnemonic_code LIKE ?"),
            QStringLiteral("i.batch_no LIKE ?")};
}

// The newest documents first by date, then id, and a document's lines (i) in the order they were entered.
QVector<SortKey> newestDocumentsFirst(const QString& date, const QString& id) {
    return {{date, true}, {id, true}, {QStringLiteral("i.id"), false}};
}

RecordBook purchaseRecordsBook() {
    using F = CellFormat;
    RecordBook b;
    b.list.columns = QStringLiteral(
        "p.inbound_date, p.order_no, s.name as supplier_name, pr.name as product_name, "
        "pr.manufacturer, i.batch_no, i.expiry_date, pr.specification, i.quantity, pr.unit, i.unit_price, "
        "i.amount, i.acceptance_result, i.acceptance_date");
    b.list.from = QStringLiteral("FROM purchase_order p "
                                 "INNER JOIN purchase_order_item i ON p.id = i.order_id "
                                 "INNER JOIN supplier s ON p.supplier_id = s.id "
                                 "INNER JOIN product pr ON i.product_id = pr.id");
    b.list.where = QStringLiteral("p.status = 'completed' AND p.inbound_date >= ? AND p.inbound_date <= ?");
    b.list.order = newestDocumentsFirst(QStringLiteral("p.inbound_date"), QStringLiteral("p.id"));
    b.list.totals = QStringList{QStringLiteral("SUM(i.amount)")};
    b.filterConditions = lineFilters(QStringLiteral("p"), QStringLiteral("pr"));
    b.cells = {F::Text, F::Text,    F::Text, F::Text,   F::Text,   F::Text, F::Text,
               F::Text, F::Integer, F::Text, F::Fixed4, F::Fixed2, F::Text, F::Text};
    b.resultPosition = 12;
    return b;
}

RecordBook acceptanceRecordsBook() {
    using F = CellFormat;
    RecordBook b;
    b.list.columns = QStringLiteral(
        "i.acceptance_date, p.order_no, s.name as supplier_name, pr.name as product_name, "
        "pr.manufacturer, i.batch_no, i.production_date, i.expiry_date, pr.specification, i.quantity, "
        "pr.unit, i.acceptance_result, u.real_name as acceptor_name, i.remark");
    // The lines outermost, read in the order of their acceptance date from its index: a page reads its own
    // rows, where the planner would otherwise sort the lines of every order for each page.
    b.list.from = QStringLiteral("FROM purchase_order_item i "
                                 "CROSS JOIN purchase_order p ON i.order_id = p.id "
                                 "INNER JOIN supplier s ON p.supplier_id = s.id "
                                 "INNER JOIN product pr ON i.product_id = pr.id "
                                 "LEFT JOIN sys_user u ON i.acceptance_by = u.id");
    b.list.where = QStringLiteral(
        "p.status = 'completed' AND date(i.acceptance_date) >= ? AND date(i.acceptance_date) <= ?");
    // Lines accepted at the same moment in the order they were entered. The date test leaves out lines
    // without an acceptance date.
    b.list.order = {{QStringLiteral("i.acceptance_date"), true}, {QStringLiteral("i.id"), false}};
    b.filterConditions = lineFilters(QStringLiteral("p"), QStringLiteral("pr"));
    b.cells = {F::Text, F::Text, F::Text,    F::Text, F::Text, F::Text, F::Text,
               F::Text, F::Text, F::Integer, F::Text, F::Text, F::Text, F::Text};
    b.resultPosition = 11;
    return b;
}

RecordBook salesRecordsBook() {
    using F = CellFormat;
    RecordBook b;
    b.list.columns = QStringLiteral(
        "o.sale_date, o.order_no, p.name as product_name, p.barcode, p.manufacturer, i.batch_no, "
        "p.specification, i.quantity, p.unit, i.unit_price, i.amount, u.real_name as operator_name, "
        "s.name as supplier_name");
    b.list.from = QStringLiteral("FROM sales_order o "
                                 "INNER JOIN sales_order_item i ON o.id = i.order_id "
                                 "INNER JOIN product p ON i.product_id = p.id "
                                 "LEFT JOIN inventory_batch b ON i.batch_id = b.id "
                                 "LEFT JOIN supplier s ON b.supplier_id = s.id "
                                 "LEFT JOIN sys_user u ON o.operator_id = u.id");
    b.list.where = QStringLiteral("o.status = 'completed' AND o.sale_date >= ? AND o.sale_date <= ?");
    b.list.order = newestDocumentsFirst(QStringLiteral("o.sale_date"), QStringLiteral("o.id"));
    b.list.totals = QStringList{QStringLiteral("SUM(i.amount)")};
    b.filterConditions = lineFilters(QStringLiteral("o"), QStringLiteral("p"));
    // The select list's last value, the batch's supplier, is not shown: only the supplier filter tests it.
    b.cells = {F::Text, F::Text,    F::Text, F::Text,   F::Text,   F::Text,
               F::Text, F::Integer, F::Text, F::Fixed2, F::Fixed2, F::Text};
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

TableRow recordRow(const Row& result, const RecordBook& book) {
    QStringList cells;
    cells.reserve(book.cells.size());
    for (int i = 0; i < book.cells.size(); ++i)
        cells.append(cellText(result.at(i), book.cells.at(i)));
    TableRow row(-1, std::move(cells));
    if (book.resultPosition >= 0 && result.at(book.resultPosition).toString() == QStringLiteral("不合格"))
        row.shade(Qt::red);
    return row;
}

void loadRecordBook(ReportFrame* frame, const QMainWindow* window, const RecordBook& book) {
    ReportQuery query(book.list, frame->startDate(), frame->endDate());
    const int filters = std::min<int>(book.filterConditions.size(), std::size(kFilterFields));
    for (int i = 0; i < filters; ++i) {
        const FilterField& field = kFilterFields[i];
        query.like(book.filterConditions.at(i), filterText(window, field.name), field.upperCase);
    }
    // The total adds the amounts as stored; only the shown sum is rounded.
    ReportFrame::TotalText totalText;
    if (!book.list.totals.isEmpty())
        totalText = [](const RowTableModel& model) {
            return QStringLiteral("共 %1 条记录，合计金额：%2 元")
                .arg(model.rowCount())
                .arg(model.total(0).toDouble(), 0, 'f', 2);
        };
    frame->showQuery(
        query, [&book](const Row& row) { return recordRow(row, book); }, totalText);
}

} // namespace kestrovalin

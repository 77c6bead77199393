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

} // namespace

QStringList purchaseLineFilters() {
    return {QStringLiteral(" AND s.name LIKE ?"),           QStringLiteral(" AND p.order_no LIKE ?"),
            QStringLiteral(" AND pr.name LIKE ?"),          QStringLiteral(" AND pr.barcode LIKE ?"),
            QStringLiteral(" AND pr.mnemonic_code LIKE ?"), QStringLiteral(" AND i.batch_no LIKE ?")};
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

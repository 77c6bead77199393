#include "ui/purchasing/purchaseorderselectiondialog.h"

#include "core/databasemanager.h"
#include "repositories/purchaserepository.h"
#include "ui/common/pickerframe.h"

namespace kestrovalin {

namespace {

QVector<TableRow> orderRows(const QString& keyword) {
    repositories::PurchaseRepository repo(DatabaseManager::instance().getAdapter());
    QVector<TableRow> rows;
    for (const models::PurchaseOrder& o :
         keyword.isEmpty() ? repo.findAll() : repo.searchByOrderNo(keyword)) {
        if (o.status == QLatin1String("voided"))
            continue;
        TableRow row(o.id, {o.orderNo, o.supplierName, o.inboundDate, QString::number(o.totalAmount, 'f', 2),
                            o.status == QLatin1String("completed") ? QStringLiteral("已完成")
                                                                   : QStringLiteral("待处理")});
        row.documentNo = o.orderNo;
        rows.append(row);
    }
    return rows;
}

} // namespace

PurchaseOrderSelectionDialog::PurchaseOrderSelectionDialog(QWidget* parent) : QDialog(parent) {
    PickerSpec spec =
        documentPickerSpec(QStringLiteral("选择采购单"),
                           {QStringLiteral("单号"), QStringLiteral("供应商"), QStringLiteral("到货日期"),
                            QStringLiteral("金额"), QStringLiteral("状态")},
                           QStringLiteral("搜索（单号/供应商）："), QStringLiteral("请先选择一条采购单"));
    // Whole order numbers and supplier names rather than the toolkit's 100 pixels a column.
    spec.widths = {140, 220, 90, 90};
    m_frame = new PickerFrame(this, spec, orderRows);
    connect(this, &QDialog::accepted, this, &PurchaseOrderSelectionDialog::onChosen);
}

void PurchaseOrderSelectionDialog::onChosen() {
    const int row = m_frame->chosenRow();
    if (row < 0)
        return;
    const QModelIndex first = m_frame->model()->index(row, 0);
    m_orderId = first.data(Qt::UserRole).toInt();
    m_orderNo = first.data(Qt::UserRole + 1).toString();
}

} // namespace kestrovalin

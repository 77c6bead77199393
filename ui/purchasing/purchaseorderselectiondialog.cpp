#include "ui/purchasing/purchaseorderselectiondialog.h"

#include "core/rowreader.h"
#include "repositories/purchaserepository.h"
#include "ui/common/pickerframe.h"

namespace kestrovalin {

namespace {

RowSource orderRows(const QString& keyword) {
    using repositories::PurchaseRepository;
    ListQuery list = PurchaseRepository::orderList(keyword);
    list.filter(QStringLiteral("po.status IS NOT 'voided'"));
    return {list, [](const Row& r) {
                const models::PurchaseOrder o = PurchaseRepository::listedOrder(r);
                TableRow row(o.id, {o.orderNo, o.supplierName, o.inboundDate,
                                    QString::number(o.totalAmount, 'f', 2),
                                    o.status == QLatin1String("completed") ? QStringLiteral("已完成")
                                                                           : QStringLiteral("待处理")});
                row.documentNo = o.orderNo;
                return row;
            }};
}

} // namespace

PurchaseOrderSelectionDialog::PurchaseOrderSelectionDialog(QWidget* parent) : QDialog(parent) {
    PickerSetup setup =
        documentPickerSetup(QStringLiteral("选择采购单"),
                            {QStringLiteral("单号"), QStringLiteral("供应商"), QStringLiteral("到货日期"),
                             QStringLiteral("金额"), QStringLiteral("状态")},
                            QStringLiteral("搜索（单号/供应商）："), QStringLiteral("请先选择一条采购单"));
    // Whole order numbers and supplier names rather than the toolkit's 100 pixels a column.
    setup.widths = {140, 220, 90, 90};
    m_frame = new PickerFrame(this, setup, orderRows);
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

#include "ui/sales/salesorderselectiondialog.h"

#include "core/rowreader.h"
#include "repositories/salesrepository.h"
#include "ui/common/pickerframe.h"
#include "ui/common/tablefill.h"

namespace kestrovalin {

SalesOrderSelectionDialog::SalesOrderSelectionDialog(QWidget* parent) : QDialog(parent) {
    const PickerSetup setup =
        documentPickerSetup(QStringLiteral("选择销售单"),
                            {QStringLiteral("单号"), QStringLiteral("销售日期"), QStringLiteral("金额"),
                             QStringLiteral("状态"), QStringLiteral("操作员")},
                            QStringLiteral("搜索（单号）："), QStringLiteral("请先选择一条销售单"));
    m_frame = new PickerFrame(this, setup, [](const QString& keyword) {
        ListQuery list = SalesRepository::orderList(keyword);
        list.filter(QStringLiteral("s.status IS NOT 'voided'"));
        return RowSource{list, [](const Row& r) {
                             const models::SalesOrder o = SalesRepository::listedOrder(r);
                             TableRow row(o.id,
                                          {o.orderNo, o.saleDate, QString::number(o.totalAmount, 'f', 2),
                                           o.status == QLatin1String("completed") ? QStringLiteral("已完成")
                                                                                  : QStringLiteral("待处理"),
                                           o.operatorName});
                             row.documentNo = o.orderNo;
                             return row;
                         }};
    });
    // Widths from the titles and the first rows: order numbers show whole, however many orders there are.
    fitColumnsToFirstRows(m_frame->widgets().table);
}

void SalesOrderSelectionDialog::loadOrders(const QString& keyword) {
    m_frame->load(keyword);
}

int SalesOrderSelectionDialog::getSelectedOrderId() const {
    return m_frame->chosenId();
}

QString SalesOrderSelectionDialog::getSelectedOrderNo() const {
    const int row = m_frame->chosenRow();
    return row < 0 ? QString() : m_frame->model()->index(row, 0).data(Qt::UserRole + 1).toString();
}

} // namespace kestrovalin

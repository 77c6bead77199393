#include "ui/quality/rejecteddrugformat.h"

#include "repositories/rejecteddrugcodes.h"

#include <QComboBox>

namespace kestrovalin {

QStringList rejectedDrugColumns() {
    return {QStringLiteral("药品名称"),   QStringLiteral("规格"),       QStringLiteral("条码"),
            QStringLiteral("批次号"),     QStringLiteral("有效期至"),   QStringLiteral("供应商"),
            QStringLiteral("不合格数量"), QStringLiteral("不合格原因"), QStringLiteral("发现日期"),
            QStringLiteral("发现人"),     QStringLiteral("状态"),       QStringLiteral("处理方式")};
}

TableRow rejectedDrugRow(const models::RejectedDrug& d, int statusColumn) {
    TableRow row(d.id,
                 {d.productName, d.productSpec, d.barcode, d.batchNo, d.expiryDate, d.supplierName,
                  QString::number(d.quantity), rejected::reasonLabel(d.reason), d.reportDate, d.foundByName,
                  rejected::statusLabel(d.status), rejected::processTypeLabel(d.processType)});
    // An invalid colour (a status outside the list) leaves the table's own.
    row.mark(statusColumn, QColor(rejected::statusColour(d.status)), QColor());
    return row;
}

void fillStatusFilter(QComboBox* combo) {
    combo->clear();
    for (const rejected::CodeLabel& item : rejected::statusFilters())
        combo->addItem(item.label, item.code);
    combo->setCurrentIndex(0);
}

} // namespace kestrovalin

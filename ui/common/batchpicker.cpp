#include "ui/common/batchpicker.h"

namespace kestrovalin {

QStringList batchPickerColumns(bool withSupplier) {
    QStringList columns{QStringLiteral("条码"),    QStringLiteral("名称"),     QStringLiteral("规格"),
                        QStringLiteral("批号"),    QStringLiteral("生产日期"), QStringLiteral("有效期至"),
                        QStringLiteral("库存数量")};
    if (withSupplier)
        columns << QStringLiteral("供应商");
    columns << QStringLiteral("分类");
    return columns;
}

QVector<TableRow> batchPickerRows(const QList<PickedBatch>& batches, bool withSupplier) {
    QVector<TableRow> rows;
    rows.reserve(batches.size());
    for (int i = 0; i < batches.size(); ++i) {
        const PickedBatch& b = batches.at(i);
        QStringList cells{
            b.product.barcode,      b.product.name,     b.product.specification,          b.batch.batchNo,
            b.batch.productionDate, b.batch.expiryDate, QString::number(b.batch.quantity)};
        if (withSupplier)
            cells << b.supplierName;
        cells << b.product.category;
        rows.append(TableRow(i, cells));
    }
    return rows;
}

PickedBatch chosenBatch(const QList<PickedBatch>& batches, int id) {
    return id >= 0 && id < batches.size() ? batches.at(id) : PickedBatch();
}

} // namespace kestrovalin

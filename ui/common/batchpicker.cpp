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

RowSource batchPickerSource(const ListQuery& batches, bool withSupplier) {
    return {
        batches, [withSupplier](const Row& r) {
            const PickedBatch b = repositories::ProductRepository::readStockBatch(r);
            QStringList cells{
                b.product.barcode,      b.product.name,     b.product.specification,          b.batch.batchNo,
                b.batch.productionDate, b.batch.expiryDate, QString::number(b.batch.quantity)};
            if (withSupplier)
                cells << b.supplierName;
            cells << b.product.category;
            TableRow row(b.batch.id, cells);
            row.record = QVariant::fromValue(b);
            return row;
        }};
}

PickedBatch chosenBatch(const QVariant& record) {
    return record.isValid() ? record.value<PickedBatch>() : PickedBatch();
}

} // namespace kestrovalin

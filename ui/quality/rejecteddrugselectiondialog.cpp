#include "ui/quality/rejecteddrugselectiondialog.h"

#include "core/databasemanager.h"
#include "ui/common/pickerframe.h"

namespace kestrovalin {

RejectedDrugSelectionDialog::RejectedDrugSelectionDialog(QWidget* parent) : QDialog(parent) {
    PickerSpec spec;
    spec.title = QStringLiteral("选择不合格药品");
    spec.size = QSize(900, 500);
    spec.columns =
        QStringList{QStringLiteral("条码"),     QStringLiteral("名称"),     QStringLiteral("规格"),
                    QStringLiteral("批号"),     QStringLiteral("生产日期"), QStringLiteral("有效期至"),
                    QStringLiteral("库存数量"), QStringLiteral("供应商"),   QStringLiteral("分类")};
    spec.widths = {120, 180, 100, 100, 90, 90, 70, 120};
    spec.searchLabel.clear();
    spec.placeholder = QStringLiteral("输入条码或商品名称搜索...");
    spec.noChoiceHint = QStringLiteral("请先选择一个药品");
    m_frame = new PickerFrame(this, spec, [this](const QString& keyword) {
        m_batches = repositories::ProductRepository(DatabaseManager::instance().getAdapter())
                        .findBatchesForRejection(keyword);
        QVector<TableRow> rows;
        rows.reserve(m_batches.size());
        for (int i = 0; i < m_batches.size(); ++i) {
            const Batch& b = m_batches.at(i);
            rows.append(TableRow(i, {b.product.barcode, b.product.name, b.product.specification,
                                     b.batch.batchNo, b.batch.productionDate, b.batch.expiryDate,
                                     QString::number(b.batch.quantity), b.supplierName, b.product.category}));
        }
        return rows;
    });
}

void RejectedDrugSelectionDialog::loadProducts(const QString& keyword) {
    m_frame->load(keyword);
}

RejectedDrugSelectionDialog::Batch RejectedDrugSelectionDialog::getSelectedBatch() const {
    const int index = m_frame->chosenId();
    return index >= 0 && index < m_batches.size() ? m_batches.at(index) : Batch();
}

} // namespace kestrovalin

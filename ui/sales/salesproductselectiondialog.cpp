#include "ui/sales/salesproductselectiondialog.h"

#include "core/databasemanager.h"
#include "ui/common/pickerframe.h"

namespace kestrovalin {

SalesProductSelectionDialog::SalesProductSelectionDialog(QWidget* parent) : QDialog(parent) {
    PickerSpec spec;
    spec.title = QStringLiteral("选择销售商品");
    spec.size = QSize(900, 500);
    spec.columns =
        QStringList{QStringLiteral("条码"),     QStringLiteral("名称"),     QStringLiteral("规格"),
                    QStringLiteral("批号"),     QStringLiteral("生产日期"), QStringLiteral("有效期至"),
                    QStringLiteral("库存数量"), QStringLiteral("分类")};
    spec.widths = {120, 180, 120, 100, 100, 100, 80};
    spec.searchLabel.clear();
    spec.placeholder = QStringLiteral("输入条码或商品名称搜索...");
    spec.alternatingRows = false;
    spec.noChoiceHint = QStringLiteral("请先选择一个商品");
    // A row's id is its place in the list, so the choice is the batch exactly as it was shown.
    m_frame = new PickerFrame(this, spec, [this](const QString& keyword) {
        repositories::ProductRepository repo(DatabaseManager::instance().getAdapter());
        m_batches =
            keyword.isEmpty() ? repo.findAllBatchesWithProduct() : repo.searchBatchesWithProduct(keyword);
        QVector<TableRow> rows;
        rows.reserve(m_batches.size());
        for (int i = 0; i < m_batches.size(); ++i) {
            const Batch& b = m_batches.at(i);
            rows.append(TableRow(i, {b.product.barcode, b.product.name, b.product.specification,
                                     b.batch.batchNo, b.batch.productionDate, b.batch.expiryDate,
                                     QString::number(b.batch.quantity), b.product.category}));
        }
        return rows;
    });
}

void SalesProductSelectionDialog::loadProducts(const QString& keyword) {
    m_frame->load(keyword);
}

SalesProductSelectionDialog::Batch SalesProductSelectionDialog::getSelectedBatch() const {
    const int index = m_frame->chosenId();
    return index >= 0 && index < m_batches.size() ? m_batches.at(index) : Batch();
}

} // namespace kestrovalin

#include "ui/returns/productbatchselectiondialog.h"

#include "core/databasemanager.h"
#include "ui/common/pickerframe.h"
#include "ui/common/tablefill.h"

#include <QTableView>

namespace kestrovalin {

namespace {

PickerSetup specFor(ProductBatchSelectionDialog::Mode mode) {
    const bool purchase = mode == ProductBatchSelectionDialog::PurchaseReturnMode;
    PickerSetup setup;
    setup.title = purchase ? QStringLiteral("选择采购退货商品") : QStringLiteral("选择销售商品");
    setup.size = QSize(900, 500);
    setup.columns = QStringList{purchase ? QStringLiteral("原采购单号") : QStringLiteral("原销售单号"),
                                QStringLiteral("条码"),
                                QStringLiteral("名称"),
                                QStringLiteral("规格"),
                                QStringLiteral("批号"),
                                QStringLiteral("生产日期"),
                                QStringLiteral("有效期至"),
                                purchase ? QStringLiteral("库存数量") : QStringLiteral("可退回数量"),
                                QStringLiteral("分类")};
    setup.widths = {120, 120, 150, 100, 100, 100, 100, 100};
    setup.alternatingRows = false;
    setup.noChoiceHint = QStringLiteral("请先选择一个商品批次");
    return setup;
}

} // namespace

ProductBatchSelectionDialog::ProductBatchSelectionDialog(QWidget* parent, Mode mode)
    : QDialog(parent), m_mode(mode) {
    m_frame =
        new PickerFrame(this, specFor(mode), [this](const QString& keyword) { return rowsFor(keyword); });
    // Widths from the titles and the first rows, after every load.
    QTableView* table = m_frame->widgets().table;
    fitColumnsToFirstRows(table);
    connect(m_frame->model(), &QAbstractItemModel::modelReset, table,
            [table] { fitColumnsToFirstRows(table); });
}

ProductBatchSelectionDialog::~ProductBatchSelectionDialog() = default;

void ProductBatchSelectionDialog::loadBatches(const QString& keyword) {
    m_frame->load(keyword);
}

QVector<TableRow> ProductBatchSelectionDialog::rowsFor(const QString& keyword) {
    repositories::ProductRepository repo(DatabaseManager::instance().getAdapter());
    const bool purchase = m_mode == PurchaseReturnMode;
    if (purchase)
        m_batches = keyword.isEmpty() ? repo.findAllBatchesWithProductWithPurchaseOrder()
                                      : repo.searchBatchesWithProductWithPurchaseOrder(keyword);
    else
        m_batches = keyword.isEmpty() ? repo.findAllBatchesWithProductWithSalesOrder()
                                      : repo.searchBatchesWithProductWithSalesOrder(keyword);
    // Each row's id is its place in the list, so a choice always names a record of this load.
    QVector<TableRow> rows;
    rows.reserve(m_batches.size());
    for (int i = 0; i < m_batches.size(); ++i) {
        const Batch& b = m_batches.at(i);
        rows.append(TableRow(
            i, {purchase ? b.purchaseOrderNo : b.salesOrderNo, b.product.barcode, b.product.name,
                b.product.specification, b.batch.batchNo, b.batch.productionDate, b.batch.expiryDate,
                QString::number(purchase ? b.batch.quantity : b.remainingQuantity), b.product.category}));
    }
    return rows;
}

ProductBatchSelectionDialog::Batch ProductBatchSelectionDialog::getSelectedBatch() const {
    const int index = m_frame->chosenId();
    return index >= 0 && index < m_batches.size() ? m_batches.at(index) : Batch();
}

} // namespace kestrovalin

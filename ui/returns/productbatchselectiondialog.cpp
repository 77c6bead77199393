#include "ui/returns/productbatchselectiondialog.h"

#include "core/rowreader.h"
#include "ui/common/batchpicker.h"
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
        new PickerFrame(this, specFor(mode), [this](const QString& keyword) { return sourceFor(keyword); });
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

RowSource ProductBatchSelectionDialog::sourceFor(const QString& keyword) const {
    using repositories::ProductRepository;
    const bool purchase = m_mode == PurchaseReturnMode;
    // Each row carries its record, so a choice is the line as it was shown.
    return {purchase ? ProductRepository::purchaseReturnBatchList(keyword)
                     : ProductRepository::soldLineList(keyword),
            [purchase](const Row& r) {
                const Batch b =
                    purchase ? ProductRepository::readStockBatch(r) : ProductRepository::readSoldLine(r);
                TableRow row(
                    purchase ? b.batch.id : b.salesOrderItemId,
                    {purchase ? b.purchaseOrderNo : b.salesOrderNo, b.product.barcode, b.product.name,
                     b.product.specification, b.batch.batchNo, b.batch.productionDate, b.batch.expiryDate,
                     QString::number(purchase ? b.batch.quantity : b.remainingQuantity), b.product.category});
                row.record = QVariant::fromValue(b);
                return row;
            }};
}

ProductBatchSelectionDialog::Batch ProductBatchSelectionDialog::getSelectedBatch() const {
    return chosenBatch(m_frame->chosenRecord());
}

} // namespace kestrovalin

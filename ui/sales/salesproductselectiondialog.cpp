#include "ui/sales/salesproductselectiondialog.h"

#include "ui/common/batchpicker.h"
#include "ui/common/pickerframe.h"

namespace kestrovalin {

SalesProductSelectionDialog::SalesProductSelectionDialog(QWidget* parent) : QDialog(parent) {
    PickerSetup setup;
    setup.title = QStringLiteral("选择销售商品");
    setup.size = QSize(900, 500);
    setup.columns = batchPickerColumns(false);
    setup.widths = {120, 180, 120, 100, 100, 100, 80};
    setup.searchLabel.clear();
    setup.placeholder = QStringLiteral("输入条码或商品名称搜索...");
    setup.alternatingRows = false;
    setup.noChoiceHint = QStringLiteral("请先选择一个商品");
    m_frame = new PickerFrame(this, setup, [](const QString& keyword) {
        return batchPickerSource(repositories::ProductRepository::sellableBatchList(keyword), false);
    });
}

void SalesProductSelectionDialog::loadProducts(const QString& keyword) {
    m_frame->load(keyword);
}

SalesProductSelectionDialog::Batch SalesProductSelectionDialog::getSelectedBatch() const {
    return chosenBatch(m_frame->chosenRecord());
}

} // namespace kestrovalin

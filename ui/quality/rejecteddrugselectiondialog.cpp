#include "ui/quality/rejecteddrugselectiondialog.h"

#include "ui/common/batchpicker.h"
#include "ui/common/pickerframe.h"

namespace kestrovalin {

RejectedDrugSelectionDialog::RejectedDrugSelectionDialog(QWidget* parent) : QDialog(parent) {
    PickerSetup setup;
    setup.title = QStringLiteral("选择不合格药品");
    setup.size = QSize(900, 500);
    setup.columns = batchPickerColumns(true);
    setup.widths = {120, 180, 100, 100, 90, 90, 70, 120};
    setup.searchLabel.clear();
    setup.placeholder = QStringLiteral("输入条码或商品名称搜索...");
    setup.noChoiceHint = QStringLiteral("请先选择一个药品");
    m_frame = new PickerFrame(this, setup, [](const QString& keyword) {
        return batchPickerSource(repositories::ProductRepository::rejectableBatchList(keyword), true);
    });
}

void RejectedDrugSelectionDialog::loadProducts(const QString& keyword) {
    m_frame->load(keyword);
}

RejectedDrugSelectionDialog::Batch RejectedDrugSelectionDialog::getSelectedBatch() const {
    return chosenBatch(m_frame->chosenRecord());
}

} // namespace kestrovalin

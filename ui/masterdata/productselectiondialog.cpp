#include "ui/masterdata/productselectiondialog.h"

#include "core/databasemanager.h"
#include "core/rowreader.h"
#include "repositories/productrepository.h"
#include "ui/common/pickerframe.h"

namespace kestrovalin {

namespace {

repositories::ProductRepository repository() {
    return repositories::ProductRepository(DatabaseManager::instance().getAdapter());
}

} // namespace

ProductSelectionDialog::ProductSelectionDialog(QWidget* parent, bool withStock, bool prescriptionOnly)
    : QDialog(parent), onlyWithStock(withStock), onlyPrescription(prescriptionOnly) {
    PickerSetup setup;
    setup.title = QStringLiteral("选择商品");
    setup.size = QSize(600, 400);
    setup.columns =
        QStringList{QStringLiteral("条码"),     QStringLiteral("名称"),     QStringLiteral("规格"),
                    QStringLiteral("批准文号"), QStringLiteral("生产厂商"), QStringLiteral("分类")};
    setup.widths = {115, 120, 70, 85, 80};
    setup.noChoiceHint = QStringLiteral("请先选择一个商品");
    m_frame = new PickerFrame(this, setup, [this](const QString& keyword) {
        using repositories::ProductRepository;
        // The prescription flag wins over the stock flag.
        const ProductRepository::Listed which = onlyPrescription ? ProductRepository::Listed::Prescription
                                                : onlyWithStock  ? ProductRepository::Listed::WithStock
                                                                 : ProductRepository::Listed::All;
        return RowSource{ProductRepository::listedProducts(keyword, which), [](const Row& row) {
                             const models::Product p = repositories::readProduct(row);
                             return TableRow(p.id, {p.barcode, p.name, p.specification, p.approvalNo,
                                                    p.manufacturer, p.category});
                         }};
    });
}

void ProductSelectionDialog::loadProducts(const QString& keyword) {
    m_frame->load(keyword);
}

models::Product ProductSelectionDialog::getSelectedProduct() const {
    const int id = m_frame->chosenId();
    return id < 0 ? models::Product() : repository().findById(id);
}

} // namespace kestrovalin

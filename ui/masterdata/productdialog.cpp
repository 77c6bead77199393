#include "ui/masterdata/productdialog.h"

#include "ui/common/formdialog.h"
#include "ui_productdialog.h"

namespace kestrovalin {

namespace {

// Selects the item with exactly this text. A value outside the fixed list (imported data, say) is added and
// selected, so that saving the form never replaces it with the first item.
void selectOrAdd(QComboBox* combo, const QString& text) {
    int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        combo->addItem(text);
        index = combo->count() - 1;
    }
    combo->setCurrentIndex(index);
}

} // namespace

ProductDialog::ProductDialog(QWidget* parent) : QDialog(parent), ui(new Ui::ProductDialog) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("商品信息"));
    prepareFormDialog(this, ui->buttonBox, parent);
    ui->spinPurchasePrice->setMaximum(models::Product::kMaxPrice);
    ui->spinSalePrice->setMaximum(models::Product::kMaxPrice);
    // The scroll area would take the focus first and swallow what is typed.
    ui->editName->setFocus();
}

ProductDialog::~ProductDialog() {
    delete ui;
}

void ProductDialog::setProduct(const models::Product& product) {
    ui->editName->setText(product.name);
    ui->editBarcode->setText(product.barcode);
    ui->editMnemonicCode->setText(product.mnemonicCode);
    ui->editSpec->setText(product.specification);
    ui->editApproval->setText(product.approvalNo);
    ui->editManufacturer->setText(product.manufacturer);
    selectOrAdd(ui->comboCategory, product.category);
    selectOrAdd(ui->comboStorage, product.storageCondition);
    ui->checkPrescription->setChecked(product.isPrescription);
    selectOrAdd(ui->comboUnit, product.unit);
    ui->spinPurchasePrice->setValue(product.purchasePrice);
    ui->spinSalePrice->setValue(product.salePrice);
}

models::Product ProductDialog::getProduct() const {
    models::Product product;
    product.name = ui->editName->text();
    product.barcode = ui->editBarcode->text();
    product.mnemonicCode = ui->editMnemonicCode->text().toUpper();
    product.specification = ui->editSpec->text();
    product.approvalNo = ui->editApproval->text();
    product.manufacturer = ui->editManufacturer->text();
    product.category = ui->comboCategory->currentText();
    product.storageCondition = ui->comboStorage->currentText();
    product.isPrescription = ui->checkPrescription->isChecked();
    product.unit = ui->comboUnit->currentText();
    product.purchasePrice = ui->spinPurchasePrice->value();
    product.salePrice = ui->spinSalePrice->value();
    return product;
}

} // namespace kestrovalin

#include "ui/masterdata/customerdialog.h"
#include "ui_customerdialog.h"

#include "ui/common/prompts.h"
#include "ui/common/styles.h"

namespace kestrovalin {

CustomerDialog::CustomerDialog(QWidget* parent) : QDialog(parent), ui(new ::Ui::CustomerDialog) {
    ui->setupUi(this);
    setFixedSize(400, 350);
    // The list window's sheet cascades into this form and would leave its buttons without a frame.
    setStyleSheet(listWindowStyleSheet({QStringLiteral("btnSave")}, {QStringLiteral("btnCancel")}, false));
    // Tab moves on to the next field instead of typing a tab into the remark.
    ui->editRemark->setTabChangesFocus(true);
    ui->labelDefaultHint->setStyleSheet(hintLabelStyleSheet());
    ui->labelDefaultHint->hide();
}

CustomerDialog::~CustomerDialog() {
    delete ui;
}

void CustomerDialog::setCustomer(const models::Customer& customer) {
    m_customer = customer;
    ui->editName->setText(customer.name);
    ui->editPhone->setText(customer.phone);
    ui->editAddress->setText(customer.address);
    ui->editIdCard->setText(customer.idCard);
    ui->editRemark->setPlainText(customer.remark);
    ui->checkIsDefault->setChecked(customer.isDefault);
    refreshDefaultBox();
}

models::Customer CustomerDialog::getCustomer() const {
    models::Customer customer;
    customer.id = m_customer.id;
    customer.name = ui->editName->text().trimmed();
    customer.phone = ui->editPhone->text().trimmed();
    customer.address = ui->editAddress->text().trimmed();
    customer.idCard = ui->editIdCard->text().trimmed();
    customer.remark = ui->editRemark->toPlainText().trimmed();
    customer.isDefault = ui->checkIsDefault->isChecked();
    return customer;
}

void CustomerDialog::setReadOnly(bool readOnly) {
    ui->editName->setReadOnly(readOnly);
    ui->editPhone->setReadOnly(readOnly);
    ui->editAddress->setReadOnly(readOnly);
    ui->editIdCard->setReadOnly(readOnly);
    ui->editRemark->setReadOnly(readOnly);
    ui->btnSave->setVisible(!readOnly);
    m_readOnly = readOnly;
    refreshDefaultBox();
}

void CustomerDialog::refreshDefaultBox() {
    // The stored default keeps its tick: the default moves only when another customer is made the default.
    const bool storedDefault = m_customer.id > 0 && m_customer.isDefault;
    ui->checkIsDefault->setEnabled(!m_readOnly && !storedDefault);
    ui->labelDefaultHint->setVisible(!m_readOnly && storedDefault);
}

void CustomerDialog::on_btnSave_clicked() {
    if (ui->editName->text().trimmed().isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请输入客户名称"));
        return;
    }
    accept();
}

void CustomerDialog::on_btnCancel_clicked() {
    reject();
}

} // namespace kestrovalin

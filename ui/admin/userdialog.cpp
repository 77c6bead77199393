#include "ui/admin/userdialog.h"

#include "core/passwordhash.h"
#include "ui/common/buttonbox.h"
#include "ui/common/prompts.h"
#include "ui/common/styles.h"
#include "ui_userdialog.h"

#include <QPushButton>

namespace kestrovalin {

UserDialog::UserDialog(QWidget* parent) : QDialog(parent), ui(new Ui_UserDialog) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("用户编辑"));
    setStyleSheet(formStyleSheet());
    // The two groups have their own form layouts; line their fields up under one label width.
    ui->labelPassword->setMinimumWidth(ui->labelRealName->sizeHint().width());
    ui->comboRole->addItem(QStringLiteral("店员"), QStringLiteral("clerk"));
    ui->comboRole->addItem(QStringLiteral("老板"), QStringLiteral("manager"));
    useChineseLabels(ui->buttonBox);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &UserDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &UserDialog::reject);
}

UserDialog::~UserDialog() {
    delete ui;
}

void UserDialog::setUser(const models::User& user) {
    m_user = user;
    m_storedHash = user.passwordHash;
    ui->editUsername->setText(user.username);
    ui->editRealName->setText(user.realName);
    ui->editPassword->clear();
    const int role = ui->comboRole->findData(user.role);
    if (role >= 0)
        ui->comboRole->setCurrentIndex(role);
    ui->checkStatus->setChecked(user.status == 1);
}

void UserDialog::setReadOnly(bool readOnly) {
    ui->editUsername->setReadOnly(readOnly);
    ui->editRealName->setReadOnly(readOnly);
    ui->comboRole->setEnabled(!readOnly);
    ui->checkStatus->setEnabled(!readOnly);
    ui->editPassword->setEnabled(!readOnly);
    ui->buttonBox->button(QDialogButtonBox::Ok)->setVisible(!readOnly);
    if (readOnly)
        setWindowTitle(QStringLiteral("用户详情"));
}

models::User UserDialog::getUser() const {
    models::User user = m_user;
    user.username = ui->editUsername->text().trimmed();
    user.realName = ui->editRealName->text().trimmed();
    user.role = ui->comboRole->currentData().toString();
    user.status = ui->checkStatus->isChecked() ? 1 : 0;
    return user;
}

void UserDialog::accept() {
    const QString username = ui->editUsername->text().trimmed();
    const QString realName = ui->editRealName->text().trimmed();
    if (username.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请输入用户名！"));
        ui->editUsername->setFocus();
        return;
    }
    if (realName.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请输入真实姓名！"));
        ui->editRealName->setFocus();
        return;
    }
    // A password of blanks is a password: the test is on the untrimmed text.
    const QString password = ui->editPassword->text();
    if (m_user.id == 0 && password.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请输入密码！"));
        ui->editPassword->setFocus();
        return;
    }
    m_user = getUser();
    m_user.passwordHash = password.isEmpty() ? m_storedHash : hashPassword(password);
    QDialog::accept();
}

} // namespace kestrovalin

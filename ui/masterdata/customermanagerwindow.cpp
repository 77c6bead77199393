#include "ui/masterdata/customermanagerwindow.h"
#include "ui_customermanagerwindow.h"

#include "core/databasemanager.h"
#include "repositories/customerrepository.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"
#include "ui/common/styles.h"
#include "ui/masterdata/customerdialog.h"
#include "ui/masterdata/customertable.h"

#include <QTableWidgetItem>

namespace kestrovalin {

namespace {

using repositories::CustomerRepository;

CustomerRepository repository() {
    return CustomerRepository(DatabaseManager::instance().getAdapter());
}

const QString kTitle = QStringLiteral("提示");

} // namespace

CustomerManagerWindow::CustomerManagerWindow(QWidget* parent)
    : QMainWindow(parent), ui(new ::Ui::CustomerManagerWindow) {
    ui->setupUi(this);
    initUI();
    setStyleSheet(listWindowStyleSheet(
        {QStringLiteral("btnAdd")},
        {QStringLiteral("btnEdit"), QStringLiteral("btnView"), QStringLiteral("btnDelete")}, false));
    showAll();
    placeOnParent(this, parent);
}

CustomerManagerWindow::~CustomerManagerWindow() {
    delete ui;
}

void CustomerManagerWindow::initUI() {
    setupCustomerTable(ui->tableWidget,
                       {QStringLiteral("ID"), QStringLiteral("客户名称"), QStringLiteral("联系电话"),
                        QStringLiteral("地址"), QStringLiteral("身份证号"), QStringLiteral("备注"),
                        QStringLiteral("是否默认")},
                       {60, 120, 100, 200, 150, 100, 80});
}

void CustomerManagerWindow::updateTable(const QList<models::Customer>& customers) {
    fillCustomerTable(ui->tableWidget, customers, [](const models::Customer& c) {
        return QStringList{QString::number(c.id),
                           c.name,
                           c.phone,
                           c.address,
                           c.idCard,
                           c.remark,
                           c.isDefault ? QStringLiteral("是") : QStringLiteral("否")};
    });
    ui->labelCount->setText(QStringLiteral("共 %1 条记录").arg(customers.size()));
}

void CustomerManagerWindow::showAll() {
    updateTable(repository().findAll());
}

int CustomerManagerWindow::currentCustomerId() const {
    const int row = ui->tableWidget->currentRow();
    if (row < 0)
        return -1;
    const QTableWidgetItem* item = ui->tableWidget->item(row, 0);
    return item ? item->text().toInt() : 0;
}

bool CustomerManagerWindow::loadCurrent(const QString& noRowText, models::Customer& customer) {
    const int id = currentCustomerId();
    if (id < 0) {
        Prompts::warning(this, kTitle, noRowText);
        return false;
    }
    customer = repository().findById(id);
    if (customer.id == 0) {
        Prompts::warning(this, kTitle, QStringLiteral("客户不存在"));
        return false;
    }
    return true;
}

void CustomerManagerWindow::report(bool ok, const QString& success, const QString& failure) {
    if (!ok) {
        Prompts::warning(this, kTitle, failure);
        return;
    }
    Prompts::information(this, kTitle, success);
    showAll();
}

void CustomerManagerWindow::on_btnAdd_clicked() {
    CustomerDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    models::Customer customer = dialog.getCustomer();
    CustomerRepository repo = repository();
    report(customer.isDefault ? repo.insertAsDefault(customer) : repo.insert(customer),
           QStringLiteral("客户添加成功"), QStringLiteral("客户添加失败"));
}

void CustomerManagerWindow::on_btnEdit_clicked() {
    models::Customer loaded;
    if (!loadCurrent(QStringLiteral("请选择要编辑的客户"), loaded))
        return;
    CustomerDialog dialog(this);
    dialog.setCustomer(loaded);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const models::Customer customer = dialog.getCustomer();
    CustomerRepository repo = repository();
    // Only a newly marked default moves the flag; a default that stays default clears nothing.
    report(customer.isDefault && !loaded.isDefault ? repo.updateAsDefault(customer) : repo.update(customer),
           QStringLiteral("客户修改成功"), QStringLiteral("客户修改失败"));
}

void CustomerManagerWindow::on_btnView_clicked() {
    models::Customer customer;
    if (!loadCurrent(QStringLiteral("请选择要查看的客户"), customer))
        return;
    CustomerDialog dialog(this);
    dialog.setCustomer(customer);
    dialog.setReadOnly(true);
    dialog.exec();
}

void CustomerManagerWindow::on_btnDelete_clicked() {
    const int row = ui->tableWidget->currentRow();
    if (row < 0) {
        Prompts::warning(this, kTitle, QStringLiteral("请选择要删除的客户"));
        return;
    }
    const int id = currentCustomerId();
    const QTableWidgetItem* nameItem = ui->tableWidget->item(row, 1);
    const QTableWidgetItem* flagItem = ui->tableWidget->item(row, 6);
    const QString name = nameItem ? nameItem->text() : QString();
    if (flagItem && flagItem->text() == QStringLiteral("是")) {
        Prompts::warning(this, kTitle, QStringLiteral("默认客户不能删除"));
        return;
    }
    if (!Prompts::question(this, QStringLiteral("确认"),
                           QStringLiteral("确定要删除客户 \"%1\" 吗？").arg(name)))
        return;
    report(repository().remove(id), QStringLiteral("客户删除成功"), QStringLiteral("客户删除失败"));
}

void CustomerManagerWindow::on_editSearch_textChanged(const QString& text) {
    // Searched exactly as typed: a lone blank looks for a blank.
    if (text.isEmpty())
        showAll();
    else
        updateTable(repository().search(text));
}

void CustomerManagerWindow::on_tableWidget_doubleClicked(const QModelIndex&) {
    on_btnView_clicked();
}

} // namespace kestrovalin

#include "ui/masterdata/customerselectiondialog.h"
#include "ui_customerselectiondialog.h"

#include "core/databasemanager.h"
#include "repositories/customerrepository.h"
#include "ui/common/prompts.h"
#include "ui/masterdata/customertable.h"

namespace kestrovalin {

namespace {

repositories::CustomerRepository repository() {
    return repositories::CustomerRepository(DatabaseManager::instance().getAdapter());
}

} // namespace

CustomerSelectionDialog::CustomerSelectionDialog(QWidget* parent)
    : QDialog(parent), ui(new ::Ui::CustomerSelectionDialog) {
    ui->setupUi(this);
    setFixedSize(600, 400);
    setupCustomerTable(ui->tableWidget,
                       {QStringLiteral("ID"), QStringLiteral("客户名称"), QStringLiteral("联系电话"),
                        QStringLiteral("地址")},
                       {60, 150, 120, 250});
    updateTable(repository().findAll());
}

CustomerSelectionDialog::~CustomerSelectionDialog() {
    delete ui;
}

void CustomerSelectionDialog::updateTable(const QList<models::Customer>& customers) {
    fillCustomerTable(ui->tableWidget, customers, [](const models::Customer& c) {
        return QStringList{QString::number(c.id), c.name, c.phone, c.address};
    });
}

void CustomerSelectionDialog::on_btnConfirm_clicked() {
    const int row = ui->tableWidget->currentRow();
    if (row < 0) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请选择一个客户"));
        return;
    }
    const QTableWidgetItem* idItem = ui->tableWidget->item(row, 0);
    m_selected = repository().findById(idItem ? idItem->text().toInt() : 0);
    accept();
}

void CustomerSelectionDialog::on_btnCancel_clicked() {
    reject();
}

void CustomerSelectionDialog::on_editSearch_textChanged(const QString& text) {
    // Searched exactly as typed, like the customer list window.
    updateTable(text.isEmpty() ? repository().findAll() : repository().search(text));
}

void CustomerSelectionDialog::on_tableWidget_doubleClicked(const QModelIndex&) {
    on_btnConfirm_clicked();
}

} // namespace kestrovalin

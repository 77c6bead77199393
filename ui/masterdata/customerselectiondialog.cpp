#include "ui/masterdata/customerselectiondialog.h"
#include "ui_customerselectiondialog.h"

#include "core/databasemanager.h"
#include "repositories/customerrepository.h"
#include "ui/common/pickerframe.h"
#include "ui/masterdata/customertable.h"

namespace kestrovalin {

namespace {

repositories::CustomerRepository repository() {
    return repositories::CustomerRepository(DatabaseManager::instance().getAdapter());
}

// Searched exactly as typed, like the customer list window.
QVector<TableRow> customers(const QString& keyword) {
    repositories::CustomerRepository repo = repository();
    return tableRows(keyword.isEmpty() ? repo.findAll() : repo.search(keyword),
                     [](const models::Customer& c) {
                         return customerRow(c, {QString::number(c.id), c.name, c.phone, c.address});
                     });
}

} // namespace

CustomerSelectionDialog::CustomerSelectionDialog(QWidget* parent)
    : QDialog(parent), ui(new ::Ui::CustomerSelectionDialog) {
    ui->setupUi(this);
    PickerSetup setup;
    setup.title = windowTitle();
    setup.size = QSize(600, 400);
    setup.fixedSize = true;
    setup.columns = QStringList{QStringLiteral("ID"), QStringLiteral("客户名称"), QStringLiteral("联系电话"),
                                QStringLiteral("地址")};
    setup.widths = {60, 150, 120};
    setup.liveSearch = true;
    setup.singleSelection = false;
    setup.choiceFrom = PickerSetup::ChoiceFrom::CurrentRow;
    setup.noChoiceHint = QStringLiteral("请选择一个客户");
    m_frame = new PickerFrame(this, setup, customers,
                              {ui->editSearch, nullptr, ui->tableWidget, ui->btnConfirm, ui->btnCancel});
}

models::Customer CustomerSelectionDialog::getSelectedCustomer() const {
    if (result() != QDialog::Accepted)
        return models::Customer();
    return repository().findById(m_frame->chosenId());
}

CustomerSelectionDialog::~CustomerSelectionDialog() {
    delete ui;
}

} // namespace kestrovalin

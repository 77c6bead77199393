#include "ui/masterdata/supplierselectiondialog.h"

#include "core/databasemanager.h"
#include "repositories/supplierrepository.h"
#include "ui/common/listmodel.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>

namespace kestrovalin {

namespace {

QString statusText(const QString& status) {
    if (status == QLatin1String("active"))
        return QStringLiteral("正常");
    if (status == QLatin1String("suspended"))
        return QStringLiteral("已停用");
    return status;
}

} // namespace

SupplierSelectionDialog::SupplierSelectionDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("选择供应商"));
    resize(700, 400);
    m_frame =
        buildPickerFrame(this, {QStringLiteral("ID"), QStringLiteral("名称"), QStringLiteral("许可证号"),
                                QStringLiteral("联系人"), QStringLiteral("联系电话"), QStringLiteral("地址"),
                                QStringLiteral("状态")});
    setColumnWidths(m_frame.tableView, {40, 160, 100, 55, 110, 130});
    connect(m_frame.btnSearch, &QPushButton::clicked, this, &SupplierSelectionDialog::onSearch);
    connect(m_frame.editSearch, &QLineEdit::returnPressed, this, &SupplierSelectionDialog::onSearch);
    connect(m_frame.tableView, &QTableView::doubleClicked, this, &SupplierSelectionDialog::onDoubleClicked);
    connect(m_frame.btnOk, &QPushButton::clicked, this, &SupplierSelectionDialog::onOkClicked);
    loadSuppliers(QString());
}

void SupplierSelectionDialog::loadSuppliers(const QString& keyword) {
    clearRows(m_frame.model);
    repositories::SupplierRepository repo(DatabaseManager::instance().getAdapter());
    const auto suppliers = keyword.isEmpty() ? repo.findAll() : repo.searchByName(keyword);
    for (const models::Supplier& s : suppliers) {
        if (!repo.isSupplierQualified(s.id))
            continue;
        QList<QStandardItem*> row = readOnlyRow({QString::number(s.id), s.name, s.licenseNo, s.contactName,
                                                 s.contactPhone, s.address, statusText(s.status)});
        row.first()->setData(s.id, Qt::UserRole);
        m_frame.model->appendRow(row);
    }
}

models::Supplier SupplierSelectionDialog::getSelectedSupplier() const {
    if (selectedSupplierId < 0)
        return models::Supplier();
    return repositories::SupplierRepository(DatabaseManager::instance().getAdapter())
        .findById(selectedSupplierId);
}

void SupplierSelectionDialog::onSearch() {
    loadSuppliers(m_frame.editSearch->text().trimmed());
}

void SupplierSelectionDialog::onDoubleClicked(const QModelIndex& index) {
    selectedSupplierId = rowId(m_frame.model, index.row());
    accept();
}

// Without a selected row the dialog still closes as accepted; the caller then keeps its supplier.
void SupplierSelectionDialog::onOkClicked() {
    const QModelIndexList rows = m_frame.tableView->selectionModel()->selectedRows();
    if (!rows.isEmpty())
        selectedSupplierId = rowId(m_frame.model, rows.first().row());
    accept();
}

} // namespace kestrovalin

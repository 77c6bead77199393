#include "ui/masterdata/productselectiondialog.h"

#include "core/databasemanager.h"
#include "repositories/productrepository.h"
#include "ui/common/listmodel.h"
#include "ui/common/prompts.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>

namespace kestrovalin {

ProductSelectionDialog::ProductSelectionDialog(QWidget* parent, bool withStock, bool prescriptionOnly)
    : QDialog(parent), onlyWithStock(withStock), onlyPrescription(prescriptionOnly) {
    setWindowTitle(QStringLiteral("选择商品"));
    resize(600, 400);
    m_frame = buildPickerFrame(this, {QStringLiteral("条码"), QStringLiteral("名称"), QStringLiteral("规格"),
                                      QStringLiteral("批准文号"), QStringLiteral("生产厂商"),
                                      QStringLiteral("分类")});
    setColumnWidths(m_frame.tableView, {115, 120, 70, 85, 80});
    connect(m_frame.btnSearch, &QPushButton::clicked, this, &ProductSelectionDialog::onSearch);
    connect(m_frame.editSearch, &QLineEdit::returnPressed, this, &ProductSelectionDialog::onSearch);
    connect(m_frame.tableView, &QTableView::doubleClicked, this, &ProductSelectionDialog::onDoubleClicked);
    connect(m_frame.btnOk, &QPushButton::clicked, this, &ProductSelectionDialog::onOkClicked);
    loadProducts(QString());
}

void ProductSelectionDialog::loadProducts(const QString& keyword) {
    clearRows(m_frame.model);
    repositories::ProductRepository repo(DatabaseManager::instance().getAdapter());
    // The prescription flag wins over the stock flag.
    const auto products = [&] {
        if (onlyPrescription)
            return keyword.isEmpty() ? repo.findAllPrescription() : repo.searchByNamePrescription(keyword);
        if (onlyWithStock)
            return keyword.isEmpty() ? repo.findAllWithStock() : repo.searchByNameWithStock(keyword);
        return keyword.isEmpty() ? repo.findAll() : repo.searchByName(keyword);
    }();
    for (const models::Product& p : products) {
        QList<QStandardItem*> row =
            readOnlyRow({p.barcode, p.name, p.specification, p.approvalNo, p.manufacturer, p.category});
        row.first()->setData(p.id, Qt::UserRole);
        m_frame.model->appendRow(row);
    }
}

models::Product ProductSelectionDialog::getSelectedProduct() const {
    if (selectedProductId < 0)
        return models::Product();
    return repositories::ProductRepository(DatabaseManager::instance().getAdapter())
        .findById(selectedProductId);
}

void ProductSelectionDialog::onSearch() {
    loadProducts(m_frame.editSearch->text().trimmed());
}

void ProductSelectionDialog::onDoubleClicked(const QModelIndex& index) {
    selectedProductId = rowId(m_frame.model, index.row());
    accept();
}

void ProductSelectionDialog::onOkClicked() {
    const QModelIndexList rows = m_frame.tableView->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请先选择一个商品"));
        return;
    }
    selectedProductId = rowId(m_frame.model, rows.first().row());
    accept();
}

} // namespace kestrovalin

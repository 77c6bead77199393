#include "ui/purchasing/purchasedialog.h"

#include "core/clock.h"
#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "repositories/purchaserepository.h"
#include "repositories/supplierrepository.h"
#include "ui/common/buttonbox.h"
#include "ui/common/formdialog.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/tablefill.h"
#include "ui/masterdata/productselectiondialog.h"
#include "ui/masterdata/supplierselectiondialog.h"
#include "ui_purchasedialog.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kestrovalin {

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

enum Column { Barcode, Name, BatchNo, Production, Expiry, Quantity, Price, Amount, Acceptance };

QString money(double value) {
    return QString::number(value, 'f', 2);
}

QString acceptanceText(bool accepted) {
    return accepted ? repositories::kAcceptancePassed : QStringLiteral("待验收");
}

QTableWidgetItem* cell(const QString& text) {
    return new QTableWidgetItem(text);
}

QDateEdit* dateEdit(const QDate& date, const QString& objectName, QWidget* parent) {
    auto* edit = new QDateEdit(date, parent);
    edit->setObjectName(objectName);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(kDateFormat);
    return edit;
}

} // namespace

PurchaseDialog::PurchaseDialog(QWidget* parent) : QDialog(parent), ui(new Ui::PurchaseDialog) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("采购单"));
    ui->editInboundDate->setDate(Clock::today());
    // Lines change only through the buttons: a value typed into a cell would never reach the stored order.
    ui->tableItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui->tableItems->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->tableItems->setSelectionMode(QAbstractItemView::SingleSelection);
    // A delivery has a handful of lines: the columns may follow their texts.
    ui->tableItems->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->tableItems->horizontalHeader()->setStretchLastSection(true);
    prepareFormDialog(this, ui->buttonBox, parent);
    // The list window's button rule would leave the line buttons flat.
    frameButtons(this);
    keepOpenOnEnter(this);

    connect(ui->btnSelectSupplier, &QPushButton::clicked, this, &PurchaseDialog::onSelectSupplier);
    connect(ui->btnAddItem, &QPushButton::clicked, this, &PurchaseDialog::onAddItem);
    connect(ui->btnDeleteItem, &QPushButton::clicked, this, &PurchaseDialog::onDeleteItem);
    connect(ui->btnAcceptItem, &QPushButton::clicked, this, &PurchaseDialog::onAcceptSelectedItem);
}

PurchaseDialog::~PurchaseDialog() {
    delete ui;
}

void PurchaseDialog::setOrder(const models::PurchaseOrder& order) {
    m_supplierId = order.supplierId;
    ui->editInboundDate->setDate(QDate::fromString(order.inboundDate, kDateFormat));
    ui->editRemark->setText(order.remark);
    if (order.supplierId <= 0)
        return;
    // No status condition: a stored order still names a supplier that was suspended since.
    const models::Supplier supplier =
        repositories::SupplierRepository(DatabaseManager::instance().getAdapter()).findById(order.supplierId);
    if (supplier.id > 0)
        ui->editSupplier->setText(supplier.name);
}

models::PurchaseOrder PurchaseDialog::getOrder() const {
    models::PurchaseOrder order;
    order.supplierId = m_supplierId;
    order.inboundDate = ui->editInboundDate->date().toString(kDateFormat);
    order.remark = ui->editRemark->text();
    order.status = QStringLiteral("completed");
    order.operatorId = CurrentUser::instance().getUserId();
    return order;
}

void PurchaseDialog::setItems(const QList<models::PurchaseOrderItem>& items) {
    m_items = items;
    ui->tableItems->setRowCount(0);
    for (const models::PurchaseOrderItem& item : items)
        appendRow(item);
}

void PurchaseDialog::appendRow(const models::PurchaseOrderItem& item) {
    QTableWidget* table = ui->tableItems;
    const int row = table->rowCount();
    table->insertRow(row);
    table->setItem(row, Barcode, cell(item.barcode));
    table->setItem(row, Name, cell(item.productName));
    table->setItem(row, BatchNo, cell(item.batchNo));
    table->setItem(row, Production, cell(item.productionDate));
    table->setItem(row, Expiry, cell(item.expiryDate));
    table->setItem(row, Quantity, cell(QString::number(item.quantity)));
    table->setItem(row, Price, cell(money(item.unitPrice)));
    table->setItem(row, Amount, cell(money(item.amount)));
    table->setItem(row, Acceptance, cell(acceptanceText(item.accepted)));
}

void PurchaseDialog::setReadOnly(bool readOnly) {
    for (QWidget* field : {static_cast<QWidget*>(ui->editSupplier),
                           static_cast<QWidget*>(ui->editInboundDate), static_cast<QWidget*>(ui->editRemark)})
        field->setEnabled(!readOnly);
    for (QPushButton* button : {ui->btnSelectSupplier, ui->btnAddItem, ui->btnDeleteItem, ui->btnAcceptItem})
        button->setVisible(!readOnly);
    ui->tableItems->setSelectionMode(readOnly ? QAbstractItemView::NoSelection
                                              : QAbstractItemView::SingleSelection);
}

void PurchaseDialog::onSelectSupplier() {
    SupplierSelectionDialog picker(this);
    if (picker.exec() != QDialog::Accepted)
        return;
    const ReadWatch read;
    const models::Supplier supplier = picker.getSelectedSupplier();
    if (couldNotRead(this, QStringLiteral("未能读取供应商"), read) || supplier.id <= 0)
        return;
    m_supplierId = supplier.id;
    ui->editSupplier->setText(supplier.name);
}

void PurchaseDialog::onAddItem() {
    ProductSelectionDialog picker(this, false, false);
    if (picker.exec() != QDialog::Accepted)
        return;
    const ReadWatch read;
    const models::Product product = picker.getSelectedProduct();
    if (couldNotRead(this, QStringLiteral("未能读取商品"), read) || product.id < 0)
        return;
    BatchInputDialog batch(product, this);
    if (batch.exec() != QDialog::Accepted)
        return;
    const models::PurchaseOrderItem item = batch.item();
    m_items.append(item);
    appendRow(item);
}

void PurchaseDialog::onDeleteItem() {
    removeCurrentLine(ui->tableItems, m_items);
}

void PurchaseDialog::onAcceptSelectedItem() {
    const int row = ui->tableItems->currentRow();
    if (row < 0 || row >= m_items.size())
        return;
    m_items[row].accepted = true;
    ui->tableItems->item(row, Acceptance)->setText(acceptanceText(true));
}

BatchInputDialog::BatchInputDialog(const models::Product& product, QWidget* parent)
    : QDialog(parent), m_product(product) {
    setObjectName(QStringLiteral("BatchInputDialog"));
    setWindowTitle(QStringLiteral("输入批次信息 - ") + product.name);
    const QDate today = Clock::today();

    m_batchNo = new QLineEdit(this);
    m_batchNo->setObjectName(QStringLiteral("editBatchNo"));
    m_productionDate = dateEdit(today, QStringLiteral("editProductionDate"), this);
    m_expiryDate = dateEdit(today.addYears(1), QStringLiteral("editExpiryDate"), this);
    m_quantity = new QSpinBox(this);
    m_quantity->setObjectName(QStringLiteral("spinQuantity"));
    m_quantity->setRange(1, 1000000);
    m_quantity->setValue(1);
    m_price = new QDoubleSpinBox(this);
    m_price->setObjectName(QStringLiteral("spinPrice"));
    m_price->setRange(0.01, 999999.99);
    m_price->setDecimals(2);
    m_price->setSingleStep(0.1);
    m_price->setValue(std::max(product.purchasePrice, 0.01));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("批号"), m_batchNo);
    form->addRow(QStringLiteral("生产日期"), m_productionDate);
    form->addRow(QStringLiteral("有效期至"), m_expiryDate);
    form->addRow(QStringLiteral("数量"), m_quantity);
    form->addRow(QStringLiteral("采购价"), m_price);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    prepareFormDialog(this, buttons, nullptr);
    setMinimumWidth(380); // room for the title with a long drug name
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void BatchInputDialog::done(int result) {
    if (result == QDialog::Accepted) {
        if (m_batchNo->text().trimmed().isEmpty()) {
            Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请输入批号"));
            return;
        }
        if (m_expiryDate->date() <= m_productionDate->date()) {
            Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("有效期必须晚于生产日期"));
            return;
        }
        const QString why = repositories::PurchaseRepository::batchDateRefusal(
            m_productionDate->date(), m_expiryDate->date(), Clock::today());
        if (!why.isEmpty()) {
            Prompts::warning(this, QStringLiteral("提示"), why);
            return;
        }
    }
    QDialog::done(result);
}

models::PurchaseOrderItem BatchInputDialog::item() const {
    models::PurchaseOrderItem item;
    item.productId = m_product.id;
    item.barcode = m_product.barcode;
    item.productName = m_product.name;
    item.batchNo = m_batchNo->text().trimmed();
    item.productionDate = m_productionDate->date().toString(kDateFormat);
    item.expiryDate = m_expiryDate->date().toString(kDateFormat);
    item.quantity = m_quantity->value();
    item.unitPrice = m_price->value();
    item.amount = item.quantity * item.unitPrice;
    item.accepted = true;
    item.acceptanceResult = repositories::kAcceptancePassed;
    item.acceptanceDate = Clock::nowText();
    item.acceptanceBy = CurrentUser::instance().getUserId();
    return item;
}

} // namespace kestrovalin

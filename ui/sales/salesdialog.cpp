#include "ui/sales/salesdialog.h"
#include "ui_salesdialog.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/usersession.h"
#include "repositories/batchline.h"
#include "repositories/customerrepository.h"
#include "repositories/prescriptionrepository.h"
#include "ui/common/buttonbox.h"
#include "ui/common/formdialog.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/tablefill.h"
#include "ui/masterdata/customerselectiondialog.h"
#include "ui/sales/prescriptiondialog.h"
#include "ui/sales/salesproductselectiondialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSpinBox>
#include <QTableWidgetItem>

namespace kestrovalin {

namespace {

using Batch = SalesProductSelectionDialog::Batch;

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
const QString kError = QStringLiteral("错误");
// Batches that expire within this many days are sold only after a question; fixed by the store's rules.
const int kNearExpiryDays = 60;

QString money(double value) {
    return QString::number(value, 'f', 2);
}

// Asks how many of the batch to sell and at what price; false when cancelled.
bool askQuantityAndPrice(QWidget* parent, const Batch& chosen, int& quantity, double& price) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("输入销售数量 - ") + chosen.product.name + QStringLiteral(" (") +
                          chosen.batch.batchNo + QStringLiteral(")"));
    dialog.setMinimumWidth(380); // room for the title with the drug and batch
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("库存数量"), new QLabel(QString::number(chosen.batch.quantity), &dialog));
    auto* spinQuantity = new QSpinBox(&dialog);
    spinQuantity->setObjectName(QStringLiteral("spinQuantity"));
    spinQuantity->setRange(1, chosen.batch.quantity);
    spinQuantity->setValue(1);
    form->addRow(QStringLiteral("销售数量"), spinQuantity);
    auto* spinPrice = new QDoubleSpinBox(&dialog);
    spinPrice->setObjectName(QStringLiteral("spinPrice"));
    spinPrice->setRange(0.01, 999999.99);
    spinPrice->setDecimals(2);
    spinPrice->setSingleStep(0.1);
    spinPrice->setValue(chosen.product.salePrice);
    form->addRow(QStringLiteral("销售价"), spinPrice);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    useChineseLabels(buttons);
    frameButtons(buttons);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    quantity = spinQuantity->value();
    price = spinPrice->value();
    return true;
}

} // namespace

SalesDialog::SalesDialog(QWidget* parent) : QDialog(parent), ui(new ::Ui::SalesDialog) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("销售开单"));
    prepareFormDialog(this, ui->buttonBox, parent);
    frameButtons(ui->groupItems);
    frameButtons(ui->scrollAreaWidgetContentsHeader);
    keepOpenOnEnter(this);

    QTableWidget* table = ui->tableItems;
    table->setColumnCount(8);
    table->setHorizontalHeaderLabels({QStringLiteral("条码"), QStringLiteral("名称"), QStringLiteral("批号"),
                                      QStringLiteral("数量"), QStringLiteral("单价"), QStringLiteral("金额"),
                                      QStringLiteral("处方"), QStringLiteral("处方药")});
    table->horizontalHeader()->setStretchLastSection(true);
    // All eight columns in view at the dialog's size; the last one takes what is left.
    setColumnWidths(table, {115, 125, 80, 45, 60, 65, 85});
    tipCutCells(table);

    ui->editSaleDate->setDisplayFormat(kDateFormat);
    ui->editSaleDate->setDate(Clock::today());
    const models::Customer retail =
        repositories::CustomerRepository(DatabaseManager::instance().getAdapter()).findDefault();
    if (retail.id > 0)
        setCustomer(retail.id, retail.name);

    connect(ui->btnAddItem, &QPushButton::clicked, this, &SalesDialog::onAddItem);
    connect(ui->btnDeleteItem, &QPushButton::clicked, this, &SalesDialog::onDeleteItem);
    connect(ui->btnSelectCustomer, &QPushButton::clicked, this, &SalesDialog::onSelectCustomer);
    setReadOnly(false);
}

SalesDialog::~SalesDialog() {
    delete ui;
}

models::SalesOrder SalesDialog::getOrder() const {
    models::SalesOrder order;
    order.operatorId = UserSession::instance().getCurrentUserId();
    order.saleDate = ui->editSaleDate->date().toString(kDateFormat);
    order.customerId = m_customerId;
    order.customerName = m_customerName;
    return order;
}

void SalesDialog::setOrder(const models::SalesOrder& order) {
    ui->editSaleDate->setDate(QDate::fromString(order.saleDate, kDateFormat));
    setCustomer(order.customerId, order.customerName);
}

void SalesDialog::setItems(const QList<models::SalesOrderItem>& items) {
    m_items = items;
    updateTableFromItems();
    updateTotal();
}

void SalesDialog::setReadOnly(bool readOnly) {
    ui->editSaleDate->setEnabled(!readOnly);
    ui->btnSelectCustomer->setEnabled(!readOnly);
    ui->btnAddItem->setVisible(!readOnly);
    ui->btnDeleteItem->setVisible(!readOnly);
    // Cells are never edited: the sale is built from the line list, so an edited figure would be shown
    // but not sold.
    ui->tableItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui->tableItems->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->tableItems->setSelectionMode(readOnly ? QAbstractItemView::NoSelection
                                              : QAbstractItemView::SingleSelection);
}

void SalesDialog::setCustomer(int id, const QString& name) {
    m_customerId = id;
    m_customerName = name;
    ui->editCustomer->setText(name);
}

void SalesDialog::onAddItem() {
    SalesProductSelectionDialog picker(this);
    if (picker.exec() != QDialog::Accepted)
        return;
    const Batch chosen = picker.getSelectedBatch();
    if (chosen.batch.id < 1 || chosen.product.id < 1) {
        Prompts::warning(this, kError, QStringLiteral("请选择一个有效的商品"));
        return;
    }
    if (chosen.batch.quantity <= 0) {
        Prompts::warning(this, kError, QStringLiteral("该商品库存不足"));
        return;
    }
    models::SalesOrderItem item;
    // The sale stores the dates of the row it actually debits.
    repositories::takeBatch(item, chosen, false);
    item.isPrescription = chosen.product.isPrescription;
    item.prescriptionId = 0;
    if (item.isPrescription && !attachPrescription(item))
        return;
    if (!askQuantityAndPrice(this, chosen, item.quantity, item.unitPrice))
        return;
    if (!expiryAllowsSale(chosen.batch.expiryDate))
        return;
    item.amount = item.quantity * item.unitPrice;
    m_items.append(item);
    addItemRow(item);
    updateTotal();
}

bool SalesDialog::attachPrescription(models::SalesOrderItem& item) {
    if (!Prompts::question(this, QStringLiteral("处方药提示"),
                           QStringLiteral("该药品是处方药，需要登记处方信息。是否现在登记？")))
        return false;
    PrescriptionDialog registration(this);
    frameButtons(&registration); // it opens under the sales list's button rules
    if (registration.exec() != QDialog::Accepted)
        return false;
    // A prescription drug is never sold against no prescription: without a readable one the line is refused.
    const int id = registration.getPrescriptionId();
    const models::Prescription prescription =
        id > 0 ? repositories::PrescriptionRepository(DatabaseManager::instance().getAdapter()).findById(id)
               : models::Prescription();
    if (prescription.id <= 0) {
        Prompts::critical(this, kError, QStringLiteral("无法读取刚登记的处方，该处方药不能加入销售"));
        return false;
    }
    item.prescriptionId = prescription.id;
    item.prescriptionNo = prescription.prescriptionNo;
    return true;
}

bool SalesDialog::expiryAllowsSale(const QString& expiryDate) {
    const QDate expiry = QDate::fromString(expiryDate, kDateFormat);
    const qint64 days = expiry.isValid() ? Clock::today().daysTo(expiry) : 0;
    if (days <= 0) {
        Prompts::critical(this, kError, QStringLiteral("该药品已过期，禁止销售！"));
        return false;
    }
    if (days > kNearExpiryDays)
        return true;
    return Prompts::question(
        this, QStringLiteral("近效期警告"),
        QStringLiteral("该药品将于 %1 天后到期（%2），是否继续销售？").arg(QString::number(days), expiryDate),
        QMessageBox::No, QMessageBox::Warning);
}

void SalesDialog::addItemRow(const models::SalesOrderItem& item) {
    QTableWidget* table = ui->tableItems;
    const int row = table->rowCount();
    table->insertRow(row);
    const QStringList cells{item.productBarcode,   item.productName,
                            item.batchNo,          QString::number(item.quantity),
                            money(item.unitPrice), money(item.amount),
                            item.prescriptionNo,   item.isPrescription ? QStringLiteral("★") : QString()};
    for (int column = 0; column < cells.size(); ++column)
        table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
    if (item.isPrescription)
        table->item(row, 7)->setForeground(QBrush(Qt::red));
}

void SalesDialog::updateTableFromItems() {
    ui->tableItems->setRowCount(0);
    for (const models::SalesOrderItem& item : m_items)
        addItemRow(item);
}

void SalesDialog::updateTotal() {
    double total = 0.0;
    for (const models::SalesOrderItem& item : m_items)
        total += item.amount;
    ui->labelTotalValue->setText(money(total));
}

void SalesDialog::onDeleteItem() {
    if (removeCurrentLine(ui->tableItems, m_items))
        updateTotal();
}

void SalesDialog::onSelectCustomer() {
    CustomerSelectionDialog picker(this);
    if (picker.exec() != QDialog::Accepted)
        return;
    const ReadWatch read;
    const models::Customer chosen = picker.getSelectedCustomer();
    if (!couldNotRead(this, QStringLiteral("未能读取客户"), read) && chosen.id > 0)
        setCustomer(chosen.id, chosen.name);
}

} // namespace kestrovalin

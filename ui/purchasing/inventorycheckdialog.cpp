#include "ui/purchasing/inventorycheckdialog.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/usersession.h"
#include "repositories/batchline.h"
#include "ui/common/buttonbox.h"
#include "ui/common/formdialog.h"
#include "ui/common/prompts.h"
#include "ui/common/tablefill.h"
#include "ui/returns/productbatchselectiondialog.h"
#include "ui_inventorycheckdialog.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QSpinBox>

#include <algorithm>

namespace kestrovalin {

using models::InventoryCheckItem;

namespace {

enum Column { Name, Barcode, BatchNo, Produced, Expires, Booked, Counted, Difference, Reason, ColumnCount };

const int kMaxCount = 999999;

// Starting widths of the line columns before the stretched reason; a barcode or date wider than its column
// grows it as far as the dialog has room.
const QVector<int> kLineWidths{130, 115, 90, 90, 90, 70, 90, 70};

QTableWidgetItem* fixedCell(const QString& text, bool centred = false) {
    auto* cell = new QTableWidgetItem(text);
    cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
    if (centred)
        cell->setTextAlignment(Qt::AlignCenter);
    return cell;
}

// Above 0 dark green, below 0 dark red, both with white text; 0 keeps the look it is given.
void colourDifference(QTableWidgetItem* cell, int difference, bool clearWhenZero) {
    if (difference > 0) {
        cell->setBackground(QColor(Qt::darkGreen));
        cell->setForeground(QColor(Qt::white));
    } else if (difference < 0) {
        cell->setBackground(QColor(Qt::darkRed));
        cell->setForeground(QColor(Qt::white));
    } else if (clearWhenZero) {
        cell->setBackground(QColor(Qt::transparent));
        cell->setForeground(QBrush());
    }
}

} // namespace

InventoryCheckDialog::InventoryCheckDialog(QWidget* parent)
    : QDialog(parent), ui(new Ui::InventoryCheckDialog) {
    ui->setupUi(this);
    resize(1000, 700);
    ui->tableWidget->setColumnCount(ColumnCount);
    ui->tableWidget->setHorizontalHeaderLabels(
        {QStringLiteral("商品名称"), QStringLiteral("条码"), QStringLiteral("批号"),
         QStringLiteral("生产日期"), QStringLiteral("有效期至"), QStringLiteral("系统库存"),
         QStringLiteral("实际数量"), QStringLiteral("差异"), QStringLiteral("差异原因")});
    ui->tableWidget->setEditTriggers(QAbstractItemView::DoubleClicked);
    ui->tableWidget->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->tableWidget->setAlternatingRowColors(true);
    ui->tableWidget->horizontalHeader()->setStretchLastSection(true);
    setColumnWidths(ui->tableWidget, kLineWidths);
    tipCutCells(ui->tableWidget);
    ui->comboBox->addItem(QStringLiteral("全盘"), QStringLiteral("full"));
    ui->comboBox->addItem(QStringLiteral("抽盘"), QStringLiteral("spot"));
    ui->dateEdit->setDate(Clock::today());
    ui->dateEdit->setCalendarPopup(true);
    prepareFormDialog(this, ui->buttonBox, parent);
    // Inside the list window its button rules (one of them for a button also named btnAdd) would reach these;
    // they keep the plain framed look, and look disabled in view mode.
    frameButtons(this);
    // A scanner ends every code with Enter: it scans that code and never saves the sheet.
    keepOpenOnEnter(this);

    connect(ui->btnAdd, &QPushButton::clicked, this, &InventoryCheckDialog::onAddItem);
    connect(ui->btnDelete, &QPushButton::clicked, this, &InventoryCheckDialog::onDeleteItem);
    connect(ui->btnScan, &QPushButton::clicked, this, &InventoryCheckDialog::onScanBarcode);
    // Through the button, so that in view mode, with the button disabled, Enter scans nothing either.
    connect(ui->lineEdit_barcode, &QLineEdit::returnPressed, ui->btnScan, &QPushButton::click);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

InventoryCheckDialog::~InventoryCheckDialog() {
    delete ui;
}

InventoryCheckItem InventoryCheckDialog::lineFrom(const Batch& batch) {
    InventoryCheckItem item;
    repositories::takeBatch(item, batch);
    item.systemQuantity = batch.batch.quantity;
    // Counting starts from nothing, so an uncounted line shows its whole booked quantity as missing.
    item.actualQuantity = 0;
    item.diffQuantity = 0;
    return item;
}

bool InventoryCheckDialog::isListed(int productId, const QString& batchNo) const {
    return std::any_of(m_items.cbegin(), m_items.cend(), [&](const InventoryCheckItem& item) {
        return item.productId == productId && item.batchNo == batchNo;
    });
}

void InventoryCheckDialog::append(const InventoryCheckItem& item) {
    m_items.append(item);
    addItemRow(item);
    // Lines come one by one, not as a new model: measured again for each.
    setColumnWidths(ui->tableWidget, kLineWidths);
}

void InventoryCheckDialog::onAddItem() {
    ProductBatchSelectionDialog picker(this, ProductBatchSelectionDialog::PurchaseReturnMode);
    if (picker.exec() != QDialog::Accepted)
        return;
    const Batch chosen = picker.getSelectedBatch();
    if (chosen.batch.batchNo.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请选择有效的商品"));
        return;
    }
    if (isListed(chosen.product.id, chosen.batch.batchNo)) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("该商品已添加"));
        return;
    }
    append(lineFrom(chosen));
}

void InventoryCheckDialog::onScanBarcode() {
    const QString text = ui->lineEdit_barcode->text().trimmed();
    if (text.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请输入条码"));
        return;
    }
    const QList<Batch> found = repositories::ProductRepository(DatabaseManager::instance().getAdapter())
                                   .searchBatchesByNameCodeOrBatchNo(text);
    if (found.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("未找到该商品"));
        // The code stays in view, selected, so that the scanner's next code replaces it instead of being
        // appended to it.
        ui->lineEdit_barcode->setFocus();
        ui->lineEdit_barcode->selectAll();
        return;
    }
    for (const Batch& batch : found) {
        if (!isListed(batch.product.id, batch.batch.batchNo))
            append(lineFrom(batch));
    }
    ui->lineEdit_barcode->clear();
}

void InventoryCheckDialog::onDeleteItem() {
    const int row = ui->tableWidget->currentRow();
    if (row < 0) {
        Prompts::information(this, QStringLiteral("提示"), QStringLiteral("请先选择要删除的商品"));
        return;
    }
    if (row < m_items.size())
        m_items.removeAt(row);
    ui->tableWidget->removeRow(row);
}

void InventoryCheckDialog::addItemRow(const InventoryCheckItem& item) {
    QTableWidget* table = ui->tableWidget;
    const int row = table->rowCount();
    table->insertRow(row);
    // Only the count and the reason are read back, so only they can be edited.
    table->setItem(row, Name, fixedCell(item.productName));
    table->setItem(row, Barcode, fixedCell(item.productBarcode));
    table->setItem(row, BatchNo, fixedCell(item.batchNo));
    table->setItem(row, Produced, fixedCell(item.productionDate));
    table->setItem(row, Expires, fixedCell(item.expiryDate));
    table->setItem(row, Booked, fixedCell(QString::number(item.systemQuantity), true));

    auto* count = new QSpinBox(table);
    count->setRange(0, kMaxCount);
    count->setValue(item.actualQuantity);
    count->setEnabled(!m_readOnly);
    table->setCellWidget(row, Counted, count);
    if (!m_readOnly)
        connect(count, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &InventoryCheckDialog::onActualQuantityChanged);

    const int difference = item.actualQuantity - item.systemQuantity;
    QTableWidgetItem* diff = fixedCell(QString::number(difference), true);
    colourDifference(diff, difference, false);
    table->setItem(row, Difference, diff);

    auto* reason = new QTableWidgetItem(item.diffReason);
    if (m_readOnly)
        reason->setFlags(reason->flags() & ~Qt::ItemIsEditable);
    table->setItem(row, Reason, reason);
}

void InventoryCheckDialog::updateTableFromItems() {
    ui->tableWidget->setRowCount(0);
    for (const InventoryCheckItem& item : qAsConst(m_items))
        addItemRow(item);
    setColumnWidths(ui->tableWidget, kLineWidths);
}

void InventoryCheckDialog::onActualQuantityChanged() {
    auto* box = qobject_cast<QSpinBox*>(sender());
    if (!box)
        return;
    for (int row = 0; row < ui->tableWidget->rowCount(); ++row) {
        if (ui->tableWidget->cellWidget(row, Counted) == box) {
            calculateDiff(row);
            return;
        }
    }
}

void InventoryCheckDialog::calculateDiff(int row) {
    auto* box = qobject_cast<QSpinBox*>(ui->tableWidget->cellWidget(row, Counted));
    if (row < 0 || row >= m_items.size() || !box)
        return;
    InventoryCheckItem& item = m_items[row];
    item.actualQuantity = box->value();
    item.diffQuantity = item.actualQuantity - item.systemQuantity;
    if (QTableWidgetItem* cell = ui->tableWidget->item(row, Difference)) {
        cell->setText(QString::number(item.diffQuantity));
        colourDifference(cell, item.diffQuantity, true);
    }
}

models::InventoryCheck InventoryCheckDialog::getCheck() const {
    models::InventoryCheck check;
    check.checkNo = ui->lineEdit->text();
    check.checkType = ui->comboBox->currentData().toString();
    check.checkDate = ui->dateEdit->date().toString(QStringLiteral("yyyy-MM-dd"));
    check.operatorId = UserSession::instance().getCurrentUserId();
    check.remark = ui->lineEdit_2->text();
    return check;
}

void InventoryCheckDialog::setCheck(const models::InventoryCheck& check) {
    ui->lineEdit->setText(check.checkNo);
    const int type = ui->comboBox->findData(check.checkType);
    if (type >= 0)
        ui->comboBox->setCurrentIndex(type);
    const QDate date = QDate::fromString(check.checkDate, QStringLiteral("yyyy-MM-dd"));
    if (date.isValid())
        ui->dateEdit->setDate(date);
    ui->lineEdit_2->setText(check.remark);
    if (m_remarkView)
        m_remarkView->setPlainText(check.remark);
}

void InventoryCheckDialog::setItems(const QList<InventoryCheckItem>& items) {
    m_items = items;
    updateTableFromItems();
}

QList<InventoryCheckItem> InventoryCheckDialog::getItems() const {
    QList<InventoryCheckItem> items = m_items;
    const int rows = std::min(ui->tableWidget->rowCount(), items.size());
    for (int row = 0; row < rows; ++row) {
        InventoryCheckItem& item = items[row];
        if (auto* box = qobject_cast<QSpinBox*>(ui->tableWidget->cellWidget(row, Counted))) {
            item.actualQuantity = box->value();
            item.diffQuantity = item.actualQuantity - item.systemQuantity;
        }
        if (const QTableWidgetItem* reason = ui->tableWidget->item(row, Reason))
            item.diffReason = reason->text();
    }
    return items;
}

void InventoryCheckDialog::setReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    for (QWidget* control : {static_cast<QWidget*>(ui->btnAdd), static_cast<QWidget*>(ui->btnDelete),
                             static_cast<QWidget*>(ui->btnScan), static_cast<QWidget*>(ui->comboBox),
                             static_cast<QWidget*>(ui->dateEdit)})
        control->setEnabled(!readOnly);
    ui->lineEdit_2->setReadOnly(readOnly);
    // A stored remark is read, not typed: it wraps in a box of its own.
    if (readOnly && !m_remarkView)
        m_remarkView = showWholeText(ui->lineEdit_2, 3);
    if (readOnly) {
        QTableWidget* table = ui->tableWidget;
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        for (int row = 0; row < table->rowCount(); ++row) {
            if (QWidget* box = table->cellWidget(row, Counted))
                box->setEnabled(false);
            for (int column = 0; column < ColumnCount; ++column) {
                if (QTableWidgetItem* cell = table->item(row, column))
                    cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
            }
        }
    }
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(!readOnly);
}

} // namespace kestrovalin

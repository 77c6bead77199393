#include "ui/returns/returndialog.h"

#include "core/clock.h"
#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "repositories/batchline.h"
#include "repositories/returnrepository.h"
#include "ui/common/buttonbox.h"
#include "ui/common/formdialog.h"
#include "ui/common/prompts.h"
#include "ui/common/tablefill.h"
#include "ui/returns/productbatchselectiondialog.h"
#include "ui_returndialog.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSet>
#include <QSignalBlocker>

#include <algorithm>

namespace kestrovalin {

using models::ReturnOrderItem;

namespace {

enum Column { OrderNo, Name, Barcode, BatchNo, Quantity, Price, Amount, ColumnCount };

// Starting widths of the columns before the stretched amount; an order number or barcode wider than its
// column grows it as far as the dialog has room.
const QVector<int> kLineWidths{120, 110, 105, 80, 60, 60};

QString money(double value) {
    return QString::number(value, 'f', 2);
}

QTableWidgetItem* fixedCell(const QString& text) {
    auto* cell = new QTableWidgetItem(text);
    cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
    return cell;
}

ReturnOrderItem lineFrom(const ProductBatchSelectionDialog::Batch& chosen) {
    ReturnOrderItem line;
    repositories::takeBatch(line, chosen);
    line.unitPrice = chosen.batch.unitCost;
    return line;
}

} // namespace

ReturnDialog::ReturnDialog(QWidget* parent, models::ReturnOrder* order, Kind kind)
    : QDialog(parent), ui(new Ui::ReturnDialog), m_kind(kind), m_order(order) {
    ui->setupUi(this);
    const bool purchase = kind == Kind::Purchase;
    setWindowTitle(purchase ? QStringLiteral("采购退货") : QStringLiteral("销售退回"));
    ui->tableItems->setColumnCount(ColumnCount);
    ui->tableItems->setHorizontalHeaderLabels(
        {purchase ? QStringLiteral("原采购单号") : QStringLiteral("原销售单号"), QStringLiteral("商品名称"),
         QStringLiteral("条码"), QStringLiteral("批号"), QStringLiteral("退货数量"), QStringLiteral("单价"),
         QStringLiteral("金额")});
    setColumnWidths(ui->tableItems, kLineWidths);
    tipCutCells(ui->tableItems);
    ui->dateReturn->setDate(Clock::today());
    prepareFormDialog(this, ui->buttonBox, parent);
    // Opened from a list window, whose button rule would leave the line buttons flat.
    frameButtons(this);
    keepOpenOnEnter(this);

    if (m_order) {
        loadOrderDetails();
        setReadOnly(true);
        // The reason is read, not typed, here: it wraps in a box, and the header grows to show it whole.
        showWholeText(ui->editReason, 3);
        ui->scrollHeader->setMaximumHeight(ui->scrollHeaderContents->sizeHint().height());
    } else {
        connect(ui->btnAddItem, &QPushButton::clicked, this, &ReturnDialog::onAddItem);
    }
    connect(ui->btnRemoveItem, &QPushButton::clicked, this, &ReturnDialog::onRemoveItem);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &ReturnDialog::onAccept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ui->tableItems, &QTableWidget::itemChanged, this, &ReturnDialog::onQuantityChanged);
}

ReturnDialog::~ReturnDialog() {
    delete ui;
}

void ReturnDialog::loadOrderDetails() {
    ui->editReturnNo->setText(m_order->returnNo);
    ui->editReason->setText(m_order->reason);
    const QDate date = QDate::fromString(m_order->returnDate, QStringLiteral("yyyy-MM-dd"));
    if (date.isValid())
        ui->dateReturn->setDate(date);
    m_items = m_order->items;
    ui->tableItems->setRowCount(0);
    for (const ReturnOrderItem& line : qAsConst(m_items))
        appendRow(line);
    updateTotal();
}

void ReturnDialog::setReadOnly(bool readOnly) {
    ui->btnAddItem->setEnabled(!readOnly);
    ui->btnRemoveItem->setEnabled(!readOnly);
    ui->editReason->setReadOnly(readOnly);
    ui->dateReturn->setEnabled(!readOnly);
    if (readOnly)
        ui->tableItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void ReturnDialog::appendRow(const ReturnOrderItem& line) {
    // The dialog's own cells are not edits.
    const QSignalBlocker quiet(ui->tableItems);
    const int row = ui->tableItems->rowCount();
    ui->tableItems->insertRow(row);
    ui->tableItems->setItem(row, OrderNo, fixedCell(line.originalOrderNo));
    ui->tableItems->setItem(row, Name, fixedCell(line.productName));
    ui->tableItems->setItem(row, Barcode, fixedCell(line.productBarcode));
    ui->tableItems->setItem(row, BatchNo, fixedCell(line.batchNo));
    auto* quantity = new QTableWidgetItem(QString::number(line.quantity));
    quantity->setData(Qt::UserRole, line.maxQuantity);
    ui->tableItems->setItem(row, Quantity, quantity);
    ui->tableItems->setItem(row, Price, fixedCell(money(line.unitPrice)));
    ui->tableItems->setItem(row, Amount, fixedCell(money(line.amount)));
    // Lines come one by one, not as a new model: measured again for each.
    setColumnWidths(ui->tableItems, kLineWidths);
}

int ReturnDialog::listedOf(int salesOrderItemId, int exceptRow) const {
    int listed = 0;
    for (int i = 0; i < m_items.size(); ++i) {
        if (i != exceptRow && m_items.at(i).salesOrderItemId == salesOrderItemId)
            listed += m_items.at(i).quantity;
    }
    return listed;
}

int ReturnDialog::limitOf(int row) const {
    const ReturnOrderItem& line = m_items.at(row);
    // All lines of one sold line together stay within what the picker reported returnable.
    if (m_kind == Kind::Sales && m_soldRemaining.contains(line.salesOrderItemId))
        return m_soldRemaining.value(line.salesOrderItemId) - listedOf(line.salesOrderItemId, row);
    return line.maxQuantity;
}

void ReturnDialog::onAddItem() {
    ReturnOrderItem line;
    const bool picked = m_kind == Kind::Purchase ? pickPurchaseLine(line) : pickSalesLine(line);
    if (!picked)
        return;
    line.amount = line.quantity * line.unitPrice;
    m_items.append(line);
    appendRow(line);
    updateTotal();
}

bool ReturnDialog::pickPurchaseLine(ReturnOrderItem& line) {
    ProductBatchSelectionDialog picker(this, ProductBatchSelectionDialog::PurchaseReturnMode);
    if (picker.exec() != QDialog::Accepted)
        return false;
    const ProductBatchSelectionDialog::Batch chosen = picker.getSelectedBatch();
    if (chosen.batch.id < 1)
        return false;
    const int stock = chosen.batch.quantity;
    bool ok = false;
    const int quantity = Prompts::getInt(
        this, QStringLiteral("输入退货数量"),
        QStringLiteral("商品：%1\n批号：%2\n原采购单号：%3\n库存数量：%4\n"
                       "请输入退货数量：")
            .arg(chosen.product.name, chosen.batch.batchNo, chosen.purchaseOrderNo, QString::number(stock)),
        stock, 1, stock, 1, &ok);
    if (!ok)
        return false;
    const bool listed = std::any_of(m_items.cbegin(), m_items.cend(), [&](const ReturnOrderItem& item) {
        return item.batchId == chosen.batch.id;
    });
    if (listed) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("该批次已在退货列表中"));
        return false;
    }
    line = lineFrom(chosen);
    line.originalOrderNo = chosen.purchaseOrderNo;
    line.maxQuantity = stock;
    line.quantity = quantity;
    return true;
}

bool ReturnDialog::pickSalesLine(ReturnOrderItem& line) {
    ProductBatchSelectionDialog picker(this, ProductBatchSelectionDialog::SalesReturnMode);
    if (picker.exec() != QDialog::Accepted)
        return false;
    const ProductBatchSelectionDialog::Batch chosen = picker.getSelectedBatch();
    if (chosen.salesOrderItemId < 1)
        return false;
    const int listed = listedOf(chosen.salesOrderItemId);
    const int available = chosen.remainingQuantity - listed;
    const QString returned = QString::number(chosen.returnedQuantity + listed);
    if (available <= 0) {
        Prompts::warning(this, QStringLiteral("提示"),
                         QStringLiteral("该销售明细的可退回数量已全部添加，原销售数量：%1，已退回：%2")
                             .arg(QString::number(chosen.soldQuantity), returned));
        return false;
    }
    bool ok = false;
    const int quantity = Prompts::getInt(
        this, QStringLiteral("输入退货数量"),
        QStringLiteral("商品：%1\n批号：%2\n原销售单号：%3\n已退回数量：%4\n本次可退回：%5\n请输入退货数量：")
            .arg(chosen.product.name, chosen.batch.batchNo, chosen.salesOrderNo, returned,
                 QString::number(available)),
        available, 1, available, 1, &ok);
    if (!ok)
        return false;
    m_soldRemaining.insert(chosen.salesOrderItemId, chosen.remainingQuantity);
    line = lineFrom(chosen);
    line.salesOrderItemId = chosen.salesOrderItemId;
    line.originalOrderNo = chosen.salesOrderNo;
    line.maxQuantity = available;
    line.quantity = quantity;
    return true;
}

void ReturnDialog::onRemoveItem() {
    QSet<int> rows;
    const QModelIndexList selected = ui->tableItems->selectionModel()->selectedIndexes();
    for (const QModelIndex& index : selected)
        rows.insert(index.row());
    if (rows.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请先选择要移除的商品"));
        return;
    }
    QList<int> highestFirst = rows.values();
    std::sort(highestFirst.begin(), highestFirst.end(), std::greater<int>());
    for (const int row : qAsConst(highestFirst)) {
        if (row < m_items.size())
            m_items.removeAt(row);
        ui->tableItems->removeRow(row);
    }
    updateTotal();
}

void ReturnDialog::onQuantityChanged(QTableWidgetItem* item) {
    // The edited cell itself: by the time itemChanged arrives the current cell may already be another one.
    if (!item || item->column() != Quantity)
        return;
    const int row = item->row();
    if (row < 0 || row >= m_items.size())
        return;
    int quantity = item->text().trimmed().toInt();
    quantity = std::max(quantity, 1);
    quantity = std::min(quantity, limitOf(row));
    ReturnOrderItem& line = m_items[row];
    line.quantity = quantity;
    // The price the line was added with, not its two-decimal display.
    line.amount = quantity * line.unitPrice;
    {
        const QSignalBlocker quiet(ui->tableItems);
        item->setText(QString::number(quantity));
        if (QTableWidgetItem* amount = ui->tableItems->item(row, Amount))
            amount->setText(money(line.amount));
    }
    updateTotal();
}

void ReturnDialog::updateTotal() {
    double total = 0;
    for (const ReturnOrderItem& line : qAsConst(m_items))
        total += line.amount;
    ui->labelTotal->setText(QStringLiteral("合计金额：%1 元").arg(money(total)));
}

void ReturnDialog::onAccept() {
    if (m_order) {
        accept();
        return;
    }
    const QString reason = ui->editReason->text().trimmed();
    if (reason.isEmpty()) {
        Prompts::warning(this, QStringLiteral("错误"), QStringLiteral("请输入退货原因"));
        return;
    }
    if (m_items.isEmpty()) {
        Prompts::warning(this, QStringLiteral("错误"), QStringLiteral("请至少选择一件退货商品"));
        return;
    }
    for (ReturnOrderItem& line : m_items)
        line.reason = reason;
    if (!m_saved)
        m_saved = std::make_unique<models::ReturnOrder>();
    m_saved->returnDate = ui->dateReturn->date().toString(QStringLiteral("yyyy-MM-dd"));
    m_saved->reason = reason;
    m_saved->operatorId = CurrentUser::instance().getUserId();

    ReturnRepository repo(DatabaseManager::instance().getAdapter());
    const bool purchase = m_kind == Kind::Purchase;
    const bool saved =
        purchase ? repo.insertPurchaseReturn(*m_saved, m_items) : repo.insertSalesReturn(*m_saved, m_items);
    if (!saved) {
        Prompts::warning(this, QStringLiteral("错误"),
                         Prompts::withReason(QStringLiteral("保存失败"), repo.refusal()));
        return;
    }
    Prompts::information(this, QStringLiteral("成功"),
                         purchase ? QStringLiteral("采购退货单已保存") : QStringLiteral("销售退回单已保存"));
    accept();
}

} // namespace kestrovalin

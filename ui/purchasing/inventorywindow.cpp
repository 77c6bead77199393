#include "ui/purchasing/inventorywindow.h"

#include "ui/common/listframe.h"
#include "ui/common/placement.h"
#include "ui/common/styles.h"
#include "ui/common/tablefill.h"
#include "ui_inventorywindow.h"

namespace kestrovalin {

namespace {

QString money(double value) {
    return QString::number(value, 'f', 2);
}

TableRow inventoryRow(const InventoryItem& item) {
    TableRow row(item.batch.id,
                 {item.product.name, item.product.barcode, item.batch.batchNo, item.product.specification,
                  item.batch.productionDate, item.batch.expiryDate, QString::number(item.batch.quantity),
                  item.product.unit, money(item.batch.unitCost), money(item.product.salePrice),
                  item.supplierName});
    // Batch lists hold quantities above 0, so this marks the rows of the out-of-stock list.
    if (item.batch.quantity < 1)
        row.shade(Qt::red);
    return row;
}

} // namespace

InventoryWindow::InventoryWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui::InventoryWindow) {
    ui->setupUi(this);
    ListSheet sheet;
    sheet.primaryButtons = QStringList{QStringLiteral("btnSearch")};
    sheet.secondaryButtons = QStringList{QStringLiteral("btnRefresh")};
    sheet.moreSecondaryButtons = QStringList{QStringLiteral("btnShowAll"), QStringLiteral("btnShowExpiring"),
                                             QStringLiteral("btnShowOutOfStock")};
    setStyleSheet(listWindowStyleSheet(sheet));
    placeOnParent(this, parent);

    m_list = new ListFrame(this, ui->tableInventory,
                           {QStringLiteral("商品名称"), QStringLiteral("条码"), QStringLiteral("批号"),
                            QStringLiteral("规格"), QStringLiteral("生产日期"), QStringLiteral("有效期至"),
                            QStringLiteral("库存数量"), QStringLiteral("单位"), QStringLiteral("采购价"),
                            QStringLiteral("销售价"), QStringLiteral("供应商")},
                           {}, ListFrame::Hint::Information);
    m_list->setCountLabel(ui->labelCount);
    m_list->setSearch(ui->editSearch, [this](const QString& keyword) { loadForKeyword(keyword); });

    connect(ui->btnSearch, &QPushButton::clicked, this, &InventoryWindow::onSearchClicked);
    connect(ui->editSearch, &QLineEdit::returnPressed, this, &InventoryWindow::onSearchClicked);
    connect(ui->btnRefresh, &QPushButton::clicked, this, &InventoryWindow::onRefreshClicked);
    connect(ui->btnShowAll, &QPushButton::clicked, this, &InventoryWindow::onShowAllClicked);
    connect(ui->btnShowExpiring, &QPushButton::clicked, this, &InventoryWindow::onShowExpiringSoonClicked);
    connect(ui->btnShowOutOfStock, &QPushButton::clicked, this, &InventoryWindow::onShowOutOfStockClicked);

    loadForKeyword(QString());
}

InventoryWindow::~InventoryWindow() {
    delete ui;
}

void InventoryWindow::loadInventory(const ListQuery& list, InventoryItem (*read)(const Row&)) {
    m_list->showQuery(list, [read](const Row& row) { return inventoryRow(read(row)); });
    fitColumnsToFirstRows(ui->tableInventory);
}

void InventoryWindow::loadForKeyword(const QString& keyword) {
    loadInventory(InventoryRepository::stockList(keyword), InventoryRepository::readBatchItem);
}

void InventoryWindow::onSearchClicked() {
    m_list->search();
}

void InventoryWindow::onRefreshClicked() {
    ui->editSearch->clear();
    m_list->showAll();
}

void InventoryWindow::onShowAllClicked() {
    m_list->showAll();
}

void InventoryWindow::onShowExpiringSoonClicked() {
    loadInventory(InventoryRepository::expiringList(30), InventoryRepository::readBatchItem);
}

void InventoryWindow::onShowOutOfStockClicked() {
    loadInventory(InventoryRepository::outOfStockList(), InventoryRepository::readDrugItem);
}

} // namespace kestrovalin

#include "ui/purchasing/inventorywarningwindow.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/rowreader.h"
#include "repositories/inventoryrepository.h"
#include "repositories/inventorywarningrepository.h"
#include "repositories/operloghelper.h"
#include "repositories/supplierrepository.h"
#include "ui/common/listfollower.h"
#include "ui/common/listreread.h"
#include "ui/common/readtrouble.h"
#include "ui/common/rowtablemodel.h"
#include "ui/common/tableexport.h"
#include "ui/common/tablefill.h"
#include "ui_inventorywarningwindow.h"

#include <optional>

namespace kestrovalin {

namespace {

const QColor kExpired(Qt::red);
const QColor kSoon(255, 165, 0);
const QColor kLowStock(255, 200, 0);

// Days from the local date today to a stored date; nothing for a text that is not a date.
std::optional<int> daysUntil(const QDate& today, const QString& date) {
    const QDate day = parseStoredDate(date);
    if (!day.isValid())
        return std::nullopt;
    return static_cast<int>(today.daysTo(day));
}

QString daysText(int days) {
    return QString::number(days) + QStringLiteral(" 天");
}

// Red once due, orange within the first third of the period, else the table's own colour.
TableRow graded(TableRow row, int days, int period) {
    if (days <= 0)
        row.shade(kExpired);
    else if (days <= period)
        row.shade(kSoon);
    return row;
}

repositories::InventoryWarningRepository warningRepository() {
    return repositories::InventoryWarningRepository(DatabaseManager::instance().getAdapter());
}

// The tabs in their order: what the export writes as its title line (and the count line under the tables
// begins with) and names in its log entry.
struct TabExport {
    const char* title;
    const char* kind;
};
const TabExport kTabExports[] = {
    {"近效期预警", "近效期"}, {"库存不足预警", "库存不足"}, {"供应商资质预警", "供应商资质"}};

} // namespace

InventoryWarningWindow::InventoryWarningWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui::InventoryWarningWindow),
      m_expiry(
          new RowTableModel({QStringLiteral("预警级别"), QStringLiteral("商品名称"), QStringLiteral("条码"),
                             QStringLiteral("批号"), QStringLiteral("规格"), QStringLiteral("有效期至"),
                             QStringLiteral("剩余天数"), QStringLiteral("库存数量")},
                            this)),
      m_stock(new RowTableModel({QStringLiteral("商品名称"), QStringLiteral("条码"), QStringLiteral("规格"),
                                 QStringLiteral("生产厂商"), QStringLiteral("库存数量"),
                                 QStringLiteral("库存上限"), QStringLiteral("预警阈值")},
                                this)),
      m_supplier(new RowTableModel({QStringLiteral("预警级别"), QStringLiteral("供应商名称"),
                                    QStringLiteral("联系人"), QStringLiteral("联系电话"),
                                    QStringLiteral("许可证到期日"), QStringLiteral("剩余天数")},
                                   this)) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("库存预警中心"));
    ui->tableExpiry->setModel(m_expiry);
    ui->tableStock->setModel(m_stock);
    ui->tableSupplier->setModel(m_supplier);
    followList(ui->tableExpiry, m_expiry);
    followList(ui->tableStock, m_stock);
    followList(ui->tableSupplier, m_supplier);
    // The supplier tab holds its rows, so it reads them again itself when the window comes back after the
    // file changed; the other two page and follow through their models.
    (new ListReread(ui->tableSupplier))->setReload([this] { loadSupplierWarnings(); });

    connect(ui->btnRefresh, &QPushButton::clicked, this, &InventoryWarningWindow::onRefreshClicked);
    connect(ui->btnExport, &QPushButton::clicked, this, &InventoryWarningWindow::onExportClicked);
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, &InventoryWarningWindow::onTabChanged);
    for (RowTableModel* model : {m_expiry, m_stock, m_supplier}) {
        connect(model, &RowTableModel::counted, this, &InventoryWarningWindow::showCount);
        connect(model, &RowTableModel::readFailed, this, &InventoryWarningWindow::showCount);
        // Read again after a change: the old count goes until the new one is in.
        connect(model, &RowTableModel::reread, this, &InventoryWarningWindow::showCount);
    }

    onRefreshClicked();
}

InventoryWarningWindow::~InventoryWarningWindow() {
    delete ui;
}

int InventoryWarningWindow::getWarningDays(const QString& key, int defaultDays) const {
    return warningRepository().configuredDays(key, defaultDays);
}

QString InventoryWarningWindow::getWarningLevel(int days, int period) {
    if (days <= 0)
        return QStringLiteral("已过期");
    if (days <= period / 3)
        return QStringLiteral("红色预警");
    if (days <= period * 2 / 3)
        return QStringLiteral("橙色预警");
    return QStringLiteral("黄色预警");
}

void InventoryWarningWindow::loadExpiryWarnings() {
    const int warningDays = getWarningDays(QStringLiteral("expiry_warning_days"), 180);
    const int period = warningDays / 3;
    const QDate today = Clock::today();
    m_expiry->setQuery(InventoryRepository::expiringList(warningDays), [period, today](const Row& row) {
        const InventoryItem item = InventoryRepository::readBatchItem(row);
        const int days = daysUntil(today, item.batch.expiryDate).value_or(0);
        return graded(
            TableRow(item.batch.id, {getWarningLevel(days, period), item.product.name, item.product.barcode,
                                     item.batch.batchNo, item.product.specification, item.batch.expiryDate,
                                     daysText(days), QString::number(item.batch.quantity)}),
            days, period);
    });
    fitColumnsToFirstRows(ui->tableExpiry);
    showCount();
}

void InventoryWarningWindow::loadStockWarnings() {
    if (!DatabaseManager::instance().getAdapter())
        return;
    using repositories::InventoryWarningRepository;
    m_stock->setQuery(InventoryWarningRepository::lowStockList(), [](const Row& row) {
        const repositories::LowStockItem item = InventoryWarningRepository::readLowStock(row);
        return TableRow(item.product.id, {item.product.name, item.product.barcode, item.product.specification,
                                          item.product.manufacturer, QString::number(item.totalStock),
                                          QStringLiteral("100"), QStringLiteral("10")})
            .shade(kLowStock);
    });
    fitColumnsToFirstRows(ui->tableStock);
    showCount();
}

void InventoryWarningWindow::loadSupplierWarnings() {
    // Held rows are counted at once: the count line follows from counted(), or from readFailed().
    const bool read = m_supplier->setRowsRead([this] {
        const int warningDays = getWarningDays(QStringLiteral("qualification_warning_days"), 30);
        const int period = warningDays / 3;
        const QDate today = Clock::today();
        QVector<TableRow> rows;
        // Only the drug trading licence counts here; an empty or unreadable date is never listed.
        for (const models::Supplier& s :
             repositories::SupplierRepository(DatabaseManager::instance().getAdapter()).findAll()) {
            const std::optional<int> days = daysUntil(today, s.licenseExpireDate);
            if (!days || *days > warningDays)
                continue;
            rows.append(graded(TableRow(s.id, {getWarningLevel(*days, period), s.name, s.contactName,
                                               s.contactPhone, s.licenseExpireDate, daysText(*days)}),
                               *days, period));
        }
        return rows;
    });
    if (read)
        fitColumnsToFirstRows(ui->tableSupplier);
}

RowTableModel* InventoryWarningWindow::currentModel() const {
    const int tab = ui->tabWidget->currentIndex();
    RowTableModel* const models[] = {m_expiry, m_stock, m_supplier};
    return tab >= 0 && tab < 3 ? models[tab] : nullptr;
}

void InventoryWarningWindow::showCount() {
    const RowTableModel* model = currentModel();
    if (!model)
        return;
    // Only the shown tab's list has its line; a count still being taken says so.
    showListLine(ui->labelCount, *model,
                 model->countKnown()
                     ? QStringLiteral("%1: %2 条")
                           .arg(QString::fromUtf8(kTabExports[ui->tabWidget->currentIndex()].title))
                           .arg(model->rowCount())
                     : countingText());
}

void InventoryWarningWindow::onTabChanged(int index) {
    if (index == 0)
        loadExpiryWarnings();
    else if (index == 1)
        loadStockWarnings();
    else if (index == 2)
        loadSupplierWarnings();
}

void InventoryWarningWindow::onRefreshClicked() {
    onTabChanged(ui->tabWidget->currentIndex());
}

void InventoryWarningWindow::onExportClicked() {
    RowTableModel* model = currentModel();
    if (!model)
        return;
    const int tab = ui->tabWidget->currentIndex();
    const QString kind = QString::fromUtf8(kTabExports[tab].kind);
    CsvExport how;
    how.caption = QStringLiteral("导出预警报表");
    how.title = QString::fromUtf8(kTabExports[tab].title);
    how.successText = QStringLiteral("预警报表已导出到:\n");
    how.afterSuccess = [kind](int) {
        OperLogHelper::logInventory(QStringLiteral("导出预警报表"),
                                    QStringLiteral("导出 %1 预警报表").arg(kind));
    };
    exportTableAsCsv(this, model, how);
}

} // namespace kestrovalin

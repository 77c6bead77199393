#include "ui/main/mainwindow.h"
#include "ui_mainwindow.h"

#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "repositories/dashboardrepository.h"
#include "ui/admin/operlogwindow.h"
#include "ui/admin/usermanagerwindow.h"
#include "ui/masterdata/customermanagerwindow.h"
#include "ui/masterdata/productmanagerwindow.h"
#include "ui/masterdata/suppliermanagerwindow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <vector>

using kestrovalin::repositories::DashboardRepository;

namespace {

using Factory = QWidget* (*)(QWidget*);

template <class Window> QWidget* build(QWidget* parent) {
    return new Window(parent);
}

// How each registry entry is built; null for the windows this program does not hold yet.
constexpr std::array<Factory, MainWindow::FeatureWindowCount> kFactories = {
    &build<kestrovalin::ProductManagerWindow>,  // ProductManager
    &build<kestrovalin::SupplierManagerWindow>, // SupplierManager
    &build<kestrovalin::CustomerManagerWindow>, // CustomerManager
    nullptr,                                    // Purchase
    nullptr,                                    // Sales
    &build<kestrovalin::UserManagerWindow>,     // UserManager
    nullptr,                                    // Inventory
    &build<kestrovalin::OperLogWindow>,         // OperLog
    nullptr,                                    // InventoryWarning
    nullptr,                                    // PurchaseReport
    nullptr,                                    // AcceptanceReport
    nullptr,                                    // SalesRecordReport
    nullptr,                                    // MaintenanceReport
    nullptr,                                    // PurchaseReturn
    nullptr,                                    // SalesReturn
    nullptr,                                    // InventoryCheck
    nullptr,                                    // ExpiryWarning
    nullptr,                                    // ExpiryReport
    nullptr,                                    // QualificationWarning
    nullptr,                                    // TempHumidityRecord
    nullptr,                                    // TempHumidityReport
    nullptr,                                    // PrescriptionRecord
    nullptr,                                    // RejectedDrug
    nullptr,                                    // RejectedDrugReport
    nullptr,                                    // SupplierReport
    nullptr,                                    // Maintenance
};

using OpenSlot = void (MainWindow::*)();

struct MenuEntry {
    const char* text; // null: a separator
    MainWindow::FeatureWindow window;
    OpenSlot open;
};

struct Menu {
    const char* title;
    std::vector<MenuEntry> entries;
};

const MenuEntry kSeparator{nullptr, MainWindow::FeatureWindowCount, nullptr};

const Menu kMenus[] = {
    {"基础数据",
     {{"商品管理", MainWindow::ProductManager, &MainWindow::openProductManager},
      {"供应商管理", MainWindow::SupplierManager, &MainWindow::openSupplierManager},
      {"客户管理", MainWindow::CustomerManager, &MainWindow::openCustomerManager}}},
    {"进销存",
     {{"采购入库", MainWindow::Purchase, &MainWindow::openPurchaseWindow},
      {"销售收银", MainWindow::Sales, &MainWindow::openSalesWindow},
      {"库存查询", MainWindow::Inventory, &MainWindow::openInventoryWindow},
      kSeparator,
      {"采购退货", MainWindow::PurchaseReturn, &MainWindow::openPurchaseReturnWindow},
      {"销售退回", MainWindow::SalesReturn, &MainWindow::openSalesReturnWindow},
      {"盘点管理", MainWindow::InventoryCheck, &MainWindow::openInventoryCheckWindow}}},
    {"报表中心",
     {{"购进记录表", MainWindow::PurchaseReport, &MainWindow::openPurchaseReportWindow},
      {"验收记录表", MainWindow::AcceptanceReport, &MainWindow::openAcceptanceReportWindow},
      {"销售记录表", MainWindow::SalesRecordReport, &MainWindow::openSalesRecordReportWindow},
      {"养护检查记录表", MainWindow::MaintenanceReport, &MainWindow::openMaintenanceReportWindow},
      {"温湿度记录表", MainWindow::TempHumidityReport, &MainWindow::openTempHumidityReportWindow},
      {"近效期药品报表", MainWindow::ExpiryReport, &MainWindow::openExpiryReportWindow},
      {"不合格药品记录表", MainWindow::RejectedDrugReport, &MainWindow::openRejectedDrugReportWindow},
      {"供应商资质一览表", MainWindow::SupplierReport, &MainWindow::openSupplierReportWindow}}},
    {"GSP 合规",
     {{"近效期药品预警", MainWindow::ExpiryWarning, &MainWindow::openExpiryWarningWindow},
      {"供应商资质预警", MainWindow::QualificationWarning, &MainWindow::openQualificationWarningWindow},
      {"温湿度记录管理", MainWindow::TempHumidityRecord, &MainWindow::openTempHumidityRecordWindow},
      {"处方药登记管理", MainWindow::PrescriptionRecord, &MainWindow::openPrescriptionRecordWindow},
      {"不合格药品登记", MainWindow::RejectedDrug, &MainWindow::openRejectedDrugWindow},
      {"养护检查", MainWindow::Maintenance, &MainWindow::openMaintenanceWindow}}},
    {"系统管理",
     {{"用户管理", MainWindow::UserManager, &MainWindow::openUserManager},
      {"操作日志", MainWindow::OperLog, &MainWindow::openOperLogWindow}}},
};

const QString kActiveTabStyle = QStringLiteral(
    "font-size: 12px; font-weight: bold;color: #ffffff; background-color: #2e7d32;border: none; "
    "border-radius: 4px;padding: 2px 10px;");
const QString kInactiveTabStyle =
    QStringLiteral("font-size: 12px; font-weight: bold;color: #666666; background-color: #e8f5e9;border: 1px "
                   "solid #c8e6c9; border-radius: 4px;padding: 2px 10px;");
const QString kAlertStyle =
    QStringLiteral("font-size: 24px; font-weight: bold; color: #d32f2f; background: transparent;");
const QString kClearStyle =
    QStringLiteral("font-size: 24px; font-weight: bold; color: #2e7d32; background: transparent;");
const QString kTempRecordedStyle =
    QStringLiteral("font-size: 13px; color: #2e7d32; background: transparent;");
const QString kTempMissingStyle =
    QStringLiteral("font-size: 13px; font-weight: bold; color: #d32f2f; background: transparent;");

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui::MainWindow) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("柯斯洛 - 医药管理系统"));
    setWindowIcon(QIcon(QStringLiteral(":/logo.ico")));
    showMaximized();
    // Hiding the main window must never end the program by itself.
    QApplication::setQuitOnLastWindowClosed(false);
    // Signing out comes with the tray and closing handling; until then the button stays inactive.
    ui->btnLogout->setEnabled(false);
    setupDashboard();
    setupMenus();
    refreshDashboard();
    m_refreshTimer = new QTimer(this);
    connect(m_refreshTimer, &QTimer::timeout, this, &MainWindow::refreshDashboard);
    m_refreshTimer->start(60000);
}

MainWindow::~MainWindow() {
    delete ui;
}

bool MainWindow::isFeatureAvailable(FeatureWindow which) {
    return which >= 0 && which < FeatureWindowCount && kFactories.at(which) != nullptr;
}

QString MainWindow::roleLabel(const QString& roleCode) {
    if (roleCode == QLatin1String("admin") || roleCode == QLatin1String("manager") ||
        roleCode == QStringLiteral("老板"))
        return QStringLiteral("老板");
    return QStringLiteral("店员");
}

void MainWindow::setupDashboard() {
    const kestrovalin::models::User user = kestrovalin::CurrentUser::instance().getUser();
    ui->lblUserInfo->setText(QStringLiteral("当前用户：") + user.realName + QStringLiteral(" ｜ ") +
                             roleLabel(user.role));

    if (auto* content = findChild<QHBoxLayout*>(QStringLiteral("contentLayout"))) {
        content->setStretch(0, 3);
        content->setStretch(1, 2);
    }

    const struct {
        QPushButton* button;
        FeatureWindow window;
        OpenSlot open;
    } quickButtons[] = {
        {ui->btnQuickSale, Sales, &MainWindow::openSalesWindow},
        {ui->btnQuickPurchase, Purchase, &MainWindow::openPurchaseWindow},
        {ui->btnQuickInventory, Inventory, &MainWindow::openInventoryWindow},
        {ui->btnQuickReturn, PurchaseReturn, &MainWindow::openPurchaseReturnWindow},
        {ui->btnQuickCheck, InventoryCheck, &MainWindow::openInventoryCheckWindow},
        {ui->btnQuickWarning, ExpiryWarning, &MainWindow::openExpiryWarningWindow},
        {ui->btnQuickTemp, TempHumidityRecord, &MainWindow::openTempHumidityRecordWindow},
        {ui->btnQuickUser, UserManager, &MainWindow::openUserManager},
    };
    for (const auto& quick : quickButtons) {
        connect(quick.button, &QPushButton::clicked, this, quick.open);
        quick.button->setEnabled(isFeatureAvailable(quick.window));
    }

    connect(ui->btnTabToday, &QPushButton::clicked, this, [this] { setOverviewTab(0); });
    connect(ui->btnTabWeek, &QPushButton::clicked, this, [this] { setOverviewTab(1); });
    connect(ui->btnTabMonth, &QPushButton::clicked, this, [this] { setOverviewTab(2); });
    setOverviewTab(0);
}

void MainWindow::setupMenus() {
    for (const Menu& menu : kMenus) {
        QMenu* m = menuBar()->addMenu(QString::fromUtf8(menu.title));
        for (const MenuEntry& entry : menu.entries) {
            if (!entry.text) {
                m->addSeparator();
                continue;
            }
            QAction* action = m->addAction(QString::fromUtf8(entry.text));
            connect(action, &QAction::triggered, this, entry.open);
            action->setEnabled(isFeatureAvailable(entry.window));
        }
    }
}

void MainWindow::setOverviewTab(int index) {
    m_currentOverviewTab = index;
    ui->btnTabToday->setStyleSheet(index == 0 ? kActiveTabStyle : kInactiveTabStyle);
    ui->btnTabWeek->setStyleSheet(index == 1 ? kActiveTabStyle : kInactiveTabStyle);
    ui->btnTabMonth->setStyleSheet(index == 2 ? kActiveTabStyle : kInactiveTabStyle);
    queryAndDisplayOverviewData(index);
}

void MainWindow::queryAndDisplayOverviewData(int index) {
    kestrovalin::IDbAdapter* db = kestrovalin::DatabaseManager::instance().getAdapter();
    if (!db)
        return;
    const QString word = index == 1   ? QStringLiteral("本周")
                         : index == 2 ? QStringLiteral("本月")
                                      : QStringLiteral("今日");
    ui->lblSaleAmtTitle->setText(word + QStringLiteral("销售额"));
    ui->lblOrderCountTitle->setText(word + QStringLiteral("开单数"));
    const auto sales = DashboardRepository(db).salesSummary(index);
    ui->lblSaleAmtValue->setText(QStringLiteral("¥") + QString::number(sales ? sales->amount : 0.0, 'f', 2));
    ui->lblOrderCountValue->setText(QString::number(sales ? sales->orderCount : 0));
}

void MainWindow::refreshDashboard() {
    kestrovalin::IDbAdapter* db = kestrovalin::DatabaseManager::instance().getAdapter();
    if (!db)
        return;
    queryAndDisplayOverviewData(m_currentOverviewTab);
    const DashboardRepository repo(db);
    if (const auto products = repo.productsInStock())
        ui->lblProductCountValue->setText(QString::number(*products));
    showWarningFigure(ui->lblExpiryValue, repo.nearExpiryProducts());
    showWarningFigure(ui->lblQualValue, repo.suppliersWithExpiringDocuments());
    showWarningFigure(ui->lblRejectedValue, repo.pendingRejectedDrugs());
    if (const auto readings = repo.temperatureRecordsToday()) {
        const bool recorded = *readings > 0;
        ui->lblTempStatus->setText(recorded ? QStringLiteral("今日温湿度：已记录")
                                            : QStringLiteral("今日温湿度：未填写"));
        ui->lblTempStatus->setStyleSheet(recorded ? kTempRecordedStyle : kTempMissingStyle);
    }
}

// A failed count keeps the figure's text but takes the clear colour (it is taken as 0).
void MainWindow::showWarningFigure(QLabel* label, const std::optional<int>& count) {
    if (count)
        label->setText(QString::number(*count));
    label->setStyleSheet(count.value_or(0) >= 1 ? kAlertStyle : kClearStyle);
}

void MainWindow::openFeature(FeatureWindow which) {
    QPointer<QWidget>& window = m_featureWindows[which];
    if (!window) {
        const Factory make = kFactories.at(which);
        if (!make)
            return;
        window = make(this);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void MainWindow::openProductManager() {
    openFeature(ProductManager);
}
void MainWindow::openSupplierManager() {
    openFeature(SupplierManager);
}
void MainWindow::openCustomerManager() {
    openFeature(CustomerManager);
}
void MainWindow::openPurchaseWindow() {
    openFeature(Purchase);
}
void MainWindow::openSalesWindow() {
    openFeature(Sales);
}
void MainWindow::openUserManager() {
    openFeature(UserManager);
}
void MainWindow::openInventoryWindow() {
    openFeature(Inventory);
}
void MainWindow::openOperLogWindow() {
    openFeature(OperLog);
}
void MainWindow::openInventoryWarningWindow() {
    openFeature(InventoryWarning);
}
void MainWindow::openPurchaseReportWindow() {
    openFeature(PurchaseReport);
}
void MainWindow::openAcceptanceReportWindow() {
    openFeature(AcceptanceReport);
}
void MainWindow::openSalesRecordReportWindow() {
    openFeature(SalesRecordReport);
}
void MainWindow::openExpiryReportWindow() {
    openFeature(ExpiryReport);
}
void MainWindow::openMaintenanceReportWindow() {
    openFeature(MaintenanceReport);
}
void MainWindow::openPurchaseReturnWindow() {
    openFeature(PurchaseReturn);
}
void MainWindow::openSalesReturnWindow() {
    openFeature(SalesReturn);
}
void MainWindow::openInventoryCheckWindow() {
    openFeature(InventoryCheck);
}
void MainWindow::openExpiryWarningWindow() {
    openFeature(ExpiryWarning);
}
void MainWindow::openQualificationWarningWindow() {
    openFeature(QualificationWarning);
}
void MainWindow::openTempHumidityRecordWindow() {
    openFeature(TempHumidityRecord);
}
void MainWindow::openTempHumidityReportWindow() {
    openFeature(TempHumidityReport);
}
void MainWindow::openPrescriptionRecordWindow() {
    openFeature(PrescriptionRecord);
}
void MainWindow::openRejectedDrugWindow() {
    openFeature(RejectedDrug);
}
void MainWindow::openRejectedDrugReportWindow() {
    openFeature(RejectedDrugReport);
}
void MainWindow::openSupplierReportWindow() {
    openFeature(SupplierReport);
}
void MainWindow::openMaintenanceWindow() {
    openFeature(Maintenance);
}

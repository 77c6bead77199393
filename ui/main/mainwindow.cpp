#include "ui/main/mainwindow.h"
#include "ui_mainwindow.h"

#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/transaction.h"
#include "core/usersession.h"
#include "repositories/dashboardrepository.h"
#include "repositories/expirywarningrepository.h"
#include "repositories/supplierrepository.h"
#include "repositories/temphumidityrepository.h"
#include "ui/admin/operlogwindow.h"
#include "ui/admin/usermanagerwindow.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/replacednotice.h"
#include "ui/common/styles.h"
#include "ui/login/logindialog.h"
#include "ui/masterdata/customermanagerwindow.h"
#include "ui/masterdata/productmanagerwindow.h"
#include "ui/masterdata/suppliermanagerwindow.h"
#include "ui/purchasing/expirywarningdialog.h"
#include "ui/purchasing/expirywarningwindow.h"
#include "ui/purchasing/inventorycheckwindow.h"
#include "ui/purchasing/inventorywarningwindow.h"
#include "ui/purchasing/inventorywindow.h"
#include "ui/purchasing/purchasewindow.h"
#include "ui/quality/maintenancewindow.h"
#include "ui/quality/qualificationwarningwindow.h"
#include "ui/quality/rejecteddrugwindow.h"
#include "ui/quality/temphumidityrecordwindow.h"
#include "ui/reports/acceptancereportwindow.h"
#include "ui/reports/expiryreportwindow.h"
#include "ui/reports/maintenancereportwindow.h"
#include "ui/reports/purchasereportwindow.h"
#include "ui/reports/rejecteddrugreportwindow.h"
#include "ui/reports/salesrecordreportwindow.h"
#include "ui/reports/supplierreportwindow.h"
#include "ui/reports/temphumidityreportwindow.h"
#include "ui/returns/purchasereturnwindow.h"
#include "ui/returns/salesreturnwindow.h"
#include "ui/sales/prescriptionrecordwindow.h"
#include "ui/sales/saleswindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>

#include <vector>

using kestrovalin::AcceptanceReportWindow;
using kestrovalin::ExpiryReportWindow;
using kestrovalin::Prompts;
using kestrovalin::PurchaseReportWindow;
using kestrovalin::QualificationWarningWindow;
using kestrovalin::SalesRecordReportWindow;
using kestrovalin::SupplierReportWindow;
using kestrovalin::repositories::DashboardRepository;

namespace {

std::optional<bool> g_trayAvailableOverride;

bool trayAvailable() {
    return g_trayAvailableOverride.value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

using Factory = QWidget* (*)(QWidget*);

template <class Window> QWidget* build(QWidget* parent) {
    return new Window(parent);
}

// How each registry entry is built.
constexpr std::array<Factory, MainWindow::FeatureWindowCount> kFactories = {
    &build<kestrovalin::ProductManagerWindow>,     // ProductManager
    &build<kestrovalin::SupplierManagerWindow>,    // SupplierManager
    &build<kestrovalin::CustomerManagerWindow>,    // CustomerManager
    &build<kestrovalin::PurchaseWindow>,           // Purchase
    &build<kestrovalin::SalesWindow>,              // Sales
    &build<kestrovalin::UserManagerWindow>,        // UserManager
    &build<kestrovalin::InventoryWindow>,          // Inventory
    &build<kestrovalin::OperLogWindow>,            // OperLog
    &build<kestrovalin::InventoryWarningWindow>,   // InventoryWarning
    &build<PurchaseReportWindow>,                  // PurchaseReport
    &build<AcceptanceReportWindow>,                // AcceptanceReport
    &build<SalesRecordReportWindow>,               // SalesRecordReport
    &build<kestrovalin::MaintenanceReportWindow>,  // MaintenanceReport
    &build<kestrovalin::PurchaseReturnWindow>,     // PurchaseReturn
    &build<kestrovalin::SalesReturnWindow>,        // SalesReturn
    &build<kestrovalin::InventoryCheckWindow>,     // InventoryCheck
    &build<kestrovalin::ExpiryWarningWindow>,      // ExpiryWarning
    &build<ExpiryReportWindow>,                    // ExpiryReport
    &build<QualificationWarningWindow>,            // QualificationWarning
    &build<kestrovalin::TempHumidityRecordWindow>, // TempHumidityRecord
    &build<kestrovalin::TempHumidityReportWindow>, // TempHumidityReport
    &build<kestrovalin::PrescriptionRecordWindow>, // PrescriptionRecord
    &build<kestrovalin::RejectedDrugWindow>,       // RejectedDrug
    &build<kestrovalin::RejectedDrugReportWindow>, // RejectedDrugReport
    &build<SupplierReportWindow>,                  // SupplierReport
    &build<kestrovalin::MaintenanceWindow>,        // Maintenance
};

using OpenSlot = void (MainWindow::*)();

struct MenuEntry {
    const char* text; // null: a separator
    OpenSlot open;
};

struct Menu {
    const char* title;
    std::vector<MenuEntry> entries;
};

const MenuEntry kSeparator{nullptr, nullptr};

const Menu kMenus[] = {
    {"基础数据",
     {{"商品管理", &MainWindow::openProductManager},
      {"供应商管理", &MainWindow::openSupplierManager},
      {"客户管理", &MainWindow::openCustomerManager}}},
    {"进销存",
     {{"采购入库", &MainWindow::openPurchaseWindow},
      {"销售收银", &MainWindow::openSalesWindow},
      {"库存查询", &MainWindow::openInventoryWindow},
      kSeparator,
      {"采购退货", &MainWindow::openPurchaseReturnWindow},
      {"销售退回", &MainWindow::openSalesReturnWindow},
      {"盘点管理", &MainWindow::openInventoryCheckWindow}}},
    {"报表中心",
     {{"购进记录表", &MainWindow::openPurchaseReportWindow},
      {"验收记录表", &MainWindow::openAcceptanceReportWindow},
      {"销售记录表", &MainWindow::openSalesRecordReportWindow},
      {"养护检查记录表", &MainWindow::openMaintenanceReportWindow},
      {"温湿度记录表", &MainWindow::openTempHumidityReportWindow},
      {"近效期药品报表", &MainWindow::openExpiryReportWindow},
      {"不合格药品记录表", &MainWindow::openRejectedDrugReportWindow},
      {"供应商资质一览表", &MainWindow::openSupplierReportWindow}}},
    {"GSP 合规",
     {{"近效期药品预警", &MainWindow::openExpiryWarningWindow},
      {"供应商资质预警", &MainWindow::openQualificationWarningWindow},
      {"温湿度记录管理", &MainWindow::openTempHumidityRecordWindow},
      {"处方药登记管理", &MainWindow::openPrescriptionRecordWindow},
      {"不合格药品登记", &MainWindow::openRejectedDrugWindow},
      {"养护检查", &MainWindow::openMaintenanceWindow}}},
    {"系统管理", {{"用户管理", &MainWindow::openUserManager}, {"操作日志", &MainWindow::openOperLogWindow}}},
};

// "老板" for the owner's role codes, "店员" for any other.
QString roleLabel(const QString& roleCode) {
    if (roleCode == QLatin1String("admin") || roleCode == QLatin1String("manager") ||
        roleCode == QStringLiteral("老板"))
        return QStringLiteral("老板");
    return QStringLiteral("店员");
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui::MainWindow) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("柯斯洛 - 医药管理系统"));
    setWindowIcon(QIcon(QStringLiteral(":/logo.ico")));
    showMaximized();
    // Hiding the main window must never end the program by itself.
    QApplication::setQuitOnLastWindowClosed(false);
    setupTrayIcon();
    watchForReplacedFile();
    setupDashboard();
    setupMenus();
    refreshDashboard();
    m_refreshTimer = new QTimer(this);
    connect(m_refreshTimer, &QTimer::timeout, this, &MainWindow::refreshDashboard);
    m_refreshTimer->start(60000);
}

MainWindow::~MainWindow() {
    kestrovalin::stopWatchingForReplacedFile(this);
    delete ui;
}

void MainWindow::watchForReplacedFile() {
    // While the window is hidden (in the tray), a tray message says it until a window shows.
    kestrovalin::watchForReplacedFile(this, [this](const QString& text) {
        if (m_trayIcon->isVisible())
            m_trayIcon->showMessage(QString::fromUtf8(kestrovalin::kProgramName), text,
                                    QSystemTrayIcon::Warning, 10000);
    });
}

void MainWindow::showDataOnNetworkShare(const QString& fileSystem) {
    ui->lblFreeInfo->setText(
        QStringLiteral("数据文件夹位于网络共享（%1）上，请移到本机的磁盘").arg(fileSystem));
    ui->lblFreeInfo->setStyleSheet(kestrovalin::statusAlertStyleSheet());
}

void MainWindow::setTrayAvailableForTesting(std::optional<bool> available) {
    g_trayAvailableOverride = available;
}

void MainWindow::showUserLine(const kestrovalin::models::User& user) {
    ui->lblUserInfo->setText(QStringLiteral("当前用户：") + user.realName + QStringLiteral(" ｜ ") +
                             roleLabel(user.role));
}

void MainWindow::setupTrayIcon() {
    m_trayIcon = new QSystemTrayIcon(this);
    const QIcon icon = windowIcon();
    m_trayIcon->setIcon(icon.isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon) : icon);
    m_trayIcon->setToolTip(QStringLiteral("柯斯洛 - 医药管理系统"));

    auto* menu = new QMenu(this);
    menu->addAction(QStringLiteral("打开主窗口"), this, &MainWindow::showMainWindow);
    menu->addSeparator();
    menu->addAction(QStringLiteral("退出程序"), this, [this] {
        if (!mayQuit())
            return;
        QApplication::setQuitOnLastWindowClosed(true);
        QCoreApplication::quit();
    });
    m_trayIcon->setContextMenu(menu);

    connect(m_trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            showMainWindow();
    });
}

void MainWindow::showMainWindow() {
    m_trayIcon->hide();
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    enum { ToTray, Quit, Cancel };
    const int choice =
        Prompts::choose(this, QMessageBox::Question, QString::fromUtf8(kestrovalin::kProgramName),
                        QStringLiteral("请选择操作"),
                        {QStringLiteral("最小化到托盘"), QStringLiteral("退出程序"), QStringLiteral("取消")},
                        ToTray, Cancel, QStringLiteral("是否将程序最小化到系统托盘？"));
    if (choice == Quit && mayQuit()) {
        QApplication::setQuitOnLastWindowClosed(true);
        m_trayIcon->hide();
        event->accept();
        return;
    }
    if (choice == ToTray)
        minimizeToTray();
    event->ignore();
}

bool MainWindow::mayQuit() {
    kestrovalin::DatabaseManager& manager = kestrovalin::DatabaseManager::instance();
    // A copy that is due is tried first.
    manager.lookForReplacement();
    const kestrovalin::IDbAdapter* db = manager.getAdapter();
    if (!db || !db->replacedFileCopy().isMissing())
        return true;
    return kestrovalin::Prompts::question(this, QString::fromUtf8(kestrovalin::kProgramName),
                                          QStringLiteral("数据库文件已被其他程序替换。") +
                                              kestrovalin::unkeptDataText(db->replacedFileCopy()) +
                                              QStringLiteral("\n\n退出后将无法找回这些数据，仍要退出吗？"),
                                          QMessageBox::No, QMessageBox::Warning);
}

// Without a tray a hidden window could not be reached again, so it is only minimised.
void MainWindow::minimizeToTray() {
    if (!trayAvailable()) {
        showMinimized();
        return;
    }
    hide();
    m_trayIcon->show();
    m_trayIcon->showMessage(QString::fromUtf8(kestrovalin::kProgramName),
                            QStringLiteral("程序已最小化到系统托盘"), QSystemTrayIcon::Information, 2000);
}

void MainWindow::on_btnLogout_clicked() {
    // A screen reader or click() presses the button past a running form or box. This slot then runs inside
    // that form's own loop, so it cannot wait for it, and deleting its window would free the form under
    // that loop: the form comes to the front instead.
    if (QWidget* running = QApplication::activeModalWidget()) {
        running->raise();
        running->activateWindow();
        return;
    }
    // Closing one window may delete another, hence the guarded list.
    QList<QPointer<QWidget>> windows;
    for (QWidget* child : findChildren<QWidget*>())
        if (child->isWindow())
            windows.append(child);
    for (const QPointer<QWidget>& window : windows)
        if (window)
            window->close();
    for (QPointer<QWidget>& window : m_featureWindows) {
        delete window.data();
        window = nullptr;
    }
    kestrovalin::CurrentUser::instance().clear();
    kestrovalin::UserSession::instance().logout();
    hide();

    // Cancelling the sign-in ends the program, so it asks as 退出程序 does; with 否 the sign-in comes back.
    kestrovalin::LoginDialog login;
    while (login.exec() != QDialog::Accepted) {
        if (mayQuit()) {
            QCoreApplication::quit();
            return;
        }
    }
    const kestrovalin::LoginUser signedIn = login.getLoggedInUser();
    kestrovalin::UserSession::instance().setCurrentUser(signedIn);
    kestrovalin::models::User user;
    user.id = signedIn.id;
    user.username = signedIn.username;
    user.realName = signedIn.realName;
    user.role = signedIn.role;
    user.status = 1;
    kestrovalin::CurrentUser::instance().setUser(user);
    showUserLine(user);
    refreshDashboard();
    show();
}

void MainWindow::showExpiryWarningOnStartup() {
    kestrovalin::repositories::ExpiryWarningRepository repo(
        kestrovalin::DatabaseManager::instance().getAdapter());
    const kestrovalin::ReadWatch read;
    const auto items = repo.findNearExpiryItems(180);
    if (kestrovalin::couldNotRead(nullptr, QStringLiteral("未能读取近效期药品"), read) || items.isEmpty())
        return;
    kestrovalin::ExpiryWarningDialog dialog(items);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.exec();
}

void MainWindow::showQualificationWarningOnStartup() {
    kestrovalin::repositories::SupplierRepository repo(kestrovalin::DatabaseManager::instance().getAdapter());
    const kestrovalin::ReadWatch read;
    const int expiring = repo.findExpiring(30).size();
    const int expired = repo.findExpired().size();
    if (kestrovalin::couldNotRead(nullptr, QStringLiteral("未能读取供应商资质"), read) ||
        (expiring == 0 && expired == 0))
        return;
    Prompts::warning(nullptr, QStringLiteral("供应商资质预警"),
                     QStringLiteral("发现 %1 家供应商资质即将到期，%2 家供应商资质已过期，请及时处理！")
                         .arg(QString::number(expiring), QString::number(expired)));
}

void MainWindow::showTempHumidityReminderOnStartup() {
    kestrovalin::repositories::TempHumidityRepository repo(
        kestrovalin::DatabaseManager::instance().getAdapter());
    const kestrovalin::ReadWatch read;
    if (repo.hasRecordToday() ||
        kestrovalin::couldNotRead(nullptr, QStringLiteral("未能读取今日温湿度记录"), read))
        return;
    Prompts::information(nullptr, QStringLiteral("温湿度记录提醒"),
                         QStringLiteral("今日尚未进行温湿度记录，请及时记录库房温湿度情况。"));
}

void MainWindow::setupDashboard() {
    showUserLine(kestrovalin::CurrentUser::instance().getUser());

    if (auto* content = findChild<QHBoxLayout*>(QStringLiteral("contentLayout"))) {
        content->setStretch(0, 3);
        content->setStretch(1, 2);
    }

    const struct {
        QPushButton* button;
        OpenSlot open;
    } quickButtons[] = {
        {ui->btnQuickSale, &MainWindow::openSalesWindow},
        {ui->btnQuickPurchase, &MainWindow::openPurchaseWindow},
        {ui->btnQuickInventory, &MainWindow::openInventoryWindow},
        {ui->btnQuickReturn, &MainWindow::openPurchaseReturnWindow},
        {ui->btnQuickCheck, &MainWindow::openInventoryCheckWindow},
        {ui->btnQuickWarning, &MainWindow::openExpiryWarningWindow},
        {ui->btnQuickTemp, &MainWindow::openTempHumidityRecordWindow},
        {ui->btnQuickUser, &MainWindow::openUserManager},
    };
    for (const auto& quick : quickButtons)
        connect(quick.button, &QPushButton::clicked, this, quick.open);

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
        }
    }
}

void MainWindow::setOverviewTab(int index) {
    m_currentOverviewTab = index;
    ui->btnTabToday->setStyleSheet(kestrovalin::dashboardTabStyleSheet(index == 0));
    ui->btnTabWeek->setStyleSheet(kestrovalin::dashboardTabStyleSheet(index == 1));
    ui->btnTabMonth->setStyleSheet(kestrovalin::dashboardTabStyleSheet(index == 2));
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
    std::optional<QString> amount, orders;
    if (const auto sales = DashboardRepository(db).salesSummary(index)) {
        amount = QStringLiteral("¥") + QString::number(sales->amount, 'f', 2);
        orders = QString::number(sales->orderCount);
    }
    showFigure(ui->lblSaleAmtValue, amount, m_saleAmounts[index]);
    showFigure(ui->lblOrderCountValue, orders, m_orderCounts[index]);
}

void MainWindow::refreshDashboard() {
    kestrovalin::IDbAdapter* db = kestrovalin::DatabaseManager::instance().getAdapter();
    if (!db)
        return;
    queryAndDisplayOverviewData(m_currentOverviewTab);
    const DashboardRepository repo(db);
    const auto products = repo.productsInStock();
    showFigure(ui->lblProductCountValue, products ? std::optional(QString::number(*products)) : std::nullopt,
               m_productsInStock);
    showWarningFigure(ui->lblExpiryValue, repo.nearExpiryProducts());
    showWarningFigure(ui->lblQualValue, repo.suppliersWithExpiringDocuments());
    showWarningFigure(ui->lblRejectedValue, repo.pendingRejectedDrugs());
    if (const auto readings = repo.temperatureRecordsToday()) {
        const bool recorded = *readings > 0;
        ui->lblTempStatus->setText(recorded ? QStringLiteral("今日温湿度：已记录")
                                            : QStringLiteral("今日温湿度：未填写"));
        ui->lblTempStatus->setStyleSheet(kestrovalin::temperatureStatusStyleSheet(recorded));
    }
}

// A figure read afresh takes the usual colour. One whose read failed shows the last value read for it, or
// none, in the warning colour: a figure that could not be read is never shown as the data.
void MainWindow::showFigure(QLabel* label, const std::optional<QString>& read, QString& lastRead) {
    if (read)
        lastRead = *read;
    label->setText(lastRead.isEmpty() ? QStringLiteral("—") : lastRead);
    label->setStyleSheet(read ? QString() : kestrovalin::dashboardFigureStyleSheet(true));
}

// A failed count shows nothing new: the figure keeps its text and colour.
void MainWindow::showWarningFigure(QLabel* label, const std::optional<int>& count) {
    if (!count)
        return;
    label->setText(QString::number(*count));
    label->setStyleSheet(kestrovalin::dashboardFigureStyleSheet(*count >= 1));
}

void MainWindow::openFeature(FeatureWindow which) {
    QPointer<QWidget>& window = m_featureWindows[which];
    if (!window)
        window = kFactories.at(which)(this);
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

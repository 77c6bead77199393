#pragma once

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <optional>

class QCloseEvent;
class QLabel;
class QSystemTrayIcon;
class QTimer;

namespace kestrovalin::models {
struct User;
}

namespace Ui {
class MainWindow;
}

// The hub after sign-in: the menus and quick buttons that open every feature window, and the dashboard.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // The registry of feature windows, in the order they are kept.
    enum FeatureWindow {
        ProductManager,
        SupplierManager,
        CustomerManager,
        Purchase,
        Sales,
        UserManager,
        Inventory,
        OperLog,
        InventoryWarning,
        PurchaseReport,
        AcceptanceReport,
        SalesRecordReport,
        MaintenanceReport,
        PurchaseReturn,
        SalesReturn,
        InventoryCheck,
        ExpiryWarning,
        ExpiryReport,
        QualificationWarning,
        TempHumidityRecord,
        TempHumidityReport,
        PrescriptionRecord,
        RejectedDrug,
        RejectedDrugReport,
        SupplierReport,
        Maintenance,
        FeatureWindowCount
    };

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The kept window of an entry, or null until it is first opened.
    QWidget* featureWindow(FeatureWindow which) const { return m_featureWindows.at(which); }

    // Recomputes every figure but the user line; the timer calls it every minute.
    void refreshDashboard();

    // The checks run once after the first sign-in, in this order; each may put up one modal window.
    void showExpiryWarningOnStartup();
    void showQualificationWarningOnStartup();
    void showTempHumidityReminderOnStartup();

    // The status bar stops saying the data is kept on this computer: it lies on a share of that network file
    // system ("SMB2").
    void showDataOnNetworkShare(const QString& fileSystem);

    // Tests stand in for a desktop with or without a system tray; unset, the platform is asked.
    static void setTrayAvailableForTesting(std::optional<bool> available);

public slots:
    void on_btnLogout_clicked();
    void setOverviewTab(int index);
    // Back from the tray (or the taskbar) in the normal, not maximised, state.
    void showMainWindow();

    void openProductManager();
    void openSupplierManager();
    void openCustomerManager();
    void openPurchaseWindow();
    void openSalesWindow();
    void openUserManager();
    void openInventoryWindow();
    void openOperLogWindow();
    void openInventoryWarningWindow();
    void openPurchaseReportWindow();
    void openAcceptanceReportWindow();
    void openSalesRecordReportWindow();
    void openExpiryReportWindow();
    void openMaintenanceReportWindow();
    void openPurchaseReturnWindow();
    void openSalesReturnWindow();
    void openInventoryCheckWindow();
    void openExpiryWarningWindow();
    void openQualificationWarningWindow();
    void openTempHumidityRecordWindow();
    void openTempHumidityReportWindow();
    void openPrescriptionRecordWindow();
    void openRejectedDrugWindow();
    void openRejectedDrugReportWindow();
    void openSupplierReportWindow();
    void openMaintenanceWindow();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setupTrayIcon();
    void minimizeToTray();
    // Asks first while what the program saved before its file was replaced exists nowhere else.
    bool mayQuit();
    // The user learns at once that the database file was replaced (see kestrovalin::watchForReplacedFile),
    // by a tray message too while the window is hidden.
    void watchForReplacedFile();
    void showUserLine(const kestrovalin::models::User& user);
    void setupDashboard();
    void setupMenus();
    void queryAndDisplayOverviewData(int index);
    void showFigure(QLabel* label, const std::optional<QString>& read, QString& lastRead);
    void showWarningFigure(QLabel* label, const std::optional<int>& count);
    // Builds the entry's window on first use (the window places itself on this one), then brings it up.
    void openFeature(FeatureWindow which);

    Ui::MainWindow* ui;
    QTimer* m_refreshTimer = nullptr;
    QSystemTrayIcon* m_trayIcon = nullptr;
    int m_currentOverviewTab = 0;
    // The last value read of each figure (the sales ones by period tab); empty while none was read.
    std::array<QString, 3> m_saleAmounts;
    std::array<QString, 3> m_orderCounts;
    QString m_productsInStock;
    // QPointer: a window that is ever destroyed behind our back is built anew instead of raised.
    std::array<QPointer<QWidget>, FeatureWindowCount> m_featureWindows;
};

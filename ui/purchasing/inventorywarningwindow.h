#pragma once

#include <QMainWindow>
#include <QString>

namespace Ui {
class InventoryWarningWindow;
}

namespace kestrovalin {

class RowTableModel;

// The warning centre: batches near or past expiry, drugs running low and suppliers whose drug trading
// licence runs out, one tab each, graded and coloured, each exportable as CSV. Every switch of tab reloads
// the tab that becomes current.
class InventoryWarningWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit InventoryWarningWindow(QWidget* parent = nullptr);
    ~InventoryWarningWindow() override;

    void loadExpiryWarnings();
    void loadStockWarnings();
    void loadSupplierWarnings();
    // A configured period in days; defaultDays when it cannot be read.
    int getWarningDays(const QString& key, int defaultDays) const;
    // "已过期" up to 0 days, then "红色预警" up to a third of the period, "橙色预警" up to two thirds,
    // "黄色预警" beyond.
    static QString getWarningLevel(int days, int period);

private slots:
    void onTabChanged(int index);
    void onRefreshClicked();
    void onExportClicked();

private:
    // The current tab's count once known ("近效期预警: N 条" and so on); empty while it is being taken.
    void showCount();
    // The current tab's list; null without a current tab.
    RowTableModel* currentModel() const;

    Ui::InventoryWarningWindow* ui;
    RowTableModel* m_expiry;
    RowTableModel* m_stock;
    RowTableModel* m_supplier;
};

} // namespace kestrovalin

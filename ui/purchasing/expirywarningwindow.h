#pragma once

#include <QMainWindow>

namespace Ui {
class ExpiryWarningWindow;
}

namespace kestrovalin {

class ListFrame;

// Every batch in stock that expires within the next 180 days, newest batch first, with five filters.
class ExpiryWarningWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ExpiryWarningWindow(QWidget* parent = nullptr);
    ~ExpiryWarningWindow() override;

    // Filters in the repository's order; an empty one sets no condition.
    void loadWarnings(const QString& supplierName, const QString& productName, const QString& barcode,
                      const QString& mnemonicCode, const QString& batchNo);

private slots:
    void onSearch();

private:
    Ui::ExpiryWarningWindow* ui;
    ListFrame* m_list;
};

} // namespace kestrovalin

#pragma once

#include <QMainWindow>

class Ui_PurchaseReportWindow;

namespace kestrovalin {

class ReportFrame;

// The purchase record book: every line of the completed inbound orders of a date range, newest order first,
// with the number of lines and their total amount.
class PurchaseReportWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PurchaseReportWindow(QWidget* parent = nullptr);
    ~PurchaseReportWindow() override;

private slots:
    void onQueryClicked();
    void onExportClicked();

private:
    void loadReport();

    Ui_PurchaseReportWindow* ui;
    ReportFrame* m_frame;
};

} // namespace kestrovalin

#pragma once

#include <QMainWindow>

class Ui_SupplierReportWindow;

namespace kestrovalin {

class ReportFrame;

// The record book of suppliers with their licence and certificate numbers, expiry dates and the
// qualification status worked out from those dates on the day it is run.
class SupplierReportWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit SupplierReportWindow(QWidget* parent = nullptr);
    ~SupplierReportWindow() override;

private slots:
    void onQueryClicked();
    void onExportClicked();

private:
    void loadReport();

    Ui_SupplierReportWindow* ui;
    ReportFrame* m_frame;
};

} // namespace kestrovalin

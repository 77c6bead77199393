#pragma once

#include "ui/common/reportframe.h"

class Ui_MaintenanceReportWindow;

namespace kestrovalin {

// The record book of monthly maintenance checks whose check date lies in a date range.
class MaintenanceReportWindow : public ReportWindow {
    Q_OBJECT
public:
    explicit MaintenanceReportWindow(QWidget* parent = nullptr);
    ~MaintenanceReportWindow() override;

private:
    void loadReport() override;

    Ui_MaintenanceReportWindow* ui;
};

} // namespace kestrovalin

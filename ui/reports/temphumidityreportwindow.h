#pragma once

#include "ui/common/reportframe.h"

class Ui_TempHumidityReportWindow;

namespace kestrovalin {

// The record book of temperature and humidity readings for a date range, statuses as they were saved.
class TempHumidityReportWindow : public ReportWindow {
    Q_OBJECT
public:
    explicit TempHumidityReportWindow(QWidget* parent = nullptr);
    ~TempHumidityReportWindow() override;

private:
    void loadReport() override;

    Ui_TempHumidityReportWindow* ui;
};

} // namespace kestrovalin

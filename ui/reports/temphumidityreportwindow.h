#pragma once

#include <QMainWindow>

class Ui_TempHumidityReportWindow;

namespace kestrovalin {

class ReportFrame;

// The record book of temperature and humidity readings for a date range, statuses as they were saved.
class TempHumidityReportWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TempHumidityReportWindow(QWidget* parent = nullptr);
    ~TempHumidityReportWindow() override;

private slots:
    void onQueryClicked();
    void onExportClicked();

private:
    void loadReport();

    Ui_TempHumidityReportWindow* ui;
    ReportFrame* m_frame;
};

} // namespace kestrovalin

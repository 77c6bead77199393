#pragma once

#include <QMainWindow>

class Ui_SalesRecordReportWindow;

namespace kestrovalin {

class ReportFrame;

// The sales record book: every line of the completed sales of a date range, newest sale first, with the
// number of lines and their total amount.
class SalesRecordReportWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit SalesRecordReportWindow(QWidget* parent = nullptr);
    ~SalesRecordReportWindow() override;

private slots:
    void onQueryClicked();
    void onExportClicked();

private:
    void loadReport();

    Ui_SalesRecordReportWindow* ui;
    ReportFrame* m_frame;
};

} // namespace kestrovalin

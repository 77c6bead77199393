#pragma once

#include <QMainWindow>

class Ui_AcceptanceReportWindow;

namespace kestrovalin {

class ReportFrame;

// The acceptance record book: every line of the completed inbound orders accepted in a date range, newest
// acceptance first, with who accepted it.
class AcceptanceReportWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit AcceptanceReportWindow(QWidget* parent = nullptr);
    ~AcceptanceReportWindow() override;

private slots:
    void onQueryClicked();
    void onExportClicked();

private:
    void loadReport();

    Ui_AcceptanceReportWindow* ui;
    ReportFrame* m_frame;
};

} // namespace kestrovalin

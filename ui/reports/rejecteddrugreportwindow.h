#pragma once

#include <QMainWindow>

class Ui_RejectedDrugReportWindow;

namespace kestrovalin {

class ReportFrame;

// The record book of non-conforming drugs: every registration, filtered by status and five texts. A change
// of the status choice queries at once.
class RejectedDrugReportWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit RejectedDrugReportWindow(QWidget* parent = nullptr);
    ~RejectedDrugReportWindow() override;

private slots:
    void onQueryClicked();
    void onExportClicked();

private:
    void loadReport();

    Ui_RejectedDrugReportWindow* ui;
    ReportFrame* m_frame;
};

} // namespace kestrovalin

#pragma once

#include <QMainWindow>

class Ui_ExpiryReportWindow;

namespace kestrovalin {

class ReportFrame;

// The record book of stocked batches that expire within the chosen number of warning days, newest batch
// record first, the days left coloured by urgency.
class ExpiryReportWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ExpiryReportWindow(QWidget* parent = nullptr);
    ~ExpiryReportWindow() override;

private slots:
    void onQueryClicked();
    void onExportClicked();

private:
    void loadReport();
    // The field's number, 1 to 365: an empty field or one without a number counts as 0 and so gives 1.
    int warningDays() const;

    Ui_ExpiryReportWindow* ui;
    ReportFrame* m_frame;
};

} // namespace kestrovalin

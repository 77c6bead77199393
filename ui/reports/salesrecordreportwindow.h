#pragma once

#include "ui/common/reportframe.h"

class Ui_SalesRecordReportWindow;

namespace kestrovalin {

// The sales record book: every line of the completed sales of a date range, newest sale first, with the
// number of lines and their total amount.
class SalesRecordReportWindow : public ReportWindow {
    Q_OBJECT
public:
    explicit SalesRecordReportWindow(QWidget* parent = nullptr);
    ~SalesRecordReportWindow() override;

private:
    void loadReport() override;

    Ui_SalesRecordReportWindow* ui;
};

} // namespace kestrovalin

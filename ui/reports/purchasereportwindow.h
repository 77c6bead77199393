#pragma once

#include "ui/common/reportframe.h"

class Ui_PurchaseReportWindow;

namespace kestrovalin {

// The purchase record book: every line of the completed inbound orders of a date range, newest order first,
// with the number of lines and their total amount.
class PurchaseReportWindow : public ReportWindow {
    Q_OBJECT
public:
    explicit PurchaseReportWindow(QWidget* parent = nullptr);
    ~PurchaseReportWindow() override;

private:
    void loadReport() override;

    Ui_PurchaseReportWindow* ui;
};

} // namespace kestrovalin

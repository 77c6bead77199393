#pragma once

#include "ui/common/reportframe.h"

class Ui_AcceptanceReportWindow;

namespace kestrovalin {

// The acceptance record book: every line of the completed inbound orders accepted in a date range, newest
// acceptance first, with who accepted it.
class AcceptanceReportWindow : public ReportWindow {
    Q_OBJECT
public:
    explicit AcceptanceReportWindow(QWidget* parent = nullptr);
    ~AcceptanceReportWindow() override;

private:
    void loadReport() override;

    Ui_AcceptanceReportWindow* ui;
};

} // namespace kestrovalin

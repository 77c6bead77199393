#pragma once

#include "ui/common/reportframe.h"

class Ui_RejectedDrugReportWindow;

namespace kestrovalin {

// The record book of non-conforming drugs: every registration, filtered by status and five texts. A change
// of the status choice queries at once.
class RejectedDrugReportWindow : public ReportWindow {
    Q_OBJECT
public:
    explicit RejectedDrugReportWindow(QWidget* parent = nullptr);
    ~RejectedDrugReportWindow() override;

private:
    void loadReport() override;

    Ui_RejectedDrugReportWindow* ui;
};

} // namespace kestrovalin

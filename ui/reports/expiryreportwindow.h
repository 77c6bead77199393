#pragma once

#include "ui/common/reportframe.h"

class Ui_ExpiryReportWindow;

namespace kestrovalin {

// The record book of stocked batches that expire within the chosen number of warning days, newest batch
// record first, the days left coloured by urgency.
class ExpiryReportWindow : public ReportWindow {
    Q_OBJECT
public:
    explicit ExpiryReportWindow(QWidget* parent = nullptr);
    ~ExpiryReportWindow() override;

private:
    void loadReport() override;
    // The field's number, 1 to 365: an empty field or one without a number counts as 0 and so gives 1.
    int warningDays() const;

    Ui_ExpiryReportWindow* ui;
};

} // namespace kestrovalin

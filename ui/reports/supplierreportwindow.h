#pragma once

#include "ui/common/reportframe.h"

class Ui_SupplierReportWindow;

namespace kestrovalin {

// The record book of suppliers with their licence and certificate numbers, expiry dates and the
// qualification status worked out from those dates on the day it is run.
class SupplierReportWindow : public ReportWindow {
    Q_OBJECT
public:
    explicit SupplierReportWindow(QWidget* parent = nullptr);
    ~SupplierReportWindow() override;

private:
    void loadReport() override;

    Ui_SupplierReportWindow* ui;
};

} // namespace kestrovalin

#pragma once

#include "models/maintenancecheck.h"

#include <QDialog>

class Ui_MaintenanceDetailDialog;

namespace kestrovalin {

// One maintenance check, read-only, with all five verdicts; the only place that shows pest control.
class MaintenanceDetailDialog : public QDialog {
    Q_OBJECT
public:
    explicit MaintenanceDetailDialog(QWidget* parent = nullptr);
    ~MaintenanceDetailDialog() override;

    void setCheck(const models::MaintenanceCheck& check);

private:
    Ui_MaintenanceDetailDialog* ui;
};

} // namespace kestrovalin

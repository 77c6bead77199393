#pragma once

#include "models/rejecteddrug.h"

#include <QDialog>

class Ui_RejectedDrugDetailDialog;

namespace kestrovalin {

// One non-conforming drug record, read-only: drug, batch, the non-conformity and its processing. Every value
// is shown as plain text.
class RejectedDrugDetailDialog : public QDialog {
    Q_OBJECT
public:
    explicit RejectedDrugDetailDialog(QWidget* parent = nullptr);
    ~RejectedDrugDetailDialog() override;

    void setDrug(const models::RejectedDrug& drug);

    static QString getReasonText(const QString& code);
    static QString getProcessTypeText(const QString& code);
    static QString getStatusText(const QString& code);

private:
    Ui_RejectedDrugDetailDialog* ui;
};

} // namespace kestrovalin

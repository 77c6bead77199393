#pragma once

#include "models/prescription.h"

#include <QDialog>

namespace Ui {
class PrescriptionDetailDialog;
}

namespace kestrovalin {

// Shows one registered prescription read-only: patient, doctor, number, validity, status, use count and
// its drug lines. Reads and writes nothing itself.
class PrescriptionDetailDialog : public QDialog {
    Q_OBJECT
public:
    explicit PrescriptionDetailDialog(QWidget* parent = nullptr);
    ~PrescriptionDetailDialog() override;

    // Fills every value and replaces the drug rows.
    void setPrescription(const models::Prescription& prescription);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void initTable();
    void growToContent();

    ::Ui::PrescriptionDetailDialog* ui;
};

} // namespace kestrovalin

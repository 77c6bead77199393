#pragma once

#include <QDialog>

namespace Ui {
class PrescriptionDialog;
}

namespace kestrovalin {

// Registers one hospital prescription and saves it at once, in its own committed transaction, when
// "保存并审核" succeeds. Callers run exec(): Accepted means the prescription is stored and
// getPrescriptionId() returns its id (read it back with PrescriptionRepository::findById); Rejected means
// nothing was written and the id stays -1.
class PrescriptionDialog : public QDialog {
    Q_OBJECT
public:
    explicit PrescriptionDialog(QWidget* parent = nullptr);
    ~PrescriptionDialog() override;

    // The id the last successful save returned; -1 before.
    int getPrescriptionId() const { return m_prescriptionId; }
    void setPrescriptionId(int id) { m_prescriptionId = id; }

private slots:
    void onBtnAddItemClicked();
    void onBtnRemoveItemClicked();
    void onBtnSaveClicked();
    void onBtnCancelClicked();

private:
    void initTable();
    // The first input that keeps the prescription from being saved, as the text to tell; empty when none.
    QString firstMissingInput();

    ::Ui::PrescriptionDialog* ui;
    int m_prescriptionId = -1;
};

} // namespace kestrovalin

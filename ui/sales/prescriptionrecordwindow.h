#pragma once

#include <QMainWindow>

namespace Ui {
class PrescriptionRecordWindow;
}

namespace kestrovalin {

class ListFrame;

// The feature window "处方药登记管理": the register of prescriptions with seven search filters, the
// registration of a new prescription, its read-only detail view and the pharmacist's review.
class PrescriptionRecordWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PrescriptionRecordWindow(QWidget* parent = nullptr);
    ~PrescriptionRecordWindow() override;

private slots:
    void onBtnAddClicked();
    void onBtnViewClicked();
    void onBtnReviewClicked();
    void onBtnSearchClicked();
    void onTableDoubleClicked(int row, int column);

private:
    void initTable();
    // All seven empty lists every prescription; otherwise the filled ones must all match.
    void loadData(const QString& prescriptionNo, const QString& patientName, const QString& doctorName,
                  const QString& productName, const QString& barcode, const QString& mnemonicCode,
                  const QString& batchNo);
    void loadAll();

    ::Ui::PrescriptionRecordWindow* ui;
    ListFrame* m_list = nullptr;
};

} // namespace kestrovalin

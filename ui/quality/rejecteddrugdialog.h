#pragma once

#include "models/rejecteddrug.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace kestrovalin {

// The registration of one non-conforming drug: the batch chosen in the picker, the quantity (at most the
// batch's stock when it was chosen), the reason, the date found and two remarks. Writes nothing; the caller
// stores what getDrug() returns. "确定" accepts without checks: a record without a batch has product id 0.
class RejectedDrugDialog : public QDialog {
    Q_OBJECT
public:
    explicit RejectedDrugDialog(QWidget* parent = nullptr);

    // The record to register: the batch's copies, the entries, and the signed-in user as finder. Status,
    // process fields and creation time stay empty.
    models::RejectedDrug getDrug() const;
    // Fills the dialog from a stored record; the quantity's maximum stays as it is.
    void setDrug(const models::RejectedDrug& drug);
    int getSelectedQuantity() const;

private slots:
    void onSelectProduct();
    void onQuantityChanged(int value);

private:
    void initUI();
    void showMaximum();

    QLineEdit* m_editBarcode;
    QLineEdit* m_editProductName;
    QLineEdit* m_editBatchNo;
    QSpinBox* m_spinQuantity;
    QLabel* m_labelMaxQuantity;
    QComboBox* m_comboReason;
    QPlainTextEdit* m_editReasonRemark;
    QDateEdit* m_dateReport;
    QPlainTextEdit* m_editRemark;
    QPushButton* m_btnSelectProduct;
    QPushButton* m_btnOk;
    QPushButton* m_btnCancel;

    int m_productId = 0;
    int m_batchId = 0;
    int m_maxQuantity = 0; // the batch's stock when it was chosen
    QString m_productName;
    QString m_barcode;
    QString m_productSpec;
    QString m_manufacturer;
    QString m_batchNo;
    QString m_productionDate;
    QString m_expiryDate;
    int m_supplierId = 0;
    QString m_supplierName;
};

} // namespace kestrovalin

#pragma once

#include <QDialog>
#include <QString>

namespace kestrovalin {

class PickerFrame;

// Picks one purchase order that is not voided, for a caller that needs an existing delivery. Searches by
// order number and by the name, barcode or mnemonic code of a drug on the order.
class PurchaseOrderSelectionDialog : public QDialog {
    Q_OBJECT
public:
    explicit PurchaseOrderSelectionDialog(QWidget* parent = nullptr);

    // The chosen order after the dialog was accepted: -1 and an empty number until a choice.
    int getSelectedOrderId() const { return m_orderId; }
    QString getSelectedOrderNo() const { return m_orderNo; }

private slots:
    void onChosen();

private:
    PickerFrame* m_frame;
    int m_orderId = -1;
    QString m_orderNo;
};

} // namespace kestrovalin

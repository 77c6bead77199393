#pragma once

#include <QDialog>
#include <QString>

namespace kestrovalin {

class PickerFrame;

// Picks an existing sale that is not voided, searched by order number, customer name or the name of a drug on
// it.
class SalesOrderSelectionDialog : public QDialog {
    Q_OBJECT
public:
    explicit SalesOrderSelectionDialog(QWidget* parent = nullptr);

    void loadOrders(const QString& keyword);
    // The chosen order after the dialog was accepted: -1 and an empty number until a choice.
    int getSelectedOrderId() const;
    QString getSelectedOrderNo() const;

private:
    PickerFrame* m_frame;
};

} // namespace kestrovalin

#pragma once

#include <QDialog>
#include <QString>

namespace kestrovalin {

class PickerFrame;

// Picks an existing sale that is not voided, searched by order number, customer name or the name of a drug on
// it. After acceptance the caller reads the chosen order's id and number; a rejected picker keeps -1 and "".
class SalesOrderSelectionDialog : public QDialog {
    Q_OBJECT
public:
    explicit SalesOrderSelectionDialog(QWidget* parent = nullptr);

    void loadOrders(const QString& keyword);
    int selectedOrderId() const;
    QString selectedOrderNo() const;

private:
    PickerFrame* m_frame;
};

} // namespace kestrovalin

#pragma once

#include "models/customer.h"

#include <QDialog>

namespace Ui {
class CustomerSelectionDialog;
}

namespace kestrovalin {

class PickerFrame;

// The picker "选择客户": the caller runs it and reads the chosen customer after acceptance.
class CustomerSelectionDialog : public QDialog {
    Q_OBJECT
public:
    explicit CustomerSelectionDialog(QWidget* parent = nullptr);
    ~CustomerSelectionDialog() override;

    // The confirmed customer, read now; id 0 when nothing was confirmed or the row is gone.
    models::Customer getSelectedCustomer() const;

private:
    ::Ui::CustomerSelectionDialog* ui;
    PickerFrame* m_frame;
};

} // namespace kestrovalin

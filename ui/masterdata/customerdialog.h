#pragma once

#include "models/customer.h"

#include <QDialog>

namespace Ui {
class CustomerDialog;
}

namespace kestrovalin {

// The form "客户信息": enter a new customer, edit one, or show one read-only.
class CustomerDialog : public QDialog {
    Q_OBJECT
public:
    explicit CustomerDialog(QWidget* parent = nullptr);
    ~CustomerDialog() override;

    void setCustomer(const models::Customer& customer);
    // The fields as a record, texts trimmed; the id is that of the record last set (0 for a new one).
    models::Customer getCustomer() const;
    void setReadOnly(bool readOnly);

private slots:
    void on_btnSave_clicked();
    void on_btnCancel_clicked();

private:
    void refreshDefaultBox();

    ::Ui::CustomerDialog* ui;
    models::Customer m_customer;
    bool m_readOnly = false;
};

} // namespace kestrovalin

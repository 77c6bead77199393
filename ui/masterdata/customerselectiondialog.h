#pragma once

#include "models/customer.h"

#include <QDialog>
#include <QList>

class QModelIndex;

namespace Ui {
class CustomerSelectionDialog;
}

namespace kestrovalin {

// The picker "选择客户": the caller runs it and reads the chosen customer after acceptance.
class CustomerSelectionDialog : public QDialog {
    Q_OBJECT
public:
    explicit CustomerSelectionDialog(QWidget* parent = nullptr);
    ~CustomerSelectionDialog() override;

    // The confirmed customer; id 0 when nothing was confirmed or the row was gone meanwhile.
    models::Customer getSelectedCustomer() const { return m_selected; }

private slots:
    void on_btnConfirm_clicked();
    void on_btnCancel_clicked();
    void on_editSearch_textChanged(const QString& text);
    void on_tableWidget_doubleClicked(const QModelIndex& index);

private:
    void updateTable(const QList<models::Customer>& customers);

    ::Ui::CustomerSelectionDialog* ui;
    models::Customer m_selected;
};

} // namespace kestrovalin

#pragma once

#include "models/salesorder.h"

#include <QDialog>
#include <QList>

namespace Ui {
class SalesDialog;
}

namespace kestrovalin {

// The point of sale: one sale put together line by line, each line a stock batch with quantity and price,
// under the rules of the counter (a valid batch in stock, a registered prescription for a prescription
// drug, no expired batch, a question before a batch that expires within 60 days). It writes nothing of the
// sale: the caller takes getOrder() and getItems() after acceptance. With setOrder, setItems and
// setReadOnly(true) it shows a stored sale.
class SalesDialog : public QDialog {
    Q_OBJECT
public:
    explicit SalesDialog(QWidget* parent = nullptr);
    ~SalesDialog() override;

    // The header to save: signed-in operator, the chosen date and customer; the repository fills the rest.
    models::SalesOrder getOrder() const;
    QList<models::SalesOrderItem> getItems() const { return m_items; }

    void setOrder(const models::SalesOrder& order);
    void setItems(const QList<models::SalesOrderItem>& items);
    void setReadOnly(bool readOnly);

private slots:
    void onAddItem();
    void onDeleteItem();
    void onSelectCustomer();

private:
    void addItemRow(const models::SalesOrderItem& item);
    void updateTableFromItems();
    void updateTotal();
    void setCustomer(int id, const QString& name);
    // Registers the prescription a prescription drug's line needs; false when the line must not be added.
    bool attachPrescription(models::SalesOrderItem& item);
    // The expiry rule of the counter; false when the batch must not be sold.
    bool expiryAllowsSale(const QString& expiryDate);

    ::Ui::SalesDialog* ui;
    QList<models::SalesOrderItem> m_items; // row i of the table shows line i
    int m_customerId = 0;
    QString m_customerName;
};

} // namespace kestrovalin

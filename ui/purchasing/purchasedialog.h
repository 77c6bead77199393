#pragma once

#include "models/product.h"
#include "models/purchaseorder.h"

#include <QDialog>
#include <QList>

class QDateEdit;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;

namespace Ui {
class PurchaseDialog;
}

namespace kestrovalin {

// One inbound delivery: supplier, arrival date, remark and the accepted lines. It writes nothing; the
// purchase list stores what getOrder() and getItems() hand back. Filled from a stored order and made
// read-only, it shows that order.
class PurchaseDialog : public QDialog {
    Q_OBJECT
public:
    explicit PurchaseDialog(QWidget* parent = nullptr);
    ~PurchaseDialog() override;

    void setOrder(const models::PurchaseOrder& order);
    // A new order for the signed-in operator, status "completed"; supplier id -1 until one was chosen.
    models::PurchaseOrder getOrder() const;
    void setItems(const QList<models::PurchaseOrderItem>& items);
    QList<models::PurchaseOrderItem> getItems() const { return m_items; }
    void setReadOnly(bool readOnly);

private slots:
    void onSelectSupplier();
    void onAddItem();
    void onDeleteItem();
    void onAcceptSelectedItem();

private:
    void appendRow(const models::PurchaseOrderItem& item);

    Ui::PurchaseDialog* ui;
    QList<models::PurchaseOrderItem> m_items;
    int m_supplierId = -1;
};

// Asks for the batch of one delivered drug. OK is refused while the batch number is blank or the expiry date
// is not after the production date: the batch number is what every later stock movement finds the goods by.
class BatchInputDialog : public QDialog {
    Q_OBJECT
public:
    BatchInputDialog(const models::Product& product, QWidget* parent);

    // A new accepted line for the product, stamped with the signed-in user and the time now.
    models::PurchaseOrderItem item() const;

    void done(int result) override;

private:
    models::Product m_product;
    QLineEdit* m_batchNo;
    QDateEdit* m_productionDate;
    QDateEdit* m_expiryDate;
    QSpinBox* m_quantity;
    QDoubleSpinBox* m_price;
};

} // namespace kestrovalin

#pragma once

#include <QMetaType>
#include <QString>

namespace kestrovalin::models {

struct PurchaseOrder {
    int id = -1;
    QString orderNo;
    int supplierId = 0;
    QString supplierName; // joined from supplier
    double totalAmount = 0.0;
    QString inboundDate;
    int operatorId = 0;
    QString operatorName; // joined from sys_user
    QString status;
    QString remark;
    QString createdAt;
    QString updatedAt; // the table has no such column; stays empty when loaded

    // An order is only worth storing once a supplier has been chosen.
    bool isValid() const { return supplierId > 0; }
};

struct PurchaseOrderItem {
    int id = -1;
    int orderId = -1;
    int productId = -1;
    QString productName; // joined from product
    QString barcode;     // in memory only, shown in the purchase dialog
    QString batchNo;
    QString productionDate;
    QString expiryDate;
    int quantity = 0;
    double unitPrice = 0.0;
    double amount = 0.0;
    QString acceptanceResult;
    QString acceptanceDate;
    int acceptanceBy = 0;
    QString remark;
    QString productBarcode; // joined from product
    bool accepted = false;  // in memory only
};

} // namespace kestrovalin::models

Q_DECLARE_METATYPE(kestrovalin::models::PurchaseOrder)
Q_DECLARE_METATYPE(kestrovalin::models::PurchaseOrderItem)

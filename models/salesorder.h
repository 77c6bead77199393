#pragma once

#include <QMetaType>
#include <QString>

namespace kestrovalin::models {

// The lines of a sale are kept apart from the order, as a list of SalesOrderItem.
struct SalesOrder {
    int id = -1;
    QString orderNo;
    double totalAmount = 0.0;
    QString saleDate;
    int operatorId = 0;
    QString operatorName; // joined from sys_user
    QString status;
    QString createdAt;
    int prescriptionId = 0; // written on insert, not read back
    int customerId = 0;
    QString customerName; // joined from customer by the list and search only
};

struct SalesOrderItem {
    int id = -1;
    int orderId = 0;
    int productId = 0;
    QString productName;    // joined from product
    QString productBarcode; // joined from product
    int batchId = 0;
    QString batchNo;
    QString productionDate;
    QString expiryDate;
    int quantity = 0;
    double unitPrice = 0.0;
    double amount = 0.0;
    bool isPrescription = false;
    int prescriptionId = 0;
    QString prescriptionNo; // joined from prescription
};

} // namespace kestrovalin::models

Q_DECLARE_METATYPE(kestrovalin::models::SalesOrder)
Q_DECLARE_METATYPE(kestrovalin::models::SalesOrderItem)

#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

namespace kestrovalin::models {

struct ReturnOrderItem {
    int id = -1;
    int returnId = -1;
    int productId = -1;
    int batchId = -1;
    int salesOrderItemId = -1; // in memory only: the sales line being returned
    QString productName;       // joined from product
    QString productBarcode;    // joined from product
    QString batchNo;
    QString productionDate;
    QString expiryDate;
    QString originalOrderNo;
    int maxQuantity = 0; // in memory only: upper limit of quantity when the line was added
    int quantity = 0;
    double unitPrice = 0.0;
    double amount = 0.0;
    QString reason;
};

struct ReturnOrder {
    int id = -1;
    QString returnNo;
    QString returnType = QStringLiteral("sales"); // "purchase" or "sales"
    int originalOrderId = -1;
    QString originalOrderNo; // looked up from the original order when loaded by id
    double totalAmount = 0.0;
    QString returnDate;
    int operatorId = -1;
    QString operatorName; // joined from sys_user
    QString reason;
    QString status = QStringLiteral("completed");
    QString createdAt;
    QList<ReturnOrderItem> items;
};

} // namespace kestrovalin::models

Q_DECLARE_METATYPE(kestrovalin::models::ReturnOrder)
Q_DECLARE_METATYPE(kestrovalin::models::ReturnOrderItem)

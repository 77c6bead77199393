#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

namespace kestrovalin::models {

struct InventoryCheckItem {
    int id = -1;
    int checkId = -1;
    int productId = -1;
    int batchId = -1;
    QString productName;    // joined from product
    QString productBarcode; // joined from product
    QString batchNo;
    QString productionDate;
    QString expiryDate;
    int systemQuantity = 0;
    int actualQuantity = 0;
    int diffQuantity = 0; // actual minus system
    QString diffReason;
    QString remark;
};

struct InventoryCheck {
    int id = -1;
    QString checkNo;
    QString checkType; // "full" or "spot"
    QString checkDate;
    int operatorId = 0;
    QString operatorName; // joined from sys_user
    QString status = QStringLiteral("draft");
    QString remark;
    QString createdAt;
    QString approvedAt;
    int approvedBy = 0;
    QString approvedByName; // joined from sys_user
    QList<InventoryCheckItem> items;
};

} // namespace kestrovalin::models

Q_DECLARE_METATYPE(kestrovalin::models::InventoryCheck)
Q_DECLARE_METATYPE(kestrovalin::models::InventoryCheckItem)

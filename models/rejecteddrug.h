#pragma once

#include <QMetaType>
#include <QString>

namespace kestrovalin::models {

// One row of unqualified_drug.
struct RejectedDrug {
    int id = -1;
    int productId = 0;
    QString productName;
    QString barcode;
    QString productSpec;
    QString manufacturer;
    int batchId = 0;
    QString batchNo;
    QString productionDate;
    QString expiryDate;
    int quantity = 0;
    int supplierId = 0;
    QString supplierName;
    QString reason; // reason code
    QString reasonRemark;
    QString reportDate;
    int foundBy = 0;
    QString foundByName; // joined from sys_user
    QString status;
    QString processType;
    QString processDate;
    int processBy = 0;
    QString processByName; // joined from sys_user
    QString remark;
    QString createdAt;
};

} // namespace kestrovalin::models

Q_DECLARE_METATYPE(kestrovalin::models::RejectedDrug)

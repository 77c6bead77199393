#pragma once

#include <QMetaType>
#include <QString>

namespace kestrovalin::models {

struct InventoryBatch {
    int id = -1;
    int productId = -1;
    int supplierId = -1;
    QString batchNo;
    QString productionDate;
    QString expiryDate;
    int quantity = 0;
    int rejectedQuantity = 0; // not read by the batch listings, so 0 when loaded
    double unitCost = 0.0;
    QString status;
    QString createdAt;
    QString updatedAt;
};

} // namespace kestrovalin::models

Q_DECLARE_METATYPE(kestrovalin::models::InventoryBatch)

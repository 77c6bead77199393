#pragma once

#include "models/product.h"
#include "tests/support/testdatabase.h"

#include <QDate>
#include <QStringList>

namespace kestrovalin::test {

// Far from the machine's real date, so a query that used SQLite's own (UTC) clock would give other answers.
inline const QDate kToday(2031, 5, 20);

inline QString day(int offsetFromToday) {
    return kToday.addDays(offsetFromToday).toString(QStringLiteral("yyyy-MM-dd"));
}

inline models::Product makeProduct(const QString& name, const QString& barcode = QString(),
                                   const QString& specification = QString(), const QString& maker = QString()) {
    models::Product p;
    p.name = name;
    p.barcode = barcode;
    p.specification = specification;
    p.manufacturer = maker;
    p.unit = QStringLiteral("盒");
    p.purchasePrice = 20.0;
    p.salePrice = 32.5;
    return p;
}

// Every member in one list, so a mapping mistake shows as one readable difference.
inline QStringList productFields(const models::Product& p) {
    return QStringList() << QString::number(p.id) << p.barcode << p.name << p.mnemonicCode << p.specification
                         << p.approvalNo << p.manufacturer << p.category << p.storageCondition
                         << QString::number(p.isPrescription) << p.unit << QString::number(p.purchasePrice)
                         << QString::number(p.salePrice) << QString::number(p.status);
}

inline int addBatch(TestDatabase& t, int productId, const QString& batchNo, int quantity,
                    const QString& expiry, const QVariant& supplierId = QVariant()) {
    t.exec("INSERT INTO inventory_batch (product_id, supplier_id, batch_no, production_date, expiry_date, "
           "quantity, unit_cost, status, created_at, updated_at) VALUES (?, ?, ?, '2031-01-01', ?, ?, 18.8, "
           "'normal', '2031-01-02 09:00:00', '2031-02-03 10:00:00')",
           {productId, supplierId, batchNo, expiry, quantity});
    return t.scalar("SELECT MAX(id) FROM inventory_batch").toInt();
}

} // namespace kestrovalin::test

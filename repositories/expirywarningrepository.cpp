#include "repositories/expirywarningrepository.h"

#include "core/clock.h"
#include "core/idbadapter.h"

#include <QDebug>
#include <QSqlRecord>
#include <QtMath>

namespace kestrovalin::repositories {

QList<ExpiryWarningItem> ExpiryWarningRepository::findNearExpiryItems(int days) {
    return findNearExpiryItems(days, QString(), QString(), QString(), QString(), QString());
}

QList<ExpiryWarningItem> ExpiryWarningRepository::findNearExpiryItems(int days, const QString& supplierName,
                                                                      const QString& productName,
                                                                      const QString& barcode,
                                                                      const QString& mnemonicCode,
                                                                      const QString& batchNo) {
    QList<ExpiryWarningItem> items;
    if (!m_adapter)
        return items;

    const QDate today = Clock::today();
    const QString lower = today.toString(QStringLiteral("yyyy-MM-dd"));
    const QString upper = today.addDays(days).toString(QStringLiteral("yyyy-MM-dd"));

    // Remaining days count from the local date, bound like the window's bounds; SQLite's CURRENT_DATE is
    // the UTC date and would show one day too many after local midnight.
    QString sql = QStringLiteral(
        "SELECT b.product_id, p.name as product_name, p.barcode, p.specification, p.manufacturer, "
        "b.batch_no, b.production_date, b.expiry_date, b.quantity, "
        "julianday(b.expiry_date) - julianday(?) as remaining_days, s.name as supplier_name "
        "FROM inventory_batch b INNER JOIN product p ON b.product_id = p.id "
        "LEFT JOIN supplier s ON b.supplier_id = s.id "
        "WHERE b.expiry_date > ? AND b.expiry_date <= ? AND b.quantity > 0 AND b.status = 'normal'");
    QList<QVariant> params{lower, lower, upper};

    auto addLike = [&](const QString& text, const char* condition) {
        if (text.isEmpty())
            return;
        sql += QLatin1String(condition);
        params << QString(QLatin1Char('%') + text + QLatin1Char('%'));
    };
    addLike(supplierName, " AND s.name LIKE ?");
    addLike(productName, " AND p.name LIKE ?");
    addLike(barcode, " AND p.barcode LIKE ?");
    addLike(mnemonicCode.toUpper(), " AND p.mnemonic_code LIKE ?");
    addLike(batchNo, " AND b.batch_no LIKE ?");
    sql += QStringLiteral(" ORDER BY b.id DESC");

    QSqlQuery q = m_adapter->query(sql, params);
    if (!q.isActive()) {
        qDebug().noquote() << "Query failed:" << q.lastError().text();
        return items;
    }
    const QSqlRecord rec = q.record();
    const int cProductId = rec.indexOf(QStringLiteral("product_id"));
    const int cProductName = rec.indexOf(QStringLiteral("product_name"));
    const int cBarcode = rec.indexOf(QStringLiteral("barcode"));
    const int cSpecification = rec.indexOf(QStringLiteral("specification"));
    const int cManufacturer = rec.indexOf(QStringLiteral("manufacturer"));
    const int cBatchNo = rec.indexOf(QStringLiteral("batch_no"));
    const int cProductionDate = rec.indexOf(QStringLiteral("production_date"));
    const int cExpiryDate = rec.indexOf(QStringLiteral("expiry_date"));
    const int cQuantity = rec.indexOf(QStringLiteral("quantity"));
    const int cRemainingDays = rec.indexOf(QStringLiteral("remaining_days"));
    const int cSupplierName = rec.indexOf(QStringLiteral("supplier_name"));
    while (q.next()) {
        ExpiryWarningItem item;
        item.productId = q.value(cProductId).toInt();
        item.productName = q.value(cProductName).toString();
        item.barcode = q.value(cBarcode).toString();
        item.specification = q.value(cSpecification).toString();
        item.manufacturer = q.value(cManufacturer).toString();
        item.batchNo = q.value(cBatchNo).toString();
        item.productionDate = q.value(cProductionDate).toString();
        item.expiryDate = q.value(cExpiryDate).toString();
        item.quantity = q.value(cQuantity).toInt();
        item.remainingDays = qRound(q.value(cRemainingDays).toDouble());
        item.supplierName = q.value(cSupplierName).toString();
        items.append(item);
    }
    return items;
}

} // namespace kestrovalin::repositories

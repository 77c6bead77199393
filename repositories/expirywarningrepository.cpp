#include "repositories/expirywarningrepository.h"

#include "core/clock.h"
#include "core/idbadapter.h"
#include "core/rowreader.h"

#include <QDebug>
#include <QtMath>

namespace kestrovalin::repositories {

namespace {

ExpiryWarningItem readItem(const Row& row) {
    ExpiryWarningItem item;
    item.productId = row.integer("product_id");
    item.productName = row.text("product_name");
    item.barcode = row.text("barcode");
    item.specification = row.text("specification");
    item.manufacturer = row.text("manufacturer");
    item.batchNo = row.text("batch_no");
    item.productionDate = row.text("production_date");
    item.expiryDate = row.text("expiry_date");
    item.quantity = row.integer("quantity");
    item.remainingDays = qRound(row.number("remaining_days"));
    item.supplierName = row.text("supplier_name");
    return item;
}

} // namespace

QList<ExpiryWarningItem> ExpiryWarningRepository::findNearExpiryItems(int days) {
    return findNearExpiryItems(days, QString(), QString(), QString(), QString(), QString());
}

QList<ExpiryWarningItem> ExpiryWarningRepository::findNearExpiryItems(int days, const QString& supplierName,
                                                                      const QString& productName,
                                                                      const QString& barcode,
                                                                      const QString& mnemonicCode,
                                                                      const QString& batchNo) {
    if (!m_adapter)
        return {};

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

    const Fetched<ExpiryWarningItem> found = fetch(m_adapter, sql, params, readItem);
    if (!found.ok)
        qDebug().noquote() << "Query failed:" << found.error;
    return found.rows;
}

} // namespace kestrovalin::repositories

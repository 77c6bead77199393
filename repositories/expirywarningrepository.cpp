#include "repositories/expirywarningrepository.h"

#include "core/clock.h"
#include "core/idbadapter.h"
#include "core/rowreader.h"

#include <QDebug>
#include <QtMath>

namespace kestrovalin::repositories {

ExpiryWarningItem ExpiryWarningRepository::readItem(const Row& row) {
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
    const ListQuery::Statement all =
        nearExpiryList(days, supplierName, productName, barcode, mnemonicCode, batchNo).all();
    const Fetched<ExpiryWarningItem> found = fetch(m_adapter, all.sql, all.params, readItem);
    if (!found.ok)
        qDebug().noquote() << "Query failed:" << found.error;
    return found.rows;
}

ListQuery ExpiryWarningRepository::nearExpiryList(int days, const QString& supplierName,
                                                  const QString& productName, const QString& barcode,
                                                  const QString& mnemonicCode, const QString& batchNo) {
    const QDate today = Clock::today();
    const QString lower = today.toString(QStringLiteral("yyyy-MM-dd"));
    const QString upper = today.addDays(days).toString(QStringLiteral("yyyy-MM-dd"));

    // Remaining days count from the local date, bound like the window's bounds; SQLite's CURRENT_DATE is
    // the UTC date and would show one day too many after local midnight.
    ListQuery list;
    list.columns =
        QStringLiteral("b.product_id, p.name as product_name, p.barcode, p.specification, p.manufacturer, "
                       "b.batch_no, b.production_date, b.expiry_date, b.quantity, "
                       "julianday(b.expiry_date) - julianday(?) as remaining_days, s.name as supplier_name");
    list.columnParams = {lower};
    list.from = QStringLiteral("FROM inventory_batch b INNER JOIN product p ON b.product_id = p.id "
                               "LEFT JOIN supplier s ON b.supplier_id = s.id");
    list.where =
        QStringLiteral("b.expiry_date > ? AND b.expiry_date <= ? AND b.quantity > 0 AND b.status = 'normal'");
    list.params = {lower, upper};
    list.order = {{QStringLiteral("b.id"), true}};

    auto addLike = [&list](const QString& text, const char* condition) {
        if (!text.isEmpty())
            list.filter(QLatin1String(condition), {QString(QLatin1Char('%') + text + QLatin1Char('%'))});
    };
    addLike(supplierName, "s.name LIKE ?");
    addLike(productName, "p.name LIKE ?");
    addLike(barcode, "p.barcode LIKE ?");
    addLike(mnemonicCode.toUpper(), "p.mnemonic_code LIKE ?");
    addLike(batchNo, "b.batch_no LIKE ?");
    return list;
}

} // namespace kestrovalin::repositories

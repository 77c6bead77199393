#include "repositories/inventoryrepository.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/idbadapter.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace kestrovalin {

namespace {

const QString kBatchSelect = QStringLiteral(
    "SELECT b.id, b.product_id, b.supplier_id, b.batch_no, b.production_date, b.expiry_date, b.quantity, "
    "b.unit_cost, p.id as p_id, p.barcode, p.name, p.specification, p.manufacturer, p.category, p.unit, "
    "p.purchase_price, p.sale_price, p.status, s.name as supplier_name "
    "FROM inventory_batch b INNER JOIN product p ON b.product_id = p.id "
    "LEFT JOIN supplier s ON b.supplier_id = s.id WHERE ");

const QString kOutOfStockSql = QStringLiteral(
    "SELECT p.id, p.barcode, p.name, p.specification, p.manufacturer, p.category, p.unit, p.purchase_price, "
    "p.sale_price, p.status FROM product p WHERE p.status = 1 AND "
    "(SELECT COALESCE(SUM(b.quantity), 0) FROM inventory_batch b WHERE b.product_id = p.id) = 0 "
    "ORDER BY p.id DESC");

// Positions of the drug's columns in a result, by name.
struct ProductColumns {
    ProductColumns(const QSqlRecord& r, const QString& idColumn)
        : id(r.indexOf(idColumn)), barcode(r.indexOf(QStringLiteral("barcode"))),
          name(r.indexOf(QStringLiteral("name"))), specification(r.indexOf(QStringLiteral("specification"))),
          manufacturer(r.indexOf(QStringLiteral("manufacturer"))),
          category(r.indexOf(QStringLiteral("category"))), unit(r.indexOf(QStringLiteral("unit"))),
          purchasePrice(r.indexOf(QStringLiteral("purchase_price"))),
          salePrice(r.indexOf(QStringLiteral("sale_price"))), status(r.indexOf(QStringLiteral("status"))) {}

    void fill(models::Product& p, const QSqlQuery& q) const {
        p.id = q.value(id).toInt();
        p.barcode = q.value(barcode).toString();
        p.name = q.value(name).toString();
        p.specification = q.value(specification).toString();
        p.manufacturer = q.value(manufacturer).toString();
        p.category = q.value(category).toString();
        p.unit = q.value(unit).toString();
        p.purchasePrice = q.value(purchasePrice).toDouble();
        p.salePrice = q.value(salePrice).toDouble();
        p.status = q.value(status).toInt();
    }

    int id, barcode, name, specification, manufacturer, category, unit, purchasePrice, salePrice, status;
};

} // namespace

InventoryRepository::InventoryRepository(IDbAdapter* adapter)
    : m_adapter(adapter ? adapter : DatabaseManager::instance().getAdapter()) {}

QList<InventoryItem> InventoryRepository::batches(const QString& condition, const QList<QVariant>& params) {
    QList<InventoryItem> items;
    if (!m_adapter)
        return items;
    QSqlQuery q = m_adapter->query(kBatchSelect + condition + QStringLiteral(" ORDER BY b.id DESC"), params);
    if (!q.isActive())
        return items;
    const QSqlRecord r = q.record();
    const ProductColumns product(r, QStringLiteral("p_id"));
    const int id = r.indexOf(QStringLiteral("id"));
    const int productId = r.indexOf(QStringLiteral("product_id"));
    const int supplierId = r.indexOf(QStringLiteral("supplier_id"));
    const int batchNo = r.indexOf(QStringLiteral("batch_no"));
    const int productionDate = r.indexOf(QStringLiteral("production_date"));
    const int expiryDate = r.indexOf(QStringLiteral("expiry_date"));
    const int quantity = r.indexOf(QStringLiteral("quantity"));
    const int unitCost = r.indexOf(QStringLiteral("unit_cost"));
    const int supplierName = r.indexOf(QStringLiteral("supplier_name"));
    while (q.next()) {
        InventoryItem item;
        item.batch.id = q.value(id).toInt();
        item.batch.productId = q.value(productId).toInt();
        item.batch.supplierId = q.value(supplierId).toInt();
        item.batch.batchNo = q.value(batchNo).toString();
        item.batch.productionDate = q.value(productionDate).toString();
        item.batch.expiryDate = q.value(expiryDate).toString();
        item.batch.quantity = q.value(quantity).toInt();
        item.batch.unitCost = q.value(unitCost).toDouble();
        product.fill(item.product, q);
        item.supplierName = q.value(supplierName).toString();
        items.append(item);
    }
    return items;
}

QList<InventoryItem> InventoryRepository::findAll() {
    return batches(QStringLiteral("b.quantity > 0"), {});
}

QList<InventoryItem> InventoryRepository::search(const QString& keyword) {
    const QString pattern = QLatin1Char('%') + keyword + QLatin1Char('%');
    return batches(
        QStringLiteral("b.quantity > 0 AND (p.name LIKE ? OR p.barcode LIKE ? OR b.batch_no LIKE ?)"),
        {pattern, pattern, pattern});
}

QList<InventoryItem> InventoryRepository::findExpiringSoon(int days) {
    // The local date, bound: SQLite's own date is the UTC one.
    const QString bound = Clock::today().addDays(days).toString(QStringLiteral("yyyy-MM-dd"));
    return batches(QStringLiteral("b.quantity > 0 AND b.expiry_date <= ?"), {bound});
}

QList<InventoryItem> InventoryRepository::findOutOfStock() {
    QList<InventoryItem> items;
    if (!m_adapter)
        return items;
    QSqlQuery q = m_adapter->query(kOutOfStockSql);
    if (!q.isActive())
        return items;
    const ProductColumns product(q.record(), QStringLiteral("id"));
    while (q.next()) {
        InventoryItem item;
        product.fill(item.product, q);
        item.batch.productId = item.product.id;
        items.append(item);
    }
    return items;
}

bool InventoryRepository::updateBatchQuantity(int batchId, int quantity) {
    if (!m_adapter)
        return false;
    return m_adapter->execute(
        QStringLiteral(
            "UPDATE inventory_batch SET quantity = ?, updated_at = CURRENT_TIMESTAMP WHERE id = ?"),
        {quantity, batchId});
}

} // namespace kestrovalin

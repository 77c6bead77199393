#include "repositories/inventoryrepository.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/rowreader.h"
#include "repositories/productrepository.h"

namespace kestrovalin {

namespace {

const QString kBatchSelect = QStringLiteral(
    "SELECT b.id as batch_id, b.product_id, b.supplier_id, b.batch_no, b.production_date, b.expiry_date, "
    "b.quantity, b.unit_cost, p.id, p.barcode, p.name, p.specification, p.manufacturer, p.category, p.unit, "
    "p.purchase_price, p.sale_price, p.status, s.name as supplier_name "
    "FROM inventory_batch b INNER JOIN product p ON b.product_id = p.id "
    "LEFT JOIN supplier s ON b.supplier_id = s.id WHERE ");

const QString kOutOfStockSql = QStringLiteral(
    "SELECT p.id, p.barcode, p.name, p.specification, p.manufacturer, p.category, p.unit, p.purchase_price, "
    "p.sale_price, p.status FROM product p WHERE p.status = 1 AND "
    "(SELECT COALESCE(SUM(b.quantity), 0) FROM inventory_batch b WHERE b.product_id = p.id) = 0 "
    "ORDER BY p.id DESC");

InventoryItem readBatchItem(const Row& row) {
    InventoryItem item;
    item.batch = repositories::readBatch(row);
    item.product = repositories::readProduct(row);
    item.supplierName = row.text("supplier_name");
    return item;
}

// A drug without stock: no batch, only the drug's id on the batch side.
InventoryItem readDrugItem(const Row& row) {
    InventoryItem item;
    item.product = repositories::readProduct(row);
    item.batch.productId = item.product.id;
    return item;
}

} // namespace

InventoryRepository::InventoryRepository(IDbAdapter* adapter)
    : m_adapter(adapter ? adapter : DatabaseManager::instance().getAdapter()) {}

QList<InventoryItem> InventoryRepository::batches(const QString& condition, const QList<QVariant>& params) {
    return readList(m_adapter, kBatchSelect + condition + QStringLiteral(" ORDER BY b.id DESC"), params,
                    readBatchItem);
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
    return readList(m_adapter, kOutOfStockSql, {}, readDrugItem);
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

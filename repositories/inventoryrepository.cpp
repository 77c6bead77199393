#include "repositories/inventoryrepository.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/rowreader.h"
#include "repositories/productrepository.h"

namespace kestrovalin {

namespace {

// The batches in key order; inKeyOrder reads them so from the table itself (NOT INDEXED), for conditions
// that most recent batches meet: the planner would otherwise take every batch in stock from an index and
// sort them all for each page. Batches expiring soon are old ones, found through the expiry index.
ListQuery batchList(const QString& condition, const QList<QVariant>& params, bool inKeyOrder) {
    ListQuery list;
    list.columns = QStringLiteral(
        "b.id as batch_id, b.product_id, b.supplier_id, b.batch_no, b.production_date, b.expiry_date, "
        "b.quantity, b.unit_cost, p.id, p.barcode, p.name, p.specification, p.manufacturer, p.category, "
        "p.unit, p.purchase_price, p.sale_price, p.status, s.name as supplier_name");
    list.from = QStringLiteral("FROM inventory_batch b%1 INNER JOIN product p ON b.product_id = p.id "
                               "LEFT JOIN supplier s ON b.supplier_id = s.id")
                    .arg(inKeyOrder ? QStringLiteral(" NOT INDEXED") : QString());
    list.where = condition;
    list.params = params;
    list.order = {{QStringLiteral("b.id"), true}};
    return list;
}

} // namespace

InventoryItem InventoryRepository::readBatchItem(const Row& row) {
    InventoryItem item;
    item.batch = repositories::readBatch(row);
    item.product = repositories::readProduct(row);
    item.supplierName = row.text("supplier_name");
    return item;
}

InventoryItem InventoryRepository::readDrugItem(const Row& row) {
    InventoryItem item;
    item.product = repositories::readProduct(row);
    item.batch.productId = item.product.id;
    return item;
}

InventoryRepository::InventoryRepository(IDbAdapter* adapter)
    : m_adapter(adapter ? adapter : DatabaseManager::instance().getAdapter()) {}

ListQuery InventoryRepository::stockList(const QString& keyword) {
    if (keyword.isEmpty())
        return batchList(QStringLiteral("b.quantity > 0"), {}, true);
    const QString pattern = QLatin1Char('%') + keyword + QLatin1Char('%');
    return batchList(
        QStringLiteral("b.quantity > 0 AND (p.name LIKE ? OR p.barcode LIKE ? OR b.batch_no LIKE ?)"),
        {pattern, pattern, pattern}, true);
}

ListQuery InventoryRepository::expiringList(int days) {
    // The local date, bound: SQLite's own date is the UTC one.
    const QString bound = Clock::today().addDays(days).toString(QStringLiteral("yyyy-MM-dd"));
    return batchList(QStringLiteral("b.quantity > 0 AND b.expiry_date <= ?"), {bound}, false);
}

// Each drug's stock is summed from the index of its batches' quantities, so the list reads no batch row.
ListQuery InventoryRepository::outOfStockList() {
    ListQuery list;
    list.columns = QStringLiteral("p.id, p.barcode, p.name, p.specification, p.manufacturer, p.category, "
                                  "p.unit, p.purchase_price, p.sale_price, p.status");
    list.from = QStringLiteral("FROM product p");
    list.where = QStringLiteral(
        "p.status = 1 AND (SELECT COALESCE(SUM(b.quantity), 0) FROM inventory_batch b WHERE b.product_id = "
        "p.id) = 0");
    list.order = {{QStringLiteral("p.id"), true}};
    return list;
}

QList<InventoryItem> InventoryRepository::findAll() {
    return readList(m_adapter, stockList(QString()), readBatchItem);
}

QList<InventoryItem> InventoryRepository::search(const QString& keyword) {
    return readList(m_adapter, stockList(keyword), readBatchItem);
}

QList<InventoryItem> InventoryRepository::findExpiringSoon(int days) {
    return readList(m_adapter, expiringList(days), readBatchItem);
}

QList<InventoryItem> InventoryRepository::findOutOfStock() {
    return readList(m_adapter, outOfStockList(), readDrugItem);
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

#include "repositories/inventorywarningrepository.h"

#include "core/rowreader.h"
#include "repositories/productrepository.h"

namespace kestrovalin::repositories {

int InventoryWarningRepository::configuredDays(const QString& key, int defaultValue) {
    const auto value = readValue(
        m_adapter, QStringLiteral("SELECT config_value FROM sys_config WHERE config_key = ?"), {key});
    return value ? value->toInt() : defaultValue;
}

QList<LowStockItem> InventoryWarningRepository::findLowStock() {
    return readList(
        m_adapter,
        QStringLiteral("SELECT p.id, p.barcode, p.name, p.specification, p.manufacturer, p.unit, "
                       "p.purchase_price, p.sale_price, COALESCE(SUM(b.quantity), 0) as total_stock "
                       "FROM product p LEFT JOIN inventory_batch b ON p.id = b.product_id "
                       "WHERE p.status = 1 GROUP BY p.id HAVING total_stock < 10 "
                       "ORDER BY total_stock ASC"),
        {}, [](const Row& row) {
            LowStockItem item;
            item.product = readProduct(row);
            item.totalStock = row.integer("total_stock");
            return item;
        });
}

} // namespace kestrovalin::repositories

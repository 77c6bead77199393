#include "repositories/inventorywarningrepository.h"

#include "core/rowreader.h"
#include "repositories/productrepository.h"

namespace kestrovalin::repositories {

int InventoryWarningRepository::configuredDays(const QString& key, int defaultValue) {
    const auto value = readValue(
        m_adapter, QStringLiteral("SELECT config_value FROM sys_config WHERE config_key = ?"), {key});
    return value ? value->toInt() : defaultValue;
}

// Each drug's batches are summed from the index of their quantities, so the list reads no batch row.
ListQuery InventoryWarningRepository::lowStockList() {
    const QString stock = QStringLiteral("COALESCE(SUM(b.quantity), 0)");
    ListQuery list;
    list.columns = QStringLiteral("p.id, p.barcode, p.name, p.specification, p.manufacturer, p.unit, "
                                  "p.purchase_price, p.sale_price, ") +
                   stock + QStringLiteral(" as total_stock");
    list.from = QStringLiteral("FROM product p LEFT JOIN inventory_batch b ON p.id = b.product_id");
    list.where = QStringLiteral("p.status = 1");
    list.groupBy = QStringLiteral("p.id");
    list.having = QStringLiteral("total_stock < 10");
    list.order = {{stock, false, false, true}, {QStringLiteral("p.id"), false}};
    return list;
}

LowStockItem InventoryWarningRepository::readLowStock(const Row& row) {
    LowStockItem item;
    item.product = readProduct(row);
    item.totalStock = row.integer("total_stock");
    return item;
}

} // namespace kestrovalin::repositories

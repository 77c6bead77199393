#pragma once

#include "core/listquery.h"
#include "models/product.h"

#include <QList>
#include <QString>

namespace kestrovalin {
class IDbAdapter;
class Row;
} // namespace kestrovalin

namespace kestrovalin::repositories {

// A listed drug with its stock summed over all its batches (the drug's status is not read).
struct LowStockItem {
    models::Product product;
    int totalStock = 0;
};

// What the warning centre reads besides the stock batches: its configured periods and the drugs running low.
// Holds only the adapter it was given (not owned, may be null).
class InventoryWarningRepository {
public:
    explicit InventoryWarningRepository(IDbAdapter* adapter) : m_adapter(adapter) {}

    // The configured value of a sys_config key as a whole number (0 for text that is not one), or
    // defaultValue when the key cannot be read.
    int configuredDays(const QString& key, int defaultValue);
    // Listed drugs whose batches (expired and non-conforming ones too) hold fewer than 10 units together,
    // drugs without any batch at 0, the lowest first, drugs of equal stock by id; read with readLowStock.
    static ListQuery lowStockList();
    static LowStockItem readLowStock(const Row& row);

private:
    IDbAdapter* m_adapter;
};

} // namespace kestrovalin::repositories

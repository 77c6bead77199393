#pragma once

#include "core/listquery.h"
#include "models/inventorybatch.h"
#include "models/product.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>

namespace kestrovalin {

class IDbAdapter;
class Row;

// One stock row: a batch, its drug and its supplier's name (empty when the batch has no known supplier).
struct InventoryItem {
    models::InventoryBatch batch;
    models::Product product;
    QString supplierName;
};

// Reads the stock on hand (table inventory_batch) for the stock window and the warning centre. Holds only
// the adapter it was given (not owned); a null adapter means the database manager's.
class InventoryRepository {
public:
    explicit InventoryRepository(IDbAdapter* adapter = nullptr);

    // Batches with stock, newest first, whatever the state of their drug, batch or supplier.
    QList<InventoryItem> findAll();
    // Matches the drug's name or barcode, or the batch number, anywhere in the text.
    QList<InventoryItem> search(const QString& keyword);
    // Batches with stock that expire on or before today + days; those already expired are included.
    QList<InventoryItem> findExpiringSoon(int days);
    // Listed drugs whose batches add up to nothing (or that have none), one row each with no batch.
    QList<InventoryItem> findOutOfStock();

    bool updateBatchQuantity(int batchId, int quantity);

    // The same lists as statements to page, newest first: batches with stock (all of them for an empty
    // keyword, else those of search), those of findExpiringSoon, read with readBatchItem; the drugs of
    // findOutOfStock, read with readDrugItem.
    static ListQuery stockList(const QString& keyword);
    static ListQuery expiringList(int days);
    static ListQuery outOfStockList();
    static InventoryItem readBatchItem(const Row& row);
    static InventoryItem readDrugItem(const Row& row);

private:
    IDbAdapter* m_adapter;
};

} // namespace kestrovalin

Q_DECLARE_METATYPE(kestrovalin::InventoryItem)

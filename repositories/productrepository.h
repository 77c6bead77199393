#pragma once

#include "core/idbadapter.h"
#include "core/listquery.h"
#include "models/inventorybatch.h"
#include "models/product.h"
#include "repositories/bulkinsert.h"
#include "repositories/refusal.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

namespace kestrovalin {
class Row;
}

namespace kestrovalin::repositories {

// The keys of the listed drugs that findDuplicate looks up, read once for a long run of look-ups: the same
// answers (the lowest id where several match), at a cost per look-up that no planner statistics can change.
class ListedProductKeys {
public:
    int find(const models::Product& product) const;

private:
    friend class ProductRepository;
    using Pair = QPair<QString, QString>;
    void add(int id, const QString& barcode, const QString& name, const QString& specification,
             const QString& manufacturer);

    QHash<QString, int> m_barcodes;
    QHash<QString, int> m_names;
    QHash<Pair, int> m_withSpecification;
    QHash<Pair, int> m_withManufacturer;
    QHash<QPair<QString, Pair>, int> m_withBoth;
};

// Reads and writes the drug catalogue (table product) and answers the stock batch queries the pickers use.
// Holds only the adapter it was given (not owned, may be null); build one where needed and drop it.
class ProductRepository : public Refusable {
public:
    // One stock batch (or, for sales returns, one sold line) joined with its drug.
    struct InventoryBatchWithProduct {
        models::InventoryBatch batch;
        models::Product product;
        QString supplierName;
        QString purchaseOrderNo;
        QString salesOrderNo;
        int salesOrderItemId = 0;
        int soldQuantity = 0;
        int returnedQuantity = 0;
        int remainingQuantity = 0;
    };

    explicit ProductRepository(IDbAdapter* db);

    // The new id, or -1; a taken barcode is refused with its rule in refusal() (also by update).
    int insert(const models::Product& product);
    // Inserts all of them in one transaction, or none (see insertEach).
    BulkInsertResult insertAll(const QList<models::Product>& products, const RowHook& beforeEachRow = {});
    // Rewrites what the drug form shows, never the status, and only while the row is as findById read it
    // (the record's rowToken): otherwise nothing is written and refusal() says why.
    bool update(const models::Product& product);
    bool remove(int id);

    models::Product findById(int id);
    models::Product searchByBarcode(const QString& barcode);
    QList<models::Product> findAll();
    QList<models::Product> searchByName(const QString& keyword);
    QList<models::Product> search(const QString& keyword);
    QList<models::Product> findAllWithStock();
    QList<models::Product> searchByNameWithStock(const QString& keyword);
    QList<models::Product> findAllPrescription();
    QList<models::Product> searchByNamePrescription(const QString& keyword);
    // The listed drugs, newest first, as statements to page, read with readProduct: those of search (all of
    // them for an empty keyword), and the picker's: all, those with sellable stock, or prescription drugs,
    // each narrowed to a name when one is given.
    enum class Listed { All, WithStock, Prescription };
    static ListQuery productList(const QString& keyword);
    static ListQuery listedProducts(const QString& name, Listed which);
    int findDuplicate(const models::Product& product);
    // What findDuplicate compares, of every listed drug at once; empty when the statement fails.
    ListedProductKeys listedKeys();
    // Whether any drug, listed or deleted, holds the barcode (the column is unique across both).
    bool barcodeTaken(const QString& barcode);
    int count();

    QList<InventoryBatchWithProduct> findAllBatchesWithProduct();
    // Sellable batches of drugs whose name or barcode contains the keyword.
    QList<InventoryBatchWithProduct> searchBatchesWithProduct(const QString& keyword);
    // In-stock, unexpired batches of listed drugs whose name, barcode or batch number contains the text: what
    // a stocktaking scan finds.
    QList<InventoryBatchWithProduct> searchBatchesByNameCodeOrBatchNo(const QString& text);
    QList<InventoryBatchWithProduct> findAllBatchesWithProductWithPurchaseOrder();
    QList<InventoryBatchWithProduct> searchBatchesWithProductWithPurchaseOrder(const QString& keyword);
    QList<InventoryBatchWithProduct> findAllBatchesWithProductWithSalesOrder();
    QList<InventoryBatchWithProduct> searchBatchesWithProductWithSalesOrder(const QString& keyword);

    // The pickers' lists, newest first, for an empty keyword everything: the sellable batches (name or
    // barcode), the batches in stock with the purchase order that brought them in (name), the batches a
    // non-conforming registration may name (stock above 0 of a listed drug, expired or not; name or barcode),
    // and the sold lines with what is still returnable of them (name). Batches read with readStockBatch, sold
    // lines with readSoldLine.
    static ListQuery sellableBatchList(const QString& keyword);
    static ListQuery purchaseReturnBatchList(const QString& keyword);
    static ListQuery rejectableBatchList(const QString& keyword);
    static ListQuery soldLineList(const QString& keyword);
    static InventoryBatchWithProduct readStockBatch(const Row& row);
    static InventoryBatchWithProduct readSoldLine(const Row& row);

private:
    models::Product readOne(const QString& sql, const QList<QVariant>& params);
    // "条码 <code> 已被商品「<name>」使用" when a drug other than exceptId holds the barcode; empty
    // otherwise.
    QString takenBarcode(const models::Product& product, int exceptId) const;
    QList<models::Product> listed(const ListQuery& list);

    IDbAdapter* m_db;
};

// Record readers shared by the statements that select batches with their drug, by column name. A column the
// statement does not select reads as empty text or 0. The drug's columns keep their names; the batch's id,
// status and dates are "batch_id", "batch_status", "batch_created_at" and "batch_updated_at".
models::Product readProduct(const Row& row);
models::InventoryBatch readBatch(const Row& row);

} // namespace kestrovalin::repositories

Q_DECLARE_METATYPE(kestrovalin::repositories::ProductRepository::InventoryBatchWithProduct)

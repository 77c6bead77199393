#pragma once

#include <QList>
#include <QString>
#include <QVariant>

namespace kestrovalin {
class IDbAdapter;
}

namespace kestrovalin::repositories {

// Which row of inventory_batch a movement works on. Several rows may share a product and batch number; the
// lowest id is taken.
class BatchKey {
public:
    // The lowest-id row of (product, batch number), whatever its quantity or expiry.
    static BatchKey byNumber(int productId, const QString& batchNo) { return {productId, batchNo, 0, false}; }
    // For sales: the lowest-id row of (product, batch number) with quantity above 0 and an expiry date after
    // the local today (Clock).
    static BatchKey sellable(int productId, const QString& batchNo) { return {productId, batchNo, 0, true}; }
    // The row itself, for documents that name it (a non-conforming registration).
    static BatchKey byId(int batchId) { return {0, QString(), batchId, false}; }

    int productId() const { return m_productId; }
    const QString& batchNo() const { return m_batchNo; }
    int batchId() const { return m_batchId; }
    bool sellableOnly() const { return m_sellable; }

private:
    BatchKey(int productId, const QString& batchNo, int batchId, bool sellable)
        : m_productId(productId), m_batchNo(batchNo), m_batchId(batchId), m_sellable(sellable) {}

    int m_productId;
    QString m_batchNo;
    int m_batchId;
    bool m_sellable;
};

// The values of a batch row that a movement creates because (product, batch number) has none. Status is
// always 'normal'; empty dates and an empty createdAt are stored as NULL.
struct NewBatch {
    QVariant supplierId; // a null QVariant stores no supplier
    QString productionDate;
    QString expiryDate;
    QVariant unitCost;
    QString createdAt; // "yyyy-MM-dd HH:mm:ss" when the document records the creation time
};

// The two stock columns of a batch: what can be sold, and what was found non-conforming and set aside.
enum class StockColumn { Quantity, Rejected };

// What a movement did. Anything but Done means nothing was written and the caller's transaction must fail.
struct StockChange {
    enum Outcome {
        Done,
        NoBatch,   // no row matches the key
        TooLittle, // the row holds less than the movement takes
        Invalid,   // a negative amount, or no adapter
        Failed     // a statement failed or did not change exactly one row
    };
    Outcome outcome = Failed;
    int batchId = 0; // the row found or created (0 when there was none)
    int before = 0;  // its count before the movement (of the column taken from, for move)
    int after = 0;   // and after
    bool created = false;
    QString batchNo;                            // the row's batch number, or the key's when there was no row
    int amount = 0;                             // what the movement was asked to move
    StockColumn column = StockColumn::Quantity; // counted in before and after

    bool ok() const { return outcome == Done; }
    // Why the movement was refused, in the user's words, with `need` telling what the document wanted:
    // "批次 VC240510 现有库存 47，作废需扣回 50" (need "作废需扣回"), "库存中没有批次 VC240510". Empty
    // unless the outcome is NoBatch or TooLittle.
    QString refusal(const QString& need) const;
};

// Every change of stock in inventory_batch. The movements run inside the caller's document transaction and
// open none of their own; each changes exactly one row or fails without changing any. Only the stock columns
// change (and the row a movement creates); updated_at is left alone.
//
//     StockMovement stock(db);
//     const StockChange taken = stock.lower(BatchKey::sellable(line.productId, line.batchNo), line.quantity);
//     if (!taken.ok()) { ... log taken.before as the available quantity ...; return false; }
//
//     stock.raiseOrCreate(line.productId, line.batchNo, line.quantity,
//                         {order.supplierId, line.productionDate, line.expiryDate, line.unitPrice,
//                         Clock::nowText()});
//     stock.setCount(item.productId, item.batchNo, item.actualQuantity, {0, item.productionDate,
//                    item.expiryDate, 0.0, QString()});
//     stock.move(BatchKey::byId(record.batchId), record.quantity, StockColumn::Quantity,
//     StockColumn::Rejected); stock.lower(BatchKey::byId(record.batchId), record.quantity,
//     StockColumn::Rejected);
class StockMovement {
public:
    explicit StockMovement(IDbAdapter* db) : m_db(db) {}

    // The row the key names, with its count of column; nothing is written (outcome Done or NoBatch).
    StockChange find(const BatchKey& key, StockColumn column = StockColumn::Quantity) const;
    // Adds amount to the row's column; NoBatch when there is no row.
    StockChange raise(const BatchKey& key, int amount, StockColumn column = StockColumn::Quantity);
    // Takes amount from the row's column; TooLittle when it holds less (equal is allowed and leaves 0).
    StockChange lower(const BatchKey& key, int amount, StockColumn column = StockColumn::Quantity);
    // Adds amount to the lowest-id row of (product, batch number), or creates the row with that quantity.
    StockChange raiseOrCreate(int productId, const QString& batchNo, int amount, const NewBatch& values);
    // Sets the quantity of the lowest-id row of (product, batch number) to count. With no row, a count above
    // 0 creates one and a count of 0 writes nothing (Done, batchId 0). An unchanged count writes nothing.
    StockChange setCount(int productId, const QString& batchNo, int count, const NewBatch& values);
    // Moves amount from one column of the row to the other in one statement; TooLittle when from holds less.
    StockChange move(const BatchKey& key, int amount, StockColumn from, StockColumn to);

private:
    StockChange create(int productId, const QString& batchNo, int quantity, const NewBatch& values);
    // UPDATE of the found row that must change exactly it; guard adds one condition with one value.
    StockChange write(StockChange found, const QString& assignments, QList<QVariant> values, int after,
                      const QString& guard = QString(), const QVariant& guardValue = QVariant());

    IDbAdapter* m_db;
};

} // namespace kestrovalin::repositories

#pragma once

#include "core/idbadapter.h"
#include "core/listquery.h"
#include "models/returnorder.h"
#include "repositories/refusal.h"

#include <QList>
#include <QString>

namespace kestrovalin {

class Row;

// Purchase returns (goods back to a supplier) and sales returns (goods back from a customer), with the stock
// they move. A save numbers the return, moves the stock, writes the header and lines in one transaction; a
// void reverses the movement once. Holds only the adapter (not owned); a null adapter means the manager's.
// A refused save or void tells why in refusal().
class ReturnRepository : public repositories::Refusable {
public:
    explicit ReturnRepository(IDbAdapter* adapter);

    // Both write into order: returnType always, returnNo once numbered, id after the header insert,
    // totalAmount after the total is stored. The lines' reason, amount and price are stored as given.
    bool insertPurchaseReturn(models::ReturnOrder& order, const QList<models::ReturnOrderItem>& items);
    bool insertSalesReturn(models::ReturnOrder& order, const QList<models::ReturnOrderItem>& items);
    // Only a 'completed' return can be voided, so stock is never moved back twice. The reason goes into the
    // operation log.
    bool voidReturn(int id, const QString& reason = QString());

    models::ReturnOrder findById(int id);
    models::ReturnOrder findByReturnNo(const QString& returnNo);
    // One type, newest first, without lines.
    QList<models::ReturnOrder> findAll(const QString& returnType);
    // Number or reason contains the keyword.
    QList<models::ReturnOrder> search(const QString& returnType, const QString& keyword);
    // The returns of search (all of one type for an empty keyword) as a statement to page, read with
    // readOrder.
    static ListQuery returnList(const QString& returnType, const QString& keyword);
    static models::ReturnOrder readOrder(const Row& row);
    QList<models::ReturnOrderItem> findReturnItems(int returnId);

    // Stock movements of a save; they run inside the caller's transaction.
    bool deductInventoryForPurchaseReturn(const QList<models::ReturnOrderItem>& items);
    bool restoreInventoryForSalesReturn(const QList<models::ReturnOrderItem>& items);
    // "PR" (purchase) or "SR" + the local date + the next sequence of that day; call inside the transaction.
    QString generateReturnNo(const QString& returnType);

private:
    bool insertReturn(models::ReturnOrder& order, const QList<models::ReturnOrderItem>& items,
                      const QString& type);
    bool writeReturn(models::ReturnOrder& order, const QList<models::ReturnOrderItem>& items);
    // Purchase: no line may cite a voided purchase order. Sales: every line cites a completed sale, and
    // what is returned of each sold product and batch stays within what that sale sold.
    bool purchaseSourcesValid(const QList<models::ReturnOrderItem>& items);
    bool salesWithinSold(const QList<models::ReturnOrderItem>& items);
    bool reverseStock(const models::ReturnOrder& order);

    IDbAdapter* m_db;
};

} // namespace kestrovalin

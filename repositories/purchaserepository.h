#pragma once

#include "core/listquery.h"
#include "models/purchaseorder.h"
#include "repositories/refusal.h"

#include <QDate>
#include <QList>
#include <QString>

namespace kestrovalin {
class IDbAdapter;
class Row;
} // namespace kestrovalin

namespace kestrovalin::repositories {

// The acceptance result that lets a delivered line into stock.
inline const QString kAcceptancePassed = QStringLiteral("合格");

// Inbound purchase orders, the only way goods enter stock: an order, its lines and the stock batches its
// accepted lines create or raise are written in one transaction. Holds only the adapter it was given (not
// owned, may be null). A refused void tells why in refusal().
class PurchaseRepository : public Refusable {
public:
    explicit PurchaseRepository(IDbAdapter* db);

    // The new order's id; -2 when the supplier is not qualified (nothing written); -1 on any other failure
    // (nothing written). A line to take into stock whose batch batchDateRefusal() refuses on the day of the
    // save is a refusal of the typed values: -1, refusal() names the line and says why.
    int insertOrder(const models::PurchaseOrder& order, const QList<models::PurchaseOrderItem>& items);
    // Marks a stored, not yet voided order 'voided' and takes its accepted goods out of stock again. Refused
    // (false, nothing changed) for a missing or already voided order, when a completed purchase return
    // cites the order, or when a batch no longer holds what the order brought in.
    bool voidOrder(int id);

    QList<models::PurchaseOrder> findAll();
    // Orders whose number, or the name, barcode or mnemonic code of one of whose drugs, contains the keyword.
    QList<models::PurchaseOrder> searchByOrderNo(const QString& keyword);
    // The orders of searchByOrderNo (every order for an empty keyword) as a statement to page, read with
    // listedOrder.
    static ListQuery orderList(const QString& keyword);
    static models::PurchaseOrder listedOrder(const Row& row);
    models::PurchaseOrder findOrderById(int id);
    QList<models::PurchaseOrderItem> findOrderItems(int orderId);
    int count();

    // Why a batch made on `made` and expiring on `expires` cannot be taken into stock on `today`: made after
    // that day, expired, or expiring that day; empty when it can. A date not given (invalid) is not judged.
    static QString batchDateRefusal(const QDate& made, const QDate& expires, const QDate& today);

    // "PUR" + the day as yyyyMMdd + the sequence, zero-padded to at least four digits and never cut.
    static QString orderNumber(const QDate& day, qint64 sequence);

    // Every column looked up by name; one the result lacks reads as 0 or empty text.
    static void fillOrder(models::PurchaseOrder& order, const Row& row);
    static void fillOrderItem(models::PurchaseOrderItem& item, const Row& row);

private:
    IDbAdapter* m_db;
};

} // namespace kestrovalin::repositories

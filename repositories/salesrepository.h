#pragma once

#include "core/listquery.h"
#include "models/salesorder.h"
#include "repositories/refusal.h"

#include <QList>
#include <QString>

#include <optional>

namespace kestrovalin {

class IDbAdapter;
class Row;

namespace repositories {
struct StockChange;
}

// The only writer of sales_order and sales_order_item. A sale is written whole or not at all: its number,
// header, lines, the stock each line takes and the use count of the prescriptions it uses, in one
// transaction. Holds only the adapter it was given (not owned; with none every operation returns its empty
// result). A refused void tells why in refusal().
class SalesRepository : public repositories::Refusable {
public:
    explicit SalesRepository(IDbAdapter* db);

    // Numbers and writes the sale. Writes back into `order` its number (also after a failure once it was
    // generated), its new id and, on success, its total: the unrounded sum of the line amounts. Each line
    // takes its quantity from the lowest-id sellable row of its (product, batch number) and records that
    // row's id and dates; the caller's batch id and dates are not used.
    bool insertOrder(models::SalesOrder& order, const QList<models::SalesOrderItem>& items);
    // Puts every line's quantity back and marks the order 'voided'. Refused (false, nothing changed) unless
    // the order is 'completed' and no completed sales return cites its number.
    bool voidOrder(int orderId);

    // id -1 when not found.
    models::SalesOrder findById(int orderId);
    // Without the customer; id -1 when not found.
    models::SalesOrder findByOrderNo(const QString& orderNo);
    // Every order, voided ones included, newest id first.
    QList<models::SalesOrder> findAll();
    // Orders whose number, customer name or the name of a drug on them contains the keyword; newest first,
    // each once. An empty keyword matches every order.
    QList<models::SalesOrder> search(const QString& keyword);
    // The orders of search (every order for an empty keyword), newest first, as the lists page them: id,
    // number, total, sale date, status and the operator's and customer's names, read by listedOrder
    // (operatorId, customerId and createdAt stay unread).
    static ListQuery orderList(const QString& keyword);
    static models::SalesOrder listedOrder(const Row& row);
    QList<models::SalesOrderItem> findOrderItems(int orderId);
    // Writes the status only.
    bool updateOrder(const models::SalesOrder& order);

    // Orders whose sale date is the local today, voided ones included.
    int getTodayOrderCount();
    // The next free "SAL" number of the local today; empty when it cannot be read.
    QString generateOrderNo();
    // Takes quantity from the lowest-id row of (product, batch number) that has stock and expires after the
    // local today; false when there is none or it holds too little (no other row is tried).
    bool deductInventory(int productId, const QString& batchNo, int quantity);

private:
    repositories::StockChange deduct(int productId, const QString& batchNo, int quantity);
    bool insertLines(const models::SalesOrder& order, const QList<models::SalesOrderItem>& items,
                     double& total);
    bool restoreStock(int orderId);
    // True while a completed sales return cites the order's number; nothing when the read failed.
    // The number of a completed sales return citing the order, empty when none does; nullopt when it cannot
    // be read.
    std::optional<QString> completedReturn(int orderId);

    IDbAdapter* m_db;
};

} // namespace kestrovalin

#include "repositories/purchaserepository.h"

#include "core/clock.h"
#include "core/idbadapter.h"
#include "core/transaction.h"
#include "repositories/supplierrepository.h"

#include <QDebug>
#include <QSqlQuery>
#include <QSqlRecord>

namespace kestrovalin::repositories {

using models::PurchaseOrder;
using models::PurchaseOrderItem;

namespace {

const QString kOrderSelect = QStringLiteral(
    "SELECT po.*, s.name AS supplier_name, u.real_name AS operator_name FROM purchase_order po "
    "LEFT JOIN supplier s ON po.supplier_id = s.id LEFT JOIN sys_user u ON po.operator_id = u.id");
const QString kNewestFirst = QStringLiteral(" ORDER BY po.inbound_date DESC");

QVariant column(const QSqlQuery& q, const QString& name) {
    const int index = q.record().indexOf(name);
    return index < 0 ? QVariant() : q.value(index);
}

QString text(const QSqlQuery& q, const QString& name) {
    return column(q, name).toString();
}

// COUNT(*) of one row; false when the query failed or the count is 0.
bool exists(IDbAdapter* db, const QString& sql, int id) {
    QSqlQuery q = db->query(sql, {id});
    return q.next() && q.value(0).toInt() > 0;
}

// Interim: the first batch of the pair is raised, a missing one created from the line.
bool raiseStock(IDbAdapter* db, const PurchaseOrderItem& item, int supplierId, const QString& now) {
    QSqlQuery found = db->query(
        QStringLiteral(
            "SELECT id, quantity FROM inventory_batch WHERE product_id = ? AND batch_no = ? ORDER BY id"),
        {item.productId, item.batchNo});
    if (!found.isActive())
        return false;
    if (found.next())
        return db->query(QStringLiteral("UPDATE inventory_batch SET quantity = ? WHERE id = ?"),
                         {found.value(1).toInt() + item.quantity, found.value(0).toInt()})
                   .numRowsAffected() == 1;
    return db
        ->query(QStringLiteral("INSERT INTO inventory_batch (product_id, supplier_id, batch_no, "
                               "production_date, expiry_date, quantity, unit_cost, status, created_at) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, 'normal', ?)"),
                {item.productId, supplierId, item.batchNo, item.productionDate, item.expiryDate,
                 item.quantity, item.unitPrice, now})
        .isActive();
}

bool lowerStock(IDbAdapter* db, int productId, const QString& batchNo, int quantity) {
    QSqlQuery found = db->query(
        QStringLiteral(
            "SELECT id, quantity FROM inventory_batch WHERE product_id = ? AND batch_no = ? ORDER BY id"),
        {productId, batchNo});
    if (!found.next() || found.value(1).toInt() < quantity)
        return false;
    return db->query(QStringLiteral("UPDATE inventory_batch SET quantity = quantity - ? WHERE id = ?"),
                     {quantity, found.value(0).toInt()})
               .numRowsAffected() == 1;
}

} // namespace

PurchaseRepository::PurchaseRepository(IDbAdapter* db) : m_db(db) {}

QString PurchaseRepository::orderNumber(const QDate& day, qint64 sequence) {
    return QStringLiteral("PUR") + day.toString(QStringLiteral("yyyyMMdd")) +
           QString::number(sequence).rightJustified(4, QLatin1Char('0'));
}

int PurchaseRepository::insertOrder(const PurchaseOrder& order, const QList<PurchaseOrderItem>& items) {
    if (!m_db)
        return -1;
    if (!SupplierRepository(m_db).isSupplierQualified(order.supplierId)) {
        qCritical().noquote() << "Supplier qualification expired or invalid:" << order.supplierId;
        return -2;
    }
    if (order.operatorId >= 1 &&
        !exists(m_db, QStringLiteral("SELECT COUNT(*) FROM sys_user WHERE id = ?"), order.operatorId)) {
        qCritical().noquote() << "Invalid operator_id:" << order.operatorId;
        return -1;
    }

    Transaction tx(m_db);
    if (!tx.isActive())
        return -1;

    // Table-wide, voided orders included: the sequence never restarts with the day.
    QSqlQuery maxId = m_db->query(QStringLiteral("SELECT MAX(id) FROM purchase_order"));
    const qint64 sequence = (maxId.next() ? maxId.value(0).toLongLong() : 0) + 1;
    const QString now = Clock::nowText();

    double total = 0.0;
    for (const PurchaseOrderItem& item : items)
        total += item.amount;
    if (total <= 0.0)
        total = order.totalAmount;

    QSqlQuery header = m_db->query(
        QStringLiteral("INSERT INTO purchase_order (order_no, supplier_id, total_amount, inbound_date, "
                       "operator_id, status, remark, created_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        {orderNumber(Clock::today(), sequence), order.supplierId, total, order.inboundDate, order.operatorId,
         order.status, order.remark, now});
    const QVariant newId = header.lastInsertId();
    if (!header.isActive() || !newId.isValid())
        return -1;
    const int orderId = newId.toInt();

    for (const PurchaseOrderItem& item : items) {
        // No status condition: a drug taken off the list may still be delivered.
        if (!exists(m_db, QStringLiteral("SELECT COUNT(*) FROM product WHERE id = ?"), item.productId)) {
            qCritical().noquote() << "Invalid product_id:" << item.productId;
            return -1;
        }
        if (!m_db->query(QStringLiteral("INSERT INTO purchase_order_item (order_id, product_id, batch_no, "
                                        "production_date, expiry_date, quantity, unit_price, amount, "
                                        "acceptance_result, acceptance_date, acceptance_by, remark) VALUES "
                                        "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                         {orderId, item.productId, item.batchNo, item.productionDate, item.expiryDate,
                          item.quantity, item.unitPrice, item.amount, item.acceptanceResult,
                          item.acceptanceDate, item.acceptanceBy, item.remark})
                 .isActive())
            return -1;
        if (item.acceptanceResult != kAcceptancePassed)
            continue;
        if (!raiseStock(m_db, item, order.supplierId, now))
            return -1;
    }
    if (!tx.commit())
        return -1;
    return orderId;
}

bool PurchaseRepository::voidOrder(int id) {
    if (!m_db)
        return false;
    Transaction tx(m_db);
    if (!tx.isActive())
        return false;
    QSqlQuery status = m_db->query(
        QStringLiteral("UPDATE purchase_order SET status = 'voided' WHERE id = ? AND status <> 'voided'"),
        {id});
    if (status.numRowsAffected() != 1) {
        qCritical().noquote() << "Purchase order void failed for id:" << id;
        return false;
    }
    // Goods that already went back to the supplier cannot leave stock a second time.
    QSqlQuery returned = m_db->query(
        QStringLiteral("SELECT COUNT(*) FROM return_order r JOIN return_order_item i ON i.return_id = r.id "
                       "JOIN purchase_order po ON po.id = ? WHERE r.return_type = 'purchase' AND r.status = "
                       "'completed' AND (i.original_order_no = po.order_no OR r.original_order_id = po.id)"),
        {id});
    if (!returned.next() || returned.value(0).toInt() != 0) {
        qCritical().noquote() << "Purchase order void refused, a purchase return cites it:" << id;
        return false;
    }
    // Read first: the stock updates run on the same connection.
    struct Delivered {
        int productId;
        QString batchNo;
        int quantity;
    };
    QList<Delivered> delivered;
    QSqlQuery lines = m_db->query(
        QStringLiteral(
            "SELECT product_id, batch_no, quantity FROM purchase_order_item WHERE order_id = ? AND "
            "acceptance_result = ? ORDER BY id"),
        {id, kAcceptancePassed});
    if (!lines.isActive())
        return false;
    while (lines.next())
        delivered.append({lines.value(0).toInt(), lines.value(1).toString(), lines.value(2).toInt()});
    for (const Delivered& d : delivered) {
        if (!lowerStock(m_db, d.productId, d.batchNo, d.quantity)) {
            qCritical().noquote() << "Purchase order void refused, stock no longer holds the delivery:" << id;
            return false;
        }
    }
    return tx.commit();
}

QList<PurchaseOrder> PurchaseRepository::findAll() {
    QList<PurchaseOrder> list;
    if (!m_db)
        return list;
    QSqlQuery q = m_db->query(kOrderSelect + kNewestFirst);
    while (q.next()) {
        PurchaseOrder order;
        fillOrder(order, q);
        list.append(order);
    }
    return list;
}

QList<PurchaseOrder> PurchaseRepository::searchByOrderNo(const QString& keyword) {
    QList<PurchaseOrder> list;
    if (!m_db)
        return list;
    const QString pattern = QStringLiteral("%") + keyword + QStringLiteral("%");
    QSqlQuery q = m_db->query(
        QStringLiteral(
            "SELECT DISTINCT po.*, s.name AS supplier_name, u.real_name AS operator_name FROM "
            "purchase_order po LEFT JOIN supplier s ON po.supplier_id = s.id LEFT JOIN sys_user u "
            "ON po.operator_id = u.id LEFT JOIN purchase_order_item poi ON po.id = poi.order_id "
            "LEFT JOIN product p ON poi.product_id = p.id WHERE po.order_no LIKE ? OR p.name LIKE ? "
            "OR p.barcode LIKE ? OR p.mnemonic_code LIKE ?") +
            kNewestFirst,
        {pattern, pattern, pattern, pattern});
    while (q.next()) {
        PurchaseOrder order;
        fillOrder(order, q);
        list.append(order);
    }
    return list;
}

PurchaseOrder PurchaseRepository::findOrderById(int id) {
    PurchaseOrder order;
    if (!m_db)
        return order;
    QSqlQuery q = m_db->query(kOrderSelect + QStringLiteral(" WHERE po.id = ?"), {id});
    if (q.next())
        fillOrder(order, q);
    return order;
}

QList<PurchaseOrderItem> PurchaseRepository::findOrderItems(int orderId) {
    QList<PurchaseOrderItem> list;
    if (!m_db)
        return list;
    QSqlQuery q = m_db->query(
        QStringLiteral("SELECT poi.* , p.name AS product_name, p.barcode AS product_barcode FROM "
                       "purchase_order_item poi LEFT JOIN product p ON poi.product_id = p.id WHERE "
                       "poi.order_id = ?"),
        {orderId});
    while (q.next()) {
        PurchaseOrderItem item;
        fillOrderItem(item, q);
        list.append(item);
    }
    return list;
}

int PurchaseRepository::count() {
    if (!m_db)
        return 0;
    QSqlQuery q = m_db->query(QStringLiteral("SELECT COUNT(*) FROM purchase_order"));
    return q.next() ? q.value(0).toInt() : 0;
}

void PurchaseRepository::fillOrder(PurchaseOrder& order, const QSqlQuery& q) {
    order.id = column(q, QStringLiteral("id")).toInt();
    order.orderNo = text(q, QStringLiteral("order_no"));
    order.supplierId = column(q, QStringLiteral("supplier_id")).toInt();
    order.supplierName = text(q, QStringLiteral("supplier_name"));
    order.totalAmount = column(q, QStringLiteral("total_amount")).toDouble();
    order.inboundDate = text(q, QStringLiteral("inbound_date"));
    order.operatorId = column(q, QStringLiteral("operator_id")).toInt();
    order.operatorName = text(q, QStringLiteral("operator_name"));
    order.status = text(q, QStringLiteral("status"));
    order.remark = text(q, QStringLiteral("remark"));
    order.createdAt = text(q, QStringLiteral("created_at"));
}

void PurchaseRepository::fillOrderItem(PurchaseOrderItem& item, const QSqlQuery& q) {
    item.id = column(q, QStringLiteral("id")).toInt();
    item.orderId = column(q, QStringLiteral("order_id")).toInt();
    item.productId = column(q, QStringLiteral("product_id")).toInt();
    item.productName = text(q, QStringLiteral("product_name"));
    item.productBarcode = text(q, QStringLiteral("product_barcode"));
    item.barcode = item.productBarcode;
    item.batchNo = text(q, QStringLiteral("batch_no"));
    item.productionDate = text(q, QStringLiteral("production_date"));
    item.expiryDate = text(q, QStringLiteral("expiry_date"));
    item.quantity = column(q, QStringLiteral("quantity")).toInt();
    item.unitPrice = column(q, QStringLiteral("unit_price")).toDouble();
    item.amount = column(q, QStringLiteral("amount")).toDouble();
    item.acceptanceResult = text(q, QStringLiteral("acceptance_result"));
    item.acceptanceDate = text(q, QStringLiteral("acceptance_date"));
    item.acceptanceBy = column(q, QStringLiteral("acceptance_by")).toInt();
    item.remark = text(q, QStringLiteral("remark"));
    item.accepted = item.acceptanceResult == kAcceptancePassed;
}

} // namespace kestrovalin::repositories

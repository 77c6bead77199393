#include "repositories/purchaserepository.h"

#include "core/clock.h"
#include "core/rowreader.h"
#include "core/transaction.h"
#include "repositories/guardedstatus.h"
#include "repositories/stockmovement.h"
#include "repositories/supplierrepository.h"

#include <QDebug>

namespace kestrovalin::repositories {

using models::PurchaseOrder;
using models::PurchaseOrderItem;

namespace {

const QString kOrderColumns = QStringLiteral("po.*, s.name AS supplier_name, u.real_name AS operator_name");
const QString kOrderFrom = QStringLiteral(
    "FROM purchase_order po LEFT JOIN supplier s ON po.supplier_id = s.id LEFT JOIN sys_user u ON "
    "po.operator_id = u.id");
const QString kOrderSelect = QStringLiteral("SELECT ") + kOrderColumns + QLatin1Char(' ') + kOrderFrom;
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

// A COUNT(*) that gates a write: false when the statement failed or the count is 0.
bool counted(IDbAdapter* db, const QString& sql, const QList<QVariant>& params) {
    const std::optional<QVariant> n = readValue(db, sql, params);
    return n && n->toInt() > 0;
}

PurchaseOrderItem readItem(const Row& row) {
    PurchaseOrderItem item;
    PurchaseRepository::fillOrderItem(item, row);
    return item;
}

} // namespace

PurchaseRepository::PurchaseRepository(IDbAdapter* db) : m_db(db) {}

QString PurchaseRepository::orderNumber(const QDate& day, qint64 sequence) {
    return QStringLiteral("PUR") + day.toString(QStringLiteral("yyyyMMdd")) +
           QString::number(sequence).rightJustified(4, QLatin1Char('0'));
}

QString PurchaseRepository::batchDateRefusal(const QDate& made, const QDate& expires, const QDate& today) {
    // Taken as 合格, an expired batch would enter sellable stock that no sale and no near-expiry list
    // shows; a production date still to come is a typing error.
    if (made.isValid() && made > today)
        return QStringLiteral("生产日期 %1 晚于今天，请核对生产日期").arg(made.toString(kDateFormat));
    if (expires.isValid() && expires <= today) {
        const QString state = expires == today ? QStringLiteral("今天到期") : QStringLiteral("已过期");
        return QStringLiteral("该批次%1（有效期至 %2），不能验收入库")
            .arg(state, expires.toString(kDateFormat));
    }
    return QString();
}

int PurchaseRepository::insertOrder(const PurchaseOrder& order, const QList<PurchaseOrderItem>& items) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return -1;
    if (!SupplierRepository(m_db).isSupplierQualified(order.supplierId)) {
        qCritical().noquote() << "Supplier qualification expired or invalid:" << order.supplierId;
        return -2;
    }
    if (order.operatorId >= 1 &&
        !counted(m_db, QStringLiteral("SELECT COUNT(*) FROM sys_user WHERE id = ?"), {order.operatorId})) {
        qCritical().noquote() << "Invalid operator_id:" << order.operatorId;
        return -1;
    }

    Transaction tx(m_db);
    if (!tx.isActive())
        return -1;
    // Table-wide, voided orders included: the sequence never restarts with the day.
    const std::optional<QVariant> highest =
        readValue(m_db, QStringLiteral("SELECT MAX(id) FROM purchase_order"));
    if (!highest)
        return -1; // MAX() always yields a row: no value means the statement failed
    const qint64 sequence = highest->toLongLong() + 1;
    const QString now = Clock::nowText();
    const QDate today = parseStoredDate(now.left(10)); // the stamp's own day, even at midnight
    // The dialog checked each batch when it was typed, which may have been the day before.
    for (const PurchaseOrderItem& item : items) {
        if (item.acceptanceResult != kAcceptancePassed)
            continue;
        const QString why =
            batchDateRefusal(parseStoredDate(item.productionDate), parseStoredDate(item.expiryDate), today);
        if (!why.isEmpty()) {
            qCritical().noquote() << "Purchase order refused - product:" << item.productId
                                  << "batch:" << item.batchNo << "made:" << item.productionDate
                                  << "expires:" << item.expiryDate
                                  << "saved on:" << today.toString(kDateFormat);
            const QString name = item.productName.isEmpty() ? QString() : item.productName + QLatin1Char(' ');
            refuseInput(name + QStringLiteral("批号 %1：").arg(item.batchNo) + why);
            return -1;
        }
    }

    double total = 0.0;
    for (const PurchaseOrderItem& item : items)
        total += item.amount;
    if (total <= 0.0)
        total = order.totalAmount;

    const QSqlQuery header = m_db->query(
        QStringLiteral("INSERT INTO purchase_order (order_no, supplier_id, total_amount, inbound_date, "
                       "operator_id, status, remark, created_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        {orderNumber(today, sequence), order.supplierId, total, order.inboundDate, order.operatorId,
         order.status, order.remark, now});
    const QVariant newId = header.lastInsertId();
    if (!header.isActive() || !newId.isValid())
        return -1;
    const int orderId = newId.toInt();

    StockMovement stock(m_db);
    for (const PurchaseOrderItem& item : items) {
        // No status condition: a drug taken off the list may still be delivered.
        if (!counted(m_db, QStringLiteral("SELECT COUNT(*) FROM product WHERE id = ?"), {item.productId})) {
            qCritical().noquote() << "Invalid product_id:" << item.productId;
            return -1;
        }
        if (changedRows(m_db,
                        QStringLiteral("INSERT INTO purchase_order_item (order_id, product_id, batch_no, "
                                       "production_date, expiry_date, quantity, unit_price, amount, "
                                       "acceptance_result, acceptance_date, acceptance_by, remark) VALUES "
                                       "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                        {orderId, item.productId, item.batchNo, item.productionDate, item.expiryDate,
                         item.quantity, item.unitPrice, item.amount, item.acceptanceResult,
                         item.acceptanceDate, item.acceptanceBy, item.remark}) != 1)
            return -1;
        if (item.acceptanceResult != kAcceptancePassed)
            continue;
        // An existing batch only gains the quantity; its supplier, dates and cost stay the first delivery's.
        const StockChange added = stock.raiseOrCreate(
            item.productId, item.batchNo, item.quantity,
            {order.supplierId, item.productionDate, item.expiryDate, item.unitPrice, now});
        if (!added.ok())
            return -1;
    }
    return tx.commit() ? orderId : -1;
}

bool PurchaseRepository::voidOrder(int id) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    Transaction tx(m_db);
    if (!tx.isActive())
        return false;
    GuardRefusal why{QStringLiteral("订单")};
    if (!changeStatusUnless(m_db, QStringLiteral("purchase_order"), id, QStringLiteral("voided"),
                            QStringLiteral("voided"), {}, &why)) {
        qCritical().noquote() << "Purchase order void failed for id:" << id;
        return refuse(why.reason);
    }
    // Goods that already went back to the supplier cannot leave stock a second time.
    const Fetched<QString> citing =
        fetch(m_db,
              QStringLiteral(
                  "SELECT r.return_no FROM return_order r JOIN return_order_item i ON i.return_id = r.id "
                  "JOIN purchase_order po ON po.id = ? WHERE r.return_type = 'purchase' AND r.status = "
                  "'completed' AND (i.original_order_no = po.order_no OR r.original_order_id = po.id) "
                  "ORDER BY r.id LIMIT 1"),
              {id}, [](const Row& row) { return row.text("return_no"); });
    if (!citing.ok)
        return false;
    if (!citing.rows.isEmpty()) {
        qCritical().noquote() << "Purchase order void refused, a purchase return cites it:" << id;
        return refuse(QStringLiteral("该订单已有采购退货单 %1").arg(citing.rows.first()));
    }
    const Fetched<PurchaseOrderItem> accepted = fetch(
        m_db,
        QStringLiteral("SELECT product_id, batch_no, quantity FROM purchase_order_item WHERE order_id = ? "
                       "AND acceptance_result = ? ORDER BY id"),
        {id, kAcceptancePassed}, readItem);
    if (!accepted.ok)
        return false;
    StockMovement stock(m_db);
    for (const PurchaseOrderItem& item : accepted.rows) {
        const StockChange taken =
            stock.lower(BatchKey::byNumber(item.productId, item.batchNo), item.quantity);
        if (!taken.ok()) {
            qCritical().noquote() << "Purchase order void refused - product:" << item.productId
                                  << "batch:" << item.batchNo << "available:" << taken.before
                                  << "needed:" << item.quantity;
            return refuse(taken.refusal(QStringLiteral("作废需扣回")));
        }
    }
    return tx.commit();
}

QList<PurchaseOrder> PurchaseRepository::findAll() {
    return searchByOrderNo(QString());
}

QList<PurchaseOrder> PurchaseRepository::searchByOrderNo(const QString& keyword) {
    return readList(m_db, orderList(keyword), listedOrder);
}

// Newest inbound date first, an order entered later first within a day. Each order comes once however many
// of its lines match.
ListQuery PurchaseRepository::orderList(const QString& keyword) {
    ListQuery list;
    list.columns = kOrderColumns;
    list.from = kOrderFrom;
    list.order = {{QStringLiteral("po.inbound_date"), true}, {QStringLiteral("po.id"), true}};
    if (!keyword.isEmpty()) {
        const QString pattern = QStringLiteral("%") + keyword + QStringLiteral("%");
        list.filter(QStringLiteral("po.order_no LIKE ? OR po.id IN (SELECT poi.order_id FROM "
                                   "purchase_order_item poi INNER JOIN product p ON poi.product_id = p.id "
                                   "WHERE p.name LIKE ? OR p.barcode LIKE ? OR p.mnemonic_code LIKE ?)"),
                    {pattern, pattern, pattern, pattern});
    }
    return list;
}

PurchaseOrder PurchaseRepository::listedOrder(const Row& row) {
    PurchaseOrder order;
    fillOrder(order, row);
    return order;
}

PurchaseOrder PurchaseRepository::findOrderById(int id) {
    return readFirst(m_db, kOrderSelect + QStringLiteral(" WHERE po.id = ?"), {id}, listedOrder);
}

QList<PurchaseOrderItem> PurchaseRepository::findOrderItems(int orderId) {
    return readList(
        m_db,
        QStringLiteral("SELECT poi.* , p.name AS product_name, p.barcode AS product_barcode FROM "
                       "purchase_order_item poi LEFT JOIN product p ON poi.product_id = p.id WHERE "
                       "poi.order_id = ?"),
        {orderId}, readItem);
}

int PurchaseRepository::count() {
    const std::optional<QVariant> n = readValue(m_db, QStringLiteral("SELECT COUNT(*) FROM purchase_order"));
    return n ? n->toInt() : 0;
}

void PurchaseRepository::fillOrder(PurchaseOrder& order, const Row& row) {
    order.id = row.integer("id");
    order.orderNo = row.text("order_no");
    order.supplierId = row.integer("supplier_id");
    order.supplierName = row.text("supplier_name");
    order.totalAmount = row.number("total_amount");
    order.inboundDate = row.text("inbound_date");
    order.operatorId = row.integer("operator_id");
    order.operatorName = row.text("operator_name");
    order.status = row.text("status");
    order.remark = row.text("remark");
    order.createdAt = row.text("created_at");
}

void PurchaseRepository::fillOrderItem(PurchaseOrderItem& item, const Row& row) {
    item.id = row.integer("id");
    item.orderId = row.integer("order_id");
    item.productId = row.integer("product_id");
    item.productName = row.text("product_name");
    item.productBarcode = row.text("product_barcode");
    item.barcode = item.productBarcode;
    item.batchNo = row.text("batch_no");
    item.productionDate = row.text("production_date");
    item.expiryDate = row.text("expiry_date");
    item.quantity = row.integer("quantity");
    item.unitPrice = row.number("unit_price");
    item.amount = row.number("amount");
    item.acceptanceResult = row.text("acceptance_result");
    item.acceptanceDate = row.text("acceptance_date");
    item.acceptanceBy = row.integer("acceptance_by");
    item.remark = row.text("remark");
    item.accepted = item.acceptanceResult == kAcceptancePassed;
}

} // namespace kestrovalin::repositories

#include "repositories/salesrepository.h"

#include "core/clock.h"
#include "core/documentnumber.h"
#include "core/idbadapter.h"
#include "core/rowreader.h"
#include "core/transaction.h"
#include "repositories/guardedstatus.h"
#include "repositories/operloghelper.h"
#include "repositories/stockmovement.h"

#include <QDebug>
#include <QHash>
#include <QPair>
#include <QSqlError>
#include <QSqlQuery>

namespace kestrovalin {

using models::SalesOrder;
using models::SalesOrderItem;
using repositories::BatchKey;
using repositories::StockChange;
using repositories::StockMovement;

namespace {

const QString kOrderColumns =
    QStringLiteral("s.id, s.order_no, s.total_amount, s.sale_date, s.operator_id, u.real_name, s.status, "
                   "s.created_at, s.customer_id, c.name AS customer_name");
// What the sales list and the order picker show. Every column costs the driver a conversion on each of
// hundreds of thousands of rows, so the list reads no others.
const QString kListColumns = QStringLiteral(
    "s.id, s.order_no, s.total_amount, s.sale_date, u.real_name, s.status, c.name AS customer_name");
const QString kOrderFrom = QStringLiteral(" FROM sales_order s LEFT JOIN sys_user u ON s.operator_id = u.id "
                                          "LEFT JOIN customer c ON s.customer_id = c.id");
const QString kOrderSelect = QStringLiteral("SELECT ") + kOrderColumns + kOrderFrom;

// What a line records when its batch row gives no date.
const QString kNoProductionDate = QStringLiteral("2000-01-01");
const QString kNoExpiryDate = QStringLiteral("2099-12-31");

QString likePattern(const QString& keyword) {
    return QStringLiteral("%") + keyword + QStringLiteral("%");
}

SalesOrder readOrder(const Row& r) {
    SalesOrder o = SalesRepository::listedOrder(r);
    o.operatorId = r.integer("operator_id");
    o.createdAt = r.text("created_at");
    o.customerId = r.integer("customer_id");
    return o;
}

// Every order, or those whose number, customer name or the name of a drug on them contains the keyword,
// newest first. Drugs are matched by name first and their lines found through the product index, so a
// search never walks every sold line; each order comes once however many of its lines match.
ListQuery orders(const QString& columns, const QString& keyword) {
    ListQuery list;
    list.columns = columns;
    list.from = kOrderFrom;
    list.order = {{QStringLiteral("s.id"), true}};
    if (!keyword.isEmpty()) {
        const QString pattern = likePattern(keyword);
        list.filter(QStringLiteral("s.order_no LIKE ? OR c.name LIKE ? OR s.id IN (SELECT si.order_id FROM "
                                   "sales_order_item si WHERE si.product_id IN (SELECT p.id FROM product p "
                                   "WHERE p.name LIKE ?))"),
                    {pattern, pattern, pattern});
    }
    return list;
}

SalesOrderItem readItem(const Row& r) {
    SalesOrderItem i;
    i.id = r.integer("id");
    i.orderId = r.integer("order_id");
    i.productId = r.integer("product_id");
    i.productName = r.text("product_name");
    i.productBarcode = r.text("product_barcode");
    i.batchId = r.integer("batch_id");
    i.batchNo = r.text("batch_no");
    i.productionDate = r.text("production_date");
    i.expiryDate = r.text("expiry_date");
    i.quantity = r.integer("quantity");
    i.unitPrice = r.number("unit_price");
    i.amount = r.number("amount");
    i.isPrescription = r.flag("is_prescription");
    i.prescriptionId = r.integer("prescription_id");
    i.prescriptionNo = r.text("prescription_no");
    return i;
}

QString orDefault(const QString& value, const QString& fallback) {
    return value.isEmpty() ? fallback : value;
}

// Why a line could not be taken, in figures of the whole sale: the earlier lines of the same batch took
// `claimed` inside the transaction, which is rolled back, so the batch as stored held that much more and
// the sale asks that much more of it.
QString deductRefusal(const StockChange& taken, int claimed) {
    if (taken.outcome == StockChange::NoBatch && claimed == 0)
        return QStringLiteral("批次 %1 没有可售库存").arg(taken.batchNo);
    if (taken.outcome != StockChange::NoBatch && taken.outcome != StockChange::TooLittle)
        return QString(); // a failure, not a refusal
    StockChange whole = taken;
    whole.outcome = StockChange::TooLittle;
    whole.before = (taken.outcome == StockChange::NoBatch ? 0 : taken.before) + claimed;
    whole.amount = taken.amount + claimed;
    return whole.refusal(QStringLiteral("销售需扣减"));
}

} // namespace

SalesRepository::SalesRepository(IDbAdapter* db) : m_db(db) {}

bool SalesRepository::insertOrder(SalesOrder& order, const QList<SalesOrderItem>& items) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    if (items.isEmpty()) {
        qCritical() << "Sales order must have at least one item";
        return false;
    }
    Transaction tx(m_db);
    if (!tx.isActive()) {
        qCritical() << "Failed to start transaction";
        return false;
    }
    // Inside the transaction, so no other write can take the number before the header is in.
    order.orderNo = generateOrderNo();
    if (order.orderNo.isEmpty()) {
        qCritical() << "Failed to generate sales order number";
        return false;
    }
    const QSqlQuery header = m_db->query(
        QStringLiteral("INSERT INTO sales_order (order_no, total_amount, sale_date, operator_id, "
                       "prescription_id, status, created_at, customer_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        {order.orderNo, order.totalAmount, orDefault(order.saleDate, Clock::todayText()),
         order.operatorId > 0 ? order.operatorId : 1, order.prescriptionId, QStringLiteral("completed"),
         Clock::nowText(), order.customerId});
    if (!header.isActive()) {
        qCritical().noquote() << "Failed to insert sales order:" << m_db->failureText(header);
        return false;
    }
    order.id = header.lastInsertId().toInt();

    double total = 0.0;
    if (!insertLines(order, items, total))
        return false;
    const QSqlQuery totalUpdate = m_db->query(
        QStringLiteral("UPDATE sales_order SET total_amount = ? WHERE id = ?"), {total, order.id});
    if (!totalUpdate.isActive()) {
        qCritical().noquote() << "Failed to update order total:" << m_db->failureText(totalUpdate);
        return false;
    }
    order.totalAmount = total;
    OperLogHelper::logInDocument(
        m_db, OperLogHelper::salesModule(), QStringLiteral("新增销售单"),
        QStringLiteral("订单号: %1, 金额: %2").arg(order.orderNo, OperLogHelper::formatAmount(total)));
    if (!tx.commit()) {
        qCritical() << "Failed to commit transaction";
        return false;
    }
    return true;
}

bool SalesRepository::insertLines(const SalesOrder& order, const QList<SalesOrderItem>& items,
                                  double& total) {
    // What the lines so far took of each (product, batch number).
    QHash<QPair<int, QString>, int> claimed;
    for (const SalesOrderItem& item : items) {
        if (item.productId < 1) {
            qCritical() << "Invalid product id:" << item.productId;
            return false;
        }
        const StockChange taken = deduct(item.productId, item.batchNo, item.quantity);
        if (!taken.ok()) {
            qCritical().noquote() << "Failed to deduct inventory for product:" << item.productId
                                  << "batch:" << item.batchNo;
            // The sellable look-up skips expired and empty rows, so "no batch" here means nothing to sell.
            return refuse(deductRefusal(taken, claimed.value({item.productId, item.batchNo})));
        }
        claimed[{item.productId, item.batchNo}] += item.quantity;
        // The line names the row its stock came from: several rows may share the batch number, and the sales
        // record book joins on the line's batch id.
        struct Dates {
            QString production;
            QString expiry;
        };
        const Dates dates = readFirst(
            m_db, QStringLiteral("SELECT production_date, expiry_date FROM inventory_batch WHERE id = ?"),
            {taken.batchId}, [](const Row& r) {
                return Dates{r.text("production_date"), r.text("expiry_date")};
            });
        const QSqlQuery line = m_db->query(
            QStringLiteral("INSERT INTO sales_order_item (order_id, product_id, batch_id, batch_no, "
                           "production_date, expiry_date, quantity, unit_price, amount, is_prescription, "
                           "prescription_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {order.id, item.productId, taken.batchId, item.batchNo,
             orDefault(dates.production, kNoProductionDate), orDefault(dates.expiry, kNoExpiryDate),
             item.quantity, item.unitPrice, item.amount, item.isPrescription, item.prescriptionId});
        if (!line.isActive()) {
            qCritical().noquote() << "Failed to insert sales order item:" << m_db->failureText(line);
            return false;
        }
        total += item.amount;
        if (item.isPrescription && item.prescriptionId > 0) {
            const QSqlQuery used = m_db->query(
                QStringLiteral("UPDATE prescription SET used_count = used_count + 1 WHERE id = ?"),
                {item.prescriptionId});
            if (!used.isActive()) {
                qCritical().noquote()
                    << "Failed to update prescription used count:" << m_db->failureText(used);
                return false;
            }
        }
    }
    return true;
}

StockChange SalesRepository::deduct(int productId, const QString& batchNo, int quantity) {
    StockMovement stock(m_db);
    const StockChange taken = stock.lower(BatchKey::sellable(productId, batchNo), quantity);
    if (taken.outcome == StockChange::NoBatch)
        qCritical().noquote() << "Invalid batch - product:" << productId << "batch_no:" << batchNo;
    else if (taken.outcome == StockChange::TooLittle)
        qCritical().noquote() << "Insufficient inventory - product:" << productId << "batch_no:" << batchNo
                              << "available:" << taken.before << "needed:" << quantity;
    return taken;
}

bool SalesRepository::deductInventory(int productId, const QString& batchNo, int quantity) {
    if (!m_db)
        return false;
    return deduct(productId, batchNo, quantity).ok();
}

bool SalesRepository::voidOrder(int orderId) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    Transaction tx(m_db);
    if (!tx.isActive()) {
        qCritical() << "Failed to start transaction for voiding order";
        return false;
    }
    // The guarded status change comes first: a repeat or an order that is not 'completed' fails here,
    // before any stock moves.
    repositories::GuardRefusal why{QStringLiteral("销售单")};
    if (!repositories::changeStatusFrom(m_db, QStringLiteral("sales_order"), orderId,
                                        QStringLiteral("completed"), QStringLiteral("voided"), {}, &why)) {
        qCritical() << "Failed to void order:" << orderId;
        return refuse(why.reason);
    }
    // Goods a customer brought back are in stock already; putting the full sale back would count them twice.
    const std::optional<QString> returned = completedReturn(orderId);
    if (!returned) {
        qCritical() << "Failed to read the returns of order:" << orderId;
        return false;
    }
    if (!returned->isEmpty()) {
        qCritical() << "Sales order has completed returns, void refused:" << orderId;
        return refuse(QStringLiteral("该销售单已有销售退回单 %1").arg(*returned));
    }
    if (!restoreStock(orderId))
        return false;
    OperLogHelper::logInDocument(m_db, OperLogHelper::salesModule(), QStringLiteral("作废销售单"),
                                 QStringLiteral("订单ID: %1").arg(orderId));
    if (!tx.commit()) {
        qCritical() << "Failed to commit transaction";
        return false;
    }
    return true;
}

std::optional<QString> SalesRepository::completedReturn(int orderId) {
    const Fetched<QString> cited =
        fetch(m_db,
              QStringLiteral("SELECT r.return_no FROM return_order_item ri "
                             "INNER JOIN return_order r ON ri.return_id = r.id "
                             "INNER JOIN sales_order s ON ri.original_order_no = s.order_no "
                             "WHERE s.id = ? AND r.return_type = 'sales' AND r.status = 'completed' "
                             "ORDER BY r.id LIMIT 1"),
              {orderId}, [](const Row& row) { return row.text("return_no"); });
    if (!cited.ok)
        return std::nullopt;
    return cited.rows.isEmpty() ? QString() : cited.rows.first();
}

bool SalesRepository::restoreStock(int orderId) {
    const Fetched<SalesOrderItem> lines =
        fetch(m_db,
              QStringLiteral("SELECT id, product_id, batch_no, production_date, expiry_date, quantity, "
                             "unit_price FROM sales_order_item WHERE order_id = ? ORDER BY id"),
              {orderId}, readItem);
    if (!lines.ok) {
        qCritical().noquote() << "Failed to read sales order items:" << lines.error;
        return false;
    }
    StockMovement stock(m_db);
    for (const SalesOrderItem& line : lines.rows) {
        // The sale price becomes the cost of a batch row that has to be made again; no supplier, no time.
        const StockChange back = stock.raiseOrCreate(
            line.productId, line.batchNo, line.quantity,
            {QVariant(), line.productionDate, line.expiryDate, line.unitPrice, QString()});
        if (back.ok())
            continue;
        // A failed creation found no row to raise.
        if (back.batchId == 0)
            qCritical().noquote() << "Failed to create inventory batch - product:" << line.productId
                                  << "batch_no:" << line.batchNo;
        else
            qCritical().noquote() << "Failed to restore inventory - product:" << line.productId
                                  << "batch_no:" << line.batchNo;
        return false;
    }
    return true;
}

SalesOrder SalesRepository::findById(int orderId) {
    return readFirst(m_db, kOrderSelect + QStringLiteral(" WHERE s.id = ?"), {orderId}, readOrder);
}

SalesOrder SalesRepository::findByOrderNo(const QString& orderNo) {
    return readFirst(m_db,
                     QStringLiteral("SELECT s.id, s.order_no, s.total_amount, s.sale_date, s.operator_id, "
                                    "u.real_name, s.status, s.created_at FROM sales_order s "
                                    "LEFT JOIN sys_user u ON s.operator_id = u.id WHERE s.order_no = ?"),
                     {orderNo}, readOrder);
}

QList<SalesOrder> SalesRepository::findAll() {
    return search(QString());
}

QList<SalesOrder> SalesRepository::search(const QString& keyword) {
    return readList(m_db, orders(kOrderColumns, keyword), readOrder);
}

ListQuery SalesRepository::orderList(const QString& keyword) {
    return orders(kListColumns, keyword);
}

SalesOrder SalesRepository::listedOrder(const Row& r) {
    SalesOrder o;
    o.id = r.integer("id");
    o.orderNo = r.text("order_no");
    o.totalAmount = r.number("total_amount");
    o.saleDate = r.text("sale_date");
    o.operatorName = r.text("real_name");
    o.status = r.text("status");
    o.customerName = r.text("customer_name");
    return o;
}

QList<SalesOrderItem> SalesRepository::findOrderItems(int orderId) {
    return readList(
        m_db,
        QStringLiteral(
            "SELECT i.id, i.order_id, i.product_id, p.name AS product_name, p.barcode AS "
            "product_barcode, i.batch_id, i.batch_no, i.production_date, i.expiry_date, "
            "i.quantity, i.unit_price, i.amount, i.is_prescription, i.prescription_id, "
            "pr.prescription_no FROM sales_order_item i LEFT JOIN product p ON i.product_id = p.id "
            "LEFT JOIN prescription pr ON i.prescription_id = pr.id WHERE i.order_id = ? "
            "ORDER BY i.id"),
        {orderId}, readItem);
}

bool SalesRepository::updateOrder(const SalesOrder& order) {
    if (!m_db)
        return false;
    const QSqlQuery q = m_db->query(QStringLiteral("UPDATE sales_order SET status = ? WHERE id = ?"),
                                    {order.status, order.id});
    if (!q.isActive()) {
        qCritical().noquote() << "Failed to update sales order:" << m_db->failureText(q);
        return false;
    }
    return true;
}

int SalesRepository::getTodayOrderCount() {
    return readValue(m_db, QStringLiteral("SELECT COUNT(*) FROM sales_order WHERE sale_date = ?"),
                     {Clock::todayText()})
        .value_or(0)
        .toInt();
}

QString SalesRepository::generateOrderNo() {
    // Never a count of today's orders: a back-dated sale would make the count repeat a number already taken.
    return nextDocumentNumber(m_db, QStringLiteral("SAL"), QStringLiteral("sales_order"),
                              QStringLiteral("order_no"));
}

} // namespace kestrovalin

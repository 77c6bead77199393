#include "repositories/returnrepository.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/documentnumber.h"
#include "core/rowreader.h"
#include "core/transaction.h"
#include "repositories/batchline.h"
#include "repositories/guardedstatus.h"
#include "repositories/operloghelper.h"
#include "repositories/stockmovement.h"

#include <QDebug>
#include <QHash>
#include <QSqlQuery>

namespace kestrovalin {

using models::ReturnOrder;
using models::ReturnOrderItem;
using repositories::BatchKey;
using repositories::NewBatch;
using repositories::StockChange;
using repositories::StockMovement;

namespace {

const QString kPurchase = QStringLiteral("purchase");
const QString kSales = QStringLiteral("sales");
const QString kCompleted = QStringLiteral("completed");

const QString kOrderColumns =
    QStringLiteral("r.id, r.return_no, r.return_type, r.original_order_id, r.total_amount, r.return_date, "
                   "r.operator_id, u.real_name, r.reason, r.status, r.created_at");
const QString kOrderFrom = QStringLiteral("FROM return_order r LEFT JOIN sys_user u ON r.operator_id = u.id");
const QString kSelectOrders =
    QStringLiteral("SELECT ") + kOrderColumns + QLatin1Char(' ') + kOrderFrom + QLatin1Char(' ');

} // namespace

ReturnOrder ReturnRepository::readOrder(const Row& row) {
    ReturnOrder order;
    order.id = row.integer("id");
    order.returnNo = row.text("return_no");
    order.returnType = row.text("return_type");
    order.originalOrderId = row.isNull("original_order_id") ? -1 : row.integer("original_order_id");
    order.totalAmount = row.number("total_amount");
    order.returnDate = row.text("return_date");
    order.operatorId = row.isNull("operator_id") ? -1 : row.integer("operator_id");
    order.operatorName = row.text("real_name");
    order.reason = row.text("reason");
    order.status = row.text("status");
    order.createdAt = row.text("created_at");
    return order;
}

namespace {

ReturnOrderItem readItem(const Row& row) {
    ReturnOrderItem item;
    repositories::readBatchLine(row, item);
    item.returnId = row.integer("return_id");
    item.originalOrderNo = row.text("original_order_no");
    item.quantity = row.integer("quantity");
    item.unitPrice = row.number("unit_price");
    item.amount = row.number("amount");
    item.reason = row.text("reason");
    return item;
}

QString moduleOf(const QString& type) {
    return type == kPurchase ? QStringLiteral("采购退货") : QStringLiteral("销售退回");
}

// A line that moves no goods, or moves them the wrong way, is not a return: why, or empty when every line
// moves some.
QString invalidQuantity(const QList<ReturnOrderItem>& items) {
    for (const ReturnOrderItem& item : items) {
        if (item.quantity < 1) {
            qCritical().noquote() << "Invalid return quantity - product:" << item.productId
                                  << "batch_no:" << item.batchNo << "quantity:" << item.quantity;
            return QStringLiteral("批次 %1 的退货数量 %2 无效")
                .arg(item.batchNo, QString::number(item.quantity));
        }
    }
    return QString();
}

// Whether the order of that number in the table (purchase_order or sales_order) is voided; nothing when the
// look-up fails.
std::optional<bool> orderVoided(IDbAdapter* db, const QString& table, const QString& orderNo) {
    const std::optional<QVariant> voided = readValue(
        db, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE order_no = ? AND status = 'voided'").arg(table),
        {orderNo});
    if (!voided)
        return std::nullopt;
    return voided->toInt() > 0;
}

// Values of a batch that a return movement creates: the line's dates, its price as cost, no supplier.
NewBatch batchFromLine(const ReturnOrderItem& item) {
    return {QVariant(), item.productionDate, item.expiryDate, item.unitPrice, QString()};
}

// Puts a line's goods into stock, creating the batch when (product, batch number) has none; logs with the
// caller's texts for the two failures.
bool putBack(StockMovement& stock, const ReturnOrderItem& item, const char* restoreFailed,
             const char* createFailed) {
    const bool exists = stock.find(BatchKey::byNumber(item.productId, item.batchNo)).ok();
    const StockChange change =
        stock.raiseOrCreate(item.productId, item.batchNo, item.quantity, batchFromLine(item));
    if (change.ok())
        return true;
    qCritical().noquote() << (exists ? restoreFailed : createFailed) << item.productId
                          << "batch_no:" << item.batchNo;
    return false;
}

// Takes a line's goods out of stock; withFigures adds the available and needed quantities to the shortage
// message.
StockChange takeOut(StockMovement& stock, const ReturnOrderItem& item, bool withFigures,
                    const char* writeFailed) {
    const StockChange change = stock.lower(BatchKey::byNumber(item.productId, item.batchNo), item.quantity);
    switch (change.outcome) {
    case StockChange::Done:
        break;
    case StockChange::NoBatch:
        qCritical().noquote() << "Batch not found - product:" << item.productId
                              << "batch_no:" << item.batchNo;
        break;
    case StockChange::TooLittle:
        if (withFigures)
            qCritical().noquote() << "Insufficient inventory - product:" << item.productId
                                  << "batch_no:" << item.batchNo << "available:" << change.before
                                  << "needed:" << item.quantity;
        else
            qCritical().noquote() << "Insufficient inventory - product:" << item.productId
                                  << "batch_no:" << item.batchNo;
        break;
    default:
        qCritical().noquote() << writeFailed << item.productId << "batch_no:" << item.batchNo;
        break;
    }
    return change;
}

} // namespace

ReturnRepository::ReturnRepository(IDbAdapter* adapter)
    : m_db(adapter ? adapter : DatabaseManager::instance().getAdapter()) {}

QString ReturnRepository::generateReturnNo(const QString& returnType) {
    const QString prefix = returnType == kPurchase ? QStringLiteral("PR") : QStringLiteral("SR");
    return nextDocumentNumber(m_db, prefix, QStringLiteral("return_order"), QStringLiteral("return_no"));
}

bool ReturnRepository::insertPurchaseReturn(ReturnOrder& order, const QList<ReturnOrderItem>& items) {
    return insertReturn(order, items, kPurchase);
}

bool ReturnRepository::insertSalesReturn(ReturnOrder& order, const QList<ReturnOrderItem>& items) {
    return insertReturn(order, items, kSales);
}

bool ReturnRepository::insertReturn(ReturnOrder& order, const QList<ReturnOrderItem>& items,
                                    const QString& type) {
    order.returnType = type;
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    if (items.isEmpty()) {
        qCritical() << "Return order must have at least one item";
        return refuse(QStringLiteral("退货单没有商品明细"));
    }
    const QString invalid = invalidQuantity(items);
    if (!invalid.isEmpty())
        return refuse(invalid);
    Transaction tx(m_db);
    if (!tx.isActive()) {
        qCritical() << "Failed to start transaction";
        return false;
    }
    // Numbered inside the transaction: a save that fails leaves the number for the next attempt.
    const QString number = generateReturnNo(type);
    if (number.isEmpty()) {
        qCritical() << "Failed to number return order";
        return false;
    }
    order.returnNo = number;
    const bool purchase = type == kPurchase;
    const bool stockMoved = purchase ? purchaseSourcesValid(items) && deductInventoryForPurchaseReturn(items)
                                     : salesWithinSold(items) && restoreInventoryForSalesReturn(items);
    if (!stockMoved || !writeReturn(order, items))
        return false;
    const QString detail = QStringLiteral("退货单号: %1, 金额: %2")
                               .arg(order.returnNo, OperLogHelper::formatAmount(order.totalAmount));
    if (purchase)
        OperLogHelper::logInDocument(m_db, QStringLiteral("采购退货"), QStringLiteral("新增退货单"), detail);
    else
        OperLogHelper::logInDocument(m_db, OperLogHelper::salesModule(), QStringLiteral("销售退回"), detail);
    if (!tx.commit()) {
        qCritical() << "Failed to commit transaction";
        return false;
    }
    return true;
}

bool ReturnRepository::writeReturn(ReturnOrder& order, const QList<ReturnOrderItem>& items) {
    const QString date = order.returnDate.isEmpty() ? Clock::todayText() : order.returnDate;
    const QSqlQuery header = m_db->query(
        QStringLiteral("INSERT INTO return_order (return_no, return_type, original_order_id, total_amount, "
                       "return_date, operator_id, reason, status) VALUES (?, ?, ?, ?, ?, ?, ?, 'completed')"),
        {order.returnNo, order.returnType, order.originalOrderId, order.totalAmount, date, order.operatorId,
         order.reason});
    if (!header.isActive()) {
        qCritical().noquote() << "Failed to insert return order:" << m_db->failureText(header);
        return false;
    }
    order.id = header.lastInsertId().toInt();

    double total = 0;
    for (const ReturnOrderItem& item : items) {
        const QSqlQuery line = m_db->query(
            QStringLiteral("INSERT INTO return_order_item (return_id, product_id, batch_id, batch_no, "
                           "production_date, expiry_date, original_order_no, quantity, unit_price, amount, "
                           "reason) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {order.id, item.productId, item.batchId, item.batchNo, item.productionDate, item.expiryDate,
             item.originalOrderNo, item.quantity, item.unitPrice, item.amount, item.reason});
        if (!line.isActive()) {
            qCritical().noquote() << "Failed to insert return item:" << m_db->failureText(line);
            return false;
        }
        total += item.amount;
    }
    if (changedRows(m_db, QStringLiteral("UPDATE return_order SET total_amount = ? WHERE id = ?"),
                    {total, order.id}) != 1)
        return false;
    order.totalAmount = total;
    return true;
}

bool ReturnRepository::purchaseSourcesValid(const QList<ReturnOrderItem>& items) {
    for (const ReturnOrderItem& item : items) {
        if (item.originalOrderNo.isEmpty())
            continue;
        const std::optional<bool> voided =
            orderVoided(m_db, QStringLiteral("purchase_order"), item.originalOrderNo);
        if (!voided)
            return false;
        if (*voided) {
            qCritical().noquote() << "Purchase return refused, the purchase order is voided:"
                                  << item.originalOrderNo;
            return refuse(QStringLiteral("采购订单 %1 已作废").arg(item.originalOrderNo));
        }
    }
    return true;
}

bool ReturnRepository::salesWithinSold(const QList<ReturnOrderItem>& items) {
    // What this return takes back of each (sale, product, batch number), in the order first listed.
    struct Claim {
        const ReturnOrderItem* item;
        int quantity;
    };
    QList<QString> keys;
    QHash<QString, Claim> claims;
    for (const ReturnOrderItem& item : items) {
        const QString key =
            item.originalOrderNo + QChar(0) + QString::number(item.productId) + QChar(0) + item.batchNo;
        if (!claims.contains(key)) {
            keys.append(key);
            claims.insert(key, {&item, 0});
        }
        claims[key].quantity += item.quantity;
    }
    for (const QString& key : keys) {
        const Claim& claim = claims.value(key);
        const ReturnOrderItem& item = *claim.item;
        const std::optional<QVariant> sold =
            readValue(m_db,
                      QStringLiteral(
                          "SELECT SUM(i.quantity) FROM sales_order o JOIN sales_order_item i ON i.order_id = "
                          "o.id WHERE o.order_no = ? AND o.status = 'completed' AND i.product_id = ? "
                          "AND i.batch_no = ?"),
                      {item.originalOrderNo, item.productId, item.batchNo});
        const std::optional<QVariant> returned = readValue(
            m_db,
            QStringLiteral("SELECT COALESCE(SUM(i.quantity), 0) FROM return_order r JOIN return_order_item i "
                           "ON i.return_id = r.id WHERE r.return_type = 'sales' AND r.status = 'completed' "
                           "AND i.original_order_no = ? AND i.product_id = ? AND i.batch_no = ?"),
            {item.originalOrderNo, item.productId, item.batchNo});
        if (!sold || !returned) {
            qCritical() << "Failed to read sold and returned quantities";
            return false;
        }
        // No completed sale with that product and batch: SUM over no rows is NULL.
        if (sold->isNull()) {
            qCritical().noquote() << "Sales return refused, no completed sale - order:"
                                  << item.originalOrderNo << "product:" << item.productId
                                  << "batch_no:" << item.batchNo;
            if (item.originalOrderNo.isEmpty())
                return refuse(QStringLiteral("批次 %1 没有注明原销售单").arg(item.batchNo));
            // Voided in the other copy since the user picked it: say so rather than that nothing was sold.
            const std::optional<bool> voided =
                orderVoided(m_db, QStringLiteral("sales_order"), item.originalOrderNo);
            if (!voided)
                return false;
            if (*voided)
                return refuse(QStringLiteral("销售单 %1 已作废").arg(item.originalOrderNo));
            return refuse(QStringLiteral("销售单 %1 没有批次 %2 的有效销售记录")
                              .arg(item.originalOrderNo, item.batchNo));
        }
        if (returned->toInt() + claim.quantity > sold->toInt()) {
            qCritical().noquote() << "Sales return exceeds the sold quantity - order:" << item.originalOrderNo
                                  << "product:" << item.productId << "batch_no:" << item.batchNo
                                  << "sold:" << sold->toInt() << "returned:" << returned->toInt()
                                  << "now:" << claim.quantity;
            return refuse(QStringLiteral("销售单 %1 的批次 %2 售出 %3，已退回 %4，本次退回 %5 超出售出数量")
                              .arg(item.originalOrderNo, item.batchNo, QString::number(sold->toInt()),
                                   QString::number(returned->toInt()), QString::number(claim.quantity)));
        }
    }
    return true;
}

bool ReturnRepository::deductInventoryForPurchaseReturn(const QList<ReturnOrderItem>& items) {
    StockMovement stock(m_db);
    for (const ReturnOrderItem& item : items) {
        const StockChange taken = takeOut(stock, item, true, "Failed to deduct inventory - product:");
        if (!taken.ok())
            return refuse(taken.refusal(QStringLiteral("退货需扣减")));
    }
    return true;
}

bool ReturnRepository::restoreInventoryForSalesReturn(const QList<ReturnOrderItem>& items) {
    StockMovement stock(m_db);
    for (const ReturnOrderItem& item : items) {
        if (!putBack(stock, item,
                     "Failed to restore inventory - product:", "Failed to create inventory batch - product:"))
            return false;
    }
    return true;
}

bool ReturnRepository::voidReturn(int id, const QString& reason) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    Transaction tx(m_db);
    if (!tx.isActive()) {
        qCritical() << "Failed to start transaction for voiding return";
        return false;
    }
    const ReturnOrder order = findById(id);
    if (order.id <= 0) {
        qCritical() << "Return order not found:" << id;
        return refuse(QStringLiteral("该退货单不存在"));
    }
    // The guard comes first: a return already voided must never move stock again.
    repositories::GuardRefusal why{QStringLiteral("退货单")};
    if (!repositories::changeStatusFrom(m_db, QStringLiteral("return_order"), id, kCompleted,
                                        QStringLiteral("voided"), {}, &why)) {
        qCritical() << "Return order is not completed, not voided:" << id;
        return refuse(why.reason);
    }
    if (!reverseStock(order))
        return false;
    const QString detail = reason.isEmpty()
                               ? QStringLiteral("退货单号: %1").arg(order.returnNo)
                               : QStringLiteral("退货单号: %1, 作废原因: %2").arg(order.returnNo, reason);
    OperLogHelper::logInDocument(m_db, moduleOf(order.returnType), QStringLiteral("作废退货单"), detail);
    if (!tx.commit()) {
        qCritical() << "Failed to commit transaction";
        return false;
    }
    return true;
}

bool ReturnRepository::reverseStock(const ReturnOrder& order) {
    StockMovement stock(m_db);
    for (const ReturnOrderItem& item : order.items) {
        if (order.returnType != kSales) {
            if (!putBack(stock, item, "Failed to restore inventory for void - product:",
                         "Failed to create inventory batch for void - product:"))
                return false;
            continue;
        }
        // What came back may have been sold again since.
        const StockChange taken =
            takeOut(stock, item, false, "Failed to deduct inventory for void - product:");
        if (!taken.ok())
            return refuse(taken.refusal(QStringLiteral("作废需扣回")));
    }
    return true;
}

ReturnOrder ReturnRepository::findById(int id) {
    ReturnOrder order = readFirst(m_db, kSelectOrders + QStringLiteral("WHERE r.id = ?"), {id}, readOrder);
    if (order.originalOrderId > 0) {
        const QString table =
            order.returnType == kPurchase ? QStringLiteral("purchase_order") : QStringLiteral("sales_order");
        const std::optional<QVariant> number = readValue(
            m_db, QStringLiteral("SELECT order_no FROM %1 WHERE id = ?").arg(table), {order.originalOrderId});
        if (number)
            order.originalOrderNo = number->toString();
    }
    if (order.id > 0)
        order.items = findReturnItems(order.id);
    return order;
}

ReturnOrder ReturnRepository::findByReturnNo(const QString& returnNo) {
    ReturnOrder order =
        readFirst(m_db, kSelectOrders + QStringLiteral("WHERE r.return_no = ?"), {returnNo}, readOrder);
    if (order.id > 0)
        order.items = findReturnItems(order.id);
    return order;
}

QList<ReturnOrder> ReturnRepository::findAll(const QString& returnType) {
    return readList(m_db, returnList(returnType, QString()), readOrder);
}

QList<ReturnOrder> ReturnRepository::search(const QString& returnType, const QString& keyword) {
    return readList(m_db, returnList(returnType, keyword), readOrder);
}

ListQuery ReturnRepository::returnList(const QString& returnType, const QString& keyword) {
    ListQuery list;
    list.columns = kOrderColumns;
    list.from = kOrderFrom;
    list.where = QStringLiteral("r.return_type = ?");
    list.params = {returnType};
    // Returns made within one second keep their order of entry.
    list.order = {{QStringLiteral("r.created_at"), true}, {QStringLiteral("r.id"), true}};
    if (!keyword.isEmpty()) {
        const QString pattern = QStringLiteral("%") + keyword + QStringLiteral("%");
        list.filter(QStringLiteral("r.return_no LIKE ? OR r.reason LIKE ?"), {pattern, pattern});
    }
    return list;
}

QList<ReturnOrderItem> ReturnRepository::findReturnItems(int returnId) {
    // Lines in the order they were entered.
    return readList(m_db,
                    QStringLiteral("SELECT i.id, i.return_id, i.product_id, p.name, p.barcode, i.batch_id, "
                                   "i.batch_no, i.production_date, i.expiry_date, i.original_order_no, "
                                   "i.quantity, i.unit_price, i.amount, i.reason FROM return_order_item i "
                                   "INNER JOIN product p ON i.product_id = p.id WHERE i.return_id = ? "
                                   "ORDER BY i.id"),
                    {returnId}, readItem);
}

} // namespace kestrovalin

#include "repositories/inventorycheckrepository.h"

#include "core/documentnumber.h"
#include "core/rowreader.h"
#include "core/transaction.h"
#include "repositories/batchline.h"
#include "repositories/guardedstatus.h"
#include "repositories/operloghelper.h"
#include "repositories/stockmovement.h"

#include <QDebug>
#include <QSqlQuery>

namespace kestrovalin::repositories {

using models::InventoryCheck;
using models::InventoryCheckItem;

namespace {

const QString kModule = QStringLiteral("盘点");
const QString kApproved = QStringLiteral("approved");
const QString kTable = QStringLiteral("inventory_check");
const QString kNoun = QStringLiteral("盘点单");

const QString kSelectChecks = QStringLiteral(
    "SELECT c.id, c.check_no, c.check_type, c.check_date, c.operator_id, u.real_name, c.status, c.remark, "
    "c.created_at FROM inventory_check c LEFT JOIN sys_user u ON c.operator_id = u.id ");

// Sheets made within one second keep their order of entry.
const QString kNewestFirst = QStringLiteral(" ORDER BY c.created_at DESC, c.id DESC");

InventoryCheck readCheck(const Row& row) {
    InventoryCheck check;
    check.id = row.integer("id");
    check.checkNo = row.text("check_no");
    check.checkType = row.text("check_type");
    check.checkDate = row.text("check_date");
    check.operatorId = row.integer("operator_id");
    check.operatorName = row.text("real_name");
    check.status = row.text("status");
    check.remark = row.text("remark");
    check.createdAt = row.text("created_at");
    check.approvedAt = row.text("approved_at");
    check.approvedBy = row.integer("approved_by");
    check.approvedByName = row.text("approved_by_name");
    return check;
}

InventoryCheckItem readItem(const Row& row) {
    InventoryCheckItem item;
    readBatchLine(row, item);
    item.checkId = row.integer("check_id");
    item.systemQuantity = row.integer("system_quantity");
    item.actualQuantity = row.integer("actual_quantity");
    item.diffQuantity = row.integer("diff_quantity");
    item.diffReason = row.text("diff_reason");
    item.remark = row.text("remark");
    return item;
}

} // namespace

InventoryCheckRepository::InventoryCheckRepository(IDbAdapter* db) : m_db(db) {}

QString InventoryCheckRepository::generateCheckNo() {
    return nextDocumentNumber(m_db, QStringLiteral("CHK"), QStringLiteral("inventory_check"),
                              QStringLiteral("check_no"));
}

bool InventoryCheckRepository::insertItems(int checkId, const QList<InventoryCheckItem>& items,
                                           double* totalDiff) {
    for (const InventoryCheckItem& item : items) {
        const QSqlQuery line = m_db->query(
            QStringLiteral("INSERT INTO inventory_check_item (check_id, product_id, batch_id, batch_no, "
                           "production_date, expiry_date, system_quantity, actual_quantity, diff_quantity, "
                           "diff_reason, remark) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {checkId, item.productId, item.batchId, item.batchNo, item.productionDate, item.expiryDate,
             item.systemQuantity, item.actualQuantity, item.diffQuantity, item.diffReason, item.remark});
        if (!line.isActive()) {
            qCritical().noquote() << "Failed to insert inventory check item:" << m_db->failureText(line);
            return false;
        }
        if (totalDiff)
            *totalDiff += item.diffQuantity;
    }
    return true;
}

int InventoryCheckRepository::insertCheck(InventoryCheck& check, const QList<InventoryCheckItem>& items) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return -1;
    Transaction tx(m_db);
    if (!tx.isActive()) {
        qCritical() << "Failed to start transaction for inventory check";
        return -1;
    }
    // The highest of today's numbers + 1, so a deleted sheet never makes the next number collide.
    const QString number = generateCheckNo();
    if (number.isEmpty()) {
        qCritical() << "Failed to number inventory check";
        return -1;
    }
    const QSqlQuery header = m_db->query(
        QStringLiteral("INSERT INTO inventory_check (check_no, check_type, check_date, operator_id, status, "
                       "remark) VALUES (?, ?, ?, ?, 'draft', ?)"),
        {number, check.checkType, check.checkDate, check.operatorId, check.remark});
    if (!header.isActive()) {
        qCritical().noquote() << "Failed to insert inventory check:" << m_db->failureText(header);
        return -1;
    }
    const int id = header.lastInsertId().toInt();
    double totalDiff = 0;
    if (!insertItems(id, items, &totalDiff))
        return -1;
    OperLogHelper::logInDocument(
        m_db, kModule, QStringLiteral("新增盘点单"),
        QStringLiteral("盘点单号: %1, 差异: %2").arg(number, OperLogHelper::formatAmount(totalDiff)));
    if (!tx.commit()) {
        qCritical() << "Failed to commit transaction";
        return -1;
    }
    check.id = id;
    check.checkNo = number;
    return id;
}

bool InventoryCheckRepository::updateCheck(InventoryCheck& check, const QList<InventoryCheckItem>& items) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    Transaction tx(m_db);
    if (!tx.isActive()) {
        qCritical() << "Failed to start transaction for updating inventory check";
        return false;
    }
    // An approved sheet records a stock adjustment already made; it stays as it was approved.
    const int changed =
        changedRows(m_db,
                    QStringLiteral("UPDATE inventory_check SET check_type = ?, check_date = ?, remark = ? "
                                   "WHERE id = ? AND status <> 'approved'"),
                    {check.checkType, check.checkDate, check.remark, check.id});
    if (changed != 1)
        return changed == 0 ? refuse(rowRefusal(m_db, kTable, check.id, kNoun)) : false;
    if (!m_db->execute(QStringLiteral("DELETE FROM inventory_check_item WHERE check_id = ?"), {check.id}))
        return false;
    if (!insertItems(check.id, items, nullptr))
        return false;
    if (!tx.commit()) {
        qCritical() << "Failed to commit transaction";
        return false;
    }
    return true;
}

bool InventoryCheckRepository::deleteCheck(int id) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    Transaction tx(m_db);
    if (!tx.isActive())
        return false;
    if (!m_db->execute(QStringLiteral("DELETE FROM inventory_check_item WHERE check_id = ?"), {id}))
        return false;
    // Exactly the sheet, and only while it is not approved: its lines go back if it is not deleted.
    const int changed = changedRows(
        m_db, QStringLiteral("DELETE FROM inventory_check WHERE id = ? AND status <> 'approved'"), {id});
    if (changed != 1) {
        qCritical() << "Inventory check not deleted, missing or approved:" << id;
        return changed == 0 ? refuse(rowRefusal(m_db, kTable, id, kNoun)) : false;
    }
    OperLogHelper::logInDocument(m_db, kModule, QStringLiteral("删除盘点单"),
                                 QStringLiteral("盘点单ID: %1").arg(id));
    return tx.commit();
}

bool InventoryCheckRepository::approveCheck(int id, int approverId) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    Transaction tx(m_db);
    if (!tx.isActive()) {
        qCritical() << "Failed to start transaction for approving inventory check";
        return false;
    }
    // The guard first: a sheet that is approved, or missing, never moves stock.
    GuardRefusal why{kNoun};
    if (!changeStatusUnless(m_db, kTable, id, kApproved, kApproved,
                            {{QStringLiteral("approved_at"), QVariant(), QStringLiteral("CURRENT_TIMESTAMP")},
                             {QStringLiteral("approved_by"), approverId, QString()}},
                            &why)) {
        qWarning().noquote() << "Inventory check approval refused - id:" << id << why.reason;
        return refuse(why.reason);
    }
    if (!adjustInventory(id))
        return false;
    OperLogHelper::logInDocument(m_db, kModule, QStringLiteral("审核盘点单"),
                                 QStringLiteral("盘点单ID: %1").arg(id));
    return tx.commit();
}

bool InventoryCheckRepository::adjustInventory(int checkId) {
    qDebug() << "adjustInventory called for checkId:" << checkId;
    const Fetched<InventoryCheckItem> items = fetch(
        m_db,
        QStringLiteral("SELECT i.id, i.check_id, i.product_id, i.batch_id, i.batch_no, i.production_date, "
                       "i.expiry_date, i.system_quantity, i.actual_quantity, i.diff_quantity FROM "
                       "inventory_check_item i WHERE i.check_id = ? ORDER BY i.id"),
        {checkId}, readItem);
    if (!items.ok)
        return false;
    qDebug() << "Found" << items.rows.size() << "check items";
    StockMovement stock(m_db);
    for (const InventoryCheckItem& item : items.rows) {
        const int count = item.actualQuantity;
        if (count < 0) {
            qCritical().noquote() << "Invalid actual quantity - product:" << item.productId
                                  << "batch:" << item.batchNo << ", actualQty:" << count;
            return refuse(
                QStringLiteral("批次 %1 的实盘数量 %2 无效").arg(item.batchNo, QString::number(count)));
        }
        // The count replaces what the batch holds now, whatever moved since the line was taken. The movement
        // reads the batch itself; its result tells what it found.
        const StockChange change = stock.setCount(item.productId, item.batchNo, count,
                                                  {0, item.productionDate, item.expiryDate, 0.0, QString()});
        const bool found = change.batchId != 0 && !change.created;
        if (found)
            qDebug().noquote() << "Batch found - productId:" << item.productId << ", batchNo:" << item.batchNo
                               << ", currentQty:" << change.before << ", actualQty:" << count;
        if (!change.ok()) {
            qCritical().noquote() << (found ? "Failed to adjust inventory - product:"
                                            : "Failed to create inventory batch - product:")
                                  << item.productId << "batch:" << item.batchNo;
            return false;
        }
        if (change.created)
            qDebug().noquote() << "Created new inventory batch - productId:" << item.productId
                               << ", batchNo:" << item.batchNo << ", quantity:" << count;
        else if (change.batchId == 0)
            qDebug() << "Batch not exists and actualQty is 0, nothing to do";
        else if (change.before == count)
            qDebug() << "No change needed, skipping";
        else
            qDebug() << "Updated inventory - batchId:" << change.batchId << ", oldQty:" << change.before
                     << ", newQty:" << count;
    }
    return true;
}

InventoryCheck InventoryCheckRepository::findById(int id) {
    InventoryCheck check = readFirst(
        m_db,
        QStringLiteral(
            "SELECT c.id, c.check_no, c.check_type, c.check_date, c.operator_id, c.status, c.remark, "
            "c.created_at, c.approved_at, c.approved_by, u.real_name, au.real_name as "
            "approved_by_name FROM inventory_check c LEFT JOIN sys_user u ON c.operator_id = u.id "
            "LEFT JOIN sys_user au ON c.approved_by = au.id WHERE c.id = ?"),
        {id}, readCheck);
    if (check.id > 0)
        check.items = findCheckItems(check.id);
    return check;
}

InventoryCheck InventoryCheckRepository::findByCheckNo(const QString& checkNo) {
    const std::optional<QVariant> id =
        readValue(m_db, QStringLiteral("SELECT id FROM inventory_check WHERE check_no = ?"), {checkNo});
    return id ? findById(id->toInt()) : InventoryCheck();
}

QList<InventoryCheck> InventoryCheckRepository::readChecks(const QString& where,
                                                           const QList<QVariant>& params) {
    return readList(m_db, kSelectChecks + where + kNewestFirst, params, readCheck);
}

QList<InventoryCheck> InventoryCheckRepository::findAll() {
    return readChecks(QString(), {});
}

QList<InventoryCheck> InventoryCheckRepository::search(const QString& keyword) {
    const QString pattern = QStringLiteral("%") + keyword + QStringLiteral("%");
    return readChecks(QStringLiteral("WHERE c.check_no LIKE ? OR c.check_type LIKE ?"), {pattern, pattern});
}

QList<InventoryCheckItem> InventoryCheckRepository::findCheckItems(int checkId) {
    // Lines in the order they were put on the sheet.
    return readList(m_db,
                    QStringLiteral("SELECT i.id, i.check_id, i.product_id, p.name, p.barcode, i.batch_id, "
                                   "i.batch_no, i.production_date, i.expiry_date, i.system_quantity, "
                                   "i.actual_quantity, i.diff_quantity, i.diff_reason, i.remark FROM "
                                   "inventory_check_item i LEFT JOIN product p ON i.product_id = p.id WHERE "
                                   "i.check_id = ? ORDER BY i.id"),
                    {checkId}, readItem);
}

} // namespace kestrovalin::repositories

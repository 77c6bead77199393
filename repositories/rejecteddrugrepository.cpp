#include "repositories/rejecteddrugrepository.h"

#include "core/clock.h"
#include "core/idbadapter.h"
#include "core/rowreader.h"
#include "core/transaction.h"
#include "repositories/guardedstatus.h"
#include "repositories/rejecteddrugcodes.h"
#include "repositories/stockmovement.h"

#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>

namespace kestrovalin::repositories {

using models::RejectedDrug;

namespace {

const QString kTable = QStringLiteral("unqualified_drug");
const QString kNoun = QStringLiteral("记录");

const QString kColumns = QStringLiteral(
    "u.id, u.product_id, u.product_name, u.barcode, u.product_spec, u.manufacturer, u.batch_id, u.batch_no, "
    "u.production_date, u.expiry_date, u.quantity, u.supplier_id, u.supplier_name, u.reason, "
    "u.reason_remark, u.report_date, u.found_by, u.status, u.process_type, u.process_date, u.process_by, "
    "u.remark, u.created_at, fu.real_name as found_by_name, pu.real_name as process_by_name");

const QString kFrom = QStringLiteral(" FROM unqualified_drug u LEFT JOIN sys_user fu ON u.found_by = fu.id "
                                     "LEFT JOIN sys_user pu ON u.process_by = pu.id");

const QString kNewestFirst = QStringLiteral(" ORDER BY u.created_at DESC");

// A stocktaking sheet still in draft that counts the batch row's product and batch number: its approval
// would set the row's quantity back to the count, undoing what a confirmation takes out.
const QString kInStocktakingSql = QStringLiteral(
    "SELECT EXISTS (SELECT 1 FROM inventory_batch b INNER JOIN inventory_check_item i "
    "ON i.product_id = b.product_id AND i.batch_no = b.batch_no "
    "INNER JOIN inventory_check c ON c.id = i.check_id WHERE b.id = ? AND c.status = 'draft')");

RejectedDrug readRecord(const Row& r) {
    RejectedDrug d;
    d.id = r.integer("id");
    d.productId = r.integer("product_id");
    d.productName = r.text("product_name");
    d.barcode = r.text("barcode");
    d.productSpec = r.text("product_spec");
    d.manufacturer = r.text("manufacturer");
    d.batchId = r.integer("batch_id");
    d.batchNo = r.text("batch_no");
    d.productionDate = r.text("production_date");
    d.expiryDate = r.text("expiry_date");
    d.quantity = r.integer("quantity");
    d.supplierId = r.integer("supplier_id");
    d.supplierName = r.text("supplier_name");
    d.reason = r.text("reason");
    d.reasonRemark = r.text("reason_remark");
    d.reportDate = r.text("report_date");
    d.foundBy = r.integer("found_by");
    d.status = r.text("status");
    d.processType = r.text("process_type");
    d.processDate = r.text("process_date");
    d.processBy = r.integer("process_by");
    d.remark = r.text("remark");
    d.createdAt = r.text("created_at");
    d.foundByName = r.text("found_by_name");
    d.processByName = r.text("process_by_name");
    return d;
}

QString likePattern(const QString& text) {
    return QStringLiteral("%") + text + QStringLiteral("%");
}

void logFailure(const char* operation, const QString& why) {
    qCritical().noquote() << QStringLiteral("RejectedDrug %1 failed:").arg(QLatin1String(operation)) << why;
}

// A stock statement on rejected_quantity that failed (not one refused for too little stock); the database's
// reason is in the adapter's warning just before.
void logRejectedUpdate(const StockChange& change, int recordId) {
    if (change.outcome == StockChange::Failed && change.batchId != 0)
        qCritical().noquote() << "Update rejected_quantity failed:"
                              << QStringLiteral("batch %1, record %2").arg(change.batchId).arg(recordId);
}

bool noAdapter(IDbAdapter* db, const char* caller) {
    if (db)
        return false;
    qCritical().noquote()
        << QStringLiteral("RejectedDrugRepository::%1: m_adapter is null").arg(QLatin1String(caller));
    return true;
}

} // namespace

RejectedDrugRepository::RejectedDrugRepository(IDbAdapter* db) : m_db(db) {}

bool RejectedDrugRepository::insert(RejectedDrug& drug) {
    const Write write = beginWrite(m_db);
    if (noAdapter(m_db, "insert"))
        return false;
    const QSqlQuery q = m_db->query(
        QStringLiteral(
            "INSERT INTO unqualified_drug (product_id, product_name, barcode, product_spec, "
            "manufacturer, batch_id, batch_no, production_date, expiry_date, quantity, supplier_id, "
            "supplier_name, reason, reason_remark, report_date, found_by, status, created_at, remark) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {drug.productId, drug.productName, drug.barcode, drug.productSpec, drug.manufacturer, drug.batchId,
         drug.batchNo, nullIfEmpty(drug.productionDate), nullIfEmpty(drug.expiryDate), drug.quantity,
         drug.supplierId > 0 ? QVariant(drug.supplierId) : QVariant(QVariant::Int), drug.supplierName,
         drug.reason, drug.reasonRemark, drug.reportDate, drug.foundBy, QLatin1String(rejected::kPending),
         Clock::nowText(), drug.remark});
    const QVariant id = q.lastInsertId();
    if (!q.isActive() || !id.isValid()) {
        logFailure("insert", m_db->failureText(q));
        return false;
    }
    drug.id = id.toInt();
    return true;
}

bool RejectedDrugRepository::confirm(int id, int userId) {
    return confirmRecord(id, userId) == ConfirmOutcome::Confirmed;
}

RejectedDrugRepository::ConfirmOutcome RejectedDrugRepository::confirmRecord(int id, int userId) {
    Q_UNUSED(userId)
    const Write write = beginWrite(m_db);
    if (noAdapter(m_db, "confirm"))
        return ConfirmOutcome::Failed;
    Transaction tx(m_db);
    if (!tx.isActive()) {
        logFailure("confirm", QStringLiteral("could not begin a transaction"));
        return ConfirmOutcome::Failed;
    }
    const RejectedDrug record = findById(id);
    if (record.id <= 0 || record.status != QLatin1String(rejected::kPending)) {
        logFailure("confirm", QStringLiteral("record %1 is not pending").arg(id));
        refuse(rowRefusal(m_db, kTable, id, kNoun));
        return ConfirmOutcome::NotPending;
    }
    const std::optional<QVariant> counting = readValue(m_db, kInStocktakingSql, {record.batchId});
    if (!counting) {
        logFailure("confirm", QStringLiteral("stocktaking look-up"));
        return ConfirmOutcome::Failed;
    }
    if (counting->toInt() != 0) {
        logFailure("confirm", QStringLiteral("batch %1 is being counted").arg(record.batchId));
        refuse(QStringLiteral("批次 %1 正在盘点中，请先审核或删除盘点单").arg(record.batchNo));
        return ConfirmOutcome::InStocktaking;
    }
    GuardRefusal why{kNoun};
    if (!changeStatusFrom(m_db, kTable, id, QLatin1String(rejected::kPending),
                          QLatin1String(rejected::kConfirmed), {}, &why)) {
        logFailure("confirm", QStringLiteral("status of record %1").arg(id));
        refuse(why.reason);
        return why.reason.isEmpty() ? ConfirmOutcome::Failed : ConfirmOutcome::NotPending;
    }
    const StockChange moved = StockMovement(m_db).move(BatchKey::byId(record.batchId), record.quantity,
                                                       StockColumn::Quantity, StockColumn::Rejected);
    if (!moved.ok()) {
        logRejectedUpdate(moved, id);
        logFailure("confirm", QStringLiteral("batch %1 holds %2, record %3 sets aside %4")
                                  .arg(record.batchId)
                                  .arg(moved.before)
                                  .arg(id)
                                  .arg(record.quantity));
        refuse(moved.refusal(QStringLiteral("确认需移出")));
        return moved.outcome == StockChange::TooLittle ? ConfirmOutcome::NotEnoughStock
                                                       : ConfirmOutcome::Failed;
    }
    if (!tx.commit()) {
        logFailure("confirm", QStringLiteral("commit"));
        return ConfirmOutcome::Failed;
    }
    return ConfirmOutcome::Confirmed;
}

bool RejectedDrugRepository::process(int id, const QString& processType, int userId) {
    const Write write = beginWrite(m_db);
    if (noAdapter(m_db, "process"))
        return false;
    Transaction tx(m_db);
    if (!tx.isActive()) {
        logFailure("process", QStringLiteral("could not begin a transaction"));
        return false;
    }
    const RejectedDrug record = findById(id);
    GuardRefusal why{kNoun};
    if (!changeStatusFrom(m_db, kTable, id, QLatin1String(rejected::kConfirmed),
                          QLatin1String(rejected::kProcessed),
                          {{QStringLiteral("process_type"), processType, QString()},
                           {QStringLiteral("process_date"), Clock::todayText(), QString()},
                           {QStringLiteral("process_by"), userId, QString()}},
                          &why)) {
        logFailure("process", QStringLiteral("record %1 is not confirmed").arg(id));
        return refuse(why.reason);
    }
    if (rejected::processTakesStock(processType)) {
        const StockChange taken =
            StockMovement(m_db).lower(BatchKey::byId(record.batchId), record.quantity, StockColumn::Rejected);
        if (!taken.ok()) {
            logRejectedUpdate(taken, id);
            logFailure("process", QStringLiteral("batch %1 has %2 set aside, record %3 takes %4")
                                      .arg(record.batchId)
                                      .arg(taken.before)
                                      .arg(id)
                                      .arg(record.quantity));
            return refuse(taken.refusal(QStringLiteral("处理需扣减")));
        }
    }
    if (!tx.commit()) {
        logFailure("process", QStringLiteral("commit"));
        return false;
    }
    return true;
}

bool RejectedDrugRepository::update(const RejectedDrug& drug) {
    const Write write = beginWrite(m_db);
    if (noAdapter(m_db, "update"))
        return false;
    if (updateWithStatus(m_db, kTable, drug.id, QLatin1String(rejected::kPending),
                         {{QStringLiteral("product_id"), drug.productId, QString()},
                          {QStringLiteral("batch_id"), drug.batchId, QString()},
                          {QStringLiteral("batch_no"), drug.batchNo, QString()},
                          {QStringLiteral("quantity"), drug.quantity, QString()},
                          {QStringLiteral("reason"), drug.reason, QString()},
                          {QStringLiteral("reason_remark"), drug.reasonRemark, QString()},
                          {QStringLiteral("report_date"), drug.reportDate, QString()},
                          {QStringLiteral("found_by"), drug.foundBy, QString()},
                          {QStringLiteral("remark"), drug.remark, QString()}}))
        return true;
    logFailure("update", QStringLiteral("record %1 is not pending or could not be written").arg(drug.id));
    return false;
}

bool RejectedDrugRepository::remove(int id) {
    const Write write = beginWrite(m_db);
    if (noAdapter(m_db, "remove"))
        return false;
    GuardRefusal why{kNoun};
    if (removeWithStatus(m_db, kTable, id, QLatin1String(rejected::kPending), &why))
        return true;
    logFailure("remove", QStringLiteral("record %1 is not pending").arg(id));
    return refuse(why.reason);
}

RejectedDrug RejectedDrugRepository::findById(int id) {
    if (noAdapter(m_db, "findById"))
        return RejectedDrug();
    return readFirst(m_db, QStringLiteral("SELECT ") + kColumns + kFrom + QStringLiteral(" WHERE u.id=?"),
                     {id}, readRecord);
}

QList<RejectedDrug> RejectedDrugRepository::search(const QString& status, const QString& supplier,
                                                   const QString& product, const QString& barcode,
                                                   const QString& mnemonic, const QString& batchNo) {
    QString sql = QStringLiteral("SELECT DISTINCT ") + kColumns + kFrom +
                  QStringLiteral(" LEFT JOIN product p ON u.product_id = p.id WHERE 1=1 ");
    QList<QVariant> params;
    if (!status.isEmpty() && status != QLatin1String(rejected::kAllStatuses)) {
        sql += QStringLiteral(" AND u.status = ?");
        params << status;
    }
    const struct {
        const char* condition;
        QString text;
    } filters[] = {{" AND u.supplier_name LIKE ?", supplier},
                   {" AND u.product_name LIKE ?", product},
                   {" AND u.barcode LIKE ?", barcode},
                   {" AND p.mnemonic_code LIKE ?", mnemonic.toUpper()},
                   {" AND u.batch_no LIKE ?", batchNo}};
    for (const auto& filter : filters) {
        if (filter.text.isEmpty())
            continue;
        sql += QLatin1String(filter.condition);
        params << likePattern(filter.text);
    }
    return readRecords("search", sql + kNewestFirst, params);
}

QList<RejectedDrug> RejectedDrugRepository::search(const QString& status) {
    return search(status, QString(), QString(), QString(), QString(), QString());
}

QList<RejectedDrug> RejectedDrugRepository::findAll() {
    return readRecords("findAll", QStringLiteral("SELECT ") + kColumns + kFrom + kNewestFirst, {});
}

QList<RejectedDrug> RejectedDrugRepository::findByStatus(const QString& status) {
    return readRecords("findByStatus",
                       QStringLiteral("SELECT ") + kColumns + kFrom + QStringLiteral(" WHERE u.status=?") +
                           kNewestFirst,
                       {status});
}

QList<RejectedDrug> RejectedDrugRepository::readRecords(const char* caller, const QString& sql,
                                                        const QList<QVariant>& params) {
    if (noAdapter(m_db, caller))
        return {};
    return readList(m_db, sql, params, readRecord);
}

} // namespace kestrovalin::repositories

#include "repositories/stockmovement.h"

#include "core/clock.h"
#include "core/rowreader.h"

namespace kestrovalin::repositories {

namespace {

QString columnName(StockColumn column) {
    return column == StockColumn::Rejected ? QStringLiteral("rejected_quantity") : QStringLiteral("quantity");
}

StockChange refused(StockChange::Outcome outcome, const StockChange& found = {}) {
    StockChange change = found;
    change.outcome = outcome;
    change.after = change.before;
    return change;
}

} // namespace

QString StockChange::refusal(const QString& need) const {
    const QString batch = batchNo.isEmpty() ? QStringLiteral("该批次") : QStringLiteral("批次 ") + batchNo;
    if (outcome == NoBatch)
        return QStringLiteral("库存中没有") + batch;
    if (outcome != TooLittle)
        return QString();
    const QString held =
        column == StockColumn::Rejected ? QStringLiteral("不合格库存") : QStringLiteral("现有库存");
    return QStringLiteral("%1 %2 %3，%4 %5")
        .arg(batch, held, QString::number(before), need, QString::number(amount));
}

StockChange StockMovement::find(const BatchKey& key, StockColumn column) const {
    StockChange asked;
    asked.batchNo = key.batchNo();
    asked.column = column;
    if (!m_db)
        return refused(StockChange::Invalid, asked);
    QString condition;
    QList<QVariant> params;
    if (key.batchId() > 0) {
        condition = QStringLiteral("id = ?");
        params << key.batchId();
    } else {
        condition = QStringLiteral("product_id = ? AND batch_no = ?");
        params << key.productId() << key.batchNo();
        if (key.sellableOnly()) {
            // Local today, bound: SQLite's own date is UTC and would sell a batch that expired overnight.
            condition += QStringLiteral(" AND quantity > 0 AND expiry_date > ?");
            params << Clock::todayText();
        }
    }
    const QString counted = columnName(column);
    const Fetched<StockChange> rows =
        fetch(m_db,
              QStringLiteral("SELECT id, batch_no, %1 FROM inventory_batch WHERE %2 ORDER BY id LIMIT 1")
                  .arg(counted, condition),
              params, [&counted, &asked](const Row& row) {
                  StockChange change = asked;
                  change.outcome = StockChange::Done;
                  change.batchId = row.integer("id");
                  change.batchNo = row.text("batch_no");
                  change.before = row.integer(qPrintable(counted));
                  change.after = change.before;
                  return change;
              });
    if (!rows.ok)
        return refused(StockChange::Failed, asked);
    return rows.rows.isEmpty() ? refused(StockChange::NoBatch, asked) : rows.rows.first();
}

StockChange StockMovement::raise(const BatchKey& key, int amount, StockColumn column) {
    if (amount < 0)
        return refused(StockChange::Invalid);
    StockChange found = find(key, column);
    found.amount = amount;
    if (!found.ok())
        return found;
    const QString name = columnName(column);
    return write(found, QStringLiteral("%1 = %1 + ?").arg(name), {amount}, found.before + amount);
}

StockChange StockMovement::lower(const BatchKey& key, int amount, StockColumn column) {
    return move(key, amount, column, column);
}

StockChange StockMovement::move(const BatchKey& key, int amount, StockColumn from, StockColumn to) {
    if (amount < 0)
        return refused(StockChange::Invalid);
    StockChange found = find(key, from);
    found.amount = amount;
    if (!found.ok())
        return found;
    if (found.before < amount)
        return refused(StockChange::TooLittle, found);
    const QString source = columnName(from);
    QString assignments = QStringLiteral("%1 = %1 - ?").arg(source);
    QList<QVariant> params{amount};
    if (from != to) {
        assignments += QStringLiteral(", %1 = %1 + ?").arg(columnName(to));
        params << amount;
    }
    // The guard makes the check and the write one step, whatever ran between them.
    return write(found, assignments, params, found.before - amount, QStringLiteral("%1 >= ?").arg(source),
                 amount);
}

StockChange StockMovement::raiseOrCreate(int productId, const QString& batchNo, int amount,
                                         const NewBatch& values) {
    if (amount < 0)
        return refused(StockChange::Invalid);
    const StockChange found = find(BatchKey::byNumber(productId, batchNo));
    if (found.outcome == StockChange::NoBatch)
        return create(productId, batchNo, amount, values);
    return found.ok() ? raise(BatchKey::byId(found.batchId), amount) : found;
}

StockChange StockMovement::setCount(int productId, const QString& batchNo, int count,
                                    const NewBatch& values) {
    if (count < 0)
        return refused(StockChange::Invalid);
    const StockChange found = find(BatchKey::byNumber(productId, batchNo));
    if (found.outcome == StockChange::NoBatch)
        return count > 0 ? create(productId, batchNo, count, values) : refused(StockChange::Done);
    if (!found.ok() || found.before == count)
        return found;
    return write(found, QStringLiteral("quantity = ?"), {count}, count);
}

StockChange StockMovement::create(int productId, const QString& batchNo, int quantity,
                                  const NewBatch& values) {
    const QSqlQuery insert = m_db->query(
        QStringLiteral("INSERT INTO inventory_batch (product_id, supplier_id, batch_no, production_date, "
                       "expiry_date, unit_cost, quantity, status, created_at) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, 'normal', ?)"),
        {productId, values.supplierId, batchNo, nullIfEmpty(values.productionDate),
         nullIfEmpty(values.expiryDate), values.unitCost, quantity, nullIfEmpty(values.createdAt)});
    const QVariant id = insert.lastInsertId();
    if (!insert.isActive() || insert.numRowsAffected() != 1 || !id.isValid())
        return refused(StockChange::Failed);
    StockChange change;
    change.outcome = StockChange::Done;
    change.batchId = id.toInt();
    change.after = quantity;
    change.created = true;
    return change;
}

StockChange StockMovement::write(StockChange found, const QString& assignments, QList<QVariant> values,
                                 int after, const QString& guard, const QVariant& guardValue) {
    QString sql =
        QStringLiteral("UPDATE inventory_batch SET ") + assignments + QStringLiteral(" WHERE id = ?");
    values << found.batchId;
    if (!guard.isEmpty()) {
        sql += QStringLiteral(" AND ") + guard;
        values << guardValue;
    }
    if (changedRows(m_db, sql, values) != 1)
        return refused(StockChange::Failed, found);
    found.after = after;
    return found;
}

} // namespace kestrovalin::repositories

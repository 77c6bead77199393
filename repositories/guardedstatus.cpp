#include "repositories/guardedstatus.h"

#include "core/rowreader.h"
#include "core/transaction.h"

#include <QDebug>
#include <QHash>
#include <QStringList>

namespace kestrovalin::repositories {

namespace {

// What each status means to the user once it stops a write.
QString statusWords(const QString& status) {
    static const QHash<QString, QString> words{{QStringLiteral("voided"), QStringLiteral("已作废")},
                                               {QStringLiteral("approved"), QStringLiteral("已审核")},
                                               {QStringLiteral("valid"), QStringLiteral("已审核")},
                                               {QStringLiteral("confirmed"), QStringLiteral("已审核确认")},
                                               {QStringLiteral("processed"), QStringLiteral("已处理")},
                                               {QStringLiteral("pending"), QStringLiteral("尚未审核")},
                                               {QStringLiteral("draft"), QStringLiteral("尚未审核")},
                                               {QStringLiteral("completed"), QStringLiteral("已完成")}};
    return words.value(status, QStringLiteral("状态已改变"));
}

bool exactlyOne(IDbAdapter* db, const QString& table, int id, const QString& sql,
                const QList<QVariant>& params, GuardRefusal* why) {
    const int changed = changedRows(db, sql, params);
    if (changed == 1)
        return true;
    // A caller that asks why reports the refusal and logs it; one log line per refusal is enough.
    if (!why) {
        qWarning().noquote() << "Guarded write refused -" << table << "id:" << id << "rows:" << changed;
        return false;
    }
    // Only a write that matched no row was refused; one that failed says nothing to the user.
    why->reason = changed == 0 ? rowRefusal(db, table, id, why->noun) : QString();
    return false;
}

// "UPDATE <table> SET a = ?, b = CURRENT_TIMESTAMP" with the bound values in params; false for a name that
// is not a plain SQL name or no column at all.
bool updateStatement(const QString& table, const QList<ColumnValue>& columns, QString& sql,
                     QList<QVariant>& params) {
    if (!isSqlName(table) || columns.isEmpty())
        return false;
    QStringList assignments;
    for (const ColumnValue& c : columns) {
        if (!isSqlName(c.column))
            return false;
        if (c.expression.isEmpty()) {
            assignments << c.column + QStringLiteral(" = ?");
            params << c.value;
        } else {
            assignments << c.column + QStringLiteral(" = ") + c.expression;
        }
    }
    sql =
        QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + assignments.join(QStringLiteral(", "));
    return true;
}

bool guardedUpdate(IDbAdapter* db, const QString& table, int id, const char* comparison,
                   const QVariant& guard, const QList<ColumnValue>& columns, GuardRefusal* why) {
    QString sql;
    QList<QVariant> params;
    if (!updateStatement(table, columns, sql, params))
        return false;
    sql += QStringLiteral(" WHERE id = ? AND status ") + QLatin1String(comparison) + QStringLiteral(" ?");
    params << id << guard;
    return exactlyOne(db, table, id, sql, params, why);
}

// Why a token no longer matched: the row is gone or deleted, or else changed. Empty when it cannot be read.
QString tokenRefusal(IDbAdapter* db, const TokenGuard& guard, int id) {
    const QString deleted = guard.deletedWhen.isEmpty() ? QStringLiteral("0") : guard.deletedWhen;
    const Fetched<bool> found = fetch(db,
                                      QStringLiteral("SELECT ") + deleted + QStringLiteral(" FROM ") +
                                          guard.table + QStringLiteral(" WHERE id = ?"),
                                      {id}, [](const Row& row) { return row.at(0).toInt() != 0; });
    if (!found.ok)
        return QString();
    if (found.rows.isEmpty() || found.rows.first())
        return QStringLiteral("该") + guard.noun + QStringLiteral("已被删除");
    return kChangedElsewhere;
}

bool changeStatus(IDbAdapter* db, const QString& table, int id, const char* comparison, const QVariant& guard,
                  const QVariant& newStatus, const QList<ColumnValue>& also, GuardRefusal* why) {
    return guardedUpdate(db, table, id, comparison, guard,
                         QList<ColumnValue>{{QStringLiteral("status"), newStatus, QString()}} + also, why);
}

} // namespace

bool changeStatusFrom(IDbAdapter* db, const QString& table, int id, const QVariant& expected,
                      const QVariant& newStatus, const QList<ColumnValue>& also, GuardRefusal* why) {
    return changeStatus(db, table, id, "=", expected, newStatus, also, why);
}

bool changeStatusUnless(IDbAdapter* db, const QString& table, int id, const QVariant& finalStatus,
                        const QVariant& newStatus, const QList<ColumnValue>& also, GuardRefusal* why) {
    return changeStatus(db, table, id, "<>", finalStatus, newStatus, also, why);
}

bool updateWithStatus(IDbAdapter* db, const QString& table, int id, const QVariant& expected,
                      const QList<ColumnValue>& columns, GuardRefusal* why) {
    return guardedUpdate(db, table, id, "=", expected, columns, why);
}

bool removeWithStatus(IDbAdapter* db, const QString& table, int id, const QVariant& expected,
                      GuardRefusal* why) {
    if (!isSqlName(table))
        return false;
    return exactlyOne(db, table, id,
                      QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE id = ? AND status = ?"),
                      {id, expected}, why);
}

QString rowToken(const QStringList& columns) {
    QStringList quoted;
    for (const QString& column : columns)
        quoted << QStringLiteral("quote(") + column + QLatin1Char(')');
    return quoted.join(QStringLiteral(" || '|' || "));
}

QString selectWithToken(const TokenGuard& guard) {
    return QStringLiteral("SELECT *, ") + rowToken(guard.tokenColumns) + QStringLiteral(" AS ") +
           QLatin1String(kTokenColumn) + QStringLiteral(" FROM ") + guard.table;
}

QList<ColumnValue> stampedColumns(const QStringList& columns, const QList<QVariant>& values) {
    // Unequal lists are a programming error: a value would be dropped or a column left out.
    Q_ASSERT_X(columns.size() == values.size(), "stampedColumns", "each column needs one value");
    QList<ColumnValue> written;
    for (int i = 0; i < columns.size() && i < values.size(); ++i)
        written.append({columns.at(i), values.at(i), QString()});
    written.append({QStringLiteral("updated_at"), {}, QStringLiteral("CURRENT_TIMESTAMP")});
    return written;
}

bool saveUnchanged(IDbAdapter* db, const TokenGuard& guard, int id, const QString& token,
                   const QList<ColumnValue>& columns, QString* reason) {
    QString sql;
    QList<QVariant> params;
    if (!updateStatement(guard.table, columns, sql, params))
        return false;
    for (const QString& column : guard.tokenColumns) {
        if (!isSqlName(column))
            return false;
    }
    Transaction tx(db);
    if (!tx.isActive())
        return false;
    sql += QStringLiteral(" WHERE id = ? AND ") + rowToken(guard.tokenColumns) + QStringLiteral(" = ?");
    params << id << token;
    const int changed = changedRows(db, sql, params);
    if (changed == 1)
        return tx.commit();
    // A caller that asks why reports the refusal and logs it; one log line per refusal is enough.
    if (!reason) {
        qWarning().noquote() << "Save refused -" << guard.table << "id:" << id << "rows:" << changed;
        return false;
    }
    // Asked before the rollback: the write lock the update took keeps the row as it found it.
    *reason = changed == 0 ? tokenRefusal(db, guard, id) : QString();
    return false;
}

QString rowRefusal(IDbAdapter* db, const QString& table, int id, const QString& noun) {
    if (!isSqlName(table))
        return QString();
    const Fetched<QString> found =
        fetch(db, QStringLiteral("SELECT status FROM ") + table + QStringLiteral(" WHERE id = ?"), {id},
              [](const Row& row) { return row.text("status"); });
    if (!found.ok)
        return QString();
    return statusRefusal(noun, found.rows.value(0));
}

QString statusRefusal(const QString& noun, const QString& status) {
    return QStringLiteral("该") + noun + (status.isEmpty() ? QStringLiteral("不存在") : statusWords(status));
}

std::optional<QString> uniqueHolder(IDbAdapter* db, const QString& table, const QString& column,
                                    const QVariant& value, int exceptId, const QString& label) {
    if (!db || db->lastFailureCondition() != DbCondition::None || value.toString().isEmpty() ||
        !isSqlName(table) || !isSqlName(column) || !isSqlName(label))
        return std::nullopt;
    const Fetched<QString> found = fetch(
        db, QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? AND id <> ?").arg(label, table, column),
        {value, exceptId}, [](const Row& row) { return row.at(0).toString(); }, 1);
    if (!found.found())
        return std::nullopt;
    return found.rows.first();
}

} // namespace kestrovalin::repositories

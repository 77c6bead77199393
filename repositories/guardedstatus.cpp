#include "repositories/guardedstatus.h"

#include "core/rowreader.h"

#include <QDebug>

namespace kestrovalin::repositories {

namespace {

bool exactlyOne(IDbAdapter* db, const QString& table, int id, const QString& sql,
                const QList<QVariant>& params) {
    const int changed = changedRows(db, sql, params);
    if (changed == 1)
        return true;
    qWarning().noquote() << "Guarded write refused -" << table << "id:" << id << "rows:" << changed;
    return false;
}

bool changeStatus(IDbAdapter* db, const QString& table, int id, const char* comparison, const QVariant& guard,
                  const QVariant& newStatus, const QList<ColumnValue>& also) {
    if (!isSqlName(table))
        return false;
    QString sql = QStringLiteral("UPDATE ") + table + QStringLiteral(" SET status = ?");
    QList<QVariant> params{newStatus};
    for (const ColumnValue& extra : also) {
        if (!isSqlName(extra.column))
            return false;
        sql += QStringLiteral(", ") + extra.column + QStringLiteral(" = ");
        if (extra.expression.isEmpty()) {
            sql += QLatin1Char('?');
            params << extra.value;
        } else {
            sql += extra.expression;
        }
    }
    sql += QStringLiteral(" WHERE id = ? AND status ") + QLatin1String(comparison) + QStringLiteral(" ?");
    params << id << guard;
    return exactlyOne(db, table, id, sql, params);
}

} // namespace

bool changeStatusFrom(IDbAdapter* db, const QString& table, int id, const QVariant& expected,
                      const QVariant& newStatus, const QList<ColumnValue>& also) {
    return changeStatus(db, table, id, "=", expected, newStatus, also);
}

bool changeStatusUnless(IDbAdapter* db, const QString& table, int id, const QVariant& finalStatus,
                        const QVariant& newStatus, const QList<ColumnValue>& also) {
    return changeStatus(db, table, id, "<>", finalStatus, newStatus, also);
}

bool removeWithStatus(IDbAdapter* db, const QString& table, int id, const QVariant& expected) {
    if (!isSqlName(table))
        return false;
    return exactlyOne(db, table, id,
                      QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE id = ? AND status = ?"),
                      {id, expected});
}

} // namespace kestrovalin::repositories

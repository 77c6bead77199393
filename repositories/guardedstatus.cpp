#include "repositories/guardedstatus.h"

#include "core/rowreader.h"

#include <QDebug>
#include <QStringList>

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

bool guardedUpdate(IDbAdapter* db, const QString& table, int id, const char* comparison,
                   const QVariant& guard, const QList<ColumnValue>& columns) {
    if (!isSqlName(table) || columns.isEmpty())
        return false;
    QStringList assignments;
    QList<QVariant> params;
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
    const QString sql = QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") +
                        assignments.join(QStringLiteral(", ")) + QStringLiteral(" WHERE id = ? AND status ") +
                        QLatin1String(comparison) + QStringLiteral(" ?");
    params << id << guard;
    return exactlyOne(db, table, id, sql, params);
}

bool changeStatus(IDbAdapter* db, const QString& table, int id, const char* comparison, const QVariant& guard,
                  const QVariant& newStatus, const QList<ColumnValue>& also) {
    return guardedUpdate(db, table, id, comparison, guard,
                         QList<ColumnValue>{{QStringLiteral("status"), newStatus, QString()}} + also);
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

bool updateWithStatus(IDbAdapter* db, const QString& table, int id, const QVariant& expected,
                      const QList<ColumnValue>& columns) {
    return guardedUpdate(db, table, id, "=", expected, columns);
}

bool removeWithStatus(IDbAdapter* db, const QString& table, int id, const QVariant& expected) {
    if (!isSqlName(table))
        return false;
    return exactlyOne(db, table, id,
                      QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE id = ? AND status = ?"),
                      {id, expected});
}

} // namespace kestrovalin::repositories

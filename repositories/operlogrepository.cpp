#include "repositories/operlogrepository.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/idbadapter.h"

namespace kestrovalin {

namespace {

const char* const kSelect =
    "SELECT id, user_id, user_name, module, action, detail, ip_address, created_at FROM sys_operation_log";

QList<models::OperLog> readAll(QSqlQuery& q) {
    QList<models::OperLog> entries;
    while (q.next()) {
        models::OperLog e;
        e.id = q.value(0).toInt();
        e.userId = q.value(1).toInt();
        e.userName = q.value(2).toString();
        e.module = q.value(3).toString();
        e.action = q.value(4).toString();
        e.detail = q.value(5).toString();
        e.ipAddress = q.value(6).toString();
        e.createdAt = q.value(7).toDateTime();
        entries.append(e);
    }
    return entries;
}

} // namespace

OperLogRepository::OperLogRepository(IDbAdapter* adapter)
    : m_db(adapter ? adapter : DatabaseManager::instance().getAdapter()) {}

bool OperLogRepository::insert(const models::OperLog& entry) {
    if (!m_db)
        return false;
    return m_db->execute(QStringLiteral("INSERT INTO sys_operation_log (user_id, user_name, module, action, "
                                        "detail, ip_address, created_at) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                         {entry.userId, entry.userName, entry.module, entry.action, entry.detail,
                          entry.ipAddress, Clock::nowText()});
}

QList<models::OperLog> OperLogRepository::findAll(int limit) {
    if (!m_db)
        return {};
    QSqlQuery q = m_db->query(QString::fromLatin1(kSelect) +
                              QStringLiteral(" ORDER BY created_at DESC LIMIT %1").arg(limit));
    return readAll(q);
}

QList<models::OperLog> OperLogRepository::search(const QString& keyword, const QString& module,
                                                 const QDate& startDate, const QDate& endDate) {
    if (!m_db)
        return {};
    QString sql = QString::fromLatin1(kSelect) + QStringLiteral(" WHERE 1=1");
    QList<QVariant> params;
    if (!keyword.isEmpty()) {
        sql += QStringLiteral(" AND (user_name LIKE ? OR module LIKE ? OR action LIKE ? OR detail LIKE ?)");
        const QString pattern = QLatin1Char('%') + keyword + QLatin1Char('%');
        params << pattern << pattern << pattern << pattern;
    }
    if (!module.isEmpty()) {
        sql += QStringLiteral(" AND module = ?");
        params << module;
    }
    if (startDate.isValid()) {
        sql += QStringLiteral(" AND date(created_at) >= ?");
        params << startDate.toString(QStringLiteral("yyyy-MM-dd"));
    }
    if (endDate.isValid()) {
        sql += QStringLiteral(" AND date(created_at) <= ?");
        params << endDate.toString(QStringLiteral("yyyy-MM-dd"));
    }
    sql += QStringLiteral(" ORDER BY created_at DESC LIMIT 500");
    QSqlQuery q = m_db->query(sql, params);
    return readAll(q);
}

} // namespace kestrovalin

#include "repositories/operlogrepository.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/idbadapter.h"
#include "core/rowreader.h"

namespace kestrovalin {

namespace {

const char* const kSelect =
    "SELECT id, user_id, user_name, module, action, detail, ip_address, created_at FROM sys_operation_log";

models::OperLog readEntry(const Row& row) {
    models::OperLog e;
    e.id = row.integer("id");
    e.userId = row.integer("user_id");
    e.userName = row.text("user_name");
    e.module = row.text("module");
    e.action = row.text("action");
    e.detail = row.text("detail");
    e.ipAddress = row.text("ip_address");
    e.createdAt = row.dateTime("created_at");
    return e;
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
    return readList(
        m_db, QString::fromLatin1(kSelect) + QStringLiteral(" ORDER BY created_at DESC LIMIT %1").arg(limit),
        {}, readEntry);
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
    return readList(m_db, sql, params, readEntry);
}

} // namespace kestrovalin

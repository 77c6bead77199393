#include "tests/support/faultyadapter.h"

#include "core/sqliteconnection.h"

#include <QDebug>

#include <sqlite3.h>

namespace kestrovalin::test {

bool FaultyAdapter::Trigger::fires(const QString& sql) {
    return matchesLeft > 0 && pattern.match(sql).hasMatch() && --matchesLeft == 0;
}

void FaultyAdapter::failStatement(const QString& pattern, int nth) {
    m_failing = {QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption), nth};
}

void FaultyAdapter::runBefore(const QString& pattern, const QString& sql, const QList<QVariant>& params,
                              int nth) {
    m_before = {QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption), nth};
    m_beforeSql = sql;
    m_beforeParams = params;
}

bool FaultyAdapter::intercept(const QString& sql) {
    m_statements << sql;
    if (m_before.fires(sql) && !m_real->execute(m_beforeSql, m_beforeParams))
        qWarning().noquote() << "Statement run before failed SQL:" << m_beforeSql;
    if (!m_failing.fires(sql))
        return false;
    ++m_failures;
    qWarning().noquote() << "Injected statement failure SQL:" << sql;
    return true;
}

bool FaultyAdapter::execute(const QString& sql, const QList<QVariant>& params) {
    return !intercept(sql) && m_real->execute(sql, params);
}

QSqlQuery FaultyAdapter::query(const QString& sql, const QList<QVariant>& params) {
    if (intercept(sql))
        return QSqlQuery(m_real->getQtDatabase()); // never executed: inactive, no rows
    return interrupted(sql, m_real->query(sql, params));
}

QSqlQuery FaultyAdapter::readOnce(const QString& sql, const QList<QVariant>& params) {
    if (intercept(sql))
        return QSqlQuery(m_real->getQtDatabase());
    return interrupted(sql, m_real->readOnce(sql, params));
}

QSqlQuery FaultyAdapter::interrupted(const QString& sql, QSqlQuery query) const {
    // The driver stepped to the first row as it ran the statement; the next step stops.
    if (query.isActive() && !m_interrupting.pattern().isEmpty() && m_interrupting.match(sql).hasMatch())
        sqlite3_interrupt(sqliteHandle(m_real->getQtDatabase()));
    return query;
}

bool FaultyAdapter::transaction() {
    if (m_failBegin) {
        ++m_failures;
        return false;
    }
    return m_real->transaction();
}

bool FaultyAdapter::commit() {
    if (m_failCommit) {
        ++m_failures;
        return false;
    }
    return m_real->commit();
}

} // namespace kestrovalin::test

#include "tests/support/faultyadapter.h"

#include <QDebug>

namespace kestrovalin::test {

void FaultyAdapter::failStatement(const QString& pattern, int nth) {
    m_pattern = QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption);
    m_matchesLeft = nth;
}

bool FaultyAdapter::injectFailure(const QString& sql) {
    m_statements << sql;
    if (m_matchesLeft <= 0 || !m_pattern.match(sql).hasMatch() || --m_matchesLeft > 0)
        return false;
    ++m_failures;
    qWarning().noquote() << "Injected statement failure SQL:" << sql;
    return true;
}

bool FaultyAdapter::execute(const QString& sql, const QList<QVariant>& params) {
    return !injectFailure(sql) && m_real->execute(sql, params);
}

QSqlQuery FaultyAdapter::query(const QString& sql, const QList<QVariant>& params) {
    if (injectFailure(sql))
        return QSqlQuery(m_real->getQtDatabase()); // never executed: inactive, no rows
    return m_real->query(sql, params);
}

QSqlQuery FaultyAdapter::readOnce(const QString& sql, const QList<QVariant>& params) {
    if (injectFailure(sql))
        return QSqlQuery(m_real->getQtDatabase());
    return m_real->readOnce(sql, params);
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

#include "core/transaction.h"

#include <QDebug>

namespace kestrovalin {

namespace {

// Savepoint names only have to differ among the scopes open at one time; a process-wide counter does that.
QString nextSavepointName() {
    static quint64 counter = 0;
    return QStringLiteral("kv_sp_%1").arg(++counter);
}

} // namespace

Transaction::Transaction(IDbAdapter* db) : m_db(db) {
    if (!m_db)
        return;
    if (m_db->inTransaction()) {
        m_savepoint = nextSavepointName();
        m_active = m_db->execute(QStringLiteral("SAVEPOINT ") + m_savepoint);
    } else {
        m_active = m_db->transaction();
    }
    if (!m_active)
        qWarning().noquote() << "Cannot begin transaction:" << m_db->lastError().text();
}

Transaction::~Transaction() {
    rollback();
}

bool Transaction::commit() {
    if (!m_active)
        return false;
    const bool done = isNested() ? m_db->execute(QStringLiteral("RELEASE ") + m_savepoint) : m_db->commit();
    if (!done) {
        qWarning().noquote() << "Commit failed:" << m_db->lastError().text();
        rollback();
        return false;
    }
    m_active = false;
    return true;
}

void Transaction::rollback() {
    if (!m_active)
        return;
    m_active = false;
    if (!isNested()) {
        if (!m_db->rollback())
            qWarning().noquote() << "Rollback failed:" << m_db->lastError().text();
        return;
    }
    // ROLLBACK TO keeps the savepoint on the stack; RELEASE takes it off again.
    if (!m_db->execute(QStringLiteral("ROLLBACK TO ") + m_savepoint) ||
        !m_db->execute(QStringLiteral("RELEASE ") + m_savepoint))
        qWarning().noquote() << "Savepoint rollback failed:" << m_savepoint;
}

} // namespace kestrovalin

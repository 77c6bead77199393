#pragma once

#include "core/idbadapter.h"

#include <QDebug>

namespace kestrovalin {

// A scoped write: begins on construction, rolls back on destruction unless commit() succeeded.
class Transaction {
public:
    explicit Transaction(IDbAdapter* db) : m_db(db) {
        m_active = m_db && m_db->transaction();
        if (m_db && !m_active)
            qWarning().noquote() << "Cannot begin transaction:" << m_db->lastError().text();
    }
    ~Transaction() {
        if (m_active)
            m_db->rollback();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool isActive() const { return m_active; }

    // False when the transaction never began or COMMIT failed (it is then rolled back).
    bool commit() {
        if (!m_active)
            return false;
        if (m_db->commit()) {
            m_active = false;
            return true;
        }
        qWarning().noquote() << "Commit failed:" << m_db->lastError().text();
        return false;
    }

    void rollback() {
        if (m_active)
            m_db->rollback();
        m_active = false;
    }

private:
    IDbAdapter* m_db;
    bool m_active = false;
};

} // namespace kestrovalin

#include "repositories/refusal.h"

#include "core/transaction.h"

namespace kestrovalin::repositories {

Refusable::Write::Write(Refusable& owner, IDbAdapter* db) : m_owner(owner), m_db(db) {
    m_owner.m_refusal.clear();
    m_owner.m_databaseFailure = false;
    m_owner.m_inputRefused = false;
    // A write that fails before its first statement must not inherit an earlier write's trouble.
    if (m_db)
        m_db->clearFailureCondition();
}

Refusable::Write::~Write() {
    // Taken now: any read after the write (a list reloading behind the box) would forget the condition.
    if (!m_owner.m_refusal.isEmpty())
        return;
    m_owner.m_refusal = databaseFailureReason(m_db);
    m_owner.m_databaseFailure = !m_owner.m_refusal.isEmpty();
}

} // namespace kestrovalin::repositories

#pragma once

#include <QString>

namespace kestrovalin {
class IDbAdapter;
}

namespace kestrovalin::repositories {

// Why a repository's last write failed, in the user's words, offered beside the write's boolean (or id)
// result: a refusal of the business ("该订单已作废", "批次 VC240510 现有库存 47，作废需扣回 50") or, when
// the database file stopped the write, that trouble ("数据库正被其他程序占用，请稍后重试"). Empty after a
// success and after any other technical failure, which only the log describes. The reason is taken as the
// write returns, so a window may read its list again before it tells the user.
class Refusable {
public:
    const QString& refusal() const { return m_refusal; }
    // True when refusal() names the database file's trouble: the same write may go through once it is gone.
    bool failedForDatabase() const { return m_databaseFailure; }
    // True when the form behind the write may be saved again: the database's trouble may pass, and what a
    // rule refused in the typed values (a taken barcode or user name) may be corrected.
    bool retryable() const { return m_databaseFailure || m_inputRefused; }

protected:
    // One write from its start to its return. Starting, it forgets the last write's reason; ending without a
    // refusal of its own, it keeps the database trouble that stopped it, if any.
    class Write {
    public:
        Write(Refusable& owner, IDbAdapter* db);
        ~Write();
        Write(const Write&) = delete;
        Write& operator=(const Write&) = delete;

    private:
        Refusable& m_owner;
        IDbAdapter* m_db;
    };

    // Opens every write that can fail: `const Write write = beginWrite(m_db);`.
    Write beginWrite(IDbAdapter* db) { return Write(*this, db); }
    // Records why; false, so a refusing write can `return refuse(...)`. An empty reason marks a failure.
    bool refuse(const QString& reason) {
        m_refusal = reason;
        return false;
    }
    // Records a rule that the typed values broke and the user can put right, when it is one (reason not
    // empty); false.
    bool refuseInput(const QString& reason) {
        m_inputRefused = !reason.isEmpty();
        return refuse(reason);
    }

private:
    QString m_refusal;
    bool m_databaseFailure = false;
    bool m_inputRefused = false;
};

} // namespace kestrovalin::repositories

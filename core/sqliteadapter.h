#pragma once

#include "core/idbadapter.h"
#include "core/sqliteconnection.h"

#include <QSet>

namespace kestrovalin {

// What the connection asks of whoever keeps the file it has open (see FileKeeper): the connection stays the
// one road for SQL text, the keeper notices a file replaced under it and keeps what the connection holds.
class FileGuard {
public:
    virtual ~FileGuard() = default;
    // Looks at the path now; true once the file (or its write-ahead log) was found replaced, for good.
    // Cheap: a look at the path. The connection asks it before every BEGIN and COMMIT.
    virtual bool replacedNow() = 0;
    // Whether a replacement was found so far, without looking.
    virtual bool isReplaced() const = 0;
    // A write ended without a transaction left open (rolled back, or a statement of its own refused): what is
    // due about a replacement is done now.
    virtual void writeEnded() = 0;
    // The connection is about to close: the last try. True when closing must write nothing into the file at
    // the path and delete none of its side files.
    virtual bool closing() = 0;
    // The copy that keeps what a replaced file held, or why none was made so far.
    virtual ReplacedFileCopy copy() const = 0;
};

class SQLiteAdapter : public IDbAdapter {
public:
    SQLiteAdapter();
    ~SQLiteAdapter() override;
    SQLiteAdapter(const SQLiteAdapter&) = delete;
    SQLiteAdapter& operator=(const SQLiteAdapter&) = delete;

    bool connect(const QString& path) override;
    void disconnect() override;
    bool isConnected() const override;
    bool execute(const QString& sql, const QList<QVariant>& params = {}) override;
    QSqlQuery query(const QString& sql, const QList<QVariant>& params = {}) override;
    QSqlQuery readOnce(const QString& sql, const QList<QVariant>& params = {}) override;
    bool transaction() override;
    bool commit() override;
    bool rollback() override;
    QSqlError lastError() const override;
    QSqlDatabase getQtDatabase() const override;
    bool inTransaction() const override { return m_inTransaction; }
    DbCondition lastFailureCondition() const override { return m_failure; }
    void clearFailureCondition() override;
    bool lastFailureWasRead() const override { return m_failure != DbCondition::None && m_reading; }
    // A file replaced under the connection, as its keeper found it; every write is refused from then on.
    bool isReplaced() const override { return m_guard && m_guard->isReplaced(); }
    ReplacedFileCopy replacedFileCopy() const override {
        return m_guard ? m_guard->copy() : ReplacedFileCopy();
    }
    QString failureText(const QSqlQuery& q) const override;
    void leaveFileAsFound() override { m_leaveAsFound = true; }

    // The keeper of the file this connection has open until it closes (see FileKeeper); without one nothing
    // is kept and no replacement refused.
    void setGuard(FileGuard* guard) { m_guard = guard; }
    // The file opened, as an absolute path.
    QString path() const { return m_path; }
    QString connectionName() const { return m_connectionName; }

private:
    bool run(QSqlQuery& q, const QString& sql, const QList<QVariant>& params, bool read);
    QSqlQuery select(const QString& sql, const QList<QVariant>& params, bool forwardOnly);
    // Remembers the database condition behind a failure that just happened on the connection.
    void noteFailure();
    void writeEnded() {
        if (m_guard)
            m_guard->writeEnded();
    }

    QSqlDatabase m_db;
    QString m_connectionName;
    // Why the last connect failed; lastError() reports it until the next connect.
    QSqlError m_openError;
    // Why the last BEGIN failed; QSqlDatabase keeps only the errors of its own calls.
    QSqlError m_beginError;
    bool m_inTransaction = false;
    // The last statement was a read on its own.
    bool m_reading = false;
    DbCondition m_failure = DbCondition::None;
    // The reads refused since the file was found replaced, each logged once.
    QSet<QString> m_refusedReads;
    QString m_path;
    FileGuard* m_guard = nullptr;
    // A log lay beside the file when it was opened: another copy's, perhaps of a killed one.
    bool m_logFoundAtOpen = false;
    bool m_leaveAsFound = false;
};

} // namespace kestrovalin

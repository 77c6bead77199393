#pragma once

#include "core/idbadapter.h"

#include <QRegularExpression>
#include <QStringList>

namespace kestrovalin::test {

// Forwards everything to a real adapter (the test database's), except what it is told to fail: BEGIN,
// COMMIT, or the n-th statement whose text matches a pattern. Proves that a write rolls back, and reports
// failure, at every step without triggers in the schema. A failed statement is logged like the real adapter
// does and returns false or an inactive query; nothing reaches the database. It can also play another
// writer that gets in between two statements of the code under test.
//
//     FaultyAdapter db(t.db());
//     db.failStatement("^UPDATE inventory_batch", 2); // the second stock update fails
//     QVERIFY(!SalesRepository(&db).insert(order, lines));
//
//     db.runBefore("^UPDATE inventory_batch", "UPDATE inventory_batch SET quantity = 0 WHERE id = 1");
class FaultyAdapter : public IDbAdapter {
public:
    explicit FaultyAdapter(IDbAdapter* real) : m_real(real) {}

    void failBegin(bool fail = true) { m_failBegin = fail; }
    void failCommit(bool fail = true) { m_failCommit = fail; }
    // The nth (from 1) statement from now on whose text matches pattern (a regular expression, ignoring case)
    // fails; later ones run again. One pattern at a time.
    void failStatement(const QString& pattern, int nth = 1);
    // Runs sql on the real adapter once, just before the nth (from 1) statement from now on whose text
    // matches pattern (as above); a failure of sql is logged. One at a time, apart from failStatement.
    void runBefore(const QString& pattern, const QString& sql, const QList<QVariant>& params = {},
                   int nth = 1);
    // Reads whose text matches pattern stop after their first row, as a read interrupted midway does
    // ("interrupted"); an empty pattern ends it.
    void interruptReads(const QString& pattern) {
        m_interrupting = QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption);
    }
    // Every statement text that reached execute, query or readOnce, failed ones included.
    const QStringList& statements() const { return m_statements; }
    int failures() const { return m_failures; }

    bool connect(const QString& path) override { return m_real->connect(path); }
    void disconnect() override { m_real->disconnect(); }
    bool isConnected() const override { return m_real->isConnected(); }
    bool execute(const QString& sql, const QList<QVariant>& params = {}) override;
    QSqlQuery query(const QString& sql, const QList<QVariant>& params = {}) override;
    QSqlQuery readOnce(const QString& sql, const QList<QVariant>& params = {}) override;
    bool transaction() override;
    bool commit() override;
    bool rollback() override { return m_real->rollback(); }
    QSqlError lastError() const override { return m_real->lastError(); }
    QSqlDatabase getQtDatabase() const override { return m_real->getQtDatabase(); }
    bool inTransaction() const override { return m_real->inTransaction(); }
    DbCondition lastFailureCondition() const override { return m_real->lastFailureCondition(); }
    void clearFailureCondition() override { m_real->clearFailureCondition(); }
    bool isReplaced() const override { return m_real->isReplaced(); }
    ReplacedFileCopy replacedFileCopy() const override { return m_real->replacedFileCopy(); }

private:
    // Counts a statement that matches; true when it is the one the count was waiting for.
    struct Trigger {
        QRegularExpression pattern;
        int matchesLeft = 0;
        bool fires(const QString& sql);
    };

    // Records the statement, runs what is due before it, and tells whether it is to fail.
    bool intercept(const QString& sql);
    // Interrupts a read that matches once it has its first row.
    QSqlQuery interrupted(const QString& sql, QSqlQuery query) const;

    IDbAdapter* m_real;
    bool m_failBegin = false;
    bool m_failCommit = false;
    Trigger m_failing;
    Trigger m_before;
    QRegularExpression m_interrupting;
    QString m_beforeSql;
    QList<QVariant> m_beforeParams;
    QStringList m_statements;
    int m_failures = 0;
};

} // namespace kestrovalin::test

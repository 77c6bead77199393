#pragma once

#include "core/idbadapter.h"

// Passes every call on to a real adapter and remembers each statement with its parameters, so tests can
// check the exact SQL a repository runs.
class RecordingAdapter : public kestrovalin::IDbAdapter {
public:
    struct Call {
        QString kind; // "execute" or "query"
        QString sql;
        QList<QVariant> params;
    };

    explicit RecordingAdapter(kestrovalin::IDbAdapter* inner) : m_inner(inner) {}

    bool connect(const QString& path) override { return m_inner->connect(path); }
    void disconnect() override { m_inner->disconnect(); }
    bool isConnected() const override { return m_inner->isConnected(); }
    bool execute(const QString& sql, const QList<QVariant>& params = {}) override {
        calls.append({QStringLiteral("execute"), sql, params});
        return m_inner->execute(sql, params);
    }
    QSqlQuery query(const QString& sql, const QList<QVariant>& params = {}) override {
        calls.append({QStringLiteral("query"), sql, params});
        return m_inner->query(sql, params);
    }
    bool transaction() override { return m_inner->transaction(); }
    bool commit() override { return m_inner->commit(); }
    bool rollback() override { return m_inner->rollback(); }
    QSqlError lastError() const override { return m_inner->lastError(); }
    QSqlDatabase getQtDatabase() const override { return m_inner->getQtDatabase(); }

    Call last() const { return calls.isEmpty() ? Call{} : calls.last(); }

    QList<Call> calls;

private:
    kestrovalin::IDbAdapter* m_inner;
};

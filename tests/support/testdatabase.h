#pragma once

#include "core/idbadapter.h"

#include <QTemporaryDir>
#include <QVariant>

namespace kestrovalin::test {

// A fresh database file in its own temporary folder, opened through the real DatabaseManager (schema,
// migrations, seed rows). The manager is shut down again when the object goes away.
class TestDatabase {
public:
    TestDatabase();
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    bool isOpen() const { return m_open; }
    IDbAdapter* db() const;
    QString path() const { return m_path; }
    QString folder() const { return m_dir.path(); }

    // Runs a statement and fails loudly (qFatal) if it does not succeed: test set-up must not silently miss.
    void exec(const QString& sql, const QList<QVariant>& params = {});
    // The same through a connection of its own, as another copy of the program writes to the file.
    void execElsewhere(const QString& sql, const QList<QVariant>& params = {});
    // First column of the first row, or an invalid QVariant.
    QVariant scalar(const QString& sql, const QList<QVariant>& params = {});
    int count(const QString& table, const QString& where = QString(), const QList<QVariant>& params = {});

private:
    QTemporaryDir m_dir;
    QString m_path;
    bool m_open = false;
};

} // namespace kestrovalin::test

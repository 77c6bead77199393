#include "tests/support/testdatabase.h"

#include "core/databasemanager.h"
#include "core/sqliteadapter.h"

#include <QSqlQuery>

namespace kestrovalin::test {

TestDatabase::TestDatabase() : m_path(m_dir.filePath(QStringLiteral("data/kestrovalin.db"))) {
    DatabaseManager::instance().shutdown();
    m_open = m_dir.isValid() && DatabaseManager::instance().initialize(m_path);
}

TestDatabase::~TestDatabase() {
    DatabaseManager::instance().shutdown();
}

IDbAdapter* TestDatabase::db() const {
    return DatabaseManager::instance().getAdapter();
}

void TestDatabase::exec(const QString& sql, const QList<QVariant>& params) {
    if (!db() || !db()->execute(sql, params))
        qFatal("Test set-up statement failed: %s", qPrintable(sql));
}

void TestDatabase::execElsewhere(const QString& sql, const QList<QVariant>& params) {
    SQLiteAdapter other;
    if (!other.connect(m_path) || !other.execute(sql, params))
        qFatal("Test statement of another connection failed: %s", qPrintable(sql));
}

QVariant TestDatabase::scalar(const QString& sql, const QList<QVariant>& params) {
    if (!db())
        return QVariant();
    QSqlQuery q = db()->query(sql, params);
    return q.next() ? q.value(0) : QVariant();
}

int TestDatabase::count(const QString& table, const QString& where, const QList<QVariant>& params) {
    QString sql = QStringLiteral("SELECT COUNT(*) FROM ") + table;
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    return scalar(sql, params).toInt();
}

} // namespace kestrovalin::test

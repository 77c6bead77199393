#include "core/sqliteadapter.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QUuid>

namespace kestrovalin {

SQLiteAdapter::SQLiteAdapter()
    : m_connectionName(QStringLiteral("kestrovalin_sqlite_") + QUuid::createUuid().toString()) {
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
}

SQLiteAdapter::~SQLiteAdapter() {
    SQLiteAdapter::disconnect();
    // Drop our own handle first, otherwise Qt warns that the connection is still in use.
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool SQLiteAdapter::connect(const QString& path) {
    if (m_db.isOpen())
        disconnect();
    const QDir dir = QFileInfo(path).absoluteDir();
    if (!dir.exists())
        dir.mkpath(QStringLiteral("."));
    m_db.setDatabaseName(path);
    if (!m_db.open()) {
        qCritical().noquote() << "Failed to open SQLite database:" << m_db.lastError().text();
        return false;
    }
    execute(QStringLiteral("PRAGMA journal_mode=WAL;"));
    return true;
}

void SQLiteAdapter::disconnect() {
    if (m_db.isOpen())
        m_db.close();
    m_inTransaction = false;
}

bool SQLiteAdapter::isConnected() const {
    return m_db.isOpen();
}

bool SQLiteAdapter::run(QSqlQuery& q, const QString& sql, const QList<QVariant>& params) {
    // A statement that does not prepare keeps the driver's reason in lastError(); executing it anyway would
    // replace that with Qt's "No query".
    if (!q.prepare(sql))
        return false;
    for (int i = 0; i < params.size(); ++i)
        q.bindValue(i, params.at(i));
    return q.exec();
}

bool SQLiteAdapter::execute(const QString& sql, const QList<QVariant>& params) {
    QSqlQuery q(m_db);
    if (run(q, sql, params))
        return true;
    qWarning().noquote() << "SQLite Execute Error:" << q.lastError().text() << "SQL:" << sql;
    return false;
}

QSqlQuery SQLiteAdapter::query(const QString& sql, const QList<QVariant>& params) {
    QSqlQuery q(m_db);
    if (!run(q, sql, params))
        qWarning().noquote() << "SQLite Query Error:" << q.lastError().text() << "SQL:" << sql;
    return q;
}

bool SQLiteAdapter::transaction() {
    if (!m_db.transaction())
        return false;
    m_inTransaction = true;
    return true;
}
bool SQLiteAdapter::commit() {
    // A failed COMMIT (e.g. the file is busy) leaves the transaction open; the caller still has to roll back.
    if (!m_db.commit())
        return false;
    m_inTransaction = false;
    return true;
}
bool SQLiteAdapter::rollback() {
    const bool ok = m_db.rollback();
    m_inTransaction = false;
    return ok;
}
QSqlError SQLiteAdapter::lastError() const {
    return m_db.lastError();
}
QSqlDatabase SQLiteAdapter::getQtDatabase() const {
    return m_db;
}

} // namespace kestrovalin

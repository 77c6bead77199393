#include "core/sqliteadapter.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>

#include <sqlite3.h>

namespace kestrovalin {

namespace {

// A statement that only reads: inserts also come through query(), for the row id they give.
bool isRead(const QString& sql) {
    static const QRegularExpression read(
        QStringLiteral("^\\s*(SELECT\\b|PRAGMA\\b[^=]*$|WITH\\b(?!.*\\b(INSERT|UPDATE|DELETE|REPLACE)\\b))"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return read.match(sql).hasMatch();
}

} // namespace

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
    m_db.setConnectOptions(connectOptions(openReadOnlyForTesting()));
    m_openError = QSqlError();
    m_beginError = QSqlError();
    m_failure = DbCondition::None;
    m_refusedReads.clear();
    m_guard = nullptr;
    m_leaveAsFound = false;
    m_logFoundAtOpen = QFileInfo::exists(walPath(path));
    if (!m_db.open()) {
        m_openError = m_db.lastError();
        // The driver closed its handle again; its error keeps SQLite's code.
        m_failure = conditionOfCode(m_openError.nativeErrorCode().toInt());
        qCritical().noquote() << "Failed to open SQLite database:" << m_openError.text();
        return false;
    }
    // SQLite opens lazily: a file that is no database, or one another program holds locked, only fails at
    // the first statement. Switching to WAL reads the header and takes a lock, so it tells at once.
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL;"))) {
        m_openError = q.lastError();
        noteFailure();
        q = QSqlQuery();
        m_leaveAsFound = true;
        disconnect();
        qCritical().noquote() << "Failed to open SQLite database:" << m_openError.text();
        return false;
    }
    // Years of batches and sales outgrow SQLite's 2 MB default page cache; lists that join them read the
    // same pages again on every refresh.
    q.exec(QStringLiteral("PRAGMA cache_size=-65536;"));
    // The write-ahead log opens with the first read: the files the connection has open are then those its
    // keeper looks at.
    q.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master"));
    q = QSqlQuery();
    m_path = QFileInfo(path).absoluteFilePath();
    return true;
}

void SQLiteAdapter::disconnect() {
    if (m_db.isOpen()) {
        const bool replaced = m_guard && m_guard->closing();
        m_guard = nullptr;
        // Closing would otherwise write the log into the file at the path, a restored one, or delete side
        // files by name that may by then belong to another file.
        if (sqlite3* handle = sqliteHandle(m_db);
            handle && (replaced || (m_leaveAsFound && m_logFoundAtOpen)))
            sqlite3_db_config(handle, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        m_db.close();
    }
    m_inTransaction = false;
}

bool SQLiteAdapter::isConnected() const {
    return m_db.isOpen();
}

bool SQLiteAdapter::run(QSqlQuery& q, const QString& sql, const QList<QVariant>& params, bool read) {
    // A statement on its own is a write (or a read) of its own.
    clearFailureCondition();
    m_reading = read && !m_inTransaction;
    // Every reader walks its rows once; a scrollable result would keep a copy of each row it passed.
    q.setForwardOnly(true);
    // A statement that does not prepare keeps the driver's reason in lastError(); executing it anyway would
    // replace that with Qt's "No query".
    bool done = q.prepare(sql);
    if (done) {
        for (int i = 0; i < params.size(); ++i)
            q.bindValue(i, params.at(i));
        done = q.exec();
    }
    if (!done) {
        noteFailure();
        // A statement of its own that the commit hook refused: what it found is kept now.
        writeEnded();
    }
    return done;
}

void SQLiteAdapter::noteFailure() {
    // The first reason found in a write is the one that stopped it; later statements only fail after it.
    if (m_failure != DbCondition::None)
        return;
    sqlite3* handle = sqliteHandle(m_db);
    m_failure = handle ? conditionOfCode(sqlite3_extended_errcode(handle)) : DbCondition::None;
    // A file restored under the connection reads as damaged through the log it had.
    if (isReplaced() || (m_failure == DbCondition::Damaged && m_guard && m_guard->replacedNow()))
        m_failure = DbCondition::Replaced;
}

QString SQLiteAdapter::failureText(const QSqlQuery& q) const {
    return m_failure == DbCondition::Replaced ? lastError().text() : q.lastError().text();
}

void SQLiteAdapter::clearFailureCondition() {
    if (!m_inTransaction)
        m_failure = DbCondition::None;
}

bool SQLiteAdapter::execute(const QString& sql, const QList<QVariant>& params) {
    QSqlQuery q(m_db);
    if (run(q, sql, params, false))
        return true;
    qWarning().noquote() << "SQLite Execute Error:" << failureText(q) << "SQL:" << sql;
    return false;
}

QSqlQuery SQLiteAdapter::query(const QString& sql, const QList<QVariant>& params) {
    return select(sql, params, false);
}

QSqlQuery SQLiteAdapter::readOnce(const QString& sql, const QList<QVariant>& params) {
    return select(sql, params, true);
}

QSqlQuery SQLiteAdapter::select(const QString& sql, const QList<QVariant>& params, bool forwardOnly) {
    QSqlQuery q(m_db);
    q.setForwardOnly(forwardOnly);
    const bool read = isRead(sql);
    if (run(q, sql, params, read))
        return q;
    // A replaced file refuses every read from then on: a timer's or a scrolled list's reads would fill the
    // log with the same line, so each statement is logged once.
    if (read && m_failure == DbCondition::Replaced) {
        if (m_refusedReads.contains(sql))
            return q;
        m_refusedReads.insert(sql);
    }
    qWarning().noquote() << "SQLite Query Error:" << failureText(q) << "SQL:" << sql;
    return q;
}

bool SQLiteAdapter::transaction() {
    m_reading = false;
    m_failure = DbCondition::None;
    m_beginError = QSqlError();
    if (m_guard && m_guard->replacedNow()) {
        writeEnded();
        m_failure = DbCondition::Replaced;
        return false;
    }
    // The write lock is taken at once, while the busy wait applies: a deferred transaction that has read
    // meets another writer's lock at its first write and fails there without waiting.
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        m_beginError = q.lastError();
        noteFailure();
        return false;
    }
    m_inTransaction = true;
    return true;
}
bool SQLiteAdapter::commit() {
    m_reading = false;
    // A failed COMMIT (e.g. the file is busy) leaves the transaction open; the caller still has to roll back.
    // So does one refused because the file was replaced, which is not even tried.
    if (m_guard && m_guard->replacedNow()) {
        m_failure = DbCondition::Replaced;
        return false;
    }
    if (!m_db.commit()) {
        noteFailure();
        return false;
    }
    m_inTransaction = false;
    // The write went through: whatever a statement inside it met did not stop it.
    m_failure = DbCondition::None;
    return true;
}
bool SQLiteAdapter::rollback() {
    const bool ok = m_db.rollback();
    if (ok) {
        m_inTransaction = false;
        // A commit refused for a replaced file leaves the copy and the checkpoint to now.
        writeEnded();
        return true;
    }
    // A failed ROLLBACK may find SQLite already back in autocommit (it rolls back by itself after some
    // errors); otherwise the transaction is still open and later scopes must see that.
    if (sqlite3* handle = sqliteHandle(m_db))
        m_inTransaction = sqlite3_get_autocommit(handle) == 0;
    return false;
}
QSqlError SQLiteAdapter::lastError() const {
    if (m_openError.isValid())
        return m_openError;
    if (m_failure == DbCondition::Replaced) {
        const ReplacedFileCopy copy = replacedFileCopy();
        QString kept;
        switch (copy.fate()) {
        case ReplacedFileCopy::Fate::WrittenBack:
            kept =
                QStringLiteral(" (its write-ahead log was removed; what it held was written into the file)");
            break;
        case ReplacedFileCopy::Fate::KeptMayLack:
            kept =
                QStringLiteral(" (the file it had open is kept in %1; what it saved last may be in the file "
                               "now at the path)")
                    .arg(copy.path);
            break;
        case ReplacedFileCopy::Fate::Kept:
            kept = QStringLiteral(" (what it held is kept in %1%2)")
                       .arg(copy.path, copy.savesMayBeAtPath
                                           ? QStringLiteral("; another program opened the file now at the "
                                                            "path first and may have written it there too")
                                           : QString());
            break;
        case ReplacedFileCopy::Fate::NotKept:
            kept = QStringLiteral(" (what it held could not be kept in %1 so far)").arg(copy.folder);
            break;
        case ReplacedFileCopy::Fate::Unknown:
            break;
        }
        return QSqlError(QStringLiteral("The database file %1 was replaced; the %2 was refused%3")
                             .arg(m_path, m_reading ? QStringLiteral("read") : QStringLiteral("write"), kept),
                         QString(), QSqlError::TransactionError);
    }
    return m_beginError.isValid() ? m_beginError : m_db.lastError();
}
QSqlDatabase SQLiteAdapter::getQtDatabase() const {
    return m_db;
}

} // namespace kestrovalin

#include "core/sqliteadapter.h"

#include "core/backupmanager.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSqlDriver>
#include <QUuid>

#include <sqlite3.h>
#include <sys/stat.h>

namespace kestrovalin {

sqlite3* sqliteHandle(const QSqlDatabase& db) {
    const QVariant v = db.driver() ? db.driver()->handle() : QVariant();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

FileMark fileMark(const QSqlDatabase& db) {
    FileMark mark;
    sqlite3* handle = sqliteHandle(db);
    if (!handle)
        return mark;
    // Straight through the library: a look costs a few microseconds, with no Qt statement around it.
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(handle, "PRAGMA data_version", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        mark.others = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    mark.own = sqlite3_total_changes(handle);
    return mark;
}

namespace {

// Long enough to wait out another program's short write, short enough that a window does not seem to hang.
constexpr int kBusyTimeoutMs = 5000;
int g_busyTimeoutMs = kBusyTimeoutMs;
bool g_openReadOnly = false;

DbCondition conditionOf(int code) {
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DbCondition::Busy;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return DbCondition::ReadOnly;
    case SQLITE_FULL:
        return DbCondition::DiskFull;
    case SQLITE_IOERR:
        return DbCondition::FileError;
    case SQLITE_CANTOPEN:
        return DbCondition::CannotOpen;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return DbCondition::Damaged;
    default:
        return DbCondition::None;
    }
}

// Device and inode the path names now; false when it names nothing.
bool fileIdentity(const QString& path, FileIdentity& identity) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    identity = {quint64(info.st_dev), quint64(info.st_ino)};
    return true;
}

QString walPath(const QString& path) {
    return path + QStringLiteral("-wal");
}

// The files the first connection to each path opened, for the worker connections to compare with.
struct OpenFile {
    const void* owner = nullptr;
    FileIdentity file;
    FileIdentity wal;
    bool walKnown = false;
    bool replaced = false;
};
QMutex g_openFilesMutex;
QHash<QString, OpenFile> g_openFiles;

} // namespace

bool isTheProgramsFile(const QString& path) {
    const QString key = QFileInfo(path).absoluteFilePath();
    QMutexLocker lock(&g_openFilesMutex);
    const auto found = g_openFiles.constFind(key);
    if (found == g_openFiles.cend())
        return true;
    FileIdentity now;
    if (found->replaced || !fileIdentity(key, now) || !(now == found->file))
        return false;
    return !found->walKnown || (fileIdentity(walPath(key), now) && now == found->wal);
}

int busyTimeoutMs() {
    return g_busyTimeoutMs;
}

void setBusyTimeoutForTesting(int ms) {
    g_busyTimeoutMs = ms > 0 ? ms : kBusyTimeoutMs;
}

QString connectOptions(bool readOnly) {
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(g_busyTimeoutMs);
    if (readOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    return options;
}

void setOpenReadOnlyForTesting(bool on) {
    g_openReadOnly = on;
}

QString cannotWriteReason(const QSqlDatabase& db, DbCondition* condition) {
    sqlite3* handle = sqliteHandle(db);
    if (!handle)
        return QString();
    // SQLite falls back to a read-only open, without an error, when the file may not be written.
    if (sqlite3_db_readonly(handle, "main") == 1) {
        if (condition)
            *condition = DbCondition::ReadOnly;
        return QString::fromUtf8(sqlite3_errstr(SQLITE_READONLY));
    }
    // Taking the write lock also needs the side files beside it.
    const int rc = sqlite3_exec(handle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
        return QString();
    }
    if (conditionOf(rc) == DbCondition::Busy)
        return QString();
    if (condition)
        *condition = conditionOf(sqlite3_extended_errcode(handle));
    return QString::fromUtf8(sqlite3_errmsg(handle));
}

QString cannotWriteReason(const QString& path) {
    const QFileInfo file(path);
    if (file.exists() && !file.isWritable())
        return QString::fromUtf8(sqlite3_errstr(SQLITE_READONLY));
    return QString();
}

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
    m_db.setConnectOptions(connectOptions(g_openReadOnly));
    m_openError = QSqlError();
    m_beginError = QSqlError();
    m_failure = DbCondition::None;
    m_replacement = Replacement::None;
    m_checkpointed = false;
    m_logInFile = false;
    m_sinceCopyTry.invalidate();
    m_copyFailure = DbCondition::None;
    m_walSizeAtBusy = -1;
    m_keptCopy.clear();
    m_identityKnown = false;
    m_walKnown = false;
    m_leaveAsFound = false;
    m_logFoundAtOpen = QFileInfo::exists(walPath(path));
    if (!m_db.open()) {
        m_openError = m_db.lastError();
        // The driver closed its handle again; its error keeps SQLite's code.
        m_failure = conditionOf(m_openError.nativeErrorCode().toInt());
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
    // The files this connection writes are those the path names now; a file renamed over the path later
    // (a restore, a file manager's replace) must not take writes that would be lost with the old one. The
    // write-ahead log opens with the first read.
    q.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master"));
    q = QSqlQuery();
    m_path = QFileInfo(path).absoluteFilePath();
    m_identityKnown = fileIdentity(m_path, m_identity);
    m_walKnown = fileIdentity(walPath(m_path), m_walIdentity);
    if (sqlite3* handle = sqliteHandle(m_db))
        sqlite3_commit_hook(handle, &SQLiteAdapter::commitHook, this);
    if (m_identityKnown) {
        QMutexLocker lock(&g_openFilesMutex);
        if (!g_openFiles.contains(m_path))
            g_openFiles.insert(m_path, {this, m_identity, m_walIdentity, m_walKnown, false});
    }
    return true;
}

int SQLiteAdapter::commitHook(void* adapter) {
    // Non-zero turns the commit of a statement outside a transaction into a rollback.
    return static_cast<SQLiteAdapter*>(adapter)->noteReplacement() ? 1 : 0;
}

bool SQLiteAdapter::noteReplacement() {
    if (m_replacement != Replacement::None || !m_identityKnown)
        return m_replacement != Replacement::None;
    FileIdentity now;
    if (!fileIdentity(m_path, now) || !(now == m_identity))
        m_replacement = Replacement::File;
    else if (m_walKnown && (!fileIdentity(walPath(m_path), now) || !(now == m_walIdentity)))
        m_replacement = Replacement::WriteAheadLog;
    else
        return false;
    // For good: a file put back later may be another one again, and what this connection holds is stale.
    {
        QMutexLocker lock(&g_openFilesMutex);
        if (auto found = g_openFiles.find(m_path); found != g_openFiles.end() && found->owner == this)
            found->replaced = true;
    }
    if (m_replacement == Replacement::File)
        qCritical().noquote() << "The database file was replaced or removed while open; every write is "
                                 "refused until the program starts again:"
                              << m_path;
    else
        qCritical().noquote() << "The database file's write-ahead log was removed or replaced while open (a "
                                 "restore); every write is refused until the program starts again and the "
                                 "log is not written into the file:"
                              << m_path;
    return true;
}

void SQLiteAdapter::lookForReplacement() {
    if (m_db.isOpen() && noteReplacement())
        keepReplacedFile();
}

void SQLiteAdapter::keepReplacedFile(bool atClose) {
    sqlite3* handle = sqliteHandle(m_db);
    // A checkpoint and a copy read a snapshot of their own: not inside a transaction.
    if (m_replacement != Replacement::File || !handle || !sqlite3_get_autocommit(handle))
        return;
    // The log first: whoever opens the path meanwhile must not read it over the new file.
    emptyLog(handle, atClose);
    if (!m_keptCopy.isEmpty() || !copyDue(handle, atClose))
        return;
    m_sinceCopyTry.start();
    m_keptCopy = BackupManager::instance().keepReplacedFile(handle, m_path, m_logInFile, &m_copyFailure);
}

void SQLiteAdapter::emptyLog(sqlite3* handle, bool atClose) {
    const bool wasBusy = m_walSizeAtBusy >= 0;
    if (m_checkpointed || (wasBusy && !atClose))
        return;
    // Grown since the busy try, the log at the path holds pages of a program that opened the new file.
    const QFileInfo wal(walPath(m_path));
    if (wasBusy && wal.size() != m_walSizeAtBusy) {
        m_checkpointed = true;
        qCritical().noquote() << "The write-ahead log of the replaced database file was taken on by another "
                                 "program; it is left as it is:"
                              << wal.filePath();
        return;
    }
    // Written into the file this connection has open, which is no longer at the path; the log at the path is
    // emptied, so nothing of it is read into the file there.
    int inLog = -1;
    int written = -1;
    const int rc = sqlite3_wal_checkpoint_v2(handle, "main", SQLITE_CHECKPOINT_TRUNCATE, &inLog, &written);
    // A reader of this program may keep the log from being emptied after every page went into the file.
    m_logInFile = m_logInFile || rc == SQLITE_OK || (inLog >= 0 && written == inLog);
    if (rc == SQLITE_OK) {
        m_checkpointed = true;
        qDebug().noquote() << "The write-ahead log was written into the replaced database file and emptied:"
                           << wal.filePath();
    } else if (!atClose && conditionOf(rc) == DbCondition::Busy) {
        m_walSizeAtBusy = wal.size();
        qWarning().noquote()
            << "The write-ahead log of the replaced database file is still read; emptying it "
               "is tried again at close:"
            << wal.filePath();
    } else {
        m_checkpointed = true;
        qCritical().noquote()
            << "The write-ahead log of the replaced database file could not be emptied; the "
               "file now at the path would read it:"
            << wal.filePath() << QString::fromUtf8(sqlite3_errmsg(handle));
    }
}

bool SQLiteAdapter::copyDue(sqlite3* handle, bool atClose) const {
    constexpr qint64 kRetryMs = 60 * 1000;
    if (!m_sinceCopyTry.isValid() || atClose || m_sinceCopyTry.elapsed() >= kRetryMs)
        return true;
    return m_copyFailure == DbCondition::DiskFull && BackupManager::instance().hasRoomToKeep(handle, m_path);
}

ReplacedFileCopy SQLiteAdapter::replacedFileCopy() const {
    if (m_replacement != Replacement::File)
        return {};
    return {m_keptCopy, BackupManager::backupDirFor(m_path),
            m_keptCopy.isEmpty() ? m_copyFailure : DbCondition::None};
}

void SQLiteAdapter::disconnect() {
    if (m_db.isOpen()) {
        if (noteReplacement())
            keepReplacedFile(true);
        if (replacedFileCopy().isMissing())
            qCritical().noquote() << "What the program saved before the database file was replaced could not "
                                     "be kept and is lost as the program closes the file:"
                                  << m_path;
        // Closing would otherwise write the log into the file at the path, a restored one, or delete side
        // files by name that may by then belong to another file.
        if (sqlite3* handle = sqliteHandle(m_db);
            handle && (isReplaced() || (m_leaveAsFound && m_logFoundAtOpen)))
            sqlite3_db_config(handle, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        m_db.close();
        QMutexLocker lock(&g_openFilesMutex);
        if (auto found = g_openFiles.find(m_path); found != g_openFiles.end() && found->owner == this)
            g_openFiles.erase(found);
    }
    m_inTransaction = false;
}

bool SQLiteAdapter::isConnected() const {
    return m_db.isOpen();
}

bool SQLiteAdapter::run(QSqlQuery& q, const QString& sql, const QList<QVariant>& params) {
    // A statement on its own is a write of its own.
    clearFailureCondition();
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
        keepReplacedFile();
    }
    return done;
}

void SQLiteAdapter::noteFailure() {
    // The first reason found in a write is the one that stopped it; later statements only fail after it.
    if (m_failure != DbCondition::None)
        return;
    sqlite3* handle = sqliteHandle(m_db);
    m_failure = handle ? conditionOf(sqlite3_extended_errcode(handle)) : DbCondition::None;
    // A file restored under the connection reads as damaged through the log it had.
    if (isReplaced() || (m_failure == DbCondition::Damaged && noteReplacement()))
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
    if (run(q, sql, params))
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
    if (!run(q, sql, params))
        qWarning().noquote() << "SQLite Query Error:" << failureText(q) << "SQL:" << sql;
    return q;
}

bool SQLiteAdapter::transaction() {
    m_failure = DbCondition::None;
    m_beginError = QSqlError();
    if (noteReplacement()) {
        keepReplacedFile();
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
    // A failed COMMIT (e.g. the file is busy) leaves the transaction open; the caller still has to roll back.
    // So does one refused because the file was replaced, which is not even tried.
    if (noteReplacement()) {
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
        keepReplacedFile();
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
        if (!copy.path.isEmpty())
            kept = QStringLiteral(" (what it held is kept in %1)").arg(copy.path);
        else if (copy.isMissing())
            kept = QStringLiteral(" (what it held could not be kept in %1 so far)").arg(copy.folder);
        return QSqlError(
            QStringLiteral("The database file %1 was replaced; the write was refused%2").arg(m_path, kept),
            QString(), QSqlError::TransactionError);
    }
    return m_beginError.isValid() ? m_beginError : m_db.lastError();
}
QSqlDatabase SQLiteAdapter::getQtDatabase() const {
    return m_db;
}

} // namespace kestrovalin

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

#include <atomic>

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

// SQLite asks the connection's progress hook every so many steps of a statement: a read that holds back the
// emptying of a replaced file's log stops within a few rows.
constexpr int kStepsPerProgressCall = 100;

std::atomic<int> g_workerReads{0};

// The head of SQLite's object for a file of its unix VFS (unchanged since 3.7): the methods, the VFS, the
// inode's lock record, then the file descriptor. Taken only for a file of that VFS, and only once fstat finds
// the descriptor on the file the connection opened.
struct UnixFileHead {
    const sqlite3_io_methods* methods;
    sqlite3_vfs* vfs;
    void* inode;
    int descriptor;
};

// The connection's own file descriptor on its database file, which still reads the file once it is no longer
// at its path; -1 when it cannot be found. Never closed here: closing any descriptor of the file would drop
// SQLite's locks on it.
int fileDescriptorOf(sqlite3* handle, const FileIdentity& identity) {
    sqlite3_file* file = nullptr;
    sqlite3_vfs* vfs = nullptr;
    if (sqlite3_file_control(handle, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods || sqlite3_file_control(handle, "main", SQLITE_FCNTL_VFS_POINTER, &vfs) != SQLITE_OK ||
        !vfs || qstrncmp(vfs->zName, "unix", 4) != 0)
        return -1;
    const int descriptor = reinterpret_cast<const UnixFileHead*>(file)->descriptor;
    struct stat info {};
    if (descriptor < 0 || ::fstat(descriptor, &info) != 0 ||
        !(FileIdentity{quint64(info.st_dev), quint64(info.st_ino)} == identity))
        return -1;
    return descriptor;
}

// The first column of a statement's first row, straight through the library; fallback when there is none.
int intValue(sqlite3* handle, const char* sql, int fallback) {
    sqlite3_stmt* statement = nullptr;
    int value = fallback;
    if (sqlite3_prepare_v2(handle, sql, -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        value = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    return value;
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

WorkerRead::WorkerRead() {
    ++g_workerReads;
}

WorkerRead::~WorkerRead() {
    --g_workerReads;
}

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
    m_busyTimeoutMs = g_busyTimeoutMs;
    m_fileHandle = -1;
    m_afterOwnWriteKnown = false;
    m_savedSinceCheckpoint = false;
    m_checkpointed = false;
    m_logLeftPath = false;
    m_logInFile = false;
    m_ownReadHoldsLog = false;
    m_writtenBack = false;
    m_writeBackRefused = false;
    m_sinceCopyTry.invalidate();
    m_copyFailure = DbCondition::None;
    m_walSizeAtBusy = -1;
    m_keptCopy.clear();
    m_keptCopyMayLack = false;
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
    if (sqlite3* handle = sqliteHandle(m_db)) {
        sqlite3_commit_hook(handle, &SQLiteAdapter::commitHook, this);
        if (m_identityKnown)
            m_fileHandle = fileDescriptorOf(handle, m_identity);
        m_afterOwnWriteKnown = openFileState(&m_afterOwnWrite);
        // SQLite's own checkpoint, run by the connection's hook instead, which notes what it wrote.
        m_autoCheckpointPages = intValue(handle, "PRAGMA wal_autocheckpoint", 0);
        sqlite3_wal_hook(handle, &SQLiteAdapter::walHook, this);
        sqlite3_progress_handler(handle, kStepsPerProgressCall, &SQLiteAdapter::progressHook, this);
    }
    if (m_identityKnown) {
        QMutexLocker lock(&g_openFilesMutex);
        if (!g_openFiles.contains(m_path))
            g_openFiles.insert(m_path, {this, m_identity, m_walIdentity, m_walKnown, false});
    }
    return true;
}

int SQLiteAdapter::commitHook(void* adapter) {
    auto* self = static_cast<SQLiteAdapter*>(adapter);
    // Non-zero turns the commit of a statement outside a transaction into a rollback.
    if (self->noteReplacement())
        return 1;
    self->m_savedSinceCheckpoint = true;
    return 0;
}

int SQLiteAdapter::walHook(void* adapter, sqlite3* handle, const char* name, int frames) {
    auto* self = static_cast<SQLiteAdapter*>(adapter);
    if (self->m_autoCheckpointPages <= 0 || frames < self->m_autoCheckpointPages)
        return SQLITE_OK;
    // What SQLite's own hook does: a checkpoint that waits for nobody. The file as it leaves it is the one a
    // log removed alone may be written back into.
    OpenFileState before;
    OpenFileState after;
    const bool known = self->openFileState(&before);
    int inLog = -1;
    int written = -1;
    if (sqlite3_wal_checkpoint_v2(handle, name, SQLITE_CHECKPOINT_PASSIVE, &inLog, &written) == SQLITE_OK &&
        written == inLog)
        self->m_savedSinceCheckpoint = false;
    if (known && self->openFileState(&after) && after != before) {
        self->m_afterOwnWrite = after;
        self->m_afterOwnWriteKnown = true;
    }
    return SQLITE_OK;
}

int SQLiteAdapter::progressHook(void* adapter) {
    auto* self = static_cast<SQLiteAdapter*>(adapter);
    if (!self->m_ownReadHoldsLog)
        return 0;
    // Stops the statement that runs now; one that still holds the log is stopped after the next look.
    self->m_ownReadHoldsLog = false;
    qWarning().noquote() << "A read of the program stopped: the database file was replaced and the read held "
                            "back the emptying of its write-ahead log:"
                         << self->m_path;
    return 1;
}

bool SQLiteAdapter::openFileState(OpenFileState* state) const {
    struct stat info {};
    if (m_fileHandle < 0 || ::fstat(m_fileHandle, &info) != 0)
        return false;
    state->identity = {quint64(info.st_dev), quint64(info.st_ino)};
    state->size = info.st_size;
    state->changedSec = info.st_ctim.tv_sec;
    state->changedNsec = info.st_ctim.tv_nsec;
    return state->identity == m_identity;
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
        qCritical().noquote() << "The database file's write-ahead log was removed or replaced while open; "
                                 "every write is refused until the program starts again:"
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
    if (m_replacement == Replacement::None || !handle || !sqlite3_get_autocommit(handle))
        return;
    if (m_replacement == Replacement::WriteAheadLog) {
        writeBackRemovedLog(handle, atClose);
        return;
    }
    // The log first: whoever opens the path meanwhile must not read it over the new file.
    emptyLog(handle, atClose);
    if (!m_keptCopy.isEmpty() || !copyDue(handle, atClose))
        return;
    m_sinceCopyTry.start();
    // Through the connection's pages while the log at the path is still its own alone, the log included;
    // afterwards the bytes of the file it has open, which hold every save only when the log went into them.
    const bool fileBytes = m_logLeftPath;
    m_keptCopyMayLack = fileBytes && !m_logInFile;
    m_keptCopy = BackupManager::instance().keepReplacedFile(handle, m_path, fileBytes, &m_copyFailure);
    if (!m_keptCopy.isEmpty() && m_keptCopyMayLack)
        qCritical().noquote() << "The copy of the replaced database file may lack what the program saved last: "
                                 "another program took the write-ahead log at the path before the program "
                                 "wrote it into the file it had open, so those saves may now be in the file at "
                                 "the path:"
                              << m_keptCopy;
}

int SQLiteAdapter::checkpoint(sqlite3* handle, bool atClose, bool* moved, bool* allInFile) {
    OpenFileState before;
    OpenFileState after;
    const bool known = openFileState(&before);
    // On the GUI thread no reader is waited for: the next look tries again.
    if (!atClose)
        sqlite3_busy_timeout(handle, 0);
    int inLog = -1;
    int written = -1;
    const int rc = sqlite3_wal_checkpoint_v2(handle, "main", SQLITE_CHECKPOINT_TRUNCATE, &inLog, &written);
    if (!atClose)
        sqlite3_busy_timeout(handle, m_busyTimeoutMs);
    // A successful TRUNCATE reports no pages either way: only the file itself tells whether it was written.
    *moved = known && openFileState(&after) && after != before;
    *allInFile = rc == SQLITE_OK || (inLog >= 0 && written == inLog);
    return rc;
}

void SQLiteAdapter::noteHeldLog(int rc, const QString& what) {
    const QString wal = walPath(m_path);
    if ((rc & 0xff) == SQLITE_LOCKED)
        qWarning().noquote() << what + " is held back by an unfinished read of the program itself (an export "
                                       "or a list being read), which stops at its next row; it is tried again "
                                       "every second:"
                             << wal;
    else if (g_workerReads > 0)
        qWarning().noquote() << what + " is held back by a read of the program itself on another connection "
                                       "(the day's copy, a count); it is tried again every second:"
                             << wal;
    else
        qWarning().noquote() << what + " is held back by a read on another connection to the path; it is "
                                       "tried again every second:"
                             << wal;
}

void SQLiteAdapter::emptyLog(sqlite3* handle, bool atClose) {
    if (m_checkpointed)
        return;
    // Grown or emptied since the first try, the log at the path holds pages of a program that opened the new
    // file.
    const QFileInfo wal(walPath(m_path));
    if (m_walSizeAtBusy >= 0 && wal.size() != m_walSizeAtBusy) {
        m_checkpointed = true;
        m_logLeftPath = true;
        m_ownReadHoldsLog = false;
        qCritical().noquote() << "The write-ahead log of the replaced database file was taken on by another "
                                 "program; it is left as it is:"
                              << wal.filePath();
        return;
    }
    // Written into the file this connection has open, which is no longer at the path; the log at the path is
    // emptied, so nothing of it is read into the file there.
    bool moved = false;
    bool allInFile = false;
    const int rc = checkpoint(handle, atClose, &moved, &allInFile);
    // Every page this connection saved is in its file when this checkpoint wrote the log there, or when it
    // saved nothing since its last checkpoint that did. The log emptied by another program shows neither.
    if (allInFile)
        m_logInFile = m_logInFile || moved || !m_savedSinceCheckpoint;
    m_ownReadHoldsLog = false;
    if (rc == SQLITE_OK) {
        m_checkpointed = true;
        m_logLeftPath = true;
        qDebug().noquote() << "The write-ahead log was written into the replaced database file and emptied:"
                           << wal.filePath();
    } else if (!atClose && conditionOf(rc) == DbCondition::Busy) {
        m_ownReadHoldsLog = (rc & 0xff) == SQLITE_LOCKED;
        if (m_walSizeAtBusy < 0) {
            m_walSizeAtBusy = wal.size();
            noteHeldLog(rc, QStringLiteral("Emptying the write-ahead log of the replaced database file"));
        }
    } else {
        m_checkpointed = true;
        qCritical().noquote()
            << "The write-ahead log of the replaced database file could not be emptied; the "
               "file now at the path would read it:"
            << wal.filePath() << QString::fromUtf8(sqlite3_errmsg(handle));
    }
}

void SQLiteAdapter::writeBackRemovedLog(sqlite3* handle, bool atClose) {
    if (m_writtenBack || m_writeBackRefused)
        return;
    // Only into the very file the program last wrote, untouched since: a restore copied over it (even with
    // its times set back) or another copy's checkpoint moved its change time, and a log at the path is
    // another file's.
    FileIdentity atPath;
    OpenFileState now;
    const char* refusal = nullptr;
    if (QFileInfo::exists(walPath(m_path)))
        refusal = "another write-ahead log is at the path (a restore)";
    else if (!fileIdentity(m_path, atPath) || !(atPath == m_identity))
        refusal = "the path no longer names the file the program has open";
    else if (!m_afterOwnWriteKnown || !openFileState(&now) || now != m_afterOwnWrite)
        refusal = "the file was written since the program last wrote it (a restore, or another copy of the "
                  "program)";
    if (refusal) {
        m_writeBackRefused = true;
        m_ownReadHoldsLog = false;
        qCritical().noquote() << QStringLiteral("The write-ahead log the program has open is not written into "
                                                "the database file: %1; what the program saved since it last "
                                                "wrote the file is lost as it closes:")
                                     .arg(QLatin1String(refusal))
                              << m_path;
        return;
    }
    // The log removed still works through the connection: writing it into the file empties it.
    bool moved = false;
    bool allInFile = false;
    const int rc = checkpoint(handle, atClose, &moved, &allInFile);
    m_ownReadHoldsLog = false;
    if (rc == SQLITE_OK) {
        m_writtenBack = true;
        qCritical().noquote() << "The database file's write-ahead log was removed alone, from a file unchanged "
                                 "since the program last wrote it; the log the program still had open was "
                                 "written into the file, which holds every save:"
                              << m_path;
    } else if (!atClose && conditionOf(rc) == DbCondition::Busy) {
        m_ownReadHoldsLog = (rc & 0xff) == SQLITE_LOCKED;
        noteHeldLog(rc, QStringLiteral("Writing the removed write-ahead log into the database file"));
    } else {
        m_writeBackRefused = true;
        qCritical().noquote() << "The removed write-ahead log could not be written into the database file:"
                              << m_path << QString::fromUtf8(sqlite3_errmsg(handle));
    }
}

bool SQLiteAdapter::copyDue(sqlite3* handle, bool atClose) const {
    constexpr qint64 kRetryMs = 60 * 1000;
    if (!m_sinceCopyTry.isValid() || atClose || m_sinceCopyTry.elapsed() >= kRetryMs)
        return true;
    return m_copyFailure == DbCondition::DiskFull && BackupManager::instance().hasRoomToKeep(handle, m_path);
}

ReplacedFileCopy SQLiteAdapter::replacedFileCopy() const {
    ReplacedFileCopy copy;
    if (m_replacement == Replacement::WriteAheadLog)
        copy.logWrittenBack = m_writtenBack;
    if (m_replacement != Replacement::File)
        return copy;
    copy.path = m_keptCopy;
    copy.folder = BackupManager::backupDirFor(m_path);
    copy.failure = m_keptCopy.isEmpty() ? m_copyFailure : DbCondition::None;
    copy.mayLackSaves = m_keptCopy.isEmpty() ? m_logLeftPath && !m_logInFile : m_keptCopyMayLack;
    return copy;
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
        if (copy.logWrittenBack)
            kept = QStringLiteral(" (its write-ahead log was removed; what it held was written into the file)");
        else if (!copy.path.isEmpty() && copy.mayLackSaves)
            kept = QStringLiteral(" (the file it had open is kept in %1; what it saved last may be in the file "
                                  "now at the path)")
                       .arg(copy.path);
        else if (!copy.path.isEmpty())
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

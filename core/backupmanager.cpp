#include "core/backupmanager.h"

#include "core/clock.h"
#include "core/sqliteconnection.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QUrl>
#include <QUuid>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace kestrovalin {

namespace {

QString g_programDirOverride;
// 4 MB a step with SQLite's default page size.
constexpr int kDefaultPagesPerStep = 1024;
int g_pagesPerStep = kDefaultPagesPerStep;
std::function<void()> g_afterStep;
std::function<int(int)> g_stepResult;
bool g_pageCheck = true;

QString programDir() {
    if (!g_programDirOverride.isEmpty())
        return g_programDirOverride;
    return QFileInfo(QCoreApplication::applicationFilePath()).absolutePath();
}

// The file system a folder is on, or would be on once made.
QStorageInfo storageOf(QString folder) {
    while (!QFileInfo::exists(folder) && QFileInfo(folder).absolutePath() != folder)
        folder = QFileInfo(folder).absolutePath();
    return QStorageInfo(folder);
}

// Only names the program gives its own copies count as backups and are rotated; "handover_20250307.db" or
// "kestrovalin_before_upgrade.db" that a person put there stays. The stamp in the name is fixed-width, so
// name order is the order in which the copies were made.
bool isOwnBackupName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^kestrovalin_\\d{8}_\\d{6}\\.db$"));
    return pattern.match(name).hasMatch();
}

// The program's own copies in the folder, oldest first.
QStringList ownBackups(const QDir& dir) {
    QStringList own;
    for (const QString& name : dir.entryList({QStringLiteral("*.db")}, QDir::Files, QDir::Name)) {
        if (isOwnBackupName(name))
            own.append(name);
    }
    return own;
}

// A copy in progress is locked, so another program's clean-up leaves it alone while its writer lives; the
// lock of a killed writer is stale at once. Never stale by age: a big copy may take long.
class PartLock {
public:
    explicit PartLock(const QString& partPath) : m_path(partPath + QStringLiteral(".lock")), m_lock(m_path) {
        m_lock.setStaleLockTime(0);
    }
    bool tryLock() { return m_lock.tryLock(0); }
    // Why tryLock failed: another program's copy, or a lock file that cannot be written (a full disk, a
    // folder that may not be written), in the system's words.
    QString failure() const {
        if (m_lock.error() == QLockFile::LockFailedError)
            return QStringLiteral("cannot lock %1: another program is writing it").arg(m_path);
        // QLockFile keeps no reason; writing the file once more gives it.
        QFile probe(m_path);
        QString reason;
        if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            reason = probe.errorString();
        } else {
            if (probe.write(QByteArray(64, '\n')) != 64 || !probe.flush())
                reason = probe.errorString();
            probe.close();
            probe.remove();
        }
        return QStringLiteral("cannot write %1: %2")
            .arg(m_path, reason.isEmpty() ? QStringLiteral("unknown error") : reason);
    }

private:
    QString m_path;
    QLockFile m_lock;
};

// SQLite keeps a journal beside the copy while it writes (and the write-ahead files while the copy leaves
// WAL mode); a run killed meanwhile leaves them behind with the copy.
const QString kPartSuffix = QStringLiteral(".part");
const QStringList kSideFileSuffixes = {QStringLiteral("-journal"), QStringLiteral("-wal"),
                                       QStringLiteral("-shm")};

QStringList sideFilesOf(const QString& copyPath) {
    QStringList files;
    for (const QString& suffix : kSideFileSuffixes)
        files << copyPath + suffix;
    return files;
}

// Removes a copy, then its side files, which go only with it: beside a copy that stays they may hold its
// rows. what names the kind of copy for the log.
void removeWithSideFiles(const QString& copyPath, const char* what) {
    for (const QString& path : QStringList{copyPath} + sideFilesOf(copyPath)) {
        if (!QFileInfo::exists(path))
            continue;
        if (QFile::remove(path)) {
            qDebug().noquote() << "Deleted" << what << path;
        } else {
            qCritical().noquote() << "Failed to delete" << what << path;
            if (path == copyPath)
                return;
        }
    }
}

// A private connection to one database file, closed and unregistered when it goes out of scope. It belongs
// to the thread that made it.
class ScopedConnection {
public:
    // Read-only: a backup must never change the file it copies, nor create one that is missing. A copy is
    // looked into as immutable, so SQLite writes no -wal or -shm beside one in WAL mode; the live file is
    // read through its write-ahead log.
    enum Kind { LiveFile, Copy };
    ScopedConnection(const QString& path, Kind kind)
        : m_name(QStringLiteral("kestrovalin_backup_") + QUuid::createUuid().toString()) {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        if (kind == LiveFile) {
            m_db.setDatabaseName(path);
            m_db.setConnectOptions(connectOptions(true));
        } else {
            m_db.setDatabaseName(QStringLiteral("file:") +
                                 QString::fromLatin1(QUrl::toPercentEncoding(path, "/")) +
                                 QStringLiteral("?immutable=1"));
            m_db.setConnectOptions(connectOptions(true) + QStringLiteral(";QSQLITE_OPEN_URI"));
        }
        m_open = m_db.open();
        if (kind == LiveFile)
            m_workerRead.emplace();
        // Opened after a file was put in place of the program's, it would read the other file.
        if (m_open && kind == LiveFile && !isTheProgramsFile(path)) {
            m_open = false;
            m_error = QStringLiteral("the database file was replaced while the program has it open");
        }
    }
    ~ScopedConnection() {
        m_db.close();
        m_workerRead.reset();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    ScopedConnection(const ScopedConnection&) = delete;
    ScopedConnection& operator=(const ScopedConnection&) = delete;

    bool isOpen() const { return m_open; }
    QSqlDatabase& db() { return m_db; }
    QString errorText() const { return m_error.isEmpty() ? m_db.lastError().text() : m_error; }
    sqlite3* handle() const { return sqliteHandle(m_db); }

private:
    QString m_name;
    QSqlDatabase m_db;
    bool m_open = false;
    QString m_error;
    // The live file is read by the program itself.
    std::optional<WorkerRead> m_workerRead;
};

// The file the copy is written into, closed on every path.
class TargetFile {
public:
    explicit TargetFile(const QString& path) {
        m_rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
                               SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        sqlite3_busy_timeout(m_db, busyTimeoutMs());
    }
    ~TargetFile() { sqlite3_close(m_db); }
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;

    bool isOpen() const { return m_rc == SQLITE_OK; }
    sqlite3* handle() const { return m_db; }
    QString errorText() const { return QString::fromUtf8(sqlite3_errmsg(m_db)); }

private:
    sqlite3* m_db = nullptr;
    int m_rc = SQLITE_ERROR;
};

// SQLite's page copy from an open connection into a new file, which becomes one self-contained file in the
// ordinary journal mode. A copy of the program's file stops when sameFile, asked between steps and after the
// last, finds it replaced: its pages may then mix with another file's.
bool copyPages(sqlite3* from, const QString& targetPath, QString* error,
               const std::function<bool()>& sameFile = nullptr) {
    TargetFile target(targetPath);
    bool done = target.isOpen();
    if (done) {
        sqlite3_backup* copy = sqlite3_backup_init(target.handle(), "main", from, "main");
        done = copy != nullptr;
        int rc = SQLITE_OK;
        while (done && rc == SQLITE_OK) {
            rc = sqlite3_backup_step(copy, g_pagesPerStep);
            if (g_stepResult)
                rc = g_stepResult(rc);
            if (rc == SQLITE_OK && g_afterStep)
                g_afterStep();
            if (sameFile && (rc == SQLITE_OK || rc == SQLITE_DONE) && !sameFile()) {
                *error = QStringLiteral("the database file was replaced while it was copied");
                done = false;
            }
        }
        if (copy)
            done = sqlite3_backup_finish(copy) == SQLITE_OK && rc == SQLITE_DONE && done;
        if (!error->isEmpty())
            return false;
    }
    done = done && sqlite3_exec(target.handle(), "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr) ==
                       SQLITE_OK;
    if (!done)
        *error = target.errorText();
    return done;
}

// The database file a connection has open, as the system has it open: no longer at its path once replaced.
sqlite3_file* openFileOf(sqlite3* connection) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(connection, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods)
        return nullptr;
    return file;
}

qint64 sizeOf(sqlite3_file* file) {
    sqlite3_int64 size = -1;
    if (!file || file->pMethods->xFileSize(file, &size) != SQLITE_OK)
        return -1;
    return size;
}

qint64 openFileSize(sqlite3* connection) {
    return sizeOf(openFileOf(connection));
}

// The bytes of the file a connection has open, read through its own file handle, never through SQLite's
// pages: those would come with the write-ahead log at the path. The copy becomes a file of its own in the
// ordinary journal mode, as every copy of the program is.
bool copyOpenFile(sqlite3* connection, const QString& targetPath, QString* error) {
    sqlite3_file* file = openFileOf(connection);
    const qint64 size = sizeOf(file);
    if (size < 0) {
        *error = QStringLiteral("the database file the program has open cannot be read");
        return false;
    }
    QFile target(targetPath);
    if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        *error = target.errorString();
        return false;
    }
    constexpr qint64 kChunk = 1 << 20;
    QByteArray chunk;
    for (qint64 at = 0; at < size; at += chunk.size()) {
        chunk.resize(int(qMin(kChunk, size - at)));
        if (const int rc = file->pMethods->xRead(file, chunk.data(), chunk.size(), at); rc != SQLITE_OK) {
            *error = QString::fromUtf8(sqlite3_errstr(rc));
            return false;
        }
        // Bytes 18 and 19 of the header: 2 for write-ahead logging, 1 for the ordinary journal.
        if (at == 0 && chunk.size() > 19 && chunk.at(18) == 2 && chunk.at(19) == 2)
            chunk[18] = chunk[19] = 1;
        // A short write is no error yet; the next one says why (a full disk).
        for (qint64 written = 0, n = 0; written < chunk.size(); written += n) {
            n = target.write(chunk.constData() + written, chunk.size() - written);
            if (n <= 0) {
                *error = target.errorString();
                return false;
            }
        }
    }
    if (!target.flush()) {
        *error = target.errorString();
        return false;
    }
    if (::fsync(target.handle()) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

// The page copy reads through SQLite, so rows still in the -wal file are copied. The read transaction held
// over all steps pins one snapshot: rows the program commits meanwhile neither end up half in the copy nor
// make the copy start over, and nothing uncommitted is ever seen.
bool pageCopy(const QString& sourcePath, const QString& targetPath, QString* error) {
    ScopedConnection source(sourcePath, ScopedConnection::LiveFile);
    if (!source.isOpen()) {
        *error = source.errorText();
        return false;
    }
    sqlite3* from = source.handle();
    if (!from) {
        *error = QStringLiteral("the SQLite driver gives no handle");
        return false;
    }
    if (!source.db().transaction()) {
        *error = source.db().lastError().text();
        return false;
    }
    bool done = false;
    {
        QSqlQuery q(source.db());
        done = q.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master"));
        if (!done)
            *error = q.lastError().text();
    }
    FileIdentity copied;
    const bool identified = fileIdentity(sourcePath, copied);
    const auto sameFile = [&] {
        FileIdentity now;
        return identified && isTheProgramsFile(sourcePath) && fileIdentity(sourcePath, now) && now == copied;
    };
    done = done && copyPages(from, targetPath, error, sameFile);
    source.db().rollback();
    return done;
}
// What SQLite's page check finds wrong in a file, empty when it is sound; *error is set instead when the
// file cannot be checked at all.
QStringList damageFound(QSqlDatabase& db, QString* error) {
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA quick_check"))) {
        *error = q.lastError().text();
        return {};
    }
    QStringList found;
    while (q.next())
        found << q.value(0).toString();
    if (found == QStringList{QStringLiteral("ok")})
        found.clear();
    else if (found.isEmpty())
        *error = QStringLiteral("the check gave no answer");
    return found;
}

// A copy counts only when its pages are sound and it still lets the administrator sign in. *damaged tells
// a copy whose pages the check found broken from one that could not be read.
bool verify(const QString& copyPath, QString* error, bool* damaged) {
    ScopedConnection copy(copyPath, ScopedConnection::Copy);
    if (!copy.isOpen()) {
        *error = copy.errorText();
        return false;
    }
    if (g_pageCheck) {
        const QStringList found = damageFound(copy.db(), error);
        *damaged = !found.isEmpty();
        if (*damaged)
            *error = found.mid(0, 5).join(QStringLiteral("; "));
        if (!error->isEmpty())
            return false;
    }
    QSqlQuery q(copy.db());
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM sys_user WHERE username = 'admin'"))) {
        *error = q.lastError().text();
        return false;
    }
    if (!q.next() || q.value(0).toInt() < 1) {
        *error = QStringLiteral("the copy holds no admin account");
        return false;
    }
    return true;
}

enum class Content { Empty, Rows, Unreadable };

// Whether a copy holds rows the pharmacy wrote (drugs, suppliers, documents, records) rather than only what
// any start writes into a new file: accounts, settings, the log, the default customer. Rows in a -wal file
// beside a copy cannot be seen without writing beside it, so such a copy counts as unreadable.
Content contentOf(const QString& path) {
    if (QFileInfo(path + QStringLiteral("-wal")).size() > 0)
        return Content::Unreadable;
    ScopedConnection copy(path, ScopedConnection::Copy);
    QSqlQuery q(copy.db());
    if (!copy.isOpen() ||
        !q.exec(
            QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
                           "AND name NOT IN ('sys_user', 'sys_config', 'sys_operation_log')")))
        return Content::Unreadable;
    QStringList tables;
    while (q.next())
        tables << q.value(0).toString();
    for (const QString& table : tables) {
        QString sql =
            QStringLiteral("SELECT EXISTS (SELECT 1 FROM \"%1\"").arg(QString(table).replace('"', "\"\""));
        if (table == QLatin1String("customer"))
            sql += QStringLiteral(" WHERE is_default IS NOT 1");
        if (!q.exec(sql + QLatin1Char(')')) || !q.next())
            return Content::Unreadable;
        if (q.value(0).toBool())
            return Content::Rows;
    }
    return Content::Empty;
}

// Whether the pages of a file or copy pass SQLite's check; one that cannot be checked does not.
bool isSound(const QString& path, ScopedConnection::Kind kind) {
    ScopedConnection db(path, kind);
    QString error;
    return db.isOpen() && damageFound(db.db(), &error).isEmpty() && error.isEmpty();
}

// Gives the verified copy the first of the names "<stem>.db", "<stem>_2.db", ... that no file has, and
// removes nothing: another copy of the program may keep its own under the same name in the same second. A
// hard link takes a name only where none is; a file system without them gets the first name free now.
bool takeFreeName(const QString& partPath, const QString& destinationPath, QString* placedAt,
                  QString* error) {
    const QByteArray part = QFile::encodeName(partPath);
    for (int n = 1; n < 1000; ++n) {
        const QString name =
            n == 1 ? destinationPath : destinationPath.chopped(3) + QStringLiteral("_%1.db").arg(n);
        const QByteArray target = QFile::encodeName(name);
        bool placed = ::link(part.constData(), target.constData()) == 0;
        if (!placed && errno == EEXIST)
            continue;
        if (!placed && (errno == EPERM || errno == EOPNOTSUPP)) {
            if (QFileInfo::exists(name))
                continue;
            placed = ::rename(part.constData(), target.constData()) == 0;
        }
        if (!placed) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        QFile::remove(partPath);
        *placedAt = name;
        return true;
    }
    *error = QStringLiteral("no free name");
    return false;
}

// Writes a copy through write under a name that is not "*.db" until verified, so a broken copy never counts
// as a backup and never pushes a good one out of the ten kept; the process id keeps it apart from the copy of
// another program started in the same second. With placedAt, a file already at destinationPath stays and
// the copy takes the next free name, which *placedAt gives; otherwise it is replaced. False with the log's
// words in *failure; *check tells a copy written whole that failed its check: Damaged when the check found
// its pages broken (*failure then lists what it found), Unreadable when it could not be checked at all.
enum class CheckFailure { None, Unreadable, Damaged };
bool placeCopy(const QString& destinationPath, const std::function<bool(const QString&, QString*)>& write,
               QString* failure, CheckFailure* check, QString* placedAt = nullptr) {
    *check = CheckFailure::None;
    const QDir targetDir = QFileInfo(destinationPath).absoluteDir();
    if (!targetDir.exists() && !targetDir.mkpath(QStringLiteral("."))) {
        *failure = QStringLiteral("cannot create backup directory");
        return false;
    }
    const QString partPath =
        destinationPath + QStringLiteral(".%1").arg(QCoreApplication::applicationPid()) + kPartSuffix;
    PartLock lock(partPath);
    if (!lock.tryLock()) {
        *failure = QStringLiteral("copy error: ") + lock.failure();
        return false;
    }
    removeWithSideFiles(partPath, "unfinished backup copy:");
    QString error;
    if (!write(partPath, &error)) {
        QFile::remove(partPath);
        *failure = QStringLiteral("copy error: ") + error;
        return false;
    }
    bool damaged = false;
    if (!verify(partPath, &error, &damaged)) {
        QFile::remove(partPath);
        *check = damaged ? CheckFailure::Damaged : CheckFailure::Unreadable;
        *failure = damaged ? error : QStringLiteral("the copy cannot be verified: ") + error;
        return false;
    }
    if (placedAt) {
        const bool placed = takeFreeName(partPath, destinationPath, placedAt, &error);
        if (!placed) {
            QFile::remove(partPath);
            *failure = QStringLiteral("copy error: ") + error;
        }
        return placed;
    }
    QFile target(destinationPath);
    if (target.exists() && !target.remove()) {
        QFile::remove(partPath);
        *failure = QStringLiteral("copy error: ") + target.errorString();
        return false;
    }
    QFile part(partPath);
    if (!part.rename(destinationPath)) {
        *failure = QStringLiteral("copy error: ") + part.errorString();
        QFile::remove(partPath);
        return false;
    }
    return true;
}

} // namespace

BackupManager& BackupManager::instance() {
    static BackupManager manager;
    return manager;
}

void BackupManager::setProgramDirForTesting(const QString& dir) {
    g_programDirOverride = dir;
}

QString BackupManager::getBackupDir() const {
    return backupDirFor(getDatabasePath());
}

QString BackupManager::backupDirFor(const QString& databasePath) {
    return QDir::cleanPath(QFileInfo(databasePath).absolutePath() + QStringLiteral("/../backup"));
}

QString BackupManager::getDatabasePath() const {
    return programDir() + QStringLiteral("/data/kestrovalin.db");
}

QString BackupManager::generateBackupFileName() const {
    return QStringLiteral("kestrovalin_%1.db").arg(Clock::now().toString(QStringLiteral("yyyyMMdd_HHmmss")));
}

bool BackupManager::hasBackupForToday() {
    return hasBackupFor(Clock::today());
}

bool BackupManager::hasBackupForYesterday() {
    return hasBackupFor(Clock::today().addDays(-1));
}

bool BackupManager::hasBackupFor(const QDate& day) const {
    const QDir dir(getBackupDir());
    if (!dir.exists())
        return false;
    const QString prefix = QStringLiteral("kestrovalin_") + day.toString(QStringLiteral("yyyyMMdd_"));
    for (const QString& name : ownBackups(dir)) {
        if (name.startsWith(prefix))
            return true;
    }
    return false;
}

bool BackupManager::backupDatabase(bool* databaseDamaged) {
    const QString source = getDatabasePath();
    const QString destination = getBackupDir() + QLatin1Char('/') + generateBackupFileName();
    qDebug() << "Starting database backup...";
    qDebug().noquote() << "Source:" << source;
    qDebug().noquote() << "Destination:" << destination;
    const bool copied = copyFile(source, destination, databaseDamaged);
    if (copied)
        cleanupOldBackups(10);
    return copied;
}

bool BackupManager::copyFile(const QString& sourcePath, const QString& destinationPath,
                             bool* databaseDamaged) {
    if (databaseDamaged)
        *databaseDamaged = false;
    if (!QFileInfo::exists(sourcePath)) {
        qCritical().noquote() << "Backup failed: source file does not exist:" << sourcePath;
        return false;
    }
    QString failure;
    CheckFailure check = CheckFailure::None;
    const auto write = [&sourcePath](const QString& part, QString* error) {
        return pageCopy(sourcePath, part, error);
    };
    if (placeCopy(destinationPath, write, &failure, &check)) {
        qDebug().noquote() << "Backup succeeded:" << destinationPath;
        return true;
    }
    // The copy is page for page; only a write gone wrong in the backup folder breaks it alone.
    const bool damaged = check == CheckFailure::Damaged;
    if (damaged && isSound(sourcePath, ScopedConnection::LiveFile)) {
        qCritical().noquote() << "Backup failed: the copy is damaged, the database file is sound:" << failure;
    } else if (damaged) {
        qCritical().noquote() << "Backup failed: the database file is damaged:" << failure;
        if (databaseDamaged)
            *databaseDamaged = true;
    } else {
        qCritical().noquote() << "Backup failed:" << failure;
    }
    return false;
}

QString BackupManager::keepReplacedFile(sqlite3* connection, const QString& databasePath, bool fileBytes,
                                        DbCondition* failure) {
    // A name none of the day's copies has, so neither their keeping nor the boxes that name a copy ever take
    // it for one.
    const QString folder = backupDirFor(databasePath);
    const QString name = folder + QStringLiteral("/kestrovalin_replaced_") +
                         Clock::now().toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".db");
    QString path;
    QString reason;
    CheckFailure check = CheckFailure::None;
    const auto write = [connection, fileBytes](const QString& part, QString* error) {
        return fileBytes ? copyOpenFile(connection, part, error) : copyPages(connection, part, error);
    };
    if (!placeCopy(name, write, &reason, &check, &path)) {
        const QStorageInfo storage = storageOf(folder);
        // Written whole and then refused by its check: the file's bytes, not the backup folder.
        if (check != CheckFailure::None)
            *failure = DbCondition::Damaged;
        else if (storage.isValid() && storage.bytesAvailable() < openFileSize(connection))
            *failure = DbCondition::DiskFull;
        else if (!QFileInfo(folder).isWritable())
            *failure = DbCondition::ReadOnly;
        else
            *failure = DbCondition::FileError;
        qCritical().noquote() << (check != CheckFailure::None
                                      ? "The replaced database file failed its check (it may be damaged); "
                                        "its data could not be kept in"
                                      : "The data of the replaced database file could not be kept in")
                              << folder
                              << "(tried again once a minute, as soon as there is room, and at close):"
                              << reason;
        return QString();
    }
    *failure = DbCondition::None;
    qCritical().noquote() << "The data of the replaced database file is kept in" << path;
    return path;
}

bool BackupManager::hasRoomToKeep(sqlite3* connection, const QString& databasePath) const {
    // A margin, so that a copy that just failed is not tried every second on a disk that is still too full.
    constexpr qint64 kMargin = 1 << 20;
    const qint64 size = openFileSize(connection);
    const QStorageInfo storage = storageOf(backupDirFor(databasePath));
    return size >= 0 && storage.isValid() && storage.bytesAvailable() >= size + kMargin;
}

void BackupManager::cleanupOldBackups(int keep) {
    const QDir dir(getBackupDir());
    if (!dir.exists())
        return;
    // By the time in the name: a copy someone touched or copied back keeps its place.
    const QStringList files = ownBackups(dir);
    keep = qMax(keep, 0);
    const int surplus = files.size() - keep;
    if (surplus <= 0)
        return;
    // Copies of an empty file (a start on a file that lost its data) go first, the newest copy excepted: it
    // was just made. A copy with the pharmacy's rows goes only to make room for another that has them; one
    // that cannot be read counts as having them.
    QStringList empty;
    QStringList full;
    for (const QString& name : files)
        (contentOf(dir.absoluteFilePath(name)) == Content::Empty ? empty : full) << name;
    if (!empty.isEmpty() && empty.last() == files.last())
        empty.removeLast();
    QStringList doomed = empty.mid(0, surplus);
    doomed += full.mid(0, qMax(0, qMin(surplus - doomed.size(), full.size() - keep)));
    if (doomed.size() < surplus)
        qDebug() << "Keeping" << files.size() - doomed.size()
                 << "backups: copies that hold data are not removed for copies of an empty database";
    if (doomed.isEmpty())
        return;
    qDebug() << "Cleaning up old backups, removing" << doomed.size() << "files";
    for (const QString& name : doomed)
        removeWithSideFiles(dir.absoluteFilePath(name), "old backup:");
}

QString BackupManager::newestBackup() const {
    const QDir dir(getBackupDir());
    const QStringList own = dir.exists() ? ownBackups(dir) : QStringList();
    return own.isEmpty() ? QString() : dir.absoluteFilePath(own.last());
}

QString BackupManager::newestBackupWithData(bool checkPages) const {
    const QDir dir(getBackupDir());
    const QStringList own = dir.exists() ? ownBackups(dir) : QStringList();
    for (auto name = own.crbegin(); name != own.crend(); ++name) {
        const QString path = dir.absoluteFilePath(*name);
        if (contentOf(path) == Content::Rows && (!checkPages || isSound(path, ScopedConnection::Copy)))
            return path;
    }
    return QString();
}

void BackupManager::removeLeftoverCopies() {
    const QDir dir(getBackupDir());
    if (!dir.exists())
        return;
    // A side file counts even without its copy: earlier versions removed the copy and left its journal.
    QStringList filters{QLatin1Char('*') + kPartSuffix};
    for (const QString& suffix : kSideFileSuffixes)
        filters << QLatin1Char('*') + kPartSuffix + suffix;
    QStringList parts;
    for (const QString& name : dir.entryList(filters, QDir::Files | QDir::Hidden))
        parts << name.left(name.lastIndexOf(kPartSuffix) + kPartSuffix.size());
    parts.removeDuplicates();
    for (const QString& name : parts) {
        const QString path = dir.absoluteFilePath(name);
        PartLock lock(path);
        if (!lock.tryLock())
            continue; // another program is writing it right now
        removeWithSideFiles(path, "unfinished backup copy:");
    }
    // Earlier versions deleted their copies and left the side files that looking into them had made.
    for (const QString& suffix : kSideFileSuffixes) {
        for (const QString& name :
             dir.entryList({QStringLiteral("*.db") + suffix}, QDir::Files | QDir::Hidden)) {
            const QString copy = name.chopped(suffix.size());
            if (isOwnBackupName(copy) && !dir.exists(copy))
                removeWithSideFiles(dir.absoluteFilePath(copy), "side file of a deleted backup:");
        }
    }
}

void BackupManager::setPageCheckForTesting(bool on) {
    g_pageCheck = on;
}

void BackupManager::setCopyStepForTesting(int pages, std::function<void()> afterEachStep) {
    g_pagesPerStep = pages > 0 ? pages : kDefaultPagesPerStep;
    g_afterStep = std::move(afterEachStep);
}

void BackupManager::setStepResultForTesting(std::function<int(int)> answer) {
    g_stepResult = std::move(answer);
}

} // namespace kestrovalin

#include "core/backupmanager.h"

#include "core/clock.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace kestrovalin {

namespace {

QString g_programDirOverride;

// Only these files are ours to delete; anything else a person puts into backup/ stays.
const char* const kOwnBackupPattern = "kestrovalin_*.db";

QString programDir() {
    if (!g_programDirOverride.isEmpty())
        return g_programDirOverride;
    return QFileInfo(QCoreApplication::applicationFilePath()).absolutePath();
}

// A private connection to one database file, closed and unregistered when it goes out of scope.
class ScopedConnection {
public:
    explicit ScopedConnection(const QString& path)
        : m_name(QStringLiteral("kestrovalin_backup_") + QUuid::createUuid().toString()) {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        m_db.setDatabaseName(path);
        // Read-only: a backup must never change the file it copies, nor create one that is missing.
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
        m_open = m_db.open();
    }
    ~ScopedConnection() {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    ScopedConnection(const ScopedConnection&) = delete;
    ScopedConnection& operator=(const ScopedConnection&) = delete;

    bool isOpen() const { return m_open; }
    QSqlDatabase& db() { return m_db; }
    QString errorText() const { return m_db.lastError().text(); }

private:
    QString m_name;
    QSqlDatabase m_db;
    bool m_open = false;
};

// VACUUM INTO reads through SQLite, so rows still in the -wal file are copied and the copy is one
// consistent snapshot even while the program holds the database open.
bool snapshot(const QString& sourcePath, const QString& targetPath, QString* error) {
    ScopedConnection source(sourcePath);
    if (!source.isOpen()) {
        *error = source.errorText();
        return false;
    }
    QSqlQuery q(source.db());
    q.prepare(QStringLiteral("VACUUM INTO ?"));
    q.addBindValue(targetPath);
    if (!q.exec()) {
        *error = q.lastError().text();
        return false;
    }
    return true;
}

// A copy counts only when it opens as a database and still lets the administrator sign in.
bool verify(const QString& copyPath, QString* error) {
    ScopedConnection copy(copyPath);
    if (!copy.isOpen()) {
        *error = copy.errorText();
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

} // namespace

BackupManager& BackupManager::instance() {
    static BackupManager manager;
    return manager;
}

void BackupManager::setProgramDirForTesting(const QString& dir) {
    g_programDirOverride = dir;
}

QString BackupManager::getBackupDir() const {
    return programDir() + QStringLiteral("/backup");
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
    const QStringList files = dir.entryList({QStringLiteral("*.db")}, QDir::Files);
    const QString stamp = day.toString(QStringLiteral("yyyyMMdd"));
    for (const QString& name : files) {
        if (name.contains(stamp))
            return true;
    }
    return false;
}

bool BackupManager::backupDatabase() {
    const QString source = getDatabasePath();
    const QString destination = getBackupDir() + QLatin1Char('/') + generateBackupFileName();
    qDebug() << "Starting database backup...";
    qDebug().noquote() << "Source:" << source;
    qDebug().noquote() << "Destination:" << destination;
    const bool copied = copyFile(source, destination);
    if (copied)
        cleanupOldBackups(10);
    return copied;
}

bool BackupManager::copyFile(const QString& sourcePath, const QString& destinationPath) {
    if (!QFileInfo::exists(sourcePath)) {
        qCritical().noquote() << "Backup failed: source file does not exist:" << sourcePath;
        return false;
    }
    const QDir targetDir = QFileInfo(destinationPath).absoluteDir();
    if (!targetDir.exists() && !targetDir.mkpath(QStringLiteral("."))) {
        qCritical() << "Backup failed: cannot create backup directory";
        return false;
    }
    // Written under a name that is not "*.db" until verified, so a broken copy never counts as a backup
    // and never pushes a good one out of the ten kept.
    const QString partPath = destinationPath + QStringLiteral(".part");
    QFile::remove(partPath);
    QString error;
    if (!snapshot(sourcePath, partPath, &error)) {
        QFile::remove(partPath);
        qCritical().noquote() << "Backup failed: copy error:" << error;
        return false;
    }
    if (!verify(partPath, &error)) {
        QFile::remove(partPath);
        qCritical().noquote() << "Backup failed: the copy cannot be verified:" << error;
        return false;
    }
    QFile target(destinationPath);
    if (target.exists() && !target.remove()) {
        QFile::remove(partPath);
        qCritical().noquote() << "Backup failed: copy error:" << target.errorString();
        return false;
    }
    QFile part(partPath);
    if (!part.rename(destinationPath)) {
        qCritical().noquote() << "Backup failed: copy error:" << part.errorString();
        QFile::remove(partPath);
        return false;
    }
    qDebug().noquote() << "Backup succeeded:" << destinationPath;
    return true;
}

void BackupManager::cleanupOldBackups(int keep) {
    const QDir dir(getBackupDir());
    if (!dir.exists())
        return;
    const QFileInfoList files =
        dir.entryInfoList({QLatin1String(kOwnBackupPattern)}, QDir::Files, QDir::Time | QDir::Reversed);
    const int surplus = files.size() - qMax(keep, 0);
    if (surplus <= 0)
        return;
    qDebug() << "Cleaning up old backups, removing" << surplus << "files";
    for (int i = 0; i < surplus; ++i) {
        const QString path = files.at(i).absoluteFilePath();
        if (QFile::remove(path))
            qDebug().noquote() << "Deleted old backup:" << path;
        else
            qCritical().noquote() << "Failed to delete old backup:" << path;
    }
}

} // namespace kestrovalin

#include "core/sqliteconnection.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSqlDriver>

#include <sqlite3.h>
#include <sys/stat.h>

#include <atomic>
#include <utility>

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

bool markMoved(const FileMark& seen, const FileMark& now) {
    return seen.isValid() && (!now.isValid() || now != seen);
}

namespace {

// Long enough to wait out another program's short write, short enough that a window does not seem to hang.
constexpr int kBusyTimeoutMs = 5000;
int g_busyTimeoutMs = kBusyTimeoutMs;
bool g_openReadOnly = false;

std::atomic<int> g_workerReads{0};
// Replacements noted so far, for the worker reads under way to stop at.
std::atomic<quintptr> g_replacements{0};

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

DbCondition conditionOfCode(int code) {
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

void registerProgramFile(const QString& path, const void* owner, const FileIdentity& file,
                         const FileIdentity* wal) {
    QMutexLocker lock(&g_openFilesMutex);
    if (!g_openFiles.contains(path))
        g_openFiles.insert(path, {owner, file, wal ? *wal : FileIdentity(), wal != nullptr, false});
}

void noteProgramFileReplaced(const QString& path, const void* owner) {
    QMutexLocker lock(&g_openFilesMutex);
    if (auto found = g_openFiles.find(path);
        found != g_openFiles.end() && found->owner == owner && !std::exchange(found->replaced, true))
        ++g_replacements;
}

WorkerStop::WorkerStop(sqlite3* handle, const std::atomic<bool>* cancelled)
    : m_handle(handle), m_replacements(g_replacements.load()), m_cancelled(cancelled) {
    if (m_handle)
        sqlite3_progress_handler(m_handle, 100, &WorkerStop::stopNow, this);
}

WorkerStop::~WorkerStop() {
    if (m_handle)
        sqlite3_progress_handler(m_handle, 0, nullptr, nullptr);
}

int WorkerStop::stopNow(void* self) {
    const auto* stop = static_cast<const WorkerStop*>(self);
    return g_replacements.load() != stop->m_replacements || *stop->m_cancelled ? 1 : 0;
}

void unregisterProgramFile(const QString& path, const void* owner) {
    QMutexLocker lock(&g_openFilesMutex);
    if (auto found = g_openFiles.find(path); found != g_openFiles.end() && found->owner == owner)
        g_openFiles.erase(found);
}

WorkerRead::WorkerRead() {
    ++g_workerReads;
}

WorkerRead::~WorkerRead() {
    --g_workerReads;
}

int WorkerRead::count() {
    return g_workerReads;
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
    if (conditionOfCode(rc) == DbCondition::Busy)
        return QString();
    if (condition)
        *condition = conditionOfCode(sqlite3_extended_errcode(handle));
    return QString::fromUtf8(sqlite3_errmsg(handle));
}

QString cannotWriteReason(const QString& path) {
    const QFileInfo file(path);
    if (file.exists() && !file.isWritable())
        return QString::fromUtf8(sqlite3_errstr(SQLITE_READONLY));
    return QString();
}

bool openReadOnlyForTesting() {
    return g_openReadOnly;
}

} // namespace kestrovalin

#include "core/filekeeper.h"

#include "core/backupmanager.h"
#include "core/keepernote.h"
#include "core/replacementwatch.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>

namespace kestrovalin {

namespace {

// SQLite asks the connection's progress hook every so many steps of a statement: a read that holds back the
// emptying of a replaced file's log stops within a few rows.
constexpr int kStepsPerProgressCall = 100;

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
        !file->pMethods ||
        sqlite3_file_control(handle, "main", SQLITE_FCNTL_VFS_POINTER, &vfs) != SQLITE_OK || !vfs ||
        qstrncmp(vfs->zName, "unix", 4) != 0)
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

// Bytes at the head of the shared index (the -shm): both copies of the log's header and the checkpoint
// record after them.
constexpr int kSharedIndexHeadBytes = 136;
// The log's write lock among the shared index's locks.
constexpr int kLogWriteLock = 0;

// Clears the head of the shared index the connection maps, under the log's write lock, so that the next
// reader of the path finds no valid header and rebuilds it from the log and the file now there. False when
// the lock is held by another writer (try again later) or the index cannot be mapped.
bool clearSharedIndexHead(sqlite3* handle) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(handle, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods || file->pMethods->iVersion < 2 || !file->pMethods->xShmMap)
        return false;
    const sqlite3_io_methods* methods = file->pMethods;
    if (methods->xShmLock(file, kLogWriteLock, 1, SQLITE_SHM_LOCK | SQLITE_SHM_EXCLUSIVE) != SQLITE_OK)
        return false;
    volatile void* region = nullptr;
    // The first region is 32 KiB in every version that has a shared index; it is mapped already.
    const bool mapped = methods->xShmMap(file, 0, 32 * 1024, 0, &region) == SQLITE_OK && region;
    if (mapped) {
        volatile char* head = static_cast<volatile char*>(region);
        for (int i = 0; i < kSharedIndexHeadBytes; ++i)
            head[i] = 0;
        methods->xShmBarrier(file);
    }
    methods->xShmLock(file, kLogWriteLock, 1, SQLITE_SHM_UNLOCK | SQLITE_SHM_EXCLUSIVE);
    return mapped;
}

} // namespace

FileKeeper::FileKeeper(SQLiteAdapter& connection) : m_connection(&connection), m_path(connection.path()) {
    sqlite3* handle = this->handle();
    if (!handle) {
        m_connection = nullptr;
        return;
    }
    connection.setGuard(this);
    // The files this connection writes are those the path names now; a file renamed over the path later (a
    // restore, a file manager's replace) must not take writes that would be lost with the old one.
    m_openedAt = bootMomentNow();
    m_identityKnown = fileIdentity(m_path, m_identity);
    m_walKnown = fileIdentity(walPath(m_path), m_walIdentity);
    if (m_identityKnown) {
        registerProgramFile(m_path, this, m_identity, m_walKnown ? &m_walIdentity : nullptr);
        m_fileHandle = fileDescriptorOf(handle, m_identity);
    }
    m_afterOwnWriteKnown = openFileState(&m_afterOwnWrite);
    m_busyTimeoutMs = intValue(handle, "PRAGMA busy_timeout", busyTimeoutMs());
    sqlite3_commit_hook(handle, &FileKeeper::commitHook, this);
    // SQLite's own checkpoint, run by the keeper's hook instead, which notes what it wrote.
    m_autoCheckpointPages = intValue(handle, "PRAGMA wal_autocheckpoint", 0);
    sqlite3_wal_hook(handle, &FileKeeper::walHook, this);
    sqlite3_progress_handler(handle, kStepsPerProgressCall, &FileKeeper::progressHook, this);
    // A program left idle in the tray must notice a restore before another program opens the path and reads
    // this program's log over the restored file.
    m_watch = std::make_unique<ReplacementWatch>(m_path, [this] { look(); });
}

FileKeeper::~FileKeeper() {
    m_watch.reset();
    if (!m_connection)
        return;
    m_connection->setGuard(nullptr);
    release();
}

sqlite3* FileKeeper::handle() const {
    return m_connection && m_connection->isConnected() ? sqliteHandle(m_connection->getQtDatabase())
                                                       : nullptr;
}

void FileKeeper::release() {
    if (sqlite3* handle = this->handle()) {
        sqlite3_commit_hook(handle, nullptr, nullptr);
        sqlite3_progress_handler(handle, 0, nullptr, nullptr);
        sqlite3_wal_autocheckpoint(handle, m_autoCheckpointPages);
    }
    unregisterProgramFile(m_path, this);
    m_connection = nullptr;
}

int FileKeeper::commitHook(void* keeper) {
    auto* self = static_cast<FileKeeper*>(keeper);
    // Non-zero turns the commit of a statement outside a transaction into a rollback.
    if (self->noteReplacement())
        return 1;
    self->m_savedSinceCheckpoint = true;
    return 0;
}

int FileKeeper::walHook(void* keeper, sqlite3* handle, const char* name, int frames) {
    auto* self = static_cast<FileKeeper*>(keeper);
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

int FileKeeper::progressHook(void* keeper) {
    auto* self = static_cast<FileKeeper*>(keeper);
    if (self->m_replacement == Replacement::None)
        return 0;
    // Once replaced, the connection's -wal and -shm may be another file's: the read under way stops here.
    QStringList running;
    for (sqlite3_stmt* statement = sqlite3_next_stmt(self->handle(), nullptr); statement;
         statement = sqlite3_next_stmt(self->handle(), statement)) {
        if (sqlite3_stmt_busy(statement))
            running << QString::fromUtf8(sqlite3_sql(statement)).simplified();
    }
    qWarning().noquote() << "A read of the program stopped: the database file was replaced; SQL:"
                         << running.join(QStringLiteral(" | "));
    return 1;
}

int FileKeeper::authorizer(void*, int action, const char*, const char*, const char*, const char*) {
    // Ending a transaction is all that is left: a refused write still rolls back.
    return action == SQLITE_TRANSACTION || action == SQLITE_SAVEPOINT ? SQLITE_OK : SQLITE_DENY;
}

void FileKeeper::refuseReads() {
    sqlite3* handle = this->handle();
    if (m_readsRefused || m_replacement == Replacement::None || !handle)
        return;
    // Setting it expires every prepared statement, so one prepared earlier fails at its next step too.
    // The keeper's checkpoint and copy run no statements and are not refused.
    m_readsRefused = true;
    sqlite3_set_authorizer(handle, &FileKeeper::authorizer, nullptr);
}

bool FileKeeper::openFileState(OpenFileState* state) const {
    struct stat info {};
    if (m_fileHandle < 0 || ::fstat(m_fileHandle, &info) != 0)
        return false;
    state->identity = {quint64(info.st_dev), quint64(info.st_ino)};
    state->size = info.st_size;
    state->changedSec = info.st_ctim.tv_sec;
    state->changedNsec = info.st_ctim.tv_nsec;
    return state->identity == m_identity;
}

bool FileKeeper::notedFile(NotedFile* file) const {
    return m_fileHandle >= 0 && notedFileOf(m_fileHandle, file) && file->identity == m_identity;
}

bool FileKeeper::noteReplacement() {
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
    noteProgramFileReplaced(m_path, this);
    if (m_replacement == Replacement::File)
        qCritical().noquote() << "The database file was replaced or removed while open; the program reads "
                                 "and writes nothing more through its connection until it starts again:"
                              << m_path;
    else
        qCritical().noquote() << "The database file's write-ahead log was removed or replaced while open; "
                                 "what it holds is written back if the file is as the program left it, and "
                                 "the program reads and writes nothing more through its connection until it "
                                 "starts again:"
                              << m_path;
    return true;
}

void FileKeeper::look() {
    if (!handle() || !noteReplacement())
        return;
    ++m_looksSinceNoted;
    keep(false);
}

bool FileKeeper::replacedNow() {
    const bool replaced = noteReplacement();
    refuseReads();
    return replaced;
}

void FileKeeper::writeEnded() {
    keep(false);
}

void FileKeeper::setNotice(std::function<void()> notice) {
    m_notice = std::move(notice);
    tellOnce();
}

void FileKeeper::tellOnce() {
    // Once what became of the saves is known (kept, or why not), or after a few looks held back by a reader.
    constexpr int kLooksBeforeTelling = 5;
    const bool settled = m_replacement == Replacement::File
                             ? !m_keptCopy.isEmpty() || m_copyFailure != DbCondition::None
                             : m_writtenBack || m_writeBackRefused;
    if (m_told || !m_notice || m_replacement == Replacement::None ||
        (!settled && m_looksSinceNoted < kLooksBeforeTelling))
        return;
    m_told = true;
    m_notice();
}

bool FileKeeper::closing() {
    if (!handle())
        return false;
    if (noteReplacement())
        keep(true);
    if (copy().isMissing())
        qCritical().noquote() << "What the program saved before the database file was replaced could not be "
                                 "kept and is lost as the program closes the file:"
                              << m_path;
    const bool replaced = isReplaced();
    m_watch.reset();
    release();
    return replaced;
}

void FileKeeper::keep(bool atClose) {
    refuseReads();
    keepData(atClose);
    if (!atClose)
        tellOnce();
}

void FileKeeper::keepData(bool atClose) {
    sqlite3* handle = this->handle();
    // A checkpoint and a copy read a snapshot of their own: not inside a transaction.
    if (m_replacement == Replacement::None || !handle || !sqlite3_get_autocommit(handle))
        return;
    if (m_replacement == Replacement::WriteAheadLog) {
        writeBackRemovedLog(handle, atClose);
        return;
    }
    // The log first: whoever opens the path meanwhile must not read it over the new file. While another
    // copy decides about it, no copy either: the log at the path may be another program's once it decided.
    if (!emptyLog(handle, atClose))
        return;
    leaveSharedIndex(handle);
    if (!m_keptCopy.isEmpty() || !copyDue(handle, atClose))
        return;
    m_sinceCopyTry.start();
    // Through the connection's pages while the log at the path is still its own alone, the log included;
    // afterwards the bytes of the file it has open, which hold every save only when the log went into them.
    const bool fileBytes = m_logLeftPath;
    m_keptCopyMayLack = fileBytes && !m_logInFile;
    m_keptCopy = BackupManager::instance().keepReplacedFile(handle, m_path, fileBytes, &m_copyFailure);
    if (!m_keptCopy.isEmpty() && m_keptCopyMayLack)
        qCritical().noquote()
            << "The copy of the replaced database file may lack what the program saved last: "
               "another program took the write-ahead log at the path before the program "
               "wrote it into the file it had open, so those saves may now be in the file at "
               "the path:"
            << m_keptCopy;
}

int FileKeeper::checkpoint(sqlite3* handle, bool atClose, bool* moved, bool* allInFile) {
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

void FileKeeper::noteHeldLog(int rc, const QString& what) {
    // Once: it is tried again at every look.
    if (std::exchange(m_heldNoted, true))
        return;
    const QString wal = walPath(m_path);
    if ((rc & 0xff) == SQLITE_LOCKED)
        qWarning().noquote() << what +
                                    " is held back by an unfinished read of the program itself (an export "
                                    "or a list being read), which stops at its next row; it is tried again "
                                    "every second:"
                             << wal;
    else if (WorkerRead::count() > 0)
        qWarning().noquote() << what + " is held back by a read of the program itself on another connection "
                                       "(the day's copy, a count); it is tried again every second:"
                             << wal;
    else
        qWarning().noquote() << what + " is held back by a read on another connection to the path; it is "
                                       "tried again every second:"
                             << wal;
}

bool FileKeeper::emptyLog(sqlite3* handle, bool atClose) {
    if (m_checkpointed)
        return true;
    // One decision per old file among the copies of the program that have it open, taken by the first to
    // look and followed by every later one: a later copy can no longer tell its file's log from one another
    // program started at the path since.
    KeeperNote note(m_path);
    KeeperNote::Lock lock = note.take(false);
    if (lock == KeeperNote::Lock::Busy && atClose) {
        qWarning().noquote() << "Another copy of the program is deciding about the write-ahead log of the "
                                "replaced database file; this copy waits for its decision before it closes:"
                             << walPath(m_path);
        lock = note.take(true);
    }
    if (lock == KeeperNote::Lock::Busy) {
        if (!std::exchange(m_noteBusyNoted, true))
            qWarning().noquote()
                << "Another copy of the program is deciding about the write-ahead log of the "
                   "replaced database file; tried again at the next look:"
                << walPath(m_path);
        return false;
    }
    if (lock == KeeperNote::Lock::Unavailable && !std::exchange(m_noteFailureNoted, true))
        qCritical().noquote()
            << "The note in which the copies of the program agree about the write-ahead log "
               "of the replaced database file cannot be kept; this copy decides alone:"
            << note.path() << note.error();
    NotedFile file;
    if (lock == KeeperNote::Lock::Taken && notedFile(&file)) {
        if (const std::optional<LogNote> noted = note.find(file, m_openedAt)) {
            if (noted->fileHoldsLog)
                m_fileHoldsLog = m_logInFile = true;
            if (noted->outcome != LogNote::Outcome::Open) {
                followDecision(*noted);
                return true;
            }
        }
    }
    const LogNote::Outcome outcome = decideOnLog(handle, atClose);
    // Noted with the file as this copy left it (its modification time, where the file system gives no birth
    // time). Also what a try held back found, for the copy that decides.
    if (lock == KeeperNote::Lock::Taken && (outcome != LogNote::Outcome::Open || m_fileHoldsLog) &&
        (!notedFile(&file) || !note.write(file, LogNote{outcome, m_fileHoldsLog})))
        qCritical().noquote() << "What this copy of the program found about the write-ahead log of the "
                                 "replaced database file could not be noted for the other copies:"
                              << note.path() << note.error();
    if (outcome == LogNote::Outcome::Emptied) {
        qDebug().noquote() << "The write-ahead log was written into the replaced database file and emptied:"
                           << walPath(m_path);
        leaveSharedIndex(handle);
    }
    return true;
}

LogNote::Outcome FileKeeper::decideOnLog(sqlite3* handle, bool atClose) {
    const QString wal = walPath(m_path);
    bool moved = false;
    bool allInFile = false;
    // Gone from the path, or another file there: removed, or another program opened the file now at the path
    // and closed it, which wrote the log into that file first. The log this connection has open goes into
    // its own file, which touches nothing at the path; when it still held pages to write, no such close took
    // them.
    FileIdentity walNow;
    if (m_walKnown && (!fileIdentity(wal, walNow) || !(walNow == m_walIdentity))) {
        const int rc = checkpoint(handle, atClose, &moved, &allInFile);
        noteCheckpoint(moved, allInFile);
        if (rc == SQLITE_OK && moved) {
            m_checkpointed = true;
            m_logLeftPath = true;
            return LogNote::Outcome::Emptied;
        }
        qCritical().noquote()
            << "The write-ahead log at the path is no longer the one of the replaced database "
               "file: another program opened the file now at the path and closed it, which "
               "may have written what the program saved into it; the log there is left as "
               "it is:"
            << wal;
        return leaveLog();
    }
    // Grown or emptied since the first try, the log at the path holds pages of a program that opened the new
    // file.
    if (m_walSizeAtBusy >= 0 && QFileInfo(wal).size() != m_walSizeAtBusy) {
        qCritical().noquote() << "The write-ahead log of the replaced database file was taken on by another "
                                 "program; it is left as it is:"
                              << wal;
        return leaveLog();
    }
    // Written into the file this connection has open, which is no longer at the path; the log at the path is
    // emptied, so nothing of it is read into the file there.
    const int rc = checkpoint(handle, atClose, &moved, &allInFile);
    noteCheckpoint(moved, allInFile);
    if (rc == SQLITE_OK) {
        m_checkpointed = true;
        m_logLeftPath = true;
        m_indexDue = true;
        return LogNote::Outcome::Emptied;
    }
    if (!atClose && conditionOfCode(rc) == DbCondition::Busy) {
        if (m_walSizeAtBusy < 0)
            m_walSizeAtBusy = QFileInfo(wal).size();
        noteHeldLog(rc, QStringLiteral("Emptying the write-ahead log of the replaced database file"));
    } else {
        m_checkpointed = true;
        qCritical().noquote()
            << "The write-ahead log of the replaced database file could not be emptied; the "
               "file now at the path would read it:"
            << wal << QString::fromUtf8(sqlite3_errmsg(handle));
    }
    return LogNote::Outcome::Open;
}

void FileKeeper::noteCheckpoint(bool moved, bool allInFile) {
    // Every page this connection saved is in its file when this checkpoint wrote the log there, or when it
    // saved nothing since its last checkpoint that did. The log emptied by another program shows neither.
    if (allInFile)
        m_logInFile = m_logInFile || moved || !m_savedSinceCheckpoint;
    m_wroteIntoFile = m_wroteIntoFile || moved;
    if (allInFile && m_wroteIntoFile)
        m_fileHoldsLog = m_logInFile = true;
}

LogNote::Outcome FileKeeper::leaveLog() {
    m_checkpointed = true;
    m_logLeftPath = true;
    m_savesMayBeAtPath = true;
    return LogNote::Outcome::Left;
}

void FileKeeper::followDecision(const LogNote& decision) {
    // The log at the path may be another program's by now: neither it nor the shared index is touched,
    // and the copy comes from the old file's bytes, which hold what the first copy wrote into them.
    m_checkpointed = true;
    m_logLeftPath = true;
    m_savesMayBeAtPath = decision.outcome == LogNote::Outcome::Left;
    m_logInFile = m_logInFile || !m_savedSinceCheckpoint;
    if (decision.outcome == LogNote::Outcome::Emptied)
        qDebug().noquote() << "Another copy of the program wrote the write-ahead log at the path into the "
                              "replaced database file and emptied it; this copy leaves it as it is:"
                           << walPath(m_path);
    else
        qCritical().noquote() << "Another copy of the program left the write-ahead log at the path of the "
                                 "replaced database file to another program; this copy leaves it as it is:"
                              << walPath(m_path);
}

void FileKeeper::leaveSharedIndex(sqlite3* handle) {
    // The shared index at the path still describes the old file (its size among it) for as long as this
    // process holds it, so the next opener would not rebuild it and would read the new file cut to the old
    // one's size: damaged. Nothing of this connection reads through it any more, and the copy of the old file
    // is made from that file's own bytes once the log is emptied.
    if (!m_indexDue)
        return;
    if (!clearSharedIndexHead(handle)) {
        if (!std::exchange(m_indexHeldNoted, true))
            qWarning().noquote() << "The shared index of the replaced database file's log is held by another "
                                    "writer; it is cleared at a later look:"
                                 << m_path + QStringLiteral("-shm");
        return;
    }
    m_indexDue = false;
    qDebug().noquote()
        << "The shared index of the log at the path was cleared, so whoever opens the file now "
           "there reads it whole:"
        << m_path + QStringLiteral("-shm");
}

void FileKeeper::writeBackRemovedLog(sqlite3* handle, bool atClose) {
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
        qCritical().noquote() << QStringLiteral(
                                     "The write-ahead log the program has open is not written into "
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
    if (rc == SQLITE_OK) {
        m_writtenBack = true;
        qCritical().noquote()
            << "The database file's write-ahead log was removed alone, from a file unchanged "
               "since the program last wrote it; the log the program still had open was "
               "written into the file, which holds every save:"
            << m_path;
    } else if (!atClose && conditionOfCode(rc) == DbCondition::Busy) {
        noteHeldLog(rc, QStringLiteral("Writing the removed write-ahead log into the database file"));
    } else {
        m_writeBackRefused = true;
        qCritical().noquote() << "The removed write-ahead log could not be written into the database file:"
                              << m_path << QString::fromUtf8(sqlite3_errmsg(handle));
    }
}

bool FileKeeper::copyDue(sqlite3* handle, bool atClose) const {
    constexpr qint64 kRetryMs = 60 * 1000;
    if (!m_sinceCopyTry.isValid() || atClose || m_sinceCopyTry.elapsed() >= kRetryMs)
        return true;
    return m_copyFailure == DbCondition::DiskFull && BackupManager::instance().hasRoomToKeep(handle, m_path);
}

ReplacedFileCopy FileKeeper::copy() const {
    ReplacedFileCopy copy;
    if (m_replacement == Replacement::WriteAheadLog)
        copy.logWrittenBack = m_writtenBack;
    if (m_replacement != Replacement::File)
        return copy;
    copy.path = m_keptCopy;
    copy.folder = BackupManager::backupDirFor(m_path);
    copy.failure = m_keptCopy.isEmpty() ? m_copyFailure : DbCondition::None;
    copy.mayLackSaves = m_keptCopy.isEmpty() ? m_logLeftPath && !m_logInFile : m_keptCopyMayLack;
    copy.savesMayBeAtPath = m_savesMayBeAtPath;
    return copy;
}

} // namespace kestrovalin

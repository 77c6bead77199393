#pragma once

#include "core/idbadapter.h"

#include <QElapsedTimer>

struct sqlite3;

namespace kestrovalin {

// The SQLite library's own handle behind a Qt connection, or null when the driver gives none. Qt's driver
// links the system library we link, so the handle can be used with its functions.
sqlite3* sqliteHandle(const QSqlDatabase& db);

// Tells whether the file changed between two looks from one connection: commits of other connections
// (other processes, or this one's second connection) and rows written through this connection. Equal marks
// mean nothing was written in between; a connection without a handle gives an invalid mark.
struct FileMark {
    qint64 others = -1;
    qint64 own = -1;
    bool isValid() const { return others >= 0; }
    bool operator==(const FileMark& other) const { return others == other.others && own == other.own; }
    bool operator!=(const FileMark& other) const { return !(*this == other); }
};
FileMark fileMark(const QSqlDatabase& db);

// How long a statement of any of the program's connections waits for another connection's lock before it
// fails as busy. Tests shorten it (0 restores the normal wait); it applies to connections opened afterwards.
int busyTimeoutMs();
void setBusyTimeoutForTesting(int ms);
// The connect options of every connection the program opens: the busy wait and, for readers, a read-only
// open (which never creates a missing file).
QString connectOptions(bool readOnly);
// Tests open the program's own connection read-only, as the system does for a file the user may not write.
void setOpenReadOnlyForTesting(bool on);
// Why the program cannot write through this open connection (a read-only file, folder or medium), in the
// driver's words, with its condition in *condition; empty when it can. Another program's lock only delays
// writes and counts as writable.
QString cannotWriteReason(const QSqlDatabase& db, DbCondition* condition = nullptr);
// The same asked of the file before it is opened: SQLite would open a file the user may not write read-only
// and leave read-only side files beside it, which would go on refusing writes after the file is fixed.
QString cannotWriteReason(const QString& path);

// Which file a path names: its device and inode.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
};

// The file a connection has open as the system has it (also once it is no longer at its path): device,
// inode, size and the time of its last change, which every write moves and no copy tool can set back.
struct OpenFileState {
    FileIdentity identity;
    qint64 size = -1;
    qint64 changedSec = 0;
    qint64 changedNsec = 0;
    bool operator==(const OpenFileState& other) const {
        return identity == other.identity && size == other.size && changedSec == other.changedSec &&
               changedNsec == other.changedNsec;
    }
    bool operator!=(const OpenFileState& other) const { return !(*this == other); }
};

// While alive, a worker connection of the program (the day's copy, a count on its way) has the database
// file open: a write-ahead log it holds back is held by the program itself.
class WorkerRead {
public:
    WorkerRead();
    ~WorkerRead();
    WorkerRead(const WorkerRead&) = delete;
    WorkerRead& operator=(const WorkerRead&) = delete;
};

// Whether the path still names the files the program's connection to it has open (the database file and its
// write-ahead log), and no replacement was found meanwhile; true when the program has no connection there. A
// worker connection asks it after it opened the path and before its first statement, and stops when it is
// false: it would read, or lay its log over, another file.
bool isTheProgramsFile(const QString& path);

class SQLiteAdapter : public IDbAdapter {
public:
    SQLiteAdapter();
    ~SQLiteAdapter() override;
    SQLiteAdapter(const SQLiteAdapter&) = delete;
    SQLiteAdapter& operator=(const SQLiteAdapter&) = delete;

    bool connect(const QString& path) override;
    void disconnect() override;
    bool isConnected() const override;
    bool execute(const QString& sql, const QList<QVariant>& params = {}) override;
    QSqlQuery query(const QString& sql, const QList<QVariant>& params = {}) override;
    QSqlQuery readOnce(const QString& sql, const QList<QVariant>& params = {}) override;
    bool transaction() override;
    bool commit() override;
    bool rollback() override;
    QSqlError lastError() const override;
    QSqlDatabase getQtDatabase() const override;
    bool inTransaction() const override { return m_inTransaction; }
    DbCondition lastFailureCondition() const override { return m_failure; }
    void clearFailureCondition() override;
    // A file renamed over the path (or the path removed) leaves this connection on the old file, with its
    // write-ahead log still at the path, where the next connection to the path would lay it over the new
    // file. So the log is first written into the old file, which empties the one at the path, and the old
    // file's bytes are then copied into backup/; a checkpoint held back by a reader and a copy that cannot
    // be written are tried again (see keepReplacedFile). Meanwhile a statement of this connection that holds
    // the log back (an export, a long list read) stops at its next row. A log removed alone, from a file
    // unchanged since this connection last wrote it, is written into that file at once, so every save stays
    // at the path. Any other log removed or replaced under the connection (a restore copied over the same
    // file) is only noted: the file at the path is the one restored, and closing must not write the log
    // into it. Either way every write is refused from then on.
    void lookForReplacement() override;
    bool isReplaced() const override { return m_replacement != Replacement::None; }
    ReplacedFileCopy replacedFileCopy() const override;
    QString failureText(const QSqlQuery& q) const override;
    void leaveFileAsFound() override { m_leaveAsFound = true; }

    QString connectionName() const { return m_connectionName; }

private:
    bool run(QSqlQuery& q, const QString& sql, const QList<QVariant>& params);
    QSqlQuery select(const QString& sql, const QList<QVariant>& params, bool forwardOnly);
    // Remembers the database condition behind a failure that just happened on the connection.
    void noteFailure();
    enum class Replacement { None, File, WriteAheadLog };
    // Looks at the path and its write-ahead log and notes a replacement, for good; true once one is noted.
    // Only looks, notes and logs, so that the commit hook may call it.
    bool noteReplacement();
    // What is done about a replacement, once no transaction is open: for a replaced file the checkpoint and
    // the copy, for a log removed alone the write-back. A checkpoint held back by a reader is tried again at
    // every look, without waiting, and at close; a copy that failed, once a minute, as soon as the backup
    // folder has room for it, and at close.
    void keepReplacedFile(bool atClose = false);
    void emptyLog(sqlite3* handle, bool atClose);
    void writeBackRemovedLog(sqlite3* handle, bool atClose);
    // A TRUNCATE checkpoint of the connection, waiting for no reader except at close. *moved tells whether
    // the file the connection has open changed meanwhile, that is whether the checkpoint wrote into it;
    // *allInFile whether every page of the log is in that file afterwards.
    int checkpoint(sqlite3* handle, bool atClose, bool* moved, bool* allInFile);
    // Says in the log who holds the log back: a statement of this connection or another connection.
    void noteHeldLog(int rc, const QString& what);
    bool copyDue(sqlite3* handle, bool atClose) const;
    // The file the connection has open, read through its own file handle; false when it cannot be read.
    bool openFileState(OpenFileState* state) const;
    static int commitHook(void* adapter);
    static int walHook(void* adapter, sqlite3* handle, const char* name, int frames);
    static int progressHook(void* adapter);

    QSqlDatabase m_db;
    QString m_connectionName;
    // Why the last connect failed; lastError() reports it until the next connect.
    QSqlError m_openError;
    // Why the last BEGIN failed; QSqlDatabase keeps only the errors of its own calls.
    QSqlError m_beginError;
    bool m_inTransaction = false;
    DbCondition m_failure = DbCondition::None;
    QString m_path;
    int m_busyTimeoutMs = 0;
    FileIdentity m_identity;
    bool m_identityKnown = false;
    FileIdentity m_walIdentity;
    bool m_walKnown = false;
    // The connection's own file handle on the database file, once found to be that file.
    int m_fileHandle = -1;
    // The file as this connection left it after its last checkpoint (or as it found it at the open).
    OpenFileState m_afterOwnWrite;
    bool m_afterOwnWriteKnown = false;
    // This connection committed since its last checkpoint that wrote the whole log into the file.
    bool m_savedSinceCheckpoint = false;
    // Every how many pages of the log SQLite's own checkpoint runs (the connection's hook runs it instead).
    int m_autoCheckpointPages = 0;
    Replacement m_replacement = Replacement::None;
    // A log lay beside the file when it was opened: another copy's, perhaps of a killed one.
    bool m_logFoundAtOpen = false;
    bool m_leaveAsFound = false;
    // The log at the path needs no more emptying: emptied, or given up.
    bool m_checkpointed = false;
    // The log at the path is no longer this connection's alone: emptied by this connection or taken on by
    // another program. A copy through the connection's pages would read whatever it holds now.
    bool m_logLeftPath = false;
    // Every page this connection saved is in the file it has open, which then holds all the program saved.
    bool m_logInFile = false;
    // A statement of this connection keeps the log from being emptied: it stops at its next row.
    bool m_ownReadHoldsLog = false;
    // A log removed alone: written back into the file (once), or refused for good.
    bool m_writtenBack = false;
    bool m_writeBackRefused = false;
    QElapsedTimer m_sinceCopyTry;
    DbCondition m_copyFailure = DbCondition::None;
    // The size of the log when its checkpoint was first held back: grown or shrunk by then, it holds
    // another program's pages.
    qint64 m_walSizeAtBusy = -1;
    QString m_keptCopy;
    bool m_keptCopyMayLack = false;
};

} // namespace kestrovalin

#pragma once

#include "core/keepernote.h"
#include "core/sqliteadapter.h"

#include <QElapsedTimer>

#include <functional>
#include <memory>

struct sqlite3;

namespace kestrovalin {

class ReplacementWatch;

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

// Keeps the file a connection has open while it is replaced under it: notices it (a look at the path before
// every BEGIN and COMMIT, in the commit hook, and, while the program sits idle, by a watch on the folder and
// a look every second) and keeps what the connection holds, retrying what cannot be done at once.
//
// A file renamed over the path (or the path removed) leaves the connection on the old file, with its
// write-ahead log still at the path, where the next connection to the path would lay it over the new file.
// So the log is first written into the old file, which empties the one at the path, the shared index at the
// path is cleared (another opener would otherwise take the old file's size from it), and the old file's bytes
// are then copied into backup/ (see BackupManager::keepReplacedFile). Copies of the program that had the
// same file open agree on the log through a note beside it: the first to look empties it (or leaves it to
// another program that took it on), every later one follows and touches nothing at the path. A checkpoint
// held back by a reader is tried again at every look, without waiting. A copy that cannot be written is tried
// again once a minute, as soon as the backup folder has room, and at close. A copy is never said to hold
// saves that another program took from the log before the connection wrote it into its file.
//
// A log removed alone, from a file unchanged since the connection last wrote it, is written into that file at
// once, so every save stays at the path. Any other log removed or replaced under the connection (a restore
// copied over the same file) is only noted: the file at the path is the one restored, and closing must not
// write the log into it. Either way the connection writes and reads nothing more from then on: its -wal and
// -shm are shared by path with whoever opens the new file. An authorizer refuses every statement (setting it
// expires those prepared earlier), and a statement under way stops at its next row; the keeper's checkpoint
// and copy run no statements. Whoever asked is told once, when the copy is made or failed (or the log was
// written back), or after a few looks held back by a reader.
//
// The database manager keeps the program's connection so; a second copy of the program and tests keep
// theirs the same way. Made right after the connection opened; it lets go of the connection when that closes
// or when it goes, whichever comes first.
class FileKeeper : public FileGuard {
public:
    explicit FileKeeper(SQLiteAdapter& connection);
    ~FileKeeper() override;
    FileKeeper(const FileKeeper&) = delete;
    FileKeeper& operator=(const FileKeeper&) = delete;

    // Looks whether the file was replaced and, when it was, does what is due. Cheap when it was not: a look
    // at the path.
    void look();

    bool replacedNow() override;
    bool isReplaced() const override { return m_replacement != Replacement::None; }
    void writeEnded() override;
    bool closing() override;
    ReplacedFileCopy copy() const override;
    // Called once a replacement was noticed, from inside whatever the connection is doing (a read, a write,
    // a look): queue what it shows. Given after the replacement was noticed, it is called at once.
    void setNotice(std::function<void()> notice);

private:
    enum class Replacement { None, File, WriteAheadLog };
    // Looks at the path and its write-ahead log and notes a replacement, for good; true once one is noted.
    // Only looks, notes and logs, so that the commit hook may call it.
    bool noteReplacement();
    // What is done about a replacement, once no transaction is open: for a replaced file the checkpoint and
    // the copy, for a log removed alone the write-back.
    void keep(bool atClose);
    void keepData(bool atClose);
    // From now on the connection runs no statement but the end of a transaction.
    void refuseReads();
    void tellOnce();
    // Agrees with the other copies of the program on the log at the path and empties it when this copy is
    // the first to decide and it is still the old file's log. False while another copy is deciding: tried
    // again at the next look.
    bool emptyLog(sqlite3* handle, bool atClose);
    // This copy's own decision: Open while a reader holds the log back or when it cannot be emptied.
    LogNote::Outcome decideOnLog(sqlite3* handle, bool atClose);
    LogNote::Outcome leaveLog();
    void followDecision(const LogNote& decision);
    // Notes what a checkpoint since the replacement wrote into the file the connection has open.
    void noteCheckpoint(bool moved, bool allInFile);
    // Once the log at the path is emptied: leaves the shared index there for whoever opens the new file to
    // rebuild; tried again at every look while another program writes.
    void leaveSharedIndex(sqlite3* handle);
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
    bool notedFile(NotedFile* file) const;
    sqlite3* handle() const;
    // Lets go of the connection: its hooks and the program's record of the file.
    void release();
    static int commitHook(void* keeper);
    static int walHook(void* keeper, sqlite3* handle, const char* name, int frames);
    static int progressHook(void* keeper);
    static int authorizer(void*, int action, const char*, const char*, const char*, const char*);

    SQLiteAdapter* m_connection;
    QString m_path;
    int m_busyTimeoutMs = 0;
    FileIdentity m_identity;
    bool m_identityKnown = false;
    // Before the file was found at the path: only what the copies noted about it since then is about this
    // replacement of it.
    BootMoment m_openedAt;
    FileIdentity m_walIdentity;
    bool m_walKnown = false;
    // The connection's own file handle on the database file, once found to be that file.
    int m_fileHandle = -1;
    // The file as this connection left it after its last checkpoint (or as it found it at the open).
    OpenFileState m_afterOwnWrite;
    bool m_afterOwnWriteKnown = false;
    // This connection committed since its last checkpoint that wrote the whole log into the file.
    bool m_savedSinceCheckpoint = false;
    // Every how many pages of the log SQLite's own checkpoint runs (the keeper's hook runs it instead).
    int m_autoCheckpointPages = 0;
    Replacement m_replacement = Replacement::None;
    // The log at the path needs no more emptying: emptied, or given up.
    bool m_checkpointed = false;
    // The log at the path is no longer this connection's alone: emptied by this connection or taken on by
    // another program. A copy through the connection's pages would read whatever it holds now.
    bool m_logLeftPath = false;
    // Every page this connection saved is in the file it has open, which then holds all the program saved.
    bool m_logInFile = false;
    // A checkpoint since the replacement wrote into the file; one of this or another copy left every page
    // of the log there.
    bool m_wroteIntoFile = false;
    bool m_fileHoldsLog = false;
    // Another program took on the log at the path while it held the old file's pages: what the program
    // saved may be in the file now at the path as well.
    bool m_savesMayBeAtPath = false;
    // Another copy deciding about the log, or a note that cannot be kept, was said once.
    bool m_noteBusyNoted = false;
    bool m_noteFailureNoted = false;
    bool m_readsRefused = false;
    // The log at the path was emptied by this connection and the shared index there is not yet cleared.
    bool m_indexDue = false;
    bool m_indexHeldNoted = false;
    // Who holds the log back was said once.
    bool m_heldNoted = false;
    int m_looksSinceNoted = 0;
    std::function<void()> m_notice;
    bool m_told = false;
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
    std::unique_ptr<ReplacementWatch> m_watch;
};

} // namespace kestrovalin

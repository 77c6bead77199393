#pragma once

#include "core/idbadapter.h"

#include <QSqlDatabase>
#include <QString>

#include <atomic>

struct sqlite3;

namespace kestrovalin {

// What every connection of the program shares, whoever opens it (the adapter, the keeper of its file, the
// backup and the worker reads): the library handle, the connect options and the file the program has open.

// The SQLite library's own handle behind a Qt connection, or null when the driver gives none. Qt's driver
// links the system library we link, so the handle can be used with its functions.
sqlite3* sqliteHandle(const QSqlDatabase& db);

// The database condition behind an SQLite result code; None for a code without one.
DbCondition conditionOfCode(int code);

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
// Whether the file changed between seen, taken as a list's rows were read, and now. A mark that cannot be
// read (every statement refused after a replacement) counts as a change from one that could: the rows read
// before are no longer known to be the file's. A mark never taken, or taken when it could not be read, is no
// change; whoever reads again on a mark that cannot be read keeps it as seen, so the refusal is met once.
bool markMoved(const FileMark& seen, const FileMark& now);

// How long a statement of any of the program's connections waits for another connection's lock before it
// fails as busy. Tests shorten it (0 restores the normal wait); it applies to connections opened afterwards.
int busyTimeoutMs();
void setBusyTimeoutForTesting(int ms);
// The connect options of every connection the program opens: the busy wait and, for readers, a read-only
// open (which never creates a missing file).
QString connectOptions(bool readOnly);
// Tests open the program's own connection read-only, as the system does for a file the user may not write.
void setOpenReadOnlyForTesting(bool on);
bool openReadOnlyForTesting();
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
// Device and inode the path names now; false when it names nothing.
bool fileIdentity(const QString& path, FileIdentity& identity);
QString walPath(const QString& path);

// The files the program's own connection to a path opened (the database file and its write-ahead log, when
// there was one), for the worker connections to compare with: the first keeper of a path registers them,
// notes a replacement it finds and lets go at close. owner tells the keepers apart.
void registerProgramFile(const QString& path, const void* owner, const FileIdentity& file,
                         const FileIdentity* wal);
void noteProgramFileReplaced(const QString& path, const void* owner);
void unregisterProgramFile(const QString& path, const void* owner);

// Whether the path still names the files the program's connection to it has open (the database file and its
// write-ahead log), and no replacement was found meanwhile; true when the program has no connection there. A
// worker connection asks it after it opened the path and before its first statement, and stops when it is
// false: it would read, or lay its log over, another file.
bool isTheProgramsFile(const QString& path);

// While alive, a worker connection's statement under way stops at its next rows once a replacement is noted
// (the pages it would go on reading may be another file's), or once cancelled is set: a read no
// longer wanted, which sqlite3_interrupt() misses when it lands just before a statement starts.
class WorkerStop {
public:
    WorkerStop(sqlite3* handle, const std::atomic<bool>* cancelled);
    ~WorkerStop();
    WorkerStop(const WorkerStop&) = delete;
    WorkerStop& operator=(const WorkerStop&) = delete;

private:
    static int stopNow(void* self);
    sqlite3* m_handle;
    quintptr m_replacements;
    const std::atomic<bool>* m_cancelled;
};

// While alive, a worker connection of the program (the day's copy, a count on its way) has the database
// file open: a write-ahead log it holds back is held by the program itself.
class WorkerRead {
public:
    WorkerRead();
    ~WorkerRead();
    WorkerRead(const WorkerRead&) = delete;
    WorkerRead& operator=(const WorkerRead&) = delete;
    // How many are alive now.
    static int count();
};

} // namespace kestrovalin

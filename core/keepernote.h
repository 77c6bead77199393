#pragma once

#include "core/sqliteconnection.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace kestrovalin {

// An old file as the copies of the program name it in their note: device, inode and birth time, which no
// link, unlink, rename or change of mode of any of its names moves, nor any write, and which a later file
// that takes its inode does not share. Where the file system gives no birth time, size and modification time
// instead.
struct NotedFile {
    FileIdentity identity;
    bool hasBirth = false;
    qint64 bornSec = 0;
    qint64 bornNsec = 0;
    qint64 size = -1;
    qint64 modifiedSec = 0;
    qint64 modifiedNsec = 0;
};

// The file a descriptor has open; false when it cannot be read.
bool notedFileOf(int descriptor, NotedFile* file);

// A moment that every process on this computer reads alike and nobody sets: the boot (empty when unknown) and
// the time since it.
struct BootMoment {
    QByteArray boot;
    qint64 nsec = 0;
};
BootMoment bootMomentNow();

// What the copies of the program that had a replaced file open noted about the write-ahead log at its path,
// for every later copy of the same old file: nothing decided yet, emptied (written into the old file by the
// first copy to decide), or left to another program that took it on. fileHoldsLog: a checkpoint wrote every
// page the log held into the old file, which so holds every copy's saves.
struct LogNote {
    enum class Outcome { Open, Emptied, Left };
    Outcome outcome = Outcome::Open;
    bool fileHoldsLog = false;
};

// The note beside the database file in which the copies of the program that had one file open agree about
// the write-ahead log at the path once that file was replaced under them: the first copy to decide writes
// what it did, every later copy of the same old file follows it. Read and written only under an exclusive
// lock on the note, held while the log is emptied and the shared index cleared. flock, not a record lock of
// fcntl: those belong to the process and go when any of its descriptors of the file closes.
class KeeperNote {
public:
    explicit KeeperNote(const QString& databasePath);
    ~KeeperNote();
    KeeperNote(const KeeperNote&) = delete;
    KeeperNote& operator=(const KeeperNote&) = delete;

    enum class Lock { Taken, Busy, Unavailable };
    // Waits for another copy holding it only with wait.
    Lock take(bool wait);

    // What was noted about that old file since a copy opened it; nothing for another file, also one that took
    // the inode of a file gone since, nor for the same file noted before it was put back at the path and
    // opened again. An entry of an earlier version of the program (named by change time) matches nothing.
    std::optional<LogNote> find(const NotedFile& file, const BootMoment& opened) const;
    bool write(const NotedFile& file, const LogNote& decision);

    QString path() const { return m_path; }
    QString error() const { return m_error; }

private:
    Lock fail();
    QList<QByteArray> lines() const;

    QString m_path;
    int m_descriptor = -1;
    QString m_error;
};

} // namespace kestrovalin

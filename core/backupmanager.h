#pragma once

#include "core/idbadapter.h"

#include <QDate>
#include <QString>

#include <functional>

struct sqlite3;

namespace kestrovalin {

// Makes at most one copy of the database a day into the folder "backup" beside the program and keeps
// the ten newest copies. Used only at start-up, from a worker thread (BackgroundBackup); every call opens
// connections of its own, so it may run on any thread.
class BackupManager {
public:
    static BackupManager& instance();

    // *databaseDamaged, when given, tells whether the copy failed because the database file's pages are
    // damaged; such a copy is not kept, so it never pushes a sound one out.
    bool backupDatabase(bool* databaseDamaged = nullptr);
    bool hasBackupForToday();
    bool hasBackupForYesterday();
    // Copies a database file through SQLite as one consistent snapshot, so the copy also holds what is still
    // in the write-ahead log and nothing uncommitted, while the program goes on writing. The copy counts only
    // once SQLite's page check finds it sound.
    bool copyFile(const QString& sourcePath, const QString& destinationPath, bool* databaseDamaged = nullptr);
    // Copies the file a connection has open after it was replaced under it (renamed over or removed at its
    // path) into the backup folder beside the data folder, as "kestrovalin_replaced_yyyyMMdd_HHmmss.db" (or
    // "..._2.db" and on where another copy of the program kept one in the same second, which stays), none of
    // the program's own copies. With fileBytes (the log at the path is no longer the
    // connection's alone: it wrote it into the file, or another program took it on) the file's bytes are read
    // through the connection's own file handle: the log at the path may by then belong to the new file, and a
    // read through the connection would lay its pages over the old one. Otherwise SQLite copies the pages,
    // log included. The copy's path; empty when it failed (logged), with why in *failure: DiskFull, ReadOnly
    // or FileError for the backup folder, Damaged for a copy written whole that failed its check.
    QString keepReplacedFile(sqlite3* connection, const QString& databasePath, bool fileBytes,
                             DbCondition* failure);
    // Whether the backup folder now has room for such a copy of the file the connection has open.
    bool hasRoomToKeep(sqlite3* connection, const QString& databasePath) const;
    // Deletes the oldest of the program's own copies beyond keep; a copy that holds the pharmacy's rows is
    // never deleted to make room for copies of an empty file, so the folder may then hold one more.
    void cleanupOldBackups(int keep);
    // The path of the newest of the program's own copies; empty when there is none.
    QString newestBackup() const;
    // The newest of them that holds the pharmacy's rows and, with checkPages, passes SQLite's page check
    // (slow on a big file: not on the GUI thread); empty when none does.
    QString newestBackupWithData(bool checkPages) const;
    // Removes the unfinished copies of runs that were killed (a copy another program is writing stays) and
    // the side files whose copy is gone.
    void removeLeftoverCopies();

    QString getBackupDir() const;
    // The backup folder beside the data folder that holds the database file.
    static QString backupDirFor(const QString& databasePath);
    QString getDatabasePath() const;
    QString generateBackupFileName() const;

    // Tests point the program folder at a temporary one; an empty text restores the program's own.
    static void setProgramDirForTesting(const QString& dir);
    // Copies that many pages per step and calls the function (on the copying thread) between steps; 0 and
    // an empty function restore the normal copy.
    static void setCopyStepForTesting(int pages, std::function<void()> afterEachStep);
    // Hands each copy step's result to the function (on the copying thread) and goes on with its answer, so a
    // test can have a step answer as a busy or broken file would; an empty function restores the normal copy.
    static void setStepResultForTesting(std::function<int(int)> answer);
    // The benchmark times the copy without the page check too.
    static void setPageCheckForTesting(bool on);

    BackupManager(const BackupManager&) = delete;
    BackupManager& operator=(const BackupManager&) = delete;

private:
    BackupManager() = default;
    ~BackupManager() = default;

    bool hasBackupFor(const QDate& day) const;
};

} // namespace kestrovalin

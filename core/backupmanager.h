#pragma once

#include <QDate>
#include <QString>

namespace kestrovalin {

// Makes at most one copy of the database a day into the folder "backup" beside the program and keeps
// the ten newest copies. Used only at start-up.
class BackupManager {
public:
    static BackupManager& instance();

    bool backupDatabase();
    bool hasBackupForToday();
    bool hasBackupForYesterday();
    // Copies a database file through SQLite, so the copy also holds what is still in the write-ahead log.
    bool copyFile(const QString& sourcePath, const QString& destinationPath);
    void cleanupOldBackups(int keep);

    QString getBackupDir() const;
    QString getDatabasePath() const;
    QString generateBackupFileName() const;

    // Tests point the program folder at a temporary one; an empty text restores the program's own.
    static void setProgramDirForTesting(const QString& dir);

    BackupManager(const BackupManager&) = delete;
    BackupManager& operator=(const BackupManager&) = delete;

private:
    BackupManager() = default;
    ~BackupManager() = default;

    bool hasBackupFor(const QDate& day) const;
};

} // namespace kestrovalin

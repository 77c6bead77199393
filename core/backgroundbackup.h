#pragma once

#include <memory>

class QThread;

namespace kestrovalin {

// The day's backup on a worker thread, so the sign-in comes up while the copy is made. The worker uses
// connections of its own (BackupManager opens them on its thread); whoever owns this object must let it
// finish before the program closes its database, which the destructor and wait() do.
class BackgroundBackup {
public:
    BackgroundBackup();
    ~BackgroundBackup();
    BackgroundBackup(const BackgroundBackup&) = delete;
    BackgroundBackup& operator=(const BackgroundBackup&) = delete;

    // Starts BackupManager::backupDatabase() and logs its outcome; waits first for a copy still running.
    void start();
    bool isRunning() const;
    // Blocks until a running copy has finished; true when the last copy succeeded.
    bool wait();

private:
    std::unique_ptr<QThread> m_thread;
    bool m_succeeded = false;
};

} // namespace kestrovalin

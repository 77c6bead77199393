#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
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

    // Called once on the thread that made this object, as soon as the copy has found the database file
    // damaged (from its event loop, or from wait()), with the newest sound copy that holds the pharmacy's
    // rows (empty when there is none).
    void setDamageReport(std::function<void(const QString& restoreFrom)> report);

    // Starts BackupManager::backupDatabase() and logs its outcome; waits first for a copy still running.
    void start();
    bool isRunning() const;
    // Blocks until a running copy has finished; true when the last copy succeeded.
    bool wait();

private:
    void reportDamage();

    std::unique_ptr<QThread> m_thread;
    bool m_succeeded = false;
    std::atomic<bool> m_damageFound{false};
    QString m_restoreFrom; // written by the worker before m_damageFound
    std::function<void(const QString&)> m_report;
    QObject m_receiver; // queued calls to it are dropped with this object
};

} // namespace kestrovalin

#include "core/backgroundbackup.h"

#include "core/backupmanager.h"

#include <QDebug>
#include <QThread>

namespace kestrovalin {

BackgroundBackup::BackgroundBackup() = default;

BackgroundBackup::~BackgroundBackup() {
    wait();
}

void BackgroundBackup::start() {
    wait();
    m_succeeded = false;
    m_thread.reset(QThread::create([this] {
        m_succeeded = BackupManager::instance().backupDatabase();
        if (m_succeeded)
            qDebug() << "Automatic backup completed successfully.";
        else
            qWarning() << "Automatic backup failed.";
    }));
    m_thread->setObjectName(QStringLiteral("backup"));
    m_thread->start(QThread::LowPriority);
}

bool BackgroundBackup::isRunning() const {
    return m_thread && !m_thread->isFinished();
}

bool BackgroundBackup::wait() {
    if (!m_thread)
        return m_succeeded;
    if (!m_thread->isFinished())
        qDebug() << "Waiting for the database backup to finish...";
    m_thread->wait();
    m_thread.reset();
    return m_succeeded;
}

} // namespace kestrovalin

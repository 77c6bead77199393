#include "core/backgroundbackup.h"

#include "core/backupmanager.h"

#include <QDebug>
#include <QThread>

namespace kestrovalin {

BackgroundBackup::BackgroundBackup() = default;

BackgroundBackup::~BackgroundBackup() {
    m_report = nullptr; // its owner may be half gone
    wait();
}

void BackgroundBackup::setDamageReport(std::function<void(const QString&)> report) {
    m_report = std::move(report);
}

void BackgroundBackup::start() {
    wait();
    m_succeeded = false;
    m_thread.reset(QThread::create([this] {
        BackupManager& backups = BackupManager::instance();
        bool damaged = false;
        m_succeeded = backups.backupDatabase(&damaged);
        if (m_succeeded)
            qDebug() << "Automatic backup completed successfully.";
        else
            qWarning() << "Automatic backup failed.";
        if (!damaged)
            return;
        m_restoreFrom = backups.newestBackupWithData(true);
        qCritical().noquote() << "The database file is damaged; newest sound backup with data:"
                              << (m_restoreFrom.isEmpty() ? QStringLiteral("none") : m_restoreFrom);
        m_damageFound = true;
        QMetaObject::invokeMethod(
            &m_receiver, [this] { reportDamage(); }, Qt::QueuedConnection);
    }));
    m_thread->setObjectName(QStringLiteral("backup"));
    m_thread->start(QThread::LowPriority);
}

void BackgroundBackup::reportDamage() {
    if (m_damageFound.exchange(false) && m_report)
        m_report(m_restoreFrom);
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
    // A program that ends before its event loop came to the report still tells it.
    reportDamage();
    return m_succeeded;
}

} // namespace kestrovalin

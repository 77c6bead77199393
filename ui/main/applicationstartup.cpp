#include "ui/main/applicationstartup.h"

#include "core/backupmanager.h"
#include "core/databasemanager.h"
#include "core/usersession.h"
#include "ui/login/logindialog.h"
#include "ui/main/mainwindow.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace kestrovalin {

ApplicationStartup::ApplicationStartup(const QString& programDir) : m_programDir(programDir) {}

ApplicationStartup::~ApplicationStartup() {
    shutdown();
}

QString ApplicationStartup::databasePath() const {
    return m_programDir + QStringLiteral("/data/kestrovalin.db");
}

void ApplicationStartup::prepareDatabase() {
    const QDir programDir(m_programDir);
    programDir.mkpath(QStringLiteral("data"));

    DatabaseManager& db = DatabaseManager::instance();
    qDebug().noquote() << "Initializing SQLite database at:" << databasePath();
    if (!db.initialize(databasePath()))
        qCritical() << "CRITICAL: Database initialization failed!";
    db.removeForeignKeys();

    BackupManager& backups = BackupManager::instance();
    if (!backups.hasBackupForToday()) {
        qDebug() << "No backup found for today, creating backup...";
        if (backups.backupDatabase())
            qDebug() << "Automatic backup completed successfully.";
        else
            qWarning() << "Automatic backup failed.";
    }

    // Developer scripts in a docs folder beside the program's folder.
    const QString schemaScript = programDir.absoluteFilePath(QStringLiteral("../docs/database_schema.sql"));
    if (QFileInfo::exists(schemaScript) && !db.initializeSchema(schemaScript))
        qWarning() << "Database schema initialization failed.";
    db.migrateSchema();
    const QString testData = programDir.absoluteFilePath(QStringLiteral("../docs/test_data.sql"));
    if (QFileInfo::exists(testData)) {
        qDebug().noquote() << "Importing test data from:" << testData;
        db.importTestData(testData);
    }
}

bool ApplicationStartup::signIn() {
    LoginDialog login;
    if (login.exec() != QDialog::Accepted)
        return false;
    UserSession::instance().setCurrentUser(login.getLoggedInUser());
    return true;
}

MainWindow* ApplicationStartup::openMainWindow() {
    m_mainWindow = std::make_unique<MainWindow>();
    m_mainWindow->show();
    m_mainWindow->showExpiryWarningOnStartup();
    m_mainWindow->showQualificationWarningOnStartup();
    m_mainWindow->showTempHumidityReminderOnStartup();
    return m_mainWindow.get();
}

void ApplicationStartup::shutdown() {
    m_mainWindow.reset();
    DatabaseManager::instance().shutdown();
}

int ApplicationStartup::run() {
    prepareDatabase();
    if (!signIn()) {
        shutdown();
        return 0;
    }
    openMainWindow();
    const int exitCode = QApplication::exec();
    shutdown();
    return exitCode;
}

} // namespace kestrovalin

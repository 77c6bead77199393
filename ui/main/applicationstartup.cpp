#include "ui/main/applicationstartup.h"

#include "core/backgroundbackup.h"
#include "core/backupmanager.h"
#include "core/databasemanager.h"
#include "core/networkfilesystem.h"
#include "core/usersession.h"
#include "ui/common/prompts.h"
#include "ui/common/replacednotice.h"
#include "ui/login/logindialog.h"
#include "ui/main/mainwindow.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QTranslator>

namespace kestrovalin {

namespace {

// Qt's texts for what people see; the database and file errors Qt words for us end up in the log, which
// stays English.
class QtTextsTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override {
        // Every SQL context, but only the file contexts by their whole name: QFileDialog and
        // QFileSystemModel are what people see.
        static const char* const sqlPrefixes[] = {"QSQL", "QSql"};
        static const char* const logContexts[] = {"QIODevice", "QFile",     "QFileDevice",
                                                  "QLockFile", "QSaveFile", "QProcess"};
        for (const char* prefix : sqlPrefixes) {
            if (qstrncmp(context, prefix, qstrlen(prefix)) == 0)
                return QString();
        }
        for (const char* name : logContexts) {
            if (qstrcmp(context, name) == 0)
                return QString();
        }
        return QTranslator::translate(context, sourceText, disambiguation, n);
    }
};

} // namespace

ApplicationStartup::ApplicationStartup(const QString& programDir)
    : m_programDir(programDir), m_backup(std::make_unique<BackgroundBackup>()) {
    m_backup->setDamageReport([this](const QString& restoreFrom) { tellDatabaseDamaged(restoreFrom); });
}

ApplicationStartup::~ApplicationStartup() {
    shutdown();
}

QString ApplicationStartup::databasePath() const {
    return m_programDir + QStringLiteral("/data/kestrovalin.db");
}

bool ApplicationStartup::prepareDatabase() {
    const QDir programDir(m_programDir);
    programDir.mkpath(QStringLiteral("data"));
    warnOfNetworkShare(programDir.absoluteFilePath(QStringLiteral("data")));

    // Without its database the program can do nothing; a sign-in could only answer that the password is
    // wrong.
    const auto refuse = [this](const QString& reason) {
        qCritical() << "CRITICAL: Database initialization failed!";
        Prompts::critical(nullptr, QStringLiteral("错误"),
                          QStringLiteral("无法打开数据库文件：\n%1\n\n原因：%2\n\n程序将退出。")
                              .arg(QDir::toNativeSeparators(databasePath()), reason));
        return false;
    };
    BackupManager& backups = BackupManager::instance();
    // An empty file where the program has made copies lost its data (a failed copy, a full disk); started
    // as a new database, its empty copies would push the good ones out.
    const QFileInfo file(databasePath());
    if (file.exists() && file.size() == 0 && !backups.newestBackup().isEmpty()) {
        // The copy to restore from is a sound one with the pharmacy's rows, not the copy of an earlier empty
        // start; the page check may hold up this start, which ends here anyway.
        const QString withData = backups.newestBackupWithData(true);
        qCritical().noquote()
            << "The database file is empty while backups exist; newest sound backup with data:"
            << (withData.isEmpty() ? QStringLiteral("none") : withData);
        const QString reason = QStringLiteral("文件为空（0 字节），而本程序已有备份");
        return refuse(reason + (withData.isEmpty() ? QStringLiteral("，但没有一个完好且含有药店数据的备份。")
                                                   : QStringLiteral("。最新的完好且含数据的备份：\n%1")
                                                         .arg(QDir::toNativeSeparators(withData))));
    }

    DatabaseManager& db = DatabaseManager::instance();
    qDebug().noquote() << "Initializing SQLite database at:" << databasePath();
    if (!db.initialize(databasePath()))
        return refuse(db.openError());
    db.removeForeignKeys();
    // From here on, the sign-in included.
    watchForReplacedFile();

    backups.removeLeftoverCopies();
    if (!backups.hasBackupForToday()) {
        qDebug() << "No backup found for today, creating backup...";
        m_backup->start();
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
    return true;
}

void ApplicationStartup::warnOfNetworkShare(const QString& dataFolder) {
    qint64 type = 0;
    const QString name = networkFileSystemOf(dataFolder, &type);
    m_networkShare = name;
    if (name.isEmpty())
        return;
    qWarning().noquote() << "The data folder" << dataFolder << "lies on a network file system:" << name
                         << QStringLiteral("(statfs type 0x%1);").arg(quint32(type), 0, 16)
                         << "write-ahead-log mode works only among copies on one computer.";
    Prompts::warning(
        nullptr, QStringLiteral("数据文件夹在网络共享上"),
        QStringLiteral("数据文件夹位于网络共享（%1）上：\n%2\n\n"
                       "数据文件夹必须放在运行本程序的这台电脑的磁盘上：几台电脑通过网络共享"
                       "同时打开同一个数据文件，可能损坏数据。同一台电脑上可以同时运行两个本程序。"
                       "\n\n请退出程序，把程序连同 data 文件夹移到本机的磁盘上。")
            .arg(name, QDir::toNativeSeparators(dataFolder)));
}

void ApplicationStartup::tellDatabaseDamaged(const QString& restoreFrom) {
    // Closing would write a log that may not belong to the file into it, and delete that log.
    if (IDbAdapter* db = DatabaseManager::instance().getAdapter())
        db->leaveFileAsFound();
    const QString restore =
        restoreFrom.isEmpty()
            ? QStringLiteral("备份文件夹中没有完好且含有药店数据的备份。")
            : QStringLiteral("最新的完好备份：\n%1\n\n恢复方法：关闭这台电脑上运行的每一个本程序，"
                             "将该备份复制为 data/kestrovalin.db 覆盖原文件，"
                             "再删除 data 文件夹中的 kestrovalin.db-wal 和 kestrovalin.db-shm 文件。")
                  .arg(QDir::toNativeSeparators(restoreFrom));
    Prompts::critical(QApplication::activeWindow(), QStringLiteral("数据库文件已损坏"),
                      QStringLiteral("数据库文件已损坏：\n%1\n\n今天的备份未保存，原有的备份均保留。\n\n%2")
                          .arg(QDir::toNativeSeparators(databasePath()), restore));
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
    if (!m_networkShare.isEmpty())
        m_mainWindow->showDataOnNetworkShare(m_networkShare);
    m_mainWindow->show();
    m_mainWindow->showExpiryWarningOnStartup();
    m_mainWindow->showQualificationWarningOnStartup();
    m_mainWindow->showTempHumidityReminderOnStartup();
    return m_mainWindow.get();
}

void ApplicationStartup::shutdown() {
    m_mainWindow.reset();
    stopWatchingForReplacedFile(nullptr);
    m_backup->wait();
    DatabaseManager::instance().shutdown();
}

bool ApplicationStartup::isBackupRunning() const {
    return m_backup->isRunning();
}

bool ApplicationStartup::installQtTranslations(const QString& folder) {
    static QTranslator* installed = nullptr;
    if (installed)
        return true;
    auto translator = std::make_unique<QtTextsTranslator>();
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), folder)) {
        qWarning().noquote() << "Qt translations not found in" << folder << "- Qt's own texts stay English.";
        return false;
    }
    installed = translator.release();
    installed->setParent(QCoreApplication::instance());
    QCoreApplication::installTranslator(installed);
    return true;
}

int ApplicationStartup::run() {
    if (!prepareDatabase()) {
        shutdown();
        return 1;
    }
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

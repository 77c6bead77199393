#pragma once

#include <QString>

#include <memory>

class MainWindow;

namespace kestrovalin {

class BackgroundBackup;

// Brings the program up in its fixed order and takes it down again; main() only creates the application
// object around it. Every path derives from the folder that holds the program.
class ApplicationStartup {
public:
    explicit ApplicationStartup(const QString& programDir);
    ~ApplicationStartup();
    ApplicationStartup(const ApplicationStartup&) = delete;
    ApplicationStartup& operator=(const ApplicationStartup&) = delete;

    // Data folder, database, the day's backup (started on a worker), the optional developer scripts. False
    // when the database cannot be opened; the user has then been told which file and why.
    bool prepareDatabase();
    // The modal sign-in; false when it was cancelled. On success the user is stored in the session.
    bool signIn();
    // Builds and shows the main window, then runs its start-up checks in order.
    MainWindow* openMainWindow();
    // Destroys the main window with every feature window, lets a running backup finish, then closes the
    // database, while the application object still exists.
    void shutdown();

    // All of it around the event loop; the result is the program's exit code (0 when sign-in is cancelled,
    // 1 when the database cannot be opened).
    int run();

    QString databasePath() const;
    // Whether the day's copy is still being made.
    bool isBackupRunning() const;

    // Qt's own texts (standard dialogs, context menus) in Chinese, from the translations in the folder;
    // false, and nothing installed, when they are missing there. Installs them once per process.
    static bool installQtTranslations(const QString& folder);

private:
    // Once per start: the data folder lies on a network share, where copies on two computers can damage
    // the file.
    void warnOfNetworkShare(const QString& dataFolder);
    // The day's copy found the database file damaged: says so, with the copy to restore from.
    void tellDatabaseDamaged(const QString& restoreFrom);

    QString m_programDir;
    // The network file system the data folder was found on at this start; empty on a local disk.
    QString m_networkShare;
    std::unique_ptr<BackgroundBackup> m_backup;
    std::unique_ptr<MainWindow> m_mainWindow;
};

} // namespace kestrovalin

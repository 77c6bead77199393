#pragma once

#include <QString>

#include <memory>

class MainWindow;

namespace kestrovalin {

// Brings the program up in its fixed order and takes it down again; main() only creates the application
// object around it. Every path derives from the folder that holds the program.
class ApplicationStartup {
public:
    explicit ApplicationStartup(const QString& programDir);
    ~ApplicationStartup();
    ApplicationStartup(const ApplicationStartup&) = delete;
    ApplicationStartup& operator=(const ApplicationStartup&) = delete;

    // Data folder, database, the day's backup, the optional developer scripts.
    void prepareDatabase();
    // The modal sign-in; false when it was cancelled. On success the user is stored in the session.
    bool signIn();
    // Builds and shows the main window, then runs its start-up checks in order.
    MainWindow* openMainWindow();
    // Destroys the main window with every feature window, then closes the database, while the
    // application object still exists.
    void shutdown();

    // All of it around the event loop; the result is the program's exit code (0 when sign-in is cancelled).
    int run();

    QString databasePath() const;

private:
    QString m_programDir;
    std::unique_ptr<MainWindow> m_mainWindow;
};

} // namespace kestrovalin

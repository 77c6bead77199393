#include "core/databasemanager.h"
#include "core/usersession.h"
#include "ui/login/logindialog.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

using namespace kestrovalin;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    app.setWindowIcon(QIcon(QStringLiteral(":/logo.ico")));

    const QDir appDir(QCoreApplication::applicationDirPath());
    appDir.mkpath(QStringLiteral("data"));
    DatabaseManager& db = DatabaseManager::instance();
    db.initialize(appDir.filePath(QStringLiteral("data/kestrovalin.db")));
    db.initializeSchema(appDir.absoluteFilePath(QStringLiteral("../docs/database_schema.sql")));
    db.migrateSchema();
    db.importTestData(appDir.absoluteFilePath(QStringLiteral("../docs/test_data.sql")));

    {
        LoginDialog login;
        if (login.exec() == QDialog::Accepted)
            UserSession::instance().setCurrentUser(login.getLoggedInUser());
    }

    // Close the database while the application object still exists.
    db.shutdown();
    return 0;
}

#include "ui/main/applicationstartup.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    app.setWindowIcon(QIcon(QStringLiteral(":/logo.ico")));
    kestrovalin::ApplicationStartup::installQtTranslations(
        QLibraryInfo::location(QLibraryInfo::TranslationsPath));
    return kestrovalin::ApplicationStartup(QCoreApplication::applicationDirPath()).run();
}

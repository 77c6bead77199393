#include "ui/common/wheelfocus.h"
#include "ui/main/applicationstartup.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    app.setWindowIcon(QIcon(QStringLiteral(":/logo.ico")));
    // A Chinese program: date editors and calendars follow Chinese conventions whatever the system's locale.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    kestrovalin::installWheelFocusGuard(app);
    kestrovalin::ApplicationStartup::installQtTranslations(
        QLibraryInfo::location(QLibraryInfo::TranslationsPath));
    return kestrovalin::ApplicationStartup(QCoreApplication::applicationDirPath()).run();
}

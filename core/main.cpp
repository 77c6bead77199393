#include "ui/main/applicationstartup.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    app.setWindowIcon(QIcon(QStringLiteral(":/logo.ico")));
    return kestrovalin::ApplicationStartup(QCoreApplication::applicationDirPath()).run();
}

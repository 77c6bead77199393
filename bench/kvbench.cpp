// Times the program's heavy moments on a generated database: kvbench DATABASE.db [--runs N]
#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "ui/main/mainwindow.h"
#include "ui/masterdata/productmanagerwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

using namespace kestrovalin;

namespace {

struct Figures {
    double first = 0;
    double median = 0;
    double worst = 0;
};

// Runs the step `runs` times; the first run is reported apart because it meets a cold statement cache.
Figures measure(int runs, const std::function<void()>& step) {
    QVector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        step();
        ms.append(t.nsecsElapsed() / 1e6);
    }
    Figures f;
    f.first = ms.first();
    f.worst = *std::max_element(ms.begin(), ms.end());
    std::sort(ms.begin(), ms.end());
    f.median = ms.at(ms.size() / 2);
    return f;
}

void report(const char* what, const Figures& f, double target = 0) {
    std::printf("%-34s first %8.1f ms   median %8.1f ms   worst %8.1f ms", what, f.first, f.median, f.worst);
    if (target > 0)
        std::printf("   target < %4.0f ms  %s", target, f.worst < target ? "ok" : "MISSED");
    std::printf("\n");
}

// What a pharmacist sees on every period button and on every tick of the minute timer.
void refreshDashboard(MainWindow& window) {
    for (int period = 0; period < 3; ++period)
        window.setOverviewTab(period);
    window.refreshDashboard();
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    const QStringList args = app.arguments().mid(1);
    QString path;
    int runs = 7;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args.at(++i).toInt());
        else
            path = args.at(i);
    }
    if (path.isEmpty() || !QFile::exists(path)) {
        std::fprintf(stderr, "usage: kvbench DATABASE.db [--runs N]   (write one with kvbenchgen)\n");
        return 2;
    }

    DatabaseManager& manager = DatabaseManager::instance();
    // What start-up does before the login: open (with its own migration run), the schema check, the
    // second migration run.
    const Figures open = measure(runs, [&] {
        manager.shutdown();
        manager.initialize(path);
        manager.initializeSchema(QString());
        manager.migrateSchema();
    });
    report("open and migrate", open, 300);

    IDbAdapter* db = manager.getAdapter();
    if (!db) {
        std::fprintf(stderr, "Cannot open %s\n", qPrintable(path));
        return 1;
    }
    models::User admin;
    admin.id = 1;
    admin.username = QStringLiteral("admin");
    admin.realName = QStringLiteral("系统管理员");
    admin.role = QStringLiteral("manager");
    admin.status = 1;
    CurrentUser::instance().setUser(admin);
    std::unique_ptr<MainWindow> mainWindow;
    report("main window (built with figures)",
           measure(1, [&] { mainWindow = std::make_unique<MainWindow>(); }));
    report("dashboard refresh (3 periods)", measure(runs, [&] { refreshDashboard(*mainWindow); }), 50);

    report("product list window",
           measure(runs,
                   [&] {
                       // Built as the main window builds it, then shown until it has painted.
                       auto* window = new ProductManagerWindow(mainWindow.get());
                       window->show();
                       QApplication::processEvents();
                       delete window;
                   }),
           500);

    mainWindow.reset();
    manager.shutdown();
    return 0;
}

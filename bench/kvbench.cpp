// Times the program's heavy moments on a generated database: kvbench DATABASE.db [--runs N]
#include "core/databasemanager.h"
#include "repositories/dashboardrepository.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>

#if __has_include("ui/masterdata/productmanagerwindow.h")
#include "ui/masterdata/productmanagerwindow.h"
#define KV_HAVE_PRODUCT_WINDOW 1
#endif

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

void report(const char* what, const Figures& f, double target) {
    std::printf("%-34s first %8.1f ms   median %8.1f ms   worst %8.1f ms   target < %4.0f ms  %s\n", what,
                f.first, f.median, f.worst, target, f.worst < target ? "ok" : "MISSED");
}

void refreshDashboard(IDbAdapter* db) {
    repositories::DashboardRepository repo(db);
    for (int period = 0; period < 3; ++period)
        repo.salesSummary(period);
    repo.productsInStock();
    repo.nearExpiryProducts();
    repo.suppliersWithExpiringDocuments();
    repo.pendingRejectedDrugs();
    repo.temperatureRecordsToday();
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
    report("dashboard refresh (3 periods)", measure(runs, [&] { refreshDashboard(db); }), 50);

#ifdef KV_HAVE_PRODUCT_WINDOW
    report("product list window",
           measure(runs,
                   [&] {
                       auto* window = new ProductManagerWindow(nullptr);
                       delete window;
                   }),
           500);
#else
    std::printf("%-34s pending (the window is not on this branch yet)\n", "product list window");
#endif

    manager.shutdown();
    return 0;
}

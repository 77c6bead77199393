// Times the program's heavy moments on a generated database: kvbench DATABASE.db [--runs N] [--only TEXT]
// Each line gives the program's median beside a baseline measured in the same run and their ratio: for a list
// window the same query read into a minimal table model shown in a plain view, for the start the start
// without the day's copy.
#include "core/backupmanager.h"
#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/idbadapter.h"
#include "repositories/expirywarningrepository.h"
#include "ui/admin/operlogwindow.h"
#include "ui/login/logindialog.h"
#include "ui/main/applicationstartup.h"
#include "ui/main/mainwindow.h"
#include "ui/masterdata/productmanagerwindow.h"
#include "ui/masterdata/suppliermanagerwindow.h"
#include "ui/purchasing/expirywarningdialog.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <memory>
#include <unistd.h>
#include <utility>

using namespace kestrovalin;

namespace {

// --only TEXT: just the steps whose name holds TEXT, for profiling one window.
QString onlySteps;

bool wanted(const char* what) {
    return onlySteps.isEmpty() || QString::fromUtf8(what).contains(onlySteps, Qt::CaseInsensitive);
}

struct Figures {
    double first = 0;
    double median = 0;
    double worst = 0;
};

// The first run is shown apart because it meets cold caches (and, on a file the program has not opened
// before, its one-time upgrade).
Figures summarise(QVector<double> ms) {
    Figures f;
    f.first = ms.first();
    f.worst = *std::max_element(ms.begin(), ms.end());
    std::sort(ms.begin(), ms.end());
    f.median = ms.at(ms.size() / 2);
    return f;
}

// Runs the step `runs` times; each run returns its own time in ms.
Figures measureTimed(int runs, const std::function<double()>& step) {
    QVector<double> ms;
    for (int i = 0; i < runs; ++i)
        ms.append(step());
    return summarise(ms);
}

double timed(const std::function<void()>& step) {
    QElapsedTimer t;
    t.start();
    step();
    return t.nsecsElapsed() / 1e6;
}

Figures measure(int runs, const std::function<void()>& step) {
    return measureTimed(runs, [&step] { return timed(step); });
}

// A step and its baseline in turns, each run returning its own time in ms, so that a busy spell of the
// machine falls on both alike.
std::pair<Figures, Figures> measureInTurns(int runs, const std::function<double()>& step,
                                           const std::function<double()>& baseline) {
    QVector<double> stepMs;
    QVector<double> baselineMs;
    for (int i = 0; i < runs; ++i) {
        stepMs.append(step());
        baselineMs.append(baseline());
    }
    return {summarise(stepMs), summarise(baselineMs)};
}

void printHeader() {
    std::printf("%-38s %12s %12s %8s   %s\n", "step (median ms, first run)", "program", "baseline", "ratio",
                "baseline / note");
}

void printLine(const char* what, const Figures& program, const Figures* baseline = nullptr,
               const char* note = "") {
    std::printf("%-38s %7.1f (%5.0f)", what, program.median, program.first);
    if (baseline)
        std::printf(" %7.1f (%5.0f) %7.2fx", baseline->median, baseline->first,
                    program.median / std::max(baseline->median, 0.001));
    else
        std::printf(" %23s", "");
    std::printf("   %s\n", note);
    std::fflush(stdout);
}

// Resident memory of this process in MB (Linux; 0 elsewhere), after freed memory went back to the system, so
// one window's growth does not hide in what an earlier one left free.
double residentMb() {
    malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toDouble() * sysconf(_SC_PAGESIZE) / (1024.0 * 1024.0) : 0;
}

// Shows a top-level window and returns once it has painted.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

void showPainted(QWidget* window) {
    PaintWatch watch;
    window->installEventFilter(&watch);
    window->show();
    QElapsedTimer t;
    t.start();
    while (!watch.painted && t.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    window->removeEventFilter(&watch);
}

// The least a list can do: every row of the query as variants, handed to a view as they are.
class MinimalModel : public QAbstractTableModel {
public:
    explicit MinimalModel(QSqlQuery& q) {
        m_columns = q.record().count();
        while (q.next()) {
            QVector<QVariant> row(m_columns);
            for (int c = 0; c < m_columns; ++c)
                row[c] = q.value(c);
            m_rows.append(row);
        }
    }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : m_rows.size();
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : m_columns;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        return role == Qt::DisplayRole ? m_rows.at(index.row()).at(index.column()) : QVariant();
    }

private:
    QVector<QVector<QVariant>> m_rows;
    int m_columns = 0;
};

QSqlQuery runQuery(const QString& sql, const QVariantList& params) {
    QSqlQuery q(DatabaseManager::instance().getAdapter()->getQtDatabase());
    q.setForwardOnly(true);
    q.prepare(sql);
    for (int i = 0; i < params.size(); ++i)
        q.bindValue(i, params.at(i));
    if (!q.exec())
        std::fprintf(stderr, "baseline query failed: %s\n", qPrintable(q.lastError().text()));
    return q;
}

struct Sql {
    QString text;
    QVariantList params;
};

// The baseline of a list window: the same rows read into a minimal model, shown in a plain view, painted.
QWidget* openMinimal(const Sql& sql, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setWindowFlags(Qt::Window);
    QSqlQuery q = runQuery(sql.text, sql.params);
    auto* model = new MinimalModel(q);
    model->setParent(view);
    view->setModel(model);
    return view;
}

class Bench {
public:
    Bench(int runs, QWidget* parent) : m_runs(runs), m_parent(parent) {}

    // One line per list window: the window as the main window opens it (built, shown, painted), beside the
    // query it runs read into a minimal model, the two in turns. The memory is what one more open window of
    // each holds once the timed runs have filled SQLite's page cache, which the first of the two would
    // otherwise pay alone.
    void listWindow(const char* what, const std::function<QWidget*(QWidget*)>& open, const Sql& sql) {
        if (!wanted(what))
            return;
        const auto program = [&] {
            return open(m_parent);
        };
        const auto minimal = [&] {
            return openMinimal(sql, m_parent);
        };
        const auto [programFigures, minimalFigures] = measureInTurns(
            m_runs, [&] { return timeWindow(program); }, [&] { return timeWindow(minimal); });
        double programMb = 0;
        double minimalMb = 0;
        timeWindow(program, &programMb);
        timeWindow(minimal, &minimalMb);
        const QByteArray note = QStringLiteral("minimal model; RSS +%1 MB vs +%2 MB")
                                    .arg(programMb, 0, 'f', 0)
                                    .arg(minimalMb, 0, 'f', 0)
                                    .toUtf8();
        printLine(what, programFigures, &minimalFigures, note.constData());
    }

private:
    // Open to painted, in ms; with growthMb, the memory the open window holds (taken outside the time).
    static double timeWindow(const std::function<QWidget*()>& open, double* growthMb = nullptr) {
        const double before = growthMb ? residentMb() : 0;
        QElapsedTimer t;
        t.start();
        std::unique_ptr<QWidget> window(open());
        showPainted(window.get());
        const double ms = t.nsecsElapsed() / 1e6;
        if (growthMb)
            *growthMb = residentMb() - before;
        return ms;
    }

    int m_runs;
    QWidget* m_parent;
};

// The child of a start measurement: a start of the program in the given folder up to the sign-in dialog
// drawn, which it reports on stdout; then it ends as a cancelled sign-in does, waiting for the copy.
int startChild(const QString& programDir) {
    BackupManager::setProgramDirForTesting(programDir);
    ApplicationStartup startup(programDir);
    if (!startup.prepareDatabase())
        return 1;
    LoginDialog login;
    showPainted(&login);
    std::printf("drawn\n");
    std::fflush(stdout);
    return 0;
}

// Process start to the sign-in dialog drawn, in a child process of this program (which links what the
// program links); the child's wait for the copy and its exit come after the time.
double timeStartInChild(const QString& programDir) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--start-in"), programDir});
    while (!child.canReadLine() && child.waitForReadyRead(60000)) {
    }
    const double ms = t.nsecsElapsed() / 1e6;
    if (child.readLine().trimmed() != "drawn")
        std::fprintf(stderr, "the start in %s did not draw its sign-in\n", qPrintable(programDir));
    child.waitForFinished(-1);
    return ms;
}

// First start of the day, process start to the sign-in dialog drawn: with the day's copy still to make,
// which runs on its worker meanwhile, beside a start with today's copy present. The program folder is a
// temporary one whose data file links to the benchmark database.
void firstStartOfTheDay(const QString& path, int runs) {
    QTemporaryDir program;
    QDir(program.path()).mkpath(QStringLiteral("data"));
    QFile::link(QFileInfo(path).absoluteFilePath(), program.filePath(QStringLiteral("data/kestrovalin.db")));
    BackupManager::setProgramDirForTesting(program.path());
    DatabaseManager::instance().shutdown();
    const Figures withCopy = measureTimed(runs, [&program] {
        QDir(BackupManager::instance().getBackupDir()).removeRecursively();
        return timeStartInChild(program.path());
    });
    const Figures without = measureTimed(runs, [&program] { return timeStartInChild(program.path()); });
    printLine("first start of the day to sign-in", withCopy, &without, "the start with today's copy present");

    // The copy itself, three ways, each into a fresh file.
    const QString target = program.filePath(QStringLiteral("copy.db"));
    auto fresh = [&target] {
        QFile::remove(target);
        QFile::remove(target + QStringLiteral("-journal"));
    };
    const Figures pageCopy = measure(runs, [&] {
        fresh();
        BackupManager::instance().copyFile(path, target);
    });
    Figures vacuumInto;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("vacuum"));
        db.setDatabaseName(path);
        db.open();
        vacuumInto = measure(runs, [&] {
            fresh();
            QSqlQuery q(db);
            q.prepare(QStringLiteral("VACUUM INTO ?"));
            q.addBindValue(target);
            if (!q.exec())
                std::fprintf(stderr, "VACUUM INTO failed: %s\n", qPrintable(q.lastError().text()));
        });
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("vacuum"));
    const Figures fileCopy = measure(runs, [&] {
        fresh();
        QFile::copy(path, target);
    });
    printLine("daily copy: page copy, verified", pageCopy, &vacuumInto, "VACUUM INTO");
    printLine("daily copy: plain file copy", fileCopy, nullptr, "misses what is still in the -wal file");
    fresh();
    BackupManager::setProgramDirForTesting(QString());
}

// What a pharmacist sees on every period button and on every tick of the minute timer.
void refreshDashboard(MainWindow& window) {
    for (int period = 0; period < 3; ++period)
        window.setOverviewTab(period);
    window.refreshDashboard();
}

QList<repositories::ExpiryWarningItem> nearExpiryItems() {
    return repositories::ExpiryWarningRepository(DatabaseManager::instance().getAdapter())
        .findNearExpiryItems(180);
}

// The near-expiry list after sign-in, as the repository reads it; the window bounds are local dates.
Sql nearExpirySql() {
    const QDate today = QDate::currentDate();
    const QString lower = today.toString(QStringLiteral("yyyy-MM-dd"));
    return {QStringLiteral(
                "SELECT b.product_id, p.name as product_name, p.barcode, p.specification, p.manufacturer, "
                "b.batch_no, b.production_date, b.expiry_date, b.quantity, "
                "julianday(b.expiry_date) - julianday(?) as remaining_days, s.name as supplier_name "
                "FROM inventory_batch b INNER JOIN product p ON b.product_id = p.id "
                "LEFT JOIN supplier s ON b.supplier_id = s.id "
                "WHERE b.expiry_date > ? AND b.expiry_date <= ? AND b.quantity > 0 AND b.status = 'normal' "
                "ORDER BY b.id DESC"),
            {lower, lower, today.addDays(180).toString(QStringLiteral("yyyy-MM-dd"))}};
}

// The offscreen platform's complaint at every window shown would bury the figures.
void quietHandler(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && !text.contains(QLatin1String("propagateSizeHints")))
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qInstallMessageHandler(quietHandler);
    const QStringList args = app.arguments().mid(1);
    QString path;
    int runs = 7;
    if (args.size() == 2 && args.first() == QLatin1String("--start-in"))
        return startChild(args.at(1));
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args.at(++i).toInt());
        else if (args.at(i) == QLatin1String("--only") && i + 1 < args.size())
            onlySteps = args.at(++i);
        else
            path = args.at(i);
    }
    if (path.isEmpty() || !QFile::exists(path)) {
        std::fprintf(stderr,
                     "usage: kvbench DATABASE.db [--runs N] [--only TEXT]   (write one with kvbenchgen)\n");
        return 2;
    }
    printHeader();

    DatabaseManager& manager = DatabaseManager::instance();
    // What start-up does before the login: open (with its own migration run), the schema check, the
    // second migration run.
    const Figures open = measure(runs, [&] {
        manager.shutdown();
        manager.initialize(path);
        manager.initializeSchema(QString());
        manager.migrateSchema();
    });
    if (wanted("open and migrate"))
        printLine("open and migrate", open, nullptr, "target < 300 ms");
    if (!manager.getAdapter()) {
        std::fprintf(stderr, "Cannot open %s\n", qPrintable(path));
        return 1;
    }
    manager.shutdown();

    if (wanted("first start of the day, daily copy"))
        firstStartOfTheDay(path, runs);

    manager.initialize(path);
    models::User admin;
    admin.id = 1;
    admin.username = QStringLiteral("admin");
    admin.realName = QStringLiteral("系统管理员");
    admin.role = QStringLiteral("manager");
    admin.status = 1;
    CurrentUser::instance().setUser(admin);
    std::unique_ptr<MainWindow> mainWindow;
    const Figures built = measure(1, [&] { mainWindow = std::make_unique<MainWindow>(); });
    if (wanted("main window (built with figures)"))
        printLine("main window (built with figures)", built);
    if (wanted("dashboard refresh (3 periods)"))
        printLine("dashboard refresh (3 periods)", measure(runs, [&] { refreshDashboard(*mainWindow); }),
                  nullptr, "target < 50 ms");

    const Sql nearExpiry = nearExpirySql();
    if (wanted("near-expiry query")) {
        const auto [query, rawQuery] = measureInTurns(
            runs, [] { return timed([] { nearExpiryItems(); }); },
            [&nearExpiry] {
                return timed([&nearExpiry] {
                    QSqlQuery q = runQuery(nearExpiry.text, nearExpiry.params);
                    while (q.next()) {
                    }
                });
            });
        printLine("near-expiry query", query, &rawQuery, "the raw query read row by row; target < 10 ms");
    }

    Bench bench(runs, mainWindow.get());
    bench.listWindow(
        "near-expiry query with its dialog",
        [](QWidget*) { return static_cast<QWidget*>(new ExpiryWarningDialog(nearExpiryItems())); },
        nearExpiry);
    bench.listWindow("product list window", [](QWidget* parent) { return new ProductManagerWindow(parent); },
                     {QStringLiteral("SELECT * FROM product WHERE status = 1 ORDER BY id DESC"), {}});
    bench.listWindow(
        "supplier list window", [](QWidget* parent) { return new SupplierManagerWindow(parent); },
        {QStringLiteral("SELECT * FROM supplier WHERE status != 'suspended' ORDER BY id DESC"), {}});
    bench.listWindow("operation-log window", [](QWidget* parent) { return new OperLogWindow(parent); },
                     {QStringLiteral("SELECT id, user_id, user_name, module, action, detail, ip_address, "
                                     "created_at FROM sys_operation_log ORDER BY created_at DESC LIMIT 500"),
                      {}});

    mainWindow.reset();
    manager.shutdown();
    return 0;
}

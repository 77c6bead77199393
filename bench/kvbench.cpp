// Times the program's heavy moments on a generated database: kvbench DATABASE.db [--runs N] [--only TEXT]
// Each line gives the program's median beside a baseline measured in the same run and their ratio: for a list
// window the same query read into a minimal table model shown in a plain view, for the start the start
// without the day's copy.
#include "core/backupmanager.h"
#include "core/clock.h"
#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/idbadapter.h"
#include "core/sqliteadapter.h"
#include "core/transaction.h"
#include "repositories/expirywarningrepository.h"
#include "repositories/inventorycheckrepository.h"
#include "repositories/productrepository.h"
#include "repositories/purchaserepository.h"
#include "repositories/salesrepository.h"
#include "repositories/stockmovement.h"
#include "repositories/supplierrepository.h"
#include "ui/admin/operlogwindow.h"
#include "ui/common/prompts.h"
#include "ui/common/reportframe.h"
#include "ui/common/rowtablemodel.h"
#include "ui/login/logindialog.h"
#include "ui/main/applicationstartup.h"
#include "ui/main/mainwindow.h"
#include "ui/masterdata/customermanagerwindow.h"
#include "ui/masterdata/customerselectiondialog.h"
#include "ui/masterdata/productmanagerwindow.h"
#include "ui/masterdata/productselectiondialog.h"
#include "ui/masterdata/suppliermanagerwindow.h"
#include "ui/masterdata/supplierselectiondialog.h"
#include "ui/purchasing/expirywarningdialog.h"
#include "ui/purchasing/expirywarningwindow.h"
#include "ui/purchasing/inventorycheckwindow.h"
#include "ui/purchasing/inventorywarningwindow.h"
#include "ui/purchasing/inventorywindow.h"
#include "ui/purchasing/purchaseorderselectiondialog.h"
#include "ui/purchasing/purchasewindow.h"
#include "ui/quality/maintenancewindow.h"
#include "ui/quality/qualificationwarningwindow.h"
#include "ui/quality/rejecteddrugselectiondialog.h"
#include "ui/quality/rejecteddrugwindow.h"
#include "ui/quality/temphumidityrecordwindow.h"
#include "ui/reports/acceptancereportwindow.h"
#include "ui/reports/expiryreportwindow.h"
#include "ui/reports/maintenancereportwindow.h"
#include "ui/reports/purchasereportwindow.h"
#include "ui/reports/recordbook.h"
#include "ui/reports/rejecteddrugreportwindow.h"
#include "ui/reports/salesrecordreportwindow.h"
#include "ui/reports/supplierreportwindow.h"
#include "ui/reports/temphumidityreportwindow.h"
#include "ui/returns/productbatchselectiondialog.h"
#include "ui/returns/salesreturnwindow.h"
#include "ui/sales/prescriptionrecordwindow.h"
#include "ui/sales/salesorderselectiondialog.h"
#include "ui/sales/salesproductselectiondialog.h"
#include "ui/sales/saleswindow.h"

#include <QAbstractTableModel>
#include <QAccessible>
#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QStringList>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

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
// --screen-reader: the child run under X that measures with a screen reader's bridge active.
bool screenReaderRun = false;

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

class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Runs the trigger and returns once the widget has painted.
void paintedAfter(QWidget* widget, const std::function<void()>& trigger) {
    PaintWatch watch;
    widget->installEventFilter(&watch);
    trigger();
    QElapsedTimer t;
    t.start();
    while (!watch.painted && t.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    widget->removeEventFilter(&watch);
}

// Shows a window and returns once it has painted.
void showPainted(QWidget* window) {
    paintedAfter(window, [window] { window->show(); });
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

// The baseline of a list window: the same rows read into a minimal model, shown in a plain view of the
// window's size (so both paint as many cells), painted. Further statements of the window (without
// parameters) are read row by row before the listed one.
QWidget* openMinimal(const Sql& sql, QWidget* parent, const QSize& size, const QStringList& alsoRead = {}) {
    auto* view = new QTableView(parent);
    view->setWindowFlags(Qt::Window);
    view->resize(size);
    for (const QString& statement : alsoRead) {
        QSqlQuery more = runQuery(statement, {});
        while (more.next()) {
        }
    }
    QSqlQuery q = runQuery(sql.text, sql.params);
    auto* model = new MinimalModel(q);
    model->setParent(view);
    view->setModel(model);
    return view;
}

// Opens a list window of the given class on the parent, as the main window does.
template <class Window> QWidget* opens(QWidget* parent) {
    return new Window(parent);
}

// Approves a stocktaking sheet of 200 counted batches (every fifth count off by one) and returns the time of
// the approval alone. The sheet and the counts are undone afterwards, so runs and the file stay as they were.
double approveSheetOf200() {
    IDbAdapter* db = DatabaseManager::instance().getAdapter();
    Transaction scope(db);
    QList<models::InventoryCheckItem> lines;
    QSqlQuery q =
        runQuery(QStringLiteral("SELECT product_id, batch_no, production_date, expiry_date, quantity "
                                "FROM inventory_batch WHERE quantity > 0 ORDER BY id DESC LIMIT 200"),
                 {});
    while (q.next()) {
        models::InventoryCheckItem line;
        line.productId = q.value(0).toInt();
        line.batchNo = q.value(1).toString();
        line.productionDate = q.value(2).toString();
        line.expiryDate = q.value(3).toString();
        line.systemQuantity = q.value(4).toInt();
        line.actualQuantity = line.systemQuantity + (lines.size() % 5 == 0 ? 1 : 0);
        line.diffQuantity = line.actualQuantity - line.systemQuantity;
        lines.append(line);
    }
    q.finish();
    repositories::InventoryCheckRepository repo(db);
    models::InventoryCheck sheet;
    sheet.checkType = QStringLiteral("full");
    sheet.checkDate = Clock::todayText();
    sheet.operatorId = 1;
    const int id = repo.insertCheck(sheet, lines);
    QElapsedTimer t;
    t.start();
    if (!repo.approveCheck(id, 1))
        std::fprintf(stderr, "the stocktaking approval failed\n");
    const double ms = t.nsecsElapsed() / 1e6;
    scope.rollback();
    return ms;
}

// What one run of a list takes, in ms from the start of its opening, and the memory it holds.
struct ListRun {
    double open = 0;  // its first screen of rows drawn
    double count = 0; // its count known (the count line may follow the first screen)
    double end = 0;   // Ctrl+End to the last row drawn, taken on its own
    double mb = 0;    // resident memory after opening and after End, the larger, beyond what it was before
};

// The table a list window shows its list in: the visible one of a paged model, else the first visible one.
QTableView* listView(QWidget* window) {
    QTableView* first = nullptr;
    for (QTableView* view : window->findChildren<QTableView*>()) {
        if (!view->isVisible())
            continue;
        if (qobject_cast<RowTableModel*>(view->model()))
            return view;
        if (!first)
            first = view;
    }
    return first;
}

// Waits until the view's list is counted (a paged list counts beside its first screen).
void waitCounted(QTableView* view) {
    auto* model = view ? qobject_cast<RowTableModel*>(view->model()) : nullptr;
    if (!model || model->countKnown())
        return;
    QEventLoop loop;
    QObject::connect(model, &RowTableModel::counted, &loop, &QEventLoop::quit);
    QTimer::singleShot(300000, &loop, &QEventLoop::quit);
    loop.exec();
}

// Ctrl+End as the user presses it, from the first row; returns once the view has drawn.
double pressEnd(QTableView* view) {
    if (!view || view->model()->rowCount() == 0)
        return 0;
    view->setCurrentIndex(view->model()->index(0, 0));
    return timed([view] {
        paintedAfter(view->viewport(), [view] {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
            QApplication::sendEvent(view, &press);
        });
    });
}

// The statements of a paged list: the whole of it, and its first screen of rows.
void statementsOf(QTableView* view, Sql* whole, Sql* firstScreen) {
    auto* model = view ? qobject_cast<RowTableModel*>(view->model()) : nullptr;
    if (!model || !model->isPaged())
        return;
    const ListQuery::Statement all = model->query().all();
    *whole = {all.sql, all.params};
    const int rows =
        view->viewport()->height() / std::max(1, view->verticalHeader()->defaultSectionSize()) + 1;
    const ListQuery::Statement screen = model->query().page(nullptr, false, rows);
    *firstScreen = {screen.sql, screen.params};
}

void printListHeader() {
    std::printf("\n%-44s %8s %8s %8s %6s | %8s %8s %6s | %8s\n", "list (median ms)", "open", "count", "End",
                "RSS", "minimal", "End", "RSS", "screen");
    std::printf("%-44s %8s %8s %8s %6s | %8s %8s %6s | %8s\n", "", "", "", "", "MB", "full read", "", "MB",
                "query");
}

class Bench {
public:
    Bench(int runs, QWidget* parent) : m_runs(runs), m_parent(parent) {}

    // One line per list window: the window as the main window opens it, until its first screen is drawn,
    // its count is known, and Ctrl+End has drawn its last row; beside it the same statement read whole into
    // a minimal model shown at the window's size (and End in it), and the statement's first screen of rows
    // read and drawn in a minimal model. The runs go in turns, so a busy spell of the machine falls on all
    // alike. The memory is what one more open window of each holds once the timed runs have filled SQLite's
    // page cache, which the first of them would otherwise pay alone. A list that holds all its rows is
    // measured beside the statement given here.
    void listWindow(const char* what, const std::function<QWidget*(QWidget*)>& open, const Sql& sql,
                    const QStringList& alsoRead = {}) {
        if (!wanted(what))
            return;
        Sql whole = sql;
        Sql firstScreen;
        {
            std::unique_ptr<QWidget> window(open(m_parent));
            showPainted(window.get());
            m_shownSize = window->size();
            QTableView* view = listView(window.get());
            waitCounted(view);
            statementsOf(view, &whole, &firstScreen);
        }
        measure(
            what, [&] { return open(m_parent); }, nullptr, whole, firstScreen, alsoRead);
    }

    // One line per further list of a window already open: the reload until the list has drawn, its count
    // and End, beside the statement it reads in a minimal model.
    void listSwitch(const char* what, QTableView* view, const std::function<void()>& reload, const Sql& sql) {
        if (!wanted(what))
            return;
        m_shownSize = view->window()->size();
        Sql whole = sql;
        Sql firstScreen;
        reload();
        waitCounted(view);
        statementsOf(view, &whole, &firstScreen);
        measure(
            what, nullptr, [&] { paintedAfter(view->viewport(), reload); }, whole, firstScreen, {}, view);
    }

private:
    void measure(const char* what, const std::function<QWidget*()>& open, const std::function<void()>& reload,
                 const Sql& whole, const Sql& firstScreen, const QStringList& alsoRead,
                 QTableView* openView = nullptr) {
        QVector<double> openMs, countMs, endMs, minimalMs, minimalEndMs, screenMs;
        const auto program = [&](bool memory) {
            return open ? runWindow(open, memory) : runReload(reload, openView, memory);
        };
        const auto minimalRun = [&](bool memory) {
            return runWindow([&] { return openMinimal(whole, m_parent, m_shownSize, alsoRead); }, memory);
        };
        for (int i = 0; i < m_runs; ++i) {
            const ListRun run = program(false);
            openMs << run.open;
            countMs << run.count;
            endMs << run.end;
            const ListRun minimal = minimalRun(false);
            minimalMs << minimal.open;
            minimalEndMs << minimal.end;
            if (!firstScreen.text.isEmpty())
                screenMs
                    << runWindow([&] { return openMinimal(firstScreen, m_parent, m_shownSize); }, false).open;
        }
        const double programMb = program(true).mb;
        const double minimalMb = minimalRun(true).mb;
        std::printf("%-44s %8.1f %8.1f %8.1f %+6.0f | %8.1f %8.1f %+6.0f | ", what, summarise(openMs).median,
                    summarise(countMs).median, summarise(endMs).median, programMb,
                    summarise(minimalMs).median, summarise(minimalEndMs).median, minimalMb);
        if (screenMs.isEmpty())
            std::printf("%8s\n", "all rows");
        else
            std::printf("%8.1f\n", summarise(screenMs).median);
        std::fflush(stdout);
    }

    // A list brought up by start (which returns its view once drawn), counted and taken to its end; its
    // memory taken outside the times.
    ListRun runList(const std::function<QTableView*()>& start, bool memory) {
        ListRun run;
        const double before = memory ? residentMb() : 0;
        QElapsedTimer t;
        t.start();
        QTableView* view = start();
        run.open = t.nsecsElapsed() / 1e6;
        waitCounted(view);
        run.count = t.nsecsElapsed() / 1e6;
        const double opened = memory ? residentMb() : 0;
        run.end = pressEnd(view);
        if (memory)
            run.mb = std::max(opened, residentMb()) - before;
        return run;
    }

    ListRun runWindow(const std::function<QWidget*()>& open, bool memory) {
        std::unique_ptr<QWidget> window;
        return runList(
            [&] {
                window.reset(open());
                showPainted(window.get());
                auto* view = qobject_cast<QTableView*>(window.get());
                return view ? view : listView(window.get());
            },
            memory);
    }

    // A list reloaded in its open window.
    ListRun runReload(const std::function<void()>& reload, QTableView* view, bool memory) {
        return runList(
            [&] {
                reload();
                return view;
            },
            memory);
    }

    int m_runs;
    QWidget* m_parent;
    QSize m_shownSize; // of the window timed last
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
    const auto copyTimes = [&](bool pageCheck) {
        BackupManager::setPageCheckForTesting(pageCheck);
        const Figures figures = measure(runs, [&] {
            fresh();
            BackupManager::instance().copyFile(path, target);
        });
        BackupManager::setPageCheckForTesting(true);
        return figures;
    };
    const Figures pageCopy = copyTimes(true);
    const Figures unchecked = copyTimes(false);
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
    printLine("daily copy: page copy, checked", pageCopy, &unchecked, "the copy without its page check");
    printLine("daily copy: page copy, not checked", unchecked, &vacuumInto, "VACUUM INTO");
    printLine("daily copy: plain file copy", fileCopy, nullptr, "misses what is still in the -wal file");
    // A file replaced under the program: its bytes through the connection's own handle, then checked.
    {
        const QString dataPath = program.filePath(QStringLiteral("data/kestrovalin.db"));
        SQLiteAdapter open;
        open.connect(dataPath);
        DbCondition failure = DbCondition::None;
        const Figures kept = measure(runs, [&] {
            QFile::remove(BackupManager::instance().keepReplacedFile(sqliteHandle(open.getQtDatabase()),
                                                                     dataPath, true, &failure));
        });
        printLine("replaced file kept, checked", kept, &fileCopy, "plain file copy");
    }
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

// A sale of three lines as the sales list saves it, each committed on its own. The sales are voided and
// removed again afterwards, so the file keeps its generated stock and orders.
void saleOfThreeLines(int runs) {
    IDbAdapter* db = DatabaseManager::instance().getAdapter();
    QList<models::SalesOrderItem> lines;
    QSqlQuery q =
        runQuery(QStringLiteral("SELECT b.product_id, b.batch_no, p.sale_price FROM inventory_batch b "
                                "INNER JOIN product p ON b.product_id = p.id WHERE b.quantity >= ? AND "
                                "b.expiry_date > ? AND p.status = 1 ORDER BY b.id DESC LIMIT 3"),
                 {runs, Clock::todayText()});
    while (q.next()) {
        models::SalesOrderItem line;
        line.productId = q.value(0).toInt();
        line.batchNo = q.value(1).toString();
        line.quantity = 1;
        line.unitPrice = q.value(2).toDouble();
        line.amount = line.unitPrice;
        lines.append(line);
    }
    QSqlQuery logQuery = runQuery(QStringLiteral("SELECT COALESCE(MAX(id), 0) FROM sys_operation_log"), {});
    const int logBefore = logQuery.next() ? logQuery.value(0).toInt() : 0;
    QList<int> sold;
    const Figures sale = measure(runs, [&] {
        models::SalesOrder order;
        order.operatorId = 1;
        order.customerId = 1;
        if (SalesRepository(db).insertOrder(order, lines))
            sold.append(order.id);
    });
    for (int id : sold) {
        SalesRepository(db).voidOrder(id);
        db->execute(QStringLiteral("DELETE FROM sales_order_item WHERE order_id = ?"), {id});
        db->execute(QStringLiteral("DELETE FROM sales_order WHERE id = ?"), {id});
    }
    db->execute(QStringLiteral("DELETE FROM sys_operation_log WHERE id > ?"), {logBefore});
    const QByteArray note =
        QStringLiteral("%1 of %2 committed; target <= 5 ms").arg(sold.size()).arg(runs).toUtf8();
    printLine("sale of 3 lines", sale, nullptr, note.constData());
}

// An order of ten accepted lines, five on batches in stock and five on new batch numbers, stored as the
// purchase list stores it (one transaction, committed). What the runs wrote is taken away again afterwards,
// so the file stays as it was generated.
Figures purchaseOrderCommits(int runs) {
    IDbAdapter* db = DatabaseManager::instance().getAdapter();
    const auto firstInt = [](const QString& sql) {
        QSqlQuery q = runQuery(sql, {});
        return q.next() ? q.value(0).toInt() : 0;
    };
    repositories::SupplierRepository suppliers(db);
    int supplierId = -1;
    for (QSqlQuery q = runQuery(QStringLiteral("SELECT id FROM supplier WHERE qualification_status = 'valid' "
                                               "AND status = 'active' ORDER BY id"),
                                {});
         supplierId < 0 && q.next();)
        supplierId = suppliers.isSupplierQualified(q.value(0).toInt()) ? q.value(0).toInt() : -1;
    QList<QPair<int, QString>> stocked;
    for (QSqlQuery q =
             runQuery(QStringLiteral("SELECT product_id, batch_no FROM inventory_batch WHERE quantity > "
                                     "0 ORDER BY id DESC LIMIT 5"),
                      {});
         q.next();)
        stocked.append({q.value(0).toInt(), q.value(1).toString()});
    const int productId = firstInt(QStringLiteral("SELECT MIN(id) FROM product"));
    const int lastOrder = firstInt(QStringLiteral("SELECT MAX(id) FROM purchase_order"));
    const int lastBatch = firstInt(QStringLiteral("SELECT MAX(id) FROM inventory_batch"));
    const int quantity = 12;

    int run = 0;
    const Figures f = measure(runs, [&] {
        models::PurchaseOrder order;
        order.supplierId = supplierId;
        order.inboundDate = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        order.operatorId = CurrentUser::instance().getUserId();
        order.status = QStringLiteral("completed");
        QList<models::PurchaseOrderItem> items;
        for (int i = 0; i < 10; ++i) {
            models::PurchaseOrderItem item;
            const bool existing = i < stocked.size();
            item.productId = existing ? stocked.at(i).first : productId;
            item.batchNo = existing ? stocked.at(i).second : QStringLiteral("BENCH-%1-%2").arg(run).arg(i);
            item.productionDate = QStringLiteral("2025-01-01");
            item.expiryDate = QStringLiteral("2028-01-01");
            item.quantity = quantity;
            item.unitPrice = 9.5;
            item.amount = quantity * 9.5;
            item.acceptanceResult = repositories::kAcceptancePassed;
            items.append(item);
        }
        ++run;
        if (repositories::PurchaseRepository(db).insertOrder(order, items) < 0)
            std::fprintf(stderr, "purchase order not stored\n");
    });

    Transaction undo(db);
    repositories::StockMovement stock(db);
    for (const auto& batch : stocked)
        stock.lower(repositories::BatchKey::byNumber(batch.first, batch.second), quantity * run);
    db->execute(QStringLiteral("DELETE FROM inventory_batch WHERE id > ?"), {lastBatch});
    db->execute(QStringLiteral("DELETE FROM purchase_order_item WHERE order_id > ?"), {lastOrder});
    db->execute(QStringLiteral("DELETE FROM purchase_order WHERE id > ?"), {lastOrder});
    if (!undo.commit())
        std::fprintf(stderr, "the benchmark's purchase orders could not be taken away\n");
    return f;
}

// The offscreen platform's complaint at every window shown would bury the figures.
void quietHandler(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && !text.contains(QLatin1String("propagateSizeHints")))
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

// Moves a book's start back by whole months to today's date and runs its query.
void askMonthsBack(QWidget* window, int months) {
    window->findChild<QDateEdit*>(QStringLiteral("dateStart"))
        ->setDate(QDate::currentDate().addMonths(-months));
    window->findChild<QPushButton*>(QStringLiteral("btnQuery"))->click();
}

Sql bookSql(const RecordBook& book, int months) {
    const ListQuery::Statement all =
        ReportQuery(book.list, QDate::currentDate().addMonths(-months).toString(QStringLiteral("yyyy-MM-dd")),
                    QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")))
            .list()
            .all();
    return {all.sql, all.params};
}

// A record book opened on its default month, then asked for a whole year in the open window, each beside its
// statement read into a minimal model.
template <class Book>
void recordBookLines(Bench& bench, QWidget* parent, const char* name, const RecordBook& book) {
    bench.listWindow((QByteArray(name) + ", one month").constData(),
                     [](QWidget* owner) { return new Book(owner); }, bookSql(book, 1));
    Book window(parent);
    showPainted(&window);
    bench.listSwitch((QByteArray(name) + ", one year").constData(),
                     window.template findChild<QTableView*>(QStringLiteral("tableReport")),
                     [&window] { askMonthsBack(&window, 12); }, bookSql(book, 12));
}

// A search typed into an open window and run, timed as a further list of the window.
void searchLine(Bench& bench, const char* what, QWidget* window, const char* field, const char* button,
                const QString& text) {
    if (!wanted(what))
        return;
    std::unique_ptr<QWidget> owned(window);
    showPainted(window);
    auto* edit = window->findChild<QLineEdit*>(QLatin1String(field));
    auto* press = window->findChild<QPushButton*>(QLatin1String(button));
    bench.listSwitch(what, listView(window),
                     [edit, press, text] {
                         edit->setText(text);
                         press->click();
                     },
                     {});
}

// The least an export can do: the statement's rows read forward, each value's text quoted into lines, the
// lines written a megabyte at a time.
void minimalExport(const Sql& sql, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "the baseline file could not be created\n");
        return;
    }
    QSqlQuery q = runQuery(sql.text, sql.params);
    const int columns = q.record().count();
    QByteArray out;
    while (q.next()) {
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                out += ',';
            out += '"';
            out += q.value(c).toString().toUtf8();
            out += '"';
        }
        out += '\n';
        if (out.size() > (1 << 20)) {
            file.write(out);
            out.clear();
        }
    }
    file.write(out);
}

// The rows of a statement read whole into a minimal model, as a list's full read does, without a view.
double minimalRead(const Sql& sql) {
    return timed([&sql] {
        QSqlQuery q = runQuery(sql.text, sql.params);
        MinimalModel model(q);
    });
}

// The export of a year of the sales book (the file written, the success box answered), started right after
// the query, while the book is still counting, beside the minimal export of its statement and its full read.
void salesYearExport(QWidget* parent, int runs) {
    if (!wanted("sales book, export of one year"))
        return;
    QTemporaryDir dir;
    Prompts::setTestMode(true);
    std::unique_ptr<QWidget> window(new SalesRecordReportWindow(parent));
    const Sql whole = bookSql(salesRecords(), 12);
    QTableView* bookView = window->findChild<QTableView*>(QStringLiteral("tableReport"));
    QVector<double> readMs;
    const auto [program, baseline] = measureInTurns(
        runs,
        [&] {
            askMonthsBack(window.get(), 12);
            Prompts::queueFileName(dir.filePath(QStringLiteral("sales.csv")));
            const double ms =
                timed([&] { window->findChild<QPushButton*>(QStringLiteral("btnExport"))->click(); });
            readMs << minimalRead(whole);
            return ms;
        },
        [&] { return timed([&] { minimalExport(whole, dir.filePath(QStringLiteral("minimal.csv"))); }); });
    Prompts::setTestMode(false);
    const Figures read = summarise(readMs);
    waitCounted(bookView);
    const QByteArray note =
        QStringLiteral("%1 lines, %2 MB; full read %3 ms, export %4x of it")
            .arg(bookView->model()->rowCount())
            .arg(QFileInfo(dir.filePath(QStringLiteral("sales.csv"))).size() / 1e6, 0, 'f', 1)
            .arg(read.median, 0, 'f', 1)
            .arg(program.median / std::max(read.median, 0.001), 0, 'f', 2)
            .toUtf8();
    printLine("sales book, export of one year", program, &baseline, note.constData());
}

// Qt's bridge comes up once the AT-SPI bus is there: it is started as a screen reader would start it.
bool bridgeStarted() {
    QProcess::execute(QStringLiteral("dbus-send"),
                      {QStringLiteral("--session"), QStringLiteral("--dest=org.freedesktop.DBus"),
                       QStringLiteral("--type=method_call"), QStringLiteral("/org/freedesktop/DBus"),
                       QStringLiteral("org.freedesktop.DBus.StartServiceByName"),
                       QStringLiteral("string:org.a11y.Bus"), QStringLiteral("uint32:0")});
    QElapsedTimer wait;
    wait.start();
    while (!QAccessible::isActive() && wait.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    return QAccessible::isActive();
}

// The re-read line again in a child of this program under X with an accessibility bus of its own (a session
// bus whose AT-SPI launcher starts on demand, Qt's bridge forced on), where one can be started: Qt's bridge
// is not there offscreen.
void rereadWithScreenReader(const QString& path, int runs) {
    const char* line = "re-read, all selected, screen reader";
    // What this run printed first, before the child's lines.
    std::fflush(stdout);
    const QString bus = QStandardPaths::findExecutable(QStringLiteral("dbus-run-session"));
    const QString xvfb = qEnvironmentVariableIsEmpty("DISPLAY")
                             ? QStandardPaths::findExecutable(QStringLiteral("xvfb-run"))
                             : QString();
    QString missing;
    if (bus.isEmpty() || !QFile::exists(QStringLiteral("/usr/share/dbus-1/services/org.a11y.Bus.service")))
        missing = QStringLiteral("a session bus with AT-SPI (packages dbus, at-spi2-core)");
    else if (qEnvironmentVariableIsEmpty("DISPLAY") && xvfb.isEmpty())
        missing = QStringLiteral("an X display (DISPLAY, or package xvfb)");
    if (!missing.isEmpty()) {
        std::printf("%-38s skipped: no %s\n", line, qPrintable(missing));
        std::fflush(stdout);
        return;
    }
    QStringList args{QStringLiteral("--"),
                     QCoreApplication::applicationFilePath(),
                     path,
                     QStringLiteral("--runs"),
                     QString::number(runs),
                     QStringLiteral("--only"),
                     onlySteps.contains(QLatin1String("screen reader"), Qt::CaseInsensitive)
                         ? onlySteps
                         : QString::fromUtf8(line),
                     QStringLiteral("--screen-reader")};
    QString program = bus;
    if (!xvfb.isEmpty()) {
        args = QStringList{QStringLiteral("-a"), bus} + args;
        program = xvfb;
    }
    QProcess child;
    // The buses' chatter is shown only when the run fails.
    child.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.start(program, args);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        std::fprintf(stderr, "%s", child.readAllStandardError().constData());
        std::printf("%-38s skipped: the run under X ended with %d\n", line, child.exitCode());
    }
    std::fflush(stdout);
}

// Shows a list window and returns its list's view once the list is counted.
QTableView* shownCounted(QWidget* window) {
    showPainted(window);
    QTableView* view = listView(window);
    waitCounted(view);
    return view;
}

// Another program's writes on the file, in and out by turns: each re-read after one meets a change.
class WritesElsewhere {
public:
    WritesElsewhere(const QString& path, QStringList in, QStringList out)
        : m_in(std::move(in)), m_out(std::move(out)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name());
        db.setDatabaseName(path);
        db.open();
    }
    ~WritesElsewhere() {
        if (m_inserted)
            write();
        QSqlDatabase::removeDatabase(name());
    }
    WritesElsewhere(const WritesElsewhere&) = delete;
    WritesElsewhere& operator=(const WritesElsewhere&) = delete;

    // The list read again after a write, with the selection as select() leaves it, until the view's header
    // has painted.
    double reread(QTableView* view, RowTableModel* model, const std::function<void()>& select) {
        select();
        QCoreApplication::processEvents();
        write();
        QHeaderView* header = view->horizontalHeader();
        return timed([&] {
            paintedAfter(header->viewport(), [&] {
                model->followNow();
                header->viewport()->update();
            });
        });
    }

    // Another program's write, in or out by turns.
    void writeNow() { write(); }

    // The re-read with the selection one way and with it the other, in turns.
    std::pair<Figures, Figures> inTurns(int runs, QTableView* view, const std::function<void()>& select,
                                        const std::function<void()>& baseline) {
        auto* model = qobject_cast<RowTableModel*>(view->model());
        return measureInTurns(
            runs, [&] { return reread(view, model, select); }, [&] { return reread(view, model, baseline); });
    }

private:
    static QString name() { return QStringLiteral("bench-elsewhere"); }
    void write() {
        QSqlDatabase db = QSqlDatabase::database(name());
        for (const QString& statement : m_inserted ? m_out : m_in)
            QSqlQuery(db).exec(statement);
        m_inserted = !m_inserted;
    }

    QStringList m_in;
    QStringList m_out;
    bool m_inserted = false;
};

// An order written elsewhere and taken out again; with a line when the book of lines is read.
WritesElsewhere orderElsewhere(const QString& path, bool withLine) {
    QStringList in{
        QStringLiteral("INSERT INTO sales_order (order_no, customer_id, total_amount, operator_id, "
                       "status, created_at) VALUES ('BENCH-REREAD', 0, 1, 1, 'completed', "
                       "datetime('now'))")};
    if (withLine)
        in << QStringLiteral(
            "INSERT INTO sales_order_item (order_id, product_id, batch_no, "
            "production_date, expiry_date, quantity, unit_price, amount) SELECT id, 1, 'B1', "
            "'2024-01-01', '2027-01-01', 1, 1, 1 FROM sales_order WHERE order_no = "
            "'BENCH-REREAD'");
    return WritesElsewhere(path, in,
                           {QStringLiteral("DELETE FROM sales_order_item WHERE order_id IN (SELECT id FROM "
                                           "sales_order WHERE order_no = 'BENCH-REREAD')"),
                            QStringLiteral("DELETE FROM sales_order WHERE order_no = 'BENCH-REREAD'")});
}

// A prescription written elsewhere and taken out again.
WritesElsewhere prescriptionElsewhere(const QString& path) {
    return WritesElsewhere(
        path,
        {QStringLiteral("INSERT INTO prescription (prescription_no, doctor_name, patient_name, created_at) "
                        "VALUES ('BENCH-REREAD', '王医生', '李四', datetime('now'))")},
        {QStringLiteral("DELETE FROM prescription WHERE prescription_no = 'BENCH-REREAD'")});
}

// The view's rows from the given row on (by default from the middle of the list, far from the top).
void scrollDown(QTableView* view, int row = -1) {
    // Laid out for the count first: the scroll range follows it only then.
    view->doItemsLayout();
    const int top = row < 0 ? view->model()->rowCount() / 2 : std::min(row, view->model()->rowCount() - 1);
    view->scrollTo(view->model()->index(top, 0), QAbstractItemView::PositionAtTop);
    QCoreApplication::processEvents();
}

// One cell selected and current, whatever modifiers the key events sent before left pressed (Ctrl+A leaves
// Ctrl, with which the view's own setCurrentIndex() would toggle the cell into the selection there is).
void selectCell(QTableView* view, const QModelIndex& index) {
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

// A click on a cell in sight, or on a column's header.
void click(QWidget* widget, const QPoint& at) {
    QMouseEvent press(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

// The list's cells selected several at a time, as the prescription register selects them; its model.
RowTableModel* cellsSelectedFreely(QTableView* view) {
    view->setSelectionBehavior(QAbstractItemView::SelectItems);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return qobject_cast<RowTableModel*>(view->model());
}

// The sales list read again after another program's write (one order in at the top, then out again), the
// view far from the top, until its header has painted: with every row selected by Ctrl+A beside one cell
// selected, in turns; then a click on one cell with every row selected (clearing all). The list selects
// cells, several at a time, as the prescription register does.
void rereadWithAllSelected(QWidget* parent, const QString& path, int runs) {
    const char* line =
        screenReaderRun ? "re-read, all selected, screen reader" : "sales list re-read, all selected";
    if (!wanted(line))
        return;
    SalesWindow window(parent);
    QTableView* view = shownCounted(&window);
    RowTableModel* model = cellsSelectedFreely(view);
    const int middle = model->rowCount() / 2;
    scrollDown(view);
    WritesElsewhere elsewhere = orderElsewhere(path, false);
    const auto [all, one] = elsewhere.inTurns(
        runs, view,
        [&] {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
            QApplication::sendEvent(view, &press);
        },
        [&] { selectCell(view, model->index(middle + 3, 2)); });
    const Figures clearing = measureTimed(runs, [&] {
        QKeyEvent selectAll(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
        QApplication::sendEvent(view, &selectAll);
        QCoreApplication::processEvents();
        const QPoint cell = view->visualRect(model->index(view->rowAt(0) + 2, 1)).center();
        return timed([&] { paintedAfter(view->viewport(), [&] { click(view->viewport(), cell); }); });
    });
    waitCounted(view);
    const QByteArray note = QStringLiteral("one cell selected; clearing all %1 ms; %2 rows")
                                .arg(clearing.median, 0, 'f', 1)
                                .arg(model->rowCount())
                                .toUtf8();
    printLine(line, all, &one, note.constData());
}

// The prescription register read again after another program's write (one prescription in at the top, then
// out again), the view far from the top: with a column selected by a click on its header beside one cell
// selected, in turns.
void prescriptionsRereadWithColumnSelected(QWidget* parent, const QString& path, int runs) {
    const char* line = "prescriptions re-read, column selected";
    if (!wanted(line))
        return;
    PrescriptionRecordWindow window(parent);
    QTableView* view = shownCounted(&window);
    auto* model = qobject_cast<RowTableModel*>(view->model());
    const int middle = model->rowCount() / 2;
    scrollDown(view);
    WritesElsewhere elsewhere = prescriptionElsewhere(path);
    QHeaderView* header = view->horizontalHeader();
    const auto [column, one] = elsewhere.inTurns(
        runs, view,
        [&] {
            view->clearSelection();
            click(header->viewport(), QPoint(header->sectionViewportPosition(2) + header->sectionSize(2) / 2,
                                             header->height() / 2));
        },
        [&] { selectCell(view, model->index(middle + 3, 2)); });
    waitCounted(view);
    const QByteArray note =
        QStringLiteral("one cell selected; %1 prescriptions").arg(model->rowCount()).toUtf8();
    printLine(line, column, &one, note.constData());
}

// The sales book of every line read again after another program's write (an order of one line in at the
// top, then out again), the view a few screens down: with one row selected by a click beside none selected,
// in turns.
void salesBookRereadWithRowSelected(QWidget* parent, const QString& path, int runs) {
    const char* line = "sales book re-read, row selected";
    if (!wanted(line))
        return;
    SalesRecordReportWindow window(parent);
    QTableView* view = shownCounted(&window);
    window.findChild<QDateEdit*>(QStringLiteral("dateStart"))->setDate(QDate(2000, 1, 1));
    window.findChild<QPushButton*>(QStringLiteral("btnQuery"))->click();
    waitCounted(view);
    auto* model = qobject_cast<RowTableModel*>(view->model());
    scrollDown(view, 1000);
    WritesElsewhere elsewhere = orderElsewhere(path, true);
    const auto [row, none] = elsewhere.inTurns(
        runs, view,
        [&] { click(view->viewport(), view->visualRect(model->index(view->rowAt(0) + 3, 2)).center()); },
        [&] {
            view->clearSelection();
            view->setCurrentIndex(QModelIndex());
        });
    waitCounted(view);
    const QByteArray note =
        QStringLiteral("none selected; %1 lines, the view at row 1000").arg(model->rowCount()).toUtf8();
    printLine(line, row, &none, note.constData());
}

// The longest time the GUI thread did not answer at a key: the largest gap between the ticks of a 5 ms timer,
// from the key until the list is counted (a list read again after another program's write counts anew) and a
// few ticks more (the view and its header have painted), with the gap to the first tick included. By default
// a key that moves nothing: the view reads the list again before it, as at any key after a change.
double longestBlock(QTableView* view, RowTableModel* model, Qt::Key key = Qt::Key_Shift,
                    const QString& text = QString()) {
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    bool started = false;
    int ticksAfter = 0;
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
        if (started && model->countKnown() && ++ticksAfter >= 3)
            loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    QTimer::singleShot(0, &loop, [&] {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(view, &press);
        view->horizontalHeader()->viewport()->update();
        started = true;
    });
    clock.start();
    tick.start();
    loop.exec();
    return longest / 1e6;
}

// Whether any line named name(a, b), for each a of as and b of bs, is wanted.
template <size_t A, size_t B, class Name>
bool anyWanted(const char* const (&as)[A], const char* const (&bs)[B], const Name& name) {
    for (const char* a : as)
        for (const char* b : bs)
            if (wanted(qPrintable(name(a, b))))
                return true;
    return false;
}

// Where the block lines place the view: its top, row 1,000, the middle and the end of the list.
const char* const kPlaces[] = {"top", "row 1000", "middle", "end"};

// Shows the list window counted; a book from 2000-01-01 on, every line of it.
QTableView* shownWhole(QMainWindow* window, bool book) {
    QTableView* view = shownCounted(window);
    if (book) {
        window->findChild<QDateEdit*>(QStringLiteral("dateStart"))->setDate(QDate(2000, 1, 1));
        window->findChild<QPushButton*>(QStringLiteral("btnQuery"))->click();
        waitCounted(view);
    }
    return view;
}

// Scrolls the counted list to one of kPlaces; returns the first row in sight.
int scrollToPlace(QTableView* view, const QString& where) {
    waitCounted(view);
    view->doItemsLayout();
    const int rows = view->model()->rowCount();
    const int top = where == QLatin1String("top")        ? 0
                    : where == QLatin1String("row 1000") ? 1000
                    : where == QLatin1String("middle")   ? rows / 2
                                                         : rows - 1;
    view->clearSelection();
    if (where == QLatin1String("end"))
        view->scrollToBottom();
    else
        view->scrollTo(view->model()->index(top, 0), QAbstractItemView::PositionAtTop);
    QCoreApplication::processEvents();
    return std::max(0, view->rowAt(0));
}

// A click on a cell in sight, as the list stands now, until the view has painted.
double clickInSight(QTableView* view) {
    waitCounted(view);
    const QPoint cell = view->visualRect(view->model()->index(view->rowAt(0) + 1, 1)).center();
    return timed([&] { paintedAfter(view->viewport(), [&] { click(view->viewport(), cell); }); });
}

// A block line: the blocks' median beside the clicks'.
void printBlocks(const QString& name, const QVector<double>& blocks, const QVector<double>& clicks,
                 int rows) {
    const Figures block = summarise(blocks);
    const Figures clicked = summarise(clicks);
    const QByteArray note =
        QStringLiteral("a click; worst block %1 ms; %2 rows").arg(block.worst, 0, 'f', 1).arg(rows).toUtf8();
    printLine(qPrintable(name), block, &clicked, note.constData());
}

// Makes the third row in sight, shown being the first, current and selected, as a click on it does.
void selectRowInSight(QTableView* view, int shown) {
    view->selectionModel()->setCurrentIndex(view->model()->index(shown + 2, 1),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// The block lines named lineName(place, other), for each of kPlaces and each of others, that are wanted: in
// each run the view is placed, measure(first row in sight, other) gives the block, and a click on a cell
// follows in the same run.
template <size_t B, class Name, class Measure>
void blockLines(QTableView* view, int runs, const char* const (&others)[B], const Name& lineName,
                const Measure& measure) {
    for (const char* place : kPlaces) {
        for (const char* other : others) {
            const QString name = lineName(place, other);
            if (!wanted(qPrintable(name)))
                continue;
            QVector<double> blocks;
            QVector<double> clicks;
            for (int run = 0; run < runs; ++run) {
                const int shown = scrollToPlace(view, QString::fromUtf8(place));
                blocks.append(measure(shown, QString::fromUtf8(other)));
                clicks.append(clickInSight(view));
            }
            printBlocks(name, blocks, clicks, view->model()->rowCount());
        }
    }
}

// Each list read again after another program's write at its top, at row 1,000, in the middle and at its end,
// with one row, a column (by its header) and every row selected: the window's longest block while the re-read
// and its counts run, beside a click on a cell in the same run.
template <class Window>
void rereadBlocks(QWidget* parent, const QString& path, int runs, const char* list, bool book,
                  WritesElsewhere (*writesOn)(const QString&)) {
    const QString prefix = QStringLiteral("re-read block, %1").arg(QString::fromUtf8(list));
    const char* selections[] = {"one row", "a column", "all"};
    const QString bridge = screenReaderRun ? QStringLiteral(", screen reader") : QString();
    const auto lineName = [&](const char* place, const char* selection) {
        return prefix + QStringLiteral(", %1, %2").arg(place, selection) + bridge;
    };
    if (!anyWanted(kPlaces, selections, lineName))
        return;
    Window window(parent);
    QTableView* view = shownWhole(&window, book);
    RowTableModel* model = cellsSelectedFreely(view);
    WritesElsewhere elsewhere = writesOn(path);
    QHeaderView* header = view->horizontalHeader();
    blockLines(view, runs, selections, lineName, [&](int shown, const QString& what) {
        if (what == QLatin1String("one row")) {
            selectRowInSight(view, shown);
        } else if (what == QLatin1String("a column")) {
            click(header->viewport(), QPoint(header->sectionViewportPosition(2) + header->sectionSize(2) / 2,
                                             header->height() / 2));
        } else {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
            QApplication::sendEvent(view, &press);
        }
        QCoreApplication::processEvents();
        waitCounted(view);
        elsewhere.writeNow();
        return longestBlock(view, model);
    });
}

// A letter and Space typed into the sales book of every line, a row current at its top, at row 1,000, in the
// middle and at its end: the window's longest block, beside a click on a cell in the same run.
void typeAheadBlocks(QWidget* parent, int runs) {
    const char* keys[] = {"a", "Space"};
    const auto lineName = [](const char* place, const char* key) {
        return QStringLiteral("type-ahead block, sales book, %1, %2").arg(place, key);
    };
    if (screenReaderRun || !anyWanted(kPlaces, keys, lineName))
        return;
    SalesRecordReportWindow window(parent);
    QTableView* view = shownWhole(&window, true);
    auto* model = qobject_cast<RowTableModel*>(view->model());
    blockLines(view, runs, keys, lineName, [&](int shown, const QString& key) {
        selectRowInSight(view, shown);
        QCoreApplication::processEvents();
        return key == QLatin1String("Space") ? longestBlock(view, model, Qt::Key_Space, QStringLiteral(" "))
                                             : longestBlock(view, model, Qt::Key_A, QStringLiteral("a"));
    });
}

// A screen reader's questions about the selection of the prescription register (the number of selected rows,
// and the selected rows), with a column selected by its header and with every row selected by Ctrl+A, beside
// the same questions with one cell selected, in turns.
void selectionQueries(QWidget* parent, int runs) {
    if (screenReaderRun)
        return;
    const char* selections[] = {"a column", "all"};
    const char* questions[] = {"selected row count", "selected rows"};
    const auto name = [](const char* question, const char* selection) {
        return QStringLiteral("screen reader, prescriptions, %1, %2").arg(question, selection);
    };
    if (!anyWanted(questions, selections, name))
        return;
    PrescriptionRecordWindow window(parent);
    QTableView* view = shownCounted(&window);
    RowTableModel* model = cellsSelectedFreely(view);
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(view);
    if (!table || !table->tableInterface()) {
        std::printf("%-38s skipped: the list has no accessible table\n", "screen reader, prescriptions");
        return;
    }
    QHeaderView* header = view->horizontalHeader();
    for (const char* question : questions) {
        for (const char* selection : selections) {
            const QString line = name(question, selection);
            if (!wanted(qPrintable(line)))
                continue;
            const bool count = QString::fromUtf8(question) == QLatin1String("selected row count");
            int answer = 0;
            const auto ask = [&] {
                return timed([&] {
                    answer = count ? table->tableInterface()->selectedRowCount()
                                   : table->tableInterface()->selectedRows().size();
                });
            };
            int asked = 0;
            const auto [selected, one] = measureInTurns(
                runs,
                [&] {
                    view->clearSelection();
                    if (QString::fromUtf8(selection) == QLatin1String("all")) {
                        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
                        QApplication::sendEvent(view, &press);
                    } else {
                        click(header->viewport(),
                              QPoint(header->sectionViewportPosition(2) + header->sectionSize(2) / 2,
                                     header->height() / 2));
                    }
                    QCoreApplication::processEvents();
                    const double ms = ask();
                    asked = answer;
                    return ms;
                },
                [&] {
                    selectCell(view, model->index(3, 2));
                    QCoreApplication::processEvents();
                    return ask();
                });
            const QByteArray note = QStringLiteral("one cell selected; answered %1; %2 prescriptions")
                                        .arg(asked)
                                        .arg(model->rowCount())
                                        .toUtf8();
            printLine(qPrintable(line), selected, &one, note.constData());
        }
    }
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
        else if (args.at(i) == QLatin1String("--screen-reader"))
            screenReaderRun = true;
        else
            path = args.at(i);
    }
    if (path.isEmpty() || !QFile::exists(path)) {
        std::fprintf(stderr,
                     "usage: kvbench DATABASE.db [--runs N] [--only TEXT]   (write one with kvbenchgen)\n");
        return 2;
    }
    if (!screenReaderRun) {
        printHeader();
    } else if (!bridgeStarted()) {
        std::printf("%-38s skipped: the accessibility bridge did not start\n", "screen reader");
        return 0;
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

    if (!screenReaderRun)
        printListHeader();
    Bench bench(runs, mainWindow.get());
    bench.listWindow(
        "near-expiry query with its dialog",
        [](QWidget*) { return static_cast<QWidget*>(new ExpiryWarningDialog(nearExpiryItems())); },
        nearExpiry);
    bench.listWindow("product list window", opens<ProductManagerWindow>,
                     {QStringLiteral("SELECT * FROM product WHERE status = 1 ORDER BY id DESC"), {}});
    const Sql listedSuppliers{
        QStringLiteral("SELECT * FROM supplier WHERE status != 'suspended' ORDER BY id DESC"), {}};
    bench.listWindow("supplier list window", opens<SupplierManagerWindow>, listedSuppliers);
    bench.listWindow("operation-log window", opens<OperLogWindow>,
                     {QStringLiteral("SELECT id, user_id, user_name, module, action, detail, ip_address, "
                                     "created_at FROM sys_operation_log ORDER BY created_at DESC LIMIT 500"),
                      {}});
    bench.listWindow(
        "prescription register window", opens<PrescriptionRecordWindow>,
        {QStringLiteral("SELECT p.* FROM prescription p ORDER BY p.created_at DESC"), {}},
        {QStringLiteral(
            "SELECT line.* FROM prescription_item line WHERE line.prescription_id IN (SELECT p.id "
            "FROM prescription p) ORDER BY line.id")});
    bench.listWindow(
        "purchase list window", opens<PurchaseWindow>,
        {QStringLiteral("SELECT po.*, s.name AS supplier_name, u.real_name AS operator_name FROM "
                        "purchase_order po LEFT JOIN supplier s ON po.supplier_id = s.id LEFT JOIN "
                        "sys_user u ON po.operator_id = u.id ORDER BY po.inbound_date DESC"),
         {}});
    if (wanted("purchase order of 10 lines committed"))
        printLine("purchase order of 10 lines committed", purchaseOrderCommits(runs), nullptr,
                  "target < 10 ms");
    if (wanted("stocktaking approval, 200 lines"))
        printLine("stocktaking approval, 200 lines", measureTimed(runs, approveSheetOf200), nullptr,
                  "one transaction; target < 50 ms");
    using repositories::ProductRepository;
    bench.listWindow("purchase return picker",
                     [](QWidget* parent) {
                         return new ProductBatchSelectionDialog(
                             parent, ProductBatchSelectionDialog::PurchaseReturnMode);
                     },
                     {ProductRepository::purchaseReturnBatchList(QString()).all().sql, {Clock::todayText()}});
    bench.listWindow("sales return picker (sold lines)",
                     [](QWidget* parent) {
                         return new ProductBatchSelectionDialog(parent,
                                                                ProductBatchSelectionDialog::SalesReturnMode);
                     },
                     {ProductRepository::soldLineList(QString()).all().sql, {}});

    const QString stockSelect = QStringLiteral(
        "SELECT b.id as batch_id, b.product_id, b.supplier_id, b.batch_no, b.production_date, b.expiry_date, "
        "b.quantity, b.unit_cost, p.id, p.barcode, p.name, p.specification, p.manufacturer, p.category, "
        "p.unit, p.purchase_price, p.sale_price, p.status, s.name as supplier_name "
        "FROM inventory_batch b INNER JOIN product p ON b.product_id = p.id "
        "LEFT JOIN supplier s ON b.supplier_id = s.id WHERE b.quantity > 0");
    bench.listWindow("stock window (all batches)", opens<InventoryWindow>,
                     {stockSelect + QStringLiteral(" ORDER BY b.id DESC"), {}});
    if (wanted("stock window, expiring in 30 days") || wanted("stock window, drugs out of stock")) {
        InventoryWindow stock(mainWindow.get());
        showPainted(&stock);
        auto* list = stock.findChild<QTableView*>(QStringLiteral("tableInventory"));
        auto* expiring = stock.findChild<QPushButton*>(QStringLiteral("btnShowExpiring"));
        auto* outOfStock = stock.findChild<QPushButton*>(QStringLiteral("btnShowOutOfStock"));
        bench.listSwitch("stock window, expiring in 30 days", list, [&] { expiring->click(); },
                         {stockSelect + QStringLiteral(" AND b.expiry_date <= ? ORDER BY b.id DESC"),
                          {QDate::currentDate().addDays(30).toString(QStringLiteral("yyyy-MM-dd"))}});
        bench.listSwitch(
            "stock window, drugs out of stock", list, [&] { outOfStock->click(); },
            {QStringLiteral("SELECT p.id, p.barcode, p.name, p.specification, p.manufacturer, "
                            "p.category, p.unit, p.purchase_price, p.sale_price, p.status "
                            "FROM product p WHERE p.status = 1 AND (SELECT COALESCE(SUM("
                            "b.quantity), 0) FROM inventory_batch b WHERE b.product_id = p.id) = 0 "
                            "ORDER BY p.id DESC"),
             {}});
    }

    bench.listWindow("near-expiry window", opens<ExpiryWarningWindow>, nearExpiry);
    bench.listWindow("warning centre (near expiry)", opens<InventoryWarningWindow>,
                     {stockSelect + QStringLiteral(" AND b.expiry_date <= ? ORDER BY b.id DESC"),
                      {QDate::currentDate().addDays(180).toString(QStringLiteral("yyyy-MM-dd"))}});
    if (wanted("warning centre, low stock") || wanted("warning centre, supplier licences")) {
        InventoryWarningWindow centre(mainWindow.get());
        showPainted(&centre);
        auto* tabs = centre.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
        auto* refresh = centre.findChild<QPushButton*>(QStringLiteral("btnRefresh"));
        auto table = [&centre](const char* name) {
            return centre.findChild<QTableView*>(QLatin1String(name));
        };
        tabs->setCurrentIndex(1);
        bench.listSwitch(
            "warning centre, low stock", table("tableStock"), [&] { refresh->click(); },
            {QStringLiteral("SELECT p.id, p.barcode, p.name, p.specification, p.manufacturer, p.unit, "
                            "p.purchase_price, p.sale_price, COALESCE(SUM(b.quantity), 0) as "
                            "total_stock FROM product p LEFT JOIN inventory_batch b ON p.id = "
                            "b.product_id WHERE p.status = 1 GROUP BY p.id HAVING total_stock < 10 "
                            "ORDER BY total_stock ASC"),
             {}});
        tabs->setCurrentIndex(2);
        bench.listSwitch(
            "warning centre, supplier licences", table("tableSupplier"), [&] { refresh->click(); },
            {QStringLiteral("SELECT * FROM supplier WHERE status != 'suspended' ORDER BY id DESC"), {}});
    }

    bench.listWindow(
        "temperature record window", opens<TempHumidityRecordWindow>,
        {QStringLiteral("SELECT * FROM temperature_record WHERE record_date = ? ORDER BY id DESC"),
         {QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))}});
    // The book opens on its month, then the user asks for the whole year.
    const QDate yearAgo = QDate::currentDate().addYears(-1);
    bench.listWindow(
        "temperature book, one year",
        [yearAgo](QWidget* parent) {
            auto* window = new TempHumidityReportWindow(parent);
            window->findChild<QDateEdit*>(QStringLiteral("dateStart"))->setDate(yearAgo);
            window->findChild<QPushButton*>(QStringLiteral("btnQuery"))->click();
            return window;
        },
        {QStringLiteral("SELECT * FROM temperature_record WHERE record_date >= ? AND record_date <= ? "
                        "ORDER BY id DESC"),
         {yearAgo.toString(QStringLiteral("yyyy-MM-dd")),
          QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))}});

    bench.listWindow(
        "maintenance window (all months)", opens<MaintenanceWindow>,
        {QStringLiteral("SELECT mc.*, u.real_name FROM maintenance_check mc LEFT JOIN sys_user u ON "
                        "mc.checked_by = u.id ORDER BY mc.check_month DESC"),
         {}});
    bench.listWindow(
        "maintenance book, three months", opens<MaintenanceReportWindow>,
        {QStringLiteral("SELECT mc.*, u.real_name FROM maintenance_check mc LEFT JOIN sys_user u "
                        "ON mc.checked_by = u.id WHERE date(mc.check_date) >= ? AND "
                        "date(mc.check_date) <= ? ORDER BY mc.check_month DESC, mc.check_date DESC"),
         {QDate::currentDate().addMonths(-3).toString(QStringLiteral("yyyy-MM-dd")),
          QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))}});

    // The register and its book read the same statement; the picker offers every batch in stock.
    const Sql rejectedRegister{
        QStringLiteral(
            "SELECT DISTINCT u.*, fu.real_name as found_by_name, pu.real_name as process_by_name FROM "
            "unqualified_drug u LEFT JOIN sys_user fu ON u.found_by = fu.id LEFT JOIN sys_user pu ON "
            "u.process_by = pu.id LEFT JOIN product p ON u.product_id = p.id ORDER BY u.created_at DESC"),
        {}};
    bench.listWindow("non-conforming drug register", opens<RejectedDrugWindow>, rejectedRegister);
    bench.listWindow("non-conforming drugs book", opens<RejectedDrugReportWindow>, rejectedRegister);
    bench.listWindow(
        "non-conforming drug batch picker", opens<RejectedDrugSelectionDialog>,
        {QStringLiteral(
             "SELECT b.*, p.*, s.name as supplier_name FROM inventory_batch b CROSS JOIN product p "
             "ON b.product_id = p.id LEFT JOIN supplier s ON b.supplier_id = s.id "
             "WHERE b.quantity > 0 AND p.status = 1 ORDER BY b.id DESC"),
         {}});
    bench.listWindow(
        "sales list window", opens<SalesWindow>,
        {QStringLiteral("SELECT s.id, s.order_no, s.total_amount, s.sale_date, u.real_name, s.status, c.name "
                        "AS customer_name FROM sales_order s LEFT JOIN sys_user u ON s.operator_id = u.id "
                        "LEFT JOIN customer c ON s.customer_id = c.id ORDER BY s.id DESC"),
         {}});
    // The pickers and lists that read the master tables or a document list, measured beside the statement
    // they page (or, for those that hold their rows, beside the one given).
    const Sql noStatement;
    bench.listWindow("sales order picker", opens<SalesOrderSelectionDialog>, noStatement);
    bench.listWindow("purchase order picker", opens<PurchaseOrderSelectionDialog>, noStatement);
    bench.listWindow(
        "drug picker (with stock)",
        [](QWidget* parent) { return new ProductSelectionDialog(parent, true, false); }, noStatement);
    bench.listWindow("supplier picker", opens<SupplierSelectionDialog>, listedSuppliers);
    const Sql customers{QStringLiteral("SELECT * FROM customer ORDER BY id"), {}};
    bench.listWindow("customer list window", opens<CustomerManagerWindow>, customers);
    bench.listWindow("customer picker", opens<CustomerSelectionDialog>, customers);
    bench.listWindow("sales return list window", opens<SalesReturnWindow>, noStatement);
    bench.listWindow("stocktaking list window", opens<InventoryCheckWindow>,
                     {QStringLiteral("SELECT * FROM inventory_check ORDER BY id DESC"), {}});
    searchLine(bench, "sales list, search by drug name", new SalesWindow(mainWindow.get()), "editSearch",
               "btnSearch", QStringLiteral("阿莫西林"));
    searchLine(bench, "product list, search", new ProductManagerWindow(mainWindow.get()), "editSearch",
               "btnSearch", QStringLiteral("感冒"));
    searchLine(
        bench, "sales return picker, search by drug name",
        new ProductBatchSelectionDialog(mainWindow.get(), ProductBatchSelectionDialog::SalesReturnMode),
        "editSearch", "btnSearch", QStringLiteral("阿莫西林"));
    searchLine(bench, "prescription register, search by patient",
               new PrescriptionRecordWindow(mainWindow.get()), "txtPatientName", "btnSearch",
               QStringLiteral("王"));
    bench.listWindow(
        "sales batch picker", opens<SalesProductSelectionDialog>,
        {QStringLiteral(
             "SELECT b.id as batch_id, b.product_id, b.supplier_id, b.batch_no, b.production_date, "
             "b.expiry_date, b.quantity, b.unit_cost, b.status, b.created_at, b.updated_at, p.id, "
             "p.barcode, p.name, p.specification, p.approval_no, p.manufacturer, p.category, "
             "p.storage_condition, p.is_prescription, p.unit, p.purchase_price, p.sale_price, "
             "p.status, p.created_at, p.updated_at, s.name as supplier_name FROM inventory_batch b "
             "INNER JOIN product p ON b.product_id = p.id LEFT JOIN supplier s ON b.supplier_id = "
             "s.id WHERE b.quantity > 0 AND b.expiry_date > ? AND p.status = 1 ORDER BY b.id DESC"),
         {Clock::todayText()}});
    if (wanted("sale of 3 lines"))
        saleOfThreeLines(runs);

    bench.listWindow("qualification warning window", opens<QualificationWarningWindow>, listedSuppliers);
    bench.listWindow("supplier qualification book", opens<SupplierReportWindow>, listedSuppliers);
    bench.listWindow("near-expiry book (180 days)", opens<ExpiryReportWindow>, nearExpiry);
    recordBookLines<PurchaseReportWindow>(bench, mainWindow.get(), "purchase book", purchaseRecords());
    recordBookLines<AcceptanceReportWindow>(bench, mainWindow.get(), "acceptance book", acceptanceRecords());
    recordBookLines<SalesRecordReportWindow>(bench, mainWindow.get(), "sales book", salesRecords());
    salesYearExport(mainWindow.get(), std::min(runs, 3));
    rereadWithAllSelected(mainWindow.get(), path, runs);
    prescriptionsRereadWithColumnSelected(mainWindow.get(), path, runs);
    salesBookRereadWithRowSelected(mainWindow.get(), path, runs);
    rereadBlocks<SalesRecordReportWindow>(mainWindow.get(), path, runs, "sales book", true,
                                          [](const QString& file) { return orderElsewhere(file, true); });
    rereadBlocks<SalesWindow>(mainWindow.get(), path, runs, "sales list", false,
                              [](const QString& file) { return orderElsewhere(file, false); });
    rereadBlocks<PrescriptionRecordWindow>(mainWindow.get(), path, runs, "prescription register", false,
                                           prescriptionElsewhere);
    selectionQueries(mainWindow.get(), runs);
    typeAheadBlocks(mainWindow.get(), runs);
    // The child runs what is asked with "screen reader" in it, or by default the sales list's line.
    if (!screenReaderRun && (wanted("sales list re-read, all selected") ||
                             onlySteps.contains(QLatin1String("screen reader"), Qt::CaseInsensitive)))
        rereadWithScreenReader(path, runs);

    mainWindow.reset();
    manager.shutdown();
    return 0;
}

// Times the product import of a generated workbook (.xlsx and .xls) on an empty file, on a file that already
// lists other drugs, and on that file with statistics for every table but product (what ANALYZE leaves when
// it ran before the drugs came in): kvimportbench [--rows N] [--stored N] [--keep DIR]. --keep writes the
// workbooks and files into DIR and leaves them there. The .xls is written with Debian's python3-xlwt.
#include "core/databasemanager.h"
#include "repositories/productrepository.h"
#include "tests/support/workbookfixtures.h"
#include "ui/common/prompts.h"
#include "ui/import/productimportdialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextEdit>

#include <sys/resource.h>

#include <cstdio>

using namespace kestrovalin;

namespace {

QList<QVariantList> drugRows(int count) {
    QList<QVariantList> rows{{"药品条码", "药品名称(*)", "助记码", "规格", "批准文号", "生产厂商", "分类",
                              "储存条件", "是否处方药", "单位", "采购价", "销售价"}};
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i);
        rows << QVariantList{6930000000000.0 + i,
                             QStringLiteral("测试药品") + n,
                             QStringLiteral("CSYP") + n,
                             QStringLiteral("0.25g*24粒"),
                             QStringLiteral("国药准字H2%1").arg(i, 7, 10, QLatin1Char('0')),
                             QStringLiteral("示例制药有限公司"),
                             i % 3 == 0 ? QStringLiteral("处方药") : QStringLiteral("OTC甲类"),
                             QStringLiteral("常温"),
                             i % 3 == 0 ? QStringLiteral("是") : QStringLiteral("否"),
                             QStringLiteral("盒"),
                             5.0 + (i % 100) / 10.0,
                             9.5 + (i % 100) / 10.0};
    }
    return rows;
}

bool writeXls(const QString& path, int count) {
    const QString script = QStringLiteral(
        "import sys, xlwt\n"
        "b = xlwt.Workbook(encoding='utf-8'); s = b.add_sheet('s')\n"
        "t = "
        "['药品条码','药品名称(*)','助记码','规格','批准文号','生产厂商','分类','储存条件','是否处方药','"
        "单位',"
        "'采购价','销售价']\n"
        "for c, v in enumerate(t): s.write(0, c, v)\n"
        "for i in range(int(sys.argv[2])):\n"
        "    for c, v in enumerate([6930000000000 + i, '测试药品%d' % i, 'CSYP%d' % i, '0.25g*24粒',"
        " 'H2%07d' % i, '示例制药有限公司', 'OTC甲类', '常温', '否', '盒', 5.0 + i % 100 / 10, 9.5]):\n"
        "        s.write(i + 1, c, v)\n"
        "b.save(sys.argv[1])\n");
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), script, path, QString::number(count)});
    return python.waitForFinished(120000) && python.exitCode() == 0 && QFile::exists(path);
}

// The files an import runs on: empty, with `count` drugs stored, and with those drugs but statistics for
// every other table only. Each is made once and copied for every run.
enum class Start { Empty, Stored, StoredWithoutStatistics };

QString startFile(const QString& folder, Start start) {
    static const char* const names[] = {"empty.db", "stored.db", "stored-no-stats.db"};
    return folder + QLatin1Char('/') + QLatin1String(names[int(start)]);
}

QList<models::Product> storedDrugs(int count) {
    QList<models::Product> drugs;
    for (int i = 0; i < count; ++i) {
        models::Product p;
        p.barcode = QString::number(6950000000000LL + i);
        p.name = QStringLiteral("库存药品") + QString::number(i);
        p.specification = QStringLiteral("10mg*24片");
        p.manufacturer = QStringLiteral("示例药业有限公司");
        p.unit = QStringLiteral("盒");
        drugs << p;
    }
    return drugs;
}

bool runStatements(const QString& path, const QStringList& statements) {
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("benchstats"));
        db.setDatabaseName(path);
        ok = db.open();
        for (const QString& sql : statements)
            ok = ok && QSqlQuery(db).exec(sql);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("benchstats"));
    return ok;
}

bool makeStartFiles(const QString& folder, int stored) {
    DatabaseManager& manager = DatabaseManager::instance();
    for (Start start : {Start::Empty, Start::Stored}) {
        QFile::remove(startFile(folder, start));
        if (!manager.initialize(startFile(folder, start)))
            return false;
        const bool ok =
            start == Start::Empty ||
            repositories::ProductRepository(manager.getAdapter()).insertAll(storedDrugs(stored)).outcome ==
                repositories::BulkInsertResult::Outcome::Stored;
        manager.shutdown();
        if (!ok)
            return false;
    }
    const QString bare = startFile(folder, Start::StoredWithoutStatistics);
    QFile::remove(bare);
    return runStatements(startFile(folder, Start::Stored),
                         {QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")}) &&
           QFile::copy(startFile(folder, Start::Stored), bare) &&
           runStatements(bare, {QStringLiteral("ANALYZE"),
                                QStringLiteral("DELETE FROM sqlite_stat1 WHERE tbl = 'product'")});
}

// One import run on a copy of a start file; the question is answered `yes`. Milliseconds, or -1.
double importOnce(const QString& folder, Start start, const QString& workbook, bool yes, QString& lastLine) {
    DatabaseManager& manager = DatabaseManager::instance();
    manager.shutdown();
    const QString path = folder + QStringLiteral("/bench.db");
    QFile::remove(path);
    if (!QFile::copy(startFile(folder, start), path) || !manager.initialize(path))
        return -1;
    ProductImportDialog dialog;
    Prompts::reset();
    Prompts::queueFileName(workbook);
    Prompts::queueQuestion(yes);
    dialog.findChild<QPushButton*>(QStringLiteral("btnBrowse"))->click();
    QElapsedTimer timer;
    timer.start();
    dialog.findChild<QPushButton*>(QStringLiteral("btnStartImport"))->click();
    const double ms = timer.nsecsElapsed() / 1e6;
    lastLine = dialog.findChild<QTextEdit*>(QStringLiteral("textResult"))
                   ->toPlainText()
                   .section(QLatin1Char('\n'), -1);
    manager.shutdown();
    return ms;
}

const char* const kUsage = "usage: kvimportbench [--rows N] [--stored N] [--keep DIR]\n";

struct Options {
    int rows = 10000;
    int stored = 20000;
    QString keep;
    bool help = false;
};

// False for an option it does not know, one without its value, or a count that is no count.
bool parseOptions(const QStringList& args, Options& options) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            options.help = true;
            continue;
        }
        if (i + 1 >= args.size())
            return false;
        const QString& value = args.at(++i);
        bool ok = true;
        if (arg == QLatin1String("--rows"))
            options.rows = value.toInt(&ok);
        else if (arg == QLatin1String("--stored"))
            options.stored = value.toInt(&ok);
        else if (arg == QLatin1String("--keep"))
            options.keep = value;
        else
            return false;
        if (!ok || options.rows < 0 || options.stored < 0)
            return false;
    }
    return true;
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    Options options;
    const bool understood = parseOptions(app.arguments().mid(1), options);
    if (options.help || !understood) {
        std::fputs(kUsage, understood ? stdout : stderr);
        return understood ? 0 : 2;
    }
    const int rows = options.rows;
    const int stored = options.stored;
    QTemporaryDir temporary;
    const QString folder = options.keep.isEmpty() ? temporary.path() : options.keep;
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(folder));
        return 1;
    }
    Prompts::setTestMode(true);

    const QString xlsx = folder + QStringLiteral("/drugs.xlsx");
    const QString xls = folder + QStringLiteral("/drugs.xls");
    test::writeWorkbook(xlsx, drugRows(rows));
    const bool haveXls = writeXls(xls, rows);
    if (!makeStartFiles(folder, stored)) {
        std::fprintf(stderr, "cannot prepare the database files in %s\n", qPrintable(folder));
        return 1;
    }
    std::printf(
        "%d drugs per workbook, on an empty file and on one of %d drugs (milliseconds); the target is "
        "5 s per run and at most twice the empty file's time\n",
        rows, stored);
    std::printf("%-6s %-30s %10s %10s %12s\n", "", "", "empty", "stored", "no product stats");
    for (const QString& workbook : {xlsx, xls}) {
        const char* kind = workbook == xlsx ? "xlsx" : "xls";
        if (workbook == xls && !haveXls) {
            std::printf("%-6s skipped: /usr/bin/python3 with xlwt is needed to write it\n", kind);
            continue;
        }
        for (bool yes : {false, true}) {
            double ms[3];
            QString line;
            for (Start start : {Start::Empty, Start::Stored, Start::StoredWithoutStatistics})
                ms[int(start)] = importOnce(folder, start, workbook, yes, line);
            const double worst = qMax(ms[1], ms[2]);
            std::printf("%-6s %-30s %10.0f %10.0f %12.0f   %s   (%s)\n", kind,
                        yes ? "read, check and store" : "read and check, answer No", ms[0], ms[1], ms[2],
                        worst < 5000 && worst <= 2 * ms[0] ? "ok" : "MISSED", qPrintable(line));
        }
    }
    std::printf("peak memory %ld MB\n", peakKilobytes() / 1024);
    if (!options.keep.isEmpty())
        std::printf("workbooks and files kept in %s\n", qPrintable(folder));
    return 0;
}

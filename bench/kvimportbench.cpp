// Times the product import on a generated workbook of 20,000 drugs, .xlsx and .xls:
// kvimportbench [--rows N] [--keep DIR]. The .xls is written with Debian's python3-xlwt when present.
#include "core/databasemanager.h"
#include "tests/support/workbookfixtures.h"
#include "ui/common/prompts.h"
#include "ui/import/productimportdialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
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

// One import run on a fresh database; the question is answered `yes`. Milliseconds, or -1.
double importOnce(const QString& folder, const QString& workbook, bool yes, QString& lastLine) {
    DatabaseManager& manager = DatabaseManager::instance();
    manager.shutdown();
    QFile::remove(folder + QStringLiteral("/bench.db"));
    if (!manager.initialize(folder + QStringLiteral("/bench.db")))
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

    int rows = 20000;
    const QStringList args = app.arguments();
    const int rowsAt = args.indexOf(QStringLiteral("--rows"));
    if (rowsAt > 0 && rowsAt + 1 < args.size())
        rows = args.at(rowsAt + 1).toInt();
    QTemporaryDir dir;
    Prompts::setTestMode(true);

    const QString xlsx = dir.filePath(QStringLiteral("drugs.xlsx"));
    const QString xls = dir.filePath(QStringLiteral("drugs.xls"));
    test::writeWorkbook(xlsx, drugRows(rows));
    const bool haveXls = writeXls(xls, rows);
    std::printf("%d drugs per workbook; the target is 5 s per run, the 200 ms busy pause included\n", rows);
    for (const QString& workbook : {xlsx, xls}) {
        if (workbook == xls && !haveXls) {
            std::printf("%-6s skipped: /usr/bin/python3 with xlwt is needed to write it\n", "xls");
            continue;
        }
        const char* kind = workbook == xlsx ? "xlsx" : "xls";
        QString line;
        const double check = importOnce(dir.path(), workbook, false, line);
        std::printf("%-6s read and check, answer No   %8.0f ms   %s\n", kind, check,
                    check < 5000 ? "ok" : "MISSED");
        const double full = importOnce(dir.path(), workbook, true, line);
        std::printf("%-6s read, check and store       %8.0f ms   %s   (%s)\n", kind, full,
                    full < 5000 ? "ok" : "MISSED", qPrintable(line));
    }
    std::printf("peak memory %ld MB\n", peakKilobytes() / 1024);
    return 0;
}

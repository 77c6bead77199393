#include "core/rowreader.h"
#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/common/reportframe.h"
#include "ui/reports/temphumidityreportwindow.h"

#include "tests/support/modalanswer.h"
#include "tests/support/modeltexts.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/reportprobe.h"
#include "tests/support/testdatabase.h"
#include "tests/support/windowprobe.h"
#include "tests/support/windowreturn.h"

#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

const QDate kToday(2025, 3, 31);

void addReading(TestDatabase& t, int id, const QString& date, const QString& time, double temperature,
                int humidity, const QString& temperatureStatus, const QString& humidityStatus,
                const QVariant& operatorName = QStringLiteral("张丽")) {
    t.exec(
        "INSERT INTO temperature_record (id, record_date, record_time, temperature, humidity, "
        "temperature_status, humidity_status, operator_id, operator_name) VALUES (?, ?, ?, ?, ?, ?, ?, 2, ?)",
        {id, date, time, temperature, humidity, temperatureStatus, humidityStatus, operatorName});
}

// A normal reading on each of 21, 22 and 23 March, ids 1 to 3.
void addThreeDays(TestDatabase& t) {
    for (int id = 1; id <= 3; ++id)
        addReading(t, id, "2025-03-2" + QString::number(id), "08:00:00", 20, 50, "normal", "normal");
}

const QAbstractItemModel* modelOf(QObject* window) {
    return tableModel(window, "tableReport");
}

QString column(QObject* window, int c) {
    return texts(modelOf(window), -1, c);
}

// A cell's text colour by name, "-" for the table's own.
QString colour(QObject* window, int r, int c) {
    return columnColours(modelOf(window), c).split('|').value(r);
}

QString total(QObject* window) {
    return labelText(window, "labelTotal");
}

void setRange(QObject* window, const QDate& start, const QDate& end) {
    window->findChild<QDateEdit*>("dateStart")->setDate(start);
    window->findChild<QDateEdit*>("dateEnd")->setDate(end);
}

// A book with its own SQL, its form built in code under the frame's widget names.
class SqlBook : public QMainWindow {
public:
    explicit SqlBook(QWidget* parent = nullptr) : QMainWindow(parent) {
        auto* central = new QWidget(this);
        auto* layout = new QVBoxLayout(central);
        auto* filters = new QGroupBox(QStringLiteral("查询条件"), central);
        auto* grid = new QGridLayout(filters);
        grid->setObjectName("gridLayout");
        for (const char* name : {"dateStart", "dateEnd"}) {
            auto* edit = new QDateEdit(filters);
            edit->setObjectName(name);
            grid->addWidget(edit, 0, grid->columnCount());
        }
        auto* table = new QTableView(central);
        table->setObjectName("tableReport");
        auto* label = new QLabel(QStringLiteral("共 0 条记录"), central);
        label->setObjectName("labelTotal");
        layout->addWidget(filters);
        layout->addWidget(table);
        layout->addWidget(label);
        setCentralWidget(central);
        ReportSetup setup;
        setup.title = QStringLiteral("测试记录表");
        setup.exportCaption = QStringLiteral("导出测试记录表");
        setup.columns = QStringList{QStringLiteral("记录日期"), QStringLiteral("记录人")};
        setup.monthsBack = 1;
        setup.log = &OperLogHelper::logSales;
        frame = new ReportFrame(this, parent, setup);
    }

    bool load(const QString& notesFilter) {
        ListQuery list;
        list.columns = QStringLiteral("record_date, operator_name");
        list.from = QStringLiteral("FROM temperature_record");
        list.where = QStringLiteral("record_date >= ? AND record_date <= ?");
        list.order = {{QStringLiteral("id")}};
        ReportQuery query(list, frame->startDate(), frame->endDate());
        query.like(QStringLiteral("notes LIKE ?"), notesFilter);
        return frame->showQuery(query, [](const Row& r) {
            return TableRow(-1, {r.at(0).toString(), r.at(1).toString()});
        });
    }

    ReportFrame* frame;
};

} // namespace

class TestReportFrame : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { startReportTests(); }
    void init() { Prompts::reset(); }

    // The start is today one calendar month back, clamped to the end of a shorter month; the end is today.
    void defaultRangeIsOneCalendarMonth_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("start");
        QTest::newRow("31 March") << QDate(2025, 3, 31) << QDate(2025, 2, 28);
        QTest::newRow("31 March, leap year") << QDate(2024, 3, 31) << QDate(2024, 2, 29);
        QTest::newRow("15 March") << QDate(2025, 3, 15) << QDate(2025, 2, 15);
        QTest::newRow("31 January") << QDate(2025, 1, 31) << QDate(2024, 12, 31);
    }
    void defaultRangeIsOneCalendarMonth() {
        QFETCH(QDate, today);
        QFETCH(QDate, start);
        PinnedClock clock(today, QTime(0, 30));
        TestDatabase t;
        TempHumidityReportWindow w;
        QCOMPARE(w.findChild<QDateEdit*>("dateStart")->date(), start);
        QCOMPARE(w.findChild<QDateEdit*>("dateEnd")->date(), today);
    }

    // With a parent, nine tenths by eight tenths of it, centred; without one, the form's own size.
    void placement() {
        PinnedClock clock(kToday);
        TestDatabase t;
        QWidget parent;
        parent.setGeometry(100, 50, 1000, 700);
        TempHumidityReportWindow placed(&parent);
        QCOMPARE(placed.size(), QSize(900, 560));
        QCOMPARE(placed.pos(), QPoint(150, 120));
        QVERIFY(placed.isWindow());
        TempHumidityReportWindow alone;
        QCOMPARE(alone.size(), QSize(900, 600));
    }

    // Save order, not date order; both bounds included; temperatures with the decimals they have, one at
    // least, so none reads as lying across a limit from its status; the value and the status cell coloured
    // by the status, a code the grading never gives shown "异常" in dark yellow with its value uncoloured;
    // four centred columns.
    void readingsAsSaved() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addReading(t, 1, "2025-03-10", "08:00:00", 25.0, 50, "normal", "normal");
        addReading(t, 2, "2025-03-01", "09:00:00", 28.5, 50, "warning", "normal");
        addReading(t, 3, "2025-03-20", "10:00:00", 20.04, 80, "normal", "critical");
        addReading(t, 4, "2025-02-27", "10:00:00", 20.0, 50, "normal", "normal");
        addReading(t, 5, "2025-02-28", "10:00:00", 28.49, 36, "normal", "bogus");
        addReading(t, 6, "2025-03-31", "10:00:00", 30.01, 50, "critical", "normal");
        TempHumidityReportWindow w;
        QCOMPARE(column(&w, 0), QString("1|2|3|4|5"));
        QCOMPARE(column(&w, 1), QString("2025-03-31|2025-02-28|2025-03-20|2025-03-01|2025-03-10"));
        QCOMPARE(column(&w, 3), QString("30.01|28.49|20.04|28.5|25.0"));
        QCOMPARE(column(&w, 4), QString("50|36|80|50|50"));
        QCOMPARE(column(&w, 5), QString("异常|正常|正常|预警|正常"));
        QCOMPARE(column(&w, 6), QString("正常|异常|异常|正常|正常"));
        QCOMPARE(column(&w, 7), QString("张丽|张丽|张丽|张丽|张丽"));
        QCOMPARE(total(&w), QString("共 5 条记录"));
        const QString red = "#ff0000", darkYellow = "#808000";
        QCOMPARE(colour(&w, 0, 3) + colour(&w, 0, 5), red + red);
        QCOMPARE(colour(&w, 1, 4) + colour(&w, 1, 6), "-" + darkYellow);
        QCOMPARE(colour(&w, 2, 4) + colour(&w, 2, 6), red + red);
        QCOMPARE(colour(&w, 3, 3) + colour(&w, 3, 5), darkYellow + darkYellow);
        QCOMPARE(colour(&w, 4, 3) + colour(&w, 4, 5), "--");
        QCOMPARE(colour(&w, 3, 1) + colour(&w, 3, 7), "--");
        QCOMPARE(modelOf(&w)->index(0, 3).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QCOMPARE(modelOf(&w)->index(0, 6).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QVERIFY(!modelOf(&w)->index(0, 7).data(Qt::TextAlignmentRole).isValid());
    }

    // Another copy corrects a shown reading and saves a new one while the user is elsewhere: back in the
    // book, its rows are the stored ones under the same filters and the same reading is still current.
    void followsTheFileOnReturn() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addThreeDays(t);
        TempHumidityReportWindow w;
        setRange(&w, QDate(2025, 3, 22), QDate(2025, 3, 31));
        click(&w, "btnQuery");
        auto* table = child<QTableView>(&w, "tableReport");
        table->setCurrentIndex(modelOf(&w)->index(1, 3));
        t.execElsewhere("UPDATE temperature_record SET temperature = 26.5 WHERE id = 2");
        addReading(t, 4, "2025-03-25", "09:00:00", 21, 55, "normal", "normal");
        addReading(t, 5, "2025-03-01", "09:00:00", 21, 55, "normal", "normal");
        // The reading of 1 March lies outside the dates queried.
        leaveAndComeBack(&w);
        QCOMPARE(column(&w, 1), QString("2025-03-25|2025-03-23|2025-03-22"));
        QCOMPARE(column(&w, 3), QString("21.0|20.0|26.5"));
        QCOMPARE(total(&w), QString("共 3 条记录"));
        QCOMPARE(table->currentIndex(), modelOf(&w)->index(2, 3));
    }

    // Each query numbers from 1 again; a start after the end gives no rows and no message.
    void rowNumbersAndEmptyRange() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addThreeDays(t);
        TempHumidityReportWindow w;
        click(&w, "btnQuery");
        QCOMPARE(column(&w, 0), QString("1|2|3"));
        setRange(&w, QDate(2025, 3, 22), QDate(2025, 3, 31));
        click(&w, "btnQuery");
        QCOMPARE(column(&w, 0), QString("1|2"));
        setRange(&w, QDate(2025, 3, 31), QDate(2025, 3, 1));
        click(&w, "btnQuery");
        QCOMPARE(modelOf(&w)->rowCount(), 0);
        QCOMPARE(total(&w), QString("共 0 条记录"));
        QCOMPARE(Prompts::history().size(), 0);
    }

    // Byte for byte: BOM, title, the unquoted header, every cell as shown and quoted, inner quotes doubled,
    // a comma and a line break kept inside the quotes, an empty cell as "", a formula guarded, a negative
    // number not; an existing file replaced whole. Then the success box and one log row under 采购入库.
    void exportWritesTheTableAsShown() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addReading(t, 1, "2025-03-30", "=1+1", -5.0, 50, "critical", "normal", QVariant(QVariant::String));
        addReading(t, 2, "2025-03-31", "09:00:00", 28.49, 50, "normal", "normal", "王\"五\",\n李");
        TempHumidityReportWindow w;
        QTemporaryDir dir;
        const QString path = dir.filePath("temp.csv");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents, longer than what replaces them, that must go entirely .................\n"
                  "...................................................................................\n");
        old.close();
        Prompts::queueFileName(path);
        click(&w, "btnExport");
        QCOMPARE(fileBytes(path),
                 QByteArray("\xEF\xBB\xBF"
                            "温湿度记录表\n"
                            "序号,记录日期,记录时间,温度(℃),湿度(%),温度状态,湿度状态,记录人\n"
                            "\"1\",\"2025-03-31\",\"09:00:00\",\"28.49\",\"50\",\"正常\",\"正常\","
                            "\"王\"\"五\"\",\n李\"\n"
                            "\"2\",\"2025-03-30\",\"'=1+1\",\"-5.0\",\"50\",\"异常\",\"正常\","
                            "\"\"\n"));
        QCOMPARE(Prompts::history().at(0).title, QString("导出温湿度记录表"));
        QCOMPARE(Prompts::history().at(0).text, QString("CSV Files (*.csv)"));
        QCOMPARE(Prompts::lastTitle(), QString("成功"));
        QCOMPARE(Prompts::lastText(), "温湿度记录表已导出到:\n" + path);
        QCOMPARE(operationLogRows(t), QString("系统管理员/采购入库/导出温湿度记录表/导出 2 条记录"));
    }

    // Cancelled: nothing at all. A file that cannot be created or written: the error and no log row.
    void exportFailures_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("said");
        QTest::newRow("cancelled") << QString() << QString("导出温湿度记录表");
        QTest::newRow("missing folder")
            << QString("missing/temp.csv")
            << QString("导出温湿度记录表|错误:无法创建文件！\n原因：文件夹不存在。");
        QTest::newRow("disk full") << QString("/dev/full")
                                   << QString("导出温湿度记录表|错误:无法写入文件！\n原因：磁盘空间不足。");
    }
    void exportFailures() {
        QFETCH(QString, fileName);
        QFETCH(QString, said);
        PinnedClock clock(kToday);
        TestDatabase t;
        addReading(t, 1, "2025-03-30", "08:00:00", 20.0, 50, "normal", "normal");
        TempHumidityReportWindow w;
        QTemporaryDir dir;
        Prompts::queueFileName(fileName.isEmpty() || fileName.startsWith('/') ? fileName
                                                                              : dir.filePath(fileName));
        click(&w, "btnExport");
        QStringList history;
        for (const Prompts::Record& r : Prompts::history())
            history << (r.kind == Prompts::Kind::SaveFile ? r.title : r.title + ":" + r.text);
        QCOMPARE(history.join('|'), said);
        QCOMPARE(t.count("sys_operation_log"), 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }

    // Through the real dialogs: an empty table writes title and header only; the log row is written only
    // once the success box has been closed.
    void emptyExportLogsAfterTheBox() {
        PinnedClock clock(kToday);
        TestDatabase t;
        TempHumidityReportWindow w;
        QTemporaryDir dir;
        const QString path = dir.filePath("empty.csv");
        Prompts::setTestMode(false);
        int logRowsWhileBoxOpen = -1;
        ModalAnswer<QFileDialog> file([&](QFileDialog* d) { chooseFileThrough(d, path); });
        ModalAnswer<QMessageBox> box([&](QMessageBox* b) {
            logRowsWhileBoxOpen = t.count("sys_operation_log");
            b->button(QMessageBox::Ok)->click();
        });
        click(&w, "btnExport");
        Prompts::setTestMode(true);
        QCOMPARE(file.count(), 1);
        QCOMPARE(box.count(), 1);
        QCOMPARE(logRowsWhileBoxOpen, 0);
        QCOMPARE(operationLogRows(t), QString("系统管理员/采购入库/导出温湿度记录表/导出 0 条记录"));
        QCOMPARE(fileBytes(path),
                 QByteArray("\xEF\xBB\xBF"
                            "温湿度记录表\n"
                            "序号,记录日期,记录时间,温度(℃),湿度(%),温度状态,湿度状态,记录人\n"));
    }

    // Blank filters add nothing; a filled one is trimmed and wrapped in %, the mnemonic one upper-cased; the
    // date bounds come first.
    void reportQueryBuildsConditionsInOrder_data() {
        QTest::addColumn<QString>("supplier");
        QTest::addColumn<QString>("mnemonic");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("params");
        QTest::newRow("blank") << QString("   ") << QString() << QString("BASE") << QString("S|E");
        QTest::newRow("supplier") << QString(" 康 ") << QString() << QString("(BASE) AND (s LIKE ?)")
                                  << QString("S|E|%康%");
        QTest::newRow("both") << QString("a_%") << QString(" abc")
                              << QString("((BASE) AND (s LIKE ?)) AND (m LIKE ?)")
                              << QString("S|E|%a_%%|%ABC%");
    }
    void reportQueryBuildsConditionsInOrder() {
        QFETCH(QString, supplier);
        QFETCH(QString, mnemonic);
        QFETCH(QString, where);
        QFETCH(QString, params);
        ListQuery base;
        base.where = "BASE";
        ReportQuery query(base, "S", "E");
        query.like("s LIKE ?", supplier).like("m LIKE ?", mnemonic, true);
        QCOMPARE(query.list().where, where);
        QStringList bound;
        for (const QVariant& v : query.list().params)
            bound << v.toString();
        QCOMPARE(bound.join('|'), params);
    }

    // A book with its own SQL: its rows numbered and counted, a failing statement leaves an empty table with
    // 0, no adapter leaves everything as it was; its export logs under the module its setup names.
    void ownSqlBook() {
        PinnedClock clock(kToday);
        QTemporaryDir dir;
        {
            TestDatabase t;
            addReading(t, 1, "2025-03-01", "08:00:00", 20.0, 50, "normal", "normal", "甲");
            addReading(t, 2, "2025-03-02", "08:00:00", 20.0, 50, "normal", "normal", "乙");
            t.exec("UPDATE temperature_record SET notes = 'abc' WHERE id = 2");
            SqlBook book;
            QVERIFY(book.load(QString()));
            QCOMPARE(column(&book, 0) + " / " + column(&book, 2), QString("1|2 / 甲|乙"));
            QVERIFY(book.load(" b "));
            QCOMPARE(column(&book, 0) + " / " + column(&book, 2) + " / " + total(&book),
                     QString("1 / 乙 / 共 1 条记录"));
            Prompts::queueFileName(dir.filePath("book.csv"));
            book.frame->exportCsv();
            QCOMPARE(operationLogRows(t), QString("系统管理员/销售收银/导出测试记录表/导出 1 条记录"));
            ListQuery nothing;
            nothing.columns = "nothing";
            nothing.from = "FROM nowhere";
            nothing.order = {{"id"}};
            QVERIFY(
                book.frame->showQuery(ReportQuery(nothing, "", ""), [](const Row&) { return TableRow(); }));
            // A statement that fails keeps the rows shown and says so, never 共 0 条记录.
            QCOMPARE(modelOf(&book)->rowCount(), 1);
            QCOMPARE(total(&book), QString("未能读取记录"));
        }
        SqlBook book;
        book.frame->showRows([] { return QVector<TableRow>{TableRow(-1, {"x", "y"})}; });
        book.frame->setTotalText("kept");
        QVERIFY(!book.load(QString()));
        QCOMPARE(column(&book, 1) + " / " + total(&book), QString("x / kept"));
        // A book that reads through a repository shows an empty table with 0.
        TempHumidityReportWindow w;
        QCOMPARE(modelOf(&w)->rowCount(), 0);
        QCOMPARE(total(&w), QString("共 0 条记录"));
    }
};

KV_TEST_CLASS(TestReportFrame)
#include "tst_reportframe.moc"

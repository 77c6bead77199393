#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/reports/expiryreportwindow.h"

#include "tests/support/modeltexts.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/reportprobe.h"
#include "tests/support/testdatabase.h"
#include "tests/support/windowprobe.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

const QDate kToday(2025, 6, 15);

enum Column { Number, Product, Specification, BatchNo, Expiry, DaysLeft, Stock, Supplier };

// Two drugs from two suppliers, and batches named by when they expire, counted from `today`.
void addFixture(TestDatabase& t, const QDate& today) {
    t.exec("INSERT INTO supplier (id, name) VALUES (1, '上海康联医药'), (2, '江苏恒泰医药')");
    t.exec("INSERT INTO product (id, barcode, name, specification, mnemonic_code) VALUES "
           "(1, '6921361200154', '阿莫西林胶囊', '0.25g*24粒', 'AMXLJN'), "
           "(2, '6932140500213', '布洛芬缓释胶囊', '0.3g*20粒', 'BLFHSJN')");
    struct Batch {
        int product;
        QVariant supplier;
        const char* no;
        int expiresIn;
        int quantity;
        const char* status;
    };
    const QVariant none(QVariant::Int);
    const Batch batches[] = {
        {1, 1, "T0", 0, 10, "normal"},     {1, 1, "D1", 1, 10, "normal"},
        {2, 2, "D30", 30, 5, "normal"},    {2, 1, "D31", 31, 6, "normal"},
        {1, none, "D90", 90, 7, "normal"}, {2, 2, "D91", 91, 8, "normal"},
        {1, 1, "D180", 180, 9, "normal"},  {1, 1, "D181", 181, 9, "normal"},
        {1, 1, "EMPTY", 10, 0, "normal"},  {2, 2, "HELD", 10, 3, "quarantine"},
        {1, 1, "D365", 365, 1, "normal"},  {1, 1, "D366", 366, 1, "normal"},
        {1, 1, "PAST", -1, 4, "normal"},
    };
    int id = 0;
    for (const Batch& b : batches)
        t.exec("INSERT INTO inventory_batch (id, product_id, supplier_id, batch_no, expiry_date, quantity, "
               "status) "
               "VALUES (?, ?, ?, ?, ?, ?, ?)",
               {++id, b.product, b.supplier, b.no, today.addDays(b.expiresIn).toString("yyyy-MM-dd"),
                b.quantity, b.status});
}

const QAbstractItemModel* modelOf(QObject* window) {
    return tableModel(window, "tableReport");
}

QString column(QObject* window, int c) {
    return texts(modelOf(window), -1, c);
}

QLineEdit* edit(QObject* window, const char* name) {
    return child<QLineEdit>(window, name);
}

} // namespace

class TestExpiryReport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { startReportTests(); }
    void init() { Prompts::reset(); }

    // The field's number clamped to 1..365 (no number counts as 0); a batch expiring today is out, one on
    // the last day in; no stock, another status or a passed date never; newest batch record first.
    void warningDays_data() {
        QTest::addColumn<QString>("days");
        QTest::addColumn<QString>("batches");
        QTest::newRow("default 180") << QString("180") << QString("D180|D91|D90|D31|D30|D1");
        QTest::newRow("1") << QString("1") << QString("D1");
        QTest::newRow("30") << QString("30") << QString("D30|D1");
        QTest::newRow("empty") << QString("") << QString("D1");
        QTest::newRow("0") << QString("0") << QString("D1");
        QTest::newRow("no number") << QString("x") << QString("D1");
        QTest::newRow("999") << QString("999") << QString("D365|D181|D180|D91|D90|D31|D30|D1");
    }
    void warningDays() {
        QFETCH(QString, days);
        QFETCH(QString, batches);
        PinnedClock clock(kToday);
        TestDatabase t;
        addFixture(t, kToday);
        ExpiryReportWindow w;
        edit(&w, "editWarningDays")->setText(days);
        click(&w, "btnQuery");
        QCOMPARE(column(&w, BatchNo), batches);
        QCOMPARE(labelText(&w, "labelTotal"), QString("共 %1 条近效期药品").arg(batches.split('|').size()));
        QCOMPARE(edit(&w, "editWarningDays")->text(), days);
    }

    // Every column as read; only the days-left cell is coloured, centred: up to 30 white on dark red, 31 to
    // 90 white on dark yellow, from 91 the table's own.
    void rowsAndColours() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addFixture(t, kToday);
        ExpiryReportWindow w;
        const QAbstractItemModel* m = modelOf(&w);
        QCOMPARE(column(&w, Number), QString("1|2|3|4|5|6"));
        QCOMPARE(column(&w, Product),
                 QString("阿莫西林胶囊|布洛芬缓释胶囊|阿莫西林胶囊|布洛芬缓释胶囊|布洛芬缓释胶囊|"
                         "阿莫西林胶囊"));
        QCOMPARE(column(&w, Specification).section('|', 0, 1), QString("0.25g*24粒|0.3g*20粒"));
        QCOMPARE(column(&w, Expiry).section('|', 0, 0), QString("2025-12-12"));
        QCOMPARE(column(&w, DaysLeft), QString("180|91|90|31|30|1"));
        QCOMPARE(column(&w, Stock), QString("9|8|7|6|5|10"));
        QCOMPARE(column(&w, Supplier),
                 QString("上海康联医药|江苏恒泰医药||上海康联医药|江苏恒泰医药|上海康联医药"));
        QCOMPARE(columnColours(m, DaysLeft, Qt::BackgroundRole),
                 QString("-|-|#808000|#808000|#800000|#800000"));
        QCOMPARE(columnColours(m, DaysLeft), QString("-|-|#ffffff|#ffffff|#ffffff|#ffffff"));
        QCOMPARE(columnColours(m, BatchNo, Qt::BackgroundRole), QString("-|-|-|-|-|-"));
        QCOMPARE(m->index(0, DaysLeft).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QVERIFY(!m->index(0, Stock).data(Qt::TextAlignmentRole).isValid());
    }

    // Filters are trimmed; a batch without supplier fails a supplier filter; the mnemonic matches in upper
    // case.
    void filters_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("batches");
        QTest::newRow("supplier") << QString("editSupplier") << QString(" 康联 ") << QString("D180|D31|D1");
        QTest::newRow("mnemonic") << QString("editMnemonic") << QString("blf") << QString("D91|D31|D30");
        QTest::newRow("blank") << QString("editSupplier") << QString("   ")
                               << QString("D180|D91|D90|D31|D30|D1");
    }
    void filters() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, batches);
        PinnedClock clock(kToday);
        TestDatabase t;
        addFixture(t, kToday);
        ExpiryReportWindow w;
        edit(&w, field.toLatin1().constData())->setText(text);
        click(&w, "btnQuery");
        QCOMPARE(column(&w, BatchNo), batches);
    }

    // Return queries only while the validator accepts the field; the button queries whatever it holds.
    void returnInTheDaysField() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addFixture(t, kToday);
        ExpiryReportWindow w;
        QLineEdit* days = edit(&w, "editWarningDays");
        QCOMPARE(days->maxLength(), 3);
        QCOMPARE(days->alignment(), Qt::AlignCenter);
        QCOMPARE(days->minimumWidth(), 60);
        QCOMPARE(days->maximumWidth(), 60);
        days->setText("1");
        QTest::keyClick(days, Qt::Key_Return);
        QCOMPARE(column(&w, BatchNo), QString("D1"));
        days->setText("400");
        QTest::keyClick(days, Qt::Key_Return);
        QCOMPARE(column(&w, BatchNo), QString("D1"));
        click(&w, "btnQuery");
        QCOMPARE(column(&w, BatchNo), QString("D365|D181|D180|D91|D90|D31|D30|D1"));
        edit(&w, "editSupplier")->setText("恒泰");
        QTest::keyClick(edit(&w, "editSupplier"), Qt::Key_Return);
        QCOMPARE(column(&w, BatchNo), QString("D365|D181|D180|D91|D90|D31|D30|D1"));
    }

    // Early in the morning in UTC+8, on a day far from the real one, the days left and both bounds follow
    // the program's local date, not the database's UTC clock.
    void daysCountFromTheLocalDate() {
        const QByteArray oldTz = qgetenv("TZ");
        qputenv("TZ", "Asia/Shanghai");
        tzset();
        const QDate localDay(2031, 3, 10);
        {
            PinnedClock clock(localDay, QTime(7, 0));
            TestDatabase t;
            addFixture(t, localDay);
            ExpiryReportWindow w;
            edit(&w, "editWarningDays")->setText("90");
            click(&w, "btnQuery");
            QCOMPARE(column(&w, BatchNo), QString("D90|D31|D30|D1"));
            QCOMPARE(column(&w, DaysLeft), QString("90|31|30|1"));
        }
        if (oldTz.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", oldTz);
        tzset();
    }

    // The export writes the eight titles and the cells as shown, logged under 采购入库.
    void exportAsShown() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addFixture(t, kToday);
        ExpiryReportWindow w;
        edit(&w, "editWarningDays")->setText("1");
        click(&w, "btnQuery");
        QTemporaryDir dir;
        const QString path = dir.filePath("expiry.csv");
        Prompts::queueFileName(path);
        click(&w, "btnExport");
        QCOMPARE(Prompts::history().at(0).title, QString("导出近效期药品报表"));
        QCOMPARE(fileLines(path),
                 (QStringList{"近效期药品报表", "序号,药品名称,规格,批号,有效期,剩余天数,库存数量,供应商",
                              "\"1\",\"阿莫西林胶囊\",\"0.25g*24粒\",\"D1\",\"2025-06-16\",\"1\","
                              "\"10\",\"上海康联医药\"",
                              ""}));
        QCOMPARE(Prompts::lastText(), "近效期药品报表已导出到:\n" + path);
        QCOMPARE(operationLogRows(t), QString("系统管理员/采购入库/导出近效期药品报表/导出 1 条记录"));
    }
};

KV_TEST_CLASS(TestExpiryReport)
#include "tst_expiryreport.moc"

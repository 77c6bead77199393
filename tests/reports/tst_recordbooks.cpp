#include "core/clock.h"
#include "core/currentuser.h"
#include "repositories/purchaserepository.h"
#include "repositories/salesrepository.h"
#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/reports/acceptancereportwindow.h"
#include "ui/reports/purchasereportwindow.h"
#include "ui/reports/salesrecordreportwindow.h"

#include "tests/support/modeltexts.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/reportprobe.h"
#include "tests/support/smallpages.h"
#include "tests/support/testdatabase.h"
#include "tests/support/windowprobe.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <tuple>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

// Opened on 31 March the books start on the last day of February.
const QDate kToday(2025, 3, 31);

enum Book { Purchases, Acceptance, Sales };

std::unique_ptr<QMainWindow> open(int book) {
    switch (book) {
    case Purchases:
        return std::make_unique<PurchaseReportWindow>();
    case Acceptance:
        return std::make_unique<AcceptanceReportWindow>();
    default:
        return std::make_unique<SalesRecordReportWindow>();
    }
}

// Two suppliers, four drugs with mnemonic codes, two users (and operators and acceptors who no longer exist),
// purchase orders with their acceptance and sales, among them voided ones.
void addFixture(TestDatabase& t) {
    t.exec(
        "INSERT INTO sys_user (id, username, password_hash, real_name) VALUES (2, 'zhangli', 'x', '张丽')");
    t.exec("INSERT INTO supplier (id, name) VALUES (1, '上海康联医药'), (2, '江苏恒泰医药')");
    t.exec("INSERT INTO product (id, barcode, name, specification, manufacturer, unit, mnemonic_code) VALUES "
           "(1, '6921361200154', '阿莫西林胶囊', '0.25g*24粒', '华康制药', '盒', 'AMXLJN'), "
           "(2, '6932140500213', '布洛芬缓释胶囊', '0.3g*20粒', '天平药业', '盒', 'BLFHSJN'), "
           "(3, '6940028300127', '复方氨酚烷胺片', '12片', '京华药业', '盒', 'ABCKL'), "
           "(4, '6902115300209', '板蓝根颗粒', '10g*20袋', NULL, '袋', 'BLGKL')");
    t.exec("INSERT INTO purchase_order (id, order_no, supplier_id, inbound_date, status) VALUES "
           "(1, 'PUR202503150001', 1, '2025-03-15', 'completed'), "
           "(2, 'PUR202502270001', 2, '2025-02-27', 'completed'), "
           "(3, 'PUR202503310001', 2, '2025-03-31', 'completed'), "
           "(4, 'PUR202503200001', 1, '2025-03-20', 'completed'), "
           "(5, 'PUR202503100001', 1, '2025-03-10', 'voided'), "
           "(6, 'PUR202503050001', 2, '2025-03-05', 'completed')");
    t.exec(
        "INSERT INTO purchase_order_item (id, order_id, product_id, batch_no, production_date, expiry_date, "
        "quantity, unit_price, amount, acceptance_result, acceptance_date, acceptance_by, remark) VALUES "
        "(1, 1, 1, 'A2503', '2025-01-10', '2027-01-09', 100, 8.5, 850, '合格', '2025-03-15 10:00:00', 1, "
        "NULL), "
        "(2, 1, 2, 'B2503', '2025-01-11', '2027-01-10', 50, 15.8, 790, '合格', '2025-03-15 10:00:00', 1, "
        "NULL), "
        "(3, 1, 3, 'C2503', '2025-01-12', '2027-01-11', 20, 12.5, 250, '不合格', '2025-03-15 10:00:00', 1, "
        "'外包装破损，拒收'), "
        "(4, 2, 4, 'D2502', '2024-12-01', '2026-11-30', 30, 9.2, 276, '合格', '2025-03-01 09:00:00', 2, "
        "NULL), "
        "(5, 3, 2, 'B2503A', '2025-01-11', '2027-01-10', 1, 0.004, 0.004, '合格', '2025-03-31 23:59:59', "
        "NULL, "
        "NULL), "
        "(6, 3, 2, 'B2503B', '2025-01-11', '2027-01-10', 1, 0.004, 0.004, '部分不合格', '2025-03-31 "
        "08:00:00', "
        "NULL, NULL), "
        "(7, 4, 1, 'A2503B', '2025-01-10', '2027-01-09', 1, 1.004, 1.004, '合格', '2025-03-20 14:00:00', 9, "
        "NULL), "
        "(8, 4, 1, 'A2503C', '2025-01-10', '2027-01-09', 1, 1.004, 1.004, '合格', '2025-03-20 14:00:00', 9, "
        "NULL), "
        "(9, 5, 1, 'V2503', '2025-01-10', '2027-01-09', 10, 8.5, 85, '不合格', '2025-03-10 11:00:00', 1, "
        "NULL), "
        "(10, 6, 4, 'D2503', '2025-01-05', '2027-01-04', 40, 9.2, 368, '合格', '2025-02-27 23:59:59', 2, "
        "NULL), "
        "(11, 6, 4, 'D2503N', '2025-01-05', '2027-01-04', 5, 9.2, 46, '合格', NULL, NULL, NULL)");
    t.exec(
        "INSERT INTO inventory_batch (id, product_id, supplier_id, batch_no, expiry_date, quantity) VALUES "
        "(1, 1, 1, 'A2503', '2027-01-09', 97), (2, 3, 2, 'C2503', '2027-01-11', 18)");
    t.exec("INSERT INTO sales_order (id, order_no, sale_date, operator_id, status) VALUES "
           "(1, 'SAL202503300001', '2025-03-30', 2, 'completed'), "
           "(2, 'SAL202503300002', '2025-03-30', 9, 'completed'), "
           "(3, 'SAL202503310001', '2025-03-31', 1, 'completed'), "
           "(4, 'SAL202503150001', '2025-03-15', 1, 'voided'), "
           "(5, 'SAL202502270001', '2025-02-27', 1, 'completed'), "
           "(6, 'SAL202502280001', '2025-02-28', 2, 'completed')");
    t.exec("INSERT INTO sales_order_item (id, order_id, product_id, batch_id, batch_no, production_date, "
           "expiry_date, quantity, unit_price, amount) VALUES "
           "(1, 1, 1, 1, 'A2503', '2025-01-10', '2027-01-09', 2, 16.8, 33.6), "
           "(2, 1, 3, 2, 'C2503', '2025-01-12', '2027-01-11', 1, 1.004, 1.004), "
           "(3, 1, 3, 2, 'C2503', '2025-01-12', '2027-01-11', 1, 1.004, 1.004), "
           "(4, 2, 2, 99, 'B2503', '2025-01-11', '2027-01-10', 3, 0.004, 0.004), "
           "(5, 3, 2, NULL, 'B2503', '2025-01-11', '2027-01-10', 1, 0.004, 0.004), "
           "(6, 4, 1, 1, 'A2503', '2025-01-10', '2027-01-09', 1, 16.8, 16.8), "
           "(7, 5, 4, NULL, 'D2502', '2024-12-01', '2026-11-30', 1, 18.5, 18.5), "
           "(8, 6, 4, NULL, 'D2503', '2025-01-05', '2027-01-04', 2, 18.5, 37)");
}

const QAbstractItemModel* modelOf(QObject* window) {
    return tableModel(window, "tableReport");
}

QString column(QObject* window, int c) {
    return texts(modelOf(window), -1, c);
}

// One row's cells, or one colour role of each of its cells, joined by "|".
QString rowTexts(QObject* window, int row, int role = Qt::DisplayRole) {
    const QAbstractItemModel* m = modelOf(window);
    QStringList out;
    for (int c = 0; c < m->columnCount(); ++c) {
        const QVariant v = m->index(row, c).data(role);
        out << (role == Qt::DisplayRole ? v.toString()
                : v.isValid()           ? v.value<QBrush>().color().name()
                                        : QString("-"));
    }
    return out.join('|');
}

QString total(QObject* window) {
    return labelText(window, "labelTotal");
}

void query(QObject* window, const char* field, const QString& text) {
    child<QLineEdit>(window, field)->setText(text);
    click(window, "btnQuery");
}

void setRange(QObject* window, const QDate& start, const QDate& end) {
    child<QDateEdit>(window, "dateStart")->setDate(start);
    child<QDateEdit>(window, "dateEnd")->setDate(end);
    click(window, "btnQuery");
}

// The same text n times, joined by "|".
QString repeated(const QString& text, int n) {
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << text;
    return out.join('|');
}

const QString kNone = QStringLiteral("共 0 条记录，合计金额：0.00 元");

} // namespace

class TestRecordBooks : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { startReportTests(); }
    void init() { Prompts::reset(); }

    // Each book by its own date: the last calendar month up to today by default, both bounds included; an
    // order before the start only once the start moves back; a start after the end gives nothing; voided
    // orders never; lines of one order next to each other, numbered on. Read in pages of two lines, the
    // lines, their numbers, the count and the total are the same.
    void dateRanges_data() {
        QTest::addColumn<int>("book");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QString>("orders");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("pageRows"); // 0: the usual pages
        const QDate defaultStart(2025, 2, 28);
        const QString purchases = "PUR202503310001|PUR202503310001|PUR202503200001|PUR202503200001|"
                                  "PUR202503150001|PUR202503150001|PUR202503150001|PUR202503050001|"
                                  "PUR202503050001";
        QTest::newRow("purchases, default") << int(Purchases) << defaultStart << kToday << purchases
                                            << QString("共 9 条记录，合计金额：2306.02 元") << 0;
        QTest::newRow("purchases, pages of two") << int(Purchases) << defaultStart << kToday << purchases
                                                 << QString("共 9 条记录，合计金额：2306.02 元") << 2;
        QTest::newRow("purchases, start moved back")
            << int(Purchases) << QDate(2025, 2, 27) << QDate(2025, 3, 5)
            << "PUR202503050001|PUR202503050001|PUR202502270001"
            << QString("共 3 条记录，合计金额：690.00 元") << 0;
        QTest::newRow("purchases, one day") << int(Purchases) << QDate(2025, 3, 15) << QDate(2025, 3, 15)
                                            << "PUR202503150001|PUR202503150001|PUR202503150001"
                                            << QString("共 3 条记录，合计金额：1890.00 元") << 0;
        QTest::newRow("purchases, voided day")
            << int(Purchases) << QDate(2025, 3, 10) << QDate(2025, 3, 10) << QString() << kNone << 0;
        QTest::newRow("purchases, start after end")
            << int(Purchases) << kToday << QDate(2025, 3, 1) << QString() << kNone << 0;
        const QString accepted = "PUR202503310001|PUR202503310001|PUR202503200001|PUR202503200001|"
                                 "PUR202503150001|PUR202503150001|PUR202503150001|PUR202502270001";
        QTest::newRow("acceptance, default")
            << int(Acceptance) << defaultStart << kToday << accepted << QString("共 8 条记录") << 0;
        QTest::newRow("acceptance, pages of two")
            << int(Acceptance) << defaultStart << kToday << accepted << QString("共 8 条记录") << 2;
        QTest::newRow("acceptance, start moved back")
            << int(Acceptance) << QDate(2025, 2, 27) << QDate(2025, 3, 1) << "PUR202502270001|PUR202503050001"
            << QString("共 2 条记录") << 0;
        QTest::newRow("acceptance, end day to its last second")
            << int(Acceptance) << kToday << kToday << "PUR202503310001|PUR202503310001"
            << QString("共 2 条记录") << 0;
        QTest::newRow("acceptance, voided day") << int(Acceptance) << QDate(2025, 3, 10) << QDate(2025, 3, 10)
                                                << QString() << QString("共 0 条记录") << 0;
        QTest::newRow("acceptance, start after end")
            << int(Acceptance) << kToday << QDate(2025, 3, 30) << QString() << QString("共 0 条记录") << 0;
        const QString sales = "SAL202503310001|SAL202503300002|SAL202503300001|SAL202503300001|"
                              "SAL202503300001|SAL202502280001";
        QTest::newRow("sales, default") << int(Sales) << defaultStart << kToday << sales
                                        << QString("共 6 条记录，合计金额：72.62 元") << 0;
        QTest::newRow("sales, pages of two") << int(Sales) << defaultStart << kToday << sales
                                             << QString("共 6 条记录，合计金额：72.62 元") << 2;
        QTest::newRow("sales, start moved back")
            << int(Sales) << QDate(2025, 2, 27) << QDate(2025, 2, 28) << "SAL202502280001|SAL202502270001"
            << QString("共 2 条记录，合计金额：55.50 元") << 0;
        QTest::newRow("sales, one day") << int(Sales) << defaultStart << defaultStart << "SAL202502280001"
                                        << QString("共 1 条记录，合计金额：37.00 元") << 0;
        QTest::newRow("sales, voided day")
            << int(Sales) << QDate(2025, 3, 15) << QDate(2025, 3, 15) << QString() << kNone << 0;
        QTest::newRow("sales, start after end")
            << int(Sales) << kToday << QDate(2025, 3, 30) << QString() << kNone << 0;
    }
    void dateRanges() {
        QFETCH(int, book);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QString, orders);
        QFETCH(QString, label);
        QFETCH(int, pageRows);
        PinnedClock clock(kToday, QTime(0, 15));
        SmallPages pages(pageRows, 1);
        TestDatabase t;
        addFixture(t);
        const auto w = open(book);
        QCOMPARE(child<QDateEdit>(w.get(), "dateStart")->date(), QDate(2025, 2, 28));
        QCOMPARE(child<QDateEdit>(w.get(), "dateEnd")->date(), kToday);
        setRange(w.get(), start, end);
        QTRY_COMPARE(total(w.get()), label);
        QCOMPARE(column(w.get(), 2), orders);
        const int rows = orders.isEmpty() ? 0 : orders.count('|') + 1;
        QStringList numbers;
        for (int i = 1; i <= rows; ++i)
            numbers << QString::number(i);
        QCOMPARE(column(w.get(), 0), numbers.join('|'));
        QCOMPARE(Prompts::history().size(), 0);
    }

    // A purchase line as read: dates and texts as stored (NULL as empty), the quantity whole, the unit price
    // with four decimals, the amount with two.
    void purchaseCells() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addFixture(t);
        PurchaseReportWindow w;
        query(&w, "editBatchNo", "C2503");
        QCOMPARE(rowTexts(&w, 0),
                 QString("1|2025-03-15|PUR202503150001|上海康联医药|复方氨酚烷胺片|京华药业|C2503|"
                         "2027-01-11|12片|20|盒|12.5000|250.00|不合格|2025-03-15 10:00:00"));
        query(&w, "editBatchNo", "D2503N");
        QCOMPARE(rowTexts(&w, 0), QString("1|2025-03-05|PUR202503050001|江苏恒泰医药|板蓝根颗粒||D2503N|"
                                          "2027-01-04|10g*20袋|5|袋|9.2000|46.00|合格|"));
    }

    // An acceptance line as read; an acceptor who is unset or no longer exists leaves 验收人 empty.
    void acceptanceCells() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addFixture(t);
        AcceptanceReportWindow w;
        QCOMPARE(column(&w, 13), QString("||||系统管理员|系统管理员|系统管理员|张丽"));
        query(&w, "editBatchNo", "C2503");
        QCOMPARE(rowTexts(&w, 0), QString("1|2025-03-15 10:00:00|PUR202503150001|上海康联医药|复方氨酚烷胺片|"
                                          "京华药业|C2503|2025-01-12|2027-01-11|12片|20|盒|不合格|系统管理员|"
                                          "外包装破损，拒收"));
    }

    // A sales line as read; a missing batch or operator leaves its cells empty.
    void salesCells() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addFixture(t);
        SalesRecordReportWindow w;
        QCOMPARE(column(&w, 12), QString("系统管理员||张丽|张丽|张丽|张丽"));
        QCOMPARE(rowTexts(&w, 1),
                 QString("2|2025-03-30|SAL202503300002|布洛芬缓释胶囊|6932140500213|天平药业|"
                         "B2503|0.3g*20粒|3|盒|0.00|0.00|"));
        query(&w, "editBatchNo", "A2503");
        QCOMPARE(rowTexts(&w, 0),
                 QString("1|2025-03-30|SAL202503300001|阿莫西林胶囊|6921361200154|华康制药|A2503|"
                         "0.25g*24粒|2|盒|16.80|33.60|张丽"));
    }

    // The total adds the amounts as read and rounds once: two lines of 0.004 show 0.00 each and add up to
    // 0.01, two of 1.004 show 1.00 each and add up to 2.01.
    void totalsRoundOnce_data() {
        QTest::addColumn<int>("book");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("amountColumn");
        QTest::addColumn<QString>("amounts");
        QTest::addColumn<QString>("label");
        QTest::newRow("purchases, 0.004") << int(Purchases) << "editOrderNo"
                                          << "0331" << 12 << "0.00|0.00"
                                          << "共 2 条记录，合计金额：0.01 元";
        QTest::newRow("purchases, 1.004") << int(Purchases) << "editOrderNo"
                                          << "0320" << 12 << "1.00|1.00"
                                          << "共 2 条记录，合计金额：2.01 元";
        QTest::newRow("sales, 0.004") << int(Sales) << "editProductName"
                                      << "布洛芬" << 11 << "0.00|0.00"
                                      << "共 2 条记录，合计金额：0.01 元";
        QTest::newRow("sales, 1.004") << int(Sales) << "editMnemonic"
                                      << "abc" << 11 << "1.00|1.00"
                                      << "共 2 条记录，合计金额：2.01 元";
    }
    void totalsRoundOnce() {
        QFETCH(int, book);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(int, amountColumn);
        QFETCH(QString, amounts);
        QFETCH(QString, label);
        PinnedClock clock(kToday);
        TestDatabase t;
        addFixture(t);
        const auto w = open(book);
        query(w.get(), field.toLatin1().constData(), text);
        QCOMPARE(column(w.get(), amountColumn), amounts);
        QCOMPARE(total(w.get()), label);
    }

    // The six filters, each trimmed and matched anywhere in its own column; the mnemonic upper-cased; a
    // typed "%" a wildcard; the sales supplier filter goes through the batch, so a line without one is out.
    void filters_data() {
        QTest::addColumn<int>("book");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("batchColumn");
        QTest::addColumn<QString>("batches");
        QTest::newRow("purchases, supplier") << int(Purchases) << "editSupplier"
                                             << " 康联 " << 6 << "A2503B|A2503C|A2503|B2503|C2503";
        QTest::newRow("purchases, mnemonic") << int(Purchases) << "editMnemonic"
                                             << "blf" << 6 << "B2503A|B2503B|B2503";
        QTest::newRow("purchases, wildcard") << int(Purchases) << "editBatchNo"
                                             << "A%C" << 6 << "A2503C";
        QTest::newRow("acceptance, mnemonic") << int(Acceptance) << "editMnemonic"
                                              << "abck" << 6 << "C2503";
        QTest::newRow("acceptance, batch")
            << int(Acceptance) << "editBatchNo"
            << "  " << 6 << "B2503A|B2503B|A2503B|A2503C|A2503|B2503|C2503|D2502";
        QTest::newRow("sales, supplier") << int(Sales) << "editSupplier"
                                         << "康联" << 6 << "A2503";
        QTest::newRow("sales, other supplier") << int(Sales) << "editSupplier"
                                               << "医药" << 6 << "A2503|C2503|C2503";
        QTest::newRow("sales, mnemonic") << int(Sales) << "editMnemonic"
                                         << "abc" << 6 << "C2503|C2503";
    }
    void filters() {
        QFETCH(int, book);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(int, batchColumn);
        QFETCH(QString, batches);
        PinnedClock clock(kToday);
        TestDatabase t;
        addFixture(t);
        const auto w = open(book);
        query(w.get(), field.toLatin1().constData(), text);
        QStringList shown = column(w.get(), batchColumn).split('|');
        QStringList expected = batches.split('|');
        // Lines of one order, or of one acceptance time, come in the order the database gives.
        shown.sort();
        expected.sort();
        QCOMPARE(shown, expected);
    }

    // Exactly the "不合格" lines are red, on every cell, the text colour left alone; the sales book colours
    // nothing.
    void rejectedLinesAreRed_data() {
        QTest::addColumn<int>("book");
        QTest::addColumn<int>("resultColumn");
        QTest::newRow("purchases") << int(Purchases) << 13;
        QTest::newRow("acceptance") << int(Acceptance) << 12;
    }
    void rejectedLinesAreRed() {
        QFETCH(int, book);
        QFETCH(int, resultColumn);
        PinnedClock clock(kToday);
        TestDatabase t;
        addFixture(t);
        const auto w = open(book);
        const QString red = repeated("#ff0000", 15);
        const QString plain = repeated("-", 15);
        const QAbstractItemModel* m = modelOf(w.get());
        for (int r = 0; r < m->rowCount(); ++r) {
            const bool rejected = m->index(r, resultColumn).data().toString() == "不合格";
            QCOMPARE(rowTexts(w.get(), r, Qt::BackgroundRole), rejected ? red : plain);
            QCOMPARE(rowTexts(w.get(), r, Qt::ForegroundRole), plain);
        }
        QCOMPARE(column(w.get(), resultColumn).count("不合格"), 2); // one of them "部分不合格"
        const auto sales = open(Sales);
        QCOMPARE(rowTexts(sales.get(), 0, Qt::BackgroundRole), repeated("-", 13));
    }

    // The export: caption, title line, the header line of the titles, the cells as shown, the log row under
    // the book's module.
    void exports_data() {
        QTest::addColumn<int>("book");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("log");
        QTest::newRow("purchases")
            << int(Purchases) << "购进记录表"
            << "序号,购进日期,单据编号,供应商名称,药品名称,生产企业,批号,有效期至,剂型/"
               "规格,数量,单位,购进单价,"
               "购进金额,验收结论,验收日期"
            << "\"1\",\"2025-03-31\",\"PUR202503310001\",\"江苏恒泰医药\",\"布洛芬缓释胶囊\",\"天平药业\","
               "\"B2503A\",\"2027-01-10\",\"0.3g*20粒\",\"1\",\"盒\",\"0.0040\",\"0.00\",\"合格\","
               "\"2025-03-31 23:59:59\""
            << "系统管理员/采购入库/导出购进记录表/导出 1 条记录";
        QTest::newRow("acceptance")
            << int(Acceptance) << "验收记录表"
            << "序号,验收日期,单据编号,供应商名称,药品名称,生产企业,批号,生产日期,有效期至,剂型/"
               "规格,数量,单位,"
               "验收结论,验收人,备注"
            << "\"1\",\"2025-03-31 23:59:59\",\"PUR202503310001\",\"江苏恒泰医药\",\"布洛芬缓释胶囊\","
               "\"天平药业\",\"B2503A\",\"2025-01-11\",\"2027-01-10\",\"0.3g*20粒\",\"1\",\"盒\",\"合格\","
               "\"\",\"\""
            << "系统管理员/采购入库/导出验收记录表/导出 1 条记录";
        QTest::newRow("sales")
            << int(Sales) << "销售记录表"
            << "序号,销售日期,单据编号,药品名称,条码,生产企业,批号,剂型/规格,数量,单位,销售单价,"
               "销售金额,操作员"
            << "\"1\",\"2025-03-31\",\"SAL202503310001\",\"布洛芬缓释胶囊\",\"6932140500213\","
               "\"天平药业\",\"B2503\",\"0.3g*20粒\",\"1\",\"盒\",\"0.00\",\"0.00\",\"系统管理员\""
            << "系统管理员/销售收银/导出销售记录表/导出 1 条记录";
    }
    void exports() {
        QFETCH(int, book);
        QFETCH(QString, title);
        QFETCH(QString, header);
        QFETCH(QString, firstLine);
        QFETCH(QString, log);
        PinnedClock clock(kToday);
        TestDatabase t;
        addFixture(t);
        const auto w = open(book);
        child<QLineEdit>(w.get(), "editBatchNo")->setText(book == Sales ? "B2503" : "B2503A");
        setRange(w.get(), kToday, kToday);
        QTemporaryDir dir;
        const QString path = dir.filePath("book.csv");
        Prompts::queueFileName(path);
        click(w.get(), "btnExport");
        QCOMPARE(Prompts::history().value(0).title, "导出" + title);
        QCOMPARE(fileLines(path), (QStringList{title, header, firstLine, QString()}));
        QCOMPARE(Prompts::lastText(), title + "已导出到:\n" + path);
        QCOMPARE(operationLogRows(t), log);
    }

    // A book longer than a page goes to the file whole, line for line as the table shows it, though the
    // table holds one page; the log row counts every line.
    void exportsEveryLineOfALongBook() {
        PinnedClock clock(kToday);
        SmallPages pages(2, 1);
        TestDatabase t;
        addFixture(t);
        PurchaseReportWindow w;
        QTemporaryDir dir;
        const QString path = dir.filePath("book.csv");
        Prompts::queueFileName(path);
        click(&w, "btnExport");
        const QStringList lines = fileLines(path);
        QCOMPARE(lines.size(), 12);
        // The export did not wait for the table's count, which comes after it.
        QTRY_COMPARE(modelOf(&w)->rowCount(), 9);
        QStringList shown;
        for (int r = 0; r < 9; ++r)
            shown << "\"" + rowTexts(&w, r).split('|').join("\",\"") + "\"";
        QCOMPARE(lines.mid(2, 9), shown);
        QCOMPARE(operationLogRows(t), QString("系统管理员/采购入库/导出购进记录表/导出 9 条记录"));
    }

    // A purchase stored as the purchase window stores it shows in both purchase books, the refused line red,
    // the acceptor by name; once voided it is gone at the next query.
    void purchaseEndToEnd() {
        PinnedClock clock(kToday, QTime(16, 20, 5));
        TestDatabase t;
        addFixture(t);
        t.exec("UPDATE supplier SET license_expire_date = '2030-01-01', qualification_status = 'valid'");
        models::PurchaseOrder order;
        order.supplierId = 2;
        order.inboundDate = Clock::todayText();
        order.operatorId = CurrentUser::instance().getUserId();
        order.status = "completed";
        QList<models::PurchaseOrderItem> lines;
        for (const char* result : {"合格", "不合格"}) {
            models::PurchaseOrderItem line;
            line.productId = 4;
            line.batchNo = result == QString("合格") ? "BLG2503" : "BLG2503X";
            line.productionDate = "2025-01-20";
            line.expiryDate = "2027-01-19";
            line.quantity = 30;
            line.unitPrice = 9.2;
            line.amount = 276;
            line.acceptanceResult = result;
            line.acceptanceDate = Clock::nowText();
            line.acceptanceBy = CurrentUser::instance().getUserId();
            lines << line;
        }
        repositories::PurchaseRepository purchases(t.db());
        const int id = purchases.insertOrder(order, lines);
        QVERIFY(id > 0);
        const QString orderNo = purchases.findOrderById(id).orderNo;
        PurchaseReportWindow bought;
        AcceptanceReportWindow accepted;
        for (QMainWindow* book : {static_cast<QMainWindow*>(&bought), static_cast<QMainWindow*>(&accepted)})
            query(book, "editOrderNo", orderNo);
        QCOMPARE(column(&bought, 6), QString("BLG2503|BLG2503X"));
        QCOMPARE(column(&bought, 13), QString("合格|不合格"));
        QCOMPARE(column(&bought, 14), QString("2025-03-31 16:20:05|2025-03-31 16:20:05"));
        QCOMPARE(total(&bought), QString("共 2 条记录，合计金额：552.00 元"));
        QCOMPARE(rowTexts(&bought, 1, Qt::BackgroundRole), repeated("#ff0000", 15));
        QCOMPARE(column(&accepted, 13), QString("系统管理员|系统管理员"));
        QVERIFY(purchases.voidOrder(id));
        click(&bought, "btnQuery");
        click(&accepted, "btnQuery");
        QCOMPARE(total(&bought), kNone);
        QCOMPARE(total(&accepted), QString("共 0 条记录"));
    }

    // A sale stored as the point of sale stores it shows in the sales book with its batch's supplier and its
    // operator; once voided it is gone at the next query.
    void salesEndToEnd() {
        PinnedClock clock(kToday, QTime(11, 5));
        TestDatabase t;
        addFixture(t);
        models::SalesOrder order;
        order.operatorId = 1;
        order.saleDate = Clock::todayText();
        order.customerId = 1;
        QList<models::SalesOrderItem> lines;
        for (const auto& [product, batch, quantity, price] :
             {std::tuple(1, "A2503", 2, 16.8), std::tuple(3, "C2503", 1, 25.5)}) {
            models::SalesOrderItem line;
            line.productId = product;
            line.batchNo = batch;
            line.quantity = quantity;
            line.unitPrice = price;
            line.amount = quantity * price;
            lines << line;
        }
        SalesRepository sales(t.db());
        QVERIFY(sales.insertOrder(order, lines));
        SalesRecordReportWindow book;
        query(&book, "editOrderNo", order.orderNo);
        QCOMPARE(column(&book, 6), QString("A2503|C2503"));
        QCOMPARE(column(&book, 12), QString("系统管理员|系统管理员"));
        QCOMPARE(total(&book), QString("共 2 条记录，合计金额：59.10 元"));
        query(&book, "editSupplier", "康联");
        QCOMPARE(column(&book, 6), QString("A2503"));
        QVERIFY(sales.voidOrder(order.id));
        click(&book, "btnQuery");
        QCOMPARE(total(&book), kNone);
    }
};

KV_TEST_CLASS(TestRecordBooks)
#include "tst_recordbooks.moc"

#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/schemamigrator.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/main/mainwindow.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

// The pinned "today": a Wednesday.
const QDate kToday(2026, 3, 11);

QString day(int offsetFromToday) {
    return kToday.addDays(offsetFromToday).toString("yyyy-MM-dd");
}

void addSale(TestDatabase& t, const QString& date, double amount, const QString& status = "completed") {
    static int number = 0;
    t.exec("INSERT INTO sales_order (order_no, total_amount, sale_date, status) VALUES (?, ?, ?, ?)",
           {QString("SAL%1").arg(++number), amount, date, status});
}

void addBatch(TestDatabase& t, int product, const QString& expiry, int quantity) {
    t.exec("INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES (?, 'B', ?, ?)",
           {product, expiry, quantity});
}

void addRejected(TestDatabase& t, const QString& status) {
    t.exec("INSERT INTO unqualified_drug (product_id, product_name, batch_id, batch_no, quantity, reason, "
           "found_by, status) VALUES (1, '阿莫西林胶囊', 1, 'B1', 1, 'damaged', 1, ?)",
           {status});
}

void signIn(const QString& realName, const QString& role) {
    models::User user;
    user.realName = realName;
    user.role = role;
    CurrentUser::instance().setUser(user);
}

QString text(const MainWindow& w, const char* label) {
    return w.findChild<QLabel*>(label)->text();
}

// A figure's text with its colour: "2 alert" in red, "0 clear" in green.
QString figure(const MainWindow& w, const char* label) {
    const QString sheet = w.findChild<QLabel*>(label)->styleSheet();
    return text(w, label) + (sheet.contains("#d32f2f")   ? " alert"
                             : sheet.contains("#2e7d32") ? " clear"
                                                         : "");
}

// The active period button: the one on the dark green background.
QStringList activeTabs(const MainWindow& w) {
    QStringList active;
    for (const char* name : {"btnTabToday", "btnTabWeek", "btnTabMonth"})
        if (w.findChild<QPushButton*>(name)->styleSheet().contains("background-color: #2e7d32"))
            active << name;
    return active;
}

void fireTimer(MainWindow& w) {
    QVERIFY(
        QMetaObject::invokeMethod(w.findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly), "timeout"));
}

QList<QAction*> entries(const MainWindow& w) {
    QList<QAction*> list;
    for (QAction* menu : w.menuBar()->actions())
        for (QAction* a : menu->menu()->actions())
            if (!a->isSeparator())
                list.append(a);
    return list;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
        signIn("张三", "clerk");
    }
    void cleanup() { CurrentUser::instance().clear(); }

    // Entries and quick buttons of windows the program does not hold yet are disabled.
    void menusInOrderAndRefreshTimer() {
        TestDatabase t;
        MainWindow w;
        QVERIFY(!QApplication::quitOnLastWindowClosed());
        QTimer* timer = w.findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(timer->isActive() && !timer->isSingleShot() && timer->interval() == 60000);
        QStringList layout, enabled, quick;
        for (QAction* menu : w.menuBar()->actions()) {
            QStringList items;
            for (QAction* a : menu->menu()->actions())
                items << (a->isSeparator() ? QString("|") : a->text());
            layout << menu->text() + ": " + items.join(",");
        }
        for (QAction* a : entries(w))
            if (a->isEnabled())
                enabled << a->text();
        for (QPushButton* b : w.findChild<QWidget*>("quickPanel")->findChildren<QPushButton*>())
            if (b->isEnabled())
                quick << b->objectName();
        QCOMPARE(layout,
                 QStringList({"基础数据: 商品管理,供应商管理,客户管理",
                              "进销存: 采购入库,销售收银,库存查询,|,采购退货,销售退回,盘点管理",
                              "报表中心: 购进记录表,验收记录表,销售记录表,养护检查记录表,温湿度记录表,"
                              "近效期药品报表,不合格药品记录表,供应商资质一览表",
                              "GSP 合规: 近效期药品预警,供应商资质预警,温湿度记录管理,处方药登记管理,"
                              "不合格药品登记,养护检查",
                              "系统管理: 用户管理,操作日志"}));
        QCOMPARE(enabled, QStringList({"商品管理", "供应商管理", "客户管理", "用户管理", "操作日志"}));
        QCOMPARE(quick, QStringList{"btnQuickUser"});
    }

    // The first open builds the window as a top-level child of the main window; later opens (menu or quick
    // button, also after the window was closed) raise that same object. The warning centre is reached by
    // nothing.
    void entriesBuildTheirWindowOnce() {
        TestDatabase t;
        MainWindow w;
        QStringList classes;
        for (QAction* a : entries(w)) {
            const QList<QMainWindow*> before = w.findChildren<QMainWindow*>();
            a->trigger();
            for (QMainWindow* m : w.findChildren<QMainWindow*>()) {
                if (before.contains(m))
                    continue;
                classes << m->metaObject()->className();
                QVERIFY(m->parentWidget() == &w && m->isWindow() && m->isVisible());
                m->close();
                a->trigger();
                QVERIFY(m->isVisible());
            }
        }
        QCOMPARE(classes,
                 QStringList({"kestrovalin::ProductManagerWindow", "kestrovalin::SupplierManagerWindow",
                              "kestrovalin::CustomerManagerWindow", "kestrovalin::UserManagerWindow",
                              "kestrovalin::OperLogWindow"}));
        const QList<QMainWindow*> built = w.findChildren<QMainWindow*>();
        QWidget* users = w.featureWindow(MainWindow::UserManager);
        users->close();
        for (QPushButton* b : w.findChild<QWidget*>("quickPanel")->findChildren<QPushButton*>())
            b->click();
        QVERIFY(users->isVisible());
        QCOMPARE(w.findChildren<QMainWindow*>(), built);
        QVERIFY(!w.featureWindow(MainWindow::InventoryWarning));
    }

    void placementOnTheMainWindow_data() {
        QTest::addColumn<QRect>("parent");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("maximised 1920x1040") << QRect(0, 0, 1920, 1040) << QRect(96, 104, 1728, 832);
        QTest::newRow("801 wide, truncating") << QRect(10, 20, 801, 601) << QRect(50, 80, 720, 480);
    }
    void placementOnTheMainWindow() {
        QFETCH(QRect, parent);
        QFETCH(QRect, expected);
        TestDatabase t;
        MainWindow w;
        w.showNormal();
        w.resize(parent.size());
        w.move(parent.topLeft()); // x() and y() are the frame position, which placement follows
        w.openCustomerManager();
        QWidget* window = w.featureWindow(MainWindow::CustomerManager);
        QCOMPARE(QRect(window->pos(), window->size()), expected);
        // Later moves of the main window leave a kept window where it is.
        w.move(parent.topLeft() + QPoint(5, 5));
        w.openCustomerManager();
        QCOMPARE(QRect(window->pos(), window->size()), expected);
    }

    void userLine_data() {
        QTest::addColumn<QString>("realName");
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("line");
        QTest::newRow("admin") << "张三"
                               << "admin"
                               << "当前用户：张三 ｜ 老板";
        QTest::newRow("manager") << "张三"
                                 << "manager"
                                 << "当前用户：张三 ｜ 老板";
        QTest::newRow("老板") << "张三"
                              << "老板"
                              << "当前用户：张三 ｜ 老板";
        QTest::newRow("clerk") << "张三"
                               << "clerk"
                               << "当前用户：张三 ｜ 店员";
        QTest::newRow("other code") << "张三"
                                    << "Manager"
                                    << "当前用户：张三 ｜ 店员";
        // A name is shown as typed, never read as markup.
        QTest::newRow("markup in the name") << "<b>王</b>"
                                            << "clerk"
                                            << "当前用户：<b>王</b> ｜ 店员";
    }
    void userLine() {
        QFETCH(QString, realName);
        QFETCH(QString, role);
        signIn(realName, role);
        TestDatabase t;
        MainWindow w;
        QTEST(text(w, "lblUserInfo"), "line");
        QCOMPARE(w.findChild<QLabel*>("lblUserInfo")->textFormat(), Qt::PlainText);
    }

    // Completed sales only, on the local calendar (at 00:20 the UTC date is still yesterday); Monday to
    // Sunday.
    void salesFiguresForTheChosenPeriod() {
        TestDatabase t;
        PinnedClock pin(kToday, QTime(0, 20));
        MainWindow w;
        QCOMPARE(text(w, "lblSaleAmtValue") + " " + text(w, "lblOrderCountValue"), QString("¥0.00 0"));
        QCOMPARE(activeTabs(w), QStringList{"btnTabToday"});

        addSale(t, day(0), 100);
        addSale(t, day(0), 34.5);
        addSale(t, day(0), 50, "voided");
        addSale(t, day(-2), 1000); // Monday
        addSale(t, day(-3), 5);    // last Sunday, this month
        addSale(t, day(4), 7);     // Sunday
        addSale(t, "2026-02-28", 3000);
        addSale(t, "2026-04-01", 4000);
        fireTimer(w);
        QCOMPARE(text(w, "lblSaleAmtTitle") + " " + text(w, "lblSaleAmtValue"),
                 QString("今日销售额 ¥134.50"));
        QCOMPARE(text(w, "lblOrderCountTitle") + " " + text(w, "lblOrderCountValue"),
                 QString("今日开单数 2"));

        QTest::mouseClick(w.findChild<QPushButton*>("btnTabWeek"), Qt::LeftButton);
        QCOMPARE(text(w, "lblSaleAmtTitle") + " " + text(w, "lblSaleAmtValue"),
                 QString("本周销售额 ¥1141.50"));
        QCOMPARE(text(w, "lblOrderCountTitle") + " " + text(w, "lblOrderCountValue"),
                 QString("本周开单数 4"));
        QCOMPARE(activeTabs(w), QStringList{"btnTabWeek"});

        // The timer redraws the period last chosen.
        QTest::mouseClick(w.findChild<QPushButton*>("btnTabMonth"), Qt::LeftButton);
        addSale(t, day(1), 0.5);
        fireTimer(w);
        QCOMPARE(text(w, "lblSaleAmtTitle") + " " + text(w, "lblSaleAmtValue"),
                 QString("本月销售额 ¥1147.00"));
        QCOMPARE(text(w, "lblOrderCountValue"), QString("6"));
        QCOMPARE(activeTabs(w), QStringList{"btnTabMonth"});
    }

    // A batch expiring today is near expiry, two batches of one drug count once; a supplier counts once for
    // any of its four documents within 30 days, if active.
    void warningFiguresAndTemperatureLine() {
        TestDatabase t;
        PinnedClock pin(kToday, QTime(7, 0));
        addBatch(t, 1, day(0), 5);
        addBatch(t, 1, day(20), 2);
        addBatch(t, 2, day(30), 1);
        addBatch(t, 3, day(31), 1);
        addBatch(t, 4, day(-1), 1);
        addBatch(t, 5, day(5), 0);
        addRejected(t, "pending");
        addRejected(t, "confirmed");
        addRejected(t, "processed");
        MainWindow w;
        QCOMPARE(text(w, "lblProductCountValue"), QString("4"));
        QCOMPARE(figure(w, "lblExpiryValue"), QString("2 alert"));
        QCOMPARE(figure(w, "lblQualValue"), QString("0 clear"));
        QCOMPARE(figure(w, "lblRejectedValue"), QString("2 alert"));
        QCOMPARE(figure(w, "lblTempStatus"), QString("今日温湿度：未填写 alert"));

        t.exec("UPDATE unqualified_drug SET status = 'processed'");
        const QString sql =
            "INSERT INTO supplier (name, status, license_expire_date, business_license_expire_date, "
            "gsp_cert_expire_date, tax_reg_expire_date) VALUES (?, ?, ?, ?, ?, ?)";
        t.exec(sql, {"华康医药", "active", day(0), QVariant(), QVariant(), QVariant()});
        t.exec(sql, {"康宁医药", "active", QVariant(), day(30), QVariant(), QVariant()});
        t.exec(sql, {"仁和医药", "active", QVariant(), QVariant(), day(3), day(20)});
        t.exec(sql, {"百草医药", "active", day(31), QVariant(), QVariant(), day(-1)});
        t.exec(sql, {"停用医药", "suspended", QVariant(), QVariant(), day(7), QVariant()});
        t.exec("INSERT INTO temperature_record (record_date, record_time, temperature, humidity) "
               "VALUES (?, '06:55', 21.5, 52)",
               {day(0)});
        fireTimer(w);
        QCOMPARE(figure(w, "lblRejectedValue"), QString("0 clear"));
        QCOMPARE(figure(w, "lblQualValue"), QString("3 alert"));
        QCOMPARE(figure(w, "lblTempStatus"), QString("今日温湿度：已记录 clear"));
    }

    // Years of data stay fast: older files get the indexes through the migrations, and the figures read them.
    void figuresReadTheirIndexes() {
        TestDatabase t;
        t.exec("DROP INDEX idx_sales_order_status_date");
        t.exec("DROP INDEX idx_batch_stock_expiry");
        QVERIFY(SchemaMigrator(t.db()).run());
        QString plans;
        for (const char* sql :
             {"SELECT COALESCE(SUM(total_amount), 0), COUNT(*) FROM sales_order WHERE status = 'completed' "
              "AND sale_date >= '2026-03-01' AND sale_date < '2026-04-01'",
              "SELECT COUNT(DISTINCT product_id) FROM inventory_batch WHERE quantity > 0",
              "SELECT COUNT(DISTINCT product_id) FROM inventory_batch WHERE quantity > 0 "
              "AND expiry_date BETWEEN '2026-03-11' AND '2026-04-10'"}) {
            QSqlQuery q = t.db()->query(QString("EXPLAIN QUERY PLAN ") + sql);
            while (q.next())
                plans += q.value(3).toString() + '\n';
        }
        QVERIFY2(plans.count("idx_sales_order_status_date") == 1 &&
                     plans.count("idx_batch_stock_expiry") == 2,
                 qPrintable(plans));
    }

    // Without a database nothing changes; a failed count keeps its text and takes the clear colour.
    void noDatabaseKeepsFigures() {
        const QStringList figures = {"lblSaleAmtValue", "lblOrderCountValue", "lblProductCountValue",
                                     "lblExpiryValue",  "lblRejectedValue",   "lblTempStatus",
                                     "lblSaleAmtTitle"};
        const auto texts = [&](const MainWindow& w) {
            QStringList out;
            for (const QString& l : figures)
                out << text(w, qPrintable(l));
            return out;
        };
        DatabaseManager::instance().shutdown();
        QCOMPARE(texts(MainWindow()), QStringList({"¥0.00", "0", "0", "0", "0", "今日温湿度：", "销售额"}));

        auto t = std::make_unique<TestDatabase>();
        PinnedClock pin(kToday);
        addSale(*t, day(0), 12.3);
        addRejected(*t, "pending");
        addBatch(*t, 1, day(3), 5);
        MainWindow w;
        const QStringList before = texts(w);
        QCOMPARE(before, QStringList({"¥12.30", "1", "1", "1", "1", "今日温湿度：未填写", "今日销售额"}));
        t->exec("DROP TABLE unqualified_drug");
        {
            LogCapture quiet;
            fireTimer(w);
        }
        QCOMPARE(figure(w, "lblRejectedValue"), QString("1 clear"));

        t.reset(); // closes the database
        fireTimer(w);
        QTest::mouseClick(w.findChild<QPushButton*>("btnTabWeek"), Qt::LeftButton);
        QCOMPARE(texts(w), before);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

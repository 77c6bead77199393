#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "tests/main/dashboardtestdata.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/main/mainwindow.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

void signIn(const QString& realName, const QString& role) {
    models::User user;
    user.id = 7;
    user.username = "zhangsan";
    user.realName = realName;
    user.role = role;
    user.status = 1;
    CurrentUser::instance().setUser(user);
}

QString text(const MainWindow& w, const char* label) {
    return w.findChild<QLabel*>(label)->text();
}

QString style(const MainWindow& w, const char* name) {
    return w.findChild<QWidget*>(name)->styleSheet();
}

QPushButton* button(const MainWindow& w, const char* name) {
    return w.findChild<QPushButton*>(name);
}

void fireTimer(MainWindow& w) {
    QTimer* timer = w.findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(timer);
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
}

// Every enabled menu entry, with its menu title.
QList<QAction*> entries(const MainWindow& w) {
    QList<QAction*> list;
    for (QAction* menu : w.menuBar()->actions())
        for (QAction* a : menu->menu()->actions())
            if (!a->isSeparator())
                list.append(a);
    return list;
}

const char* const kActiveTab = "font-size: 12px; font-weight: bold;color: #ffffff; background-color: #2e7d32;"
                               "border: none; border-radius: 4px;padding: 2px 10px;";
const char* const kInactiveTab = "font-size: 12px; font-weight: bold;color: #666666; background-color: "
                                 "#e8f5e9;border: 1px solid #c8e6c9; border-radius: 4px;padding: 2px 10px;";
const char* const kAlert = "font-size: 24px; font-weight: bold; color: #d32f2f; background: transparent;";
const char* const kClear = "font-size: 24px; font-weight: bold; color: #2e7d32; background: transparent;";
const char* const kTempMissing =
    "font-size: 13px; font-weight: bold; color: #d32f2f; background: transparent;";
const char* const kTempRecorded = "font-size: 13px; color: #2e7d32; background: transparent;";

// A figure's text and colour, e.g. "2 alert".
QString figure(const MainWindow& w, const char* label) {
    const QString sheet = style(w, label);
    const QString colour = sheet == kAlert || sheet == kTempMissing    ? "alert"
                           : sheet == kClear || sheet == kTempRecorded ? "clear"
                                                                       : "unstyled";
    return text(w, label) + " " + colour;
}

// The texts of several labels, in order.
QStringList texts(const MainWindow& w, const QStringList& labels) {
    QStringList out;
    for (const QString& l : labels)
        out << text(w, qPrintable(l));
    return out;
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

    void formAndTimer() {
        TestDatabase t;
        MainWindow w;
        QCOMPARE(w.windowTitle(), QString("柯斯洛 - 医药管理系统"));
        QVERIFY(!QApplication::quitOnLastWindowClosed());
        QTimer* timer = w.findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 60000);
        QVERIFY(timer->isActive());
        QVERIFY(!timer->isSingleShot());
        auto* content = w.findChild<QHBoxLayout*>("contentLayout");
        QCOMPARE(content->stretch(0), 3);
        QCOMPARE(content->stretch(1), 2);
        QCOMPARE(text(w, "lblVersion"), QString("v1.0.0"));
    }

    void menusInOrder() {
        TestDatabase t;
        MainWindow w;
        QStringList layout;
        for (QAction* menu : w.menuBar()->actions()) {
            QStringList items;
            for (QAction* a : menu->menu()->actions())
                items << (a->isSeparator() ? QString("|") : a->text());
            layout << menu->text() + ": " + items.join(",");
        }
        QCOMPARE(layout,
                 QStringList({"基础数据: 商品管理,供应商管理,客户管理",
                              "进销存: 采购入库,销售收银,库存查询,|,采购退货,销售退回,盘点管理",
                              "报表中心: 购进记录表,验收记录表,销售记录表,养护检查记录表,温湿度记录表,"
                              "近效期药品报表,不合格药品记录表,供应商资质一览表",
                              "GSP 合规: 近效期药品预警,供应商资质预警,温湿度记录管理,处方药登记管理,"
                              "不合格药品登记,养护检查",
                              "系统管理: 用户管理,操作日志"}));
        QCOMPARE(entries(w).size(), 25);
    }

    void quickButtons() {
        TestDatabase t;
        MainWindow w;
        auto* grid = w.findChild<QGridLayout*>("quickGrid");
        QStringList cells;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 2; ++c)
                cells << grid->itemAtPosition(r, c)->widget()->objectName() + " " +
                             static_cast<QPushButton*>(grid->itemAtPosition(r, c)->widget())->text();
        QCOMPARE(cells, QStringList({"btnQuickSale 📦 销售收银", "btnQuickPurchase 📥 采购入库",
                                     "btnQuickInventory 🔍 库存查询", "btnQuickReturn 🔄 采购退货",
                                     "btnQuickCheck 📋 盘点管理", "btnQuickWarning ⚠️ 效期预警",
                                     "btnQuickTemp 🌡️ 温湿度", "btnQuickUser 👥 用户管理"}));
    }

    // An entry whose window is not part of the program is shown disabled, and so is its quick button.
    void entriesEnabledOnlyWithTheirWindow() {
        TestDatabase t;
        MainWindow w;
        const QMap<QString, MainWindow::FeatureWindow> byText = {
            {"商品管理", MainWindow::ProductManager},
            {"供应商管理", MainWindow::SupplierManager},
            {"客户管理", MainWindow::CustomerManager},
            {"采购入库", MainWindow::Purchase},
            {"销售收银", MainWindow::Sales},
            {"库存查询", MainWindow::Inventory},
            {"采购退货", MainWindow::PurchaseReturn},
            {"销售退回", MainWindow::SalesReturn},
            {"盘点管理", MainWindow::InventoryCheck},
            {"购进记录表", MainWindow::PurchaseReport},
            {"验收记录表", MainWindow::AcceptanceReport},
            {"销售记录表", MainWindow::SalesRecordReport},
            {"养护检查记录表", MainWindow::MaintenanceReport},
            {"温湿度记录表", MainWindow::TempHumidityReport},
            {"近效期药品报表", MainWindow::ExpiryReport},
            {"不合格药品记录表", MainWindow::RejectedDrugReport},
            {"供应商资质一览表", MainWindow::SupplierReport},
            {"近效期药品预警", MainWindow::ExpiryWarning},
            {"供应商资质预警", MainWindow::QualificationWarning},
            {"温湿度记录管理", MainWindow::TempHumidityRecord},
            {"处方药登记管理", MainWindow::PrescriptionRecord},
            {"不合格药品登记", MainWindow::RejectedDrug},
            {"养护检查", MainWindow::Maintenance},
            {"用户管理", MainWindow::UserManager},
            {"操作日志", MainWindow::OperLog}};
        for (QAction* a : entries(w))
            QCOMPARE(a->isEnabled(), MainWindow::isFeatureAvailable(byText.value(a->text())));
        const QMap<QString, MainWindow::FeatureWindow> byButton = {
            {"btnQuickSale", MainWindow::Sales},
            {"btnQuickPurchase", MainWindow::Purchase},
            {"btnQuickInventory", MainWindow::Inventory},
            {"btnQuickReturn", MainWindow::PurchaseReturn},
            {"btnQuickCheck", MainWindow::InventoryCheck},
            {"btnQuickWarning", MainWindow::ExpiryWarning},
            {"btnQuickTemp", MainWindow::TempHumidityRecord},
            {"btnQuickUser", MainWindow::UserManager}};
        for (auto it = byButton.begin(); it != byButton.end(); ++it)
            QCOMPARE(button(w, qPrintable(it.key()))->isEnabled(),
                     MainWindow::isFeatureAvailable(it.value()));
        QVERIFY(MainWindow::isFeatureAvailable(MainWindow::CustomerManager));
    }

    // Each entry builds its window once, as a top-level child of the main window, and raises it later.
    void registryBuildsOnceAndRaisesTheSameWindow() {
        TestDatabase t;
        MainWindow w;
        QHash<QAction*, QWidget*> built;
        for (QAction* a : entries(w)) {
            if (!a->isEnabled())
                continue;
            const QList<QMainWindow*> before = w.findChildren<QMainWindow*>();
            a->trigger();
            const QList<QMainWindow*> after = w.findChildren<QMainWindow*>();
            QCOMPARE(after.size(), before.size() + 1);
            for (QMainWindow* m : after)
                if (!before.contains(m))
                    built.insert(a, m);
        }
        QVERIFY(!built.isEmpty());
        for (auto it = built.begin(); it != built.end(); ++it) {
            QWidget* first = it.value();
            QCOMPARE(first->parentWidget(), &w);
            QVERIFY(first->isWindow());
            QVERIFY(first->isVisible());
            first->close(); // closing only hides it
            const int count = w.findChildren<QMainWindow*>().size();
            it.key()->trigger();
            QCOMPARE(w.findChildren<QMainWindow*>().size(), count);
            QVERIFY(first->isVisible());
        }
        QCOMPARE(w.findChildren<QMainWindow*>().size(), built.size());
    }

    // The windows that exist: the menu entry builds the right class, a second way in raises the same object.
    void entryBuildsItsWindow_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("quickButton");
        QTest::newRow("products") << "商品管理" << int(MainWindow::ProductManager)
                                  << "kestrovalin::ProductManagerWindow"
                                  << "";
        QTest::newRow("suppliers") << "供应商管理" << int(MainWindow::SupplierManager)
                                   << "kestrovalin::SupplierManagerWindow"
                                   << "";
        QTest::newRow("customers") << "客户管理" << int(MainWindow::CustomerManager)
                                   << "kestrovalin::CustomerManagerWindow"
                                   << "";
        QTest::newRow("users") << "用户管理" << int(MainWindow::UserManager)
                               << "kestrovalin::UserManagerWindow"
                               << "btnQuickUser";
        QTest::newRow("log") << "操作日志" << int(MainWindow::OperLog) << "kestrovalin::OperLogWindow"
                             << "";
    }
    void entryBuildsItsWindow() {
        QFETCH(QString, entry);
        QFETCH(int, slot);
        QFETCH(QString, className);
        QFETCH(QString, quickButton);
        TestDatabase t;
        MainWindow w;
        const auto which = MainWindow::FeatureWindow(slot);
        QVERIFY(!w.featureWindow(which));
        QAction* action = nullptr;
        for (QAction* a : entries(w))
            if (a->text() == entry)
                action = a;
        QVERIFY(action && action->isEnabled());
        action->trigger();
        QPointer<QWidget> first = w.featureWindow(which);
        QVERIFY(first);
        QCOMPARE(QString(first->metaObject()->className()), className);
        QCOMPARE(first->parentWidget(), &w);
        QVERIFY(first->isWindow());
        first->close();
        if (quickButton.isEmpty())
            action->trigger();
        else
            QTest::mouseClick(button(w, qPrintable(quickButton)), Qt::LeftButton);
        QCOMPARE(w.featureWindow(which), first.data());
        QVERIFY(first->isVisible());
    }

    // The warning centre has a slot but nothing reaches it.
    void warningCentreIsReachedByNothing() {
        TestDatabase t;
        MainWindow w;
        for (QAction* a : entries(w))
            a->trigger();
        for (QPushButton* b : w.findChild<QWidget*>("quickPanel")->findChildren<QPushButton*>())
            b->click();
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
        // x() and y() are the frame position, which placement follows.
        w.resize(parent.size());
        w.move(parent.topLeft());
        QCOMPARE(QRect(w.x(), w.y(), w.width(), w.height()), parent);
        w.openCustomerManager();
        QWidget* window = w.featureWindow(MainWindow::CustomerManager);
        QCOMPARE(QRect(window->x(), window->y(), window->width(), window->height()), expected);
        // Later moves of the main window leave a kept window where it is.
        w.move(parent.topLeft() + QPoint(5, 5));
        w.openCustomerManager();
        QCOMPARE(QRect(window->x(), window->y(), window->width(), window->height()), expected);
    }

    void userLine_data() {
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("label");
        QTest::newRow("admin") << "admin"
                               << "老板";
        QTest::newRow("manager") << "manager"
                                 << "老板";
        QTest::newRow("老板") << "老板"
                              << "老板";
        QTest::newRow("clerk") << "clerk"
                               << "店员";
        QTest::newRow("other code") << "Manager"
                                    << "店员";
        QTest::newRow("empty") << ""
                               << "店员";
    }
    void userLine() {
        QFETCH(QString, role);
        QFETCH(QString, label);
        signIn("张三", role);
        TestDatabase t;
        MainWindow w;
        QCOMPARE(text(w, "lblUserInfo"), "当前用户：张三 ｜ " + label);
        QCOMPARE(MainWindow::roleLabel(role), label);
    }

    void salesFiguresForTheChosenPeriod() {
        TestDatabase t;
        PinnedClock pin(kToday, QTime(0, 20));
        MainWindow w;
        QCOMPARE(text(w, "lblSaleAmtValue"), QString("¥0.00"));
        QCOMPARE(text(w, "lblOrderCountValue"), QString("0"));
        QCOMPARE(style(w, "btnTabToday"), QString(kActiveTab));
        QCOMPARE(style(w, "btnTabWeek"), QString(kInactiveTab));

        addSale(t, day(0), 100);
        addSale(t, day(0), 34.5);
        addSale(t, day(0), 50, "voided");
        addSale(t, day(-2), 1000); // Monday
        addSale(t, day(-10), 5);   // earlier this month
        fireTimer(w);
        QCOMPARE(text(w, "lblSaleAmtTitle"), QString("今日销售额"));
        QCOMPARE(text(w, "lblOrderCountTitle"), QString("今日开单数"));
        QCOMPARE(text(w, "lblSaleAmtValue"), QString("¥134.50"));
        QCOMPARE(text(w, "lblOrderCountValue"), QString("2"));

        QTest::mouseClick(button(w, "btnTabWeek"), Qt::LeftButton);
        QCOMPARE(text(w, "lblSaleAmtTitle"), QString("本周销售额"));
        QCOMPARE(text(w, "lblOrderCountTitle"), QString("本周开单数"));
        QCOMPARE(text(w, "lblSaleAmtValue"), QString("¥1134.50"));
        QCOMPARE(text(w, "lblOrderCountValue"), QString("3"));
        QCOMPARE(style(w, "btnTabToday"), QString(kInactiveTab));
        QCOMPARE(style(w, "btnTabWeek"), QString(kActiveTab));
        QCOMPARE(style(w, "btnTabMonth"), QString(kInactiveTab));

        QTest::mouseClick(button(w, "btnTabMonth"), Qt::LeftButton);
        QCOMPARE(text(w, "lblSaleAmtValue"), QString("¥1139.50"));
        // The timer redraws the period last chosen.
        addSale(t, day(1), 0.5);
        fireTimer(w);
        QCOMPARE(text(w, "lblSaleAmtTitle"), QString("本月销售额"));
        QCOMPARE(text(w, "lblSaleAmtValue"), QString("¥1140.00"));
        QCOMPARE(text(w, "lblOrderCountValue"), QString("5"));
        QCOMPARE(style(w, "btnTabMonth"), QString(kActiveTab));
    }

    void warningFiguresAndTemperatureLine() {
        TestDatabase t;
        PinnedClock pin(kToday, QTime(7, 0));
        t.exec("INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES "
               "(1, 'A', ?, 5), (1, 'B', ?, 2), (2, 'C', ?, 1), (3, 'D', ?, 4)",
               {day(0), day(20), day(-1), day(200)});
        addRejected(t, "pending");
        addRejected(t, "confirmed");
        addRejected(t, "processed");
        MainWindow w;
        QCOMPARE(text(w, "lblProductCountValue"), QString("3"));
        QCOMPARE(figure(w, "lblExpiryValue"), QString("1 alert"));
        QCOMPARE(figure(w, "lblQualValue"), QString("0 clear"));
        QCOMPARE(figure(w, "lblRejectedValue"), QString("2 alert"));
        QCOMPARE(figure(w, "lblTempStatus"), QString("今日温湿度：未填写 alert"));

        t.exec("UPDATE unqualified_drug SET status = 'processed'");
        t.exec("INSERT INTO supplier (name, status, gsp_cert_expire_date) VALUES ('华康医药', 'active', ?)",
               {day(30)});
        t.exec("INSERT INTO temperature_record (record_date, record_time, temperature, humidity) "
               "VALUES (?, '06:55', 21.5, 52)",
               {day(0)});
        fireTimer(w);
        QCOMPARE(figure(w, "lblRejectedValue"), QString("0 clear"));
        QCOMPARE(figure(w, "lblQualValue"), QString("1 alert"));
        QCOMPARE(figure(w, "lblTempStatus"), QString("今日温湿度：已记录 clear"));
    }

    // Without a database nothing changes; a failed count keeps its text and takes the clear colour.
    void noDatabaseKeepsFigures() {
        {
            DatabaseManager::instance().shutdown();
            MainWindow w;
            QCOMPARE(text(w, "lblSaleAmtTitle"), QString("销售额"));
            QCOMPARE(text(w, "lblSaleAmtValue"), QString("¥0.00"));
            QCOMPARE(text(w, "lblTempStatus"), QString("今日温湿度："));
            QCOMPARE(text(w, "lblUserInfo"), QString("当前用户：张三 ｜ 店员"));
        }
        auto t = std::make_unique<TestDatabase>();
        PinnedClock pin(kToday);
        addSale(*t, day(0), 12.3);
        addRejected(*t, "pending");
        t->exec(
            "INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES (1, 'A', ?, 5)",
            {day(3)});
        MainWindow w;
        const QStringList figures = {"lblSaleAmtValue", "lblOrderCountValue", "lblProductCountValue",
                                     "lblExpiryValue",  "lblQualValue",       "lblRejectedValue",
                                     "lblTempStatus",   "lblSaleAmtTitle"};
        const QStringList before = texts(w, figures);
        QCOMPARE(before,
                 QStringList({"¥12.30", "1", "1", "1", "0", "1", "今日温湿度：未填写", "今日销售额"}));

        t->exec("DROP TABLE unqualified_drug");
        {
            LogCapture log;
            fireTimer(w);
        }
        QCOMPARE(figure(w, "lblRejectedValue"), QString("1 clear"));

        t.reset(); // closes the database
        fireTimer(w);
        QTest::mouseClick(button(w, "btnTabWeek"), Qt::LeftButton);
        QCOMPARE(texts(w, figures), before);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

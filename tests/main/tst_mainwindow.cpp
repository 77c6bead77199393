#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/schemamigrator.h"
#include "tests/support/logcapture.h"
#include "tests/support/modalanswer.h"
#include "tests/support/otherwriter.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/login/logindialog.h"
#include "ui/main/mainwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
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
    t.exec("INSERT INTO sales_order (order_no, total_amount, sale_date, status) "
           "VALUES ('SAL' || (SELECT COUNT(*) FROM sales_order), ?, ?, ?)",
           {amount, date, status});
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

// The labels' texts joined by spaces; a figure in red gets "!", one in green "+".
QString texts(const MainWindow& w, const QStringList& labels) {
    QStringList out;
    for (const QString& name : labels) {
        const QLabel* l = w.findChild<QLabel*>(name);
        out << l->text() + (l->styleSheet().contains("#d32f2f")   ? "!"
                            : l->styleSheet().contains("#2e7d32") ? "+"
                                                                  : "");
    }
    return out.join(' ');
}

QString sales(const MainWindow& w) {
    return texts(w, {"lblSaleAmtTitle", "lblSaleAmtValue", "lblOrderCountValue"});
}

void fireTimer(MainWindow& w) {
    QVERIFY(
        QMetaObject::invokeMethod(w.findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly), "timeout"));
}

// A key as the window system gives it: to the window with the focus, where a blocked one drops it.
void typeAtTheFocus(Qt::Key key, const QString& text = QString()) {
    for (QTest::KeyAction action : {QTest::Press, QTest::Release})
        if (QWindow* focus = QGuiApplication::focusWindow())
            QTest::sendKeyEvent(action, focus, key, text, Qt::NoModifier);
}

void click(MainWindow& w, const char* button) {
    QTest::mouseClick(w.findChild<QPushButton*>(button), Qt::LeftButton);
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

    // Every entry opens its window. The first open builds the window as a top-level child of
    // the main window; later opens (menu or quick button, also after a close) raise that same object.
    void entriesBuildTheirWindowOnce() {
        TestDatabase t;
        MainWindow w;
        QStringList classes;
        for (QAction* menu : w.menuBar()->actions())
            for (QAction* a : menu->menu()->actions()) {
                const QList<QMainWindow*> before = w.findChildren<QMainWindow*>();
                QCOMPARE(a->isEnabled() && !a->isSeparator(),
                         (a->trigger(), w.findChildren<QMainWindow*>() != before));
                for (QMainWindow* m : w.findChildren<QMainWindow*>())
                    if (!before.contains(m)) {
                        classes << m->metaObject()->className();
                        QVERIFY(m->parentWidget() == &w && m->isWindow() && m->isVisible());
                        m->close();
                        a->trigger();
                        QVERIFY(m->isVisible());
                    }
            }
        QCOMPARE(
            classes.join(' ').remove("kestrovalin::"),
            QString(
                "ProductManagerWindow SupplierManagerWindow CustomerManagerWindow PurchaseWindow SalesWindow "
                "InventoryWindow PurchaseReturnWindow SalesReturnWindow InventoryCheckWindow "
                "PurchaseReportWindow "
                "AcceptanceReportWindow SalesRecordReportWindow MaintenanceReportWindow "
                "TempHumidityReportWindow "
                "ExpiryReportWindow RejectedDrugReportWindow SupplierReportWindow ExpiryWarningWindow "
                "QualificationWarningWindow TempHumidityRecordWindow PrescriptionRecordWindow "
                "RejectedDrugWindow "
                "MaintenanceWindow UserManagerWindow OperLogWindow"));
        const QList<QMainWindow*> built = w.findChildren<QMainWindow*>();
        QWidget* users = w.featureWindow(MainWindow::UserManager);
        users->close();
        QStringList quick;
        for (QPushButton* b : w.findChild<QWidget*>("quickPanel")->findChildren<QPushButton*>())
            if (b->isEnabled())
                quick << b->objectName(), b->click();
        QCOMPARE(quick,
                 (QStringList{"btnQuickSale", "btnQuickPurchase", "btnQuickInventory", "btnQuickReturn",
                              "btnQuickCheck", "btnQuickWarning", "btnQuickTemp", "btnQuickUser"}));
        QVERIFY(users->isVisible());
        QCOMPARE(w.findChildren<QMainWindow*>(), built);
    }

    // 9/10 by 8/10 of the main window's frame, centred, truncating; later moves leave a kept window alone.
    void placementOnTheMainWindow_data() {
        QTest::addColumn<QRect>("parent");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("maximised") << QRect(0, 0, 1920, 1040) << QRect(96, 104, 1728, 832);
        QTest::newRow("truncating") << QRect(10, 20, 801, 601) << QRect(50, 80, 720, 480);
    }
    void placementOnTheMainWindow() {
        QFETCH(QRect, parent);
        QFETCH(QRect, expected);
        TestDatabase t;
        MainWindow w;
        w.showNormal();
        w.resize(parent.size());
        w.move(parent.topLeft());
        w.openCustomerManager();
        QWidget* window = w.featureWindow(MainWindow::CustomerManager);
        QCOMPARE(QRect(window->pos(), window->size()), expected);
        w.move(parent.topLeft() + QPoint(5, 5));
        w.openCustomerManager();
        QCOMPARE(window->pos(), expected.topLeft());
    }

    // Role codes map to the two shop roles; a name is shown as typed, never read as markup.
    void userLine() {
        TestDatabase t;
        QStringList lines;
        for (const char* role : {"admin", "manager", "老板", "clerk", "Manager"}) {
            signIn("<b>王</b>", role);
            MainWindow w;
            QCOMPARE(w.findChild<QLabel*>("lblUserInfo")->textFormat(), Qt::PlainText);
            lines << texts(w, {"lblUserInfo"}).remove("当前用户：<b>王</b> ｜ ");
        }
        QCOMPARE(lines.join(' '), QString("老板 老板 老板 店员 店员"));
    }

    // Completed sales only, on the local calendar (at 00:20 the UTC date is still yesterday); Monday to
    // Sunday; the timer redraws the period last chosen.
    void salesFiguresForTheChosenPeriod() {
        TestDatabase t;
        PinnedClock pin(kToday, QTime(0, 20));
        MainWindow w;
        addSale(t, day(0), 100);
        addSale(t, day(0), 34.5);
        addSale(t, day(0), 50, "voided");
        addSale(t, day(-2), 1000); // Monday
        addSale(t, day(-3), 5);    // last Sunday, this month
        addSale(t, day(4), 7);     // Sunday
        addSale(t, "2026-02-28", 3000);
        addSale(t, "2026-04-01", 4000);
        fireTimer(w);
        QCOMPARE(sales(w), QString("今日销售额 ¥134.50 2"));
        click(w, "btnTabWeek");
        QCOMPARE(sales(w), QString("本周销售额 ¥1141.50 4"));
        click(w, "btnTabMonth");
        addSale(t, day(1), 0.5);
        fireTimer(w);
        QCOMPARE(sales(w), QString("本月销售额 ¥1147.00 6"));
    }

    // A batch expiring today is near expiry, two batches of one drug count once; a supplier counts once for
    // any of its four documents within 30 days, if active.
    void warningFiguresAndTemperatureLine() {
        TestDatabase t;
        PinnedClock pin(kToday, QTime(7, 0));
        // product 1 twice, 2 on the last day, 3 a day too late, 4 expired, 5 sold out
        t.exec(QString("INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES "
                       "(1, 'B', '%1', 5), (1, 'B', '%2', 2), (2, 'B', '%3', 1), (3, 'B', '%4', 1), "
                       "(4, 'B', '%5', 1), (5, 'B', '%6', 0)")
                   .arg(day(0), day(20), day(30), day(31), day(-1), day(5)));
        for (const char* status : {"pending", "confirmed", "processed"})
            addRejected(t, status);
        const QStringList labels = {"lblProductCountValue", "lblExpiryValue", "lblQualValue",
                                    "lblRejectedValue", "lblTempStatus"};
        MainWindow w;
        QCOMPARE(texts(w, labels), QString("4 2! 0+ 2! 今日温湿度：未填写!"));

        t.exec(
            QString("INSERT INTO supplier (name, status, license_expire_date, business_license_expire_date, "
                    "gsp_cert_expire_date, tax_reg_expire_date) VALUES "
                    "('华康', 'active', '%1', NULL, NULL, NULL), ('康宁', 'active', NULL, '%2', NULL, NULL), "
                    "('仁和', 'active', NULL, NULL, '%3', '%4'), ('百草', 'active', '%5', NULL, NULL, '%6'), "
                    "('停用', 'suspended', NULL, NULL, '%7', NULL)")
                .arg(day(0), day(30), day(3), day(20), day(31), day(-1), day(7)));
        t.exec("INSERT INTO temperature_record (record_date, record_time, temperature, humidity) "
               "VALUES (?, '06:55', 21.5, 52)",
               {day(0)});
        fireTimer(w);
        QCOMPARE(texts(w, labels), QString("4 2! 3! 2! 今日温湿度：已记录+"));
    }

    // Years of data stay fast: older files get the indexes through the migrations, and the figures read them.
    void figuresReadTheirIndexes() {
        TestDatabase t;
        t.exec("DROP INDEX idx_sales_order_status_date");
        t.exec("DROP INDEX idx_batch_stock_expiry");
        QVERIFY(SchemaMigrator(t.db()).run());
        QString plans;
        for (const char* sql : {"SELECT SUM(total_amount) FROM sales_order WHERE status = 'completed' AND "
                                "sale_date >= '2026-03-01' "
                                "AND sale_date < '2026-04-01'",
                                "SELECT COUNT(DISTINCT product_id) FROM inventory_batch WHERE quantity > 0 "
                                "AND expiry_date BETWEEN '2026-03-11' AND '2026-04-10'"})
            for (QSqlQuery q = t.db()->query(QString("EXPLAIN QUERY PLAN ") + sql); q.next();)
                plans += q.value(3).toString() + '\n';
        QVERIFY2(plans.contains("idx_sales_order_status_date") && plans.contains("idx_batch_stock_expiry"),
                 qPrintable(plans));
    }

    // A replaced file is told once, without a loop of its own: while the window is hidden (signed out, or in
    // the tray) as it shows again, also when it had been minimised before it went to the tray.
    void replacedFileToldAsTheWindowShows_data() {
        QTest::addColumn<bool>("minimisedFirst");
        QTest::newRow("hidden") << false;
        QTest::newRow("minimised, then to the tray") << true;
    }
    void replacedFileToldAsTheWindowShows() {
        QFETCH(bool, minimisedFirst);
        TestDatabase t;
        MainWindow w;
        if (minimisedFirst) {
            w.show();
            w.showMinimized();
        }
        w.hide();
        const QString other = copyOf(t.db(), t.path());
        t.exec("INSERT INTO customer (name) VALUES ('张三')");
        Prompts::reset();
        LogCapture quiet;
        renameOver(other, t.path());
        DatabaseManager::instance().lookForReplacement();
        QCoreApplication::processEvents();
        QVERIFY(Prompts::history().isEmpty());
        minimisedFirst ? w.showMainWindow() : w.show();
        QTRY_COMPARE(Prompts::history().size(), 1);
        QVERIFY2(Prompts::lastText().startsWith(
                     "数据库文件已被其他程序替换，本程序不再读写它，请关闭本程序后重新启动\n"
                     "替换前本程序保存的数据已另存为："),
                 qPrintable(Prompts::lastText()));
        w.hide();
        w.show();
        QTest::qWait(20);
        QCOMPARE(Prompts::history().size(), 1);
    }

    // After the file was replaced, every read is refused: a figure keeps what it showed, or none for a period
    // never read, in the warning colour, and the sign-in says it could not read and where the saves are.
    void replacedFileKeepsFiguresAndSignInSaysWhy() {
        TestDatabase t;
        PinnedClock pin(kToday);
        addSale(t, day(0), 12.3);
        addRejected(t, "pending");
        MainWindow w;
        const QStringList figures = {"lblSaleAmtValue", "lblOrderCountValue", "lblProductCountValue",
                                     "lblRejectedValue"};
        QCOMPARE(texts(w, figures), QString("¥12.30 1 0 1!"));
        LogCapture quiet;
        renameCopyOver(t.db(), t.path());
        DatabaseManager::instance().lookForReplacement();
        fireTimer(w);
        QCOMPARE(texts(w, figures), QString("¥12.30! 1! 0! 1!"));
        click(w, "btnTabMonth");
        QCOMPARE(sales(w), QString("本月销售额 —! —!"));

        LoginDialog d;
        d.findChild<QLineEdit*>("editUsername")->setText("admin");
        d.findChild<QLineEdit*>("editPassword")->setText("quoll");
        Prompts::reset();
        d.findChild<QPushButton*>("btnLogin")->click();
        const QString copy = DatabaseManager::instance().getAdapter()->replacedFileCopy().path;
        QVERIFY(!copy.isEmpty());
        QCOMPARE(
            Prompts::lastTitle() + ":" + Prompts::lastText(),
            "无法登录:"
            "未能读取账户信息，无法登录\n数据库文件已被其他程序替换，本程序不再读写它，请关闭本程序后重新启动"
            "\n替换前本程序保存的数据已另存为：" +
                QDir::toNativeSeparators(copy));
    }

    // The real box comes over the form running then (the sign-in after 退出登录 too); answered, the form runs
    // on with what was typed. A form that closes itself with the box has not told it: it comes again over the
    // window left. One the user minimises keeps it, told once.
    void replacedFileToldOverTheRunningForm_data() {
        QTest::addColumn<bool>("signIn");
        QTest::addColumn<QString>("formDoes");
        QTest::newRow("form answered") << false << "";
        QTest::newRow("form closes with the box") << false << "close";
        QTest::newRow("form minimised under the box") << false << "minimise";
        QTest::newRow("sign-in after 退出登录") << true << "";
    }
    void replacedFileToldOverTheRunningForm() {
        QFETCH(bool, signIn);
        QFETCH(QString, formDoes);
        TestDatabase t;
        MainWindow w;
        w.show();
        if (signIn)
            w.hide();
        const QString other = copyOf(t.db(), t.path());
        Prompts::setTestMode(false);
        const auto testMode = qScopeGuard([] { Prompts::setTestMode(true); });
        LogCapture quiet;
        QDialog plain(&w);
        LoginDialog login;
        QDialog* form = signIn ? &login : &plain;
        QLineEdit* field = signIn ? login.findChild<QLineEdit*>("editUsername") : new QLineEdit(&plain);
        QTimer::singleShot(0, form, [&] {
            field->setFocus();
            QTest::keyClicks(field, "B2026");
            renameOver(other, t.path());
            DatabaseManager::instance().lookForReplacement();
        });
        QTimer::singleShot(3000, form, &QDialog::reject); // nothing came
        QStringList seen;
        ModalAnswer<QMessageBox> answer([&](QMessageBox* box) {
            seen << (box->parentWidget() == form ? "form" : box->parentWidget() == &w ? "main" : "elsewhere");
            if (formDoes == "close" && seen.size() == 1)
                return form->reject();
            if (formDoes == "minimise")
                form->showMinimized();
            QTest::keyClick(box, Qt::Key_Return);
            seen << QString("%1 %2 %3")
                        .arg(QApplication::activeModalWidget() == form)
                        .arg(field->text())
                        .arg(form->focusWidget() == field);
            QTimer::singleShot(0, form, &QDialog::accept);
        });
        form->exec();
        QTRY_COMPARE(seen.join('|'), formDoes == "close" ? "form|main|0 B2026 1" : "form|1 B2026 1");
        QCOMPARE(Prompts::history().size(), formDoes == "close" ? 2 : 1);
    }

    // Until answered, the real box keeps the front and the keys: the window system giving the focus to the
    // picker it came over (a click on its table), or the main window brought back from the tray over the
    // form, gives them back to the box. A key then answers it, and the next goes on into the form's field.
    void replacedFileNoticeKeepsTheKeyboard_data() {
        QTest::addColumn<bool>("fromTray");
        QTest::addColumn<int>("answer");
        QTest::newRow("picker clicked, Return") << false << int(Qt::Key_Return);
        QTest::newRow("picker clicked, Escape") << false << int(Qt::Key_Escape);
        QTest::newRow("客户管理, main window from the tray") << true << int(Qt::Key_Return);
    }
    void replacedFileNoticeKeepsTheKeyboard() {
        QFETCH(bool, fromTray);
        QFETCH(int, answer);
        TestDatabase t;
        MainWindow w;
        w.show();
        QPushButton elsewhere("打开");
        int pressed = 0;
        connect(&elsewhere, &QPushButton::clicked, this, [&] { ++pressed; });
        elsewhere.show();
        const QString other = copyOf(t.db(), t.path());
        Prompts::setTestMode(false);
        const auto testMode = qScopeGuard([] { Prompts::setTestMode(true); });
        LogCapture quiet;
        // The sale's form with its picker over it, as their own loops would show them.
        QDialog sale(&w);
        QDialog picker(&sale);
        QWidget* form = &picker;
        QLineEdit* field = new QLineEdit(&picker);
        if (fromTray) {
            w.hide();
            w.openCustomerManager();
            form = w.featureWindow(MainWindow::CustomerManager);
            field = form->findChild<QLineEdit*>("editSearch");
        } else {
            for (QDialog* d : {&sale, &picker}) {
                d->setWindowModality(Qt::ApplicationModal);
                d->show();
            }
        }
        QTRY_COMPARE(QApplication::activeWindow(), form);
        field->setFocus();
        QTest::keyClicks(field, "gm");
        renameOver(other, t.path());
        DatabaseManager::instance().lookForReplacement();
        QPointer<QMessageBox> box;
        QTRY_VERIFY((box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())));
        QCOMPARE(box->parentWidget(), form);
        QTRY_COMPARE(QApplication::activeWindow(), box.data());
        // The window system hands the focus away first, as it does for a click (QWidget::activateWindow
        // would leave it with the box: the picker counts as active through it).
        QWindow* away = fromTray ? w.windowHandle() : picker.windowHandle();
        bool handedAway = false;
        const QMetaObject::Connection moves = connect(qApp, &QGuiApplication::focusWindowChanged, this,
                                                      [&](QWindow* to) { handedAway |= to && to == away; });
        fromTray ? w.showMainWindow() : away->requestActivate();
        QTRY_VERIFY(handedAway);
        disconnect(moves);
        QTRY_COMPARE(QApplication::activeWindow(), box.data());
        // No window of the program takes a click meanwhile, not even one apart from the form.
        QTest::mouseClick(elsewhere.windowHandle(), Qt::LeftButton, {}, elsewhere.rect().center());
        QCOMPARE(pressed, 0);
        typeAtTheFocus(Qt::Key(answer));
        QTRY_VERIFY(!box);
        QTRY_COMPARE(QApplication::activeWindow(), form);
        typeAtTheFocus(Qt::Key_K, "k");
        QCOMPARE(field->text(), QString("gmk"));
        QCOMPARE(Prompts::history().size(), 1);
    }

    // Without a database nothing changes; a failed count keeps its text and its colour.
    void noDatabaseKeepsFigures() {
        const QStringList labels = {"lblSaleAmtValue", "lblOrderCountValue", "lblProductCountValue",
                                    "lblRejectedValue", "lblTempStatus"};
        DatabaseManager::instance().shutdown();
        QCOMPARE(texts(MainWindow(), labels), QString("¥0.00 0 0 0 今日温湿度："));

        auto t = std::make_unique<TestDatabase>();
        PinnedClock pin(kToday);
        addSale(*t, day(0), 12.3);
        addRejected(*t, "pending");
        MainWindow w;
        QCOMPARE(texts(w, labels), QString("¥12.30 1 0 1! 今日温湿度：未填写!"));
        t->exec("DROP TABLE unqualified_drug");
        LogCapture quiet;
        fireTimer(w);
        QCOMPARE(texts(w, labels), QString("¥12.30 1 0 1! 今日温湿度：未填写!"));
        t.reset(); // closes the database
        fireTimer(w);
        click(w, "btnTabWeek");
        QCOMPARE(texts(w, labels), QString("¥12.30 1 0 1! 今日温湿度：未填写!"));
    }
};

KV_TEST_CLASS(TestMainWindow)
#include "tst_mainwindow.moc"

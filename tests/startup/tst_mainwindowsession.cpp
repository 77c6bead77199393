#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/passwordhash.h"
#include "core/usersession.h"
#include "tests/startup/modalanswer.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/login/logindialog.h"
#include "ui/main/applicationstartup.h"
#include "ui/main/mainwindow.h"
#include "ui/purchasing/expirywarningdialog.h"

#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

const QDate kToday(2026, 3, 11);

// Statements with dates written relative to today: {+180}, {-1}, {0}.
void run(TestDatabase& t, const QStringList& statements) {
    static const QRegularExpression offset("\\{([+-]?\\d+)\\}");
    for (QString sql : statements) {
        QRegularExpressionMatch m;
        while ((m = offset.match(sql)).hasMatch())
            sql.replace(m.capturedStart(), m.capturedLength(),
                        kToday.addDays(m.captured(1).toInt()).toString("yyyy-MM-dd"));
        t.exec(sql);
    }
}

void signInAsAdmin() {
    models::User admin;
    admin.id = 1;
    admin.username = "admin";
    admin.realName = "系统管理员";
    admin.role = "manager";
    admin.status = 1;
    CurrentUser::instance().setUser(admin);
    UserSession::instance().setCurrentUser({1, "admin", "系统管理员", "manager"});
}

QSystemTrayIcon* tray(const MainWindow& w) {
    return w.findChild<QSystemTrayIcon*>();
}

// Prompts records not yet taken, as "title：text".
QStringList newPrompts(int* taken) {
    QStringList out;
    const auto& history = Prompts::history();
    for (; *taken < history.size(); ++*taken)
        out << history.at(*taken).title + "：" + history.at(*taken).text;
    return out;
}

const QStringList kEveryWarningWouldShow = {
    "INSERT INTO product (id, name) VALUES (1, '阿莫西林胶囊')",
    "INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES (1, 'A', '{+30}', 5)",
    "INSERT INTO supplier (name, gsp_cert_expire_date) VALUES ('华康医药', '{+10}')"};

const QString kTempReminder = "温湿度记录提醒：今日尚未进行温湿度记录，请及时记录库房温湿度情况。";

} // namespace

class TestMainWindowSession : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
        MainWindow::setTrayAvailableForTesting(std::nullopt);
        signInAsAdmin();
    }
    void cleanup() {
        CurrentUser::instance().clear();
        UserSession::instance().logout();
    }

    void startupWarnings_data() {
        QTest::addColumn<QStringList>("data");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("all three, in order")
            << QStringList{"INSERT INTO product (id, name) VALUES (1, '阿莫西林胶囊')",
                           "INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES "
                           "(1, 'A', '{+180}', 5), (1, 'B', '{0}', 5), (1, 'C', '{+181}', 5), "
                           "(1, 'D', '{+30}', 0), (1, 'E', '{-1}', 5)",
                           // one document soon, another already expired: counted in both numbers
                           "INSERT INTO supplier (name, gsp_cert_expire_date, license_expire_date) VALUES "
                           "('华康医药', '{+10}', '{-1}')"}
            << QStringList{"近效期对话框：1 行",
                           "供应商资质预警：发现 1 家供应商资质即将到期，1 家供应商资质已过期，请及时处理！",
                           kTempReminder};
        QTest::newRow("two expiring, reading this morning")
            << QStringList{"INSERT INTO supplier (name, gsp_cert_expire_date) VALUES ('华康医药', '{+30}')",
                           "INSERT INTO supplier (name, tax_reg_expire_date) VALUES ('康宁医药', '{0}')",
                           "INSERT INTO supplier (name, status, license_expire_date) VALUES "
                           "('停用医药', 'suspended', '{-5}')",
                           "INSERT INTO temperature_record (record_date, record_time, temperature, humidity) "
                           "VALUES ('{0}', '06:55', 21.5, 52)"}
            << QStringList{"供应商资质预警：发现 2 家供应商资质即将到期，0 家供应商资质已过期，请及时处理！"};
        QTest::newRow("only expired, reading yesterday")
            << QStringList{"INSERT INTO supplier (name, business_license_expire_date) VALUES ('华康医药', "
                           "'{-1}')",
                           "INSERT INTO temperature_record (record_date, record_time, temperature, humidity) "
                           "VALUES ('{-1}', '18:00', 21.5, 52)"}
            << QStringList{"供应商资质预警：发现 0 家供应商资质即将到期，1 家供应商资质已过期，请及时处理！",
                           kTempReminder};
        QTest::newRow("nothing to report")
            << QStringList{"INSERT INTO temperature_record (record_date, record_time, temperature, humidity) "
                           "VALUES ('{0}', '00:05', 21.5, 52)"}
            << QStringList{};
    }
    void startupWarnings() {
        QFETCH(QStringList, data);
        QFETCH(QStringList, shown);
        TestDatabase t;
        PinnedClock pin(kToday, QTime(7, 0));
        run(t, data);
        QStringList seen;
        int taken = 0;
        ModalAnswer<ExpiryWarningDialog> expiry([&](ExpiryWarningDialog* d) {
            seen << newPrompts(&taken);
            seen << QString("近效期对话框：%1 行").arg(d->findChild<QTableWidget*>()->rowCount());
            QVERIFY(!d->parentWidget());
            QCOMPARE(d->windowModality(), Qt::ApplicationModal);
            d->accept();
        });
        ApplicationStartup startup(t.folder());
        startup.openMainWindow();
        seen << newPrompts(&taken);
        QCOMPARE(seen, shown);
    }

    void closeQuestion_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("trayAvailable");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("minimised");
        QTest::addColumn<bool>("trayShown");
        QTest::newRow("to the tray") << 0 << true << false << false << false << true;
        QTest::newRow("no tray: minimised instead") << 0 << false << false << true << true << false;
        QTest::newRow("quit") << 1 << true << true << false << false << false;
        QTest::newRow("cancel") << 2 << true << false << true << false << false;
    }
    void closeQuestion() {
        QFETCH(int, choice);
        QFETCH(bool, trayAvailable);
        TestDatabase t;
        MainWindow::setTrayAvailableForTesting(trayAvailable);
        MainWindow w;
        w.openCustomerManager();
        QPointer<QWidget> feature = w.featureWindow(MainWindow::CustomerManager);
        Prompts::queueChoice(choice);
        QTEST(w.close(), "closed");
        QCOMPARE(Prompts::last().kind, Prompts::Kind::Choice);
        QCOMPARE(Prompts::lastTitle(), QString("柯斯洛"));
        QCOMPARE(Prompts::lastText(), QString("请选择操作\n是否将程序最小化到系统托盘？"));
        QTEST(w.isVisible(), "visible");
        QTEST(w.isMinimized(), "minimised");
        QTEST(tray(w)->isVisible(), "trayShown");
        QCOMPARE(QApplication::quitOnLastWindowClosed(), choice == 1);
        QVERIFY(feature);
        QApplication::setQuitOnLastWindowClosed(false);
    }

    // The real box: its buttons, default and informative text; Escape keeps the window.
    void closeBoxEscapeKeepsTheWindow() {
        TestDatabase t;
        MainWindow w;
        Prompts::setTestMode(false);
        QStringList buttons;
        QString defaultButton, informative;
        ModalAnswer<QMessageBox> escape([&](QMessageBox* box) {
            for (QAbstractButton* b : box->buttons())
                buttons << b->text() + (b->width() < b->sizeHint().width() ? " (cut)" : "");
            defaultButton = box->defaultButton()->text();
            informative = box->informativeText();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        const bool closed = w.close();
        Prompts::setTestMode(true);
        QVERIFY(!closed);
        QVERIFY(w.isVisible());
        QCOMPARE(buttons, QStringList({"最小化到托盘", "退出程序", "取消"}));
        QCOMPARE(defaultButton, QString("最小化到托盘"));
        QCOMPARE(informative, QString("是否将程序最小化到系统托盘？"));
    }

    void trayRestoresOrQuits() {
        TestDatabase t;
        MainWindow::setTrayAvailableForTesting(true);
        MainWindow w;
        QSystemTrayIcon* icon = tray(w);
        QVERIFY(!icon->isVisible());
        QStringList entries;
        for (QAction* a : icon->contextMenu()->actions())
            entries << (a->isSeparator() ? "|" : a->text());
        QCOMPARE(entries, QStringList({"打开主窗口", "|", "退出程序"}));

        Prompts::queueChoice(0);
        w.close();
        QVERIFY(!w.isVisible() && icon->isVisible());
        emit icon->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!w.isVisible());
        emit icon->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(w.isVisible() && !icon->isVisible());
        QVERIFY(!w.isMaximized() && !w.isMinimized());

        Prompts::queueChoice(0);
        w.close();
        icon->contextMenu()->actions().first()->trigger();
        QVERIFY(w.isVisible() && !icon->isVisible());

        Prompts::queueChoice(0);
        w.close();
        QVERIFY(eventLoopEnds([&] { icon->contextMenu()->actions().last()->trigger(); }));
        QVERIFY(QApplication::quitOnLastWindowClosed());
        QApplication::setQuitOnLastWindowClosed(false);
    }

    // Logout with feature windows open, then a clerk signs in: new user line, no start-up warnings again.
    void logoutThenAnotherUserSignsIn() {
        TestDatabase t;
        PinnedClock pin(kToday, QTime(9, 0));
        run(t, kEveryWarningWouldShow);
        t.exec("INSERT INTO sys_user (username, password_hash, real_name, role, status) "
               "VALUES ('lisi', ?, '李四', 'clerk', 1)",
               {hashPassword("pw123")});
        MainWindow w;
        QPushButton* logout = w.findChild<QPushButton*>("btnLogout");
        QVERIFY(logout->isEnabled());
        w.openProductManager();
        w.openSupplierManager();
        w.openCustomerManager();
        const QList<QPointer<QWidget>> open = {w.featureWindow(MainWindow::ProductManager),
                                               w.featureWindow(MainWindow::SupplierManager),
                                               w.featureWindow(MainWindow::CustomerManager)};

        QStringList duringLogin;
        ModalAnswer<LoginDialog> login([&](LoginDialog* d) {
            duringLogin << QString("main visible %1").arg(w.isVisible())
                        << QString("windows deleted %1").arg(std::count(open.begin(), open.end(), nullptr))
                        << QString("signed in %1 %2")
                               .arg(UserSession::instance().isLoggedIn())
                               .arg(CurrentUser::instance().getUserId());
            signInThrough(d, "lisi", "pw123");
        });
        ModalAnswer<ExpiryWarningDialog> expiry([](ExpiryWarningDialog* d) { d->accept(); });
        logout->click();

        QCOMPARE(duringLogin, QStringList({"main visible 0", "windows deleted 3", "signed in 0 0"}));
        for (int i = 0; i < MainWindow::FeatureWindowCount; ++i)
            QVERIFY(!w.featureWindow(MainWindow::FeatureWindow(i)));
        QVERIFY(w.isVisible());
        QCOMPARE(w.findChild<QLabel*>("lblUserInfo")->text(), QString("当前用户：李四 ｜ 店员"));
        QCOMPARE(UserSession::instance().getCurrentUserName(), QString("李四"));
        QCOMPARE(CurrentUser::instance().getUser().role, QString("clerk"));
        QCOMPARE(expiry.count(), 0);
        int taken = 0;
        QCOMPARE(newPrompts(&taken), QStringList{"成功：欢迎 李四!"});

        w.openProductManager();
        QVERIFY(w.featureWindow(MainWindow::ProductManager));
        QVERIFY(w.featureWindow(MainWindow::ProductManager)->isVisible());
    }

    void cancellingTheLoginAfterLogoutQuits() {
        TestDatabase t;
        MainWindow w;
        w.openProductManager();
        ModalAnswer<LoginDialog> cancel([](LoginDialog* d) { cancelThrough(d); });
        QVERIFY(eventLoopEnds([&] { w.findChild<QPushButton*>("btnLogout")->click(); }));
        QCOMPARE(cancel.count(), 1);
        QVERIFY(!w.isVisible());
        QVERIFY(!UserSession::instance().isLoggedIn());
    }
};

QTEST_MAIN(TestMainWindowSession)
#include "tst_mainwindowsession.moc"

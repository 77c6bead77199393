#include "core/backupmanager.h"
#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/passwordhash.h"
#include "core/usersession.h"
#include "tests/support/modalanswer.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/login/logindialog.h"
#include "ui/main/applicationstartup.h"
#include "ui/main/mainwindow.h"
#include "ui/purchasing/expirywarningdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

const QDate kToday(2026, 3, 11);

QString day(int offset) {
    return kToday.addDays(offset).toString("yyyy-MM-dd");
}

// The prompts so far, as "title：text".
QStringList prompts() {
    QStringList out;
    for (const Prompts::Record& r : Prompts::history())
        out << r.title + "：" + r.text;
    return out;
}

const QString kTempReminder = "温湿度记录提醒：今日尚未进行温湿度记录，请及时记录库房温湿度情况。";

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
        MainWindow::setTrayAvailableForTesting(std::nullopt);
        CurrentUser::instance().setUser({1, "admin", "", "系统管理员", "manager", 1, {}, {}});
        UserSession::instance().setCurrentUser({1, "admin", "系统管理员", "manager"});
    }
    void cleanup() {
        BackupManager::setProgramDirForTesting(QString());
        DatabaseManager::instance().shutdown();
        CurrentUser::instance().clear();
        UserSession::instance().logout();
        QApplication::setQuitOnLastWindowClosed(false);
    }

    // A clean folder gets its database and the day's one backup, named by the local time; sign in, meet the
    // start-up checks, quit through the close question: the loop ends with 0, the main window is gone and the
    // database closed before run() returns. Later starts that day add no backup.
    void startsOfTheDayBackUpOnce() {
        QTemporaryDir program;
        BackupManager::setProgramDirForTesting(program.path());
        UserSession::instance().logout();
        ModalAnswer<LoginDialog> login([](LoginDialog* d) { signInThrough(d, "admin", "quoll"); });
        QPointer<MainWindow> main;
        QTimer quit, watchdog; // a hanging loop ends with 99
        connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        connect(&quit, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (!QApplication::activeModalWidget() && w->isVisible() &&
                    (main = qobject_cast<MainWindow*>(w))) {
                    quit.stop();
                    Prompts::queueChoice(1);
                    main->close();
                }
        });
        quit.start(10);
        watchdog.start(10000);
        {
            PinnedClock pin(QDateTime(QDate(2026, 3, 7), QTime(9, 5, 2)));
            QCOMPARE(ApplicationStartup(program.path()).run(), 0);
        }
        QVERIFY(login.count() == 1 && main.isNull() && !DatabaseManager::instance().getAdapter());
        QCOMPARE(prompts(), QStringList({"成功：欢迎 系统管理员!", kTempReminder,
                                         "柯斯洛：请选择操作\n是否将程序最小化到系统托盘？"}));
        for (const QTime& time : {QTime(23, 59, 59), QTime(0, 0, 1)}) {
            PinnedClock pin(QDateTime(QDate(2026, 3, time.hour() ? 7 : 8), time));
            ApplicationStartup(program.path()).prepareDatabase();
        }
        QCOMPARE(QDir(program.filePath("backup")).entryList(QDir::Files).join(' '),
                 QString("kestrovalin_20260307_090502.db kestrovalin_20260308_000001.db"));
    }

    // The three checks in order, each only when it finds something; a supplier with one document soon and
    // another expired counts in both numbers; remaining days and "today" follow the local date.
    void startupWarnings_data() {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QStringList>("shown");
        const QString reading =
            "INSERT INTO temperature_record (record_date, record_time, temperature, humidity) "
            "VALUES ('%1', '06:55', 21.5, 52)";
        const QString supplier = "INSERT INTO supplier (name, gsp_cert_expire_date, tax_reg_expire_date) "
                                 "VALUES ('华康医药', %1, '%2')";
        QTest::newRow("all three")
            << QString("INSERT INTO product (id, name) VALUES (1, '阿莫西林胶囊');"
                       "INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES "
                       "(1, 'A', '%1', 5), (1, 'B', '%2', 5), (1, 'C', '%3', 5), (1, 'D', '%4', 0);")
                       .arg(day(180), day(0), day(181), day(30)) +
                   supplier.arg("'" + day(10) + "'", day(-1)) + ";" + reading.arg(day(-1))
            << QStringList{"近效期药品预警：1 行",
                           "供应商资质预警：发现 1 家供应商资质即将到期，1 家供应商资质已过期，请及时处理！",
                           kTempReminder};
        QTest::newRow("only expired, reading this morning")
            << supplier.arg("NULL", day(-1)) + ";" + reading.arg(day(0))
            << QStringList{"供应商资质预警：发现 0 家供应商资质即将到期，1 家供应商资质已过期，请及时处理！"};
    }
    void startupWarnings() {
        QFETCH(QString, data);
        TestDatabase t;
        PinnedClock pin(kToday, QTime(7, 0));
        for (const QString& sql : data.split(';'))
            t.exec(sql);
        QStringList seen;
        ModalAnswer<ExpiryWarningDialog> expiry([&](ExpiryWarningDialog* d) {
            QVERIFY(!d->parentWidget() && d->windowModality() == Qt::ApplicationModal && prompts().isEmpty());
            seen << d->windowTitle() + QString("：%1 行").arg(d->findChild<QTableWidget*>()->rowCount());
            d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        ApplicationStartup(t.folder()).openMainWindow();
        QTEST(seen + prompts(), "shown");
    }

    // Without a system tray the window is minimised instead of hidden where nothing could bring it back.
    void closeQuestion_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("trayAvailable");
        QTest::addColumn<QString>("after"); // closed, visible, minimised, tray icon shown, quits
        QTest::newRow("to the tray") << 0 << true << "00010";
        QTest::newRow("no tray: minimised instead") << 0 << false << "01100";
        QTest::newRow("quit") << 1 << true << "10001";
        QTest::newRow("cancel") << 2 << true << "01000";
    }
    void closeQuestion() {
        QFETCH(int, choice);
        QFETCH(bool, trayAvailable);
        TestDatabase t;
        MainWindow::setTrayAvailableForTesting(trayAvailable);
        MainWindow w;
        Prompts::queueChoice(choice);
        const bool closed = w.close();
        QString after;
        for (bool b : {closed, w.isVisible(), w.isMinimized(), w.findChild<QSystemTrayIcon*>()->isVisible(),
                       QApplication::quitOnLastWindowClosed()})
            after += b ? '1' : '0';
        QTEST(after, "after");
    }

    // The real box: its buttons in order, whole, the default; Escape keeps the window.
    void closeBoxEscapeKeepsTheWindow() {
        TestDatabase t;
        MainWindow w;
        Prompts::setTestMode(false);
        QStringList seen;
        ModalAnswer<QMessageBox> escape([&](QMessageBox* box) {
            for (QAbstractButton* b : box->buttons())
                seen << b->text() + (b->width() < b->sizeHint().width() ? " (cut)" : "");
            seen << "default " + box->defaultButton()->text();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QVERIFY(!w.close() && w.isVisible());
        QCOMPARE(seen.join(','), QString("最小化到托盘,退出程序,取消,default 最小化到托盘"));
    }

    // A double click or the menu's first entry restores, a single click does nothing, the last entry quits.
    void trayRestoresOrQuits() {
        TestDatabase t;
        MainWindow::setTrayAvailableForTesting(true);
        MainWindow w;
        QSystemTrayIcon* icon = w.findChild<QSystemTrayIcon*>();
        QList<QAction*> menu = icon->contextMenu()->actions();
        for (bool byMenu : {false, true}) {
            Prompts::queueChoice(0);
            w.close();
            emit icon->activated(QSystemTrayIcon::Trigger);
            QVERIFY(!w.isVisible() && icon->isVisible());
            byMenu ? menu.first()->trigger() : icon->activated(QSystemTrayIcon::DoubleClick);
            QVERIFY(w.isVisible() && !icon->isVisible() && !w.isMaximized());
        }
        Prompts::queueChoice(0);
        w.close();
        QVERIFY(eventLoopEnds([&] { menu.last()->trigger(); }));
    }

    // Logout closes the feature windows and hides the main window while nobody is signed in; a clerk signs
    // in: new user line, no start-up warnings again (there is no reading today, so the reminder would show).
    void logoutThenAnotherUserSignsIn() {
        TestDatabase t;
        t.exec("INSERT INTO sys_user (username, password_hash, real_name, role, status) VALUES "
               "('lisi', ?, '李四', 'clerk', 1)",
               {hashPassword("pw123")});
        MainWindow w;
        w.openProductManager();
        w.openCustomerManager();
        const QList<QPointer<QWidget>> open = {w.featureWindow(MainWindow::ProductManager),
                                               w.featureWindow(MainWindow::CustomerManager)};
        QString duringLogin;
        ModalAnswer<LoginDialog> login([&](LoginDialog* d) {
            if (!duringLogin.isEmpty())
                return cancelThrough(d); // the second time
            duringLogin = QString("visible %1, deleted %2, signed in %3 %4")
                              .arg(w.isVisible())
                              .arg(open.count(nullptr))
                              .arg(UserSession::instance().isLoggedIn())
                              .arg(CurrentUser::instance().getUserId());
            signInThrough(d, "lisi", "pw123");
        });
        w.findChild<QPushButton*>("btnLogout")->click();
        QCOMPARE(duringLogin, QString("visible 0, deleted 2, signed in 0 0"));
        QVERIFY(w.isVisible() && !w.featureWindow(MainWindow::ProductManager));
        QCOMPARE(w.findChild<QLabel*>("lblUserInfo")->text() + CurrentUser::instance().getUser().role,
                 QString("当前用户：李四 ｜ 店员clerk"));
        QCOMPARE(prompts(), QStringList{"成功：欢迎 李四!"});
        // Cancelling the sign-in after a logout quits.
        QVERIFY(eventLoopEnds([&] { w.findChild<QPushButton*>("btnLogout")->click(); }));
        QVERIFY(login.count() == 2 && !w.isVisible() && !UserSession::instance().isLoggedIn());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"

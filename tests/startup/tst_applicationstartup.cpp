#include "core/backupmanager.h"
#include "core/databasemanager.h"
#include "core/idbadapter.h"
#include "core/usersession.h"
#include "tests/startup/modalanswer.h"
#include "tests/support/pinnedclock.h"
#include "ui/common/prompts.h"
#include "ui/login/logindialog.h"
#include "ui/main/applicationstartup.h"
#include "ui/main/mainwindow.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

// A program folder "bin" inside a temporary folder, so "../docs" stays inside it too.
struct ProgramFolder {
    QTemporaryDir root;
    QString bin = root.filePath("bin");
    ProgramFolder() {
        QDir().mkpath(bin);
        BackupManager::setProgramDirForTesting(bin);
    }
    ~ProgramFolder() { BackupManager::setProgramDirForTesting(QString()); }
    QStringList backups() const { return QDir(bin + "/backup").entryList(QDir::Files, QDir::Name); }
    void writeDocs(const QString& name, const QByteArray& sql) const {
        QDir().mkpath(root.filePath("docs"));
        QFile file(root.filePath("docs/" + name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(sql);
    }
};

// One value read from a database file through a private connection.
QVariant scalarIn(const QString& path, const QString& sql) {
    const QString name = QUuid::createUuid().toString();
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                value = q.value(0);
        }
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

MainWindow* visibleMainWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<MainWindow*>(w); main && main->isVisible())
            return main;
    return nullptr;
}

} // namespace

class TestApplicationStartup : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
    }
    void cleanup() { DatabaseManager::instance().shutdown(); }

    void firstStartOfTheDayBacksUpOnce() {
        ProgramFolder folder;
        const auto start = [&](const QDateTime& now) {
            PinnedClock pin(now);
            ApplicationStartup startup(folder.bin);
            startup.prepareDatabase();
        };
        start(QDateTime(QDate(2026, 3, 7), QTime(9, 5, 2)));
        QVERIFY(QFileInfo::exists(folder.bin + "/data/kestrovalin.db"));
        QCOMPARE(folder.backups(), QStringList{"kestrovalin_20260307_090502.db"});

        start(QDateTime(QDate(2026, 3, 7), QTime(23, 59, 59)));
        QCOMPARE(folder.backups(), QStringList{"kestrovalin_20260307_090502.db"});

        start(QDateTime(QDate(2026, 3, 8), QTime(0, 0, 1)));
        QCOMPARE(folder.backups(),
                 QStringList({"kestrovalin_20260307_090502.db", "kestrovalin_20260308_000001.db"}));
    }

    // The backup is taken before the developer script runs, from a database that already has the admin.
    void backupPrecedesTheTestDataScript() {
        ProgramFolder folder;
        folder.writeDocs(
            "test_data.sql",
            "-- sample rows\nINSERT OR IGNORE INTO supplier (id, name) VALUES (900, '康宁医药');\n");
        PinnedClock pin(QDateTime(QDate(2026, 3, 7), QTime(9, 0)));
        ApplicationStartup startup(folder.bin);
        startup.prepareDatabase();
        IDbAdapter* db = DatabaseManager::instance().getAdapter();
        QVERIFY(db);
        QSqlQuery q = db->query("SELECT name FROM supplier WHERE id = 900");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QString("康宁医药"));

        const QString backup = folder.bin + "/backup/" + folder.backups().value(0);
        QCOMPARE(scalarIn(backup, "SELECT COUNT(*) FROM sys_user WHERE username = 'admin'").toInt(), 1);
        QCOMPARE(scalarIn(backup, "SELECT COUNT(*) FROM supplier").toInt(), 0);
    }

    void cancellingTheSignInExitsWithZero() {
        ProgramFolder folder;
        ModalAnswer<LoginDialog> cancel([](LoginDialog* d) { cancelThrough(d); });
        ApplicationStartup startup(folder.bin);
        QCOMPARE(startup.run(), 0);
        QCOMPARE(cancel.count(), 1);
        QVERIFY(!visibleMainWindow());
        QVERIFY(!DatabaseManager::instance().getAdapter());
        QVERIFY(QFileInfo::exists(folder.bin + "/data/kestrovalin.db"));
        QCOMPARE(folder.backups().size(), 1);
    }

    // Sign in, meet the start-up checks, quit through the close question: the loop ends, the main window is
    // gone and the database is closed before run() returns.
    void signInRunsUntilTheMainWindowQuits() {
        ProgramFolder folder;
        ModalAnswer<LoginDialog> login([](LoginDialog* d) { signInThrough(d, "admin", "quoll"); });
        QPointer<MainWindow> main;
        bool maximised = false;
        QTimer quit;
        connect(&quit, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget() || !(main = visibleMainWindow()))
                return;
            quit.stop();
            maximised = main->isMaximized();
            Prompts::queueChoice(1);
            main->close();
        });
        quit.start(10);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        watchdog.start(10000);

        ApplicationStartup startup(folder.bin);
        QCOMPARE(startup.run(), 0);
        QVERIFY(maximised);
        QVERIFY(main.isNull());
        QVERIFY(!DatabaseManager::instance().getAdapter());
        QCOMPARE(UserSession::instance().getCurrentUser().username, QString("admin"));
        QStringList titles;
        for (const Prompts::Record& r : Prompts::history())
            titles << r.title;
        QCOMPARE(titles, QStringList({"成功", "温湿度记录提醒", "柯斯洛"}));
    }
};

QTEST_MAIN(TestApplicationStartup)
#include "tst_applicationstartup.moc"

#include "core/backupmanager.h"
#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/networkfilesystem.h"
#include "core/passwordhash.h"
#include "core/sqliteadapter.h"
#include "core/usersession.h"
#include "repositories/expirywarningrepository.h"
#include "repositories/temphumidityrepository.h"
#include "tests/support/fulldisk.h"
#include "tests/support/logcapture.h"
#include "tests/support/modalanswer.h"
#include "tests/support/otherwriter.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/login/logindialog.h"
#include "ui/main/applicationstartup.h"
#include "ui/main/mainwindow.h"
#include "ui/purchasing/expirywarningdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLockFile>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSemaphore>
#include <QSqlQuery>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QtTest>

#include <sqlite3.h>

using namespace kestrovalin;
using namespace kestrovalin::test;
using Item = kestrovalin::repositories::ExpiryWarningItem;
using Reading = kestrovalin::models::TempHumidityRecord;
using TempRepo = kestrovalin::repositories::TempHumidityRepository;

namespace {

const QDate kToday(2026, 3, 11);
// Before 08:00 at UTC+8 the UTC date is still the day before; backup names and checks must not follow it.
const QDateTime kNow(QDate(2025, 3, 7), QTime(0, 30, 2));
const QString kCopyName = "kestrovalin_20250307_003002.db";
// The name of the program's own copy i, made early on New Year's Day 2025.
QString copyName(int i) {
    return QString("kestrovalin_20250101_0800%1.db").arg(i, 2, 10, QChar('0'));
}
const QString kTempReminder = "温湿度记录提醒：今日尚未进行温湿度记录，请及时记录库房温湿度情况。";

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

// One field of every record, joined by spaces.
template <class T, class M> QString column(const QList<T>& records, M T::*field) {
    QStringList out;
    for (const T& r : records)
        out << QVariant(r.*field).toString();
    return out.join(' ');
}

BackupManager& backups = BackupManager::instance();

Reading reading(const QString& date, const QString& time, const QString& humidity = "normal") {
    return {0, date, time, 26.75, 55, "normal", humidity, "", 1, "系统管理员", "2026-03-01 15:00"};
}

void touch(const QString& name, const QDateTime& modified = QDateTime::currentDateTime()) {
    QDir().mkpath(backups.getBackupDir());
    QFile file(backups.getBackupDir() + "/" + name);
    // Flushed before the time is set.
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") && file.flush());
    QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

QString backupFiles() {
    return QDir(backups.getBackupDir()).entryList(QDir::Files | QDir::Hidden, QDir::Name).join(' ');
}

// Runs the statements on a database file through a connection of its own; the first value of the last one.
QVariant runIn(const QString& path, const QStringList& statements) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", path);
    db.setDatabaseName(path);
    QSqlQuery q(db.open() ? db : QSqlDatabase());
    QVariant value;
    for (const QString& sql : statements)
        value = q.exec(sql) && q.next() ? q.value(0) : QVariant();
    return value;
}

// Overwrites one page of a closed database file, as a failing disk or a stray write does.
void damagePage(const QString& path, int page, int pageSize = 4096) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(qint64(page - 1) * pageSize));
    QCOMPARE(file.write(QByteArray(pageSize, '\xff')), qint64(pageSize));
}

// A copy put into backup/ under an own copy name: D with a drug table holding rows, E with one without, W in
// WAL mode, H made by hand from a running file in WAL mode (its -wal, holding the rows, and -shm come along),
// X with its drug table damaged, L with its last page of drugs damaged (its first rows still read).
void writeCopy(const QString& name, QChar kind) {
    const QString path = backups.getBackupDir() + "/" + name;
    const QString source = kind == 'H' ? path + ".running" : path;
    QDir().mkpath(backups.getBackupDir());
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(source).constData(), &db);
    const QString sql =
        QString(kind == 'W' || kind == 'H' ? "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;" : "") +
        "CREATE TABLE product (name TEXT);" +
        (kind == 'E' ? ""
                     : "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                       "INSERT INTO product SELECT hex(randomblob(50)) FROM n;");
    QCOMPARE(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    for (const char* suffix : {"", "-wal", "-shm"})
        QVERIFY(kind != 'H' || QFile::copy(source + suffix, path + suffix));
    sqlite3_close(db);
    QVERIFY(kind != 'H' || QFile::remove(source));
    if (kind == 'X')
        damagePage(path, 2); // the drug table's first page
    if (kind == 'L')
        damagePage(path, int(QFileInfo(path).size() / 4096));
}

// The MD5 of a file's bytes; empty when there is no such file.
QString md5(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Md5).toHex();
}

// A copy of the program saves drugs and is killed, which leaves its log at the path; then another file of the
// program, with customers where the killed copy's drugs went, is renamed over its file. Compacted, that file
// no longer opens through the log; otherwise, with the log holding more drugs than the file holds customers,
// it opens and reads damaged.
void writeRestoreBesideKilledCopy(const QString& path, bool compacted = true) {
    const QString fill = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                         "INSERT INTO %1 (name, %2) SELECT '阿莫西林胶囊' || i, hex(randomblob(200)) FROM n";
    DatabaseManager& manager = DatabaseManager::instance();
    QVERIFY(manager.initialize(path) && manager.getAdapter()->execute("PRAGMA wal_checkpoint(TRUNCATE)") &&
            manager.getAdapter()->execute(fill.arg("product", "specification")) &&
            (compacted || manager.getAdapter()->execute(fill.arg("product", "specification"))));
    QFile wal(path + "-wal");
    QVERIFY(wal.open(QIODevice::ReadOnly));
    const QByteArray left = wal.readAll();
    wal.close();
    manager.shutdown();
    const QString other = path + ".restore";
    QVERIFY(manager.initialize(other) && manager.getAdapter()->execute(fill.arg("customer", "remark")) &&
            (!compacted || (manager.getAdapter()->execute("DELETE FROM customer WHERE id % 3 = 0") &&
                            manager.getAdapter()->execute("VACUUM"))));
    manager.shutdown();
    renameOver(other, path);
    QVERIFY(wal.open(QIODevice::WriteOnly) && wal.write(left) == left.size());
}

// A copy of the program saves drugs into its log and is killed: the file as its last checkpoint left it, the
// log with the saves beside it.
void writeKilledCopysLog(const QString& path) {
    DatabaseManager& manager = DatabaseManager::instance();
    QVERIFY(manager.initialize(path) && manager.getAdapter()->execute("PRAGMA wal_checkpoint(TRUNCATE)"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray checkpointed = file.readAll();
    file.close();
    QVERIFY(manager.getAdapter()->execute("INSERT INTO product (name) VALUES ('阿莫西林胶囊')"));
    QFile wal(path + "-wal");
    QVERIFY(wal.open(QIODevice::ReadOnly));
    const QByteArray log = wal.readAll();
    wal.close();
    manager.shutdown();
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(checkpointed) == checkpointed.size());
    QVERIFY(wal.open(QIODevice::WriteOnly) && wal.write(log) == log.size());
}

} // namespace

// The start-up sequence and its daily backup, the start-up warnings and what they read, tray, closing,
// logout.
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
        setFileSystemTypeForTesting(std::nullopt);
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
        ModalAnswer<LoginDialog> login([&](LoginDialog* d) {
            signInThrough(d, "admin", "quoll");
            // The main window is up once the application loop runs.
            QTimer::singleShot(0, [] { Prompts::queueChoice(1), QApplication::closeAllWindows(); });
        });
        QObject watchdog; // a hanging loop ends with 99
        QTimer::singleShot(10000, &watchdog, [] { QCoreApplication::exit(99); });
        {
            PinnedClock pin(QDateTime(QDate(2026, 3, 7), QTime(9, 5, 2)));
            QCOMPARE(ApplicationStartup(program.path()).run(), 0);
        }
        for (const QDateTime& now : {QDateTime(QDate(2026, 3, 7), QTime(23, 59, 59)),
                                     QDateTime(QDate(2026, 3, 8), QTime(0, 0, 1))}) {
            PinnedClock pin(now);
            ApplicationStartup(program.path()).prepareDatabase();
        }
        QVERIFY(login.count() == 1 && !DatabaseManager::instance().getAdapter());
        for (QWidget* w : QApplication::topLevelWidgets()) // the main window is gone
            QVERIFY(!qobject_cast<MainWindow*>(w));
        QCOMPARE(prompts(), QStringList({"成功：欢迎 系统管理员!", kTempReminder,
                                         "柯斯洛：请选择操作\n是否将程序最小化到系统托盘？"}));
        QCOMPARE(backupFiles(), QString("kestrovalin_20260307_090502.db kestrovalin_20260308_000001.db"));
    }

    // Only a copy under the program's own name with the local date counts. A failed copy is reported, leaves
    // nothing that could pass for a backup and keeps the earlier copies.
    void backupOfTheDayAndFailedCopies() {
        QTemporaryDir program;
        BackupManager::setProgramDirForTesting(program.path());
        PinnedClock pin(kNow);
        QVERIFY(!backups.hasBackupForToday()); // no backup folder yet
        touch("kestrovalin_20250307.bak");
        touch("kestrovalin_20250306_235959.db");
        QVERIFY(!backups.hasBackupForToday() && backups.hasBackupForYesterday());
        touch("handover_20250307.db");
        QVERIFY(!backups.hasBackupForToday());
        touch("kestrovalin_20250307_000001.db");
        QVERIFY(backups.hasBackupForToday());
        LogCapture log;
        QVERIFY(!backups.backupDatabase());
        // A copy that holds no administrator would not let anyone sign in after a restore.
        runIn(backups.getDatabasePath(), {"CREATE TABLE sys_user (id INTEGER, username TEXT)",
                                          "INSERT INTO sys_user VALUES (1, 'clerk')"});
        QVERIFY(!backups.backupDatabase());
        QVERIFY(log.count(QtCriticalMsg, "Backup failed: source file does not exist:") == 1 &&
                log.count(QtCriticalMsg, "Backup failed: the copy cannot be verified:") == 1);
        QCOMPARE(backupFiles().count(' '), 3); // the four files put there before
    }

    // The database runs in WAL mode: committed rows can sit in the -wal file for a long time, and a copy of
    // the main file alone would lose them. Uncommitted rows must not be copied.
    void copyHoldsCommittedRowsStillInTheWriteAheadLog() {
        TestDatabase t;
        BackupManager::setProgramDirForTesting(t.folder());
        t.exec("PRAGMA wal_autocheckpoint=0");
        t.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
               "INSERT INTO product (name) SELECT '阿莫西林胶囊' || i FROM n");
        const QString raw = t.folder() + "/raw.db"; // proof that the rows are not in the main file yet
        QVERIFY(QFile::copy(t.path(), raw));
        QCOMPARE(runIn(raw, {"SELECT COUNT(*) FROM product"}).toInt(), 0);
        QVERIFY(t.db()->transaction());
        t.exec("INSERT INTO product (name) VALUES ('未提交的药品')");
        PinnedClock pin(kNow);
        QVERIFY(backups.backupDatabase());
        QVERIFY(t.db()->rollback());
        const QString copy = backups.getBackupDir() + "/" + kCopyName;
        QCOMPARE(runIn(copy, {"SELECT COUNT(*) FROM product"}).toInt(), 200);
        QCOMPARE(backupFiles(), kCopyName); // no half-written file left
    }

    // A copy whose steps did not end in "done" is cut short, even when what was written would pass the
    // check: the backup fails and leaves neither a copy nor a half-written file.
    void copyCutShortFails_data() {
        QTest::addColumn<int>("answer");    // what one step reports instead of its own result
        QTest::addColumn<bool>("lastStep"); // that step: the last (the admin rows are in) or the third
        QTest::newRow("last step busy") << SQLITE_BUSY << true;
        QTest::newRow("last step locked") << SQLITE_LOCKED << true;
        QTest::newRow("last step read error") << SQLITE_IOERR << true;
        QTest::newRow("third step busy") << SQLITE_BUSY << false;
    }
    void copyCutShortFails() {
        QFETCH(int, answer);
        QFETCH(bool, lastStep);
        TestDatabase t;
        BackupManager::setProgramDirForTesting(t.folder());
        int steps = 0;
        BackupManager::setCopyStepForTesting(1, {});
        BackupManager::setStepResultForTesting([&](int rc) {
            ++steps;
            return (lastStep ? rc == SQLITE_DONE : steps == 3) ? answer : rc;
        });
        PinnedClock pin(kNow);
        LogCapture log;
        const bool copied = backups.backupDatabase();
        BackupManager::setStepResultForTesting({});
        BackupManager::setCopyStepForTesting(0, {});
        QVERIFY(!copied);
        QCOMPARE(log.count(QtCriticalMsg, "Backup failed:"), 1);
        QCOMPARE(backupFiles(), QString());
    }

    // The ten newest of the program's own copies are kept, by the time in their names (modification times
    // here say the reverse); files someone else put into the folder are never deleted.
    void retentionKeepsTheTenNewestOwnCopies() {
        TestDatabase t;
        BackupManager::setProgramDirForTesting(t.folder());
        for (int i = 1; i <= 10; ++i) // the eleventh copy removes the oldest
            touch(QString("kestrovalin_202501%1_080000.db").arg(i, 2, 10, QChar('0')),
                  QDateTime(QDate(2025, 2, 28 - i), QTime(8, 0)));
        // A copy a person made by hand before an upgrade is theirs, however old.
        for (const char* name : {"handover_2024.db", "kestrovalin.db", "kestrovalin_20240101_000000.db.bak",
                                 "kestrovalin_before_upgrade.db"})
            touch(name, QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
        PinnedClock pin(kNow);
        QVERIFY(backups.backupDatabase());
        QStringList own;
        for (int i = 2; i <= 10; ++i)
            own << QString("kestrovalin_202501%1_080000.db").arg(i, 2, 10, QChar('0'));
        QCOMPARE(backupFiles(), "handover_2024.db kestrovalin.db kestrovalin_20240101_000000.db.bak " +
                                    own.join(' ') + " " + kCopyName + " kestrovalin_before_upgrade.db");
    }

    // Copies of an empty database (only what any start writes) go before copies with the pharmacy's rows,
    // and a copy with rows never goes to make room for empty ones; the newest copy always stays.
    void retentionNeverTradesDataForEmptyCopies_data() {
        QTest::addColumn<QString>("copies"); // oldest first: D holds rows, E is empty
        QTest::addColumn<QString>("kept");   // their positions, from 0
        QTest::newRow("ten with rows, then an empty one")
            << QString("DDDDDDDDDDE") << "0 1 2 3 4 5 6 7 8 9 10";
        QTest::newRow("an older empty one goes") << QString("EDDDDDDDDDDE") << "1 2 3 4 5 6 7 8 9 10 11";
        QTest::newRow("eleven with rows") << QString("DDDDDDDDDDD") << "1 2 3 4 5 6 7 8 9 10";
        QTest::newRow("one with rows among empty ones") << QString("DEEEEEEEEEE") << "0 2 3 4 5 6 7 8 9 10";
    }
    void retentionNeverTradesDataForEmptyCopies() {
        QFETCH(QString, copies);
        QFETCH(QString, kept);
        TestDatabase t;
        BackupManager::setProgramDirForTesting(t.folder());
        const auto name = [](int i) {
            return QString("kestrovalin_20250101_0800%1.db").arg(i, 2, 10, QChar('0'));
        };
        QMap<QString, QString> position;
        for (int i = 0; i < copies.size(); ++i) {
            if (copies.at(i) == 'D' && t.count("product") == 0)
                t.exec("INSERT INTO product (name) VALUES ('阿莫西林胶囊')");
            if (copies.at(i) == 'E')
                t.exec("DELETE FROM product");
            QVERIFY(backups.copyFile(t.path(), backups.getBackupDir() + "/" + name(i)));
            position[name(i)] = QString::number(i);
        }
        backups.cleanupOldBackups(10);
        QStringList left;
        for (const QString& file : backupFiles().split(' '))
            left << position.value(file, file);
        QCOMPARE(left.join(' '), kept);
    }

    // At start the unfinished copy of a killed run goes, with the journal SQLite keeps beside it, and so
    // does a journal whose copy an earlier start took. The copy another program started in the same second
    // is still writing stays with its journal, and ours is made under a name of its own beside it.
    void unfinishedCopiesAtStart() {
        TestDatabase t;
        BackupManager::setProgramDirForTesting(t.folder());
        PinnedClock pin(kNow);
        // The files of a copy halfway through, put into the backup folder as a run killed then leaves them.
        const QString scratch = t.folder() + "/scratch";
        const QString ours = QString(".%1.part").arg(QCoreApplication::applicationPid());
        QStringList killed;
        BackupManager::setCopyStepForTesting(1, [&] {
            if (!killed.isEmpty())
                return;
            for (const QString& name : QDir(scratch).entryList({"*.part*"}, QDir::Files)) {
                const QString left = QString(name).replace(ours, ".4242.part");
                if (!name.endsWith(".lock") &&
                    QFile::copy(scratch + "/" + name, backups.getBackupDir() + "/" + left))
                    killed << left;
            }
        });
        QDir().mkpath(backups.getBackupDir());
        QVERIFY(backups.copyFile(backups.getDatabasePath(), scratch + "/kestrovalin_20250306_235959.db"));
        BackupManager::setCopyStepForTesting(0, {});
        QCOMPARE(
            killed.join(' '),
            QString(
                "kestrovalin_20250306_235959.db.4242.part kestrovalin_20250306_235959.db.4242.part-journal"));
        touch("kestrovalin_20250305_235959.db.4241.part-journal");
        const QString other = kCopyName + ".part";
        touch(other);
        touch(other + "-journal");
        QLockFile writing(backups.getBackupDir() + "/" + other + ".lock");
        QVERIFY(writing.tryLock(0));
        QVERIFY(ApplicationStartup(t.folder()).prepareDatabase()); // waits for its copy when it goes
        QCOMPARE(backupFiles(),
                 QStringList({kCopyName, other, other + "-journal", other + ".lock"}).join(' '));
    }

    // A start looks into copies in WAL mode (made by other tools or by hand) without leaving a -wal or -shm
    // beside them, deletes a copy with its side files and removes those whose copy an earlier version
    // deleted; a kept copy's side files stay, they may hold its rows. The copy of a damaged data file fails
    // SQLite's page check: it is not kept and pushes no copy out, and once the check has run the user is
    // told, with the newest sound copy that holds the pharmacy's rows.
    void backupFolderAfterAStart_data() {
        QTest::addColumn<QString>("folder");  // oldest first: as writeCopy makes them; O side files alone
        QTest::addColumn<bool>("damaged");    // a page of the data file's drug table overwritten
        QTest::addColumn<QString>("left");    // positions with their side files; "new" is the day's copy
        QTest::addColumn<int>("told");        // the position the box names; -1 none, -2 no box
        QTest::addColumn<QString>("failure"); // the log's reason for a failed copy; empty: none failed
        QTest::newRow("twelve copies in WAL mode")
            << "WWWWWWWWWWWW" << false << "3 4 5 6 7 8 9 10 11 new" << -2 << "";
        QTest::newRow("a hand-made copy goes with its side files")
            << "HWWWWWWWWWW" << false << "2 3 4 5 6 7 8 9 10 new" << -2 << "";
        QTest::newRow("side files of a gone copy")
            << "OWWWWWWWWWH" << false << "2 3 4 5 6 7 8 9 10 10-shm 10-wal new" << -2 << "";
        QTest::newRow("damaged file, ten copies, the newest empty")
            << "DDDDDDDDDE" << true << "0 1 2 3 4 5 6 7 8 9" << 8 << "the database file is damaged";
        QTest::newRow("damaged file, the newest copy damaged too")
            << "DX" << true << "0 1" << 0 << "the database file is damaged";
        QTest::newRow("damaged file, no sound copy with rows")
            << "XE" << true << "0 1" << -1 << "the database file is damaged";
        // The folder a small file system of its own, filled up.
        QTest::newRow("backup folder on a full disk")
            << "F" << false << "filler" << -2 << "No space left on device";
    }
    void backupFolderAfterAStart() {
        QFETCH(QString, folder);
        QFETCH(bool, damaged);
        QFETCH(QString, left);
        QFETCH(int, told);
        QFETCH(QString, failure);
        TestDatabase t;
        BackupManager::setProgramDirForTesting(t.folder());
        t.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
               "INSERT INTO product (name, specification) SELECT '阿莫西林胶囊' || i, hex(randomblob(40)) "
               "FROM n");
        const int drugPage = t.scalar("SELECT rootpage FROM sqlite_master WHERE name = 'product'").toInt();
        DatabaseManager::instance().shutdown(); // every row into the file itself
        if (damaged)
            damagePage(t.path(), drugPage);
        std::optional<SmallDisk> disk;
        if (folder == "F") {
            QVERIFY(QDir().mkpath(backups.getBackupDir()));
            if (!disk.emplace(backups.getBackupDir()).mounted)
                QSKIP("a full disk needs a small file system, which only root can mount");
            QFile filler(backups.getBackupDir() + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
            }
            folder.clear();
        }
        for (int i = 0; i < folder.size(); ++i) {
            writeCopy(copyName(i), folder.at(i) == 'O' ? 'H' : folder.at(i));
            QVERIFY(folder.at(i) != 'O' || QFile::remove(backups.getBackupDir() + "/" + copyName(i)));
        }
        PinnedClock pin(kNow);
        LogCapture log;
        {
            ApplicationStartup startup(t.folder());
            QVERIFY(startup.prepareDatabase());
            if (told > -2) // while the program runs
                QTRY_VERIFY_WITH_TIMEOUT(!Prompts::history().isEmpty(), 20000);
        }
        QStringList files;
        for (QString file : backupFiles().split(' ')) {
            for (int i = 0; i < folder.size(); ++i)
                file.replace(copyName(i), QString::number(i));
            files << file.replace(kCopyName, "new");
        }
        QCOMPARE(files.join(' '), left);
        // One line says why the day's copy failed, and never blames a lock it did not meet.
        QVERIFY2(log.count(QtCriticalMsg, "Backup failed:") == int(!failure.isEmpty()) &&
                     (failure.isEmpty() || log.count(QtCriticalMsg, failure) == 1) &&
                     log.count("cannot lock") == 0,
                 qPrintable(log.dump()));
        QCOMPARE(Prompts::history().size(), told > -2 ? 1 : 0);
        if (told > -2)
            QCOMPARE(Prompts::lastText().section("\n\n", 2, 2),
                     told < 0 ? "备份文件夹中没有完好且含有药店数据的备份。"
                              : "最新的完好备份：\n" + backups.getBackupDir() + "/" + copyName(told));
    }

    // The start leaves the copy to a worker and goes on writing. The copy is one snapshot of the moment it
    // began: every row committed by then (still in the -wal file), nothing uncommitted, nothing of what the
    // program changed while it copied. A program that quits meanwhile waits for it, and only the final copy
    // is left.
    void workerCopyIsOneSnapshotWhileTheProgramWrites() {
        TestDatabase t;
        BackupManager::setProgramDirForTesting(t.folder());
        t.exec("PRAGMA wal_autocheckpoint=0");
        t.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
               "INSERT INTO product (name, specification) SELECT '阿莫西林胶囊' || i, hex(randomblob(200)) "
               "FROM n");
        QSemaphore copying;
        QSemaphore mayGoOn;
        bool firstStep = true; // touched by the worker only
        BackupManager::setCopyStepForTesting(1, [&] {
            if (!firstStep)
                return;
            firstStep = false;
            copying.release();
            mayGoOn.tryAcquire(1, 10000); // a failing test must not hang here
        });
        PinnedClock pin(kNow);
        QVERIFY(t.db()->transaction());
        t.exec("INSERT INTO product (name) VALUES ('未提交的药品')");
        ApplicationStartup startup(t.folder());
        QVERIFY(startup.prepareDatabase());
        QVERIFY(copying.tryAcquire(1, 10000)); // one page copied, the worker holds
        QVERIFY(t.db()->rollback());
        t.exec("INSERT INTO product (name) VALUES ('复制期间提交的药品')");
        t.exec("UPDATE product SET name = '改名' WHERE id IN (1, 200)");
        QVERIFY(startup.isBackupRunning());
        mayGoOn.release();
        startup.shutdown();
        BackupManager::setCopyStepForTesting(0, {});
        QVERIFY(!startup.isBackupRunning());
        QVERIFY(!DatabaseManager::instance().getAdapter());
        const QString copy = backups.getBackupDir() + "/" + kCopyName;
        QCOMPARE(runIn(copy, {"PRAGMA integrity_check"}).toString(), QString("ok"));
        QCOMPARE(runIn(copy, {"SELECT COUNT(*) || ' ' || group_concat(name, ' ') FROM product WHERE id IN "
                              "(1, 200) OR id > 200 OR name LIKE '%药品'"})
                     .toString(),
                 QString("2 阿莫西林胶囊1 阿莫西林胶囊200"));
        QCOMPARE(runIn(copy, {"SELECT COUNT(*) FROM product"}).toInt(), 200);
        QCOMPARE(backupFiles(), kCopyName);
    }

    // A database that cannot be opened, nor written, ends the start, and so does an empty file where the
    // program's copies show it once held data: a box names the file and the reason in the user's words (the
    // log keeps the driver's), the exit code is 1, no sign-in is offered and no backup made or removed.
    void unopenableDatabaseEndsTheStart_data() {
        QTest::addColumn<QString>("blocker");    // a file where the program needs its own
        QTest::addColumn<QString>("content");    // "database": a good one
        QTest::addColumn<bool>("readOnly");      // opened as for a user who may not write it
        QTest::addColumn<QStringList>("copies"); // the program's own backups there, each name followed
                                                 // by its writeCopy kind
        QTest::addColumn<QString>("reason");
        const QString junk = QString("柯斯洛的进货清单，不是数据库。\n").repeated(100);
        QTest::newRow("not a database") << "data/kestrovalin.db" << junk << false << QStringList()
                                        << "数据库文件已损坏或不是本程序的数据库，无法读写，请从备份恢复";
        QTest::newRow("folder cannot be made")
            << "data" << junk << false << QStringList() << "无法打开数据库文件，请检查该文件及其所在文件夹";
        QTest::newRow("cannot be written")
            << "data/kestrovalin.db"
            << "database" << true << QStringList() << "数据库文件只读，无法保存，请检查文件权限";
        QTest::newRow("cannot be written, a killed copy's log beside it")
            << "data/kestrovalin.db"
            << "killed copy's log" << true << QStringList() << "数据库文件只读，无法保存，请检查文件权限";
        QTest::newRow("layout refused, a killed copy's log beside it")
            << "data/kestrovalin.db"
            << "view-only layout" << false << QStringList() << "数据库文件的结构与本程序不符";
        // The newer copy is of an empty start: the one to restore from is the older, with the drugs.
        QTest::newRow("empty where copies exist")
            << "data/kestrovalin.db"
            << "" << false
            << QStringList{"kestrovalin_20250305_080000.dbD", "kestrovalin_20250306_080000.dbE"}
            << "文件为空（0 字节），而本程序已有备份。最新的完好且含数据的备份：\n"
               "BACKUP/kestrovalin_20250305_080000.db";
        QTest::newRow("empty where the newest copy with drugs is damaged")
            << "data/kestrovalin.db"
            << "" << false
            << QStringList{"kestrovalin_20250305_080000.dbD", "kestrovalin_20250306_080000.dbL"}
            << "文件为空（0 字节），而本程序已有备份。最新的完好且含数据的备份：\n"
               "BACKUP/kestrovalin_20250305_080000.db";
        QTest::newRow("empty where no copy holds data")
            << "data/kestrovalin.db"
            << "" << false << QStringList{"kestrovalin_20250306_080000.dbE"}
            << "文件为空（0 字节），而本程序已有备份，但没有一个完好且含有药店数据的备份。";
        // A restore renamed over the file of a copy that was killed: that copy's log does not fit the file.
        QTest::newRow("renamed in beside a killed copy's log")
            << "data/kestrovalin.db"
            << "renamed in" << false << QStringList()
            << "数据库文件已损坏或不是本程序的数据库，无法读写，请从备份恢复\n\n文件旁的 kestrovalin.db-wal "
               "可能来自一个被强行结束的本程序（例如恢复备份或替换文件时仍在运行）。若刚恢复过备份或替换过文"
               "件："
               "关闭这台电脑上运行的每一个本程序，删除 data 文件夹中的 kestrovalin.db-wal 和 "
               "kestrovalin.db-shm 文件，"
               "再启动程序。";
    }
    void unopenableDatabaseEndsTheStart() {
        QFETCH(QString, blocker);
        QFETCH(QString, content);
        QFETCH(bool, readOnly);
        QFETCH(QStringList, copies);
        QFETCH(QString, reason);
        QTemporaryDir program;
        BackupManager::setProgramDirForTesting(program.path());
        QDir(program.path()).mkpath(QFileInfo(program.filePath(blocker)).path());
        if (content == "database") {
            QVERIFY(DatabaseManager::instance().initialize(program.filePath(blocker)));
            DatabaseManager::instance().shutdown();
        } else if (content == "renamed in") {
            writeRestoreBesideKilledCopy(program.filePath(blocker));
        } else if (content == "killed copy's log") {
            writeKilledCopysLog(program.filePath(blocker));
        } else if (content == "view-only layout") { // no table, and the drug table's name taken by a view
            const QString path = program.filePath(blocker);
            sqlite3* db = nullptr;
            sqlite3_open(QFile::encodeName(path).constData(), &db);
            QCOMPARE(sqlite3_exec(db, "PRAGMA journal_mode=WAL; CREATE VIEW product AS SELECT 1 AS id",
                                  nullptr, nullptr, nullptr),
                     SQLITE_OK);
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray checkpointed = file.readAll();
            file.close();
            // Killed after a save: its log beside the file as the last checkpoint left it.
            QCOMPARE(sqlite3_exec(db, "CREATE VIEW customer AS SELECT 2 AS id", nullptr, nullptr, nullptr),
                     SQLITE_OK);
            QFile wal(path + "-wal");
            QVERIFY(wal.open(QIODevice::ReadOnly));
            const QByteArray log = wal.readAll();
            wal.close();
            sqlite3_close(db);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(checkpointed) == checkpointed.size());
            QVERIFY(wal.open(QIODevice::WriteOnly) && wal.write(log) == log.size());
        } else {
            QFile file(program.filePath(blocker));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(content.toUtf8()), qint64(content.toUtf8().size()));
        }
        QStringList names;
        for (const QString& copy : copies) {
            writeCopy(copy.chopped(1), copy.back());
            names << copy.chopped(1);
        }
        ModalAnswer<LoginDialog> login([](LoginDialog* d) { cancelThrough(d); });
        const QString file = program.filePath(blocker);
        const QStringList before = {md5(file), md5(file + "-wal")};
        LogCapture log;
        setOpenReadOnlyForTesting(readOnly);
        const int exitCode = ApplicationStartup(program.path()).run();
        setOpenReadOnlyForTesting(false);
        QCOMPARE(exitCode, 1);
        reason.replace("BACKUP", backups.getBackupDir());
        QCOMPARE(login.count(), 0);
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(int(Prompts::last().kind), int(Prompts::Kind::Critical));
        QCOMPARE(Prompts::lastTitle(), QString("错误"));
        QCOMPARE(Prompts::lastText(), "无法打开数据库文件：\n" + program.filePath("data/kestrovalin.db") +
                                          "\n\n原因：" + reason + "\n\n程序将退出。");
        QCOMPARE(log.count(QtCriticalMsg, "CRITICAL: Database initialization failed!"), 1);
        QCOMPARE(backupFiles(), names.join(' '));
        // The file and a log beside it stay as they were found, so the log can still be removed.
        QCOMPARE(md5(file), before.first());
        QVERIFY(before.last().isEmpty() || md5(file + "-wal") == before.last());
    }

    // A start on a network share says so in a box and in the log, each naming the file system, and the
    // status bar stops saying the data is kept here; where statfs gives a signed 32-bit word, CIFS comes
    // sign-extended. A local disk brings no box.
    void networkShareToldAtTheStart_data() {
        QTest::addColumn<qint64>("type");
        QTest::addColumn<QString>("name");
        QTest::newRow("NFS") << qint64(0x6969) << "NFS";
        QTest::newRow("SMB") << qint64(0x517B) << "SMB";
        QTest::newRow("CIFS") << qint64(0xFF534D42) << "CIFS";
        QTest::newRow("SMB2") << qint64(0xFE534D42) << "SMB2";
        QTest::newRow("CIFS as a signed word") << qint64(qint32(0xFF534D42)) << "CIFS";
        QTest::newRow("ext4") << qint64(0xEF53) << "";
    }
    void networkShareToldAtTheStart() {
        QFETCH(qint64, type);
        QFETCH(QString, name);
        QTemporaryDir program;
        BackupManager::setProgramDirForTesting(program.path());
        setFileSystemTypeForTesting(type);
        LogCapture log;
        ApplicationStartup start(program.path());
        const bool prepared = start.prepareDatabase();
        setFileSystemTypeForTesting(std::nullopt);
        QVERIFY(prepared);
        const QString status = start.openMainWindow()->findChild<QLabel*>("lblFreeInfo")->text();
        const QString data = QDir::toNativeSeparators(program.filePath("data"));
        if (name.isEmpty()) {
            QVERIFY(!prompts().join('\n').contains("网络共享"));
            QCOMPARE(status, QString("数据保存在本机，每日自动备份"));
            return;
        }
        QCOMPARE(prompts().value(0).section('\n', 0, 1),
                 "数据文件夹在网络共享上：数据文件夹位于网络共享（" + name + "）上：\n" + data);
        QCOMPARE(log.count(QtWarningMsg, "lies on a network file system: " + name + " (statfs type 0x"), 1);
        QCOMPARE(status, "数据文件夹位于网络共享（" + name + "）上，请移到本机的磁盘");
    }

    // A killed copy's log that does not fit the restored file, though the start can read through it: the
    // day's copy finds the file damaged, and the start leaves the file and the log as it found them all the
    // same.
    void killedCopysLogFoundByTheDaysCopy() {
        QTemporaryDir program;
        BackupManager::setProgramDirForTesting(program.path());
        const QString file = program.filePath("data/kestrovalin.db");
        writeRestoreBesideKilledCopy(file, false);
        const QStringList before = {md5(file), md5(file + "-wal")};
        ModalAnswer<LoginDialog> login([](LoginDialog* d) { cancelThrough(d); });
        LogCapture log;
        QCOMPARE(ApplicationStartup(program.path()).run(), 0);
        QCOMPARE(Prompts::lastTitle(), QString("数据库文件已损坏"));
        QCOMPARE(QStringList({md5(file), md5(file + "-wal")}), before);
    }

    // The three checks in order, each only when it finds something; a supplier with one document soon and
    // another expired counts in both numbers.
    void startupWarnings_data() {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QStringList>("shown");
        const QString reading = "INSERT INTO temperature_record (record_date, record_time, temperature, "
                                "humidity) VALUES ('%1', '06:55', 21.5, 52)";
        const QString supplier = "INSERT INTO supplier (name, gsp_cert_expire_date, tax_reg_expire_date) "
                                 "VALUES ('华康医药', %1, '%2');";
        const QString batch = "INSERT INTO product (id, name) VALUES (1, '阿莫西林胶囊');"
                              "INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) "
                              "VALUES (1, 'A', '%1', 5);";
        QTest::newRow("all three")
            << batch.arg(day(180)) + supplier.arg("'" + day(10) + "'", day(-1)) + reading.arg(day(-1))
            << QStringList{"近效期药品预警：1 行",
                           "供应商资质预警：发现 1 家供应商资质即将到期，1 家供应商资质已过期，请及时处理！",
                           kTempReminder};
        QTest::newRow("only expired, reading this morning")
            << supplier.arg("NULL", day(-1)) + reading.arg(day(0))
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
            seen << d->windowTitle() +
                        QString("：%1 行").arg(d->findChild<QTableView*>()->model()->rowCount());
            d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        ApplicationStartup(t.folder()).openMainWindow();
        QTEST(seen + prompts(), "shown");
    }

    // Stocked batches in normal status expiring after today up to the last day of the window, newest batch
    // first; remaining days count from the local date, also before 08:00 when the UTC date is yesterday.
    void nearExpiryListsStockedNormalBatchesInsideTheWindow() {
        TestDatabase t;
        t.exec("INSERT INTO supplier (id, name) VALUES (1, '国药'), (2, '九州通')");
        t.exec(
            "INSERT INTO product (id, name, barcode, mnemonic_code, status) VALUES (1, '阿莫西林', "
            "'6901234567890', 'AMXL', 1), (2, '布洛芬', '6902345678901', 'BLF', 1), (3, '甘草', '', '', 0)");
        t.exec(
            QString("INSERT INTO inventory_batch (product_id, supplier_id, batch_no, expiry_date, quantity) "
                    "VALUES (1, 1, 'today', '%1', 9), (1, 1, 'tomorrow', '%2', 9), "
                    "(1, 2, 'last-day', '%3', 9), (1, 2, 'too-far', '%4', 9), (2, 1, 'no-stock', '%5', 0), "
                    "(2, 1, 'locked', '%5', 9), (3, 1, 'delisted', '%5', 9), (99, 1, 'no-drug', '%5', 9), "
                    "(2, 0, 'no-supplier', '%5', 9)")
                .arg(day(0), day(1), day(180), day(181), day(10)));
        t.exec("UPDATE inventory_batch SET status = 'locked' WHERE batch_no = 'locked'");
        repositories::ExpiryWarningRepository repo(t.db());
        for (const QTime& time : {QTime(0, 0), QTime(23, 59, 59)}) {
            PinnedClock at(kToday, time);
            const QList<Item> items = repo.findNearExpiryItems(180);
            QCOMPARE(column(items, &Item::batchNo) + ", " + column(items, &Item::remainingDays) + ", " +
                         column(items, &Item::supplierName),
                     QString("no-supplier delisted last-day tomorrow, 10 10 180 1,  国药 九州通 国药"));
            // All filters must match; the mnemonic is compared in upper case; blanks are applied as given.
            QCOMPARE(column(repo.findNearExpiryItems(180, "九州", "阿莫西林", "", "", ""), &Item::batchNo) +
                         column(repo.findNearExpiryItems(180, "", "", "78901", "blf", ""), &Item::batchNo) +
                         column(repo.findNearExpiryItems(180, "", "", "", "", " "), &Item::batchNo),
                     QString("last-dayno-supplier"));
        }
    }

    // Only the remaining-days cell is coloured: dark red up to 30 days, dark yellow up to 90.
    void nearExpiryDialogColours() {
        QList<Item> items;
        for (int days : {91, 90, 31, 30})
            items << Item{0, "阿莫西林胶囊", "", "", "", "B", "", day(days), 9, days, ""};
        ExpiryWarningDialog dialog(items);
        const QAbstractItemModel* model = dialog.findChild<QTableView*>("tableWidget")->model();
        QStringList cells;
        for (int r = 0; r < 4; ++r) {
            const QModelIndex days = model->index(r, 3);
            cells << days.data(Qt::BackgroundRole).value<QBrush>().color().name() + "/" +
                         days.data(Qt::ForegroundRole).value<QBrush>().color().name();
        }
        QCOMPARE(cells.join(' '), QString("#000000/#000000 #808000/#ffffff #808000/#ffffff #800000/#ffffff"));
        QCOMPARE(model->index(3, 2).data(Qt::BackgroundRole).value<QBrush>().style(), Qt::NoBrush);
        QCOMPARE(model->index(0, 3).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QCOMPARE(model->index(0, 2).data(Qt::TextAlignmentRole).isValid(), false);
    }

    // Within 5 % of the range from either limit is a warning (both edges included), outside it critical.
    void readingStatus() {
        QStringList status;
        for (double value : {-0.01, 0.0, 1.5, 1.51, 28.49, 28.5, 30.0, 30.01})
            status << TempRepo::calculateStatus(value, TempRepo::kTemperatureMin, TempRepo::kTemperatureMax);
        for (int value : {34, 35, 37, 38, 72, 73, 75, 76})
            status << TempRepo::calculateStatus(value, TempRepo::kHumidityMin, TempRepo::kHumidityMax);
        QCOMPARE(status.join(' ') + ' ',
                 QString("critical warning warning normal normal warning warning critical ").repeated(2));
    }

    // A reading reads back as saved, created_at left to the database; lists come newest saved first, the
    // abnormal list includes warnings; "today" is the local date; a failed insert is reported.
    void savedReadingsReadBack() {
        TestDatabase t;
        TempRepo repo(t.db());
        repo.insert(reading("2026-03-01", "15:00:00"));
        repo.insert(reading("2026-03-01", "00:20:00", "warning"));
        repo.insert(reading("2026-02-28", "23:50:00"));
        QCOMPARE(repo.findById(1).recordTime + repo.findById(1).createdAt, QString("15:00:00"));
        PinnedClock pin(QDate(2026, 3, 1), QTime(0, 20));
        QCOMPARE(QStringList({column(repo.findByDateRange("2026-02-28", "2026-03-01"), &Reading::id),
                              column(repo.findAbnormalRecords(), &Reading::id),
                              column(repo.findTodayRecords(), &Reading::id),
                              QString::number(repo.countTodayRecords())}),
                 QStringList({"3 2 1", "2", "2 1", "2"}));
        PinnedClock nextDay(QDate(2026, 3, 2), QTime(7, 59));
        QVERIFY(!repo.hasRecordToday());
        LogCapture quiet;
        QCOMPARE(repo.insert(reading(QString(), "09:00:00")), -1); // record_date is NOT NULL
    }

    // The sample data runs at every start: it loads cleanly, a second run adds nothing, and it shows the
    // start-up warnings. OR IGNORE also swallows NOT NULL failures: every row must be there.
    void sampleDataLoadsCleanlyAndOnlyOnce() {
        TestDatabase t;
        LogCapture log;
        for (int run = 0; run < 2; ++run)
            QVERIFY(DatabaseManager::instance().importTestData(KV_SOURCE_DIR "/docs/test_data.sql"));
        QVERIFY2(!log.contains("SQLite Execute Error"), qPrintable(log.dump()));
        QStringList counts;
        for (const char* table :
             {"sys_user", "supplier", "product", "customer", "purchase_order", "purchase_order_item",
              "inventory_batch", "sales_order", "sales_order_item", "temperature_record", "prescription",
              "prescription_item", "maintenance_check"})
            counts << QString::number(t.count(table));
        QCOMPARE(counts.join(' '), QString("2 9 14 6 5 15 14 6 11 14 6 7 6"));
        QCOMPARE(repositories::ExpiryWarningRepository(t.db()).findNearExpiryItems(180).size(), 6);
        QVERIFY(!TempRepo(t.db()).hasRecordToday());
    }

    // Without a system tray the window is minimised instead of hidden where nothing could bring it back.
    void closeQuestion() {
        TestDatabase t;
        // choice, tray available; then closed, visible, minimised, tray icon shown, quits
        for (const QString& row : QStringList{"0 1 00010", "0 0 01100", "1 1 10001", "2 1 01000"}) {
            MainWindow::setTrayAvailableForTesting(row[2] == '1');
            MainWindow w;
            Prompts::queueChoice(row[0].digitValue());
            const bool closed = w.close();
            QString after = row.left(4);
            for (bool b :
                 {closed, w.isVisible(), w.isMinimized(), w.findChild<QSystemTrayIcon*>()->isVisible(),
                  QApplication::quitOnLastWindowClosed()})
                after += b ? '1' : '0';
            QCOMPARE(after, row);
            QApplication::setQuitOnLastWindowClosed(false);
        }
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
        for (QAction* restore : {(QAction*)nullptr, menu.first()}) {
            Prompts::queueChoice(0);
            w.close();
            emit icon->activated(QSystemTrayIcon::Trigger); // a single click does nothing
            QVERIFY(!w.isVisible() && icon->isVisible());
            restore ? restore->trigger() : icon->activated(QSystemTrayIcon::DoubleClick);
            QVERIFY(w.isVisible() && !icon->isVisible() && !w.isMaximized());
        }
        Prompts::queueChoice(0);
        w.close();
        QVERIFY(eventLoopEnds([&] { menu.last()->trigger(); }));
    }

    // While what the program saved before its file was replaced is in no copy (here the backup folder cannot
    // be made), both ways to quit ask first, No by default.
    void quittingAsksWhileSavesAreKeptNowhere() {
        TestDatabase t;
        MainWindow::setTrayAvailableForTesting(true);
        MainWindow w;
        QFile blocker(t.folder() + "/backup");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        LogCapture log;
        renameCopyOver(t.db(), t.path());
        DatabaseManager::instance().lookForReplacement();
        QVERIFY(t.db()->replacedFileCopy().isMissing());
        QAction* trayQuit = w.findChild<QSystemTrayIcon*>()->contextMenu()->actions().last();
        Prompts::queueQuestion(false);
        QVERIFY(!eventLoopEnds([&] { trayQuit->trigger(); }, 500));
        Prompts::queueChoice(1); // 退出程序
        Prompts::queueQuestion(false);
        QVERIFY(!w.close() && w.isVisible());
        // Told once as soon as it was found, by a box that nests no event loop.
        QCOMPARE(Prompts::history().size(), 4);
        QCOMPARE(Prompts::history().first().text,
                 "数据库文件已被其他程序替换，本程序不再读写它，请关闭本程序后重新启动\n替换前本程序保存的数"
                 "据未能另"
                 "存到：" +
                     t.folder() + "/backup（文件读写出错），目前只在运行中的本程序里。本程序会自动重试。");
        QCOMPARE(Prompts::lastText(), "数据库文件已被其他程序替换。替换前本程序保存的数据未能另存到：" +
                                          t.folder() +
                                          "/backup（文件读写出错），目前只在运行中的本程序里。\n\n"
                                          "退出后将无法找回这些数据，仍要退出吗？");
        Prompts::queueChoice(1);
        Prompts::queueQuestion(true);
        QVERIFY(w.close());
        // 取消 in the sign-in box after 退出登录 ends the program too: 否 brings the sign-in back.
        w.show();
        ModalAnswer<LoginDialog> login([](LoginDialog* d) { cancelThrough(d); }, true);
        Prompts::queueQuestion(false);
        Prompts::queueQuestion(true);
        QVERIFY(eventLoopEnds([&] { w.findChild<QPushButton*>("btnLogout")->click(); }));
        QCOMPARE(login.count(), 2);
        QCOMPARE(Prompts::history().size(), 8);
        QVERIFY(Prompts::lastText().endsWith("退出后将无法找回这些数据，仍要退出吗？"));
        QApplication::setQuitOnLastWindowClosed(false);
        MainWindow::setTrayAvailableForTesting(std::nullopt);
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
        QPointer<QWidget> feature = w.featureWindow(MainWindow::ProductManager);
        bool signedOut = false;
        ModalAnswer<LoginDialog> login([&](LoginDialog* d) {
            if (signedOut)
                return cancelThrough(d); // the second time
            signedOut = !w.isVisible() && !feature && !UserSession::instance().isLoggedIn() &&
                        CurrentUser::instance().getUserId() == 0;
            signInThrough(d, "lisi", "pw123");
        });
        w.findChild<QPushButton*>("btnLogout")->click();
        QVERIFY(signedOut && w.isVisible() && !w.featureWindow(MainWindow::ProductManager));
        QCOMPARE(prompts() << w.findChild<QLabel*>("lblUserInfo")->text() +
                                  CurrentUser::instance().getUser().role,
                 QStringList({"成功：欢迎 李四!", "当前用户：李四 ｜ 店员clerk"}));
        // Cancelling the sign-in after a logout quits.
        QVERIFY(eventLoopEnds([&] { w.findChild<QPushButton*>("btnLogout")->click(); }));
        QVERIFY(login.count() == 2 && !w.isVisible() && !UserSession::instance().isLoggedIn());
    }

    // Qt's own texts (here a line edit's context menu and a standard button) speak Chinese once the
    // translations are in, its database and file errors stay English; without the translations everything
    // stays English and nothing breaks. Last: it changes the process.
    void qtTextsInChinese() {
        QLineEdit edit;
        auto menuTexts = [&edit] {
            std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
            QStringList texts;
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator())
                    texts << action->text().section('\t', 0, 0);
            }
            return texts.join(' ');
        };
        QTemporaryDir empty;
        QVERIFY(!ApplicationStartup::installQtTranslations(empty.path()));
        QCOMPARE(menuTexts(), QString("&Undo &Redo Cu&t &Copy &Paste Delete Select All"));
        QVERIFY(ApplicationStartup::installQtTranslations(
            QLibraryInfo::location(QLibraryInfo::TranslationsPath)));
        QCOMPARE(menuTexts(), QString("撤消(&U) 重做(&R) 剪切(&T) 复制(&C) 粘贴(&P) 删除 全选"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("取消"));
        // The driver's words reach only the log, which stays English.
        QCOMPARE(QCoreApplication::translate("QSQLiteResult", "Unable to execute statement"),
                 QString("Unable to execute statement"));
        QCOMPARE(QCoreApplication::translate("QFile", "Destination file exists"),
                 QString("Destination file exists"));
    }

    // The file dialogs of every export and import speak Chinese; file errors, which go to the log, stay
    // English.
    void qtFileDialogsInChinese_data() {
        QTest::addColumn<QString>("text"); // context/source
        QTest::addColumn<bool>("chinese");
        QTest::newRow("dialog") << QString("QFileDialog/Look in:") << true;
        QTest::newRow("dialog's list") << QString("QFileSystemModel/Name") << true;
        QTest::newRow("file error") << QString("QFileDevice/No file engine available or engine does not "
                                               "support UnMapExtension")
                                    << false;
    }
    void qtFileDialogsInChinese() {
        QFETCH(QString, text);
        QVERIFY(ApplicationStartup::installQtTranslations(
            QLibraryInfo::location(QLibraryInfo::TranslationsPath)));
        const QByteArray context = text.section('/', 0, 0).toLatin1(),
                         source = text.section('/', 1).toLatin1();
        QTEST(QCoreApplication::translate(context, source) != source, "chinese");
    }
};

KV_TEST_CLASS_LAST(TestStartup)
#include "tst_startup.moc"

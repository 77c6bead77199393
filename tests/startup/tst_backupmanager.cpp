#include "core/backupmanager.h"
#include "core/databasemanager.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::LogCapture;
using kestrovalin::test::PinnedClock;
using kestrovalin::test::TestDatabase;

namespace {

BackupManager& backups() {
    return BackupManager::instance();
}

void touch(const QString& path, const QDateTime& modified, const QByteArray& content = "x") {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    QVERIFY(file.flush()); // otherwise closing writes the data and moves the time back to now
    QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

QStringList filesIn(const QString& dir, const QString& pattern = QStringLiteral("*")) {
    return QDir(dir).entryList({pattern}, QDir::Files | QDir::Hidden, QDir::Name);
}

// Runs one statement on a database file through its own connection; an invalid value when it fails.
QVariant scalarIn(const QString& path, const QString& sql) {
    const QString name = QUuid::createUuid().toString();
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                value = q.value(0);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

void makeDatabase(const QString& path, const QStringList& statements) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString& sql : statements)
            QVERIFY2(q.exec(sql), qPrintable(sql));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// Eleven copies of our own, one a day in January, oldest modified first.
QStringList seedOwnBackups(const QString& backupDir, int count) {
    QDir().mkpath(backupDir);
    QStringList names;
    for (int i = 1; i <= count; ++i) {
        const QString name = QStringLiteral("kestrovalin_202501%1_080000.db").arg(i, 2, 10, QLatin1Char('0'));
        touch(backupDir + "/" + name, QDateTime(QDate(2025, 1, i), QTime(8, 0)));
        names << name;
    }
    return names;
}

} // namespace

class TestBackupManager : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { BackupManager::setProgramDirForTesting(QString()); }

    void fileNameCarriesLocalDateAndTime_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("expected");
        QTest::newRow("morning") << QDateTime(QDate(2025, 3, 7), QTime(9, 5, 2))
                                 << "kestrovalin_20250307_090502.db";
        // Before 08:00 at UTC+8 the UTC date is still the day before; the name must not follow it.
        QTest::newRow("just after midnight")
            << QDateTime(QDate(2025, 3, 7), QTime(0, 30, 0)) << "kestrovalin_20250307_003000.db";
        QTest::newRow("last second of the year")
            << QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59)) << "kestrovalin_20241231_235959.db";
    }
    void fileNameCarriesLocalDateAndTime() {
        QFETCH(QDateTime, now);
        QFETCH(QString, expected);
        PinnedClock pin(now);
        QCOMPARE(backups().generateBackupFileName(), expected);
    }

    void todayAndYesterdayAreFoundByFileName_data() {
        QTest::addColumn<bool>("makeFolder");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<bool>("today");
        QTest::addColumn<bool>("yesterday");
        const QStringList none;
        QTest::newRow("no backup folder") << false << none << none << false << false;
        QTest::newRow("empty folder") << true << none << none << false << false;
        QTest::newRow("own copy of today")
            << true << QStringList{"kestrovalin_20250307_090502.db"} << none << true << false;
        QTest::newRow("own copy of yesterday")
            << true << QStringList{"kestrovalin_20250306_235959.db"} << none << false << true;
        QTest::newRow("foreign .db with today's date")
            << true << QStringList{"handover_20250307.db"} << none << true << false;
        QTest::newRow("today's date, other extensions")
            << true << QStringList{"kestrovalin_20250307_090502.db.part", "kestrovalin_20250307.bak"} << none
            << false << false;
        QTest::newRow("sub-folder named like a copy")
            << true << none << QStringList{"kestrovalin_20250307_090502.db"} << false << false;
        QTest::newRow("older copies only")
            << true << QStringList{"kestrovalin_20250301_090000.db", "kestrovalin_20240307_090000.db"} << none
            << false << false;
    }
    void todayAndYesterdayAreFoundByFileName() {
        QFETCH(bool, makeFolder);
        QFETCH(QStringList, files);
        QFETCH(QStringList, folders);
        QFETCH(bool, today);
        QFETCH(bool, yesterday);
        QTemporaryDir program;
        BackupManager::setProgramDirForTesting(program.path());
        const QString dir = backups().getBackupDir();
        if (makeFolder)
            QVERIFY(QDir().mkpath(dir));
        for (const QString& name : files)
            touch(dir + "/" + name, QDateTime::currentDateTime());
        for (const QString& name : folders)
            QVERIFY(QDir().mkpath(dir + "/" + name));
        PinnedClock pin(QDateTime(QDate(2025, 3, 7), QTime(0, 15)));
        QCOMPARE(backups().hasBackupForToday(), today);
        QCOMPARE(backups().hasBackupForYesterday(), yesterday);
    }

    void firstBackupOfTheDayCreatesFolderAndOneCopy() {
        TestDatabase t;
        QVERIFY(t.isOpen());
        BackupManager::setProgramDirForTesting(t.folder());
        PinnedClock pin(QDateTime(QDate(2025, 3, 7), QTime(9, 5, 2)));
        QVERIFY(!QDir(backups().getBackupDir()).exists());
        QVERIFY(!backups().hasBackupForToday());

        LogCapture log;
        QVERIFY(backups().backupDatabase());
        QCOMPARE(filesIn(backups().getBackupDir()), QStringList{"kestrovalin_20250307_090502.db"});
        QVERIFY(backups().hasBackupForToday());
        QVERIFY(log.contains("Starting database backup..."));
        QVERIFY(log.contains("Source: " + t.path()));
        QVERIFY(log.contains("Backup succeeded: " + backups().getBackupDir() +
                             "/kestrovalin_20250307_090502.db"));
    }

    // The database runs in WAL mode: committed rows can sit in the -wal file for a long time. A copy of the
    // main file alone would silently lose them.
    void copyHoldsCommittedRowsStillInTheWriteAheadLog() {
        TestDatabase t;
        QVERIFY(t.isOpen());
        BackupManager::setProgramDirForTesting(t.folder());
        t.exec("PRAGMA wal_autocheckpoint=0");
        QVERIFY(t.db()->transaction());
        for (int i = 0; i < 200; ++i)
            t.exec("INSERT INTO product (name, barcode) VALUES (?, ?)",
                   {QStringLiteral("阿莫西林胶囊%1").arg(i),
                    QStringLiteral("690000000%1").arg(i, 4, 10, QChar('0'))});
        QVERIFY(t.db()->commit());
        QVERIFY(QFileInfo(t.path() + "-wal").size() > 0);

        // Proof that the rows are not yet in the main file.
        const QString raw = t.folder() + "/raw.db";
        QVERIFY(QFile::copy(t.path(), raw));
        QCOMPARE(scalarIn(raw, "SELECT COUNT(*) FROM product").toInt(), 0);

        // A write still open on the program's connection is not committed and must not appear.
        QVERIFY(t.db()->transaction());
        t.exec("INSERT INTO product (name, barcode) VALUES ('未提交的药品', '6999999999999')");

        PinnedClock pin(QDateTime(QDate(2025, 3, 7), QTime(9, 5, 2)));
        QVERIFY(backups().backupDatabase());
        QVERIFY(t.db()->rollback());

        const QString copy = backups().getBackupDir() + "/kestrovalin_20250307_090502.db";
        QCOMPARE(scalarIn(copy, "SELECT COUNT(*) FROM product").toInt(), 200);
        QCOMPARE(scalarIn(copy, "SELECT COUNT(*) FROM product WHERE name = '未提交的药品'").toInt(), 0);
        QCOMPARE(scalarIn(copy, "SELECT COUNT(*) FROM sys_user WHERE username = 'admin'").toInt(), 1);
        QCOMPARE(scalarIn(copy, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
        // Only the copy itself: no half-written file, no journal left beside it.
        QCOMPARE(filesIn(backups().getBackupDir()), QStringList{"kestrovalin_20250307_090502.db"});
    }

    // Also works when the program's own connection is closed (no -wal or -shm file beside the database).
    void copyOfAClosedDatabaseReplacesAnExistingFile() {
        TestDatabase t;
        DatabaseManager::instance().shutdown();
        QVERIFY(!QFile::exists(t.path() + "-shm"));
        QTemporaryDir target;
        const QString destination = target.path() + "/sub/dir/copy.db";
        QVERIFY(QDir().mkpath(target.path() + "/sub/dir"));
        touch(destination, QDateTime::currentDateTime(), "not a database");
        QVERIFY(backups().copyFile(t.path(), destination));
        QCOMPARE(scalarIn(destination, "SELECT COUNT(*) FROM sys_user WHERE username = 'admin'").toInt(), 1);
    }

    // Clean-up keeps the ten newest of the program's own copies, by modification time, and never touches
    // files someone else put into the folder.
    void retentionKeepsTheTenNewestOwnCopies_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("deleted");
        QTest::newRow("first copy") << 0 << 0;
        QTest::newRow("tenth copy") << 9 << 0;
        QTest::newRow("eleventh copy") << 10 << 1;
        QTest::newRow("thirteen after the copy") << 12 << 3;
    }
    void retentionKeepsTheTenNewestOwnCopies() {
        QFETCH(int, before);
        QFETCH(int, deleted);
        TestDatabase t;
        BackupManager::setProgramDirForTesting(t.folder());
        const QString dir = backups().getBackupDir();
        QVERIFY(QDir().mkpath(dir));
        // Modification order differs from name order: the file named last is the oldest.
        QMap<QDateTime, QString> byAge; // oldest first
        for (int i = 0; i < before; ++i) {
            const QString name =
                QStringLiteral("kestrovalin_202501%1_080000.db").arg(i + 1, 2, 10, QChar('0'));
            const QDateTime modified =
                QDateTime(QDate(2025, 2, 1), QTime(0, 0)).addSecs(-3600 * ((i * 7) % before));
            touch(dir + "/" + name, modified);
            byAge.insert(modified, name);
        }
        const QStringList foreign = {"handover_20240101.db", "kestrovalin.db",
                                     "kestrovalin_20240101_000000.db.bak", "readme.txt"};
        for (const QString& name : foreign)
            touch(dir + "/" + name, QDateTime(QDate(2020, 1, 1), QTime(0, 0)));

        PinnedClock pin(QDateTime(QDate(2025, 3, 7), QTime(9, 5, 2)));
        QVERIFY(backups().backupDatabase());

        const QStringList own = filesIn(dir, "kestrovalin_*.db");
        QCOMPARE(own.size(), before + 1 - deleted);
        QVERIFY(own.contains("kestrovalin_20250307_090502.db"));
        int age = 0;
        for (const QString& name : byAge) {
            QVERIFY2(own.contains(name) == (age >= deleted), qPrintable(name));
            ++age;
        }
        for (const QString& name : foreign)
            QVERIFY2(QFile::exists(dir + "/" + name), qPrintable(name));
    }

    // A failed copy is reported as failure, leaves nothing behind that could pass for a backup, and keeps
    // every earlier copy.
    void failedCopyKeepsEarlierCopies_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("logText");
        QTest::newRow("database missing") << ""
                                          << "Backup failed: source file does not exist:";
        QTest::newRow("not a database") << "garbage"
                                        << "Backup failed: copy error:";
        QTest::newRow("no user table") << "CREATE TABLE product (id INTEGER)"
                                       << "Backup failed: the copy cannot be verified:";
        QTest::newRow("no admin account")
            << "CREATE TABLE sys_user (id INTEGER, username TEXT);INSERT INTO sys_user VALUES (1, 'clerk')"
            << "Backup failed: the copy cannot be verified:";
    }
    void failedCopyKeepsEarlierCopies() {
        QFETCH(QString, source);
        QFETCH(QString, logText);
        QTemporaryDir program;
        BackupManager::setProgramDirForTesting(program.path());
        const QStringList earlier = seedOwnBackups(backups().getBackupDir(), 11);
        if (source == "garbage") {
            QVERIFY(QDir().mkpath(program.path() + "/data"));
            touch(backups().getDatabasePath(), QDateTime::currentDateTime(), QByteArray(4096, 'z'));
        } else if (!source.isEmpty()) {
            makeDatabase(backups().getDatabasePath(), source.split(';'));
        }
        PinnedClock pin(QDateTime(QDate(2025, 3, 7), QTime(9, 5, 2)));
        LogCapture log;
        QVERIFY(!backups().backupDatabase());
        QCOMPARE(log.count(QtCriticalMsg, logText), 1);
        QCOMPARE(filesIn(backups().getBackupDir()), earlier);
        QVERIFY(!backups().hasBackupForToday());
    }
};

QTEST_GUILESS_MAIN(TestBackupManager)
#include "tst_backupmanager.moc"

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

// Before 08:00 at UTC+8 the UTC date is still the day before; names and checks must not follow it.
const QDateTime kNow(QDate(2025, 3, 7), QTime(0, 30, 2));
const QString kCopyName = "kestrovalin_20250307_003002.db";

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

// Runs the statements on a database file through a connection of its own; the first value of the last
// one, or an invalid value when it fails.
QVariant runIn(const QString& path, const QStringList& statements) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString name = QUuid::createUuid().toString();
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            for (const QString& sql : statements)
                value = q.exec(sql) && q.next() ? q.value(0) : QVariant();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

} // namespace

class TestBackupManager : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { BackupManager::setProgramDirForTesting(QString()); }

    // Any "*.db" file whose name holds the date counts, as the start-up check expects.
    void todayAndYesterdayAreFoundByFileName_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("today");
        QTest::addColumn<bool>("yesterday");
        QTest::newRow("no backup folder") << QStringList() << false << false;
        QTest::newRow("own copy of today") << QStringList{kCopyName} << true << false;
        QTest::newRow("own copy of yesterday")
            << QStringList{"kestrovalin_20250306_235959.db"} << false << true;
        QTest::newRow("foreign .db with today's date")
            << QStringList{"handover_20250307.db"} << true << false;
        QTest::newRow("today's date, other extensions")
            << QStringList{kCopyName + ".part", "kestrovalin_20250307.bak"} << false << false;
        QTest::newRow("same day of another year")
            << QStringList{"kestrovalin_20240307_090000.db"} << false << false;
    }
    void todayAndYesterdayAreFoundByFileName() {
        QFETCH(QStringList, files);
        QTemporaryDir program;
        BackupManager::setProgramDirForTesting(program.path());
        const QString dir = backups().getBackupDir();
        for (const QString& name : files) {
            QVERIFY(QDir().mkpath(dir));
            touch(dir + "/" + name, QDateTime::currentDateTime());
        }
        PinnedClock pin(kNow);
        QTEST(backups().hasBackupForToday(), "today");
        QTEST(backups().hasBackupForYesterday(), "yesterday");
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
                   {QStringLiteral("阿莫西林胶囊%1").arg(i), QStringLiteral("69%1").arg(i)});
        QVERIFY(t.db()->commit());
        // Proof that the rows are not yet in the main file.
        const QString raw = t.folder() + "/raw.db";
        QVERIFY(QFile::copy(t.path(), raw));
        QCOMPARE(runIn(raw, {"SELECT COUNT(*) FROM product"}).toInt(), 0);

        // A write still open on the program's connection is not committed and must not appear.
        QVERIFY(t.db()->transaction());
        t.exec("INSERT INTO product (name, barcode) VALUES ('未提交的药品', '6999999999999')");
        PinnedClock pin(kNow);
        QVERIFY(!backups().hasBackupForToday());
        QVERIFY(backups().backupDatabase());
        QVERIFY(t.db()->rollback());
        QVERIFY(backups().hasBackupForToday());

        const QString copy = backups().getBackupDir() + "/" + kCopyName;
        QCOMPARE(runIn(copy, {"SELECT COUNT(*) FROM product"}).toInt(), 200);
        QCOMPARE(runIn(copy, {"SELECT COUNT(*) FROM sys_user WHERE username = 'admin'"}).toInt(), 1);
        // Only the copy itself: no half-written file, no journal left beside it.
        QCOMPARE(filesIn(backups().getBackupDir()), QStringList{kCopyName});
    }

    // Also works when the program's connection is closed, and replaces a file already at the target.
    void copyOfAClosedDatabaseReplacesAnExistingFile() {
        TestDatabase t;
        DatabaseManager::instance().shutdown();
        QTemporaryDir target;
        const QString destination = target.path() + "/copy.db";
        touch(destination, QDateTime::currentDateTime(), "not a database");
        QVERIFY(backups().copyFile(t.path(), destination));
        QCOMPARE(runIn(destination, {"SELECT COUNT(*) FROM sys_user WHERE username = 'admin'"}).toInt(), 1);
    }

    // Clean-up keeps the ten newest of the program's own copies, by modification time, and never touches
    // files someone else put into the folder.
    void retentionKeepsTheTenNewestOwnCopies_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("deleted");
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
        // Modification order differs from name order.
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
                                     "kestrovalin_20240101_000000.db.bak"};
        for (const QString& name : foreign)
            touch(dir + "/" + name, QDateTime(QDate(2020, 1, 1), QTime(0, 0)));

        PinnedClock pin(kNow);
        QVERIFY(backups().backupDatabase());
        const QStringList own = filesIn(dir, "kestrovalin_*.db");
        QCOMPARE(own.size(), before + 1 - deleted);
        QVERIFY(own.contains(kCopyName));
        int age = 0;
        for (const QString& name : byAge)
            QVERIFY2(own.contains(name) == (age++ >= deleted), qPrintable(name));
        for (const QString& name : foreign)
            QVERIFY2(QFile::exists(dir + "/" + name), qPrintable(name));
    }

    // A failed copy is reported as failure, leaves nothing behind that could pass for a backup, and keeps
    // every earlier copy.
    void failedCopyKeepsEarlierCopies_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("logText");
        QTest::newRow("database missing") << "" << QString("Backup failed: source file does not exist:");
        QTest::newRow("not a database") << "garbage" << QString("Backup failed: copy error:");
        QTest::newRow("no user table")
            << "CREATE TABLE product (id INTEGER)" << QString("Backup failed: the copy cannot be verified:");
        QTest::newRow("no admin account")
            << "CREATE TABLE sys_user (id INTEGER, username TEXT);INSERT INTO sys_user VALUES (1, 'clerk')"
            << QString("Backup failed: the copy cannot be verified:");
    }
    void failedCopyKeepsEarlierCopies() {
        QFETCH(QString, source);
        QFETCH(QString, logText);
        QTemporaryDir program;
        BackupManager::setProgramDirForTesting(program.path());
        const QString dir = backups().getBackupDir();
        QVERIFY(QDir().mkpath(dir));
        QStringList earlier;
        for (int i = 1; i <= 11; ++i) {
            earlier << QStringLiteral("kestrovalin_202501%1_080000.db").arg(i, 2, 10, QLatin1Char('0'));
            touch(dir + "/" + earlier.last(), QDateTime(QDate(2025, 1, i), QTime(8, 0)));
        }
        if (source == "garbage") {
            QVERIFY(QDir().mkpath(program.path() + "/data"));
            touch(backups().getDatabasePath(), QDateTime::currentDateTime(), QByteArray(4096, 'z'));
        } else if (!source.isEmpty()) {
            runIn(backups().getDatabasePath(), source.split(';'));
        }
        PinnedClock pin(kNow);
        LogCapture log;
        QVERIFY(!backups().backupDatabase());
        QCOMPARE(log.count(QtCriticalMsg, logText), 1);
        QCOMPARE(filesIn(dir), earlier);
        QVERIFY(!backups().hasBackupForToday());
    }
};

QTEST_GUILESS_MAIN(TestBackupManager)
#include "tst_backupmanager.moc"

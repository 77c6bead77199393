#include "core/backupmanager.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

BackupManager& backups() {
    return BackupManager::instance();
}

// Before 08:00 at UTC+8 the UTC date is still the day before; names and checks must not follow it.
const QDateTime kNow(QDate(2025, 3, 7), QTime(0, 30, 2));
const QString kCopyName = "kestrovalin_20250307_003002.db";

void touch(const QString& path, const QDateTime& modified = QDateTime::currentDateTime(),
           const QByteArray& data = "x") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) &&
            file.flush()); // flushed before the time is set
    QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// Runs the statements on a database file through a connection of its own; the first value of the last one.
QVariant runIn(const QString& path, const QStringList& statements) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString name = QUuid::createUuid().toString();
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(path);
        QSqlQuery q(db.open() ? db : QSqlDatabase());
        for (const QString& sql : statements)
            value = q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

} // namespace

class TestBackupManager : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { BackupManager::setProgramDirForTesting(QString()); }

    // Any "*.db" file whose name holds the local date counts, whoever put it there.
    void backupOfTheDayIsFoundByFileName() {
        QTemporaryDir program;
        BackupManager::setProgramDirForTesting(program.path());
        PinnedClock pin(kNow);
        QVERIFY(!backups().hasBackupForToday()); // no backup folder yet
        touch(backups().getBackupDir() + "/kestrovalin_20250307.bak");
        touch(backups().getBackupDir() + "/kestrovalin_20250306_235959.db");
        QVERIFY(!backups().hasBackupForToday() && backups().hasBackupForYesterday());
        touch(backups().getBackupDir() + "/handover_20250307.db");
        QVERIFY(backups().hasBackupForToday());
    }

    // The database runs in WAL mode: committed rows can sit in the -wal file for a long time, and a copy of
    // the main file alone would lose them. Uncommitted rows must not be copied.
    void copyHoldsCommittedRowsStillInTheWriteAheadLog() {
        TestDatabase t;
        BackupManager::setProgramDirForTesting(t.folder());
        t.exec("PRAGMA wal_autocheckpoint=0");
        QVERIFY(t.db()->transaction());
        for (int i = 0; i < 200; ++i)
            t.exec("INSERT INTO product (name) VALUES (?)", {QString("阿莫西林胶囊%1").arg(i)});
        QVERIFY(t.db()->commit());
        const QString raw = t.folder() + "/raw.db"; // proof that the rows are not in the main file yet
        QVERIFY(QFile::copy(t.path(), raw));
        QCOMPARE(runIn(raw, {"SELECT COUNT(*) FROM product"}).toInt(), 0);

        QVERIFY(t.db()->transaction());
        t.exec("INSERT INTO product (name) VALUES ('未提交的药品')");
        PinnedClock pin(kNow);
        QVERIFY(backups().backupDatabase());
        QVERIFY(t.db()->rollback());
        QCOMPARE(runIn(backups().getBackupDir() + "/" + kCopyName, {"SELECT COUNT(*) FROM product"}).toInt(),
                 200);
        QCOMPARE(filesIn(backups().getBackupDir()), QStringList{kCopyName}); // no half-written file left
    }

    // The ten newest of the program's own copies are kept, by modification time (here the reverse of the name
    // order); files someone else put into the folder are never deleted.
    void retentionKeepsTheTenNewestOwnCopies() {
        TestDatabase t;
        BackupManager::setProgramDirForTesting(t.folder());
        const QString dir = backups().getBackupDir();
        QStringList own;
        for (int i = 1; i <= 10; ++i) { // the eleventh copy removes the oldest
            own << QString("kestrovalin_202501%1_080000.db").arg(i, 2, 10, QChar('0'));
            touch(dir + "/" + own.last(), QDateTime(QDate(2025, 2, 28 - i), QTime(8, 0)));
        }
        const QStringList foreign = {"handover_20240101.db", "kestrovalin.db",
                                     "kestrovalin_20240101_000000.db.bak"};
        for (const QString& name : foreign)
            touch(dir + "/" + name, QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
        PinnedClock pin(kNow);
        QVERIFY(backups().backupDatabase());
        QStringList kept = foreign + own.mid(0, 9) + QStringList{kCopyName};
        kept.sort();
        QCOMPARE(filesIn(dir), kept);
    }

    // A failed copy is reported, leaves nothing that could pass for a backup and keeps the earlier copies.
    void failedCopyKeepsEarlierCopies() {
        QTemporaryDir program;
        BackupManager::setProgramDirForTesting(program.path());
        const QString earlier = "kestrovalin_20250101_080000.db";
        touch(backups().getBackupDir() + "/" + earlier);
        PinnedClock pin(kNow);
        LogCapture log;
        QVERIFY(!backups().backupDatabase());
        QCOMPARE(log.count(QtCriticalMsg, "Backup failed: source file does not exist:"), 1);
        // A copy that holds no administrator would not let anyone sign in after a restore.
        runIn(backups().getDatabasePath(), {"CREATE TABLE sys_user (id INTEGER, username TEXT)",
                                            "INSERT INTO sys_user VALUES (1, 'clerk')"});
        QVERIFY(!backups().backupDatabase());
        QCOMPARE(log.count(QtCriticalMsg, "Backup failed: the copy cannot be verified:"), 1);
        QCOMPARE(filesIn(backups().getBackupDir()), QStringList{earlier});
    }
};

QTEST_GUILESS_MAIN(TestBackupManager)
#include "tst_backupmanager.moc"

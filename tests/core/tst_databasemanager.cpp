#include "core/backgroundrow.h"
#include "core/backupmanager.h"
#include "core/databasemanager.h"
#include "core/filekeeper.h"
#include "core/passwordhash.h"
#include "core/rowreader.h"
#include "core/sqliteadapter.h"
#include "core/transaction.h"
#include "repositories/bulkinsert.h"
#include "repositories/expirywarningrepository.h"
#include "tests/support/fulldisk.h"
#include "tests/support/logcapture.h"
#include "tests/support/otherwriter.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"
#include "ui/common/rowtablemodel.h"

#include <QProcess>
#include <QTextCodec>
#include <QtTest>

#include <map>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <thread>

using namespace kestrovalin;
using namespace kestrovalin::repositories;
using namespace kestrovalin::test;

namespace {

// First column of every row, joined by spaces.
QString rows(const QString& sql, IDbAdapter* db = DatabaseManager::instance().getAdapter()) {
    QStringList out;
    QSqlQuery q = db->query(sql);
    while (q.next())
        out.append(q.value(0).toString());
    return out.join(' ');
}

// What a second copy of the program, in a process of its own, prints for the statements.
QString secondCopy(const QString& path, const QStringList& statements) {
    QProcess second;
    second.start(KV_SECOND_COPY, QStringList{path} + statements);
    if (!second.waitForFinished(20000))
        return QStringLiteral("no answer");
    return QString::fromUtf8(second.readAllStandardOutput());
}

// A process on the database file, told what to do a line at a time (see tests/support/secondcopy.cpp).
class Process {
public:
    explicit Process(const QStringList& arguments) { m_process.start(KV_SECOND_COPY, arguments); }
    ~Process() {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    void send(const QString& line) { m_process.write((line + '\n').toUtf8()); }
    // The next line it prints.
    QString answer() {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(20000))
                return QStringLiteral("no answer");
        }
        return QString::fromUtf8(m_process.readLine()).chopped(1);
    }
    QString tell(const QString& line) {
        send(line);
        return answer();
    }
    // Everything it logged, once it ended.
    QString log() {
        m_process.waitForFinished(20000);
        return m_log + QString::fromUtf8(m_process.readAllStandardError());
    }
    // Whether it logged that by now.
    bool logged(const QString& text) {
        m_log += QString::fromUtf8(m_process.readAllStandardError());
        return m_log.contains(text);
    }

private:
    QProcess m_process;
    QString m_log;
};

// A statement that saves that many customers of one name, in one transaction.
QString customersSql(const QString& name, int count) {
    return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                          "INSERT INTO customer (name, remark) SELECT '%2', hex(zeroblob(200)) FROM n")
        .arg(count)
        .arg(name);
}

// How often SQLite's file layer slept (a busy handler waiting) while work ran on this thread.
int sleepsDuring(const std::function<void()>& work) {
    static int sleeps = 0;
    static int (*sleep)(sqlite3_vfs*, int) = nullptr;
    sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    sleep = vfs->xSleep;
    sleeps = 0;
    vfs->xSleep = [](sqlite3_vfs* self, int microseconds) {
        ++sleeps;
        return sleep(self, microseconds);
    };
    work();
    vfs->xSleep = sleep;
    return sleeps;
}

// Writes an older layout straight into a file, then opens it the way start-up does.
bool openOldFile(const QTemporaryDir& dir, const QStringList& statements) {
    DatabaseManager::instance().shutdown();
    bool ok = true;
    {
        SQLiteAdapter raw;
        ok = raw.connect(dir.filePath("old.db"));
        for (const QString& statement : statements)
            ok = ok && raw.execute(statement);
    }
    return ok && DatabaseManager::instance().initialize(dir.filePath("old.db"));
}

const QString kOldPrescription =
    "CREATE TABLE prescription (id INTEGER PRIMARY KEY AUTOINCREMENT, prescription_no TEXT NOT NULL UNIQUE, "
    "doctor_name TEXT NOT NULL, doctor_title TEXT, hospital_name TEXT, patient_name TEXT NOT NULL, "
    "patient_age INTEGER, patient_gender TEXT, diagnosis TEXT, created_at DATETIME NOT NULL DEFAULT "
    "CURRENT_TIMESTAMP, valid_until DATE, status TEXT NOT NULL DEFAULT 'valid', used_count INTEGER NOT NULL "
    "DEFAULT 0, created_by INTEGER, review_by INTEGER, review_time DATETIME)";
const QString kOldMaintenance =
    "CREATE TABLE maintenance_check (id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "check_month TEXT, check_date DATE, operator_id INTEGER, created_at DATETIME)";

// Overwrites the first page of a table in the file, as a failing disk would.
void damageTable(TestDatabase& t, const char* table) {
    t.exec("PRAGMA wal_checkpoint(TRUNCATE)");
    const qint64 page = t.scalar("PRAGMA page_size").toLongLong();
    const qint64 root = t.scalar("SELECT rootpage FROM sqlite_master WHERE name = ?", {table}).toLongLong();
    QFile file(t.path());
    QVERIFY(file.open(QIODevice::ReadWrite) && file.seek((root - 1) * page));
    QCOMPARE(file.write(QByteArray(int(page), '\xff')), page);
}

} // namespace

// The adapter, the database manager with its schema and seeds, and the migrations of older layouts.
class TestDataStore : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { DatabaseManager::instance().shutdown(); }

    // Two files open at once (one in a folder that did not exist), in WAL mode; a failed statement is logged
    // with its SQL. The adapter drops its own handle before removing the connection, so Qt does not warn.
    void adapter() {
        QTemporaryDir dir;
        LogCapture log;
        {
            SQLiteAdapter a, b;
            QVERIFY(a.connect(dir.filePath("deep/er/a.db")) && b.connect(dir.filePath("b.db")));
            QVERIFY(a.execute("CREATE TABLE t (x INTEGER)") && a.execute("INSERT INTO t VALUES (?)", {7}) &&
                    b.execute("CREATE TABLE t (x INTEGER)"));
            QCOMPARE(rows("SELECT x FROM t", &a) + rows("SELECT x FROM t", &b) +
                         rows("PRAGMA journal_mode", &b),
                     QString("7wal"));
            QVERIFY(!a.execute("INSERT INTO nowhere VALUES (1)") && !a.query("SELEC broken").isActive());
        }
        QCOMPARE(log.count(QtWarningMsg, "SQLite Execute Error:") +
                     log.count(QtWarningMsg, "SQL: SELEC broken"),
                 2);
        QCOMPARE(log.count("still in use"), 0);
    }

    // A statement that cannot be prepared is logged with the driver's reason, not Qt's "No query".
    void unpreparedStatementsLogTheReason_data() {
        QTest::addColumn<bool>("viaQuery");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("reason");
        QTest::newRow("execute, missing table") << false << "INSERT INTO t VALUES (1)"
                                                << "no such table: t";
        QTest::newRow("query, missing table") << true << "SELECT x FROM t"
                                              << "no such table: t";
        QTest::newRow("query, syntax") << true << "SELEC 1"
                                       << "near \"SELEC\": syntax error";
        QTest::newRow("execute, missing column") << false << "UPDATE sys_user SET colour = 1"
                                                 << "no such column: colour";
    }
    void unpreparedStatementsLogTheReason() {
        QFETCH(bool, viaQuery);
        QFETCH(QString, sql);
        QFETCH(QString, reason);
        TestDatabase t;
        LogCapture log;
        const bool ran = viaQuery ? t.db()->query(sql).isActive() : t.db()->execute(sql);
        QCOMPARE(ran, false);
        QVERIFY2(log.count(QtWarningMsg, reason) == 1, qPrintable(log.dump()));
        QCOMPARE(log.count("No query"), 0);
        QCOMPARE(log.count("SQL: " + sql), 1);
    }

    // A write meets trouble of the file itself: it waits out another program's short lock (also after it has
    // read), and when it still fails it says the file's reason in the user's words, never a business one. A
    // file replaced under the program keeps the file at the path as it was put there: a file renamed over it
    // (or the path removed) gets nothing of the program's write-ahead log, which goes with the old file into
    // a copy that the refusal names, also while the program itself reads (the read stops) or another
    // connection reads (not waited for): the log is emptied within a second of the read's end. A copy never
    // says it holds saves another program took from the log before the program could. A restore copied over
    // the same file and its side files removed gets nothing either, while a log removed alone goes into the
    // very file the program last wrote. Seen by a second copy of the program meanwhile and after every copy
    // closed.
    void writesSayWhatStoppedThem_data() {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("reason"); // empty: the write went through
        QTest::newRow("lock released while waiting") << QString("short lock") << "";
        QTest::newRow("lock held past the wait")
            << QString("long lock") << "数据库正被其他程序占用，请稍后重试";
        QTest::newRow("read-only open") << QString("read-only") << "数据库文件只读，无法保存，请检查文件权限";
        QTest::newRow("no room left") << QString("full") << "磁盘空间不足，无法保存";
        const QString replaced = "数据库文件已被其他程序替换，本次修改未保存，请重新启动程序";
        const QString kept = replaced + "\n替换前本程序保存的数据已另存为：BACKUP";
        QTest::newRow("another file renamed over it") << QString("replaced") << kept;
        QTest::newRow("file removed") << QString("removed") << kept;
        QTest::newRow("renamed over after saves") << QString("renamed") << kept;
        QTest::newRow("renamed over while the program sits idle") << QString("renamed, idle") << kept;
        QTest::newRow("renamed over by a bigger file, another copy reads it meanwhile")
            << QString("renamed, bigger") << kept;
        QTest::newRow("renamed over, a worker starts before the program notices")
            << QString("renamed, worker first") << kept;
        QTest::newRow("renamed over, the backup folder full")
            << QString("renamed, full backup")
            << replaced + "\n替换前本程序保存的数据未能另存到：BACKUP_"
                          "FOLDER（磁盘空间不足），目前只在运行中的本程序里。"
                          "本程序会自动重试。";
        QTest::newRow("renamed over, a second copy starts meanwhile")
            << QString("renamed, second copy") << kept;
        QTest::newRow("renamed over while another connection reads")
            << QString("renamed, read meanwhile") << kept;
        QTest::newRow("renamed over while another connection reads, another program saves")
            << QString("renamed, saved by another, read meanwhile") << kept;
        QTest::newRow("renamed over during an unfinished read of the program")
            << QString("renamed, own read") << kept;
        QTest::newRow("renamed over while a worker reads an older snapshot")
            << QString("renamed, older snapshot") << kept;
        QTest::newRow("renamed over, the program reads on") << QString("renamed, reads on") << kept;
        QTest::newRow("renamed over while the day's copy is made") << QString("renamed, day's copy") << kept;
        QTest::newRow("renamed over while a write runs the event loop")
            << QString("renamed, write open")
            << replaced +
                   "\n替换前本程序最后保存的数据可能已被其他程序写入现在的数据库文件，该文件可能因此损坏；"
                   "替换前的文件已另存为："
                   "BACKUP（可能缺少这些数据）";
        QTest::newRow("restored in place, side files removed") << QString("restored") << replaced;
        QTest::newRow("restored with cp -p, side files removed") << QString("restored, cp -p") << replaced;
        QTest::newRow("restored with cp -p from a byte copy, side files removed")
            << QString("restored, byte copy, cp -p") << replaced;
        QTest::newRow("write-ahead log removed alone after saves")
            << QString("log removed")
            << replaced + "\n数据库文件旁的日志文件（-wal）被删除；"
                          "本程序已将之前保存的数据写入数据库文件，没有丢失。";
        QTest::newRow("write-ahead log removed alone after a checkpoint of its own")
            << QString("log removed, past a checkpoint")
            << replaced + "\n数据库文件旁的日志文件（-wal）被删除；"
                          "本程序已将之前保存的数据写入数据库文件，没有丢失。";
        QTest::newRow("damaged table page")
            << QString("damaged") << "数据库文件已损坏或不是本程序的数据库，无法读写，请从备份恢复";
    }
    void writesSayWhatStoppedThem() {
        QFETCH(QString, trouble);
        QFETCH(QString, reason);
        PinnedClock pin(QDateTime(QDate(2026, 3, 7), QTime(9, 5, 2)));
        std::optional<ShortBusyWait> shortWait;
        if (trouble.endsWith("meanwhile"))
            shortWait.emplace();
        TestDatabase t;
        reason.replace("BACKUP_FOLDER", t.folder() + "/backup");
        reason.replace("BACKUP", t.folder() + "/backup/kestrovalin_replaced_20260307_090502.db");
        std::optional<SmallDisk> disk;
        if (trouble.endsWith("full backup")) {
            QVERIFY(QDir(t.folder()).mkdir("backup"));
            disk.emplace(t.folder() + "/backup");
            if (!disk->mounted)
                QSKIP("mounting a small file system needs root");
        }
        if (trouble == "damaged")
            damageTable(t, "product");
        // Saves of the program itself, still in its write-ahead log when the other file comes.
        const bool saved = trouble.startsWith("renamed") || trouble.startsWith("restored") ||
                           trouble.startsWith("log removed");
        const QString otherFile = saved ? copyOf(t.db(), t.path()) : QString();
        // Another connection of the program (the day's copy) reading from before the saves, or in the middle
        // of a read after them, holding the log back for now.
        sqlite3* reader = nullptr;
        std::optional<WorkerRead> worker;
        const auto startReading = [&reader] {
            QVERIFY(sqlite3_exec(reader, "BEGIN; SELECT COUNT(*) FROM product", nullptr, nullptr, nullptr) ==
                    SQLITE_OK);
        };
        if (trouble.endsWith("older snapshot")) {
            worker.emplace();
            QVERIFY(sqlite3_open(QFile::encodeName(t.path()).constData(), &reader) == SQLITE_OK);
            startReading();
        }
        // The file the program has open holds the layout and the seeds, its log the saves; the file renamed
        // in is a copy of its bytes, so that pages another program writes into it fit the program's file too.
        if (trouble.endsWith("bigger")) { // a sound file in write-ahead-log mode, larger than the program's
            sqlite3* other = nullptr;
            QVERIFY(sqlite3_open(QFile::encodeName(otherFile).constData(), &other) == SQLITE_OK);
            QCOMPARE(
                sqlite3_exec(other,
                             "PRAGMA journal_mode = WAL; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT "
                             "i + 1 FROM n WHERE i < 3000) INSERT INTO customer (name, remark) SELECT "
                             "'张三' || i, hex(zeroblob(200)) FROM n",
                             nullptr, nullptr, nullptr),
                SQLITE_OK);
            sqlite3_close(other);
            QVERIFY(QFileInfo(otherFile).size() > 2 * QFileInfo(t.path()).size());
        }
        if (trouble.endsWith("write open") || trouble.contains("saved by another") || disk) {
            t.exec("PRAGMA wal_checkpoint(TRUNCATE)");
            QVERIFY(QFile::remove(otherFile) && QFile::copy(t.path(), otherFile));
        }
        // The file's own bytes as the program last wrote it: of its size, only its change time differs.
        if (trouble.contains("byte copy"))
            QVERIFY(QFile::remove(otherFile) && QFile::copy(t.path(), otherFile));
        if (trouble.endsWith("past a checkpoint")) // more pages than SQLite lets the log hold
            t.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1200) "
                   "INSERT INTO customer (name, remark) SELECT '张三' || i, hex(zeroblob(2000)) FROM n");
        if (saved)
            t.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20) "
                   "INSERT INTO product (name) SELECT '阿莫西林胶囊' || i FROM n");
        setBusyTimeoutForTesting(trouble == "long lock" ? 50 : 0);
        setOpenReadOnlyForTesting(trouble == "read-only");
        SQLiteAdapter own;
        IDbAdapter* a = saved ? t.db() : &own;
        const bool opened = saved || own.connect(t.path());
        setBusyTimeoutForTesting(0);
        setOpenReadOnlyForTesting(false);
        QVERIFY(opened);
        // Kept as the program keeps its file; the user is told once.
        int notices = 0;
        const auto notice = [&notices] {
            ++notices;
        };
        DatabaseManager::instance().setReplacementNotice(notice);
        const auto noNotice = qScopeGuard([] { DatabaseManager::instance().setReplacementNotice(nullptr); });
        std::optional<FileKeeper> keeper;
        if (!saved) {
            keeper.emplace(own);
            keeper->setNotice(notice);
        }
        std::optional<OtherWriter> other;
        if (trouble.endsWith("lock"))
            other.emplace(t.path());
        std::thread release;
        if (trouble == "short lock")
            release = std::thread([&other] {
                QThread::msleep(100);
                other->release();
            });
        if (trouble == "full")
            QVERIFY(a->execute("PRAGMA max_page_count = " + t.scalar("PRAGMA page_count").toString()));
        if (trouble.endsWith("read meanwhile")) {
            QVERIFY(sqlite3_open(QFile::encodeName(t.path()).constData(), &reader) == SQLITE_OK);
            startReading();
        }
        // A read of the program's own connection under way (an export writing its rows).
        QSqlQuery ownRead;
        if (trouble.endsWith("own read")) {
            ownRead = a->readOnce("SELECT p.id FROM product p, product q");
            QVERIFY(ownRead.next());
        }
        // A long list shown (counted), and a lookup prepared, before the file is replaced.
        RowTableModel list({"品名"});
        ListQuery pairs;
        pairs.columns = "p.name";
        pairs.from = "FROM product p, product q";
        pairs.order = {{"p.id"}, {"q.id"}};
        const auto name = [](const Row& row) {
            return TableRow(-1, QStringList{row.at(0).toString()});
        };
        QSqlQuery lookup(a->getQtDatabase());
        if (trouble.endsWith("reads on")) {
            list.setQuery(pairs, name);
            QTRY_VERIFY(list.countKnown());
            QVERIFY(lookup.prepare("SELECT name FROM product WHERE id = ?"));
        }
        // A count on a worker connection, under way as the file is replaced.
        std::optional<std::optional<QVector<QVariant>>> counted;
        std::optional<BackgroundRow> count;
        if (trouble.endsWith("reads on")) {
            count.emplace(
                this, t.path(),
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000000000) "
                "SELECT COUNT(*) FROM n WHERE i > (SELECT COUNT(*) FROM product)",
                QList<QVariant>{}, [&counted](const auto& values) { counted = values; });
            QTRY_VERIFY(WorkerRead::count() > 0);
            QTest::qWait(100); // into its statement, which would run far past any wait of the test
        }
        LogCapture log;
        if (trouble == "replaced")
            renameCopyOver(a, t.path());
        if (trouble.startsWith("renamed") && !trouble.endsWith("write open") &&
            !trouble.endsWith("day's copy"))
            renameOver(otherFile, t.path());
        if (trouble.endsWith("reads on")) {
            // The list read again while the program notices: the read stops, the list keeps what it shows.
            int built = 0;
            list.setQuery(pairs, [&](const Row& row) {
                if (++built == 2)
                    DatabaseManager::instance().lookForReplacement();
                return name(row);
            });
            QVERIFY(list.countKnown());
            QCOMPARE(list.rowCount(), 400);
            QCOMPARE(log.count(QtWarningMsg, "A read of the program stopped: the database file was replaced; "
                                             "SQL: SELECT p.name"),
                     1);
            // Reads begun afterwards fail at once: a lookup prepared before, a count. An export of the list
            // fails before it reads: the list knows it could not be read.
            QVERIFY(!list.visitAll([](int, const TableRow&) { return true; }));
            lookup.addBindValue(1);
            QVERIFY(!lookup.exec());
            QVERIFY(!a->query("SELECT COUNT(*) FROM product").isActive());
            QCOMPARE(databaseFailureReason(a), QString(reason).replace("本次修改未保存", "未能读取记录"));
            QCOMPARE(log.count(QtWarningMsg, "was replaced; the read was refused"), 1);
            // The count stops and gives nothing: what it read may be another file's.
            QTRY_VERIFY(counted.has_value());
            QVERIFY(!counted->has_value());
        }
        if (trouble.endsWith("day's copy")) {
            // Renamed over and noticed between two steps of the copy, which is then not kept.
            int steps = 0;
            BackupManager::setCopyStepForTesting(1, [&] {
                if (++steps != 2)
                    return;
                renameOver(otherFile, t.path());
                DatabaseManager::instance().lookForReplacement();
            });
            const bool copied = BackupManager::instance().copyFile(t.path(), t.folder() + "/day.db");
            BackupManager::setCopyStepForTesting(0, nullptr);
            QVERIFY(!copied && !QFileInfo::exists(t.folder() + "/day.db"));
            QCOMPARE(log.count(QtCriticalMsg, "the database file was replaced while it was copied"), 1);
        }
        if (trouble == "restored")
            copyInPlace(otherFile, t.path());
        if (trouble.endsWith("cp -p")) { // times set back: only the change time tells
            QCOMPARE(QProcess::execute("cp", {"-p", otherFile, t.path()}), 0);
            QVERIFY(QFile::remove(t.path() + "-wal") && QFile::remove(t.path() + "-shm"));
        }
        if (trouble == "removed")
            QVERIFY(QFile::remove(t.path()));
        if (trouble.startsWith("log removed")) // a large "temporary" file cleared away
            QVERIFY(QFile::remove(t.path() + "-wal"));
        if (trouble.endsWith("worker first")) { // the day's copy would read the new file
            QVERIFY(!a->isReplaced());
            QVERIFY(!BackupManager::instance().copyFile(t.path(), t.folder() + "/day.db"));
            QCOMPARE(log.count("the database file was replaced while the program has it open"), 1);
        }
        if (trouble.endsWith("idle")) { // noticed without a write; another program opens the path later
            QTest::qWait(1500);
            QVERIFY(!a->replacedFileCopy().path.isEmpty());
            QCOMPARE(secondCopy(t.path(), {"SELECT COUNT(*) FROM product"}), QString("0\n"));
        }
        if (trouble.endsWith(
                "bigger")) { // another copy, started as the notice asks, reads the new file whole
            DatabaseManager::instance().lookForReplacement();
            QVERIFY(!a->replacedFileCopy().path.isEmpty());
            QCOMPARE(secondCopy(t.path(), {"SELECT COUNT(*) FROM customer WHERE name LIKE '张三%'",
                                           "PRAGMA quick_check"}),
                     QString("3000\nok\n"));
        }
        if (trouble.endsWith("own read")) { // noticed while the read runs, which stops at its next row
            QTest::qWait(1500); // the look of every second, whether or not the folder's watch told
            int read = 1;
            while (ownRead.next())
                ++read;
            QVERIFY2(read < 400, qPrintable(QString::number(read)));
        }
        if (trouble.endsWith("older snapshot")) { // noticed without waiting for the reader
            // The look must not wait at all, whatever busy handler it sets: the system's sleeps are counted.
            const int waits = sleepsDuring([] { DatabaseManager::instance().lookForReplacement(); });
            QCOMPARE(waits, 0);
            QVERIFY(sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK);
        }
        if (trouble.endsWith("own read") || trouble.endsWith("older snapshot")) {
            // The read is over: within a second the log at the path is emptied, and another program that
            // opens the path sees the renamed-in file alone.
            ownRead = QSqlQuery();
            QTest::qWait(1500);
            QCOMPARE(secondCopy(t.path(), {"SELECT COUNT(*) FROM product"}), QString("0\n"));
        }
        bool written = false;
        if (trouble.endsWith("write open")) {
            // An import: its transaction stays open while the windows repaint between rows. The file is
            // renamed over meanwhile, and another program reads the path and closes it before the next row.
            QString seenByOther;
            const BulkInsertResult stored = insertEach(
                a, QList<int>{1, 2, 3, 4, 5},
                [a](int) { return a->execute("INSERT INTO customer (name) VALUES ('张三')"); },
                [&](int index) {
                    if (index != 2)
                        return;
                    renameOver(otherFile, t.path());
                    QTest::qWait(1500);
                    seenByOther = secondCopy(t.path(), {"SELECT COUNT(*) FROM product"});
                });
            QCOMPARE(int(stored.outcome), int(BulkInsertResult::Outcome::Stopped));
            QCOMPARE(stored.stored, 2);
            QCOMPARE(seenByOther, QString("20\n"));
            QCOMPARE(stored.reason, reason);
        } else {
            Transaction tx(a);
            written = tx.isActive() && a->query("SELECT COUNT(*) FROM product").isActive() &&
                      a->execute("INSERT INTO product (name, specification) VALUES ('阿莫西林胶囊', "
                                 "hex(zeroblob(20000)))") &&
                      tx.commit();
        }
        if (release.joinable())
            release.join();
        QCOMPARE(written, reason.isEmpty());
        if (!trouble.endsWith("write open"))
            QCOMPARE(databaseFailureReason(a), reason);
        if (trouble.contains("saved by another")) {
            // Saved into the log at the path, which is no longer the program's alone; the read ends and the
            // program looks again while that program still has the file open.
            QProcess second;
            second.start(KV_SECOND_COPY, {t.path(), "INSERT INTO product (name) VALUES ('布洛芬')", "WAIT"});
            QByteArray said;
            QTRY_VERIFY_WITH_TIMEOUT((said += second.readAll()).endsWith("waiting\n"), 20000);
            QCOMPARE(said, QByteArray("\nwaiting\n"));
            sqlite3_close(std::exchange(reader, nullptr));
            DatabaseManager::instance().lookForReplacement();
            second.write("\n");
            QVERIFY(second.waitForFinished(20000));
            // That program read the log at the path with the program's saves in it, and may write them into
            // the file renamed in.
            reason +=
                "；其他程序在替换后先打开了现在的数据库文件，这些数据可能也已被写入其中，该文件可能因此损坏";
        }
        if (trouble.endsWith("second copy"))
            QCOMPARE(secondCopy(t.path(), {"SELECT COUNT(*) FROM product",
                                           "INSERT INTO product (name) VALUES ('布洛芬')"}),
                     QString("0\n\n"));
        sqlite3* otherProgram = nullptr;
        if (disk) { // room made: the copy follows without a further save
            // Another program writes to the renamed-in file first, and keeps that in the log at the path.
            QVERIFY(sqlite3_open(QFile::encodeName(t.path()).constData(), &otherProgram) == SQLITE_OK &&
                    sqlite3_exec(otherProgram, "INSERT INTO product (name) VALUES ('布洛芬')", nullptr,
                                 nullptr, nullptr) == SQLITE_OK);
            QVERIFY(QProcess::execute("mount", {"-o", "remount,size=8m", disk->folder}) == 0);
            QTRY_VERIFY_WITH_TIMEOUT(!a->replacedFileCopy().path.isEmpty(), 5000);
            reason = reason.section('\n', 0, 0) + "\n替换前本程序保存的数据已另存为：" +
                     a->replacedFileCopy().path;
        }
        if (!reason.startsWith("数据库文件已被其他程序替换")) {
            QCOMPARE(notices, 0);
            return;
        }
        QCOMPARE(notices, 1);
        // A worker connection of the program (the day's copy) opens the path no more.
        QVERIFY(!saved || !BackupManager::instance().copyFile(t.path(), t.folder() + "/day.db"));
        // A statement on its own is refused as well, and logged as what it met.
        QVERIFY(!a->execute("INSERT INTO product (name) VALUES ('布洛芬')"));
        QCOMPARE(databaseFailureReason(a), reason);
        const QString keptCopy = a->replacedFileCopy().path;
        QCOMPARE(log.count(QtWarningMsg, "it is tried again every second"),
                 reader || trouble.endsWith("read meanwhile") || trouble.endsWith("own read") ||
                         trouble.endsWith("reads on") || trouble.endsWith("day's copy")
                     ? 1
                     : 0);
        if (worker)
            QCOMPARE(
                log.count(QtWarningMsg, "held back by a read of the program itself on another connection"),
                1);
        sqlite3_close(reader); // done reading: the log is emptied at the next look
        sqlite3_close(otherProgram);
        own.disconnect();
        DatabaseManager::instance().shutdown();
        QVERIFY2(log.count("constraint failed") + log.count("PRAGMA optimize") == 0, qPrintable(log.dump()));
        if (trouble.startsWith("restored")) { // the restored file exactly as it was put there
            QFile file(t.path()), copy(otherFile);
            QVERIFY(file.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
            QVERIFY(file.readAll() == copy.readAll());
        }
        SQLiteAdapter fresh;
        QVERIFY(fresh.connect(t.path()));
        // The renamed-in file holds no drugs; the second copy, or another program, saved one into it. A log
        // removed alone went into the file: every save is at the path; so did the log that another program
        // took while the program's write was open, as the refusal said.
        if (trouble.startsWith("log removed") || trouble.endsWith("write open")) // there another program did
            QCOMPARE(rows("SELECT COUNT(*) FROM product", &fresh), QString("20"));
        else if (trouble.contains("saved by another"))
            QCOMPARE(rows("SELECT COUNT(*) FROM product WHERE name = '布洛芬'", &fresh), QString("1"));
        else
            QCOMPARE(rows("SELECT name FROM product", &fresh),
                     QString(trouble.endsWith("second copy") || disk ? "布洛芬" : ""));
        if (saved && !keptCopy.isEmpty()) {
            // The kept copy is a file of its own, in the ordinary journal mode, with exactly the saves made
            // before the replacement; or, as it says, without those another program took.
            QFile header(keptCopy);
            QVERIFY(header.open(QIODevice::ReadOnly));
            QCOMPARE(header.read(20).mid(18).toHex(), QByteArray("0101"));
            SQLiteAdapter copy;
            QVERIFY(copy.connect(keptCopy));
            QCOMPARE(rows("SELECT COUNT(*) FROM product", &copy),
                     QString(trouble.endsWith("write open") ? "0" : "20"));
            QCOMPARE(rows("PRAGMA integrity_check", &copy), QString("ok"));
        }
    }

    // Copies of the program on one file, each in a process of its own and looking only when told, and
    // another program that opens the file renamed over it and saves there. Whatever the order, the log at
    // the path is emptied by one copy at most, while it is still the old file's; every later copy follows
    // what that one decided, leaves the log and the shared index at the path alone and keeps its copy from
    // the old file's bytes. The other program's rows stay at the path, each copy's kept copy holds its saves
    // (or says it may not), no copy says something is lost that is not, and none takes another's name. Where
    // another program opened the file renamed in before any copy looked, SQLite keeps neither file whole, and
    // the words say so: the file at the path may be damaged, and an old file that fails its check is said as
    // such, never as a disk error.
    void copiesAgreeOnAReplacedFilesLog_data() {
        // "same": the copies' file as it was before their saves; "smaller", "bigger": with 3,000 customers
        // fewer or more; "fewer drugs": with 3,000 drugs fewer.
        QTest::addColumn<QString>("renamedIn");
        // What each process is told in turn ("p1 open+": p1 starts and saves; "p1+p2": both at once).
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("words"); // what each copy's notice says of its kept copy
        // The copies' saves found in the file at the path at the end; -1: that file fails its check.
        QTest::addColumn<int>("savesAtPath");
        QTest::addColumn<QString>("logged"); // a line p1 logs
        const QStringList kept{"kept", "kept"};
        const QString firstThenOtherThenSecond =
            "p1 open+; p2 open+; rename; p1 LOOK; other open; other save 500; p2 LOOK";
        QTest::newRow("p1 looks, another program saves, then p2 looks")
            << "same" << firstThenOtherThenSecond << kept << 0 << "";
        QTest::newRow("p1 looks, another program saves 3,000 rows, then p2 looks")
            << "same"
            << "p1 open+; p2 open+; rename; p1 LOOK; other open; other save 3000; p2 LOOK" << kept << 0 << "";
        QTest::newRow("a bigger file renamed in") << "bigger" << firstThenOtherThenSecond << kept << 0 << "";
        QTest::newRow("a smaller file renamed in")
            << "smaller" << firstThenOtherThenSecond << kept << 0 << "";
        QTest::newRow("p2 inside a write transaction at the rename")
            << "same"
            << "p1 open+; p2 open+; p2 BEGIN; p2 INSERT INTO product (name) VALUES ('丙'); rename; p1 LOOK; "
               "p2 COMMIT > refused; p2 ROLLBACK; other open; other save 500; p1 LOOK"
            << kept << 0 << "";
        QTest::newRow("p1 and p2 look at once")
            << "same"
            << "p1 open+; p2 open+; rename; p1+p2 LOOK; other open; other save 500; p1+p2 LOOK" << kept << 0
            << "";
        QTest::newRow("p2 alone looks, p1 first at its close")
            << "same"
            << "p1 open+; p2 open+; rename; p2 LOOK; other open; other save 3000"
            << QStringList{"unsaid", "kept"} << 0 << "";
        // Its read held p1's emptying back; its save then made the log its own.
        QTest::newRow("p1 finds the log taken on by another program, then p2")
            << "same"
            << "p1 open+; p2 open+; rename; other open; other BEGIN; other SELECT COUNT(*) FROM product; "
               "p1 LOOK; other save 500; other COMMIT; p1 LOOK; p2 LOOK"
            << QStringList{"also at the path", "also at the path"} << 0
            << "The write-ahead log of the replaced database file was taken on by another program";
        // Its close wrote the log at the path into the file renamed in, and removed it: p2's saves are in
        // that file, and the old one lacks them.
        QTest::newRow("another program opened the file renamed in and closed it before any copy looked")
            << "same"
            << "p2 open+; p1 open; rename; other open; other CLOSE; p1 LOOK; p2 LOOK"
            << QStringList{"also at the path", "may lack"} << 20 << "";
        // Its close wrote the copies' log, of the smaller old file, into the file renamed in, and cut it to
        // the old file's size.
        QTest::newRow("another program opened a bigger file renamed in and closed it before any copy looked")
            << "bigger"
            << "p2 open+; p1 open; rename; other open; other CLOSE; p1 LOOK; p2 LOOK"
            << QStringList{"also at the path", "may lack"} << -1 << "";
        // It read the old file's log and size over the file renamed in and saved there; p1 wrote its pages
        // into the old file, which then fails its check: neither file holds the other program's rows.
        QTest::newRow("another program saved in a smaller file renamed in before any copy looked")
            << "fewer drugs"
            << "p1 open+; p2 open+; p1 PRAGMA wal_checkpoint(TRUNCATE); rename; other open; other save 500; "
               "p1 LOOK; p2 LOOK"
            << QStringList{"unverified", "unverified"} << 0 << "failed its check (it may be damaged)";
        // Removed by hand, with what the copies saved still in it: nothing took that into the file renamed
        // in.
        QTest::newRow("the log removed from the path after the rename")
            << "same"
            << "p1 open+; p2 open+; rename; remove the log; p1 LOOK; p2 LOOK" << kept << 0 << "";
        // The shared index is cleared only under the log's write lock, at a later look.
        QTest::newRow("another program in a write transaction as p1 clears the shared index")
            << "same"
            << "p1 open; p2 open; rename; p1 HOLD; p1 LOOK > emptied; other open; other BEGIN IMMEDIATE; "
               "other save 500; p1 go; other COMMIT; p1 LOOK; p2 LOOK"
            << kept << 0 << "held by another writer; it is cleared at a later look";
        // Every name of the old file may change between the looks: the later copy still follows.
        const QString betweenTheLooks =
            "p1 open+; p2 open+; keep the old file as old.db; rename; p1 LOOK; %1; "
            "other open; other save 500; p2 LOOK";
        QTest::newRow("the old file's other name moved to another folder between the looks")
            << "same" << betweenTheLooks.arg("move old.db to another folder") << kept << 0 << "";
        QTest::newRow("the old file's other name removed between the looks")
            << "same" << betweenTheLooks.arg("remove old.db") << kept << 0 << "";
        QTest::newRow("the old file's other name made read-only between the looks")
            << "same" << betweenTheLooks.arg("make old.db read-only") << kept << 0 << "";
        // While p1 decides, the log at the path became the other program's: p2 must wait for p1's decision.
        const QString whileP1Decides = "p1 open+; p2 open+; rename; p1 HOLD; p1 LOOK > emptied; other open; "
                                       "other save 500; %1; p1 go; p1 LOOK";
        QTest::newRow("p2 looks while p1 decides")
            << "same" << whileP1Decides.arg("p2 LOOK") + "; p2 LOOK" << kept << 0 << "";
        QTest::newRow("p2 closes while p1 decides")
            << "same" << whileP1Decides.arg("p2 CLOSE, waiting for p1") << QStringList{"kept", "closed"} << 0
            << "";
    }
    void copiesAgreeOnAReplacedFilesLog() {
        QFETCH(QString, renamedIn);
        QFETCH(QString, steps);
        QFETCH(QStringList, words);
        QFETCH(int, savesAtPath);
        QFETCH(QString, logged);
        TestDatabase t;
        const QString path = t.path();
        DatabaseManager::instance().shutdown();
        const QString newFile = path + ".other";
        QVERIFY(QFile::copy(path, newFile));
        if (renamedIn == "fewer drugs")
            QCOMPARE(
                secondCopy(path, {"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                                  "3000) INSERT INTO product (name, specification) SELECT '丁' || i, "
                                  "hex(zeroblob(200)) FROM n"}),
                QString("\n"));
        else if (renamedIn != "same")
            QCOMPARE(secondCopy(renamedIn == "bigger" ? newFile : path, {customersSql("张三", 3000)}),
                     QString("\n"));
        const QStringList names{"p1", "p2"};
        const QMap<QString, QString> saved{{"p1", "甲"}, {"p2", "乙"}};
        std::map<QString, std::unique_ptr<Process>> copies;
        std::unique_ptr<Process> other;
        int otherRows = 0;
        for (const QString& step : steps.split("; ")) {
            const QString actor = step.section(' ', 0, 0);
            QString command = step.section(' ', 1).section(" > ", 0, 0);
            const QString expected = step.section(" > ", 1);
            QString said;
            if (step == "rename") {
                renameOver(newFile, path);
                continue;
            } else if (step == "remove the log") {
                QVERIFY(QFile::remove(path + "-wal"));
                continue;
            } else if (step == "keep the old file as old.db") {
                QVERIFY(QFile::rename(path, t.folder() + "/old.db"));
                continue;
            } else if (step == "move old.db to another folder") {
                QVERIFY(QDir(t.folder()).mkdir("elsewhere") &&
                        QFile::rename(t.folder() + "/old.db", t.folder() + "/elsewhere/old.db"));
                continue;
            } else if (step == "remove old.db") {
                QVERIFY(QFile::remove(t.folder() + "/old.db"));
                continue;
            } else if (step == "make old.db read-only") {
                QVERIFY(QFile::setPermissions(t.folder() + "/old.db", QFile::ReadOwner));
                continue;
            } else if (command == "CLOSE, waiting for p1") {
                // Sent now, answered once p1 decided.
                copies[actor]->send("CLOSE");
                QTRY_VERIFY_WITH_TIMEOUT(copies[actor]->logged("this copy waits for its decision"), 20000);
                continue;
            } else if (actor == "other" && command == "open") {
                other = std::make_unique<Process>(QStringList{"--other", path});
                said = other->answer();
            } else if (actor == "other") {
                if (command.startsWith("save ")) {
                    otherRows += command.mid(5).toInt();
                    command = customersSql("王五", command.mid(5).toInt());
                }
                said = other->tell(command);
            } else if (command.startsWith("open")) {
                const QString save =
                    QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                            "WHERE i < 20) INSERT INTO product (name) SELECT '%1' || i FROM n")
                        .arg(saved[actor]);
                copies[actor] = std::make_unique<Process>(QStringList{
                    path, command.endsWith('+') ? save : "SELECT COUNT(*) FROM product", "SERVE"});
                said = copies[actor]->answer();
            } else if (actor.contains('+')) { // looks at once
                for (const QString& name : actor.split('+'))
                    copies[name]->send(command);
                for (const QString& name : actor.split('+'))
                    QCOMPARE(copies[name]->answer(), QString("looked"));
                continue;
            } else if (command == "go") {
                said = copies[actor]->tell(QString());
            } else {
                said = copies[actor]->tell(command);
            }
            if (!expected.isEmpty())
                QVERIFY2(said.startsWith(expected), qPrintable(step + ": " + said));
            else
                QVERIFY2(!said.startsWith("refused") && !said.startsWith("no answer"),
                         qPrintable(step + ": " + said));
        }
        // The copies close, then the other program.
        QStringList keptCopies;
        for (const QString& name : names) {
            Process& copy = *copies[name];
            const QString kind = words.at(names.indexOf(name));
            const QString notice = kind == "closed" ? QString() : copy.tell("NOTICE");
            QCOMPARE(kind == "closed" ? copy.answer() : copy.tell("CLOSE"), QString("closed"));
            const QString log = copy.log();
            const QString keptLine = "The data of the replaced database file is kept in ";
            QCOMPARE(log.count(keptLine), kind == "unverified" ? 0 : 1);
            const QString keptCopy = log.section(keptLine, 1).section('\n', 0, 0);
            keptCopies << keptCopy;
            QString said = "数据库文件已被其他程序替换，本程序不再读写它，请关闭本程序后重新启动";
            if (kind == "kept")
                said += " | 替换前本程序保存的数据已另存为：" + keptCopy;
            else if (kind == "may lack")
                said +=
                    " | 替换前本程序最后保存的数据可能已被其他程序写入现在的数据库文件，该文件可能因此损坏；"
                    "替换前的文件已另存为：" +
                    keptCopy + "（可能缺少这些数据）";
            else if (kind == "also at the path")
                said += " | 替换前本程序保存的数据已另存为：" + keptCopy +
                        "；其他程序在替换后先打开了现在的数据库文件，"
                        "这些数据可能也已被写入其中，该文件可能因此损坏";
            else if (kind == "unverified")
                said +=
                    " | 替换前的数据库文件未通过检查，其中的数据无法确认完好（可能已损坏），未能另存到：" +
                    t.folder() +
                    "/backup。其他程序可能在本程序发现替换之前打开了现在的数据库文件，"
                    "该文件也可能已损坏。";
            if (kind != "closed")
                QCOMPARE(notice, said);
            QVERIFY2(log.contains("lost") == (kind == "unverified"), qPrintable(log));
            QVERIFY2(log.contains("taken on by another program") ==
                         (name == "p1" && logged.contains("taken on")),
                     qPrintable(log));
            if (name == "p1" && !logged.isEmpty())
                QVERIFY2(log.contains(logged), qPrintable(log));
            if (keptCopy.isEmpty())
                continue;
            // The kept copy holds the saves of this copy, unless it says it may not.
            const QString checked =
                secondCopy(keptCopy, {"PRAGMA quick_check",
                                      "SELECT COUNT(*) FROM product WHERE name LIKE '" + saved[name] + "%'"});
            QCOMPARE(checked.section('\n', 0, 0), QString("ok"));
            if (kind != "may lack")
                QCOMPARE(checked.section('\n', 1, 1), QString(steps.contains(name + " open+;") ? "20" : "0"));
        }
        QVERIFY(keptCopies.at(0) != keptCopies.at(1) || keptCopies.at(0).isEmpty());
        if (other)
            QVERIFY(!other->tell("CLOSE").startsWith("refused"));
        other.reset();
        const QString checked = secondCopy(path, {"PRAGMA quick_check"});
        if (savesAtPath < 0) {
            QVERIFY2(checked != "ok\n", qPrintable(checked));
            return;
        }
        // The file at the path holds what was put there and the other program's rows, all of them; unless
        // a copy took them from the log into the old file.
        QCOMPARE(checked, QString("ok\n"));
        QCOMPARE(secondCopy(path, {"SELECT COUNT(*) FROM customer WHERE name = '王五'",
                                   "SELECT COUNT(*) FROM customer WHERE name = '张三'",
                                   "SELECT COUNT(*) FROM product WHERE name LIKE '甲%' OR name LIKE '乙%'"}),
                 QString("%1\n%2\n%3\n")
                     .arg(words.contains("unverified") ? 0 : otherRows)
                     .arg(renamedIn == "bigger" ? 3000 : 0)
                     .arg(savesAtPath));
    }

    // A file replaced, kept aside, put back and opened again, then replaced once more: what was noted about
    // it the first time is no decision for the copy that opened it since, which empties its own log; the next
    // opener reads the file now at the path without that copy's saves.
    void anOldFilePutBackIsDecidedAgain() {
        TestDatabase t;
        const QString path = t.path();
        const QString saveSql = "INSERT INTO product (name) VALUES ('乙')";
        for (const QString& copy : {path + ".first", path + ".second"})
            QVERIFY(t.db()->execute("VACUUM INTO ?", {copy}));
        QVERIFY(QFile::rename(path, t.folder() + "/old.db"));
        renameOver(path + ".first", path);
        DatabaseManager::instance().lookForReplacement();
        DatabaseManager::instance().shutdown();
        renameOver(t.folder() + "/old.db", path);
        LogCapture log;
        SQLiteAdapter copy;
        QVERIFY(copy.connect(path));
        FileKeeper keeper(copy);
        QVERIFY(copy.execute(saveSql));
        renameOver(path + ".second", path);
        keeper.look();
        QVERIFY2(log.contains("written into the replaced database file and emptied"), qPrintable(log.dump()));
        QCOMPARE(secondCopy(copy.replacedFileCopy().path, {"SELECT COUNT(*) FROM product WHERE name = '乙'"}),
                 QString("1\n"));
        copy.disconnect();
        QCOMPARE(secondCopy(path, {"PRAGMA quick_check", "SELECT COUNT(*) FROM product WHERE name = '乙'"}),
                 QString("ok\n0\n"));
    }

    // Two copies of the program keep a replaced file in the same second: the later one takes the next name
    // and removes nothing of the other's.
    void keptCopiesLeaveEachOthersName() {
        PinnedClock pin(QDateTime(QDate(2026, 3, 7), QTime(9, 5, 2)));
        TestDatabase t;
        const QString others = t.folder() + "/backup/kestrovalin_replaced_20260307_090502.db";
        BackupManager::setCopyStepForTesting(1, [&others] {
            QFile file(others); // kept by the other copy while this one copies
            if (!file.exists() && file.open(QIODevice::WriteOnly))
                file.write("the other copy's");
        });
        DbCondition failure = DbCondition::None;
        const QString kept = BackupManager::instance().keepReplacedFile(sqliteHandle(t.db()->getQtDatabase()),
                                                                        t.path(), false, &failure);
        BackupManager::setCopyStepForTesting(0, nullptr);
        QCOMPARE(kept, t.folder() + "/backup/kestrovalin_replaced_20260307_090502_2.db");
        QFile file(others);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("the other copy's"));
        QCOMPARE(secondCopy(kept, {"SELECT COUNT(*) FROM sys_user WHERE username = 'admin'"}),
                 QString("1\n"));
    }

    // A second start changes nothing and the seeds are there once. A clerk admin is repaired to manager
    // and stays disabled; a second default customer appears only when none is flagged.
    void freshFileAndSeeds() {
        TestDatabase t;
        const QString before = rows("SELECT sql FROM sqlite_master ORDER BY name");
        QVERIFY(DatabaseManager::instance().migrateSchema());
        QCOMPARE(rows("SELECT sql FROM sqlite_master ORDER BY name"), before);
        // The whole layout: 21 tables, every index by name and columns, the six settings, WAL, mnemonic last.
        QCOMPARE(t.count("sqlite_master", "type = 'table' AND name <> 'sqlite_sequence'"), 21);
        QCOMPARE(
            rows("SELECT group_concat(x, ' ') FROM (SELECT m.name || '(' || (SELECT group_concat(name) FROM "
                 "pragma_index_info(m.name)) || ')' AS x FROM sqlite_master m WHERE type = 'index' AND "
                 "name LIKE 'idx_%' ORDER BY m.name)"),
            QString(
                "idx_batch_expiry(expiry_date) idx_batch_product(product_id) "
                "idx_batch_product_batch(product_id,batch_no) "
                "idx_batch_product_quantity(product_id,quantity) "
                "idx_batch_status(status) "
                "idx_batch_stock_expiry(expiry_date,product_id) idx_check_date(check_date) "
                "idx_check_item_check(check_id) idx_check_item_product(product_id) idx_check_no(check_no) "
                "idx_check_status(status) idx_customer_default(is_default) idx_customer_name(name) "
                "idx_customer_phone(phone) idx_log_created_at(created_at) "
                "idx_log_module_time(module,created_at) "
                "idx_maintenance_date(check_date) idx_maintenance_month(check_month) "
                "idx_prescription_created(created_at) idx_prescription_item_prescription(prescription_id) "
                "idx_prescription_item_product(product_id) idx_prescription_no(prescription_no) "
                "idx_prescription_patient(patient_name) idx_prescription_status(status) "
                "idx_product_barcode(barcode) idx_product_mnemonic(mnemonic_code) idx_product_name(name) "
                "idx_product_status(status) idx_purchase_item_acceptance(acceptance_date) "
                "idx_purchase_item_batch(product_id,batch_no) "
                "idx_purchase_item_expiry(expiry_date) idx_purchase_item_order(order_id) "
                "idx_purchase_item_product(product_id) idx_purchase_order_date(inbound_date) "
                "idx_purchase_order_status(status) idx_purchase_order_status_date(status,inbound_date) "
                "idx_return_item_origin(original_order_no,product_id,batch_no) "
                "idx_return_order_date(return_date) "
                "idx_return_order_type(return_type) idx_sales_item_batch(batch_id) "
                "idx_sales_item_order(order_id) idx_sales_item_prescription(prescription_id) "
                "idx_sales_item_product(product_id) "
                "idx_sales_order_date(sale_date) idx_sales_order_prescription(prescription_id) "
                "idx_sales_order_status(status) idx_sales_order_status_date(status,sale_date,total_amount) "
                "idx_supplier_status(status) idx_temp_record_date(record_date) "
                "idx_unqualified_batch(batch_id) idx_unqualified_product(product_id) "
                "idx_unqualified_status(status)"));
        QCOMPARE(rows("SELECT group_concat(config_key || '=' || config_value) FROM sys_config") +
                     rows("PRAGMA journal_mode") +
                     rows("SELECT name FROM pragma_table_info('product') ORDER BY cid DESC LIMIT 1"),
                 QString("expiry_warning_days=180,qualification_warning_days=30,temperature_min=0,"
                         "temperature_max=30,humidity_min=35,humidity_max=75walmnemonic_code"));
        // The retail customer's texts are empty, not NULL.
        QCOMPARE(rows("SELECT username || password_hash || role || status FROM sys_user") +
                     rows("SELECT name || '|' || phone || address || id_card FROM customer"),
                 "admin" + hashPassword("quoll") + "manager1零售客户|");
        t.exec("UPDATE sys_user SET role='clerk', status=0, password_hash='x' WHERE username='admin'");
        DatabaseManager::instance().createDefaultAdminUser();
        DatabaseManager::instance().createDefaultCustomer();
        QCOMPARE(rows("SELECT role || status || password_hash FROM sys_user") +
                     rows("SELECT COUNT(*) FROM customer"),
                 QString("manager0x1"));
        t.exec("UPDATE customer SET is_default = 0");
        DatabaseManager::instance().createDefaultCustomer();
        QCOMPARE(rows("SELECT group_concat(is_default) FROM customer"), QString("0,1"));
    }

    void splitter() {
        auto split = &DatabaseManager::splitSqlScript;
        QCOMPARE(split("A;\nB") + split("CREATE TABLE t (a INTEGER, -- first\n b TEXT);") +
                     split("-- c\n;\n  ;\nA;;B ;\n-- end"),
                 (QStringList{"A", "CREATE TABLE t (a INTEGER,  b TEXT)", "A", "B"}));
    }

    // Scripts are UTF-8 whatever the locale says; only the statements that ran are counted.
    void scriptsAreUtf8() {
        TestDatabase t;
        QFile file(t.folder() + "/data.sql");
        QVERIFY(file.open(QIODevice::WriteOnly) &&
                file.write("-- 样例\nINSERT INTO sys_config (config_key, config_value) VALUES ('k', '值');\n"
                           "INSERT INTO missing_table VALUES (1);\n") > 0);
        file.close();
        QTextCodec* locale = QTextCodec::codecForLocale();
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
        LogCapture log;
        const bool imported = DatabaseManager::instance().importTestData(file.fileName());
        QTextCodec::setCodecForLocale(locale);
        QVERIFY(imported && log.contains("Test data imported. Total statements: 1"));
        QCOMPARE(rows("SELECT config_value FROM sys_config WHERE config_key='k'"), QString("值"));
    }

    // The schema goes in whole or not at all, and a file it cannot go into does not open: here a view holds
    // the name of a table, so the table's index fails after earlier tables were made.
    void schemaIsAllOrNothing() {
        QTemporaryDir dir;
        LogCapture log;
        QVERIFY(!openOldFile(dir, {"CREATE VIEW product AS SELECT 1 AS id"}));
        QVERIFY(!DatabaseManager::instance().getAdapter());
        QCOMPARE(DatabaseManager::instance().openError(), QString("数据库文件的结构与本程序不符"));
        QCOMPARE(log.count(QtCriticalMsg, "views may not be indexed"), 1);
        SQLiteAdapter raw;
        QVERIFY(raw.connect(dir.filePath("old.db")));
        QCOMPARE(rows("SELECT group_concat(type || ' ' || name) FROM sqlite_master", &raw),
                 QString("view product"));
    }

    // Missing columns get their defaults on existing rows; each rebuild happens once and keeps ids and rows,
    // and a prescription number is no longer UNIQUE afterwards.
    void olderLayoutsMigrateOnce() {
        QTemporaryDir dir;
        LogCapture log;
        QVERIFY(openOldFile(
            dir, {"CREATE TABLE return_order_item (id INTEGER PRIMARY KEY, return_id INTEGER, batch_no TEXT)",
                  "INSERT INTO return_order_item (return_id, batch_no) VALUES (1, 'B1')", kOldPrescription,
                  "INSERT INTO prescription (id, prescription_no, doctor_name, patient_name) "
                  "VALUES (5, 'RX1', '王医生', '李四'), (9, 'RX2', '王医生', '张三')",
                  kOldMaintenance,
                  "INSERT INTO maintenance_check VALUES (3, '202601', '2026-01-05', 7, "
                  "'2026-01-05 09:00:00'), (4, '202602', '2026-02-05', NULL, NULL)"}));
        DatabaseManager::instance().migrateSchema(); // a second start
        QCOMPARE(log.count("Migrating prescription table") + log.count("Migrating maintenance_check"), 2);
        QCOMPARE(rows("SELECT production_date || expiry_date || batch_id FROM return_order_item") + " " +
                     rows("SELECT id || prescription_no || patient_name FROM prescription ORDER BY id"),
                 QString("2000-01-012099-12-310 5RX1李四 9RX2张三"));
        QVERIFY(DatabaseManager::instance().getAdapter()->execute(
            "INSERT INTO prescription (prescription_no, doctor_name, patient_name) VALUES ('RX1', 'a', "
            "'b')"));
        QCOMPARE(
            rows("SELECT id || ':' || check_month || typeof(check_month) || ':' || check_date || ':' || "
                 "checked_by || humidity_normal || pest_control_ok || ':' || IFNULL(created_at, '-') "
                 "FROM maintenance_check ORDER BY id"),
            QString("3:202601integer:2026-01-05:700:2026-01-05 09:00:00 4:202602integer:2026-02-05:100:-"));
        // The script never runs on a file that has tables (no product), and no old table is left behind.
        QCOMPARE(rows("SELECT name FROM sqlite_master WHERE name LIKE '%_old' OR name IN ('customer', "
                      "'product', 'idx_prescription_no') ORDER BY name"),
                 QString("customer idx_prescription_no"));
    }

    // A copy that fails, or would drop rows without a month or a date, leaves the old table as it was under
    // its own name, with every row; the failed copy makes the migration report failure.
    void failedRebuildsKeepTheOldTables() {
        QTemporaryDir dir;
        LogCapture log;
        QVERIFY(openOldFile(
            dir,
            {QString(kOldPrescription).replace("review_time DATETIME)", "review_time DATETIME, extra TEXT)"),
             "INSERT INTO prescription (prescription_no, doctor_name, patient_name, extra) VALUES "
             "('RX1', '王医生', '李四', 'x')",
             kOldMaintenance,
             "INSERT INTO maintenance_check VALUES (1, '202601', NULL, 1, NULL), (2, '202602', "
             "'2026-02-01', 1, NULL)"}));
        QVERIFY(log.contains("Failed to migrate database schema"));
        QCOMPARE(log.count(QtWarningMsg, "maintenance_check holds rows without a month or a date"), 1);
        QVERIFY(!DatabaseManager::instance().migrateSchema());
        QCOMPARE(rows("SELECT prescription_no || extra FROM prescription") + " " +
                     rows("SELECT COUNT(*) || group_concat(operator_id) FROM maintenance_check") +
                     rows("SELECT COUNT(*) FROM sqlite_master WHERE name LIKE '%_old'"),
                 QString("RX1x 21,10"));
    }

    // An index that a migration adds to a file holding data comes with planner statistics, once, so the
    // near-expiry list reads its stock-and-expiry index instead of the status index every batch shares. A
    // fresh file gets none (its tables are empty) until a session that needed them closes.
    void plannerStatistics() {
        TestDatabase t;
        const QString statistics = "SELECT COUNT(*) FROM sqlite_master WHERE name = 'sqlite_stat1'";
        QCOMPARE(rows(statistics), QString("0"));
        t.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
               "INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) "
               "SELECT i % 50 + 1, 'B' || i, date('2020-01-01', '+' || i || ' days'), i % 20 = 0 FROM n");
        t.exec("DROP INDEX idx_batch_stock_expiry");
        t.exec("DROP INDEX idx_log_created_at");
        LogCapture log;
        QVERIFY(DatabaseManager::instance().migrateSchema());
        QVERIFY(DatabaseManager::instance().migrateSchema());
        QCOMPARE(log.count("Updating planner statistics..."), 1);
        QString plan;
        QSqlQuery q = t.db()->query("EXPLAIN QUERY PLAN SELECT b.batch_no FROM inventory_batch b "
                                    "WHERE b.expiry_date > ? AND b.expiry_date <= ? AND b.quantity > 0 "
                                    "AND b.status = 'normal' ORDER BY b.id DESC",
                                    {"2024-01-01", "2024-06-29"});
        while (q.next())
            plan += q.value(3).toString() + ';';
        QVERIFY2(plan.startsWith("SEARCH b USING INDEX idx_batch_stock_expiry"), qPrintable(plan));

        TestDatabase fresh;
        fresh.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                   "INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) "
                   "SELECT 1, 'B' || i, date('2020-01-01', '+' || i || ' days'), 1 FROM n");
        {
            PinnedClock pin(QDate(2024, 1, 1));
            repositories::ExpiryWarningRepository(fresh.db()).findNearExpiryItems(180);
        }
        DatabaseManager::instance().shutdown();
        QVERIFY(DatabaseManager::instance().initialize(fresh.path()));
        QCOMPARE(rows("SELECT DISTINCT tbl FROM sqlite_stat1 WHERE tbl = 'inventory_batch'"),
                 QString("inventory_batch"));
    }
};

KV_TEST_CLASS(TestDataStore)
#include "tst_databasemanager.moc"

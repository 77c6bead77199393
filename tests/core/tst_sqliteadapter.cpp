#include "core/sqliteadapter.h"
#include "tests/support/logcapture.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::LogCapture;

class TestSQLiteAdapter : public QObject {
    Q_OBJECT
private slots:
    void twoAdaptersOpenTwoFilesAtOnce() {
        QTemporaryDir dir;
        SQLiteAdapter a, b;
        QVERIFY(a.connectionName() != b.connectionName());
        QVERIFY(a.connectionName().startsWith("kestrovalin_sqlite_{"));
        QVERIFY(a.connect(dir.filePath("a.db")));
        QVERIFY(b.connect(dir.filePath("b.db")));
        QVERIFY(a.execute("CREATE TABLE t (x INTEGER)"));
        QVERIFY(a.execute("INSERT INTO t VALUES (?)", {7}));
        QVERIFY(b.execute("CREATE TABLE t (x INTEGER)"));
        QSqlQuery qa = a.query("SELECT COUNT(*) FROM t");
        QSqlQuery qb = b.query("SELECT COUNT(*) FROM t");
        QVERIFY(qa.next() && qb.next());
        QCOMPARE(qa.value(0).toInt(), 1);
        QCOMPARE(qb.value(0).toInt(), 0);
    }

    void walModeAndMissingFolderCreated() {
        QTemporaryDir dir;
        const QString path = dir.filePath("deep/er/file.db");
        SQLiteAdapter a;
        QVERIFY(a.connect(path));
        QVERIFY(QFile::exists(path));
        QSqlQuery q = a.query("PRAGMA journal_mode");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QString("wal"));
    }

    void reconnectSwitchesFile() {
        QTemporaryDir dir;
        SQLiteAdapter a;
        QVERIFY(a.connect(dir.filePath("one.db")));
        QVERIFY(a.execute("CREATE TABLE only_in_one (x)"));
        QVERIFY(a.connect(dir.filePath("two.db")));
        QVERIFY(a.isConnected());
        QSqlQuery q = a.query("SELECT COUNT(*) FROM sqlite_master WHERE name = 'only_in_one'");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 0);
        a.disconnect();
        QVERIFY(!a.isConnected());
        QVERIFY(!a.execute("SELECT 1"));
    }

    void failedStatementIsLoggedAndNotStored() {
        QTemporaryDir dir;
        SQLiteAdapter a;
        QVERIFY(a.connect(dir.filePath("x.db")));
        const QSqlError before = a.lastError();
        LogCapture log;
        QVERIFY(!a.execute("INSERT INTO nowhere VALUES (1)"));
        QCOMPARE(log.count(QtWarningMsg, "SQLite Execute Error:"), 1);
        QVERIFY(log.contains("SQL: INSERT INTO nowhere VALUES (1)"));
        QSqlQuery q = a.query("SELEC broken");
        QVERIFY(!q.isActive());
        QVERIFY(!q.next());
        QCOMPARE(log.count(QtWarningMsg, "SQLite Query Error:"), 1);
        QCOMPARE(a.lastError().type(), before.type());
        QCOMPARE(a.lastError().text(), before.text());
    }

    void emptyAndNullParameters() {
        QTemporaryDir dir;
        SQLiteAdapter a;
        QVERIFY(a.connect(dir.filePath("p.db")));
        QVERIFY(a.execute("CREATE TABLE t (a TEXT, b TEXT)"));
        QVERIFY(a.execute("INSERT INTO t VALUES ('x', 'y')", {}));
        QVERIFY(a.execute("INSERT INTO t VALUES (?, ?)", {QString(""), QVariant()}));
        QSqlQuery q = a.query("SELECT a IS NULL, b IS NULL FROM t WHERE a = ''");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 0);
        QCOMPARE(q.value(1).toInt(), 1);
    }

    void destructionUnregistersWithoutWarning() {
        QTemporaryDir dir;
        QString name;
        LogCapture log;
        {
            SQLiteAdapter a;
            name = a.connectionName();
            QVERIFY(a.connect(dir.filePath("d.db")));
            QVERIFY(QSqlDatabase::contains(name));
        }
        QVERIFY(!QSqlDatabase::contains(name));
        QCOMPARE(log.count("still in use"), 0);
    }
};

QTEST_GUILESS_MAIN(TestSQLiteAdapter)
#include "tst_sqliteadapter.moc"

#include "core/sqliteadapter.h"
#include "tests/support/logcapture.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::LogCapture;

namespace {

QVariant scalar(SQLiteAdapter& a, const QString& sql) {
    QSqlQuery q = a.query(sql);
    return q.next() ? q.value(0) : QVariant();
}

} // namespace

class TestSQLiteAdapter : public QObject {
    Q_OBJECT
private slots:
    void twoAdaptersOpenTwoFilesAtOnce() {
        QTemporaryDir dir;
        SQLiteAdapter a, b;
        QVERIFY(a.connect(dir.filePath("deep/er/a.db"))); // the missing folder is created
        QVERIFY(b.connect(dir.filePath("b.db")));
        QVERIFY(a.execute("CREATE TABLE t (x INTEGER)"));
        QVERIFY(a.execute("INSERT INTO t VALUES (?)", {7}));
        QVERIFY(b.execute("CREATE TABLE t (x INTEGER)"));
        QCOMPARE(scalar(a, "SELECT COUNT(*) FROM t").toInt(), 1);
        QCOMPARE(scalar(b, "SELECT COUNT(*) FROM t").toInt(), 0);
        QCOMPARE(scalar(a, "PRAGMA journal_mode").toString(), QString("wal"));
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
        QCOMPARE(log.count(QtWarningMsg, "SQLite Query Error:"), 1);
        QCOMPARE(a.lastError().text(), before.text());
        a.disconnect();
        QVERIFY(!a.execute("SELECT 1"));
    }

    // A null QString binds as NULL, an empty one as ''.
    void emptyAndNullParameters() {
        QTemporaryDir dir;
        SQLiteAdapter a;
        QVERIFY(a.connect(dir.filePath("p.db")));
        QVERIFY(a.execute("CREATE TABLE t (a TEXT, b TEXT)"));
        QVERIFY(a.execute("INSERT INTO t VALUES (?, ?)", {QString(""), QVariant()}));
        QCOMPARE(scalar(a, "SELECT (a IS NULL) || (b IS NULL) FROM t WHERE a = ''").toString(),
                 QString("01"));
    }

    // The adapter drops its own handle before removing the connection: no "still in use" warning.
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

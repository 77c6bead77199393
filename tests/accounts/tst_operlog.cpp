#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/operloghelper.h"
#include "core/transaction.h"
#include "repositories/operlogrepository.h"
#include "tests/accounts/recordingadapter.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::PinnedClock;
using kestrovalin::test::TestDatabase;

namespace {

const QString kSelect =
    "SELECT id, user_id, user_name, module, action, detail, ip_address, created_at FROM sys_operation_log";

void addEntry(TestDatabase& t, const QString& at, const QString& module, const QString& action,
              const QString& detail, const QString& user = "系统管理员") {
    t.exec(
        "INSERT INTO sys_operation_log (user_id, user_name, module, action, detail, ip_address, created_at) "
        "VALUES (1, ?, ?, ?, ?, '127.0.0.1', ?)",
        {user, module, action, detail, at});
}

void signIn(int id, const QString& realName) {
    models::User user;
    user.id = id;
    user.username = "u" + QString::number(id);
    user.realName = realName;
    user.status = 1;
    CurrentUser::instance().setUser(user);
}

} // namespace

class TestOperLog : public QObject {
    Q_OBJECT
private slots:
    void helperWritesSignedInUserLocalTimeAndAddress_data() {
        QTest::addColumn<int>("wrapper");
        QTest::addColumn<QString>("module");
        QTest::newRow("log") << 0 << "盘点";
        QTest::newRow("purchase") << 1 << "采购入库";
        QTest::newRow("supplier") << 2 << "供应商管理";
        QTest::newRow("inventory") << 3 << "库存管理";
        QTest::newRow("user") << 4 << "用户管理";
        QTest::newRow("sales") << 5 << "销售收银";
    }
    void helperWritesSignedInUserLocalTimeAndAddress() {
        QFETCH(int, wrapper);
        QFETCH(QString, module);
        TestDatabase t;
        PinnedClock pin(QDateTime(QDate(2026, 3, 1), QTime(7, 5, 9)));
        signIn(3, "王药师");
        const QString action = "动作", detail = "详情 \"引号\"";
        switch (wrapper) {
        case 0:
            OperLogHelper::log("盘点", action, detail);
            break;
        case 1:
            OperLogHelper::logPurchase(action, detail);
            break;
        case 2:
            OperLogHelper::logSupplier(action, detail);
            break;
        case 3:
            OperLogHelper::logInventory(action, detail);
            break;
        case 4:
            OperLogHelper::logUser(action, detail);
            break;
        case 5:
            OperLogHelper::logSales(action, detail);
            break;
        }
        const QList<models::OperLog> rows = OperLogRepository().findAll(500);
        QCOMPARE(rows.size(), 1);
        const models::OperLog& e = rows.first();
        QCOMPARE(e.userId, 3);
        QCOMPARE(e.userName, QString("王药师"));
        QCOMPARE(e.module, module);
        QCOMPARE(e.action, action);
        QCOMPARE(e.detail, detail);
        QCOMPARE(e.ipAddress, QString("127.0.0.1"));
        QCOMPARE(t.scalar("SELECT created_at FROM sys_operation_log").toString(),
                 QString("2026-03-01 07:05:09"));
        QCOMPARE(e.createdAt, QDateTime(QDate(2026, 3, 1), QTime(7, 5, 9)));
        CurrentUser::instance().clear();
    }

    void insertRunsOneStatementWithSevenParameters() {
        TestDatabase t;
        PinnedClock pin(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58)));
        RecordingAdapter rec(t.db());
        models::OperLog e;
        e.id = 99; // ignored
        e.userId = 2;
        e.userName = "张三";
        e.module = "用户管理";
        e.action = "重置密码";
        e.detail = "用户名: zhang";
        e.ipAddress = "127.0.0.1";
        e.createdAt = QDateTime(QDate(2000, 1, 1), QTime(0, 0)); // ignored
        QVERIFY(OperLogRepository(&rec).insert(e));
        QCOMPARE(rec.calls.size(), 1);
        QCOMPARE(rec.last().kind, QString("execute"));
        QCOMPARE(rec.last().sql, QString("INSERT INTO sys_operation_log (user_id, user_name, module, action, "
                                         "detail, ip_address, created_at) VALUES (?, ?, ?, ?, ?, ?, ?)"));
        QCOMPARE(rec.last().params, (QList<QVariant>{2, "张三", "用户管理", "重置密码", "用户名: zhang",
                                                     "127.0.0.1", "2026-12-31 23:59:58"}));
        QVERIFY(t.scalar("SELECT id FROM sys_operation_log").toInt() != 99);
    }

    void findAllIsNewestFirstWithTextLimit() {
        TestDatabase t;
        addEntry(t, "2026-01-05 10:00:00", "销售收银", "新增销售单", "b");
        addEntry(t, "2026-02-01 09:00:00", "用户管理", "新增用户", "c");
        addEntry(t, "2025-12-31 23:59:59", "盘点", "新增盘点单", "a");
        RecordingAdapter rec(t.db());
        OperLogRepository repo(&rec);
        const QList<models::OperLog> rows = repo.findAll(500);
        QCOMPARE(rec.last().sql, kSelect + " ORDER BY created_at DESC LIMIT 500");
        QVERIFY(rec.last().params.isEmpty());
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0).detail, QString("c"));
        QCOMPARE(rows.at(1).detail, QString("b"));
        QCOMPARE(rows.at(2).detail, QString("a"));
        QCOMPARE(repo.findAll(2).size(), 2);
        QVERIFY(repo.findAll(0).isEmpty());
    }

    void searchBuildsClausesInOrder_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("module");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QVariantList>("params");
        const QString kw = " AND (user_name LIKE ? OR module LIKE ? OR action LIKE ? OR detail LIKE ?)";
        QTest::newRow("nothing") << ""
                                 << "" << QDate() << QDate() << "" << QVariantList{};
        QTest::newRow("keyword") << "用户"
                                 << "" << QDate() << QDate() << kw
                                 << QVariantList{"%用户%", "%用户%", "%用户%", "%用户%"};
        QTest::newRow("module") << ""
                                << "盘点" << QDate() << QDate() << " AND module = ?" << QVariantList{"盘点"};
        QTest::newRow("all four") << "a"
                                  << "用户管理" << QDate(2026, 2, 1) << QDate(2026, 3, 1)
                                  << kw +
                                         " AND module = ? AND date(created_at) >= ? AND date(created_at) <= ?"
                                  << QVariantList{"%a%",      "%a%",        "%a%",       "%a%",
                                                  "用户管理", "2026-02-01", "2026-03-01"};
        QTest::newRow("end only") << ""
                                  << "" << QDate() << QDate(2026, 3, 1) << " AND date(created_at) <= ?"
                                  << QVariantList{"2026-03-01"};
    }
    void searchBuildsClausesInOrder() {
        QFETCH(QString, keyword);
        QFETCH(QString, module);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QString, where);
        QFETCH(QVariantList, params);
        TestDatabase t;
        RecordingAdapter rec(t.db());
        OperLogRepository(&rec).search(keyword, module, start, end);
        QCOMPARE(rec.last().kind, QString("query"));
        QCOMPARE(rec.last().sql, kSelect + " WHERE 1=1" + where + " ORDER BY created_at DESC LIMIT 500");
        QCOMPARE(rec.last().params, params);
    }

    void searchFilters() {
        TestDatabase t;
        addEntry(t, "2026-02-28 23:59:59", "用户管理", "启用", "用户名: li");
        addEntry(t, "2026-03-01 00:00:00", "盘点", "审核盘点单", "盘点单ID: 4", "王五");
        addEntry(t, "2026-03-02 08:00:00", "销售收银", "新增销售单", "订单号: S1, 金额: 12.5");
        OperLogRepository repo;

        QCOMPARE(repo.search("", "", QDate(), QDate()).size(), 3);
        // Inclusive whole days of the stored local time.
        QCOMPARE(repo.search("", "", QDate(2026, 3, 1), QDate(2026, 3, 1)).size(), 1);
        QCOMPARE(repo.search("", "", QDate(2026, 2, 28), QDate(2026, 3, 1)).size(), 2);
        QVERIFY(repo.search("", "", QDate(2026, 3, 2), QDate(2026, 3, 1)).isEmpty());
        // The keyword looks at user, module, action and detail only.
        QCOMPARE(repo.search("王五", "", QDate(), QDate()).size(), 1);
        QCOMPARE(repo.search("用户", "", QDate(), QDate()).size(), 1);
        QCOMPARE(repo.search("审核", "", QDate(), QDate()).size(), 1);
        QCOMPARE(repo.search("12.5", "", QDate(), QDate()).size(), 1);
        QVERIFY(repo.search("127.0.0.1", "", QDate(), QDate()).isEmpty());
        QVERIFY(repo.search("2026-03", "", QDate(), QDate()).isEmpty());
        QCOMPARE(repo.search("", "销售收银", QDate(), QDate()).first().createdAt,
                 QDateTime(QDate(2026, 3, 2), QTime(8, 0)));
        QVERIFY(repo.search("", "商品管理", QDate(), QDate()).isEmpty());
    }

    void searchCapsAt500() {
        TestDatabase t;
        Transaction tx(t.db());
        for (int i = 0; i < 520; ++i)
            addEntry(t, QDateTime(QDate(2026, 1, 1), QTime(0, 0)).addSecs(i).toString("yyyy-MM-dd HH:mm:ss"),
                     "用户管理", "启用", QString::number(i));
        QVERIFY(tx.commit());
        const QList<models::OperLog> rows = OperLogRepository().search("", "", QDate(), QDate());
        QCOMPARE(rows.size(), 500);
        QCOMPARE(rows.first().detail, QString("519"));
    }

    void entryWrittenTodayIsFoundByTodayEndDate() {
        TestDatabase t;
        const QDate today = QDate::currentDate();
        OperLogHelper::logUser("启用", "用户名: x");
        QCOMPARE(OperLogRepository().search("", "", today.addMonths(-1), today).size(), 1);
    }

    void nullAdapterChangesNothing() {
        QVERIFY(!DatabaseManager::instance().getAdapter());
        OperLogRepository repo;
        QVERIFY(!repo.insert(models::OperLog()));
        QVERIFY(repo.findAll(500).isEmpty());
        QVERIFY(repo.search("", "", QDate(), QDate()).isEmpty());
        OperLogHelper::logUser("启用", "用户名: x"); // silent
    }

    void amountFormat_data() {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("text");
        QTest::newRow("fraction") << 12.5 << "12.5";
        QTest::newRow("whole") << 100.0 << "100";
        QTest::newRow("negative") << -3.0 << "-3";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("six digits") << 123456.0 << "123456";
        QTest::newRow("large") << 1234567.0 << "1.23457e+06";
        QTest::newRow("cents") << 25.75 << "25.75";
        QTest::newRow("rounded") << 0.1 + 0.2 << "0.3";
    }
    void amountFormat() {
        QFETCH(double, amount);
        QFETCH(QString, text);
        QCOMPARE(OperLogHelper::formatAmount(amount), text);
        QCOMPARE(QString("%1").arg(amount), text);
    }
};

QTEST_GUILESS_MAIN(TestOperLog)
#include "tst_operlog.moc"

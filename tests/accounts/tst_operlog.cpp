#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/operloghelper.h"
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

void addEntry(TestDatabase& t, const QString& at, const QString& module, const QString& detail) {
    t.exec(
        "INSERT INTO sys_operation_log (user_id, user_name, module, action, detail, ip_address, created_at) "
        "VALUES (1, '系统管理员', ?, '动作', ?, '127.0.0.1', ?)",
        {module, detail, at});
}

} // namespace

class TestOperLog : public QObject {
    Q_OBJECT
private slots:
    void helperWritesSignedInUserLocalTimeAndAddress() {
        TestDatabase t;
        PinnedClock pin(QDateTime(QDate(2026, 3, 1), QTime(7, 5, 9)));
        models::User user;
        user.id = 3;
        user.realName = "王药师";
        CurrentUser::instance().setUser(user);
        OperLogHelper::log("盘点", "动作", "详情 \"引号\"");
        OperLogHelper::logPurchase("a", "d");
        OperLogHelper::logSupplier("a", "d");
        OperLogHelper::logInventory("a", "d");
        OperLogHelper::logUser("a", "d");
        OperLogHelper::logSales("a", "d");
        CurrentUser::instance().clear();
        QStringList modules;
        QSqlQuery q = t.db()->query("SELECT module FROM sys_operation_log ORDER BY id");
        while (q.next())
            modules << q.value(0).toString();
        QCOMPARE(modules,
                 (QStringList{"盘点", "采购入库", "供应商管理", "库存管理", "用户管理", "销售收银"}));
        QCOMPARE(t.scalar("SELECT user_id || '|' || user_name || '|' || action || '|' || detail || '|' || "
                          "ip_address || '|' || created_at FROM sys_operation_log WHERE id = 1")
                     .toString(),
                 QString("3|王药师|动作|详情 \"引号\"|127.0.0.1|2026-03-01 07:05:09"));
        QCOMPARE(OperLogRepository().findAll(500).last().createdAt,
                 QDateTime(QDate(2026, 3, 1), QTime(7, 5, 9)));
    }

    // Written with the real clock, found again by today's local date.
    void entryWrittenNowIsFoundByTodaysDate() {
        TestDatabase t;
        OperLogHelper::logUser("启用", "用户名: x");
        const QDate today = QDate::currentDate();
        QCOMPARE(OperLogRepository().search("", "", today, today).size(), 1);
    }

    void findAllIsNewestFirstWithTextLimit() {
        TestDatabase t;
        addEntry(t, "2026-01-05 10:00:00", "销售收银", "b");
        addEntry(t, "2026-02-01 09:00:00", "用户管理", "c");
        addEntry(t, "2025-12-31 23:59:59", "盘点", "a");
        RecordingAdapter rec(t.db());
        const QList<models::OperLog> rows = OperLogRepository(&rec).findAll(2);
        QCOMPARE(rec.last().sql, kSelect + " ORDER BY created_at DESC LIMIT 2");
        QVERIFY(rec.last().params.isEmpty());
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).detail + rows.at(1).detail, QString("cb"));
    }

    void searchBuildsClausesInOrder_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("module");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QVariantList>("params");
        const QString kw = " AND (user_name LIKE ? OR module LIKE ? OR action LIKE ? OR detail LIKE ?)";
        QTest::newRow("nothing") << QString() << QString() << QDate() << QDate() << "" << QVariantList{};
        QTest::newRow("module") << QString() << "盘点" << QDate() << QDate() << " AND module = ?"
                                << QVariantList{"盘点"};
        QTest::newRow("end only") << QString() << QString() << QDate() << QDate(2026, 3, 1)
                                  << " AND date(created_at) <= ?" << QVariantList{"2026-03-01"};
        QTest::newRow("all four") << "a"
                                  << "用户管理" << QDate(2026, 2, 1) << QDate(2026, 3, 1)
                                  << kw +
                                         " AND module = ? AND date(created_at) >= ? AND date(created_at) <= ?"
                                  << QVariantList{"%a%",      "%a%",        "%a%",       "%a%",
                                                  "用户管理", "2026-02-01", "2026-03-01"};
    }
    void searchBuildsClausesInOrder() {
        QFETCH(QString, keyword);
        QFETCH(QString, module);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QString, where);
        TestDatabase t;
        RecordingAdapter rec(t.db());
        OperLogRepository(&rec).search(keyword, module, start, end);
        QCOMPARE(rec.last().sql, kSelect + " WHERE 1=1" + where + " ORDER BY created_at DESC LIMIT 500");
        QTEST(rec.last().params, "params");
    }

    void searchFilters() {
        TestDatabase t;
        addEntry(t, "2026-02-28 23:59:59", "用户管理", "用户名: li");
        addEntry(t, "2026-03-01 00:00:00", "盘点", "盘点单ID: 4");
        addEntry(t, "2026-03-02 08:00:00", "销售收银", "订单号: S1, 金额: 12.5");
        OperLogRepository repo;
        // Inclusive whole days of the stored local time.
        QCOMPARE(repo.search("", "", QDate(2026, 3, 1), QDate(2026, 3, 1)).size(), 1);
        QCOMPARE(repo.search("", "", QDate(2026, 2, 28), QDate(2026, 3, 1)).size(), 2);
        QCOMPARE(repo.search("12.5", "", QDate(), QDate()).size(), 1);
        QVERIFY(repo.search("127.0.0.1", "", QDate(), QDate()).isEmpty());
    }

    void nullAdapterChangesNothing() {
        QVERIFY(!DatabaseManager::instance().getAdapter());
        OperLogRepository repo;
        QVERIFY(!repo.insert(models::OperLog()));
        QVERIFY(repo.findAll(500).isEmpty() && repo.search("", "", QDate(), QDate()).isEmpty());
        OperLogHelper::logUser("启用", "用户名: x"); // silent
    }

    void amountFormat_data() {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("text");
        QTest::newRow("fraction") << 12.5 << "12.5";
        QTest::newRow("whole") << 100.0 << "100";
        QTest::newRow("six digits") << 123456.0 << "123456";
        QTest::newRow("large") << 1234567.0 << "1.23457e+06";
        QTest::newRow("rounded") << 0.1 + 0.2 << "0.3";
    }
    void amountFormat() {
        QFETCH(double, amount);
        QTEST(OperLogHelper::formatAmount(amount), "text");
    }
};

QTEST_GUILESS_MAIN(TestOperLog)
#include "tst_operlog.moc"

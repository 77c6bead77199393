#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/operloghelper.h"
#include "core/passwordhash.h"
#include "repositories/operlogrepository.h"
#include "repositories/userrepository.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::PinnedClock;
using kestrovalin::test::TestDatabase;

namespace {

// Passes every call on to a real adapter and remembers the last statement with its parameters, so tests can
// check the exact SQL a repository runs.
class RecordingAdapter : public IDbAdapter {
public:
    struct Call {
        QString sql;
        QList<QVariant> params;
    };
    explicit RecordingAdapter(IDbAdapter* inner) : m_inner(inner) {}
    bool connect(const QString& path) override { return m_inner->connect(path); }
    void disconnect() override { m_inner->disconnect(); }
    bool isConnected() const override { return m_inner->isConnected(); }
    bool execute(const QString& sql, const QList<QVariant>& params = {}) override {
        m_last = {sql, params};
        return m_inner->execute(sql, params);
    }
    QSqlQuery query(const QString& sql, const QList<QVariant>& params = {}) override {
        m_last = {sql, params};
        return m_inner->query(sql, params);
    }
    bool transaction() override { return m_inner->transaction(); }
    bool commit() override { return m_inner->commit(); }
    bool rollback() override { return m_inner->rollback(); }
    QSqlError lastError() const override { return m_inner->lastError(); }
    QSqlDatabase getQtDatabase() const override { return m_inner->getQtDatabase(); }
    Call last() const { return m_last; }

private:
    IDbAdapter* m_inner;
    Call m_last;
};

const QString kUserSelect =
    "SELECT id, username, password_hash, real_name, role, status, created_at, updated_at FROM sys_user";
const QDateTime kNow(QDate(2026, 3, 1), QTime(9, 30, 15));

models::User makeUser(const QString& name, const QString& realName) {
    models::User u;
    u.username = name;
    u.realName = realName;
    u.role = "clerk";
    u.status = 1;
    u.passwordHash = hashPassword("pw-" + name);
    return u;
}

const QString kLogSelect =
    "SELECT id, user_id, user_name, module, action, detail, ip_address, created_at FROM sys_operation_log";

void addEntry(TestDatabase& t, const QString& at, const QString& module, const QString& detail) {
    t.exec(
        "INSERT INTO sys_operation_log (user_id, user_name, module, action, detail, ip_address, created_at) "
        "VALUES (1, '系统管理员', ?, '动作', ?, '127.0.0.1', ?)",
        {module, detail, at});
}

} // namespace

// The user repository and the operation log.
class TestAccountRepositories : public QObject {
    Q_OBJECT
private slots:
    void statementsAreExact() {
        TestDatabase t;
        PinnedClock pin(kNow);
        RecordingAdapter rec(t.db());
        UserRepository repo(&rec);
        auto expect = [&](const QString& sql, const QList<QVariant>& params) {
            QCOMPARE(rec.last().sql, sql);
            QCOMPARE(rec.last().params, params);
        };
        const QString stamp = ", updated_at = CURRENT_TIMESTAMP WHERE id = ?";

        models::User u = makeUser("li", "李四");
        QVERIFY(repo.insert(u));
        expect(
            "INSERT INTO sys_user (username, password_hash, real_name, role, status, created_at, updated_at) "
            "VALUES (?, ?, ?, ?, ?, ?, ?)",
            {"li", u.passwordHash, "李四", "clerk", 1, kNow, kNow});
        QVERIFY(repo.update(u));
        expect("UPDATE sys_user SET username = ?, real_name = ?, role = ?, status = ?" + stamp,
               {"li", "李四", "clerk", 1, u.id});
        QVERIFY(repo.updatePassword(u.id, "h"));
        expect("UPDATE sys_user SET password_hash = ?" + stamp, {"h", u.id});
        QVERIFY(repo.setStatus(u.id, 0));
        expect("UPDATE sys_user SET status = ?" + stamp, {0, u.id});
        repo.findById(u.id);
        expect(kUserSelect + " WHERE id = ?", {u.id});
        repo.findAll();
        expect(kUserSelect + " ORDER BY id DESC", {});
        repo.search("李");
        expect(kUserSelect + " WHERE username LIKE ? OR real_name LIKE ? ORDER BY id DESC", {"%李%", "%李%"});
    }

    void timestampsReadBackAndNamesStayUnique() {
        TestDatabase t;
        PinnedClock pin(kNow);
        UserRepository repo;
        models::User u = makeUser("li", "李四");
        QVERIFY(repo.insert(u));
        QCOMPARE(u.id, t.scalar("SELECT id FROM sys_user WHERE username = 'li'").toInt());
        models::User back = repo.findById(u.id);
        QCOMPARE(back.passwordHash, u.passwordHash);
        QCOMPARE(back.createdAt, kNow);
        QCOMPARE(back.updatedAt, kNow);

        u.realName = "李小四";
        u.status = 0;
        u.passwordHash = "not stored by update";
        QVERIFY(repo.update(u));
        back = repo.findById(u.id);
        QCOMPARE(back.realName + QString::number(back.status), QString("李小四0"));
        QCOMPARE(back.passwordHash, hashPassword("pw-li"));
        QCOMPARE(back.createdAt, kNow);
        // SQLite's own clock writes "yyyy-MM-dd HH:mm:ss" in UTC; it must read back as a date-time too.
        const QDateTime utc = QDateTime::currentDateTimeUtc();
        QVERIFY(qAbs(back.updatedAt.secsTo(QDateTime(utc.date(), utc.time()))) < 120);
        QCOMPARE(repo.findById(999).id, 0);

        // A duplicate user name fails and changes nothing.
        models::User dup = makeUser("li", "另一个李四");
        dup.id = 42;
        QVERIFY(!repo.insert(dup));
        QCOMPARE(dup.id, 42);
        QCOMPARE(t.count("sys_user"), 2);
        models::User other = makeUser("wang", "王五");
        QVERIFY(repo.insert(other));
        other.username = "li";
        QVERIFY(!repo.update(other));
        QCOMPARE(repo.findById(other.id).username, QString("wang"));
    }

    void nullAdapterTouchesNothing() {
        QVERIFY(!DatabaseManager::instance().getAdapter());
        UserRepository repo;
        models::User u = makeUser("li", "李四");
        QVERIFY(!repo.insert(u) && !repo.update(u) && !repo.updatePassword(7, "h") && !repo.setStatus(7, 0));
        QVERIFY(repo.findById(7).id == 0 && repo.findAll().isEmpty() && repo.search("").isEmpty());
        OperLogRepository log;
        QVERIFY(!log.insert(models::OperLog()));
        QVERIFY(log.findAll(500).isEmpty() && log.search("", "", QDate(), QDate()).isEmpty());
        OperLogHelper::logUser("启用", "用户名: x"); // silent
    }

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
        QCOMPARE(
            t.scalar(
                 "SELECT group_concat(module, ' ') FROM (SELECT module FROM sys_operation_log ORDER BY id)")
                .toString(),
            QString("盘点 采购入库 供应商管理 库存管理 用户管理 销售收银"));
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
        QCOMPARE(rec.last().sql, kLogSelect + " ORDER BY created_at DESC LIMIT 2");
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
        QCOMPARE(rec.last().sql, kLogSelect + " WHERE 1=1" + where + " ORDER BY created_at DESC LIMIT 500");
        QTEST(rec.last().params, "params");
    }

    // General format, at most six significant digits.
    void amountFormat() {
        QCOMPARE((QStringList{OperLogHelper::formatAmount(12.5), OperLogHelper::formatAmount(123456),
                              OperLogHelper::formatAmount(1234567), OperLogHelper::formatAmount(0.1 + 0.2)}),
                 (QStringList{"12.5", "123456", "1.23457e+06", "0.3"}));
    }
};

QTEST_GUILESS_MAIN(TestAccountRepositories)
#include "tst_accountrepositories.moc"

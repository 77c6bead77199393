#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/operloghelper.h"
#include "core/passwordhash.h"
#include "core/sqliteadapter.h"
#include "repositories/userrepository.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::PinnedClock;
using kestrovalin::test::TestDatabase;

namespace {

// A second connection to the test file that remembers the last statement and its parameters.
struct Recorder : SQLiteAdapter {
    QString sql;
    QVariantList params;
    bool execute(const QString& s, const QVariantList& p = {}) override {
        sql = s, params = p;
        return SQLiteAdapter::execute(s, p);
    }
    QSqlQuery query(const QString& s, const QVariantList& p = {}) override {
        sql = s, params = p;
        return SQLiteAdapter::query(s, p);
    }
};

const QString kUserSelect =
    "SELECT id, username, password_hash, real_name, role, status, created_at, updated_at FROM sys_user";
const QString kLogSelect =
    "SELECT id, user_id, user_name, module, action, detail, ip_address, created_at FROM sys_operation_log";
const QDateTime kNow(QDate(2026, 3, 1), QTime(7, 5, 9)); // before 08:00, where local and UTC dates differ

models::User account(const QString& name, int id = 0) {
    models::User u;
    u.id = id;
    u.username = name;
    u.passwordHash = hashPassword("pw");
    u.realName = "李四";
    u.role = "clerk";
    u.status = 1;
    return u;
}

} // namespace

class TestAccountRepositories : public QObject {
    Q_OBJECT
private slots:
    void statementsAreExact() {
        TestDatabase t;
        PinnedClock pin(kNow);
        Recorder rec;
        QVERIFY(rec.connect(t.path()));
        UserRepository repo(&rec);
        models::User u = account("li");
        const QString stamp = ", updated_at = CURRENT_TIMESTAMP WHERE id = ?";
        QVERIFY(repo.insert(u));
        QCOMPARE(rec.sql, QString("INSERT INTO sys_user (username, password_hash, real_name, role, status, "
                                  "created_at, updated_at) VALUES (?, ?, ?, ?, ?, ?, ?)"));
        QCOMPARE(rec.params, (QVariantList{"li", u.passwordHash, "李四", "clerk", 1, kNow, kNow}));
        QVERIFY(repo.update(u));
        QCOMPARE(rec.sql, "UPDATE sys_user SET username = ?, real_name = ?, role = ?, status = ?" + stamp);
        QCOMPARE(rec.params, (QVariantList{"li", "李四", "clerk", 1, u.id}));
        QVERIFY(repo.updatePassword(u.id, "h") && rec.sql == "UPDATE sys_user SET password_hash = ?" + stamp);
        QCOMPARE(rec.params, (QVariantList{"h", u.id}));
        QVERIFY(repo.setStatus(u.id, 0) && rec.sql == "UPDATE sys_user SET status = ?" + stamp);
        QCOMPARE(rec.params, (QVariantList{0, u.id}));
        repo.findById(u.id);
        QCOMPARE(rec.sql, kUserSelect + " WHERE id = ?");
        repo.findAll();
        QCOMPARE(rec.sql, kUserSelect + " ORDER BY id DESC");
        repo.search("李");
        QCOMPARE(rec.sql, kUserSelect + " WHERE username LIKE ? OR real_name LIKE ? ORDER BY id DESC");
        QCOMPARE(rec.params, (QVariantList{"%李%", "%李%"}));
        OperLogRepository log(&rec);
        log.findAll(2);
        QCOMPARE(rec.sql, kLogSelect + " ORDER BY created_at DESC LIMIT 2");
        log.search("", "", QDate(), QDate());
        QCOMPARE(rec.sql, kLogSelect + " WHERE 1=1 ORDER BY created_at DESC LIMIT 500");
        log.search("a", "用户管理", QDate(2026, 2, 1), QDate(2026, 3, 1));
        QCOMPARE(rec.sql, kLogSelect +
                              " WHERE 1=1 AND (user_name LIKE ? OR module LIKE ? OR action LIKE ? OR "
                              "detail LIKE ?) AND module = ? AND date(created_at) >= ? AND "
                              "date(created_at) <= ? ORDER BY created_at DESC LIMIT 500");
        QCOMPARE(rec.params,
                 (QVariantList{"%a%", "%a%", "%a%", "%a%", "用户管理", "2026-02-01", "2026-03-01"}));
    }

    void timestampsReadBackAndNamesStayUnique() {
        TestDatabase t;
        PinnedClock pin(kNow);
        UserRepository repo;
        models::User u = account("li");
        QVERIFY(repo.insert(u));
        QCOMPARE(repo.findById(u.id).createdAt, kNow);
        QVERIFY(repo.update(u));
        // SQLite's own clock writes UTC text; it must read back as a date-time too.
        const QDateTime utc = QDateTime::currentDateTimeUtc();
        QVERIFY(qAbs(repo.findById(u.id).updatedAt.secsTo(QDateTime(utc.date(), utc.time()))) < 120);

        models::User dup = account("li", 42);
        QVERIFY(!repo.insert(dup));
        QCOMPARE(dup.id, 42);
        models::User other = account("wang");
        QVERIFY(repo.insert(other));
        other.username = "li";
        QVERIFY(!repo.update(other));
        QCOMPARE(t.scalar("SELECT group_concat(username) FROM sys_user").toString(),
                 QString("admin,li,wang"));
    }

    void nullAdapterTouchesNothing() {
        QVERIFY(!DatabaseManager::instance().getAdapter());
        UserRepository repo;
        models::User u = account("li");
        QVERIFY(!repo.insert(u) && !repo.update(u) && !repo.updatePassword(7, "h") && !repo.setStatus(7, 0));
        QVERIFY(repo.findById(7).id == 0 && repo.findAll().isEmpty() && repo.search("").isEmpty());
        OperLogRepository log;
        QVERIFY(!log.insert({}) && log.findAll(500).isEmpty() && log.search("", "", {}, {}).isEmpty());
        OperLogHelper::logUser("启用", "用户名: x"); // silent
    }

    void helperWritesSignedInUserLocalTimeAndAddress() {
        TestDatabase t;
        PinnedClock pin(kNow);
        CurrentUser::instance().setUser(account("王药师", 3));
        OperLogHelper::log("盘点", "动作", "详情");
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
                 QString("3|李四|动作|详情|127.0.0.1|2026-03-01 07:05:09"));
        // Found again by its local day.
        const QList<models::OperLog> found = OperLogRepository().search("", "", kNow.date(), kNow.date());
        QVERIFY(found.size() == 6 && found.first().createdAt == kNow);
    }

    void amountFormat() {
        QCOMPARE((QStringList{OperLogHelper::formatAmount(12.5), OperLogHelper::formatAmount(100),
                              OperLogHelper::formatAmount(1234567), OperLogHelper::formatAmount(0.1 + 0.2)}),
                 (QStringList{"12.5", "100", "1.23457e+06", "0.3"}));
    }
};

QTEST_GUILESS_MAIN(TestAccountRepositories)
#include "tst_accountrepositories.moc"

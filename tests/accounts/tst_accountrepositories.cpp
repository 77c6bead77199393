#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/passwordhash.h"
#include "repositories/operloghelper.h"
#include "repositories/userrepository.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::PinnedClock;
using kestrovalin::test::TestDatabase;

namespace {

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
        QVERIFY(!repo.insert(dup) && dup.id == 42);
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
        CurrentUser::instance().clear();
        QCOMPARE(t.scalar("SELECT user_id || '|' || user_name || '|' || action || '|' || detail || '|' || "
                          "ip_address || '|' || created_at FROM sys_operation_log WHERE id = 1")
                     .toString(),
                 QString("3|李四|动作|详情|127.0.0.1|2026-03-01 07:05:09"));
        // Found again by its local day.
        const QList<models::OperLog> found = OperLogRepository().search("", "", kNow.date(), kNow.date());
        QVERIFY(found.size() == 1 && found.first().createdAt == kNow);
    }
};

QTEST_GUILESS_MAIN(TestAccountRepositories)
#include "tst_accountrepositories.moc"

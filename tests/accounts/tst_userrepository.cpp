#include "core/databasemanager.h"
#include "core/passwordhash.h"
#include "repositories/userrepository.h"
#include "tests/accounts/recordingadapter.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::PinnedClock;
using kestrovalin::test::TestDatabase;

namespace {

const QString kSelect =
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

} // namespace

class TestUserRepository : public QObject {
    Q_OBJECT
private slots:
    void statementsAreExact() {
        TestDatabase t;
        PinnedClock pin(kNow);
        RecordingAdapter rec(t.db());
        UserRepository repo(&rec);
        auto expect = [&](const QString& kind, const QString& sql, const QList<QVariant>& params) {
            QCOMPARE(rec.last().kind, kind);
            QCOMPARE(rec.last().sql, sql);
            QCOMPARE(rec.last().params, params);
        };
        const QString stamp = ", updated_at = CURRENT_TIMESTAMP WHERE id = ?";

        models::User u = makeUser("li", "李四");
        QVERIFY(repo.insert(u));
        expect(
            "query",
            "INSERT INTO sys_user (username, password_hash, real_name, role, status, created_at, updated_at) "
            "VALUES (?, ?, ?, ?, ?, ?, ?)",
            {"li", u.passwordHash, "李四", "clerk", 1, kNow, kNow});
        QVERIFY(repo.update(u));
        expect("execute", "UPDATE sys_user SET username = ?, real_name = ?, role = ?, status = ?" + stamp,
               {"li", "李四", "clerk", 1, u.id});
        QVERIFY(repo.updatePassword(u.id, "h"));
        expect("execute", "UPDATE sys_user SET password_hash = ?" + stamp, {"h", u.id});
        QVERIFY(repo.setStatus(u.id, 0));
        expect("execute", "UPDATE sys_user SET status = ?" + stamp, {0, u.id});
        repo.findById(u.id);
        expect("query", kSelect + " WHERE id = ?", {u.id});
        repo.findAll();
        expect("query", kSelect + " ORDER BY id DESC", {});
        repo.search("李");
        expect("query", kSelect + " WHERE username LIKE ? OR real_name LIKE ? ORDER BY id DESC",
               {"%李%", "%李%"});
    }

    void insertAndUpdateTimestampsReadBack() {
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
    }

    void duplicateNameFailsAndChangesNothing() {
        TestDatabase t;
        UserRepository repo;
        models::User first = makeUser("li", "李四");
        QVERIFY(repo.insert(first));
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
        u.id = 7;
        QVERIFY(!repo.insert(u) && !repo.update(u) && !repo.updatePassword(7, "h") && !repo.setStatus(7, 0));
        QCOMPARE(u.id, 7);
        QCOMPARE(repo.findById(7).id, 0);
        QVERIFY(repo.findAll().isEmpty() && repo.search("").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestUserRepository)
#include "tst_userrepository.moc"

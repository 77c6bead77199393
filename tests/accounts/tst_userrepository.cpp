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

models::User makeUser(const QString& name, const QString& realName, const QString& role = "clerk",
                      int status = 1) {
    models::User u;
    u.username = name;
    u.realName = realName;
    u.role = role;
    u.status = status;
    u.passwordHash = hashPassword("pw-" + name);
    return u;
}

QStringList names(const QList<models::User>& users) {
    QStringList out;
    for (const models::User& u : users)
        out << u.username;
    return out;
}

} // namespace

class TestUserRepository : public QObject {
    Q_OBJECT
private slots:
    void statementsAreExact() {
        TestDatabase t;
        PinnedClock pin(QDateTime(QDate(2026, 3, 1), QTime(9, 30, 15)));
        RecordingAdapter rec(t.db());
        UserRepository repo(&rec);

        models::User u = makeUser("li", "李四");
        QVERIFY(repo.insert(u));
        QCOMPARE(rec.last().kind, QString("query"));
        QCOMPARE(rec.last().sql,
                 QString("INSERT INTO sys_user (username, password_hash, real_name, role, status, "
                         "created_at, updated_at) VALUES (?, ?, ?, ?, ?, ?, ?)"));
        const QDateTime now(QDate(2026, 3, 1), QTime(9, 30, 15));
        QCOMPARE(rec.last().params, (QList<QVariant>{"li", u.passwordHash, "李四", "clerk", 1, now, now}));

        QVERIFY(repo.update(u));
        QCOMPARE(rec.last().kind, QString("execute"));
        QCOMPARE(rec.last().sql,
                 QString("UPDATE sys_user SET username = ?, real_name = ?, role = ?, status = ?, "
                         "updated_at = CURRENT_TIMESTAMP WHERE id = ?"));
        QCOMPARE(rec.last().params, (QList<QVariant>{"li", "李四", "clerk", 1, u.id}));

        QVERIFY(repo.updatePassword(u.id, "h"));
        QCOMPARE(
            rec.last().sql,
            QString("UPDATE sys_user SET password_hash = ?, updated_at = CURRENT_TIMESTAMP WHERE id = ?"));
        QCOMPARE(rec.last().params, (QList<QVariant>{"h", u.id}));

        QVERIFY(repo.setStatus(u.id, 0));
        QCOMPARE(rec.last().sql,
                 QString("UPDATE sys_user SET status = ?, updated_at = CURRENT_TIMESTAMP WHERE id = ?"));
        QCOMPARE(rec.last().params, (QList<QVariant>{0, u.id}));

        repo.findById(u.id);
        QCOMPARE(rec.last().sql, kSelect + " WHERE id = ?");
        QCOMPARE(rec.last().params, (QList<QVariant>{u.id}));
        repo.findAll();
        QCOMPARE(rec.last().sql, kSelect + " ORDER BY id DESC");
        QVERIFY(rec.last().params.isEmpty());
        repo.search("李");
        QCOMPARE(rec.last().sql, kSelect + " WHERE username LIKE ? OR real_name LIKE ? ORDER BY id DESC");
        QCOMPARE(rec.last().params, (QList<QVariant>{"%李%", "%李%"}));
    }

    void insertAndUpdateTimestampsReadBack() {
        TestDatabase t;
        PinnedClock pin(QDateTime(QDate(2026, 3, 1), QTime(9, 30, 15)));
        UserRepository repo;
        models::User u = makeUser("li", "李四");
        QVERIFY(repo.insert(u));
        QCOMPARE(u.id, t.scalar("SELECT id FROM sys_user WHERE username = 'li'").toInt());

        models::User back = repo.findById(u.id);
        QCOMPARE(back.username, QString("li"));
        QCOMPARE(back.passwordHash, u.passwordHash);
        QCOMPARE(back.realName, QString("李四"));
        QCOMPARE(back.role, QString("clerk"));
        QCOMPARE(back.status, 1);
        QCOMPARE(back.createdAt, QDateTime(QDate(2026, 3, 1), QTime(9, 30, 15)));
        QCOMPARE(back.updatedAt, back.createdAt);

        u.realName = "李小四";
        u.role = "manager";
        u.status = 0;
        u.passwordHash = "not stored by update";
        QVERIFY(repo.update(u));
        back = repo.findById(u.id);
        QCOMPARE(back.realName, QString("李小四"));
        QCOMPARE(back.role, QString("manager"));
        QCOMPARE(back.status, 0);
        QCOMPARE(back.passwordHash, hashPassword("pw-li"));
        QCOMPARE(back.createdAt, QDateTime(QDate(2026, 3, 1), QTime(9, 30, 15)));
        // SQLite's own clock writes "yyyy-MM-dd HH:mm:ss"; it must read back as a date-time too.
        QVERIFY(back.updatedAt.isValid());
        const QDateTime utc = QDateTime::currentDateTimeUtc();
        const QDateTime utcWall(utc.date(), utc.time());
        QVERIFY(qAbs(back.updatedAt.secsTo(utcWall)) < 120);

        QVERIFY(repo.updatePassword(u.id, hashPassword("new")));
        QCOMPARE(repo.findById(u.id).passwordHash, hashPassword("new"));
        QVERIFY(repo.setStatus(u.id, 1));
        QCOMPARE(repo.findById(u.id).status, 1);
        QVERIFY(repo.findById(u.id).updatedAt.isValid());
    }

    void duplicateNameFailsAndChangesNothing() {
        TestDatabase t;
        UserRepository repo;
        models::User first = makeUser("li", "李四");
        QVERIFY(repo.insert(first));
        const int before = t.count("sys_user");

        models::User dup = makeUser("li", "另一个李四");
        dup.id = 42;
        QVERIFY(!repo.insert(dup));
        QCOMPARE(dup.id, 42);
        QCOMPARE(t.count("sys_user"), before);

        models::User other = makeUser("wang", "王五");
        QVERIFY(repo.insert(other));
        other.username = "li";
        QVERIFY(!repo.update(other));
        QCOMPARE(repo.findById(other.id).username, QString("wang"));
    }

    void listsAndSearch() {
        TestDatabase t;
        UserRepository repo;
        for (const auto& name : {"li_a", "lixa", "wang"}) {
            models::User u = makeUser(name, QString("姓名") + name);
            QVERIFY(repo.insert(u));
        }
        QCOMPARE(names(repo.findAll()), (QStringList{"wang", "lixa", "li_a", "admin"}));
        QCOMPARE(names(repo.search("")), names(repo.findAll()));
        QCOMPARE(names(repo.search("%")), names(repo.findAll()));
        // "_" matches any single character.
        QCOMPARE(names(repo.search("li_")), (QStringList{"lixa", "li_a"}));
        QCOMPARE(names(repo.search("LIX")), (QStringList{"lixa"}));
        QCOMPARE(names(repo.search("系统管理")), (QStringList{"admin"}));
        QVERIFY(repo.search("nobody").isEmpty());
    }

    void missingIdGivesEmptyRecord() {
        TestDatabase t;
        const models::User u = UserRepository().findById(999);
        QCOMPARE(u.id, 0);
        QVERIFY(u.username.isEmpty() && u.realName.isEmpty() && u.passwordHash.isEmpty());
        // Updates of a missing id succeed without touching anything.
        QVERIFY(UserRepository().setStatus(999, 0));
    }

    void nullAdapterTouchesNothing() {
        QVERIFY(!DatabaseManager::instance().getAdapter());
        UserRepository repo;
        models::User u = makeUser("li", "李四");
        u.id = 7;
        QVERIFY(!repo.insert(u));
        QCOMPARE(u.id, 7);
        QVERIFY(!repo.update(u));
        QVERIFY(!repo.updatePassword(7, "h"));
        QVERIFY(!repo.setStatus(7, 0));
        QCOMPARE(repo.findById(7).id, 0);
        QVERIFY(repo.findAll().isEmpty());
        QVERIFY(repo.search("").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestUserRepository)
#include "tst_userrepository.moc"

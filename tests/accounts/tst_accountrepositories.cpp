#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/passwordhash.h"
#include "repositories/operloghelper.h"
#include "repositories/userrepository.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"

#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::LogCapture;
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

// "name:role:status" of every account, by id.
QString accounts(TestDatabase& t) {
    return t
        .scalar("SELECT group_concat(x, ',') FROM (SELECT username || ':' || role || ':' || status || ':' || "
                "password_hash AS x FROM sys_user ORDER BY id)")
        .toString();
}

int idOf(TestDatabase& t, const QString& name) {
    return t.scalar("SELECT id FROM sys_user WHERE username = ?", {name}).toInt();
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
        u.rowToken = repo.findById(u.id).rowToken;
        QVERIFY(repo.update(u));
        // SQLite's own clock writes UTC text; it must read back as a date-time too.
        const QDateTime utc = QDateTime::currentDateTimeUtc();
        QVERIFY(qAbs(repo.findById(u.id).updatedAt.secsTo(QDateTime(utc.date(), utc.time()))) < 120);

        models::User dup = account("li", 42);
        QVERIFY(!repo.insert(dup) && dup.id == 42);
        models::User other = account("wang");
        QVERIFY(repo.insert(other));
        other.rowToken = repo.findById(other.id).rowToken;
        other.username = "li";
        QVERIFY(!repo.update(other));
        QCOMPARE(t.scalar("SELECT group_concat(username) FROM sys_user").toString(),
                 QString("admin,li,wang"));
    }

    // accounts: the admin's role and status, then more accounts ("name:role:status"); change: "status NAME
    // N", "role NAME ROLE" or "rename NAME NEW" (the last two with the new password hash "n").
    void lastEnabledManagerStays_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("after");
        const int saved = int(UserRepository::WriteResult::Saved);
        const int refused = int(UserRepository::WriteResult::LastManager);
        QTest::newRow("disable the only manager") << "manager:1"
                                                  << "status admin 0" << refused << "admin:manager:1:h";
        QTest::newRow("demote the only manager, password kept")
            << "manager:1"
            << "role admin clerk" << refused << "admin:manager:1:h";
        QTest::newRow("rename the only manager") << "manager:1"
                                                 << "rename admin boss" << saved << "boss:manager:1:n";
        QTest::newRow("disable one of two managers")
            << "manager:1,li:manager:1"
            << "status admin 0" << saved << "admin:manager:0:h,li:manager:1:h";
        QTest::newRow("the other manager is disabled already")
            << "manager:1,li:manager:0"
            << "status admin 0" << refused << "admin:manager:1:h,li:manager:0:h";
        QTest::newRow("disable a clerk") << "manager:1,li:clerk:1"
                                         << "status li 0" << saved << "admin:manager:1:h,li:clerk:0:h";
        QTest::newRow("enable a manager") << "manager:0,li:manager:0"
                                          << "status li 1" << saved << "admin:manager:0:h,li:manager:1:h";
        QTest::newRow("no enabled manager before: other edits go on")
            << "manager:0,li:clerk:1"
            << "rename li wang" << saved << "admin:manager:0:h,wang:clerk:1:n";
    }
    void lastEnabledManagerStays() {
        QFETCH(QString, setup);
        QFETCH(QString, change);
        QFETCH(int, result);
        QFETCH(QString, after);
        TestDatabase t;
        const QStringList entries = setup.split(',');
        t.exec("UPDATE sys_user SET role = ?, status = ?, password_hash = 'h'",
               {entries[0].section(':', 0, 0), entries[0].section(':', 1).toInt()});
        for (const QString& entry : entries.mid(1))
            t.exec("INSERT INTO sys_user (username, password_hash, real_name, role, status) VALUES (?, 'h', "
                   "'李', "
                   "?, ?)",
                   {entry.section(':', 0, 0), entry.section(':', 1, 1), entry.section(':', 2).toInt()});
        const QStringList words = change.split(' ');
        UserRepository repo(t.db());
        LogCapture log;
        UserRepository::WriteResult written;
        if (words[0] == "status") {
            written = repo.changeStatus(idOf(t, words[1]), words[2].toInt());
        } else {
            models::User user = repo.findById(idOf(t, words[1]));
            (words[0] == "role" ? user.role : user.username) = words[2];
            written = repo.saveAccount(user, "n");
        }
        QCOMPARE(int(written), result);
        QCOMPARE(accounts(t), after);
        QCOMPARE(log.count("Refused: the last enabled manager"),
                 result == int(UserRepository::WriteResult::LastManager) ? 1 : 0);
        QCOMPARE(t.db()->inTransaction(), false);
    }

    void signInFindsEnabledAccountsOnly() {
        TestDatabase t;
        t.exec("INSERT INTO sys_user (username, password_hash, real_name, role, status) VALUES "
               "('li', 'h', '李四', 'clerk', 1), ('off', 'h', '停', 'clerk', 0)");
        using Outcome = UserRepository::SignIn::Outcome;
        UserRepository repo(t.db());
        const UserRepository::SignIn li = repo.findSignIn("li", "h");
        QCOMPARE(li.outcome, Outcome::Found);
        QCOMPARE(li.user.id, idOf(t, "li"));
        QCOMPARE(li.user.realName, QString("李四"));
        QCOMPARE(li.user.role, QString("clerk"));
        QCOMPARE(repo.findSignIn("li", "x").outcome, Outcome::NoMatch);
        QCOMPARE(repo.findSignIn("off", "h").outcome, Outcome::NoMatch);
        QCOMPARE(UserRepository(nullptr).findSignIn("li", "h").outcome, Outcome::Unreadable);
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

KV_TEST_CLASS(TestAccountRepositories)
#include "tst_accountrepositories.moc"

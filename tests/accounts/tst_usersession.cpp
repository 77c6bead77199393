#include "core/currentuser.h"
#include "core/usersession.h"

#include <QtTest>

using namespace kestrovalin;

class TestUserSession : public QObject {
    Q_OBJECT
private slots:
    void init() {
        UserSession::instance().logout();
        CurrentUser::instance().clear();
    }

    void emptyBeforeSignIn() {
        const UserSession& s = UserSession::instance();
        QCOMPARE(s.getCurrentUserId(), 0);
        QVERIFY(!s.isLoggedIn());
        QVERIFY(s.getCurrentUserName().isEmpty());
        QCOMPARE(CurrentUser::instance().getUserId(), 0);
        QCOMPARE(CurrentUser::instance().getUser().status, 0);
    }

    void sessionHoldsACopyAndNamesThePerson() {
        LoginUser user;
        user.id = 1;
        user.username = "admin";
        user.realName = "系统管理员";
        user.role = "manager";
        UserSession::instance().setCurrentUser(user);
        user.realName = "别人";
        user.id = 7;

        const UserSession& s = UserSession::instance();
        QVERIFY(s.isLoggedIn());
        QCOMPARE(s.getCurrentUserId(), 1);
        QCOMPARE(s.getCurrentUserName(), QString("系统管理员"));
        QCOMPARE(s.getCurrentUserRole(), QString("manager"));
        QCOMPARE(s.getCurrentUser().username, QString("admin"));

        UserSession::instance().logout();
        QCOMPARE(s.getCurrentUserId(), 0);
        QVERIFY(!s.isLoggedIn());
        const LoginUser after = s.getCurrentUser();
        QVERIFY(after.username.isEmpty() && after.realName.isEmpty() && after.role.isEmpty());
    }

    void clearKeepsHashAndTimestamps() {
        models::User user;
        user.id = 5;
        user.username = "li";
        user.realName = "李四";
        user.role = "clerk";
        user.status = 1;
        user.passwordHash = "abc";
        user.createdAt = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
        CurrentUser::instance().setUser(user);
        QCOMPARE(CurrentUser::instance().getUserId(), 5);
        QCOMPARE(CurrentUser::instance().getRealName(), QString("李四"));

        CurrentUser::instance().clear();
        const models::User held = CurrentUser::instance().getUser();
        QCOMPARE(held.id, 0);
        QCOMPARE(held.status, 0);
        QVERIFY(held.username.isEmpty() && held.realName.isEmpty() && held.role.isEmpty());
        QCOMPARE(held.passwordHash, QString("abc"));
        QCOMPARE(held.createdAt, user.createdAt);
    }
};

QTEST_GUILESS_MAIN(TestUserSession)
#include "tst_usersession.moc"

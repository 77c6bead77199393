#include "core/currentuser.h"
#include "core/passwordhash.h"
#include "core/usersession.h"
#include "tests/startup/modalanswer.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/login/logindialog.h"

#include <QtTest>
#include <memory>

using namespace kestrovalin;
using namespace kestrovalin::test;

class TestLoginDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Prompts::setTestMode(true); }
    void init() {
        Prompts::reset();
        CurrentUser::instance().clear();
    }

    // box: the one message shown; focus: the field that has the focus afterwards (none on success).
    void signIn_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("focus");
        const QString refused = "错误:用户名或密码不正确";
        QTest::newRow("name trimmed") << " admin\t"
                                      << "quoll"
                                      << "成功:欢迎 系统管理员!"
                                      << "";
        QTest::newRow("password as typed") << "admin"
                                           << "quoll " << refused << "editPassword";
        QTest::newRow("disabled account") << "off"
                                          << "secret" << refused << "editPassword";
        QTest::newRow("no database") << "admin"
                                     << "quoll" << refused << "editPassword";
        QTest::newRow("blank name") << "   "
                                    << "quoll"
                                    << "提示:请输入用户名"
                                    << "editUsername";
        QTest::newRow("no password") << "admin"
                                     << ""
                                     << "提示:请输入密码"
                                     << "editPassword";
    }
    void signIn() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, focus);
        std::unique_ptr<TestDatabase> t;
        if (QTest::currentDataTag() != QByteArray("no database")) {
            t = std::make_unique<TestDatabase>();
            t->exec("INSERT INTO sys_user (username, password_hash, real_name, status) VALUES ('off', ?, "
                    "'停', 0)",
                    {hashPassword("secret")});
        }
        LoginDialog d;
        d.show();
        d.findChild<QPushButton*>("btnCancel")->setFocus(); // so the dialog must move it
        signInThrough(&d, name, password);
        QCOMPARE(Prompts::history().size(), 1);
        QTEST(Prompts::lastTitle() + ":" + Prompts::lastText(), "box");
        if (focus.isEmpty()) {
            QCOMPARE(d.result(), int(QDialog::Accepted));
            const models::User cu = CurrentUser::instance().getUser();
            QVERIFY(cu.id == 1 && cu.username == "admin" && cu.status == 1 && cu.passwordHash.isEmpty());
            UserSession::instance().setCurrentUser(d.getLoggedInUser());
            QCOMPARE(UserSession::instance().getCurrentUserName(), QString("系统管理员"));
            return;
        }
        QVERIFY(d.isVisible() && CurrentUser::instance().getUserId() == 0);
        QCOMPARE(d.focusWidget()->objectName(), focus);
        QCOMPARE(d.findChild<QLineEdit*>("editUsername")->text(), name);
        if (Prompts::lastTitle() == "错误")
            QVERIFY(d.findChild<QLineEdit*>("editPassword")->text().isEmpty());
    }

    // One Return is one attempt: no auto-default button may click a second time.
    void oneEnterIsOneAttempt_data() {
        QTest::addColumn<QString>("field");
        QTest::newRow("password field") << "editPassword";
        QTest::newRow("name field") << "editUsername";
    }
    void oneEnterIsOneAttempt() {
        QFETCH(QString, field);
        LoginDialog d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        // Give each button focus once, as tabbing through the form would.
        d.findChild<QPushButton*>("btnCancel")->setFocus();
        d.findChild<QPushButton*>("btnLogin")->setFocus();
        d.findChild<QLineEdit*>("editUsername")->setText("admin");
        d.findChild<QLineEdit*>("editPassword")->setText("bad");
        QLineEdit* target = d.findChild<QLineEdit*>(field);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Return);
        QCOMPARE(Prompts::history().size(), 1);
    }
};

QTEST_MAIN(TestLoginDialog)
#include "tst_logindialog.moc"

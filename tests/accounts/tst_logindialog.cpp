#include "core/currentuser.h"
#include "core/passwordhash.h"
#include "core/usersession.h"
#include "tests/support/modalanswer.h"
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

    // Typed name and password, the one box shown, the field focused afterwards (none on success), and the
    // field in which Return is pressed (none: the button is clicked). One Return must be one attempt.
    void signIn_data() {
        QTest::addColumn<QStringList>("row");
        const QString refused = "错误:用户名或密码不正确";
        QTest::newRow("name trimmed") << QStringList{" admin\t", "quoll", "成功:欢迎 系统管理员!", "", ""};
        QTest::newRow("password as typed") << QStringList{"admin", "quoll ", refused, "editPassword", ""};
        QTest::newRow("disabled account")
            << QStringList{"off", "secret", refused, "editPassword", "editPassword"};
        QTest::newRow("no database") << QStringList{"admin", "quoll", refused, "editPassword",
                                                    "editUsername"};
        QTest::newRow("blank name") << QStringList{"   ", "quoll", "提示:请输入用户名", "editUsername", ""};
        QTest::newRow("no password") << QStringList{"admin", "", "提示:请输入密码", "editPassword", ""};
    }
    void signIn() {
        QFETCH(QStringList, row);
        std::unique_ptr<TestDatabase> t;
        if (QTest::currentDataTag() != QByteArray("no database")) {
            t = std::make_unique<TestDatabase>();
            t->exec("INSERT INTO sys_user (username, password_hash, real_name, status) VALUES ('off', ?, "
                    "'停', 0)",
                    {hashPassword("secret")});
        }
        LoginDialog d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        // Each button has had the focus once, as tabbing through the form would; the dialog must move it.
        d.findChild<QPushButton*>("btnLogin")->setFocus();
        d.findChild<QPushButton*>("btnCancel")->setFocus();
        if (row.at(4).isEmpty()) {
            signInThrough(&d, row.at(0), row.at(1));
        } else {
            d.findChild<QLineEdit*>("editUsername")->setText(row.at(0));
            d.findChild<QLineEdit*>("editPassword")->setText(row.at(1));
            QTest::keyClick(d.findChild<QLineEdit*>(row.at(4)), Qt::Key_Return);
        }
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::lastTitle() + ":" + Prompts::lastText(), row.at(2));
        if (row.at(3).isEmpty()) {
            QCOMPARE(d.result(), int(QDialog::Accepted));
            const models::User cu = CurrentUser::instance().getUser();
            QVERIFY(cu.id == 1 && cu.username == "admin" && cu.status == 1 && cu.passwordHash.isEmpty());
            UserSession::instance().setCurrentUser(d.getLoggedInUser());
            QCOMPARE(UserSession::instance().getCurrentUserName(), QString("系统管理员"));
            return;
        }
        QVERIFY(d.isVisible() && CurrentUser::instance().getUserId() == 0);
        QCOMPARE(d.focusWidget()->objectName(), row.at(3));
        QCOMPARE(d.findChild<QLineEdit*>("editUsername")->text(), row.at(0));
        if (Prompts::lastTitle() == "错误")
            QVERIFY(d.findChild<QLineEdit*>("editPassword")->text().isEmpty());
    }
};

QTEST_MAIN(TestLoginDialog)
#include "tst_logindialog.moc"

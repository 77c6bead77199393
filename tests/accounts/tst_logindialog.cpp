#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/passwordhash.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/login/logindialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::TestDatabase;

namespace {

QLineEdit* edit(QDialog& d, const char* name) {
    return d.findChild<QLineEdit*>(name);
}
QPushButton* button(QDialog& d, const char* name) {
    return d.findChild<QPushButton*>(name);
}

void typeInto(QDialog& d, const QString& user, const QString& password) {
    edit(d, "editUsername")->setText(user);
    edit(d, "editPassword")->setText(password);
}

} // namespace

class TestLoginDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Prompts::setTestMode(true); }
    void init() {
        Prompts::reset();
        CurrentUser::instance().clear();
    }

    void form() {
        LoginDialog d;
        QCOMPARE(d.windowTitle(), QString("柯斯洛 - 用户登录"));
        QCOMPARE(d.size(), QSize(480, 420));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QCOMPARE(edit(d, "editPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(edit(d, "editUsername")->placeholderText(), QString("请输入用户名"));
        QCOMPARE(button(d, "btnLogin")->text(), QString("登 录"));
        QCOMPARE(button(d, "btnCancel")->text(), QString("取 消"));
        QCOMPARE(d.findChild<QLabel*>("labelDefaultHint")->text(), QString("默认体验账号：admin / quoll"));
        QCOMPARE(d.getLoggedInUser().id, 0);
    }

    void signIn_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("ok");
        QTest::newRow("seeded admin") << "admin"
                                      << "quoll" << true;
        QTest::newRow("name trimmed") << "  admin\t"
                                      << "quoll" << true;
        QTest::newRow("password not trimmed") << "admin"
                                              << "quoll " << false;
        QTest::newRow("wrong password") << "admin"
                                        << "quol" << false;
        QTest::newRow("unknown user") << "nobody"
                                      << "quoll" << false;
        QTest::newRow("disabled account") << "off"
                                          << "secret" << false;
        QTest::newRow("enabled clerk") << "clerk1"
                                       << "secret" << true;
    }
    void signIn() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, ok);
        TestDatabase t;
        t.exec("INSERT INTO sys_user (username, password_hash, real_name, role, status) VALUES "
               "('off', ?, '停用者', 'clerk', 0), ('clerk1', ?, '店员甲', 'clerk', 1)",
               {hashPassword("secret"), hashPassword("secret")});

        LoginDialog d;
        d.show();
        typeInto(d, user, password);
        QTest::mouseClick(button(d, "btnLogin"), Qt::LeftButton);
        QCOMPARE(Prompts::history().size(), 1);
        if (ok) {
            const QString expectedName = user.trimmed() == "admin" ? "系统管理员" : "店员甲";
            QCOMPARE(Prompts::last().kind, Prompts::Kind::Information);
            QCOMPARE(Prompts::lastTitle(), QString("成功"));
            QCOMPARE(Prompts::lastText(), "欢迎 " + expectedName + "!");
            QCOMPARE(d.result(), int(QDialog::Accepted));
            const LoginUser lu = d.getLoggedInUser();
            QCOMPARE(lu.username, user.trimmed());
            QCOMPARE(lu.realName, expectedName);
            const models::User cu = CurrentUser::instance().getUser();
            QCOMPARE(cu.id, lu.id);
            QVERIFY(cu.id > 0);
            QCOMPARE(cu.username, lu.username);
            QCOMPARE(cu.realName, expectedName);
            QCOMPARE(cu.role, lu.role);
            QCOMPARE(cu.status, 1);
            QVERIFY(cu.passwordHash.isEmpty());
            QVERIFY(!cu.createdAt.isValid());
        } else {
            QCOMPARE(Prompts::last().kind, Prompts::Kind::Warning);
            QCOMPARE(Prompts::lastTitle(), QString("错误"));
            QCOMPARE(Prompts::lastText(), QString("用户名或密码不正确"));
            QVERIFY(d.isVisible());
            QVERIFY(edit(d, "editPassword")->text().isEmpty());
            QCOMPARE(d.focusWidget(), edit(d, "editPassword"));
            QCOMPARE(edit(d, "editUsername")->text(), user);
            QCOMPARE(d.getLoggedInUser().id, 0);
            QCOMPARE(CurrentUser::instance().getUserId(), 0);
        }
    }

    void noDatabaseFails() {
        QVERIFY(!DatabaseManager::instance().getAdapter());
        LoginDialog d;
        d.show();
        typeInto(d, "admin", "quoll");
        QTest::mouseClick(button(d, "btnLogin"), Qt::LeftButton);
        QCOMPARE(Prompts::lastTitle(), QString("错误"));
        QCOMPARE(Prompts::lastText(), QString("用户名或密码不正确"));
        QVERIFY(edit(d, "editPassword")->text().isEmpty());
        QCOMPARE(edit(d, "editUsername")->text(), QString("admin"));
    }

    void emptyFieldsAskFirst_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("focus");
        QTest::newRow("no name") << ""
                                 << "quoll"
                                 << "请输入用户名"
                                 << "editUsername";
        QTest::newRow("blank name") << "   "
                                    << "quoll"
                                    << "请输入用户名"
                                    << "editUsername";
        QTest::newRow("no password") << "admin"
                                     << ""
                                     << "请输入密码"
                                     << "editPassword";
    }
    void emptyFieldsAskFirst() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, text);
        QFETCH(QString, focus);
        TestDatabase t;
        LoginDialog d;
        d.show();
        typeInto(d, user, password);
        edit(d, "editUsername")->setFocus();
        if (focus == "editUsername")
            edit(d, "editPassword")->setFocus();
        QTest::mouseClick(button(d, "btnLogin"), Qt::LeftButton);
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::last().kind, Prompts::Kind::Warning);
        QCOMPARE(Prompts::lastTitle(), QString("提示"));
        QCOMPARE(Prompts::lastText(), text);
        QCOMPARE(d.focusWidget()->objectName(), focus);
        QCOMPARE(edit(d, "editPassword")->text(), password);
        QVERIFY(d.isVisible());
    }

    // One Return is one attempt: no auto-default button may click a second time.
    void oneEnterIsOneAttempt_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("text");
        QTest::newRow("password field, wrong") << "editPassword"
                                               << "bad"
                                               << "用户名或密码不正确";
        QTest::newRow("password field, right") << "editPassword"
                                               << "quoll"
                                               << "欢迎 系统管理员!";
        QTest::newRow("name field") << "editUsername"
                                    << ""
                                    << "请输入密码";
    }
    void oneEnterIsOneAttempt() {
        QFETCH(QString, field);
        QFETCH(QString, password);
        QFETCH(QString, text);
        TestDatabase t;
        LoginDialog d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        // Give each button focus once, as tabbing through the form would.
        button(d, "btnCancel")->setFocus();
        button(d, "btnLogin")->setFocus();
        typeInto(d, "admin", password);
        QLineEdit* target = d.findChild<QLineEdit*>(field);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Return);
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::lastText(), text);
    }

    void cancelEscapeAndCloseReject_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("cancel") << 0;
        QTest::newRow("escape") << 1;
        QTest::newRow("close") << 2;
    }
    void cancelEscapeAndCloseReject() {
        QFETCH(int, how);
        TestDatabase t;
        models::User before;
        before.id = 9;
        before.realName = "原来的人";
        CurrentUser::instance().setUser(before);
        LoginDialog d;
        d.show();
        typeInto(d, "admin", "quoll");
        if (how == 0)
            QTest::mouseClick(button(d, "btnCancel"), Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(&d, Qt::Key_Escape);
        else
            d.close();
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QVERIFY(Prompts::history().isEmpty());
        QCOMPARE(CurrentUser::instance().getUserId(), 9);
        QCOMPARE(d.getLoggedInUser().id, 0);
    }

    // The real message box is wired: exec() returns after its success box is answered.
    void realBoxesThroughExec() {
        TestDatabase t;
        Prompts::setTestMode(false);
        LoginDialog d;
        QStringList seen;
        QTimer timer;
        timer.setInterval(10);
        connect(&timer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen << box->windowTitle() + "|" + box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        // A timer never re-enters its own slot, so the click that opens the box comes from another one.
        QTimer::singleShot(0, &d, [&] {
            typeInto(d, "admin", "quoll");
            button(d, "btnLogin")->click();
        });
        timer.start();
        const int result = d.exec();
        timer.stop();
        Prompts::setTestMode(true);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(seen, QStringList{"成功|欢迎 系统管理员!"});
    }
};

QTEST_MAIN(TestLoginDialog)
#include "tst_logindialog.moc"

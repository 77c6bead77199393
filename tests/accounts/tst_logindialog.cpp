#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/passwordhash.h"
#include "core/usersession.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/login/logindialog.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace kestrovalin;
using kestrovalin::test::TestDatabase;

namespace {

QLineEdit* edit(QDialog& d, const char* name) {
    return d.findChild<QLineEdit*>(name);
}

void typeInto(QDialog& d, const QString& user, const QString& password) {
    edit(d, "editUsername")->setText(user);
    edit(d, "editPassword")->setText(password);
}

void clickLogin(QDialog& d) {
    QTest::mouseClick(d.findChild<QPushButton*>("btnLogin"), Qt::LeftButton);
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

    // typed: user name and password; realName: the person welcomed, empty for a failed attempt.
    void signIn_data() {
        QTest::addColumn<bool>("database");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("realName");
        QTest::newRow("seeded admin, name trimmed")
            << true << QStringList{"  admin\t", "quoll"} << "系统管理员";
        QTest::newRow("password not trimmed") << true << QStringList{"admin", "quoll "} << "";
        QTest::newRow("unknown user") << true << QStringList{"nobody", "quoll"} << "";
        QTest::newRow("disabled account") << true << QStringList{"off", "secret"} << "";
        QTest::newRow("enabled clerk") << true << QStringList{"clerk1", "secret"} << "店员甲";
        QTest::newRow("no database") << false << QStringList{"admin", "quoll"} << "";
    }
    void signIn() {
        QFETCH(bool, database);
        QFETCH(QStringList, typed);
        QFETCH(QString, realName);
        const QString user = typed.at(0);
        std::unique_ptr<TestDatabase> t;
        if (database) {
            t = std::make_unique<TestDatabase>();
            t->exec("INSERT INTO sys_user (username, password_hash, real_name, role, status) VALUES "
                    "('off', ?, '停用者', 'clerk', 0), ('clerk1', ?, '店员甲', 'clerk', 1)",
                    {hashPassword("secret"), hashPassword("secret")});
        }
        QCOMPARE(DatabaseManager::instance().getAdapter() != nullptr, database);
        LoginDialog d;
        d.show();
        QCOMPARE(edit(d, "editPassword")->echoMode(), QLineEdit::Password);
        typeInto(d, user, typed.at(1));
        clickLogin(d);
        QCOMPARE(Prompts::history().size(), 1);
        if (!realName.isEmpty()) {
            QCOMPARE(Prompts::lastTitle() + Prompts::lastText(), "成功欢迎 " + realName + "!");
            QCOMPARE(d.result(), int(QDialog::Accepted));
            const LoginUser lu = d.getLoggedInUser();
            QCOMPARE(lu.username, user.trimmed());
            const models::User cu = CurrentUser::instance().getUser();
            QVERIFY(cu.id > 0 && cu.id == lu.id && cu.status == 1 && cu.passwordHash.isEmpty());
            QCOMPARE(cu.realName, realName);
            // The session names the person, not the login name.
            UserSession::instance().setCurrentUser(lu);
            QCOMPARE(UserSession::instance().getCurrentUserName(), realName);
        } else {
            QCOMPARE(Prompts::lastTitle() + Prompts::lastText(), QString("错误用户名或密码不正确"));
            QVERIFY(d.isVisible() && edit(d, "editPassword")->text().isEmpty());
            QCOMPARE(d.focusWidget(), edit(d, "editPassword"));
            QCOMPARE(edit(d, "editUsername")->text(), user);
            QCOMPARE(CurrentUser::instance().getUserId(), 0);
        }
    }

    // typed: user name and password; then the warning and the field that gets the focus.
    void emptyFieldsAskFirst_data() {
        QTest::addColumn<QStringList>("typed");
        QTest::newRow("no name") << QStringList{"", "quoll", "请输入用户名", "editUsername"};
        QTest::newRow("blank name") << QStringList{"   ", "quoll", "请输入用户名", "editUsername"};
        QTest::newRow("no password") << QStringList{"admin", "", "请输入密码", "editPassword"};
    }
    void emptyFieldsAskFirst() {
        QFETCH(QStringList, typed);
        const QString focus = typed.at(3);
        TestDatabase t;
        LoginDialog d;
        d.show();
        typeInto(d, typed.at(0), typed.at(1));
        // Focus starts in the other field, so the box must move it.
        edit(d, focus == "editUsername" ? "editPassword" : "editUsername")->setFocus();
        clickLogin(d);
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::lastTitle() + Prompts::lastText(), "提示" + typed.at(2));
        QCOMPARE(d.focusWidget()->objectName(), focus);
        QVERIFY(d.isVisible());
    }

    // One Return is one attempt: no auto-default button may click a second time.
    void oneEnterIsOneAttempt_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("text");
        QTest::newRow("password field, wrong") << "editPassword" << QString("bad") << "用户名或密码不正确";
        QTest::newRow("password field, right") << "editPassword" << QString("quoll") << "欢迎 系统管理员!";
        QTest::newRow("name field") << "editUsername" << QString() << "请输入密码";
    }
    void oneEnterIsOneAttempt() {
        QFETCH(QString, field);
        QFETCH(QString, password);
        TestDatabase t;
        LoginDialog d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        // Give each button focus once, as tabbing through the form would.
        d.findChild<QPushButton*>("btnCancel")->setFocus();
        d.findChild<QPushButton*>("btnLogin")->setFocus();
        typeInto(d, "admin", password);
        QLineEdit* target = d.findChild<QLineEdit*>(field);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Return);
        QCOMPARE(Prompts::history().size(), 1);
        QTEST(Prompts::lastText(), "text");
    }

    // The real message box is wired: exec() returns after its success box is answered; cancel rejects.
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
            d.findChild<QPushButton*>("btnLogin")->click();
        });
        timer.start();
        const int result = d.exec();
        timer.stop();
        Prompts::setTestMode(true);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(seen, QStringList{"成功|欢迎 系统管理员!"});
        LoginDialog cancelled;
        QTimer::singleShot(0, cancelled.findChild<QPushButton*>("btnCancel"), &QPushButton::click);
        QCOMPARE(cancelled.exec(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(TestLoginDialog)
#include "tst_logindialog.moc"

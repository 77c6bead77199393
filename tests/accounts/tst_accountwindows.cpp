#include "core/currentuser.h"
#include "core/passwordhash.h"
#include "core/transaction.h"
#include "tests/support/logcapture.h"
#include "tests/support/modalanswer.h"
#include "tests/support/otherwriter.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"
#include "tests/support/windowreturn.h"
#include "ui/admin/operlogwindow.h"
#include "ui/admin/userdialog.h"
#include "ui/admin/usermanagerwindow.h"
#include "ui/common/prompts.h"
#include "ui/login/logindialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QTableWidget>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

QLineEdit* field(QWidget* w, const char* name) {
    return w->findChild<QLineEdit*>(name);
}
void click(QWidget* w, const char* button) {
    w->findChild<QPushButton*>(button)->click();
}
QStringList column(QWidget* w, int c) {
    const QAbstractItemModel* model = w->findChild<QTableView*>()->model();
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->index(r, c).data().toString();
    return out;
}

// Types into the user dialog (an empty real name leaves the field alone) and presses OK; a dialog that
// stays open after a warning is cancelled.
auto fill(const QString& name, const QString& realName, const QString& password) {
    return [=](UserDialog* d) {
        field(d, "editUsername")->setText(name);
        if (!realName.isEmpty())
            field(d, "editRealName")->setText(realName);
        field(d, "editPassword")->setText(password);
        d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        if (d->isVisible())
            d->reject();
    };
}
// Answers the user dialogs as they come up: a new one with act; one that comes back after a refused save
// with again, after noting its user name and password fields in cameBack. Without again it is cancelled.
struct UserForms {
    explicit UserForms(const std::function<void(UserDialog*)>& act,
                       const std::function<void(UserDialog*)>& again = {})
        : answer(
              [this, act, again](UserDialog* d) {
                  if (d != last) {
                      last = d;
                      return act(d);
                  }
                  cameBack << field(d, "editUsername")->text() + "|" + field(d, "editPassword")->text();
                  again ? again(d) : d->reject();
              },
              true) {}
    QStringList cameBack;
    QPointer<UserDialog> last;
    ModalAnswer<UserDialog> answer;
};

// Makes the user's row current (none for an empty name) and clicks the button.
void clickOn(UserManagerWindow& w, const QString& username, const char* button) {
    w.findChild<QTableWidget*>()->setCurrentCell(column(&w, 1).indexOf(username), 0);
    click(&w, button);
}
QString stateOf(TestDatabase& t, const QString& username) {
    return t
        .scalar("SELECT password_hash || '|' || role || '|' || status FROM sys_user WHERE username = ?",
                {username})
        .toString();
}

void addEntry(TestDatabase& t, const QString& at, const QString& module, const QString& detail) {
    t.exec(
        "INSERT INTO sys_operation_log (user_id, user_name, module, action, detail, ip_address, created_at) "
        "VALUES (1, '系统管理员', ?, '动作', ?, '127.0.0.1', ?)",
        {module, detail, at});
}

} // namespace

// Sign-in, user administration and the operation-log viewer.
class TestAccountWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Prompts::setTestMode(true); }
    void init() {
        Prompts::reset();
        models::User admin;
        admin.id = 1;
        admin.realName = "系统管理员";
        CurrentUser::instance().setUser(admin);
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
        // Accounts that could not be read are no wrong password.
        const QString unread = "无法登录:未能读取账户信息，无法登录，请检查数据库文件后重新启动程序";
        QTest::newRow("no database") << QStringList{"admin", "quoll", unread, "editPassword", "editUsername"};
        QTest::newRow("accounts unreadable") << QStringList{"admin", "quoll", unread, "editPassword", ""};
        QTest::newRow("blank name") << QStringList{"   ", "quoll", "提示:请输入用户名", "editUsername", ""};
        QTest::newRow("no password") << QStringList{"admin", "", "提示:请输入密码", "editPassword", ""};
    }
    void signIn() {
        QFETCH(QStringList, row);
        CurrentUser::instance().clear();
        QScopedPointer<TestDatabase> t;
        if (QTest::currentDataTag() != QByteArray("no database")) {
            t.reset(new TestDatabase);
            t->exec("INSERT INTO sys_user (username, password_hash, real_name, status) VALUES ('off', ?, "
                    "'停', 0)",
                    {hashPassword("secret")});
        }
        LogCapture quiet;
        if (QTest::currentDataTag() == QByteArray("accounts unreadable"))
            t->exec("DROP TABLE sys_user");
        LoginDialog d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        // Each button has had the focus once, as tabbing through the form would; the dialog must move it.
        d.findChild<QPushButton*>("btnLogin")->setFocus();
        d.findChild<QPushButton*>("btnCancel")->setFocus();
        if (row.at(4).isEmpty()) {
            signInThrough(&d, row.at(0), row.at(1));
        } else {
            field(&d, "editUsername")->setText(row.at(0));
            field(&d, "editPassword")->setText(row.at(1));
            QTest::keyClick(field(&d, qPrintable(row.at(4))), Qt::Key_Return);
        }
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::lastTitle() + ":" + Prompts::lastText(), row.at(2));
        if (row.at(3).isEmpty()) {
            const models::User cu = CurrentUser::instance().getUser();
            QVERIFY(d.result() == QDialog::Accepted && cu.id == 1 && cu.passwordHash.isEmpty());
            QCOMPARE(d.getLoggedInUser().username, QString("admin"));
            return;
        }
        QVERIFY(d.isVisible() && CurrentUser::instance().getUserId() == 0);
        QCOMPARE(d.focusWidget()->objectName(), row.at(3));
        if (Prompts::lastTitle() == "错误")
            QVERIFY(field(&d, "editPassword")->text().isEmpty());
    }

    // Newest first; a role other than "manager" shows as 店员, a status other than 1 as 禁用.
    void usersListAndSearch() {
        TestDatabase t;
        t.exec("INSERT INTO sys_user (username, password_hash, real_name, role, status) VALUES "
               "('off', 'h', '停用者', 'manager', 0), ('odd', 'h', '怪角色', 'Manager', 2)");
        UserManagerWindow w;
        QCOMPARE(column(&w, 1) + column(&w, 3) + column(&w, 4),
                 (QStringList{"odd", "off", "admin", "店员", "老板", "老板", "禁用", "禁用", "启用"}));
        field(&w, "editSearch")->setText("  od ");
        QTest::keyClick(field(&w, "editSearch"), Qt::Key_Return);
        QCOMPARE(column(&w, 1), QStringList{"odd"});
        for (const char* button : {"btnEdit", "btnView", "btnToggleStatus", "btnResetPassword"})
            clickOn(w, "", button); // nothing selected: a hint each, nothing touched
        QCOMPARE(Prompts::history().size(), 4);
    }

    // Another copy disables a shown account and adds one while the user is elsewhere: back in the window, the
    // list shows the stored accounts for the same search and the same account is still current.
    void usersFollowTheFileOnReturn() {
        TestDatabase t;
        t.exec("INSERT INTO sys_user (username, password_hash, real_name, role, status) VALUES "
               "('off', 'h', '甲', 'clerk', 1), ('odd', 'h', '乙', 'clerk', 1)");
        UserManagerWindow w;
        field(&w, "editSearch")->setText("o");
        click(&w, "btnSearch");
        auto* table = w.findChild<QTableWidget*>();
        table->setCurrentCell(column(&w, 1).indexOf("off"), 2);
        t.execElsewhere("UPDATE sys_user SET status = 0 WHERE username = 'off'");
        t.execElsewhere("INSERT INTO sys_user (username, password_hash, real_name, role, status) VALUES "
                        "('oak', 'h', '丙', 'clerk', 1)");
        field(&w, "editSearch")->clear(); // typed, not searched
        leaveAndComeBack(&w);
        QCOMPARE(column(&w, 1) + column(&w, 4), (QStringList{"oak", "odd", "off", "启用", "启用", "禁用"}));
        QCOMPARE(table->currentRow(), 2);
        QCOMPARE(table->currentColumn(), 2);
    }

    // Every action once, each logged; enabling and disabling go through the real box.
    void usersAdministeredAndLogged() {
        const ShortBusyWait wait;
        TestDatabase t;
        UserManagerWindow w;
        {
            UserForms add([](UserDialog* d) {
                d->findChild<QComboBox*>()->setCurrentIndex(1);
                d->findChild<QCheckBox*>()->setChecked(false);
                fill(" wang ", " 王五 ", "  ")(d); // a password of blanks is hashed as typed
            });
            clickOn(w, "", "btnAdd");
            clickOn(w, "", "btnAdd"); // the same name again: the dialog comes back as typed
            QCOMPARE(Prompts::history().at(0).text + Prompts::lastText(),
                     QString("用户添加成功！用户添加失败！\n用户名 wang 已存在"));
            {
                const OtherWriter other(t.path()); // the lock stops the write before the name is looked at
                clickOn(w, "", "btnAdd");
            }
            QCOMPARE(Prompts::lastText(), QString("用户添加失败！\n数据库正被其他程序占用，请稍后重试"));
            QCOMPARE(add.cameBack, (QStringList{" wang |  ", " wang |  "}));
        }
        QCOMPARE(stateOf(t, "wang"), hashPassword("  ") + "|manager|0");
        {
            ModalAnswer<UserDialog> edit(fill("wang2", "", "")); // no password: the hash stays
            clickOn(w, "wang", "btnEdit");
        }
        QCOMPARE(stateOf(t, "wang2"), hashPassword("  ") + "|manager|0");

        Prompts::setTestMode(false);
        QStringList boxes;
        {
            ModalAnswer<QMessageBox> ok([&](QMessageBox* box) {
                QVERIFY(box->textFormat() == Qt::PlainText); // texts may carry names users typed
                boxes << box->text() + stateOf(t, "wang2").right(1);
                box->button(QMessageBox::Ok)->click();
            });
            clickOn(w, "wang2", "btnToggleStatus");
            clickOn(w, "wang2", "btnToggleStatus");
        }
        Prompts::setTestMode(true);
        QCOMPARE(boxes, (QStringList{"用户已启用！1", "用户已禁用！0"})); // no question before either

        Prompts::queueText(" 1 ", true);
        clickOn(w, "wang2", "btnResetPassword");
        QCOMPARE(stateOf(t, "wang2"), hashPassword(" 1 ") + "|manager|0");
        QCOMPARE(t.scalar("SELECT group_concat(action || ' ' || detail, ';') FROM (SELECT * FROM "
                          "sys_operation_log WHERE user_id = 1 AND module = '用户管理' ORDER BY id)")
                     .toString(),
                 QString("新增用户 用户名: wang, 姓名: 王五;编辑用户 用户名: wang;启用 用户名: wang2;"
                         "禁用 用户名: wang2;重置密码 用户名: wang2"));
    }

    // The stored role "weird" shows and saves as 店员. An edit refused for a taken name comes back as typed
    // and keeps the old password; saved then with the password field emptied, it keeps it still. A new
    // password is stored with the account.
    void userEditStoresPasswordOnlyWithTheAccount() {
        TestDatabase t;
        t.exec("INSERT INTO sys_user (username, password_hash, real_name, role) VALUES ('zhang', ?, '张', "
               "'weird')",
               {hashPassword("old")});
        UserManagerWindow w;
        QString refused;
        {
            UserForms taken(fill("admin", "", "new "), [&](UserDialog* d) {
                refused = Prompts::lastText() + stateOf(t, "zhang");
                fill("zhang3", "", "")(d);
            });
            clickOn(w, "zhang", "btnEdit");
            QCOMPARE(taken.cameBack, QStringList{"admin|new "});
        }
        QCOMPARE(refused, "用户更新失败！\n用户名 admin 已存在" + hashPassword("old") + "|weird|1");
        QCOMPARE(Prompts::lastText() + stateOf(t, "zhang3"),
                 "用户更新成功！" + hashPassword("old") + "|clerk|1");
        ModalAnswer<UserDialog> renew(fill("zhang3", "", "new "));
        clickOn(w, "zhang3", "btnEdit");
        QCOMPARE(stateOf(t, "zhang3"), hashPassword("new ") + "|clerk|1");
    }

    // An account another program changed after the list was read: the edit is refused with the reason and
    // changes nothing, the dialog ends and the list shows the account as stored; reopened, as the message
    // asks, it is saved.
    void userChangedElsewhereIsReopenedAndSaved() {
        TestDatabase t;
        t.exec("INSERT INTO sys_user (username, password_hash, real_name, role) VALUES ('zhang', 'h', '张', "
               "'clerk')");
        UserManagerWindow w;
        t.exec("UPDATE sys_user SET role = 'manager' WHERE username = 'zhang'");
        UserForms edit([&](UserDialog* d) {
            field(d, "editRealName")->setText("张三");
            fill("zhang", "", "new")(d);
        });
        clickOn(w, "zhang", "btnEdit");
        QCOMPARE(edit.cameBack, QStringList());
        QCOMPARE(Prompts::lastText(), QString("用户更新失败！\n该记录已被修改，请重新打开后再编辑"));
        QCOMPARE(stateOf(t, "zhang") + column(&w, 3).join(','), QString("h|manager|1老板,老板"));
        clickOn(w, "zhang", "btnEdit");
        QCOMPARE(Prompts::lastText(), QString("用户更新成功！"));
        QCOMPARE(stateOf(t, "zhang") +
                     t.scalar("SELECT real_name FROM sys_user WHERE username = 'zhang'").toString(),
                 hashPassword("new") + "|manager|1张三");
    }

    // The only enabled 老板 can be neither disabled nor demoted; the window says why and logs nothing.
    void lastManagerIsKept() {
        TestDatabase t;
        const QString before = stateOf(t, "admin");
        UserManagerWindow w;
        clickOn(w, "admin", "btnToggleStatus");
        QCOMPARE(Prompts::lastTitle(), QString("提示"));
        QCOMPARE(Prompts::lastText(), QString("至少需要保留一个启用的老板账户！"));
        {
            UserForms demote([](UserDialog* d) {
                d->findChild<QComboBox*>()->setCurrentIndex(0); // 店员
                fill("admin", "", "new")(d);
            });
            clickOn(w, "admin", "btnEdit");
            QCOMPARE(demote.cameBack, QStringList{"admin|new"}); // to be fixed by editing
        }
        QCOMPARE(Prompts::history().size(), 2);
        QCOMPARE(Prompts::lastText(), QString("至少需要保留一个启用的老板账户！"));
        QCOMPARE(stateOf(t, "admin"), before);
        QCOMPARE(t.count("sys_operation_log"), 0);
    }

    void operLogFirstLoadAndResetIgnoreDatesSearchUsesThem() {
        TestDatabase t;
        PinnedClock pin(QDate(2026, 3, 15));
        {
            Transaction tx(t.db());
            for (int i = 0; i < 505; ++i) // far outside the default month
                addEntry(t, "2025-01-01 08:00:00", "用户管理", "old");
            addEntry(t, "2026-03-01 09:00:00", "销售收银", "S1");
            addEntry(t, "2026-03-15 23:59:59", "盘点", "C7");
            addEntry(t, "2026-02-14 23:00:00", "用户管理", "before the month");
            QVERIFY(tx.commit());
        }
        OperLogWindow w;
        QCOMPARE(QString::number(column(&w, 4).size()) + column(&w, 4).first(), QString("500C7"));
        click(&w, "btnSearch"); // default dates: the last month only
        QCOMPARE(column(&w, 4), (QStringList{"C7", "S1"}));
        auto* keyword = field(&w, "editKeyword");
        keyword->setText("  动作 ");                   // every entry's action, once trimmed
        w.findChild<QComboBox*>()->setCurrentIndex(4); // 销售收银
        QTest::keyClick(keyword, Qt::Key_Return);
        QCOMPARE(column(&w, 4), QStringList{"S1"});

        w.findChild<QDateEdit*>("dateStart")->setDate(QDate(2026, 3, 16));
        click(&w, "btnRefresh");
        QVERIFY(keyword->text().isEmpty() && w.findChild<QComboBox*>()->currentIndex() == 0 &&
                w.findChild<QDateEdit*>("dateStart")->date() == QDate(2026, 2, 15));
        QCOMPARE(column(&w, 4).size(), 500);
    }

    // Entries deleted by another copy while the user is elsewhere: back in the window, the current entry's
    // neighbour is current, the one below it as shown, or above it when none is left below.
    void operLogKeepsTheNeighbourOfAGoneEntry_data() {
        QTest::addColumn<QString>("gone");
        QTest::addColumn<QString>("current");
        QTest::newRow("the current entry") << "3" << QString("2");
        QTest::newRow("it and every one below") << "3, 2, 1" << QString("4");
    }
    void operLogKeepsTheNeighbourOfAGoneEntry() {
        QFETCH(QString, gone);
        QFETCH(QString, current);
        TestDatabase t;
        for (int day = 1; day <= 5; ++day)
            addEntry(t, QString("2026-03-0%1 09:00:00").arg(day), "用户管理", "");
        OperLogWindow w;
        auto* table = w.findChild<QTableView*>();
        table->setCurrentIndex(table->model()->index(column(&w, 6).indexOf("3"), 1));
        t.execElsewhere("DELETE FROM sys_operation_log WHERE id IN (" + gone + ")");
        leaveAndComeBack(&w);
        QCOMPARE(table->currentIndex().siblingAtColumn(6).data().toString(), current);
    }

    void operLogExportWritesShownRowsExactly() {
        TestDatabase t;
        addEntry(t, "2026-03-02 09:00:00", "用户管理", "姓名: \"阿\"");
        addEntry(t, "2026-03-03 09:00:00", "销售收银", "=HYPERLINK(1)");
        OperLogWindow w;
        // Refilled while sorted by a middle column: each row must keep its own cells, in the order shown.
        w.findChild<QTableView*>()->sortByColumn(4, Qt::DescendingOrder);
        click(&w, "btnRefresh");
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        // A failed write is reported, never a success.
        for (const QString& answer :
             QStringList{path + "|成功日志已导出到:\n" + path,
                         "/nonexistent/x.csv|错误无法创建文件！\n原因：文件夹不存在。",
                         "/dev/full|错误无法写入文件！\n原因：磁盘空间不足。"}) {
            Prompts::reset();
            Prompts::queueFileName(answer.section('|', 0, 0));
            click(&w, "btnExport");
            QCOMPARE(Prompts::history().size(), 2);
            QCOMPARE(Prompts::lastTitle() + Prompts::lastText(), answer.section('|', 1));
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\xEF\xBB\xBF时间,用户,模块,操作,详情,IP地址,ID\n"
                                            "\"2026-03-02 09:00:00\",\"系统管理员\",\"用户管理\",\"动作\","
                                            "\"姓名: \"\"阿\"\"\",\"127.0.0.1\",\"1\"\n"
                                            "\"2026-03-03 09:00:00\",\"系统管理员\",\"销售收银\",\"动作\","
                                            "\"'=HYPERLINK(1)\",\"127.0.0.1\",\"2\"\n"));
    }
};

KV_TEST_CLASS(TestAccountWindows)
#include "tst_accountwindows.moc"

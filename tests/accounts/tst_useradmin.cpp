#include "core/currentuser.h"
#include "core/passwordhash.h"
#include "tests/support/modalanswer.h"
#include "tests/support/testdatabase.h"
#include "ui/admin/userdialog.h"
#include "ui/admin/usermanagerwindow.h"
#include "ui/common/prompts.h"

#include <QCheckBox>
#include <QComboBox>
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

// Types into the user dialog (a null text leaves the field alone) and presses OK; a dialog that stays open
// after a warning is cancelled.
auto fill(const QString& name, const QString& realName, const QString& password) {
    return [=](UserDialog* d) {
        if (!name.isNull())
            field(d, "editUsername")->setText(name);
        if (!realName.isNull())
            field(d, "editRealName")->setText(realName);
        field(d, "editPassword")->setText(password);
        d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        if (d->isVisible())
            d->reject();
    };
}

QStringList column(UserManagerWindow& w, int c) {
    auto* table = w.findChild<QTableWidget*>();
    QStringList out;
    for (int r = 0; r < table->rowCount(); ++r)
        out << table->item(r, c)->text();
    return out;
}
// Makes the user's row current (none for an empty name) and clicks the button.
void clickOn(UserManagerWindow& w, const QString& username, const char* button) {
    w.findChild<QTableWidget*>()->setCurrentCell(column(w, 1).indexOf(username), 0);
    w.findChild<QPushButton*>(button)->click();
}

QString stateOf(TestDatabase& t, const QString& username) {
    return t
        .scalar("SELECT password_hash || '|' || role || '|' || status FROM sys_user WHERE username = ?",
                {username})
        .toString();
}
// Action and detail of every entry, checked to carry the signed-in user, the module and the address.
QString logRows(TestDatabase& t) {
    return t
        .scalar(
            "SELECT group_concat(action || ' ' || detail, ';') FROM (SELECT * FROM sys_operation_log WHERE "
            "user_id = 1 AND user_name = '系统管理员' AND module = '用户管理' AND ip_address = '127.0.0.1' "
            "ORDER BY id)")
        .toString();
}

} // namespace

class TestUserAdmin : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        Prompts::setTestMode(true);
        models::User admin;
        admin.id = 1;
        admin.realName = "系统管理员";
        CurrentUser::instance().setUser(admin);
    }
    void init() { Prompts::reset(); }

    // Newest first; a role other than "manager" shows as 店员, a status other than 1 as 禁用.
    void listsAndSearches() {
        TestDatabase t;
        t.exec("INSERT INTO sys_user (username, password_hash, real_name, role, status) VALUES "
               "('off', 'h', '停用者', 'manager', 0), ('odd', 'h', '怪角色', 'Manager', 2)");
        UserManagerWindow w;
        QCOMPARE(column(w, 1) + column(w, 3) + column(w, 4),
                 (QStringList{"odd", "off", "admin", "店员", "老板", "老板", "禁用", "禁用", "启用"}));
        field(&w, "editSearch")->setText("  od ");
        QTest::keyClick(field(&w, "editSearch"), Qt::Key_Return);
        QCOMPARE(column(w, 1), QStringList{"odd"});
    }

    // Every action once, each logged with its own texts; enabling and disabling go through the real box.
    void administersAndLogsEachChange() {
        TestDatabase t;
        UserManagerWindow w;
        field(&w, "editSearch")->setText("nobody");
        clickOn(w, "", "btnSearch");
        {
            ModalAnswer<UserDialog> add([](UserDialog* d) {
                QPushButton* ok = d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
                for (const char* name : {"editUsername", "editRealName"}) { // each missing field in turn
                    ok->click();
                    field(d, name)->setText(" x ");
                }
                ok->click(); // and the password of a new account
                d->findChild<QComboBox*>()->setCurrentIndex(1);
                d->findChild<QCheckBox*>()->setChecked(false);
                fill(" wang ", " 王五 ", "  ")(d); // a password of blanks is hashed as typed
            });
            clickOn(w, "", "btnAdd");
            QCOMPARE(Prompts::history().size(), 4);
            QCOMPARE(Prompts::history().at(2).text + Prompts::lastText(),
                     QString("请输入密码！用户添加成功！"));
            clickOn(w, "", "btnAdd"); // the same name again
            QCOMPARE(Prompts::lastTitle() + Prompts::lastText(),
                     QString("错误用户添加失败！可能用户名已存在。"));
        }
        QCOMPARE(stateOf(t, "wang"), hashPassword("  ") + "|manager|0");
        QCOMPARE(column(w, 1), (QStringList{"wang", "admin"})); // reloaded without the search text
        {
            ModalAnswer<UserDialog> edit(fill("wang2", QString(), "")); // no password: the hash stays
            clickOn(w, "wang", "btnEdit");
        }
        QCOMPARE(stateOf(t, "wang2"), hashPassword("  ") + "|manager|0");
        QString viewed;
        {
            ModalAnswer<UserDialog> view([&](UserDialog* d) {
                viewed = d->windowTitle() + field(d, "editUsername")->text();
                if (field(d, "editUsername")->isReadOnly() && !field(d, "editPassword")->isEnabled())
                    viewed += " read-only";
                d->reject();
            });
            clickOn(w, "wang2", "btnView");
        }
        QCOMPARE(viewed, QString("用户详情wang2 read-only"));

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

        // A reset does not reload: a name changed behind the window's back stays as shown.
        t.exec("UPDATE sys_user SET real_name = '改过'");
        Prompts::queueText("", true);
        clickOn(w, "wang2", "btnResetPassword");
        Prompts::queueText(" 1 ", true);
        clickOn(w, "wang2", "btnResetPassword");
        QCOMPARE(Prompts::history().at(Prompts::history().size() - 3).text, QString("请输入新密码："));
        QCOMPARE(Prompts::lastText(), QString("密码重置成功！"));
        QCOMPARE(stateOf(t, "wang2"), hashPassword(" 1 ") + "|manager|0");
        QCOMPARE(column(w, 2), (QStringList{"王五", "系统管理员"}));

        QCOMPARE(logRows(t),
                 QString("新增用户 用户名: wang, 姓名: 王五;编辑用户 用户名: wang;启用 用户名: wang2;"
                         "禁用 用户名: wang2;重置密码 用户名: wang2"));
    }

    // The stored role "weird" shows and saves as 店员. The password changes only after the account update
    // succeeded, so an edit refused for a taken name keeps the old one.
    void editStoresPasswordOnlyWithTheAccount() {
        TestDatabase t;
        t.exec("INSERT INTO sys_user (username, password_hash, real_name, role) VALUES ('zhang', ?, '张', "
               "'weird')",
               {hashPassword("old")});
        UserManagerWindow w;
        QString name = "admin", roles;
        ModalAnswer<UserDialog> answer([&](UserDialog* d) {
            roles += d->findChild<QComboBox*>()->currentText();
            fill(name, QString(), "new ")(d);
        });
        clickOn(w, "zhang", "btnEdit");
        QCOMPARE(Prompts::lastText() + stateOf(t, "zhang"),
                 "用户更新失败！" + hashPassword("old") + "|weird|1");
        name = "zhang3";
        clickOn(w, "zhang", "btnEdit");
        QCOMPARE(Prompts::lastText() + stateOf(t, "zhang3"),
                 "用户更新成功！" + hashPassword("new ") + "|clerk|1");
        QCOMPARE(roles, QString("店员店员"));
    }

    void actionsNeedASelection() {
        TestDatabase t;
        UserManagerWindow w;
        for (const char* button : {"btnEdit", "btnView", "btnToggleStatus", "btnResetPassword"})
            clickOn(w, "", button);
        QStringList texts;
        for (const Prompts::Record& r : Prompts::history())
            texts << r.title + ":" + r.text;
        QCOMPARE(texts, (QStringList{"提示:请先选择要编辑的用户！", "提示:请先选择要查看的用户！",
                                     "提示:请先选择用户！", "提示:请先选择用户！"}));
    }
};

QTEST_MAIN(TestUserAdmin)
#include "tst_useradmin.moc"

#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/passwordhash.h"
#include "tests/support/testdatabase.h"
#include "ui/admin/userdialog.h"
#include "ui/admin/usermanagerwindow.h"
#include "ui/common/prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace kestrovalin;
using kestrovalin::test::TestDatabase;

namespace {

struct Form {
    QLineEdit* username;
    QLineEdit* realName;
    QComboBox* role;
    QCheckBox* status;
    QLineEdit* password;
    QDialogButtonBox* buttons;
};

Form form(QDialog* d) {
    return {d->findChild<QLineEdit*>("editUsername"), d->findChild<QLineEdit*>("editRealName"),
            d->findChild<QComboBox*>("comboRole"),    d->findChild<QCheckBox*>("checkStatus"),
            d->findChild<QLineEdit*>("editPassword"), d->findChild<QDialogButtonBox*>("buttonBox")};
}

void pressOk(QDialog* d) {
    form(d).buttons->button(QDialogButtonBox::Ok)->click();
}

// Answers the next UserDialog that opens modally. The handler fills it and presses OK or Cancel; if the
// dialog is still open afterwards (a validation warning), it is cancelled.
class DialogAnswer {
public:
    explicit DialogAnswer(std::function<void(UserDialog*)> handler) : m_handler(std::move(handler)) {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* d = qobject_cast<UserDialog*>(QApplication::activeModalWidget());
            if (!d)
                return;
            m_timer.stop();
            seen = true;
            title = d->windowTitle();
            okVisible = form(d).buttons->button(QDialogButtonBox::Ok)->isVisible();
            m_handler(d);
            if (d->isVisible())
                d->reject();
        });
        m_timer.start();
    }
    bool seen = false;
    bool okVisible = false;
    QString title;

private:
    std::function<void(UserDialog*)> m_handler;
    QTimer m_timer;
};

QTableWidget* table(UserManagerWindow& w) {
    return w.findChild<QTableWidget*>("tableUsers");
}
void click(UserManagerWindow& w, const char* button) {
    w.findChild<QPushButton*>(button)->click();
}
int rowOf(UserManagerWindow& w, const QString& username) {
    for (int r = 0; r < table(w)->rowCount(); ++r)
        if (table(w)->item(r, 1)->text() == username)
            return r;
    return -1;
}
void select(UserManagerWindow& w, const QString& username) {
    table(w)->setCurrentCell(rowOf(w, username), 0);
}

void addUser(TestDatabase& t, const QString& name, const QString& realName, const QString& role, int status,
             const QString& password = "secret") {
    t.exec("INSERT INTO sys_user (username, password_hash, real_name, role, status) VALUES (?, ?, ?, ?, ?)",
           {name, hashPassword(password), realName, role, status});
}

QString hashOf(TestDatabase& t, const QString& name) {
    return t.scalar("SELECT password_hash FROM sys_user WHERE username = ?", {name}).toString();
}

QStringList logRows(TestDatabase& t) {
    QStringList out;
    QSqlQuery q = t.db()->query(
        "SELECT user_id, user_name, module, action, detail, ip_address FROM sys_operation_log ORDER BY id");
    while (q.next())
        out << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                           q.value(3).toString(), q.value(4).toString(), q.value(5).toString()}
                   .join('|');
    return out;
}

QString logLine(const QString& action, const QString& detail) {
    return "1|系统管理员|用户管理|" + action + "|" + detail + "|127.0.0.1";
}

} // namespace

class TestUserAdmin : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        Prompts::setTestMode(true);
        models::User admin;
        admin.id = 1;
        admin.username = "admin";
        admin.realName = "系统管理员";
        admin.status = 1;
        CurrentUser::instance().setUser(admin);
    }
    void init() { Prompts::reset(); }

    void windowShowsAccounts() {
        TestDatabase t;
        addUser(t, "zhang", "张三", "clerk", 1);
        addUser(t, "off", "停用者", "manager", 0);
        addUser(t, "odd", "怪角色", "Manager", 2);
        QWidget parent;
        parent.setGeometry(100, 50, 1001, 801);
        UserManagerWindow w(&parent);
        QCOMPARE(w.windowTitle(), QString("用户管理"));
        QCOMPARE(w.size(), QSize(900, 640));
        QCOMPARE(w.pos(), QPoint(100 + 50, 50 + 80));
        QTableWidget* tb = table(w);
        QCOMPARE(tb->columnCount(), 5);
        QStringList heads;
        for (int c = 0; c < 5; ++c)
            heads << tb->horizontalHeaderItem(c)->text();
        QCOMPARE(heads, (QStringList{"ID", "用户名", "真实姓名", "角色", "状态"}));
        QVERIFY(!tb->isSortingEnabled());
        QVERIFY(!tb->verticalHeader()->isVisible());
        QCOMPARE(tb->columnWidth(0), 60);
        QCOMPARE(tb->columnWidth(2), 120);
        QCOMPARE(tb->columnWidth(3), 80);

        // Highest id first; role and status as labels in their colours.
        QCOMPARE(tb->rowCount(), 4);
        QCOMPARE(tb->item(0, 1)->text(), QString("odd"));
        QCOMPARE(tb->item(0, 3)->text(), QString("店员"));
        QCOMPARE(tb->item(0, 4)->text(), QString("禁用"));
        QCOMPARE(tb->item(1, 3)->text(), QString("老板"));
        QCOMPARE(tb->item(1, 4)->foreground().color(), QColor("#FF0000"));
        QCOMPARE(tb->item(2, 4)->text(), QString("启用"));
        QCOMPARE(tb->item(2, 4)->foreground().color(), QColor("#009900"));
        QCOMPARE(tb->item(2, 4)->textAlignment(), int(Qt::AlignCenter));
        QCOMPARE(tb->item(3, 0)->text(), QString("1"));
    }

    void searchTrimsAndTreatsPercentAsWildcard() {
        TestDatabase t;
        addUser(t, "zhang", "张三", "clerk", 1);
        UserManagerWindow w;
        auto* search = w.findChild<QLineEdit*>("editSearch");
        search->setText("  zha ");
        QTest::keyClick(search, Qt::Key_Return);
        QCOMPARE(table(w)->rowCount(), 1);
        QCOMPARE(table(w)->item(0, 1)->text(), QString("zhang"));
        search->setText("%");
        click(w, "btnSearch");
        QCOMPARE(table(w)->rowCount(), 2);
    }

    void addCreatesAccountLogsAndReloadsAll() {
        TestDatabase t;
        UserManagerWindow w;
        w.findChild<QLineEdit*>("editSearch")->setText("nobody");
        click(w, "btnSearch");
        QCOMPARE(table(w)->rowCount(), 0);

        DialogAnswer answer([](UserDialog* d) {
            Form f = form(d);
            f.username->setText(" wang ");
            f.realName->setText(" 王五 ");
            f.role->setCurrentIndex(1);
            f.status->setChecked(false);
            f.password->setText("  ");
            pressOk(d);
        });
        click(w, "btnAdd");
        QVERIFY(answer.seen);
        QCOMPARE(answer.title, QString("用户编辑"));
        QCOMPARE(Prompts::lastTitle(), QString("成功"));
        QCOMPARE(Prompts::lastText(), QString("用户添加成功！"));
        // A password of blanks is hashed as typed.
        QCOMPARE(hashOf(t, "wang"), hashPassword("  "));
        QCOMPARE(
            t.scalar("SELECT role || '/' || status || '/' || real_name FROM sys_user WHERE username = 'wang'")
                .toString(),
            QString("manager/0/王五"));
        QCOMPARE(logRows(t), QStringList{logLine("新增用户", "用户名: wang, 姓名: 王五")});
        // Reloaded without the search text.
        QCOMPARE(table(w)->rowCount(), 2);
        QCOMPARE(table(w)->item(0, 4)->text(), QString("禁用"));
        QCOMPARE(table(w)->item(0, 4)->foreground().color(), QColor("#FF0000"));
    }

    void addDuplicateOrCancelChangesNothing() {
        TestDatabase t;
        UserManagerWindow w;
        {
            DialogAnswer answer([](UserDialog* d) {
                form(d).username->setText("admin");
                form(d).realName->setText("另一个");
                form(d).password->setText("x");
                pressOk(d);
            });
            click(w, "btnAdd");
        }
        QCOMPARE(Prompts::last().kind, Prompts::Kind::Warning);
        QCOMPARE(Prompts::lastTitle(), QString("错误"));
        QCOMPARE(Prompts::lastText(), QString("用户添加失败！可能用户名已存在。"));
        {
            DialogAnswer answer([](UserDialog* d) {
                form(d).username->setText("new");
                form(d).realName->setText("新人");
                form(d).password->setText("x");
                d->reject();
            });
            click(w, "btnAdd");
        }
        QCOMPARE(t.count("sys_user"), 1);
        QVERIFY(logRows(t).isEmpty());
        QCOMPARE(Prompts::history().size(), 1);
    }

    void dialogValidates_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("realName");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("focus");
        QTest::newRow("no name") << 0 << "  "
                                 << "王五"
                                 << "x"
                                 << "请输入用户名！"
                                 << "editUsername";
        QTest::newRow("no real name") << 0 << "wang"
                                      << " "
                                      << "x"
                                      << "请输入真实姓名！"
                                      << "editRealName";
        QTest::newRow("new without password") << 0 << "wang"
                                              << "王五"
                                              << ""
                                              << "请输入密码！"
                                              << "editPassword";
        QTest::newRow("new with blank password") << 0 << "wang"
                                                 << "王五"
                                                 << " "
                                                 << ""
                                                 << "";
        QTest::newRow("edit without password") << 5 << "wang"
                                               << "王五"
                                               << ""
                                               << ""
                                               << "";
    }
    void dialogValidates() {
        QFETCH(int, id);
        QFETCH(QString, name);
        QFETCH(QString, realName);
        QFETCH(QString, password);
        QFETCH(QString, warning);
        QFETCH(QString, focus);
        UserDialog d;
        models::User u;
        u.id = id;
        u.passwordHash = "stored";
        u.status = 1;
        d.setUser(u);
        d.show();
        Form f = form(&d);
        f.username->setText(name);
        f.realName->setText(realName);
        f.password->setText(password);
        pressOk(&d);
        if (warning.isEmpty()) {
            QVERIFY(Prompts::history().isEmpty());
            QCOMPARE(d.result(), int(QDialog::Accepted));
            const models::User out = d.getUser();
            QCOMPARE(out.username, name.trimmed());
            QCOMPARE(out.passwordHash, password.isEmpty() ? QString("stored") : hashPassword(password));
        } else {
            QCOMPARE(Prompts::lastTitle(), QString("提示"));
            QCOMPARE(Prompts::lastText(), warning);
            QVERIFY(d.isVisible());
            QCOMPARE(d.focusWidget()->objectName(), focus);
        }
    }

    void dialogRoleAndReadOnly() {
        UserDialog d;
        QCOMPARE(d.windowTitle(), QString("用户编辑"));
        Form f = form(&d);
        QCOMPARE(f.role->count(), 2);
        QCOMPARE(f.role->itemText(0), QString("店员"));
        QCOMPARE(f.role->itemData(1).toString(), QString("manager"));
        QVERIFY(f.status->isChecked());
        models::User u;
        u.id = 3;
        u.role = "manager";
        u.status = 0;
        d.setUser(u);
        QCOMPARE(f.role->currentIndex(), 1);
        QVERIFY(!f.status->isChecked());
        u.role = "MANAGER"; // matched exactly, so the current item stays
        d.setUser(u);
        QCOMPARE(f.role->currentIndex(), 1);

        d.setReadOnly(true);
        d.show();
        QCOMPARE(d.windowTitle(), QString("用户详情"));
        QVERIFY(f.username->isReadOnly() && f.realName->isReadOnly());
        QVERIFY(!f.role->isEnabled() && !f.status->isEnabled() && !f.password->isEnabled());
        QVERIFY(!f.buttons->button(QDialogButtonBox::Ok)->isVisible());
        d.setReadOnly(false);
        QVERIFY(!f.username->isReadOnly() && f.password->isEnabled());
        QVERIFY(f.buttons->button(QDialogButtonBox::Ok)->isVisible());
    }

    void editLogsOldNameAndKeepsHashWithoutPassword() {
        TestDatabase t;
        addUser(t, "zhang", "张三", "weird", 1, "old");
        UserManagerWindow w;
        w.findChild<QLineEdit*>("editSearch")->setText("zhang");
        click(w, "btnSearch");
        select(w, "zhang");
        QString shownRole;
        DialogAnswer answer([&](UserDialog* d) {
            shownRole = form(d).role->currentText();
            form(d).username->setText("zhang3");
            form(d).realName->setText("张叁");
            pressOk(d);
        });
        click(w, "btnEdit");
        QCOMPARE(shownRole, QString("店员"));
        QCOMPARE(Prompts::lastText(), QString("用户更新成功！"));
        QCOMPARE(hashOf(t, "zhang3"), hashPassword("old"));
        QCOMPARE(t.scalar("SELECT role FROM sys_user WHERE username = 'zhang3'").toString(),
                 QString("clerk"));
        QCOMPARE(logRows(t), QStringList{logLine("编辑用户", "用户名: zhang")});
        QCOMPARE(table(w)->rowCount(), 2);
        QVERIFY(rowOf(w, "zhang3") >= 0);
    }

    void editWithNewPasswordStoresIt() {
        TestDatabase t;
        addUser(t, "zhang", "张三", "clerk", 1, "old");
        UserManagerWindow w;
        select(w, "zhang");
        DialogAnswer answer([](UserDialog* d) {
            form(d).password->setText("new pass ");
            pressOk(d);
        });
        click(w, "btnEdit");
        QCOMPARE(Prompts::lastText(), QString("用户更新成功！"));
        QCOMPARE(hashOf(t, "zhang"), hashPassword("new pass "));
    }

    // A failed edit must not leave a new password behind.
    void failedEditKeepsOldPassword() {
        TestDatabase t;
        addUser(t, "zhang", "张三", "clerk", 1, "old");
        UserManagerWindow w;
        select(w, "zhang");
        DialogAnswer answer([](UserDialog* d) {
            form(d).username->setText("admin");
            form(d).password->setText("new");
            pressOk(d);
        });
        click(w, "btnEdit");
        QCOMPARE(Prompts::lastTitle(), QString("错误"));
        QCOMPARE(Prompts::lastText(), QString("用户更新失败！"));
        QCOMPARE(hashOf(t, "zhang"), hashPassword("old"));
        QVERIFY(logRows(t).isEmpty());
    }

    void viewIsReadOnlyAndWritesNothing() {
        TestDatabase t;
        UserManagerWindow w;
        select(w, "admin");
        DialogAnswer answer([](UserDialog* d) { d->reject(); });
        click(w, "btnView");
        QVERIFY(answer.seen);
        QCOMPARE(answer.title, QString("用户详情"));
        QVERIFY(!answer.okVisible);
        QVERIFY(Prompts::history().isEmpty());
        QVERIFY(logRows(t).isEmpty());
    }

    void toggleStatusWithoutQuestion() {
        TestDatabase t;
        addUser(t, "zhang", "张三", "clerk", 1);
        UserManagerWindow w;
        w.findChild<QLineEdit*>("editSearch")->setText("zhang");
        click(w, "btnSearch");
        select(w, "zhang");
        click(w, "btnToggleStatus");
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::lastText(), QString("用户已禁用！"));
        QCOMPARE(t.scalar("SELECT status FROM sys_user WHERE username = 'zhang'").toInt(), 0);
        QCOMPARE(table(w)->rowCount(), 2); // reloaded in full
        select(w, "zhang");
        click(w, "btnToggleStatus");
        QCOMPARE(Prompts::lastText(), QString("用户已启用！"));
        QCOMPARE(t.scalar("SELECT status FROM sys_user WHERE username = 'zhang'").toInt(), 1);
        QCOMPARE(logRows(t),
                 (QStringList{logLine("禁用", "用户名: zhang"), logLine("启用", "用户名: zhang")}));
    }

    void resetPassword() {
        TestDatabase t;
        addUser(t, "zhang", "张三", "clerk", 1, "old");
        UserManagerWindow w;
        select(w, "zhang");
        // Changed behind the window's back: a reset does not reload, so the row keeps its old text.
        t.exec("UPDATE sys_user SET real_name = '改过' WHERE username = 'zhang'");

        Prompts::queueText("", true);
        click(w, "btnResetPassword");
        Prompts::queueText("abc", false);
        click(w, "btnResetPassword");
        QCOMPARE(Prompts::history().size(), 2); // the two prompts, no message
        QCOMPARE(hashOf(t, "zhang"), hashPassword("old"));

        Prompts::queueText(" 1 ", true);
        click(w, "btnResetPassword");
        QCOMPARE(Prompts::history().at(2).kind, Prompts::Kind::Input);
        QCOMPARE(Prompts::history().at(2).title, QString("重置密码"));
        QCOMPARE(Prompts::history().at(2).text, QString("请输入新密码："));
        QCOMPARE(Prompts::lastText(), QString("密码重置成功！"));
        QCOMPARE(hashOf(t, "zhang"), hashPassword(" 1 "));
        QCOMPARE(logRows(t), QStringList{logLine("重置密码", "用户名: zhang")});
        QCOMPARE(table(w)->item(rowOf(w, "zhang"), 2)->text(), QString("张三"));
    }

    void actionsNeedASelection_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("edit") << "btnEdit"
                              << "请先选择要编辑的用户！";
        QTest::newRow("view") << "btnView"
                              << "请先选择要查看的用户！";
        QTest::newRow("toggle") << "btnToggleStatus"
                                << "请先选择用户！";
        QTest::newRow("reset") << "btnResetPassword"
                               << "请先选择用户！";
    }
    void actionsNeedASelection() {
        QFETCH(QString, button);
        QFETCH(QString, text);
        TestDatabase t;
        UserManagerWindow w;
        table(w)->setCurrentCell(-1, -1);
        click(w, button.toLatin1().constData());
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::last().kind, Prompts::Kind::Warning);
        QCOMPARE(Prompts::lastTitle(), QString("提示"));
        QCOMPARE(Prompts::lastText(), text);
        QCOMPARE(t.scalar("SELECT status FROM sys_user").toInt(), 1);
        QVERIFY(logRows(t).isEmpty());
    }

    void noDatabase() {
        QVERIFY(!DatabaseManager::instance().getAdapter());
        UserManagerWindow w;
        QCOMPARE(table(w)->rowCount(), 0);
        DialogAnswer answer([](UserDialog* d) {
            form(d).username->setText("x");
            form(d).realName->setText("x");
            form(d).password->setText("x");
            pressOk(d);
        });
        click(w, "btnAdd");
        QCOMPARE(Prompts::lastText(), QString("用户添加失败！可能用户名已存在。"));
    }
};

QTEST_MAIN(TestUserAdmin)
#include "tst_useradmin.moc"

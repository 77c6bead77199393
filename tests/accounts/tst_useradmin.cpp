#include "core/currentuser.h"
#include "core/passwordhash.h"
#include "tests/support/testdatabase.h"
#include "ui/admin/userdialog.h"
#include "ui/admin/usermanagerwindow.h"
#include "ui/common/prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
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
    QPushButton* ok;
};

Form form(QDialog* d) {
    return {d->findChild<QLineEdit*>("editUsername"),
            d->findChild<QLineEdit*>("editRealName"),
            d->findChild<QComboBox*>("comboRole"),
            d->findChild<QCheckBox*>("checkStatus"),
            d->findChild<QLineEdit*>("editPassword"),
            d->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)};
}

// Answers the next modal T that opens. A dialog the handler leaves open (a validation warning) is rejected.
template <typename T> class Answer {
public:
    explicit Answer(std::function<void(T*)> handler) : m_handler(std::move(handler)) {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* d = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!d)
                return;
            m_timer.stop();
            m_handler(d);
            if (d->isVisible())
                d->reject();
        });
        m_timer.start();
    }

private:
    std::function<void(T*)> m_handler;
    QTimer m_timer;
};

// Fills the dialog that opens (null texts leave a field as it is), then presses OK.
std::function<void(UserDialog*)> fill(const QString& name, const QString& realName, const QString& password) {
    return [=](UserDialog* d) {
        Form f = form(d);
        if (!name.isNull())
            f.username->setText(name);
        if (!realName.isNull())
            f.realName->setText(realName);
        f.password->setText(password);
        f.ok->click();
    };
}

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
QString cell(UserManagerWindow& w, const QString& username, int column) {
    return table(w)->item(rowOf(w, username), column)->text();
}

void addUser(TestDatabase& t, const QString& name, const QString& role, int status) {
    t.exec("INSERT INTO sys_user (username, password_hash, real_name, role, status) VALUES (?, ?, ?, ?, ?)",
           {name, hashPassword("old"), "名" + name, role, status});
}

QString hashOf(TestDatabase& t, const QString& name) {
    return t.scalar("SELECT password_hash FROM sys_user WHERE username = ?", {name}).toString();
}

// Each log row as "user id|user|module|action|detail|address".
QStringList logRows(TestDatabase& t) {
    QStringList out;
    QSqlQuery q = t.db()->query("SELECT user_id || '|' || user_name || '|' || module || '|' || action || '|' "
                                "|| detail || '|' || ip_address FROM sys_operation_log ORDER BY id");
    while (q.next())
        out << q.value(0).toString();
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
        admin.realName = "系统管理员";
        admin.status = 1;
        CurrentUser::instance().setUser(admin);
    }
    void init() { Prompts::reset(); }

    void windowListsAccountsNewestFirst() {
        TestDatabase t;
        addUser(t, "zhang", "clerk", 1);
        addUser(t, "off", "manager", 0);
        addUser(t, "odd", "Manager", 2);
        QWidget parent;
        parent.setGeometry(100, 50, 1001, 801);
        UserManagerWindow w(&parent);
        QCOMPARE(w.pos(), QPoint(100 + 50, 50 + 80));
        QStringList rows;
        for (int r = 0; r < table(w)->rowCount(); ++r)
            rows << table(w)->item(r, 1)->text() + "|" + table(w)->item(r, 3)->text() + "|" +
                        table(w)->item(r, 4)->text();
        QCOMPARE(rows, (QStringList{"odd|店员|禁用", "off|老板|禁用", "zhang|店员|启用", "admin|老板|启用"}));
        QCOMPARE(table(w)->item(1, 4)->foreground().color(), QColor("#FF0000"));
        QCOMPARE(table(w)->item(2, 4)->foreground().color(), QColor("#009900"));

        auto* search = w.findChild<QLineEdit*>("editSearch");
        search->setText("  zha ");
        QTest::keyClick(search, Qt::Key_Return);
        QCOMPARE(table(w)->rowCount(), 1);
    }

    void addLogsAndReloadsAll() {
        TestDatabase t;
        UserManagerWindow w;
        w.findChild<QLineEdit*>("editSearch")->setText("nobody");
        click(w, "btnSearch");
        QCOMPARE(table(w)->rowCount(), 0);
        Answer<UserDialog> answer([](UserDialog* d) {
            Form f = form(d);
            f.username->setText(" wang ");
            f.realName->setText(" 王五 ");
            f.role->setCurrentIndex(1);
            f.status->setChecked(false);
            f.password->setText("  ");
            f.ok->click();
        });
        click(w, "btnAdd");
        QCOMPARE(Prompts::lastText(), QString("用户添加成功！"));
        QCOMPARE(hashOf(t, "wang"), hashPassword("  ")); // a password of blanks is hashed as typed
        QCOMPARE(t.scalar("SELECT role || '/' || status || '/' || real_name FROM sys_user WHERE id > 1")
                     .toString(),
                 QString("manager/0/王五"));
        QCOMPARE(logRows(t), QStringList{logLine("新增用户", "用户名: wang, 姓名: 王五")});
        QCOMPARE(table(w)->rowCount(), 2); // reloaded without the search text
    }

    void addDuplicateOrCancelChangesNothing() {
        TestDatabase t;
        UserManagerWindow w;
        {
            Answer<UserDialog> answer(fill("admin", "另一个", "x"));
            click(w, "btnAdd");
        }
        QCOMPARE(Prompts::lastTitle(), QString("错误"));
        QCOMPARE(Prompts::lastText(), QString("用户添加失败！可能用户名已存在。"));
        {
            Answer<UserDialog> cancel([](UserDialog* d) {
                form(d).username->setText("new");
                d->reject();
            });
            click(w, "btnAdd");
        }
        QCOMPARE(t.count("sys_user"), 1);
        QVERIFY(logRows(t).isEmpty());
        QCOMPARE(Prompts::history().size(), 1);
    }

    // fields: user name, real name, password typed; then the warning and the field that gets the focus.
    void dialogValidates_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("no name") << 0 << QStringList{"  ", "王五", "x", "请输入用户名！", "editUsername"};
        QTest::newRow("no real name")
            << 0 << QStringList{"wang", " ", "x", "请输入真实姓名！", "editRealName"};
        QTest::newRow("new without password")
            << 0 << QStringList{"wang", "王五", "", "请输入密码！", "editPassword"};
        QTest::newRow("edit without password") << 5 << QStringList{"wang", "王五", ""};
    }
    void dialogValidates() {
        QFETCH(int, id);
        QFETCH(QStringList, fields);
        UserDialog d;
        models::User u;
        u.id = id;
        u.passwordHash = "stored";
        d.setUser(u);
        d.show();
        fill(fields.at(0), fields.at(1), fields.at(2))(&d);
        if (fields.size() == 3) {
            QVERIFY(Prompts::history().isEmpty());
            QCOMPARE(d.result(), int(QDialog::Accepted));
            QCOMPARE(d.getUser().passwordHash, QString("stored"));
        } else {
            QCOMPARE(Prompts::lastTitle(), QString("提示"));
            QCOMPARE((QStringList{Prompts::lastText(), d.focusWidget()->objectName()}), fields.mid(3));
            QVERIFY(d.isVisible());
        }
    }

    // The stored role "weird" shows and saves as a clerk. The log names the old user name. The password
    // changes only after the account update succeeded, so a failed edit keeps the old one.
    void edit_data() {
        QTest::addColumn<QStringList>("typed"); // user name, password
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("password"); // stored afterwards
        QTest::newRow("renamed, no password") << QStringList{"zhang3", ""} << "用户更新成功！"
                                              << "old";
        QTest::newRow("new password, untrimmed") << QStringList{"zhang3", "new pass "} << "用户更新成功！"
                                                 << "new pass ";
        QTest::newRow("failed edit") << QStringList{"admin", "new"} << "用户更新失败！"
                                     << "old";
    }
    void edit() {
        QFETCH(QStringList, typed);
        QFETCH(QString, text);
        QFETCH(QString, password);
        TestDatabase t;
        addUser(t, "zhang", "weird", 1);
        UserManagerWindow w;
        select(w, "zhang");
        QString shownRole;
        Answer<UserDialog> answer([&](UserDialog* d) {
            shownRole = form(d).role->currentText();
            fill(typed.at(0), QString(), typed.at(1))(d);
        });
        click(w, "btnEdit");
        QCOMPARE(shownRole, QString("店员"));
        QCOMPARE(Prompts::lastText(), text);
        QCOMPARE(t.scalar("SELECT password_hash || role FROM sys_user WHERE id = 2").toString(),
                 hashPassword(password) + (text.contains("成功") ? "clerk" : "weird"));
        QCOMPARE(logRows(t),
                 text.contains("成功") ? QStringList{logLine("编辑用户", "用户名: zhang")} : QStringList());
        QCOMPARE(rowOf(w, "zhang3") >= 0, text.contains("成功"));
    }

    void viewIsReadOnlyAndWritesNothing() {
        TestDatabase t;
        UserManagerWindow w;
        select(w, "admin");
        QString title;
        bool readOnly = false;
        Answer<UserDialog> answer([&](UserDialog* d) {
            Form f = form(d);
            title = d->windowTitle();
            readOnly = f.username->isReadOnly() && !f.password->isEnabled() && !f.ok->isVisible();
            d->reject();
        });
        click(w, "btnView");
        QCOMPARE(title, QString("用户详情"));
        QVERIFY(readOnly);
        QVERIFY(Prompts::history().isEmpty());
        QVERIFY(logRows(t).isEmpty());
    }

    // Through the real message box: no question first, one box per toggle.
    void toggleStatusWithoutQuestion() {
        TestDatabase t;
        addUser(t, "zhang", "clerk", 1);
        UserManagerWindow w;
        QStringList boxes;
        Prompts::setTestMode(false);
        for (int i = 0; i < 2; ++i) {
            select(w, "zhang");
            Answer<QMessageBox> ok([&](QMessageBox* box) {
                boxes << box->text();
                box->button(QMessageBox::Ok)->click();
            });
            click(w, "btnToggleStatus");
            QCOMPARE(cell(w, "zhang", 4), i == 0 ? QString("禁用") : QString("启用"));
        }
        Prompts::setTestMode(true);
        QCOMPARE(boxes, (QStringList{"用户已禁用！", "用户已启用！"}));
        QCOMPARE(logRows(t),
                 (QStringList{logLine("禁用", "用户名: zhang"), logLine("启用", "用户名: zhang")}));
    }

    void resetPassword() {
        TestDatabase t;
        addUser(t, "zhang", "clerk", 1);
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
        QCOMPARE(Prompts::history().at(2).title + Prompts::history().at(2).text,
                 QString("重置密码请输入新密码："));
        QCOMPARE(Prompts::lastText(), QString("密码重置成功！"));
        QCOMPARE(hashOf(t, "zhang"), hashPassword(" 1 "));
        QCOMPARE(logRows(t), QStringList{logLine("重置密码", "用户名: zhang")});
        QCOMPARE(cell(w, "zhang", 2), QString("名zhang"));
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
        TestDatabase t;
        UserManagerWindow w;
        table(w)->setCurrentCell(-1, -1);
        click(w, qPrintable(button));
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::lastTitle(), QString("提示"));
        QTEST(Prompts::lastText(), "text");
        QCOMPARE(t.scalar("SELECT status FROM sys_user").toInt(), 1);
    }
};

QTEST_MAIN(TestUserAdmin)
#include "tst_useradmin.moc"

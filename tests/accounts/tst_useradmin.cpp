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

template <typename T = QLineEdit> T* field(QWidget* w, const char* name) {
    return w->findChild<T*>(name);
}
QPushButton* okButton(QWidget* d) {
    return field<QDialogButtonBox>(d, "buttonBox")->button(QDialogButtonBox::Ok);
}

// Answers the next modal T that opens. A dialog the handler leaves open (a validation warning) is rejected.
template <typename T> class Answer {
public:
    explicit Answer(std::function<void(T*)> handler) : m_handler(std::move(handler)) {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
                m_timer.stop();
                m_handler(d);
                if (d->isVisible())
                    d->reject();
            }
        });
        m_timer.start();
    }

private:
    std::function<void(T*)> m_handler;
    QTimer m_timer;
};

// Types into the user dialog (a null text leaves the field as it is) and presses OK.
std::function<void(UserDialog*)> fill(const QString& name, const QString& realName, const QString& password) {
    return [=](UserDialog* d) {
        if (!name.isNull())
            field(d, "editUsername")->setText(name);
        if (!realName.isNull())
            field(d, "editRealName")->setText(realName);
        field(d, "editPassword")->setText(password);
        okButton(d)->click();
    };
}

QTableWidget* table(UserManagerWindow& w) {
    return field<QTableWidget>(&w, "tableUsers");
}
int rowOf(UserManagerWindow& w, const QString& username) {
    for (int r = 0; r < table(w)->rowCount(); ++r)
        if (table(w)->item(r, 1)->text() == username)
            return r;
    return -1;
}
// Selects the user's row (none for an empty name) and clicks the button.
void clickOn(UserManagerWindow& w, const QString& username, const char* button) {
    table(w)->setCurrentCell(rowOf(w, username), 0);
    field<QPushButton>(&w, button)->click();
}

void addZhang(TestDatabase& t, const QString& role = "clerk") {
    t.exec("INSERT INTO sys_user (username, password_hash, real_name, role, status) VALUES ('zhang', ?, "
           "'张三', ?, 1)",
           {hashPassword("old"), role});
}

// The account's hash, role and status, and every log row, to compare in one go.
QString stateOf(TestDatabase& t, const QString& username) {
    return t
        .scalar("SELECT password_hash || '|' || role || '|' || status FROM sys_user WHERE username = ?",
                {username})
        .toString();
}
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
        CurrentUser::instance().setUser(admin);
    }
    void init() { Prompts::reset(); }

    // Newest first; a role other than "manager" shows as 店员, a status other than 1 as 禁用.
    void windowListsAccounts() {
        TestDatabase t;
        t.exec("INSERT INTO sys_user (username, password_hash, real_name, role, status) VALUES "
               "('off', 'h', '停用者', 'manager', 0), ('odd', 'h', '怪角色', 'Manager', 2)");
        UserManagerWindow w;
        QStringList rows;
        for (int r = 0; r < table(w)->rowCount(); ++r)
            rows << table(w)->item(r, 1)->text() + table(w)->item(r, 3)->text() +
                        table(w)->item(r, 4)->text();
        QCOMPARE(rows, (QStringList{"odd店员禁用", "off老板禁用", "admin老板启用"}));
        auto* search = field(&w, "editSearch");
        search->setText("  od ");
        QTest::keyClick(search, Qt::Key_Return);
        QCOMPARE(table(w)->rowCount(), 1);
    }

    void addLogsAndReloadsAll() {
        TestDatabase t;
        UserManagerWindow w;
        field(&w, "editSearch")->setText("nobody");
        field<QPushButton>(&w, "btnSearch")->click();
        Answer<UserDialog> answer([](UserDialog* d) {
            field<QComboBox>(d, "comboRole")->setCurrentIndex(1);
            field<QCheckBox>(d, "checkStatus")->setChecked(false);
            fill(" wang ", " 王五 ", "  ")(d); // a password of blanks is hashed as typed
        });
        clickOn(w, "", "btnAdd");
        QCOMPARE(Prompts::lastText(), QString("用户添加成功！"));
        QCOMPARE(stateOf(t, "wang"), hashPassword("  ") + "|manager|0");
        QCOMPARE(t.scalar("SELECT real_name FROM sys_user WHERE username = 'wang'").toString(),
                 QString("王五"));
        QCOMPARE(logRows(t), QStringList{logLine("新增用户", "用户名: wang, 姓名: 王五")});
        QCOMPARE(table(w)->rowCount(), 2); // reloaded without the search text

        Answer<UserDialog> duplicate(fill("wang", "另一个", "x"));
        clickOn(w, "", "btnAdd");
        QCOMPARE(Prompts::lastText(), QString("用户添加失败！可能用户名已存在。"));
        QCOMPARE(logRows(t).size(), 1);
    }

    void dialogValidates_data() {
        QTest::addColumn<QStringList>("typed"); // user name, real name, password
        QTest::addColumn<QString>("warning");   // and the field that gets the focus
        QTest::newRow("no name") << QStringList{"  ", "王五", "x"} << "请输入用户名！ editUsername";
        QTest::newRow("no real name") << QStringList{"wang", " ", "x"} << "请输入真实姓名！ editRealName";
        QTest::newRow("new without password")
            << QStringList{"wang", "王五", ""} << "请输入密码！ editPassword";
    }
    void dialogValidates() {
        QFETCH(QStringList, typed);
        UserDialog d;
        d.show();
        fill(typed.at(0), typed.at(1), typed.at(2))(&d);
        QVERIFY(d.isVisible());
        QCOMPARE(Prompts::lastTitle(), QString("提示"));
        QTEST(Prompts::lastText() + " " + d.focusWidget()->objectName(), "warning");
    }

    // The stored role "weird" shows and saves as 店员. The log names the old user name. The password changes
    // only after the account update succeeded, so a failed edit keeps the old one.
    void edit_data() {
        QTest::addColumn<QStringList>("typed"); // user name, password
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("password"); // stored afterwards
        QTest::newRow("renamed, no password")
            << QStringList{"zhang3", ""} << "用户更新成功！" << QString("old");
        QTest::newRow("new password, untrimmed")
            << QStringList{"zhang3", "new pass "} << "用户更新成功！" << QString("new pass ");
        QTest::newRow("failed edit") << QStringList{"admin", "new"} << "用户更新失败！" << QString("old");
    }
    void edit() {
        QFETCH(QStringList, typed);
        QFETCH(QString, text);
        QFETCH(QString, password);
        TestDatabase t;
        addZhang(t, "weird");
        UserManagerWindow w;
        QString shownRole;
        Answer<UserDialog> answer([&](UserDialog* d) {
            shownRole = field<QComboBox>(d, "comboRole")->currentText();
            fill(typed.at(0), QString(), typed.at(1))(d);
        });
        clickOn(w, "zhang", "btnEdit");
        QCOMPARE(shownRole, QString("店员"));
        QCOMPARE(Prompts::lastText(), text);
        const bool ok = text == "用户更新成功！";
        QCOMPARE(t.scalar("SELECT password_hash || role FROM sys_user WHERE id = 2").toString(),
                 hashPassword(password) + (ok ? "clerk" : "weird"));
        QCOMPARE(logRows(t), ok ? QStringList{logLine("编辑用户", "用户名: zhang")} : QStringList());
        QCOMPARE(rowOf(w, "zhang3") >= 0, ok);
    }

    void viewIsReadOnlyAndWritesNothing() {
        TestDatabase t;
        UserManagerWindow w;
        QString title;
        bool readOnly = false;
        Answer<UserDialog> answer([&](UserDialog* d) {
            title = d->windowTitle();
            readOnly = field(d, "editUsername")->isReadOnly() && !field(d, "editPassword")->isEnabled() &&
                       !okButton(d)->isVisible();
        });
        clickOn(w, "admin", "btnView");
        QCOMPARE(title, QString("用户详情"));
        QVERIFY(readOnly);
        QVERIFY(Prompts::history().isEmpty() && logRows(t).isEmpty());
    }

    // Through the real message box: no question first, one box per toggle.
    void toggleStatusWithoutQuestion() {
        TestDatabase t;
        addZhang(t);
        UserManagerWindow w;
        QStringList boxes;
        Prompts::setTestMode(false);
        for (int i = 0; i < 2; ++i) {
            Answer<QMessageBox> ok([&](QMessageBox* box) {
                boxes << box->text() + stateOf(t, "zhang").right(1);
                box->button(QMessageBox::Ok)->click();
            });
            clickOn(w, "zhang", "btnToggleStatus");
        }
        Prompts::setTestMode(true);
        QCOMPARE(boxes, (QStringList{"用户已禁用！0", "用户已启用！1"}));
        QCOMPARE(table(w)->item(rowOf(w, "zhang"), 4)->text(), QString("启用"));
        QCOMPARE(logRows(t),
                 (QStringList{logLine("禁用", "用户名: zhang"), logLine("启用", "用户名: zhang")}));
    }

    void resetPassword() {
        TestDatabase t;
        addZhang(t);
        UserManagerWindow w;
        // Changed behind the window's back: a reset does not reload, so the row keeps its old text.
        t.exec("UPDATE sys_user SET real_name = '改过' WHERE username = 'zhang'");
        Prompts::queueText("", true);
        clickOn(w, "zhang", "btnResetPassword");
        Prompts::queueText("abc", false);
        clickOn(w, "zhang", "btnResetPassword");
        QCOMPARE(Prompts::history().size(), 2); // the two prompts, no message
        QCOMPARE(stateOf(t, "zhang"), hashPassword("old") + "|clerk|1");

        Prompts::queueText(" 1 ", true);
        clickOn(w, "zhang", "btnResetPassword");
        QCOMPARE(Prompts::history().at(2).title + Prompts::history().at(2).text,
                 QString("重置密码请输入新密码："));
        QCOMPARE(Prompts::lastText(), QString("密码重置成功！"));
        QCOMPARE(stateOf(t, "zhang"), hashPassword(" 1 ") + "|clerk|1");
        QCOMPARE(logRows(t), QStringList{logLine("重置密码", "用户名: zhang")});
        QCOMPARE(table(w)->item(rowOf(w, "zhang"), 2)->text(), QString("张三"));
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
        QCOMPARE(t.scalar("SELECT status FROM sys_user").toInt(), 1);
    }
};

QTEST_MAIN(TestUserAdmin)
#include "tst_useradmin.moc"

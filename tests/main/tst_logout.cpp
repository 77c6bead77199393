#include "core/usersession.h"
#include "tests/support/clerksession.h"
#include "tests/support/modalanswer.h"
#include "tests/support/otherwriter.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/login/logindialog.h"
#include "ui/main/mainwindow.h"
#include "ui/masterdata/customerdialog.h"

#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

void click(QObject* parent, const char* button) {
    parent->findChild<QPushButton*>(button)->click();
}

void saveAs(CustomerDialog* form, const QString& name) {
    form->findChild<QLineEdit*>("editName")->setText(name);
    click(form, "btnSave");
}

} // namespace

// On a fault this takes the whole process down, hence an executable of its own.
class TestLogout : public QObject {
    Q_OBJECT
private slots:
    void init() {
        startAsClerk();
        Prompts::reset();
    }

    // 退出登录 pressed from inside a running form (as a screen reader or click() does, modal or not) leaves
    // the form running and usable, its window and the session as they are; once the form is closed, 退出登录
    // signs out as before. Also after a save refused because the file was replaced under the program.
    void logoutWaitsForTheOpenForm_data() {
        QTest::addColumn<bool>("replaced");
        QTest::newRow("nothing replaced") << false;
        QTest::newRow("refused save, form back") << true;
    }
    void logoutWaitsForTheOpenForm() {
        QFETCH(bool, replaced);
        TestDatabase t;
        MainWindow w;
        QPushButton* logout = w.findChild<QPushButton*>("btnLogout");
        w.openCustomerManager();
        QPointer<QWidget> customers = w.featureWindow(MainWindow::CustomerManager);
        QFile blocker(t.folder() + "/backup"); // no copy can be kept: the sign-out path asks before quitting
        if (replaced) {
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            renameCopyOver(t.db(), t.path());
        }
        QStringList seen;
        int shown = 0;
        ModalAnswer<CustomerDialog> form(
            [&](CustomerDialog* d) {
                if (replaced && ++shown == 1)
                    return saveAs(d, "王一"); // refused: the form comes back
                logout->click();
                seen << QString("%1 %2 %3")
                            .arg(QApplication::activeModalWidget() == d && d->isVisible())
                            .arg(customers && w.isVisible())
                            .arg(UserSession::instance().isLoggedIn());
                replaced ? click(d, "btnCancel") : saveAs(d, "王二");
            },
            true);
        click(customers, "btnAdd");
        QCOMPARE(seen, QStringList("1 1 1"));
        QVERIFY(Prompts::lastText().contains(replaced ? "数据库文件已被其他程序替换" : "客户添加成功"));

        bool signedOut = false;
        ModalAnswer<LoginDialog> login([&](LoginDialog* d) {
            signedOut = !customers && !w.isVisible() && !UserSession::instance().isLoggedIn();
            cancelThrough(d);
        });
        Prompts::queueQuestion(true);
        QVERIFY(eventLoopEnds([&] { logout->click(); }));
        QVERIFY(signedOut);
        QCOMPARE(Prompts::lastText().endsWith("仍要退出吗？"), replaced);
    }
};

KV_TEST_CLASS(TestLogout)
#include "tst_logout.moc"

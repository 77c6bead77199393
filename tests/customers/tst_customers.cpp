#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/masterdata/customerdialog.h"
#include "ui/masterdata/customermanagerwindow.h"
#include "ui/masterdata/customerselectiondialog.h"

#include "tests/support/modalanswer.h"
#include "tests/support/prompttrail.h"
#include "tests/support/testdatabase.h"
#include "tests/support/windowreturn.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableView>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

template <typename T = QLineEdit> T* child(QObject* parent, const char* name) {
    return parent->findChild<T*>(name);
}

void click(QObject* parent, const char* button) {
    child<QPushButton>(parent, button)->click();
}

QTableView* tableOf(QObject* window) {
    return child<QTableView>(window, "tableWidget");
}

// One column of the window's table, top to bottom.
QString column(QObject* window, int col = 1) {
    const QAbstractItemModel* model = tableOf(window)->model();
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->index(r, col).data().toString();
    return out.join(',');
}

void makeCurrent(QObject* window, const QString& name) {
    QTableView* table = tableOf(window);
    table->setCurrentIndex(table->model()->index(column(window).split(',').indexOf(name), 1));
}

// What a double click on the named row leaves behind: that row current, then the view's signal.
void doubleClick(QObject* window, const QString& name) {
    makeCurrent(window, name);
    emit tableOf(window)->doubleClicked(tableOf(window)->currentIndex());
}

// Adds a customer, or edits the named one: fills in the name and the default box, lets more() act on the
// form, then saves. A form that comes back after a failed write is cancelled; returns the name it held then.
QString save(QWidget* window, const char* button, const QString& name, bool isDefault,
             const std::function<void(CustomerDialog*)>& more = nullptr) {
    if (QByteArray(button) == "btnEdit")
        makeCurrent(window, name);
    QString shownAgain;
    bool saved = false;
    ModalAnswer<CustomerDialog> answer(
        [&](CustomerDialog* d) {
            if (saved) {
                shownAgain = child(d, "editName")->text();
                return click(d, "btnCancel");
            }
            child(d, "editName")->setText(name);
            child<QCheckBox>(d, "checkIsDefault")->setChecked(isDefault);
            if (more)
                more(d);
            click(d, "btnSave");
            saved = !d->isVisible();
        },
        true);
    click(window, button);
    return shownAgain;
}

QString said() {
    QStringList out;
    for (const Prompts::Record& r : Prompts::history())
        out << r.text;
    return out.join('|');
}

} // namespace

class TestCustomers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Prompts::setTestMode(true); }
    void init() { Prompts::reset(); }

    // Without a current row each action asks for one. A blank name is refused with the form left open; texts
    // are stored trimmed. Adding or ticking on edit leaves exactly one default; the default is never
    // unticked. The flags are cleared and the customer written in one go: a failed insert, or a customer
    // removed while its form was open, keeps the previous default. Through the real message boxes, deleting
    // the default is refused before any question and another customer goes for good after Yes.
    void formDefaultAndDelete() {
        TestDatabase t;
        CustomerManagerWindow w;
        for (const char* button : {"btnEdit", "btnView", "btnDelete"})
            click(&w, button);
        save(&w, "btnAdd", "   ", false, [&](CustomerDialog* d) {
            click(d, "btnSave");
            QVERIFY(d->isVisible());
            child(d, "editName")->setText("  张三  ");
            child<QPlainTextEdit>(d, "editRemark")->setPlainText("\n  老顾客 \n");
        });
        QCOMPARE(column(&w) + "|" + column(&w, 5).section(',', -1), QString("零售客户,张三|老顾客"));
        save(&w, "btnAdd", "新默认", true);
        t.exec("CREATE TRIGGER refuse BEFORE INSERT ON customer BEGIN SELECT RAISE(ABORT, 'refused'); END");
        // A failed write shows the form again holding what was typed; one refused for a customer deleted
        // meanwhile ends the form, which could never be saved.
        QCOMPARE(save(&w, "btnAdd", "坏数据", true), QString("坏数据"));
        QCOMPARE(save(&w, "btnEdit", "张三", true,
                      [&](auto) { t.exec("DELETE FROM customer WHERE name='张三'"); }),
                 QString());
        const QString defaults = "SELECT group_concat(name) FROM customer WHERE is_default=1";
        QCOMPARE(t.scalar(defaults).toString(), QString("新默认"));
        save(&w, "btnEdit", "零售客户", true);
        Prompts::setTestMode(false);
        QList<int> answers{QMessageBox::Ok, QMessageBox::Yes, QMessageBox::Ok};
        ModalAnswer<QMessageBox> boxes([&](QMessageBox* box) {
            box->button(QMessageBox::StandardButton(answers.takeFirst()))->click();
        });
        makeCurrent(&w, "零售客户");
        click(&w, "btnDelete");
        makeCurrent(&w, "新默认");
        click(&w, "btnDelete");
        Prompts::setTestMode(true);
        QCOMPARE(QString::number(t.count("customer")) + column(&w) + column(&w, 6), QString("1零售客户是"));
        // The default's box stays ticked, greyed, with a hint; a form that still sends it unticked keeps it.
        QString box;
        save(&w, "btnEdit", "零售客户", false, [&](CustomerDialog* d) {
            const auto* hint = child<QLabel>(d, "labelDefaultHint");
            box = QString("%1%2")
                      .arg(child<QCheckBox>(d, "checkIsDefault")->isEnabled())
                      .arg(hint->isVisible());
        });
        QCOMPARE(box + t.scalar(defaults).toString(), QString("01零售客户"));
        QCOMPARE(said(),
                 QString("请选择要编辑的客户|请选择要查看的客户|请选择要删除的客户|"
                         "请输入客户名称|客户添加成功|客户添加成功|客户添加失败|客户修改失败\n该客户已被删除|"
                         "客户修改成功|默认客户不能删除|确定要删除客户 \"新默认\" 吗？|"
                         "客户删除成功|客户修改成功"));
    }

    // Two copies on one file. The other copy moves the default to 张三 after this list was read, where 张三
    // still shows "否": deleting it is refused before any question and the list shows the stored flags. The
    // other copy changes 李四 while its form is open here: the save is refused under "错误", the form ends
    // and the list shows the stored row; opened again, as the message asks, the edit is saved.
    void otherCopysChangesAreKept() {
        TestDatabase t;
        t.exec("INSERT INTO customer (id, name, phone, created_at) VALUES (20, '张三', '1', '2030-01-01'), "
               "(21, '李四', '1', '2030-01-02')");
        CustomerManagerWindow w;
        t.exec("UPDATE customer SET is_default = (name = '张三')");
        Prompts::queueQuestion(true);
        makeCurrent(&w, "张三");
        click(&w, "btnDelete");
        QCOMPARE(takePrompts(":") + "|" + column(&w) + "|" + column(&w, 6),
                 QString("提示:默认客户不能删除|张三,李四,零售客户|是,否,否"));
        const QString shownAgain = save(&w, "btnEdit", "李四", false, [&](auto) {
            t.exec("UPDATE customer SET phone = '2' WHERE name = '李四'");
        });
        QCOMPARE(shownAgain + takePrompts(":") + "|" + column(&w, 2),
                 QString("错误:客户修改失败\n该记录已被修改，请重新打开后再编辑|1,2,"));
        save(&w, "btnEdit", "李四", false,
             [](CustomerDialog* d) { child(d, "editAddress")->setText("北京"); });
        QCOMPARE(takePrompts(":") +
                     t.scalar("SELECT phone || address FROM customer WHERE id = 21").toString(),
                 QString("提示:客户修改成功2北京"));
        QCOMPARE(t.count("customer", "is_default = 1"), 1);
    }

    // Each keystroke searches the text as typed, in both windows: default first, then newest. A double click
    // views read-only in the list window and picks in the picker, which returns the whole record, asks for a
    // current row on 确定, and returns id 0 for a row deleted meanwhile.
    void searchViewAndPick() {
        TestDatabase t;
        t.exec("INSERT INTO customer (id, name, phone, address, id_card, remark, created_at) VALUES "
               "(20, '张三', '13800001111', '北京', '', '', '2030-01-01'), "
               "(21, '李四', '13912345678', '上海 浦东', '310101199001011234', '常客', '2030-01-02'), "
               "(22, '王五', '021-1380', '杭州', '', '', '2030-01-03')");
        CustomerManagerWindow w;
        CustomerSelectionDialog picker;
        for (QObject* window : QList<QObject*>{&w, &picker}) {
            QStringList seen;
            for (const char* typed : {"138", "", " "}) {
                child(window, "editSearch")->setText(typed);
                seen << column(window);
            }
            QCOMPARE(seen.join('|'), QString("王五,张三|零售客户,王五,李四,张三|李四"));
        }
        QString shown;
        ModalAnswer<CustomerDialog> view([&](CustomerDialog* d) {
            shown = child(d, "editName")->text() + (child(d, "editName")->isReadOnly() ? " read-only" : "") +
                    (child<QPushButton>(d, "btnSave")->isHidden() ? " no save" : "");
            click(d, "btnCancel");
        });
        doubleClick(&w, "李四");
        QCOMPARE(shown, QString("李四 read-only no save"));

        click(&picker, "btnConfirm");
        QCOMPARE(said() + QString::number(picker.result()), QString("请选择一个客户0")); // still open
        doubleClick(&picker, "李四");
        const models::Customer c = picker.getSelectedCustomer();
        QCOMPARE(
            QStringList({QString::number(c.id), c.name, c.phone, c.address, c.idCard, c.remark}).join('|'),
            QString("21|李四|13912345678|上海 浦东|310101199001011234|常客"));
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        t.exec("DELETE FROM customer WHERE id=21");
        click(&picker, "btnConfirm");
        QCOMPARE(picker.getSelectedCustomer().id, 0);
    }

    // Another copy changes a shown customer and adds one while the user is elsewhere: back in the list window
    // or the picker, the rows are the stored ones and the same customer is still current.
    void followsTheFileOnReturn() {
        TestDatabase t;
        t.exec("INSERT INTO customer (id, name, phone, address, id_card, remark, created_at) VALUES "
               "(20, '张三', '13800001111', '北京', '', '', '2030-01-01'), "
               "(21, '李四', '13912345678', '上海', '', '', '2030-01-02')");
        CustomerManagerWindow w;
        CustomerSelectionDialog picker;
        for (QObject* window : QList<QObject*>{&w, &picker})
            makeCurrent(window, "李四");
        t.execElsewhere("UPDATE customer SET phone = '13700000000' WHERE id = 21");
        t.execElsewhere("INSERT INTO customer (id, name, phone, address, created_at) VALUES "
                        "(22, '王五', '021-1380', '杭州', '2030-01-03')");
        for (QObject* window : QList<QObject*>{&w, &picker}) {
            leaveAndComeBack(window);
            QCOMPARE(column(window), QString("零售客户,王五,李四,张三"));
            QCOMPARE(column(window, 2).section(',', 2, 2), QString("13700000000"));
            QCOMPARE(tableOf(window)->currentIndex().row(), 2);
        }
    }

    // The list window's header sections (light green face, bold, padded) also under a parent that has a style
    // sheet of its own, as the main window has.
    void headerKeepsItsLookUnderAStyledParent() {
        TestDatabase t;
        QWidget parent;
        parent.setStyleSheet("QMenu { background-color: #ffffff; }");
        CustomerManagerWindow w(&parent);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QHeaderView* header = tableOf(&w)->horizontalHeader();
        const QImage shot = header->grab().toImage();
        QCOMPARE(QColor(shot.pixel(header->sectionViewportPosition(1) + 4, 3)).name(), QString("#f0f4f0"));
        QFont bold = header->font();
        bold.setBold(true);
        // Padded 6 pixels above and below the bold title, inside a 1 pixel border.
        QVERIFY2(header->height() >= QFontMetrics(bold).height() + 12,
                 qPrintable(QString::number(header->height())));
    }

    // Return in the picker's search field never presses "确定".
    void pickerReturnOnlySearches() {
        TestDatabase t;
        CustomerSelectionDialog picker;
        picker.show();
        QVERIFY(QTest::qWaitForWindowActive(&picker));
        tableOf(&picker)->setCurrentIndex(tableOf(&picker)->model()->index(0, 1));
        child(&picker, "editSearch")->setFocus();
        QTest::keyClick(child(&picker, "editSearch"), Qt::Key_Return);
        QCOMPARE(picker.isVisible(), true);
        QCOMPARE(picker.getSelectedCustomer().id, 0);
        QCOMPARE(said(), QString());
    }

    // Tab in the remark moves on to the default box instead of typing a tab.
    void tabLeavesTheRemark() {
        CustomerDialog d;
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        auto* remark = child<QPlainTextEdit>(&d, "editRemark");
        remark->setFocus();
        QTest::keyClick(remark, Qt::Key_Tab);
        QCOMPARE(remark->toPlainText(), QString());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(child<QCheckBox>(&d, "checkIsDefault")));
    }
};

KV_TEST_CLASS(TestCustomers)
#include "tst_customers.moc"

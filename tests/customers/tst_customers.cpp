#include "ui/common/prompts.h"
#include "ui/masterdata/customerdialog.h"
#include "ui/masterdata/customermanagerwindow.h"
#include "ui/masterdata/customerselectiondialog.h"

#include "tests/support/modalanswer.h"
#include "tests/support/testdatabase.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::ModalAnswer;
using kestrovalin::test::TestDatabase;

namespace {

template <typename T = QLineEdit> T* child(QObject* parent, const char* name) {
    return parent->findChild<T*>(name);
}

void click(QObject* parent, const char* button) {
    child<QPushButton>(parent, button)->click();
}

QStringList column(QObject* window, int col) {
    auto* table = child<QTableWidget>(window, "tableWidget");
    QStringList out;
    for (int r = 0; r < table->rowCount(); ++r)
        out.append(table->item(r, col)->text());
    return out;
}

void makeCurrent(QObject* window, const QString& name) {
    child<QTableWidget>(window, "tableWidget")->setCurrentCell(column(window, 1).indexOf(name), 1);
}

// Double-clicks a cell the way a hand does: QtTest's double click carries no press of its own.
void doubleClick(QWidget* window, int row) {
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto* table = child<QTableWidget>(window, "tableWidget");
    const QPoint point = table->visualItemRect(table->item(row, 1)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, point);
}

// Fills the form that the button opens and saves it.
void saveForm(QWidget* window, const char* button, const std::function<void(CustomerDialog*)>& fill) {
    ModalAnswer<CustomerDialog> answer([&](CustomerDialog* d) {
        fill(d);
        click(d, "btnSave");
    });
    click(window, button);
    QCOMPARE(answer.count(), 1);
}

void add(QWidget* window, const QString& name, bool isDefault = false) {
    saveForm(window, "btnAdd", [&](CustomerDialog* d) {
        child(d, "editName")->setText(name);
        child<QCheckBox>(d, "checkIsDefault")->setChecked(isDefault);
    });
}

QStringList said() {
    QStringList out;
    for (const Prompts::Record& r : Prompts::history())
        out << r.title + ":" + r.text;
    return out;
}

QString defaults(TestDatabase& t) {
    return t.scalar("SELECT group_concat(name) FROM customer WHERE is_default=1").toString();
}

void seedThree(TestDatabase& t) {
    t.exec("INSERT INTO customer (id, name, phone, address, id_card, remark, created_at) VALUES "
           "(20, '张三', '13800001111', '北京', '', '', '2030-01-01 08:00:00'), "
           "(21, '李四', '13912345678', '上海 浦东', '310101199001011234', '常客', '2030-01-02 08:00:00'), "
           "(22, '王五', '021-1380', '杭州', '', '', '2030-01-03 08:00:00')");
}

} // namespace

// The customer register: the list window, its form and the picker.
class TestCustomers : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
    }

    // One shaded retail customer; without a current row each action asks for one; a double click views.
    void freshDatabaseShowsTheShadedRetailCustomer() {
        TestDatabase t;
        CustomerManagerWindow w;
        QCOMPARE(column(&w, 1) + column(&w, 6), QStringList({"零售客户", "是"}));
        QCOMPARE(child<QLabel>(&w, "labelCount")->text(), QString("共 1 条记录"));
        for (int c = 0; c < 7; ++c)
            QCOMPARE(child<QTableWidget>(&w, "tableWidget")->item(0, c)->background(),
                     QBrush(QColor(200, 255, 200), Qt::SolidPattern));
        for (const char* button : {"btnEdit", "btnView", "btnDelete"}) // no current row yet
            click(&w, button);
        QCOMPARE(said(), (QStringList{"提示:请选择要编辑的客户", "提示:请选择要查看的客户",
                                      "提示:请选择要删除的客户"}));
        QString shown; // a double click shows the customer read-only
        ModalAnswer<CustomerDialog> view([&](CustomerDialog* d) {
            shown = child(d, "editName")->text() + (child(d, "editName")->isReadOnly() ? " read-only" : "") +
                    (child<QPushButton>(d, "btnSave")->isHidden() ? " no save" : "");
            click(d, "btnCancel");
        });
        doubleClick(&w, 0);
        QCOMPARE(shown, QString("零售客户 read-only no save"));
    }

    // A blank name is refused with the form left open; the texts are stored trimmed.
    void addTrimsNamesAndRefusesBlankOnes() {
        TestDatabase t;
        CustomerManagerWindow w;
        bool stayedOpen = false;
        saveForm(&w, "btnAdd", [&](CustomerDialog* d) {
            child(d, "editName")->setText("   ");
            click(d, "btnSave");
            stayedOpen = d->isVisible();
            child(d, "editName")->setText("  张三  ");
            child<QPlainTextEdit>(d, "editRemark")->setPlainText("\n  老顾客 \n");
        });
        QVERIFY(stayedOpen);
        QCOMPARE(said(), (QStringList{"提示:请输入客户名称", "提示:客户添加成功"}));
        QCOMPARE(t.scalar("SELECT name || '|' || remark FROM customer WHERE is_default=0").toString(),
                 QString("张三|老顾客"));
        QCOMPARE(column(&w, 1), QStringList({"零售客户", "张三"}));
    }

    // Adding or ticking on edit leaves exactly one default; unticking leaves none, which the form allows. The
    // flags are cleared and the customer written in one go: a failed insert, or a customer removed while its
    // form was open, keeps the previous default.
    void defaultMovesWithAddAndEdit() {
        TestDatabase t;
        CustomerManagerWindow w;
        add(&w, "张三");
        add(&w, "李四");
        add(&w, "新默认", true);
        QCOMPARE(defaults(t), QString("新默认"));
        QCOMPARE(column(&w, 1).first() + column(&w, 6).join(""), QString("新默认是否否否"));
        t.exec("CREATE TRIGGER refuse BEFORE INSERT ON customer BEGIN SELECT RAISE(ABORT, 'refused'); END");
        add(&w, "坏数据", true);
        makeCurrent(&w, "李四");
        saveForm(&w, "btnEdit", [&](CustomerDialog* d) {
            child<QCheckBox>(d, "checkIsDefault")->setChecked(true);
            t.exec("DELETE FROM customer WHERE name='李四'");
        });
        QCOMPARE(said().mid(3), (QStringList{"提示:客户添加失败", "提示:客户修改失败"}));
        QCOMPARE(defaults(t), QString("新默认"));
        makeCurrent(&w, "张三");
        saveForm(&w, "btnEdit",
                 [](CustomerDialog* d) { child<QCheckBox>(d, "checkIsDefault")->setChecked(true); });
        QCOMPARE(defaults(t), QString("张三"));
        makeCurrent(&w, "张三");
        saveForm(&w, "btnEdit",
                 [](CustomerDialog* d) { child<QCheckBox>(d, "checkIsDefault")->setChecked(false); });
        QCOMPARE(defaults(t), QString());
        QCOMPARE(Prompts::lastText(), QString("客户修改成功"));
    }

    // Through the real message boxes: the default is refused before any question; another customer is deleted
    // for good after Yes.
    void deleteRefusesTheDefaultAndAsksForOthers() {
        TestDatabase t;
        CustomerManagerWindow w;
        add(&w, "张三");
        Prompts::setTestMode(false);
        QStringList seen;
        QList<QMessageBox::StandardButton> answers{QMessageBox::Ok, QMessageBox::No, QMessageBox::Yes,
                                                   QMessageBox::Ok};
        ModalAnswer<QMessageBox> boxes([&](QMessageBox* box) {
            seen << box->windowTitle() + ":" + box->text();
            box->button(answers.takeFirst())->click();
        });
        makeCurrent(&w, "零售客户");
        click(&w, "btnDelete");
        makeCurrent(&w, "张三");
        click(&w, "btnDelete");
        click(&w, "btnDelete");
        Prompts::setTestMode(true);
        QCOMPARE(seen, (QStringList{"提示:默认客户不能删除", "确认:确定要删除客户 \"张三\" 吗？",
                                    "确认:确定要删除客户 \"张三\" 吗？", "提示:客户删除成功"}));
        QCOMPARE(t.count("customer"), 1);
        QCOMPARE(column(&w, 1), QStringList{"零售客户"});
    }

    // Each keystroke searches the text as typed, in both windows: default first, then newest.
    void liveSearchAsTyped() {
        TestDatabase t;
        seedThree(t);
        CustomerManagerWindow w;
        CustomerSelectionDialog picker;
        for (QObject* window : {static_cast<QObject*>(&w), static_cast<QObject*>(&picker)}) {
            QLineEdit* search = child(window, "editSearch");
            QTest::keyClicks(search, "138");
            QCOMPARE(column(window, 1), QStringList({"王五", "张三"}));
            search->clear();
            QCOMPARE(column(window, 1), QStringList({"零售客户", "王五", "李四", "张三"}));
            QTest::keyClicks(search, " ");
            QCOMPARE(column(window, 1), QStringList({"李四"}));
        }
        QCOMPARE(child<QLabel>(&w, "labelCount")->text(), QString("共 1 条记录"));
    }

    // 确定 without a current row asks for one; a double click returns the whole record at once; a row deleted
    // meanwhile comes back with id 0.
    void picker() {
        TestDatabase t;
        seedThree(t);
        CustomerSelectionDialog picker;
        click(&picker, "btnConfirm");
        QCOMPARE(said(), QStringList{"提示:请选择一个客户"});
        QCOMPARE(picker.result(), int(QDialog::Rejected));
        doubleClick(&picker, 2);
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        const models::Customer c = picker.getSelectedCustomer();
        QCOMPARE((QStringList{QString::number(c.id), c.name, c.phone, c.address, c.idCard, c.remark}),
                 (QStringList{"21", "李四", "13912345678", "上海 浦东", "310101199001011234", "常客"}));
        CustomerSelectionDialog again;
        makeCurrent(&again, "王五");
        t.exec("DELETE FROM customer WHERE id=22");
        click(&again, "btnConfirm");
        QCOMPARE(again.result(), int(QDialog::Accepted));
        QCOMPARE(again.getSelectedCustomer().id, 0);
    }
};

QTEST_MAIN(TestCustomers)
#include "tst_customers.moc"

#include "ui/common/prompts.h"
#include "ui/masterdata/customerdialog.h"
#include "ui/masterdata/customermanagerwindow.h"

#include "tests/customers/modalhelper.h"
#include "tests/support/testdatabase.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::TestDatabase;
using kestrovalin::test::WhenModal;

namespace {

template <typename T = QLineEdit> T* field(QWidget* w, const char* name) {
    return w->findChild<T*>(name);
}

// Drives the customer window through its widgets, as a user would.
class Driver {
public:
    Driver() : table(field<QTableWidget>(&w, "tableWidget")), search(field(&w, "editSearch")) {}

    void click(const char* button) { field<QPushButton>(&w, button)->click(); }
    QString count() const { return w.findChild<QLabel*>("labelCount")->text(); }
    QStringList column(int col) const {
        QStringList out;
        for (int r = 0; r < table->rowCount(); ++r)
            out.append(table->item(r, col)->text());
        return out;
    }
    int rowOf(const QString& name) const { return column(1).indexOf(name); }
    void select(const QString& name) { table->setCurrentCell(rowOf(name), 1); }
    // Fills the form that the next button opens and saves it.
    void saveForm(const char* button, std::function<void(CustomerDialog*)> fill) {
        WhenModal<CustomerDialog> answer([&](CustomerDialog* d) {
            fill(d);
            field<QPushButton>(d, "btnSave")->click();
        });
        click(button);
        QVERIFY(answer.seen());
    }
    void add(const QString& name, bool isDefault = false) {
        saveForm("btnAdd", [&](CustomerDialog* d) {
            field(d, "editName")->setText(name);
            field<QCheckBox>(d, "checkIsDefault")->setChecked(isDefault);
        });
    }

    CustomerManagerWindow w;
    QTableWidget* table;
    QLineEdit* search;
};

// Shows the real message boxes while it lives, answers each with the next button and records what it said.
class RealBoxes {
public:
    explicit RealBoxes(QList<QMessageBox::StandardButton> buttons) : m_buttons(buttons) {
        Prompts::setTestMode(false);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box && box->isVisible() && !m_buttons.isEmpty()) {
                seen << box->windowTitle() + ":" + box->text();
                box->button(m_buttons.takeFirst())->click();
            }
        });
        m_timer.start();
    }
    ~RealBoxes() { Prompts::setTestMode(true); }
    QStringList seen;

private:
    QList<QMessageBox::StandardButton> m_buttons;
    QTimer m_timer;
};

const QBrush kDefaultShade(QColor(200, 255, 200), Qt::SolidPattern);

} // namespace

class TestCustomerManagerWindow : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
    }

    void freshDatabaseShowsTheShadedRetailCustomer() {
        TestDatabase t;
        Driver d;
        QCOMPARE(d.column(1), QStringList{"零售客户"});
        QCOMPARE(d.column(6), QStringList{"是"});
        QCOMPARE(d.count(), QString("共 1 条记录"));
        for (int c = 0; c < 7; ++c)
            QCOMPARE(d.table->item(0, c)->background(), kDefaultShade);
    }

    void addTrimsNamesAndRefusesBlankOnes() {
        TestDatabase t;
        Driver d;
        bool stayedOpen = false;
        WhenModal<CustomerDialog> answer([&](CustomerDialog* dlg) {
            field(dlg, "editName")->setText("   ");
            field<QPushButton>(dlg, "btnSave")->click();
            stayedOpen = dlg->isVisible();
            field(dlg, "editName")->setText("  张三  ");
            field(dlg, "editPhone")->setText(" 13800001111 ");
            field<QPlainTextEdit>(dlg, "editRemark")->setPlainText("\n  老顾客 \n");
            field<QPushButton>(dlg, "btnSave")->click();
        });
        d.click("btnAdd");
        QVERIFY(stayedOpen);
        QCOMPARE(Prompts::history().size(), 2);
        QCOMPARE(Prompts::history().at(0).title + Prompts::history().at(0).text,
                 QString("提示请输入客户名称"));
        QCOMPARE(Prompts::lastText(), QString("客户添加成功"));
        QCOMPARE(t.scalar("SELECT name || '|' || phone || '|' || remark FROM customer WHERE is_default=0")
                     .toString(),
                 QString("张三|13800001111|老顾客"));
        QCOMPARE(d.column(1), QStringList({"零售客户", "张三"}));
        QCOMPARE(d.count(), QString("共 2 条记录"));
    }

    void defaultMovesWithAddAndEdit() {
        TestDatabase t;
        Driver d;
        d.add("张三");
        d.add("新默认", true);
        QCOMPARE(t.count("customer", "is_default=1"), 1);
        QCOMPARE(d.column(1).first() + d.column(6).first(), QString("新默认是"));
        QCOMPARE(d.table->item(0, 3)->background(), kDefaultShade);
        const int old = d.rowOf("零售客户");
        QCOMPARE(d.column(6).at(old), QString("否"));
        QCOMPARE(d.table->item(old, 0)->background().style(), Qt::NoBrush);

        // Ticking the box on edit moves the flag; unticking it leaves none at all, which the form allows.
        d.select("张三");
        bool shownDefault = true;
        d.saveForm("btnEdit", [&](CustomerDialog* dlg) {
            shownDefault = field<QCheckBox>(dlg, "checkIsDefault")->isChecked();
            field<QCheckBox>(dlg, "checkIsDefault")->setChecked(true);
        });
        QVERIFY(!shownDefault);
        QCOMPARE(Prompts::lastText(), QString("客户修改成功"));
        QCOMPARE(t.scalar("SELECT group_concat(name) FROM customer WHERE is_default=1").toString(),
                 QString("张三"));
        d.select("张三");
        d.saveForm("btnEdit",
                   [](CustomerDialog* dlg) { field<QCheckBox>(dlg, "checkIsDefault")->setChecked(false); });
        QCOMPARE(t.count("customer", "is_default=1"), 0);
        QVERIFY(!d.column(6).contains("是"));
    }

    void failedDefaultAddKeepsTheRetailCustomer() {
        TestDatabase t;
        t.exec("CREATE TRIGGER refuse BEFORE INSERT ON customer BEGIN SELECT RAISE(ABORT, 'refused'); END");
        Driver d;
        d.add("新默认", true);
        QCOMPARE(Prompts::lastText(), QString("客户添加失败"));
        QCOMPARE(t.scalar("SELECT name FROM customer WHERE is_default=1").toString(), QString("零售客户"));
        QCOMPARE(d.column(6), QStringList({"是"}));
    }

    // Without a current row each action asks for one; a row deleted meanwhile is reported.
    void actionsNeedAnExistingRow() {
        TestDatabase t;
        Driver d;
        d.add("张三");
        Prompts::reset();
        QCOMPARE(d.table->currentRow(), -1);
        for (const char* button : {"btnEdit", "btnView", "btnDelete"})
            d.click(button);
        t.exec("DELETE FROM customer WHERE name='张三'");
        d.select("张三");
        d.click("btnEdit");
        d.click("btnView");
        QStringList texts;
        for (const Prompts::Record& r : Prompts::history())
            texts << r.title + ":" + r.text;
        QCOMPARE(texts, (QStringList{"提示:请选择要编辑的客户", "提示:请选择要查看的客户",
                                     "提示:请选择要删除的客户", "提示:客户不存在", "提示:客户不存在"}));
    }

    // Through the real message boxes: the default is refused before any question, others are deleted for good
    // after "是".
    void deleteRefusesTheDefaultAndAsksForOthers() {
        TestDatabase t;
        Driver d;
        d.add("张三");
        d.add("李四");
        RealBoxes boxes({QMessageBox::Ok, QMessageBox::No, QMessageBox::Yes, QMessageBox::Ok});
        d.select("零售客户");
        d.click("btnDelete");
        d.select("张三");
        d.click("btnDelete");
        QCOMPARE(t.count("customer"), 3);
        d.click("btnDelete");
        QCOMPARE(boxes.seen, (QStringList{"提示:默认客户不能删除", "确认:确定要删除客户 \"张三\" 吗？",
                                          "确认:确定要删除客户 \"张三\" 吗？", "提示:客户删除成功"}));
        QCOMPARE(t.count("customer", "name='张三'"), 0); // a hard delete
        QCOMPARE(d.column(1), QStringList({"零售客户", "李四"}));
    }

    // Each keystroke searches the text as typed: default first, then newest.
    void liveSearchAsTyped() {
        TestDatabase t;
        Driver d;
        t.exec("INSERT INTO customer (name, phone, address, created_at) VALUES "
               "('张三', '13800001111', '北京', '2030-01-01 08:00:00'), "
               "('李四', '13912345678', '上海 浦东', '2030-01-02 08:00:00'), "
               "('王五', '021-1380', '杭州', '2030-01-03 08:00:00')");
        QTest::keyClicks(d.search, "138");
        QCOMPARE(d.column(1), QStringList({"王五", "张三"}));
        QCOMPARE(d.count(), QString("共 2 条记录"));
        d.search->clear();
        QCOMPARE(d.column(1), QStringList({"零售客户", "王五", "李四", "张三"}));
        QTest::keyClicks(d.search, " ");
        QCOMPARE(d.column(1), QStringList({"李四"}));
    }

    void viewIsReadOnlyAndOpensOnDoubleClick() {
        TestDatabase t;
        Driver d;
        QString name;
        bool readOnly = false;
        WhenModal<CustomerDialog> answer([&](CustomerDialog* dlg) {
            name = field(dlg, "editName")->text();
            readOnly = field(dlg, "editName")->isReadOnly() && field(dlg, "editPhone")->isReadOnly() &&
                       field<QPlainTextEdit>(dlg, "editRemark")->isReadOnly() &&
                       !field<QCheckBox>(dlg, "checkIsDefault")->isEnabled() &&
                       field<QPushButton>(dlg, "btnSave")->isHidden();
            field<QPushButton>(dlg, "btnCancel")->click();
        });
        d.w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d.w));
        const QPoint point = d.table->visualItemRect(d.table->item(0, 2)).center();
        // A widget double click in QtTest carries no press of its own: press first, as a hand would.
        QTest::mouseClick(d.table->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(d.table->viewport(), Qt::LeftButton, {}, point);
        QVERIFY(answer.seen());
        QCOMPARE(name, QString("零售客户"));
        QVERIFY(readOnly);
        QCOMPARE(t.count("customer"), 1);
    }
};

QTEST_MAIN(TestCustomerManagerWindow)
#include "tst_customermanagerwindow.moc"

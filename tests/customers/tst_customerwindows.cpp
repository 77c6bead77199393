#include "ui/common/prompts.h"
#include "ui/masterdata/customerdialog.h"
#include "ui/masterdata/customermanagerwindow.h"
#include "ui/masterdata/customerselectiondialog.h"

#include "tests/support/testdatabase.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <functional>

using namespace kestrovalin;
using kestrovalin::test::TestDatabase;

namespace {

// While it lives, answers each modal T that opens (polling every 10 ms) once with the handler, which must
// close it, or exec() never returns.
template <typename T> class WhenModal {
public:
    explicit WhenModal(std::function<void(T*)> handler) : m_handler(std::move(handler)) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
            if (w && w != m_last) {
                m_last = w;
                ++seen;
                m_handler(w);
            }
        });
        m_timer.start();
    }
    int seen = 0;

private:
    std::function<void(T*)> m_handler;
    QTimer m_timer;
    QPointer<T> m_last;
};

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
        QCOMPARE(answer.seen, 1);
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
    explicit RealBoxes(QList<QMessageBox::StandardButton> buttons)
        : m_buttons(buttons), m_answer([this](QMessageBox* box) {
              seen << box->windowTitle() + ":" + box->text();
              box->button(m_buttons.takeFirst())->click();
          }) {
        Prompts::setTestMode(false);
    }
    ~RealBoxes() { Prompts::setTestMode(true); }
    QStringList seen;

private:
    QList<QMessageBox::StandardButton> m_buttons;
    WhenModal<QMessageBox> m_answer;
};

const QBrush kDefaultShade(QColor(200, 255, 200), Qt::SolidPattern);

QStringList names(QTableWidget* table) {
    QStringList out;
    for (int r = 0; r < table->rowCount(); ++r)
        out.append(table->item(r, 1)->text());
    return out;
}

void seedThree(TestDatabase& t) {
    t.exec("INSERT INTO customer (id, name, phone, address, created_at) VALUES "
           "(20, '张三', '13800001111', '北京', '2030-01-01 08:00:00'), "
           "(21, '李四', '13912345678', '上海 浦东', '2030-01-02 08:00:00'), "
           "(22, '王五', '021-1380', '杭州', '2030-01-03 08:00:00')");
}

} // namespace

// The customer list window, its form and the customer picker.
class TestCustomerWindows : public QObject {
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
        seedThree(t);
        Driver d;
        QTest::keyClicks(d.search, "138");
        QCOMPARE(d.column(1), QStringList({"王五", "张三"}));
        QCOMPARE(d.count(), QString("共 2 条记录"));
        d.search->clear();
        QCOMPARE(d.column(1), QStringList({"零售客户", "王五", "李四", "张三"}));
        QTest::keyClicks(d.search, " ");
        QCOMPARE(d.column(1), QStringList({"李四"}));
        // The picker searches the same way.
        CustomerSelectionDialog picker;
        QTest::keyClicks(field(&picker, "editSearch"), "138");
        QCOMPARE(names(field<QTableWidget>(&picker, "tableWidget")), QStringList({"王五", "张三"}));
    }

    void viewIsReadOnlyAndOpensOnDoubleClick() {
        TestDatabase t;
        Driver d;
        QString shown;
        WhenModal<CustomerDialog> answer([&](CustomerDialog* dlg) {
            shown = field(dlg, "editName")->text() +
                    (field(dlg, "editName")->isReadOnly() ? " read-only" : "") +
                    (field<QPushButton>(dlg, "btnSave")->isHidden() ? " no save" : "");
            field<QPushButton>(dlg, "btnCancel")->click();
        });
        d.w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d.w));
        const QPoint point = d.table->visualItemRect(d.table->item(0, 2)).center();
        // A widget double click in QtTest carries no press of its own: press first, as a hand would.
        QTest::mouseClick(d.table->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(d.table->viewport(), Qt::LeftButton, {}, point);
        QCOMPARE(shown, QString("零售客户 read-only no save"));
    }

    void pickerReturnsTheCustomer_data() {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("confirm button") << false;
        QTest::newRow("double click") << true;
    }
    void pickerReturnsTheCustomer() {
        QFETCH(bool, doubleClick);
        TestDatabase t;
        seedThree(t);
        CustomerSelectionDialog dlg;
        auto* table = field<QTableWidget>(&dlg, "tableWidget");
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        table->setCurrentCell(2, 0); // 李四
        if (doubleClick) {
            const QPoint point = table->visualItemRect(table->item(2, 3)).center();
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, point);
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, point);
        } else {
            field<QPushButton>(&dlg, "btnConfirm")->click();
        }
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        const models::Customer c = dlg.getSelectedCustomer();
        QCOMPARE(QString::number(c.id) + c.name + c.phone, QString("21李四13912345678"));
        QVERIFY(Prompts::history().isEmpty());
    }

    // Without a current row the picker warns (through the real message box); a row deleted meanwhile gives
    // a customer with id 0.
    void pickerWithoutACustomer() {
        TestDatabase t;
        seedThree(t);
        CustomerSelectionDialog dlg;
        {
            RealBoxes boxes({QMessageBox::Ok});
            field<QPushButton>(&dlg, "btnConfirm")->click();
            QCOMPARE(boxes.seen, QStringList{"提示:请选择一个客户"});
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
        }
        field<QTableWidget>(&dlg, "tableWidget")->setCurrentCell(1, 0);
        t.exec("DELETE FROM customer WHERE id=22");
        field<QPushButton>(&dlg, "btnConfirm")->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.getSelectedCustomer().id, 0);
    }
};

QTEST_MAIN(TestCustomerWindows)
#include "tst_customerwindows.moc"

#include "ui/common/prompts.h"
#include "ui/common/styles.h"
#include "ui/masterdata/customerdialog.h"
#include "ui/masterdata/customermanagerwindow.h"

#include "tests/customers/modalhelper.h"
#include "tests/support/testdatabase.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::TestDatabase;
using kestrovalin::test::WhenModal;
using Kind = Prompts::Kind;

namespace {

// clang-format off
const char* const kSheet =
    "QGroupBox {  font-weight: bold;  border: 1px solid #d0d0d0;  border-radius: 5px;  margin-top: 10px;  "
    "padding-top: 14px;}QGroupBox::title {  subcontrol-origin: margin;  left: 10px;  padding: 0 5px;  "
    "color: #2c5f2d;}QLineEdit {  padding: 4px 6px;  border: 1px solid #c0c0c0;  border-radius: 3px;}"
    "QLineEdit:focus {  border-color: #4a90d9;}QPushButton {  padding: 5px 16px;  border-radius: 3px;}"
    "QPushButton#btnAdd {  background-color: #2c5f2d;  color: white;  border: 1px solid #1e4a1f;  "
    "font-weight: bold;}QPushButton#btnAdd:hover {  background-color: #3a7a3b;}QPushButton#btnEdit, "
    "QPushButton#btnView, QPushButton#btnDelete {  background-color: #f5f5f5;  border: 1px solid #c0c0c0;}"
    "QPushButton#btnEdit:hover, QPushButton#btnView:hover, QPushButton#btnDelete:hover {  "
    "background-color: #e8e8e8;}QTableWidget {  border: 1px solid #d0d0d0;  gridline-color: #e8e8e8;}"
    "QHeaderView::section {  background-color: #f0f4f0;  padding: 6px;  border: 1px solid #d0d0d0;  "
    "font-weight: bold;}";
// clang-format on

struct Form {
    QLineEdit* name;
    QLineEdit* phone;
    QLineEdit* address;
    QLineEdit* idCard;
    QPlainTextEdit* remark;
    QCheckBox* isDefault;
    QPushButton* save;
    QPushButton* cancel;
};

Form form(CustomerDialog* d) {
    return {d->findChild<QLineEdit*>("editName"),        d->findChild<QLineEdit*>("editPhone"),
            d->findChild<QLineEdit*>("editAddress"),     d->findChild<QLineEdit*>("editIdCard"),
            d->findChild<QPlainTextEdit*>("editRemark"), d->findChild<QCheckBox*>("checkIsDefault"),
            d->findChild<QPushButton*>("btnSave"),       d->findChild<QPushButton*>("btnCancel")};
}

// Drives the customer window through its widgets, as a user would.
class Driver {
public:
    Driver()
        : table(w.findChild<QTableWidget*>("tableWidget")), search(w.findChild<QLineEdit*>("editSearch")) {}

    void click(const char* button) { w.findChild<QPushButton*>(button)->click(); }
    QString cell(int row, int col) const {
        return table->item(row, col) ? table->item(row, col)->text() : QString();
    }
    QString count() const { return w.findChild<QLabel*>("labelCount")->text(); }
    QStringList column(int col) const {
        QStringList out;
        for (int r = 0; r < table->rowCount(); ++r)
            out.append(cell(r, col));
        return out;
    }
    int rowOf(const QString& name) const { return column(1).indexOf(name); }
    void select(const QString& name) { table->setCurrentCell(rowOf(name), 1); }
    // Fills the form that the next button opens and saves it.
    void saveForm(const char* button, std::function<void(Form&)> fill) {
        WhenModal<CustomerDialog> answer([&](CustomerDialog* d) {
            Form f = form(d);
            fill(f);
            f.save->click();
        });
        click(button);
        QVERIFY(answer.seen());
    }

    CustomerManagerWindow w;
    QTableWidget* table;
    QLineEdit* search;
};

void addCustomer(Driver& d, const QString& name, const QString& phone = QString(), bool isDefault = false) {
    d.saveForm("btnAdd", [&](Form& f) {
        f.name->setText(name);
        f.phone->setText(phone);
        f.isDefault->setChecked(isDefault);
    });
}

} // namespace

class TestCustomerManagerWindow : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
    }

    void styleSheetAndPlacement() {
        TestDatabase t;
        QWidget parent;
        parent.setGeometry(100, 50, 1001, 703);
        CustomerManagerWindow w(&parent);
        QVERIFY(w.isWindow());
        QCOMPARE(w.geometry(), QRect(100 + (1001 - 900) / 2, 50 + (703 - 562) / 2, 900, 562));
        QCOMPARE(listWindowStyleSheet({"btnAdd"}, {"btnEdit", "btnView", "btnDelete"}, false),
                 QString(kSheet));
        QCOMPARE(w.styleSheet(), QString(kSheet));
    }

    void freshDatabaseShowsTheShadedRetailCustomer() {
        TestDatabase t;
        Driver d;
        QCOMPARE(d.w.windowTitle(), QString("客户管理"));
        QCOMPARE(d.w.size(), QSize(800, 500));
        QCOMPARE(d.table->rowCount(), 1);
        QCOMPARE(d.cell(0, 1), QString("零售客户"));
        QCOMPARE(d.cell(0, 6), QString("是"));
        QCOMPARE(d.count(), QString("共 1 条记录"));
        for (int c = 0; c < 7; ++c)
            QCOMPARE(d.table->item(0, c)->background(), QBrush(QColor(200, 255, 200, 255), Qt::SolidPattern));
        QStringList titles;
        QList<int> widths;
        for (int c = 0; c < d.table->columnCount(); ++c) {
            titles.append(d.table->horizontalHeaderItem(c)->text());
            widths.append(d.table->columnWidth(c));
        }
        QCOMPARE(titles, QStringList({"ID", "客户名称", "联系电话", "地址", "身份证号", "备注", "是否默认"}));
        QCOMPARE(widths.mid(0, 6), QList<int>({60, 120, 100, 200, 150, 100}));
        QCOMPARE(d.table->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(d.table->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    void addTrimsNamesAndRefusesBlankOnes() {
        TestDatabase t;
        Driver d;
        bool stayedOpen = false;
        WhenModal<CustomerDialog> answer([&](CustomerDialog* dlg) {
            Form f = form(dlg);
            f.name->setText("   ");
            f.save->click();
            stayedOpen = dlg->isVisible();
            f.name->setText("  张三  ");
            f.phone->setText(" 13800001111 ");
            f.remark->setPlainText("\n  老顾客 \n");
            f.save->click();
        });
        d.click("btnAdd");
        QVERIFY(stayedOpen);
        const auto& h = Prompts::history();
        QCOMPARE(h.size(), 2);
        QCOMPARE(h.at(0).kind, Kind::Warning);
        QCOMPARE(h.at(0).title, QString("提示"));
        QCOMPARE(h.at(0).text, QString("请输入客户名称"));
        QCOMPARE(h.at(1).kind, Kind::Information);
        QCOMPARE(h.at(1).text, QString("客户添加成功"));
        QCOMPARE(t.scalar("SELECT name || '|' || phone || '|' || remark FROM customer WHERE is_default=0")
                     .toString(),
                 QString("张三|13800001111|老顾客"));
        QCOMPARE(d.column(1), QStringList({"零售客户", "张三"}));
        QCOMPARE(d.count(), QString("共 2 条记录"));
    }

    void defaultMovesWithAddAndEdit() {
        TestDatabase t;
        Driver d;
        addCustomer(d, "张三", "13800001111");
        addCustomer(d, "新默认", QString(), true);
        QCOMPARE(t.count("customer", "is_default=1"), 1);
        QCOMPARE(d.cell(0, 1), QString("新默认"));
        QCOMPARE(d.cell(0, 6), QString("是"));
        QCOMPARE(d.table->item(0, 3)->background().color(), QColor(200, 255, 200));
        const int old = d.rowOf("零售客户");
        QCOMPARE(d.cell(old, 6), QString("否"));
        QCOMPARE(d.table->item(old, 0)->background().style(), Qt::NoBrush);
        QCOMPARE(d.cell(old, 5), QString("默认零售客户，用于未登记客户的销售"));

        // Marking a non-default customer on edit moves the flag to it.
        d.select("张三");
        QString shownName;
        bool shownDefault = true;
        d.saveForm("btnEdit", [&](Form& f) {
            shownName = f.name->text();
            shownDefault = f.isDefault->isChecked();
            f.isDefault->setChecked(true);
        });
        QCOMPARE(shownName, QString("张三"));
        QVERIFY(!shownDefault);
        QCOMPARE(Prompts::lastText(), QString("客户修改成功"));
        QCOMPARE(t.count("customer", "is_default=1"), 1);
        QCOMPARE(d.column(6).at(d.rowOf("张三")), QString("是"));

        // Saving the default unchanged clears nothing.
        t.exec("UPDATE customer SET updated_at='2001-01-01 00:00:00' WHERE name='新默认'");
        d.select("张三");
        d.saveForm("btnEdit", [&](Form& f) { shownDefault = f.isDefault->isChecked(); });
        QVERIFY(shownDefault);
        QCOMPARE(t.scalar("SELECT updated_at FROM customer WHERE name='新默认'").toString(),
                 QString("2001-01-01 00:00:00"));

        // Unticking the default leaves none at all, which the form allows.
        d.select("张三");
        d.saveForm("btnEdit", [](Form& f) { f.isDefault->setChecked(false); });
        QCOMPARE(t.count("customer", "is_default=1"), 0);
        QVERIFY(!d.column(6).contains("是"));
    }

    void failedDefaultAddKeepsTheRetailCustomer() {
        TestDatabase t;
        t.exec("CREATE TRIGGER refuse BEFORE INSERT ON customer BEGIN SELECT RAISE(ABORT, 'refused'); END");
        Driver d;
        addCustomer(d, "新默认", QString(), true);
        QCOMPARE(Prompts::last().kind, Kind::Warning);
        QCOMPARE(Prompts::lastText(), QString("客户添加失败"));
        QCOMPARE(t.scalar("SELECT name FROM customer WHERE is_default=1").toString(), QString("零售客户"));
        QCOMPARE(d.column(6), QStringList({"是"}));
    }

    void actionsWithoutCurrentRowAsk_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("edit") << "btnEdit"
                              << "请选择要编辑的客户";
        QTest::newRow("view") << "btnView"
                              << "请选择要查看的客户";
        QTest::newRow("delete") << "btnDelete"
                                << "请选择要删除的客户";
    }
    void actionsWithoutCurrentRowAsk() {
        QFETCH(QString, button);
        QFETCH(QString, text);
        TestDatabase t;
        Driver d;
        QCOMPARE(d.table->currentRow(), -1);
        d.click(qPrintable(button));
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::last().kind, Kind::Warning);
        QCOMPARE(Prompts::lastTitle(), QString("提示"));
        QCOMPARE(Prompts::lastText(), text);
    }

    void rowGoneMeanwhileIsReported() {
        TestDatabase t;
        Driver d;
        addCustomer(d, "张三");
        d.select("张三");
        t.exec("DELETE FROM customer WHERE name='张三'");
        Prompts::reset();
        d.click("btnEdit");
        QCOMPARE(Prompts::lastText(), QString("客户不存在"));
        d.click("btnView");
        QCOMPARE(Prompts::lastText(), QString("客户不存在"));
    }

    void deleteRefusesTheDefaultAndAsksForOthers() {
        TestDatabase t;
        Driver d;
        addCustomer(d, "张三");
        addCustomer(d, "李四");
        Prompts::reset();

        d.select("零售客户");
        d.click("btnDelete");
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::last().kind, Kind::Warning);
        QCOMPARE(Prompts::lastText(), QString("默认客户不能删除"));

        Prompts::reset();
        d.select("张三");
        Prompts::queueQuestion(false);
        d.click("btnDelete");
        QCOMPARE(Prompts::last().kind, Kind::Question);
        QCOMPARE(Prompts::lastTitle(), QString("确认"));
        QCOMPARE(Prompts::lastText(), QString("确定要删除客户 \"张三\" 吗？"));
        QCOMPARE(t.count("customer"), 3);

        Prompts::queueQuestion(true);
        d.click("btnDelete");
        QCOMPARE(Prompts::lastTitle(), QString("提示"));
        QCOMPARE(Prompts::lastText(), QString("客户删除成功"));
        QCOMPARE(t.count("customer", "name='张三'"), 0); // a hard delete
        QCOMPARE(d.column(1), QStringList({"零售客户", "李四"}));
        QCOMPARE(d.table->currentRow(), -1);
    }

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
        d.search->setText("不存在");
        QCOMPARE(d.table->rowCount(), 0);
        QCOMPARE(d.count(), QString("共 0 条记录"));

        // After an add the whole register shows, though the search text stays.
        addCustomer(d, "赵六");
        QCOMPARE(d.search->text(), QString("不存在"));
        QCOMPARE(d.table->rowCount(), 5);
    }

    void viewIsReadOnlyAndOpensOnDoubleClick() {
        TestDatabase t;
        Driver d;
        QString title, name, remark;
        QSize size;
        bool fieldsReadOnly = false, boxLocked = false, onlyCancel = false;
        WhenModal<CustomerDialog> answer([&](CustomerDialog* dlg) {
            Form f = form(dlg);
            title = dlg->windowTitle();
            size = dlg->size();
            name = f.name->text();
            remark = f.remark->toPlainText();
            fieldsReadOnly = f.name->isReadOnly() && f.phone->isReadOnly() && f.address->isReadOnly() &&
                             f.idCard->isReadOnly() && f.remark->isReadOnly();
            boxLocked = f.isDefault->isChecked() && !f.isDefault->isEnabled();
            onlyCancel = f.save->isHidden() && !f.cancel->isHidden();
            f.cancel->click();
        });
        d.w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d.w));
        const QPoint point = d.table->visualItemRect(d.table->item(0, 2)).center();
        // A widget double click in QtTest carries no press of its own: press first, as a hand would.
        QTest::mouseClick(d.table->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(d.table->viewport(), Qt::LeftButton, {}, point);
        QVERIFY(answer.seen());
        QCOMPARE(title, QString("客户信息"));
        QCOMPARE(size, QSize(400, 350));
        QCOMPARE(name, QString("零售客户"));
        QCOMPARE(remark, QString("默认零售客户，用于未登记客户的销售"));
        QVERIFY(fieldsReadOnly);
        QVERIFY(boxLocked);
        QVERIFY(onlyCancel);
        QVERIFY(Prompts::history().isEmpty());
        QCOMPARE(t.count("customer"), 1);
    }
};

QTEST_MAIN(TestCustomerManagerWindow)
#include "tst_customermanagerwindow.moc"

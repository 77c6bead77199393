#include "core/currentuser.h"
#include "core/usersession.h"
#include "repositories/rejecteddrugrepository.h"
#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/quality/rejecteddrugdetaildialog.h"
#include "ui/quality/rejecteddrugdialog.h"
#include "ui/quality/rejecteddrugselectiondialog.h"
#include "ui/quality/rejecteddrugwindow.h"
#include "ui/reports/rejecteddrugreportwindow.h"

#include "tests/quality/rejectedseed.h"
#include "tests/support/clerksession.h"
#include "tests/support/datarows.h"
#include "tests/support/modalanswer.h"
#include "tests/support/modeltexts.h"
#include "tests/support/otherwriter.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/prompttrail.h"
#include "tests/support/testdatabase.h"
#include "tests/support/windowprobe.h"
#include "tests/support/windowreturn.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

constexpr int kStatus = 10; // the register's status column
const QString kLocked = "locked by another program";
const QString kBusy = "\n数据库正被其他程序占用，请稍后重试";

QTableView* viewOf(QObject* window, const char* table = "tableWidget") {
    return child<QTableView>(window, table);
}

QString column(QObject* window, int c, const char* table = "tableWidget") {
    return texts(viewOf(window, table)->model(), -1, c);
}

QString colours(QObject* window, int c, const char* table = "tableWidget") {
    return columnColours(viewOf(window, table)->model(), c);
}

// The record ids of the register, top to bottom.
QString registerIds(QObject* window) {
    const QAbstractItemModel* model = viewOf(window)->model();
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->index(r, 0).data(Qt::UserRole).toString();
    return out.join('|');
}

void makeCurrent(QObject* window, int id) {
    QTableView* view = viewOf(window);
    const int row = registerIds(window).split('|').indexOf(QString::number(id));
    view->setCurrentIndex(view->model()->index(row, 3));
}

// Chooses the batch with that number in the real picker, or cancels the picker when it lists none.
void pickBatch(QWidget* dialog, const QString& batchNo) {
    ModalAnswer<RejectedDrugSelectionDialog> answer([&](RejectedDrugSelectionDialog* picker) {
        QTableView* view = viewOf(picker, "tableView");
        const int row = column(picker, 3, "tableView").split('|').indexOf(batchNo);
        if (row < 0) {
            click(picker, "btnCancel");
            return;
        }
        view->selectRow(row);
        click(picker, "btnOk");
    });
    click(dialog, "btnSelectProduct");
}

// What a value shows: a label's text, or the whole text of the box a long one sits in.
QString valueText(QObject* dialog, const char* name) {
    if (const auto* box = dialog->findChild<QPlainTextEdit*>(name))
        return box->toPlainText();
    return child<QLabel>(dialog, name)->text();
}

} // namespace

class TestRejectedDrugWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { startAsClerk(); }
    void init() { Prompts::reset(); }

    // Register window.

    // Every record, newest first, labels for the codes, the status centred in its colour, the count below.
    void registerOpens() {
        TestDatabase t;
        seedRegister(t);
        t.exec("DELETE FROM sys_user WHERE id = 8");
        RejectedDrugWindow w;
        QCOMPARE(child<QComboBox>(&w, "comboStatus")->currentText(), QString("全部"));
        QCOMPARE(registerIds(&w), QString("4|2|3|1"));
        QCOMPARE(column(&w, 0), QString("已删除药品|藿香正气水|硝苯地平缓释片|阿莫西林胶囊"));
        QCOMPARE(column(&w, 7), QString("odd|过期失效|供应商召回|包装破损"));
        QCOMPARE(column(&w, 9), QString("张丽||系统管理员|张丽"));
        QCOMPARE(column(&w, kStatus), QString("Pending|已确认|已处理|待审核"));
        QCOMPARE(colours(&w, kStatus), QString("-|#0066cc|#009900|#ff8c00"));
        QCOMPARE(column(&w, 11), QString("-|-|退回供应商|-"));
        QCOMPARE(viewOf(&w)->model()->index(0, kStatus).data(Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignCenter));
        QCOMPARE(labelText(&w, "labelTotal"), QString("共 4 条记录"));
    }

    // Filters are read from the widgets, trimmed; the status choice waits for "搜索".
    void registerSearch() {
        TestDatabase t;
        seedRegister(t);
        RejectedDrugWindow w;
        child<QComboBox>(&w, "comboStatus")->setCurrentText("已处理");
        QCOMPARE(registerIds(&w), QString("4|2|3|1"));
        click(&w, "btnSearch");
        QCOMPARE(registerIds(&w), QString("3"));
        child<QComboBox>(&w, "comboStatus")->setCurrentText("全部");
        child<QLineEdit>(&w, "txtMnemonic")->setText(" amx ");
        child<QLineEdit>(&w, "txtSupplier")->setText("   ");
        click(&w, "btnSearch");
        QCOMPARE(registerIds(&w), QString("1"));
        QCOMPARE(labelText(&w, "labelTotal"), QString("共 1 条记录"));
    }

    // Each action is offered only in its state; an allowed one asks first (answered No or cancelled here).
    void gating_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("record"); // 0: no current row
        QTest::addColumn<QString>("said");
        const QString noRow = "提示:请选择一条记录";
        const QString confirmQuestion = "确认审核:确认审核此不合格药品登记？审核后将自动扣减可售库存。";
        const QString onlyPendingConfirm = "提示:只有待审核状态的记录才能审核";
        const QString onlyConfirmedProcess = "提示:只有已确认状态的记录才能处理";
        const QString onlyPendingDelete = "提示:只有待审核状态的记录才能删除";
        addRow("view, no row", "btnView", 0, noRow);
        addRow("confirm, no row", "btnConfirm", 0, noRow);
        addRow("process, no row", "btnProcess", 0, noRow);
        addRow("delete, no row", "btnDelete", 0, noRow);
        addRow("confirm pending", "btnConfirm", 1, confirmQuestion);
        addRow("confirm confirmed", "btnConfirm", 2, onlyPendingConfirm);
        addRow("confirm processed", "btnConfirm", 3, onlyPendingConfirm);
        addRow("confirm unknown code", "btnConfirm", 4, onlyPendingConfirm);
        addRow("process pending", "btnProcess", 1, onlyConfirmedProcess);
        addRow("process confirmed, cancelled", "btnProcess", 2, "选择处理方式:请选择处理方式:");
        addRow("process processed", "btnProcess", 3, onlyConfirmedProcess);
        addRow("delete pending", "btnDelete", 1, "删除确认:确定要删除这条记录吗？");
        addRow("delete confirmed", "btnDelete", 2, onlyPendingDelete);
        addRow("delete processed", "btnDelete", 3, onlyPendingDelete);
    }
    void gating() {
        QFETCH(QString, button);
        QFETCH(int, record);
        QFETCH(QString, said);
        TestDatabase t;
        seedRegister(t);
        RejectedDrugWindow w;
        if (record > 0)
            makeCurrent(&w, record);
        click(&w, qPrintable(button));
        QCOMPARE(takePrompts(":"), said);
        QCOMPARE(QStringList({statusOf(t, 1), statusOf(t, 2), statusOf(t, 3)}).join(' '),
                 QString("pending confirmed processed"));
        QCOMPARE(stockOf(t, 11), QString("20/0"));
        QCOMPARE(t.count("unqualified_drug"), 4);
    }

    // What the window says after the repository's answer, and the record and batch after it.
    void actions_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("setUp"); // a statement that makes the shown row stale or the batch short,
                                            // or kLocked
        QTest::addColumn<QString>("said");  // the last box
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("stock"); // batch of the record
        addRow("confirm", "btnConfirm", 1, "", "成功:审核确认成功，已扣减库存", "confirmed", "18/2");
        addRow("confirm, batch short", "btnConfirm", 1,
               "UPDATE inventory_batch SET quantity = 1 WHERE id = 11",
               "错误:审核失败\n批次 A231120 现有库存 1，确认需移出 2", "pending", "1/0");
        addRow("confirm, being counted", "btnConfirm", 1,
               "INSERT INTO inventory_check_item (check_id, product_id, batch_no, production_date, "
               "expiry_date, "
               "system_quantity, actual_quantity, diff_quantity) VALUES (1, 101, 'A231120', '2030-01-10', "
               "'2032-01-10', 20, 20, 0)",
               "提示:该批次正在盘点中，请先审核或删除盘点单", "pending", "20/0");
        addRow("confirm, already confirmed elsewhere", "btnConfirm", 1,
               "UPDATE unqualified_drug SET status = 'confirmed' WHERE id = 1",
               "提示:只有待审核状态的记录才能审核\n该记录已审核确认", "confirmed", "20/0");
        addRow("process", "btnProcess", 2, "", "成功:处理成功", "processed", "0/0");
        addRow("process, processed elsewhere", "btnProcess", 2,
               "UPDATE unqualified_drug SET status = 'processed' WHERE id = 2",
               "提示:只有已确认状态的记录才能处理\n该记录已处理", "processed", "0/30");
        addRow("delete", "btnDelete", 1, "", "成功:删除成功", "", "20/0");
        addRow("delete, confirmed elsewhere", "btnDelete", 1,
               "UPDATE unqualified_drug SET status = 'confirmed' WHERE id = 1",
               "提示:只有待审核状态的记录才能删除\n该记录已审核确认", "confirmed", "20/0");
        // The list is read again before the box: the reason is the one the write met.
        addRow("confirm, file locked", "btnConfirm", 1, kLocked, "错误:审核失败" + kBusy, "pending", "20/0");
        addRow("delete, file locked", "btnDelete", 1, kLocked, "错误:删除失败" + kBusy, "pending", "20/0");
    }
    void actions() {
        QFETCH(QString, button);
        QFETCH(int, record);
        QFETCH(QString, setUp);
        QFETCH(QString, said);
        QFETCH(QString, status);
        QFETCH(QString, stock);
        const ShortBusyWait wait;
        TestDatabase t;
        seedRegister(t);
        t.exec("INSERT INTO inventory_check (id, check_no, check_type, check_date, operator_id, status) "
               "VALUES (1, 'CHK203105200001', 'spot', '2031-05-20', 7, 'draft')");
        PinnedClock clock(kRejectToday);
        RejectedDrugWindow w;
        std::optional<OtherWriter> other;
        if (setUp == kLocked)
            other.emplace(t.path());
        else if (!setUp.isEmpty())
            t.exec(setUp);
        makeCurrent(&w, record);
        Prompts::queueQuestion(true);
        Prompts::queueItem(0); // 销毁
        click(&w, qPrintable(button));
        other.reset();
        QCOMPARE(Prompts::last().title + ':' + Prompts::last().text, said);
        QCOMPARE(statusOf(t, record), status);
        QCOMPARE(stockOf(t, record == 1 ? 11 : 12), stock);
    }

    // The register shows the stored states: read again when the window comes back after another copy wrote,
    // and behind a refusal; a row shown stale neither allows nor stops what the stored record says.
    void followsTheFile() {
        TestDatabase t;
        seedRegister(t);
        RejectedDrugWindow w;
        makeCurrent(&w, 1);
        QVERIFY(repositories::RejectedDrugRepository(t.db()).confirm(1, 7));
        QCOMPARE(column(&w, kStatus), QString("Pending|已确认|已处理|待审核"));
        leaveAndComeBack(&w);
        QCOMPARE(column(&w, kStatus), QString("Pending|已确认|已处理|已确认"));
        QCOMPARE(viewOf(&w)->currentIndex().row(), 3);
        click(&w, "btnProcess");
        QCOMPARE(takePrompts(":"), QString("选择处理方式:请选择处理方式:"));
        t.exec("UPDATE unqualified_drug SET status = 'processed' WHERE id = 1");
        click(&w, "btnProcess");
        QCOMPARE(takePrompts(":"), QString("提示:只有已确认状态的记录才能处理\n该记录已处理"));
        QCOMPARE(column(&w, kStatus), QString("Pending|已确认|已处理|已处理"));
        QCOMPARE(viewOf(&w)->currentIndex().row(), 3);
    }

    // After a success the list is read again with the filters in the widgets.
    void reloadAfterSuccess() {
        TestDatabase t;
        seedRegister(t);
        RejectedDrugWindow w;
        makeCurrent(&w, 2);
        Prompts::queueItem(3); // 报损
        click(&w, "btnProcess");
        QCOMPARE(column(&w, kStatus), QString("Pending|已处理|已处理|待审核"));
        QCOMPARE(column(&w, 11), QString("-|报损|退回供应商|-"));
        QCOMPARE(colours(&w, kStatus), QString("-|#009900|#009900|#ff8c00"));
        child<QComboBox>(&w, "comboStatus")->setCurrentText("待审核");
        click(&w, "btnSearch");
        makeCurrent(&w, 1);
        Prompts::queueQuestion(true);
        click(&w, "btnConfirm");
        QCOMPARE(registerIds(&w), QString());
        QCOMPARE(labelText(&w, "labelTotal"), QString("共 0 条记录"));
    }

    // A registration through the dialog and the real picker is stored pending with its remark, and shows on
    // top in orange.
    void registration() {
        TestDatabase t;
        seedRegister(t);
        PinnedClock clock(kRejectToday, QTime(9, 30));
        RejectedDrugWindow w;
        ModalAnswer<RejectedDrugDialog> fill([](RejectedDrugDialog* dialog) {
            pickBatch(dialog, "HX220915");
            child<QSpinBox>(dialog, "spinQuantity")->setValue(3);
            child<QComboBox>(dialog, "comboReason")->setCurrentIndex(1);
            child<QPlainTextEdit>(dialog, "editRemark")->setPlainText("<b>待销毁</b>");
            click(dialog, "btnOk");
        });
        t.exec("UPDATE inventory_batch SET quantity = 30, rejected_quantity = 0 WHERE id = 12");
        click(&w, "btnAdd");
        QCOMPARE(takePrompts(":"), QString("成功:不合格药品登记成功，等待审核确认"));
        QCOMPARE(registerIds(&w), QString("5|4|2|3|1"));
        QCOMPARE(column(&w, 0).section('|', 0, 0), QString("藿香正气水"));
        QCOMPARE(column(&w, 6).section('|', 0, 0), QString("3"));
        QCOMPARE(column(&w, 7).section('|', 0, 0), QString("包装破损"));
        QCOMPARE(column(&w, kStatus).section('|', 0, 0), QString("待审核"));
        QCOMPARE(colours(&w, kStatus).section('|', 0, 0), QString("#ff8c00"));
        QCOMPARE(
            t.scalar(
                 "SELECT remark || '|' || found_by || '|' || created_at FROM unqualified_drug WHERE id = 5")
                .toString(),
            QString("<b>待销毁</b>|7|2031-05-20 09:30:00"));
        QCOMPARE(stockOf(t, 12), QString("30/0"));
    }

    void registrationRefused_data() {
        QTest::addColumn<bool>("pick"); // choose a batch before "确定"
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("insertFails"); // "trigger", kLocked or nothing
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("shownAgain"); // the batch the dialog holds when it comes back
        addRow("no batch chosen", false, true, "", "错误:请选择药品", "");
        addRow("cancelled", true, false, "", "", "");
        addRow("insert fails", true, true, "trigger", "错误:登记失败", "");
        // Stopped by the file, not the record: the dialog comes back as filled in (cancelled here).
        addRow("file locked", true, true, kLocked, "错误:登记失败" + kBusy, "A231120");
    }
    void registrationRefused() {
        QFETCH(bool, pick);
        QFETCH(bool, accept);
        QFETCH(QString, insertFails);
        QFETCH(QString, said);
        const ShortBusyWait wait;
        TestDatabase t;
        seedRegister(t);
        RejectedDrugWindow w;
        if (insertFails == "trigger")
            t.exec("CREATE TRIGGER refuse BEFORE INSERT ON unqualified_drug BEGIN SELECT RAISE(ABORT, "
                   "'full'); END");
        std::optional<OtherWriter> other;
        if (insertFails == kLocked)
            other.emplace(t.path());
        QString shownAgain;
        int showings = 0;
        ModalAnswer<RejectedDrugDialog> fill(
            [&](RejectedDrugDialog* dialog) {
                if (showings++)
                    shownAgain = dialog->getDrug().batchNo;
                else if (pick)
                    pickBatch(dialog, "A231120");
                click(dialog, accept && showings == 1 ? "btnOk" : "btnCancel");
            },
            true);
        click(&w, "btnAdd");
        other.reset();
        QCOMPARE(takePrompts(":"), said);
        QTEST(shownAgain, "shownAgain");
        QCOMPARE(t.count("unqualified_drug"), 4);
    }

    // A double click opens the same detail view as "查看详情" on that row.
    void doubleClickShowsDetail() {
        TestDatabase t;
        seedRegister(t);
        RejectedDrugWindow w;
        QString shown;
        ModalAnswer<RejectedDrugDetailDialog> look([&](RejectedDrugDetailDialog* dialog) {
            shown = valueText(dialog, "valueProductName") + '|' + valueText(dialog, "valueProcessType");
            click(dialog, "btnClose");
        });
        QTableView* view = viewOf(&w);
        emit view->doubleClicked(view->model()->index(2, 5));
        QCOMPARE(shown, QString("硝苯地平缓释片|退回供应商"));
        QCOMPARE(view->currentIndex().row(), 2);
        QCOMPARE(takePrompts(":"), QString());
    }

    // Registration dialog and picker.

    void dialogStarts() {
        TestDatabase t;
        PinnedClock clock(kRejectToday);
        RejectedDrugDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("不合格药品登记"));
        QCOMPARE(labelText(&dialog, "labelMaxQuantity"), QString("最大可登记: 0"));
        QCOMPARE(child<QSpinBox>(&dialog, "spinQuantity")->value(), 1);
        QCOMPARE(child<QSpinBox>(&dialog, "spinQuantity")->maximum(), 9999);
        QCOMPARE(child<QComboBox>(&dialog, "comboReason")->currentText(), QString("过期失效"));
        QCOMPARE(child<QComboBox>(&dialog, "comboReason")->count(), 8);
        QCOMPARE(child<QDateEdit>(&dialog, "dateReport")->date(), kRejectToday);
        QCOMPARE(dialog.getDrug().productId, 0);
    }

    // The maximum is the chosen batch's stock; a smaller batch clamps the quantity already entered.
    void quantityBound_data() {
        QTest::addColumn<QString>("firstBatch"); // empty: none
        QTest::addColumn<int>("entered");
        QTest::addColumn<QString>("secondBatch");
        QTest::addColumn<int>("typed"); // after the choices; 0: nothing
        QTest::addColumn<int>("quantity");
        QTest::addColumn<QString>("label");
        addRow("stock 5, typing 7", "", 1, "A240501", 7, 5, "最大可登记: 5");
        addRow("20 with 12, then 5", "A231120", 12, "A240501", 0, 5, "最大可登记: 5");
        addRow("5 with 5, then 20", "A240501", 5, "A231120", 0, 5, "最大可登记: 20");
        addRow("stock 30, typing 31", "", 1, "HX220915", 31, 30, "最大可登记: 30");
    }
    void quantityBound() {
        QFETCH(QString, firstBatch);
        QFETCH(int, entered);
        QFETCH(QString, secondBatch);
        QFETCH(int, typed);
        QFETCH(int, quantity);
        QFETCH(QString, label);
        TestDatabase t;
        seedStock(t);
        RejectedDrugDialog dialog;
        auto* spin = child<QSpinBox>(&dialog, "spinQuantity");
        if (!firstBatch.isEmpty())
            pickBatch(&dialog, firstBatch);
        spin->setValue(entered);
        pickBatch(&dialog, secondBatch);
        if (typed > 0)
            spin->setValue(typed);
        QCOMPARE(spin->value(), quantity);
        QCOMPARE(labelText(&dialog, "labelMaxQuantity"), label);
    }

    // The record carries the batch's copies, the entries as typed and the signed-in user.
    void getDrug() {
        TestDatabase t;
        seedStock(t);
        PinnedClock clock(kRejectToday);
        RejectedDrugDialog dialog;
        pickBatch(&dialog, "A240501");
        child<QComboBox>(&dialog, "comboReason")->setCurrentIndex(6);
        child<QPlainTextEdit>(&dialog, "editReasonRemark")->setPlainText(" 厂家召回通知 ");
        child<QPlainTextEdit>(&dialog, "editRemark")->setPlainText(" 单独存放 ");
        child<QDateEdit>(&dialog, "dateReport")->setDate(QDate(2031, 6, 2));
        QCOMPARE(
            fields(dialog.getDrug()),
            QString(
                "-1|101|阿莫西林胶囊|6921361200154|0.25g*24粒|华康制药|15|A240501|2031-05-01|2033-05-01|1|0||"
                "recall| 厂家召回通知 |2031-06-02|7|||||0|| 单独存放 |"));
        QCOMPARE(child<QLineEdit>(&dialog, "editBatchNo")->text(), QString("A240501"));
    }

    void foundByNobody() {
        TestDatabase t;
        UserSession::instance().logout();
        const int foundBy = RejectedDrugDialog().getDrug().foundBy;
        UserSession::instance().setCurrentUser({7, "zhangli", "张丽", "clerk"});
        QCOMPARE(foundBy, 0);
    }

    // Filled from a stored record the dialog gives its copies back; a reason code or a date it cannot read
    // leaves the choice as it was.
    void setDrug() {
        TestDatabase t;
        seedRegister(t);
        RejectedDrugDialog dialog;
        models::RejectedDrug d = repositories::RejectedDrugRepository(t.db()).findById(1);
        dialog.setDrug(d);
        d.reason = "Expired";
        d.reportDate = "10/05/2031";
        dialog.setDrug(d);
        QCOMPARE(
            fields(dialog.getDrug()),
            QString(
                "-1|101|阿莫西林胶囊|6921361200154|0.25g*24粒|华康制药|11|A231120|2030-01-10|2032-01-10|2|1|"
                "上海康联医药有限公司|damaged||2031-05-10|7|||||0|||"));
        QCOMPARE(labelText(&dialog, "labelMaxQuantity"), QString("最大可登记: 2"));
    }

    // Expired stock is offered; no stock and delisted drugs never are; the name or the barcode is searched.
    void pickerLists_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("batches");
        addRow("all, newest first", "", "A240501|HX220915|A231120");
        addRow("barcode part", " 200154 ", "A240501|A231120");
        addRow("name part", "藿香", "HX220915");
        addRow("no stock", "板蓝根", "");
        addRow("delisted", "硝苯地平", "");
    }
    void pickerLists() {
        QFETCH(QString, keyword);
        QFETCH(QString, batches);
        TestDatabase t;
        seedStock(t);
        RejectedDrugSelectionDialog picker;
        child<QLineEdit>(&picker, "editSearch")->setText(keyword);
        click(&picker, "btnSearch");
        QCOMPARE(column(&picker, 3, "tableView"), batches);
    }

    void pickerColumns() {
        TestDatabase t;
        seedStock(t);
        RejectedDrugSelectionDialog picker;
        QCOMPARE(picker.windowTitle(), QString("选择不合格药品"));
        QCOMPARE(child<QLineEdit>(&picker, "editSearch")->placeholderText(),
                 QString("输入条码或商品名称搜索..."));
        const QAbstractItemModel* model = viewOf(&picker, "tableView")->model();
        QStringList row;
        for (int c = 0; c < model->columnCount(); ++c)
            row << model->headerData(c, Qt::Horizontal).toString() + '=' +
                       model->index(1, c).data().toString();
        QCOMPARE(row.join(' '), QString("条码=6935502900286 名称=藿香正气水 规格=10ml*10支 批号=HX220915 "
                                        "生产日期=2029-05-01 有效期至=2031-05-01 库存数量=30 "
                                        "供应商=江苏恒泰医药有限公司 分类=OTC甲类"));
        QStringList indexes;
        for (int r = 0; r < model->rowCount(); ++r)
            indexes << model->index(r, 0).data(Qt::UserRole).toString();
        QCOMPARE(indexes.join(','), QString("15,12,11"));
    }

    // "确定" needs a row; a search forgets the row chosen before it.
    void pickerChoice() {
        TestDatabase t;
        seedStock(t);
        RejectedDrugSelectionDialog picker;
        picker.show();
        click(&picker, "btnOk");
        QCOMPARE(takePrompts(":"), QString("提示:请先选择一个药品"));
        QCOMPARE(picker.result(), int(QDialog::Rejected));
        viewOf(&picker, "tableView")->selectRow(1);
        click(&picker, "btnSearch");
        click(&picker, "btnOk");
        QCOMPARE(takePrompts(":"), QString("提示:请先选择一个药品"));
        QCOMPARE(picker.getSelectedBatch().batch.id, -1);
        viewOf(&picker, "tableView")->selectRow(1);
        click(&picker, "btnOk");
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QCOMPARE(picker.getSelectedBatch().batch.id, 12);
        QCOMPARE(picker.getSelectedBatch().supplierName, QString("江苏恒泰医药有限公司"));
    }

    // A picked row without usable ids is refused and the dialog keeps what it had.
    void pickerRowWithoutIds() {
        TestDatabase t;
        seedStock(t);
        t.exec("INSERT INTO inventory_batch (id, product_id, batch_no, expiry_date, quantity) "
               "VALUES (0, 101, 'A000000', '2033-01-01', 9)");
        RejectedDrugDialog dialog;
        pickBatch(&dialog, "A231120");
        pickBatch(&dialog, "A000000");
        QCOMPARE(takePrompts(":"), QString("错误:请选择有效的药品"));
        QCOMPARE(dialog.getDrug().batchId, 11);
        QCOMPARE(labelText(&dialog, "labelMaxQuantity"), QString("最大可登记: 20"));
    }

    // Detail dialog.

    void detail_data() {
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("values"); // reason, remark, status, process type, date, processor, finder
        QTest::addColumn<QString>("statusSheet");
        addRow("pending, never processed", 1, "包装破损|-|待审核|-|-|-|张丽",
               "color: #FF8C00; font-weight: bold;");
        addRow("processed, returned", 3, "供应商召回|-|已处理|退回供应商|2031-05-12|系统管理员|系统管理员",
               "color: #009900; font-weight: bold;");
        addRow("codes outside the lists", 4, "odd|-|Pending|-|-|-|张丽", "");
        addRow("finder gone", 2, "过期失效|-|已确认|-|-|-|-", "color: #0066CC; font-weight: bold;");
    }
    void detail() {
        QFETCH(int, record);
        QFETCH(QString, values);
        QFETCH(QString, statusSheet);
        TestDatabase t;
        seedRegister(t);
        t.exec("DELETE FROM sys_user WHERE id = 8");
        RejectedDrugDetailDialog dialog;
        dialog.setDrug(repositories::RejectedDrugRepository(t.db()).findById(record));
        QStringList shown;
        for (const char* label : {"valueReason", "valueRemark", "valueStatus", "valueProcessType",
                                  "valueProcessDate", "valueProcessBy", "valueFoundBy"})
            shown << valueText(&dialog, label);
        QCOMPARE(shown.join('|'), values);
        QCOMPARE(child<QLabel>(&dialog, "valueStatus")->styleSheet(), statusSheet);
    }

    // Text that looks like markup is shown as typed; dates and remarks left empty show "-", the report date
    // empty, a quantity of 0 as "0".
    void detailShowsPlainText() {
        TestDatabase t;
        models::RejectedDrug d;
        d.productName = "<i>阿莫西林</i>";
        d.remark = "<b>x</b>";
        d.reasonRemark = "<font color=red>破损</font>";
        d.foundByName = "<u>张丽</u>";
        RejectedDrugDetailDialog dialog;
        dialog.setDrug(d);
        QCOMPARE(valueText(&dialog, "valueFinalRemark"), QString("<b>x</b>"));
        QCOMPARE(valueText(&dialog, "valueRemark"), QString("<font color=red>破损</font>"));
        QCOMPARE(valueText(&dialog, "valueQuantity"), QString("0"));
        QCOMPARE(valueText(&dialog, "valueReportDate"), QString());
        QCOMPARE(valueText(&dialog, "valueExpiryDate"), QString("-"));
        QStringList rich;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->objectName().startsWith("value") && label->textFormat() != Qt::PlainText)
                rich << label->objectName();
        }
        QCOMPARE(rich.join(','), QString());
        QCOMPARE(dialog.findChildren<QLabel*>(QRegularExpression("^value")).size(), 16);
    }

    // The registration form stands centred over the window it was opened from, at the size it is shown at
    // however much more room its form needs than the size it starts from: showing it changes nothing.
    void registrationCentredOverItsWindow() {
        TestDatabase t;
        QWidget top;
        top.setGeometry(100, 100, 1200, 900);
        QWidget inner(&top);
        inner.setGeometry(0, 0, 200, 100);
        RejectedDrugDialog dialog(&inner);
        const QRect placed = dialog.frameGeometry();
        QCOMPARE(placed.center(), top.frameGeometry().center());
        dialog.show();
        QCOMPARE(dialog.size(), placed.size());
    }

    // Long remarks are never cut off: each sits whole in a read-only box that scrolls to its end.
    void detailShowsLongRemarksWhole_data() {
        QTest::addColumn<QString>("box");
        QTest::newRow("reason remark") << "valueRemark";
        QTest::newRow("remark") << "valueFinalRemark";
    }
    void detailShowsLongRemarksWhole() {
        QFETCH(QString, box);
        models::RejectedDrug d;
        d.productName = "维生素C泡腾片";
        d.manufacturer = "华康制药股份有限公司";
        d.supplierName = "浙江仁和堂医药有限公司";
        d.reasonRemark = QString("仓库墙角返潮，两盒药片粘连变色，外包装有明显水渍，经质量负责人与养护员共同"
                                 "查验，判定整批存在受潮风险，暂停销售并移入不合格品区等待进一步处理意见")
                             .repeated(3);
        d.remark = QString("已移入不合格品区，并已通知供应商质量部门，对方承诺三个工作日内派人到店确认，届时"
                           "将根据检验结论决定销毁还是退回供应商，相关照片与记录已归档")
                       .repeated(3);
        RejectedDrugDetailDialog dialog;
        dialog.setDrug(d);
        dialog.show();
        const auto* shown = dialog.findChild<QPlainTextEdit*>(box);
        QVERIFY(shown);
        QCOMPARE(shown->toPlainText(), box == "valueRemark" ? d.reasonRemark : d.remark);
        QVERIFY(shown->isReadOnly());
        // The dialog is tall enough for its wrapped rows: the box is never clipped by its group.
        QVERIFY(shown->parentWidget()->rect().contains(shown->geometry()));
        QVERIFY2(shown->verticalScrollBar()->maximum() > 0,
                 qPrintable(QString::number(shown->verticalScrollBar()->maximum())));
    }

    // Record book.

    void bookOpens() {
        TestDatabase t;
        seedRegister(t);
        t.exec("DELETE FROM sys_user WHERE id = 8");
        RejectedDrugReportWindow w;
        QCOMPARE(w.windowTitle(), QString("不合格药品记录表"));
        QCOMPARE(column(&w, 0, "tableReport"), QString("1|2|3|4"));
        QCOMPARE(column(&w, 1, "tableReport"), QString("已删除药品|藿香正气水|硝苯地平缓释片|阿莫西林胶囊"));
        QCOMPARE(column(&w, 11, "tableReport"), QString("Pending|已确认|已处理|待审核"));
        QCOMPARE(colours(&w, 11, "tableReport"), QString("-|#0066cc|#009900|#ff8c00"));
        QCOMPARE(column(&w, 12, "tableReport"), QString("-|-|退回供应商|-"));
        QCOMPARE(column(&w, 10, "tableReport"), QString("张丽||系统管理员|张丽"));
        QCOMPARE(viewOf(&w, "tableReport")->model()->index(0, 11).data(Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignCenter));
        QCOMPARE(labelText(&w, "labelTotal"), QString("共 4 条记录"));
    }

    // The status choice queries at once; filters of blanks add nothing; Return in a field does not query.
    void bookFilters() {
        TestDatabase t;
        seedRegister(t);
        RejectedDrugReportWindow w;
        auto* status = child<QComboBox>(&w, "comboStatus");
        QCOMPARE(status->itemData(2).toString(), QString("confirmed"));
        status->setCurrentText("已确认");
        QCOMPARE(column(&w, 1, "tableReport"), QString("藿香正气水"));
        QCOMPARE(labelText(&w, "labelTotal"), QString("共 1 条记录"));
        status->setCurrentText("全部");
        QCOMPARE(column(&w, 0, "tableReport"), QString("1|2|3|4"));
        child<QLineEdit>(&w, "editSupplier")->setText("   ");
        child<QLineEdit>(&w, "editBatchNo")->setText(" A2311 ");
        QTest::keyClick(child<QLineEdit>(&w, "editBatchNo"), Qt::Key_Return);
        QCOMPARE(column(&w, 0, "tableReport"), QString("1|2|3|4"));
        click(&w, "btnQuery");
        QCOMPARE(column(&w, 1, "tableReport"), QString("阿莫西林胶囊"));
    }

    void bookExport() {
        TestDatabase t;
        seedRegister(t);
        models::User user;
        user.id = 7;
        user.realName = "张丽";
        CurrentUser::instance().setUser(user);
        QTemporaryDir dir;
        const QString path = dir.filePath("book.csv");
        RejectedDrugReportWindow w;
        child<QComboBox>(&w, "comboStatus")->setCurrentText("已处理");
        Prompts::queueFileName(path);
        click(&w, "btnExport");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
        QCOMPARE(lines.value(0), QString("\xEF\xBB\xBF不合格药品记录表"));
        QCOMPARE(lines.value(1),
                 QString("序号,药品名称,规格,条码,批次号,有效期至,供应商,不合格数量,不合格原因,发现日期,"
                         "发现人,状态,处理方式"));
        QCOMPARE(lines.value(2).section(',', 0, 1), QString("\"1\",\"硝苯地平缓释片\""));
        QCOMPARE(lines.value(2).section(',', 8),
                 QString("\"供应商召回\",\"2031-05-11\",\"系统管理员\",\"已处理\",\"退回供应商\""));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(takePrompts(":").section('|', -1), QString("成功:不合格药品记录表已导出到:\n") + path);
        QCOMPARE(
            t.scalar("SELECT module || '/' || action || '/' || detail FROM sys_operation_log").toString(),
            QString("采购入库/导出不合格药品记录表/导出 1 条记录"));
        CurrentUser::instance().clear();
    }
};

KV_TEST_CLASS(TestRejectedDrugWindows)
#include "tst_rejecteddrugwindows.moc"

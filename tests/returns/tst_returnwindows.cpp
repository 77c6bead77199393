#include "core/currentuser.h"
#include "repositories/returnrepository.h"
#include "tests/returns/returnseed.h"
#include "tests/support/freshdatabase.h"
#include "tests/support/modalanswer.h"
#include "tests/support/smallpages.h"
#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/common/tablefill.h"
#include "ui/returns/productbatchselectiondialog.h"
#include "ui/returns/purchasereturndialog.h"
#include "ui/returns/purchasereturnwindow.h"
#include "ui/returns/salesreturndialog.h"
#include "ui/returns/salesreturnwindow.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

template <typename T = QLineEdit> T* child(QObject* parent, const char* name) {
    return parent->findChild<T*>(name);
}

QString cellOf(const QAbstractItemModel* model, int row, int column) {
    return model->index(row, column).data().toString();
}

// Answers the next return batch picker by choosing the row shown at that place.
std::unique_ptr<ModalAnswer<ProductBatchSelectionDialog>> choosing(int row) {
    return std::make_unique<ModalAnswer<ProductBatchSelectionDialog>>([row](ProductBatchSelectionDialog* d) {
        auto* table = child<QTableView>(d, "tableView");
        table->selectRow(row);
        child<QPushButton>(d, "btnOk")->click();
    });
}

// Adds a line: picker row, then the quantity box's answer.
void addLine(QDialog* dialog, int pickerRow, int quantity) {
    auto answer = choosing(pickerRow);
    Prompts::queueInt(quantity);
    child<QPushButton>(dialog, "btnAddItem")->click();
}

QTableWidget* linesOf(QDialog* dialog) {
    return child<QTableWidget>(dialog, "tableItems");
}

// A new, empty return of either kind.
std::unique_ptr<QDialog> newReturnDialog(bool sales) {
    if (sales)
        return std::make_unique<SalesReturnDialog>(nullptr);
    return std::make_unique<PurchaseReturnDialog>(nullptr);
}

void pressOk(QDialog* dialog) {
    child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok)->click();
}

} // namespace

class TestReturnWindows : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_db.start(kReturnDay);
        ReturnSeed s{*m_db};
        s.twoDrugs(5, 8, 12.346);
        s.purchase(4, "PUR203101010004", 1, "A2301");
        s.sale(3, "SAL203102010001");
        s.soldLine(31, 3, 1, 11, "A2301", 5);
    }
    void cleanup() { m_db.stop(); }

    // --- picker ---
    void pickerModes_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("firstTitle");
        QTest::addColumn<QString>("quantityTitle");
        QTest::addColumn<QString>("firstRow");
        QTest::newRow("purchase") << int(ProductBatchSelectionDialog::PurchaseReturnMode)
                                  << "选择采购退货商品"
                                  << "原采购单号"
                                  << "库存数量"
                                  << "|6901234567002|布洛芬缓释胶囊|B2302|8";
        QTest::newRow("sales") << int(ProductBatchSelectionDialog::SalesReturnMode) << "选择销售商品"
                               << "原销售单号"
                               << "可退回数量"
                               << "SAL203102010001|6901234567001|阿莫西林胶囊|A2301|5";
    }
    void pickerModes() {
        QFETCH(int, mode);
        QFETCH(QString, title);
        QFETCH(QString, firstTitle);
        QFETCH(QString, quantityTitle);
        QFETCH(QString, firstRow);
        ProductBatchSelectionDialog picker(nullptr, ProductBatchSelectionDialog::Mode(mode));
        const QAbstractItemModel* model = child<QTableView>(&picker, "tableView")->model();
        QCOMPARE(picker.windowTitle(), title);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), firstTitle);
        QCOMPARE(model->headerData(7, Qt::Horizontal).toString(), quantityTitle);
        QCOMPARE(model->columnCount(), 9);
        const QString shown = QStringList{cellOf(model, 0, 0), cellOf(model, 0, 1), cellOf(model, 0, 2),
                                          cellOf(model, 0, 4), cellOf(model, 0, 7)}
                                  .join('|');
        QCOMPARE(shown, firstRow);
    }

    void pickerForgetsItsChoiceOnEveryLoad() {
        ProductBatchSelectionDialog picker(nullptr, ProductBatchSelectionDialog::PurchaseReturnMode);
        auto* table = child<QTableView>(&picker, "tableView");
        table->selectRow(1);
        child<QPushButton>(&picker, "btnOk")->click();
        QCOMPARE(picker.getSelectedBatch().batch.id, 11);
        QCOMPARE(picker.getSelectedBatch().purchaseOrderNo, QString("PUR203101010004"));

        child(&picker, "editSearch")->setText("  无此药  ");
        child<QPushButton>(&picker, "btnSearch")->click();
        QCOMPARE(table->model()->rowCount(), 0);
        QCOMPARE(picker.getSelectedBatch().batch.id, -1);
        child<QPushButton>(&picker, "btnOk")->click();
        QCOMPARE(Prompts::lastText(), QString("请先选择一个商品批次"));
    }

    // A voided order took its goods out again and a return citing it is refused, so the picker does not
    // offer its line; the batch itself is still in stock and comes once, without an order number.
    void pickerLeavesOutLinesOfVoidedOrders_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("offered"); // the rows of batch B2302, by order number
        QTest::newRow("completed order") << "completed"
                                         << "[PUR203101010005]";
        QTest::newRow("voided order") << "voided"
                                      << "[]";
    }
    void pickerLeavesOutLinesOfVoidedOrders() {
        QFETCH(QString, status);
        QFETCH(QString, offered);
        ReturnSeed{*m_db}.purchase(5, "PUR203101010005", 2, "B2302", status);
        ProductBatchSelectionDialog picker(nullptr, ProductBatchSelectionDialog::PurchaseReturnMode);
        const QAbstractItemModel* model = child<QTableView>(&picker, "tableView")->model();
        QStringList orders;
        for (int row = 0; row < model->rowCount(); ++row) {
            if (cellOf(model, row, 4) == "B2302")
                orders << "[" + cellOf(model, row, 0) + "]";
        }
        QCOMPARE(orders.join(','), offered);
    }

    // Read a few lines at a time, the picker still hands back the sold line shown in the chosen row, with
    // what is left to return of it, however far the list was scrolled and whatever pages were dropped.
    void pickerHandsBackTheLineShownAfterScrolling() {
        ReturnSeed s{*m_db};
        s.sale(4, "SAL203102020001");
        for (int line = 41; line <= 48; ++line)
            s.soldLine(line, 4, 2, 12, QString("B%1").arg(line), line - 40);
        m_db->exec("INSERT INTO return_order (id, return_no, return_type, status) VALUES (1, 'SR1', 'sales', "
                   "'completed')");
        m_db->exec(
            "INSERT INTO return_order_item (return_id, product_id, batch_no, original_order_no, "
            "quantity) VALUES (1, 2, 'B43', 'SAL203102020001', 3), (1, 2, 'B46', 'SAL203102020001', 2)");
        SmallPages pages(2, 2);
        ProductBatchSelectionDialog picker(nullptr, ProductBatchSelectionDialog::SalesReturnMode);
        auto* table = child<QTableView>(&picker, "tableView");
        // Counted before it is shown, so the bottom is reached in one step, not by reading down to it.
        QTRY_COMPARE(table->model()->rowCount(), 8);
        picker.show();
        table->scrollToBottom();
        QCOMPARE(cellOf(table->model(), 7, 4) + "|" + cellOf(table->model(), 7, 7), QString("A2301|5"));
        table->selectRow(2);
        child<QPushButton>(&picker, "btnOk")->click();
        const ProductBatchSelectionDialog::Batch chosen = picker.getSelectedBatch();
        QCOMPARE(chosen.salesOrderItemId, 46);
        QCOMPARE(chosen.salesOrderNo, QString("SAL203102020001"));
        QCOMPARE(chosen.batch.batchNo, QString("B46"));
        QCOMPARE(chosen.soldQuantity, 6);
        QCOMPARE(chosen.returnedQuantity, 2);
        QCOMPARE(chosen.remainingQuantity, 4);
        QCOMPARE(chosen.product.name, QString("布洛芬缓释胶囊"));
        QStringList lines;
        for (int r = 0; r < 8; ++r)
            lines << cellOf(table->model(), r, 4);
        QCOMPARE(lines.join(','), QString("B48,B47,B46,B45,B44,B42,B41,A2301"));
    }

    // --- purchase return dialog ---
    void purchaseLineAndRepeatedBatch() {
        PurchaseReturnDialog dialog(nullptr);
        addLine(&dialog, 1, 4);
        QCOMPARE(Prompts::lastText(), QString("商品：阿莫西林胶囊\n批号：A2301\n原采购单号：PUR203101010004\n"
                                              "库存数量：5\n请输入退货数量："));
        addLine(&dialog, 1, 2);
        QCOMPARE(Prompts::lastText(), QString("该批次已在退货列表中"));
        QCOMPARE(dialog.lines().size(), 1);
        QCOMPARE(dialog.lines().at(0).maxQuantity, 5);
        QCOMPARE(linesOf(&dialog)->item(0, 6)->text(), QString("50.00"));
        QCOMPARE(child<QLabel>(&dialog, "labelTotal")->text(), QString("合计金额：50.00 元"));
    }

    // The edit arrives after the current cell moved on; the edited cell is still clamped and saved.
    void quantityTypedThenClickedAwayIsClampedAndSaved() {
        PurchaseReturnDialog dialog(nullptr);
        addLine(&dialog, 1, 2);
        addLine(&dialog, 0, 1);
        QTableWidget* table = linesOf(&dialog);
        table->setCurrentCell(1, 1);
        table->item(0, 4)->setText("99");
        QCOMPARE(table->item(0, 4)->text(), QString("5"));
        QCOMPARE(dialog.lines().at(0).quantity, 5);

        child(&dialog, "editReason")->setText("  近效期  ");
        pressOk(&dialog);
        QCOMPARE(Prompts::lastText(), QString("采购退货单已保存"));
        QCOMPARE(m_db->scalar("SELECT quantity FROM return_order_item WHERE batch_no = 'A2301'").toInt(), 5);
        QCOMPARE(m_db->scalar("SELECT reason FROM return_order_item WHERE batch_no = 'B2302'").toString(),
                 QString("近效期"));
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 0);
    }

    void quantityEdits_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("amount");
        QTest::newRow("zero") << "0"
                              << "1"
                              << "12.35";
        QTest::newRow("negative") << "-4"
                                  << "1"
                                  << "12.35";
        QTest::newRow("text") << "两盒"
                              << "1"
                              << "12.35";
        QTest::newRow("above stock") << "20"
                                     << "8"
                                     << "98.77";
        // 3 x 12.346, not 3 x the shown 12.35.
        QTest::newRow("within") << "3"
                                << "3"
                                << "37.04";
    }
    void quantityEdits() {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(QString, amount);
        PurchaseReturnDialog dialog(nullptr);
        addLine(&dialog, 0, 2);
        linesOf(&dialog)->item(0, 4)->setText(typed);
        QCOMPARE(linesOf(&dialog)->item(0, 4)->text(), kept);
        QCOMPARE(linesOf(&dialog)->item(0, 6)->text(), amount);
        QCOMPARE(dialog.lines().at(0).amount, kept.toInt() * 12.346);
    }

    void removingRowsOneAndThreeOfFour() {
        ReturnSeed s{*m_db};
        s.batch(13, 1, "A2303", 9, 400, 1);
        s.batch(14, 2, "B2304", 9, 400, 2);
        PurchaseReturnDialog dialog(nullptr);
        for (int row = 0; row < 4; ++row)
            addLine(&dialog, row, 1);
        QTableWidget* table = linesOf(&dialog);
        table->clearSelection();
        table->selectionModel()->select(table->model()->index(1, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        table->selectionModel()->select(table->model()->index(3, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        child<QPushButton>(&dialog, "btnRemoveItem")->click();
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(dialog.lines().at(0).batchNo, QString("B2304"));
        QCOMPARE(dialog.lines().at(1).batchNo, QString("B2302"));
        QCOMPARE(table->item(1, 3)->text(), QString("B2302"));
        QCOMPARE(child<QLabel>(&dialog, "labelTotal")->text(), QString("合计金额：14.35 元"));
    }

    void refusalsKeepTheDialogOpen() {
        PurchaseReturnDialog dialog(nullptr);
        dialog.show();
        child(&dialog, "editReason")->setText("   ");
        pressOk(&dialog);
        QCOMPARE(Prompts::lastTitle(), QString("错误"));
        QCOMPARE(Prompts::lastText(), QString("请输入退货原因"));
        child(&dialog, "editReason")->setText("破损");
        pressOk(&dialog);
        QCOMPARE(Prompts::lastText(), QString("请至少选择一件退货商品"));

        addLine(&dialog, 1, 3);
        m_db->exec("UPDATE inventory_batch SET quantity = 2 WHERE id = 11"); // sold meanwhile
        pressOk(&dialog);
        QCOMPARE(Prompts::lastText(), QString("保存失败\n批次 A2301 现有库存 2，退货需扣减 3"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(m_db->count("return_order"), 0);
    }

    // Enter in any field of a return being entered, lines and reason filled in, leaves the dialog open and
    // saves nothing: OK takes a click.
    void enterInAFieldNeverSavesTheReturn_data() {
        QTest::addColumn<bool>("purchase");
        QTest::addColumn<QString>("field");
        for (const char* field : {"editReturnNo", "editReason", "dateReturn"}) {
            QTest::addRow("purchase %s", field) << true << QString(field);
            QTest::addRow("sales %s", field) << false << QString(field);
        }
    }
    void enterInAFieldNeverSavesTheReturn() {
        QFETCH(bool, purchase);
        QFETCH(QString, field);
        const std::unique_ptr<QDialog> dialog = newReturnDialog(!purchase);
        addLine(dialog.get(), 0, 1);
        child(dialog.get(), "editReason")->setText("破损");
        dialog->show();
        Prompts::reset();
        QTest::keyClick(child<QWidget>(dialog.get(), qPrintable(field)), Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        QCOMPARE(m_db->count("return_order"), 0);
        QCOMPARE(Prompts::history().size(), 0);
    }

    // With room to spare a picked line shows its order number, barcode and batch number whole.
    void pickedLineShowsItsCodesWhole_data() {
        QTest::addColumn<bool>("sales");
        QTest::addColumn<int>("column");
        QTest::newRow("purchase order number") << false << 0;
        QTest::newRow("purchase barcode") << false << 2;
        QTest::newRow("purchase batch number") << false << 3;
        QTest::newRow("sale number") << true << 0;
        QTest::newRow("sales barcode") << true << 2;
        QTest::newRow("sales batch number") << true << 3;
    }
    void pickedLineShowsItsCodesWhole() {
        QFETCH(bool, sales);
        QFETCH(int, column);
        const std::unique_ptr<QDialog> dialog = newReturnDialog(sales);
        dialog->resize(1100, dialog->height());
        dialog->show();
        addLine(dialog.get(), sales ? 0 : 1, 1);
        QTableWidget* table = linesOf(dialog.get());
        QCOMPARE(table->rowCount(), 1);
        const int needed = table->sizeHintForIndex(table->model()->index(0, column)).width();
        QVERIFY2(needed <= table->columnWidth(column),
                 qPrintable(QStringLiteral("%1 > %2").arg(needed).arg(table->columnWidth(column))));
    }

    // --- sales return dialog ---
    void salesLinesOfOneSoldLineShareWhatIsReturnable() {
        SalesReturnDialog dialog(nullptr);
        addLine(&dialog, 0, 3);
        addLine(&dialog, 0, 2);
        QCOMPARE(Prompts::lastText(), QString("商品：阿莫西林胶囊\n批号：A2301\n原销售单号：SAL203102010001\n"
                                              "已退回数量：3\n本次可退回：2\n请输入退货数量："));
        // The first line may not grow into what the second line holds.
        linesOf(&dialog)->item(0, 4)->setText("5");
        QCOMPARE(linesOf(&dialog)->item(0, 4)->text(), QString("3"));
        QCOMPARE(dialog.lines().at(0).quantity, 3);

        addLine(&dialog, 0, 1);
        QCOMPARE(Prompts::lastText(), QString("该销售明细的可退回数量已全部添加，原销售数量：5，已退回：5"));
        QCOMPARE(dialog.lines().size(), 2);
        QCOMPARE(dialog.lines().at(1).salesOrderItemId, 31);
        QCOMPARE(dialog.lines().at(1).unitPrice, 25.8);
    }

    void viewModeWritesNothing() {
        ReturnRepository repo(m_db->db());
        models::ReturnOrder order;
        order.reason = "破损";
        QVERIFY(
            repo.insertPurchaseReturn(order, {returnLine(1, "A2301", 2), returnLine(2, "B2302", 1, {}, 3)}));
        models::ReturnOrder stored = repo.findByReturnNo(order.returnNo);
        PurchaseReturnDialog dialog(nullptr, &stored);
        QCOMPARE(child(&dialog, "editReturnNo")->text(), order.returnNo);
        QCOMPARE(child<QLabel>(&dialog, "labelTotal")->text(), QString("合计金额：28.00 元"));
        QVERIFY(!child<QPushButton>(&dialog, "btnAddItem")->isEnabled());
        QCOMPARE(linesOf(&dialog)->editTriggers(), QAbstractItemView::NoEditTriggers);
        pressOk(&dialog);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(m_db->count("return_order"), 1);
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 3);
    }

    // --- list windows ---
    void voidFromTheList() {
        ReturnRepository repo(m_db->db());
        models::ReturnOrder order;
        order.reason = "客户退回";
        QVERIFY(repo.insertSalesReturn(order, {returnLine(1, "A2301", 2, "SAL203102010001", 25.8)}));
        SalesReturnWindow window;
        auto* table = child<QTableView>(&window, "tableReturns");
        QCOMPARE(child<QLabel>(&window, "labelCount")->text(), QString("共 1 条记录"));

        child<QPushButton>(&window, "btnVoidReturn")->click();
        QCOMPARE(Prompts::lastText(), QString("请先选择一条退货记录"));
        table->setCurrentIndex(table->model()->index(0, 0));
        Prompts::queueText(QString(), false);
        child<QPushButton>(&window, "btnVoidReturn")->click();
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 7);

        Prompts::queueText("顾客撤回退货");
        child<QPushButton>(&window, "btnVoidReturn")->click();
        QCOMPARE(Prompts::lastText(), QString("退货单已作废"));
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 5);
        QCOMPARE(cellOf(table->model(), 0, 5), QString("已作废"));
        QCOMPARE(table->model()->index(0, 3).data(Qt::BackgroundRole).value<QBrush>().color(),
                 QColor(Qt::gray));
        QCOMPARE(m_db->scalar("SELECT detail FROM sys_operation_log WHERE action = '作废退货单'").toString(),
                 "退货单号: " + order.returnNo + ", 作废原因: 顾客撤回退货");

        table->setCurrentIndex(table->model()->index(0, 0));
        const int asked = Prompts::history().size();
        child<QPushButton>(&window, "btnVoidReturn")->click();
        QCOMPARE(Prompts::lastText(), QString("该退货单已经是作废状态"));
        QCOMPARE(Prompts::history().size(), asked + 1);
    }

    // Goods of a sales return sold again since: the void is refused with the batch's figures.
    void voidOfGoodsSoldSinceSaysWhy() {
        models::ReturnOrder order;
        order.reason = "客户退回";
        QVERIFY(ReturnRepository(m_db->db())
                    .insertSalesReturn(order, {returnLine(1, "A2301", 2, "SAL203102010001", 25.8)}));
        m_db->exec("UPDATE inventory_batch SET quantity = 1 WHERE id = 11");
        SalesReturnWindow window;
        auto* table = child<QTableView>(&window, "tableReturns");
        table->setCurrentIndex(table->model()->index(0, 0));
        Prompts::queueText("顾客撤回退货");
        child<QPushButton>(&window, "btnVoidReturn")->click();
        QCOMPARE(Prompts::lastTitle(), QString("错误"));
        QCOMPARE(Prompts::lastText(), QString("作废失败\n批次 A2301 现有库存 1，作废需扣回 2"));
        QCOMPARE(cellOf(table->model(), 0, 5), QString("已完成"));
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 1);
    }

    // A return deleted elsewhere after the list was read: neither action asks anything first, the list
    // reads again where it stands, the box says the return is gone, and the return after it (before it, for
    // the last one) is current and selected.
    void aReturnGoneMeanwhileIsSaidSo_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("neighbour"); // the id made current
        QTest::newRow("view") << "btnViewReturn" << 23 << 16;
        QTest::newRow("void") << "btnVoidReturn" << 23 << 16;
        QTest::newRow("void, the last one") << "btnVoidReturn" << 39 << 2;
    }
    void aReturnGoneMeanwhileIsSaidSo() {
        QFETCH(QString, button);
        QFETCH(int, row);
        QFETCH(int, neighbour);
        SmallPages pages(5, 4);
        // Forty returns, the newest first: id 40 on row 0, id 1 on row 39.
        m_db->exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) "
                   "INSERT INTO return_order (id, return_no, return_type, return_date, status, created_at) "
                   "SELECT i, printf('RET%04d', i), 'sales', '2031-03-05', 'completed', "
                   "printf('2031-03-05 10:%02d:00', i) FROM n");
        SalesReturnWindow window;
        window.resize(900, 420);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* table = child<QTableView>(&window, "tableReturns");
        QTRY_COMPARE(table->model()->rowCount(), 40);
        table->setCurrentIndex(table->model()->index(row, 0));
        table->scrollTo(table->model()->index(row - 3, 0), QAbstractItemView::PositionAtTop);
        QCoreApplication::processEvents();
        const QVariant top = table->model()->index(table->rowAt(0), 0).data(Qt::UserRole);
        const int gone = 40 - row;
        m_db->exec("DELETE FROM return_order WHERE id = ?", {gone});
        Prompts::queueText("顾客撤回退货");
        child<QPushButton>(&window, qPrintable(button))->click();
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::lastTitle() + ":" + Prompts::lastText(), QString("提示:该退货单不存在"));
        QCOMPARE(table->model()->rowCount(), 39);
        QCOMPARE(table->currentIndex().data(Qt::UserRole).toInt(), neighbour);
        // A list that selects one whole row at a time selects the neighbour in its place.
        const QModelIndexList selected = table->selectionModel()->selectedRows();
        QCOMPARE(selected.size() == 1 ? selected.first().row() : -1, table->currentIndex().row());
        // Short of the end, where one row less scrolls the view up by one.
        if (row < 39)
            QCOMPARE(table->model()->index(table->rowAt(0), 0).data(Qt::UserRole), top);
        QVERIFY(table->viewport()->rect().contains(table->visualRect(table->currentIndex()).center()));
    }

    // A long reason never pushes the status out of view: its column stops at the widest a fitted column
    // gets, cuts the text off and shows it whole in its tooltip.
    void longReasonKeepsEveryColumnInView_data() {
        QTest::addColumn<bool>("purchase");
        QTest::newRow("purchase returns") << true;
        QTest::newRow("sales returns") << false;
    }
    void longReasonKeepsEveryColumnInView() {
        QFETCH(bool, purchase);
        const QString reason =
            "顾客反映该批次药品外包装在运输途中受潮变形，部分铝塑板出现破损，经质量负责人现场查验后确认不宜继"
            "续销售，已拍照留存并通知供应商业务员上门协商退货及赔偿事宜";
        ReturnRepository repo(m_db->db());
        models::ReturnOrder order;
        order.reason = reason;
        std::unique_ptr<QWidget> window;
        if (purchase) {
            QVERIFY(repo.insertPurchaseReturn(order, {returnLine(2, "B2302", 1)}));
            window = std::make_unique<PurchaseReturnWindow>();
        } else {
            QVERIFY(repo.insertSalesReturn(order, {returnLine(1, "A2301", 2, "SAL203102010001", 25.8)}));
            window = std::make_unique<SalesReturnWindow>();
        }
        window->resize(1200, 600);
        window->show();
        auto* table = child<QTableView>(window.get(), "tableReturns");
        const int reach = table->horizontalHeader()->length();
        QVERIFY2(reach <= table->viewport()->width(), qPrintable(QString::number(reach)));
        QVERIFY2(table->columnWidth(4) <= kWidestFittedColumn,
                 qPrintable(QString::number(table->columnWidth(4))));
        QCOMPARE(table->model()->index(0, 4).data(Qt::ToolTipRole).toString(), reason);
    }

    void searchAndViewByNumber() {
        ReturnRepository repo(m_db->db());
        for (const char* reason : {"近效期退回", "包装破损"}) {
            models::ReturnOrder order;
            order.reason = reason;
            QVERIFY(repo.insertPurchaseReturn(order, {returnLine(2, "B2302", 1)}));
        }
        PurchaseReturnWindow window;
        auto* table = child<QTableView>(&window, "tableReturns");
        child(&window, "editSearch")->setText(" 破损 ");
        emit child(&window, "editSearch")->returnPressed(); // Enter does not search
        QCOMPARE(table->model()->rowCount(), 2);
        child<QPushButton>(&window, "btnSearch")->click();
        QCOMPARE(table->model()->rowCount(), 1);
        QCOMPARE(cellOf(table->model(), 0, 0), QString("PR203103050002"));

        table->setCurrentIndex(table->model()->index(0, 0));
        QString shownNo;
        ModalAnswer<PurchaseReturnDialog> view([&](PurchaseReturnDialog* d) {
            shownNo = child(d, "editReturnNo")->text();
            d->reject();
        });
        child<QPushButton>(&window, "btnViewReturn")->click();
        QCOMPARE(shownNo, QString("PR203103050002"));
    }

private:
    FreshDatabase m_db;
};

KV_TEST_CLASS(TestReturnWindows)
#include "tst_returnwindows.moc"

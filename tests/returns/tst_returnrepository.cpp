#include "core/currentuser.h"
#include "repositories/returnrepository.h"
#include "tests/returns/returnseed.h"
#include "tests/support/faultyadapter.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testmain.h"

#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;
using models::ReturnOrder;
using models::ReturnOrderItem;

namespace {

ReturnOrder header(const QString& reason = QStringLiteral("包装破损")) {
    ReturnOrder order;
    order.returnDate = dayText(-2);
    order.reason = reason;
    order.operatorId = 1;
    return order;
}

QString lastLog(TestDatabase& t, const char* column) {
    return t
        .scalar(QStringLiteral("SELECT %1 FROM sys_operation_log ORDER BY id DESC LIMIT 1")
                    .arg(QLatin1String(column)))
        .toString();
}

} // namespace

class TestReturnRepository : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_db.reset(new TestDatabase);
        m_clock.reset(new PinnedClock(kReturnDay, QTime(1, 30)));
        ReturnSeed s{*m_db};
        s.twoDrugs(5, 8);
    }
    void cleanup() {
        m_clock.reset();
        m_db.reset();
    }

    // --- numbering ---
    void numbersCountPerTypeAndDay() {
        ReturnSeed s{*m_db};
        s.sale(3, "SAL202103010001");
        s.soldLine(31, 3, 1, 11, "A2301", 4);
        ReturnRepository repo(m_db->db());
        ReturnOrder first = header();
        QVERIFY(repo.insertPurchaseReturn(first, {returnLine(1, "A2301", 1)}));
        ReturnOrder sales = header();
        QVERIFY(repo.insertSalesReturn(sales, {returnLine(1, "A2301", 1, "SAL202103010001")}));
        QVERIFY(repo.voidReturn(first.id));
        ReturnOrder second = header();
        QVERIFY(repo.insertPurchaseReturn(second, {returnLine(1, "A2301", 1)}));

        // The date is the day of saving, not the return date the user chose.
        QCOMPARE(first.returnNo, QString("PR203103050001"));
        QCOMPARE(sales.returnNo, QString("SR203103050001"));
        QCOMPARE(second.returnNo, QString("PR203103050002"));
    }

    void failedSaveLeavesTheNumberFree() {
        FaultyAdapter faulty(m_db->db());
        faulty.failStatement("^INSERT INTO return_order_item");
        ReturnOrder order = header();
        QVERIFY(!ReturnRepository(&faulty).insertPurchaseReturn(order, {returnLine(1, "A2301", 2)}));
        ReturnOrder retry = header();
        QVERIFY(ReturnRepository(m_db->db()).insertPurchaseReturn(retry, {returnLine(1, "A2301", 2)}));
        QCOMPARE(retry.returnNo, QString("PR203103050001"));
    }

    // --- saving a purchase return ---
    void savedHeaderIsWrittenBack() {
        ReturnOrder order = header();
        order.totalAmount = 999; // the stored total is the lines' sum, whatever the caller had
        order.returnDate.clear();
        QVERIFY(ReturnRepository(m_db->db())
                    .insertPurchaseReturn(order, {returnLine(1, "A2301", 2), returnLine(2, "B2302", 1)}));

        QCOMPARE(order.returnType, QString("purchase"));
        QCOMPARE(order.totalAmount, 37.5);
        QCOMPARE(m_db->scalar("SELECT total_amount FROM return_order WHERE id = ?", {order.id}).toDouble(),
                 37.5);
        QCOMPARE(m_db->scalar("SELECT return_date FROM return_order WHERE id = ?", {order.id}).toString(),
                 dayText(0));
        QCOMPARE(m_db->scalar("SELECT status FROM return_order WHERE id = ?", {order.id}).toString(),
                 QString("completed"));
        QCOMPARE(lastLog(*m_db, "module"), QString("采购退货"));
        QCOMPARE(lastLog(*m_db, "detail"), QString("退货单号: PR203103050001, 金额: 37.5"));
    }

    void purchaseReturnOfTheWholeStockLeavesZero() {
        ReturnOrder order = header();
        QVERIFY(ReturnRepository(m_db->db()).insertPurchaseReturn(order, {returnLine(1, "A2301", 5)}));
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 0);
        QCOMPARE(m_db->count("inventory_batch", "id = 11"), 1);
    }

    void purchaseReturnRefused_data() {
        QTest::addColumn<QList<ReturnOrderItem>>("lines");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QString>("said"); // why, as the user is told
        QTest::newRow("one more than stock")
            << QList<ReturnOrderItem>{returnLine(1, "A2301", 6)} << "available: 5 needed: 6"
            << "批次 A2301 现有库存 5，退货需扣减 6";
        QTest::newRow("second line short undoes the first")
            << QList<ReturnOrderItem>{returnLine(2, "B2302", 3), returnLine(1, "A2301", 9)} << "needed: 9"
            << "批次 A2301 现有库存 5，退货需扣减 9";
        QTest::newRow("no such batch") << QList<ReturnOrderItem>{returnLine(1, "X9", 1)} << "Batch not found"
                                       << "库存中没有批次 X9";
        QTest::newRow("no quantity") << QList<ReturnOrderItem>{returnLine(1, "A2301", 0)}
                                     << "Invalid return quantity"
                                     << "批次 A2301 的退货数量 0 无效";
        QTest::newRow("no lines") << QList<ReturnOrderItem>{} << "at least one item"
                                  << "退货单没有商品明细";
    }
    void purchaseReturnRefused() {
        QFETCH(QList<ReturnOrderItem>, lines);
        QFETCH(QString, logged);
        QFETCH(QString, said);
        LogCapture log;
        ReturnOrder order = header();
        ReturnRepository repo(m_db->db());
        QVERIFY(!repo.insertPurchaseReturn(order, lines));
        QVERIFY2(log.contains(logged), qPrintable(log.dump()));
        QCOMPARE(repo.refusal(), said);
        QCOMPARE(m_db->count("return_order"), 0);
        QCOMPARE(m_db->count("return_order_item"), 0);
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 5);
        QCOMPARE(ReturnSeed{*m_db}.quantity(12), 8);
        QCOMPARE(m_db->count("sys_operation_log"), 0);
    }

    void purchaseReturnTakesTheLowestRowOfTheBatchNumber() {
        ReturnSeed{*m_db}.batch(13, 1, "A2301", 7);
        ReturnOrder order = header();
        // The line names row 13, but the batch is found by drug and batch number.
        QVERIFY(
            ReturnRepository(m_db->db()).insertPurchaseReturn(order, {returnLine(1, "A2301", 2, {}, 1, 13)}));
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 3);
        QCOMPARE(ReturnSeed{*m_db}.quantity(13), 7);
    }

    void purchaseReturnCitingAVoidedOrderRefused() {
        ReturnSeed{*m_db}.purchase(4, "PUR202101010004", 1, "A2301", "voided");
        ReturnOrder order = header();
        ReturnRepository repo(m_db->db());
        QVERIFY(!repo.insertPurchaseReturn(order, {returnLine(1, "A2301", 1, "PUR202101010004")}));
        QCOMPARE(repo.refusal(), QString("采购订单 PUR202101010004 已作废"));
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 5);
    }

    void everyFailingStepRollsBack_data() {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("begin");
        QTest::addColumn<bool>("commit");
        QTest::newRow("begin") << QString() << true << false;
        QTest::newRow("stock update") << "^UPDATE inventory_batch" << false << false;
        QTest::newRow("header") << "^INSERT INTO return_order " << false << false;
        QTest::newRow("second line") << "^INSERT INTO return_order_item" << false << false;
        QTest::newRow("total") << "^UPDATE return_order SET total" << false << false;
        QTest::newRow("commit") << QString() << false << true;
    }
    void everyFailingStepRollsBack() {
        QFETCH(QString, statement);
        QFETCH(bool, begin);
        QFETCH(bool, commit);
        FaultyAdapter faulty(m_db->db());
        faulty.failBegin(begin);
        faulty.failCommit(commit);
        if (!statement.isEmpty())
            faulty.failStatement(statement, statement.contains("item") ? 2 : 1);
        ReturnOrder order = header();
        ReturnRepository repo(&faulty);
        QVERIFY(!repo.insertPurchaseReturn(order, {returnLine(1, "A2301", 2), returnLine(2, "B2302", 1)}));
        QCOMPARE(repo.refusal(), QString()); // a failure, not a refusal
        QCOMPARE(m_db->count("return_order"), 0);
        QCOMPARE(m_db->count("return_order_item"), 0);
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 5);
        QCOMPARE(ReturnSeed{*m_db}.quantity(12), 8);
        QCOMPARE(m_db->count("sys_operation_log"), 0);
    }

    // --- saving a sales return ---
    void salesReturnRecreatesADeletedBatch() {
        ReturnSeed s{*m_db};
        s.sale(3, "SAL203101010001");
        s.soldLine(31, 3, 1, 11, "A2301", 5);
        m_db->exec("DELETE FROM inventory_batch WHERE id = 11");
        ReturnOrder order = header();
        QVERIFY(ReturnRepository(m_db->db())
                    .insertSalesReturn(order, {returnLine(1, "A2301", 2, "SAL203101010001", 25.8),
                                               returnLine(1, "A2301", 1, "SAL203101010001", 25.8)}));

        QCOMPARE(m_db->count("inventory_batch", "product_id = 1 AND batch_no = 'A2301'"), 1);
        const QString created = "product_id = 1 AND batch_no = 'A2301' AND ";
        QCOMPARE(m_db->scalar("SELECT quantity FROM inventory_batch WHERE " + created + "1").toInt(), 3);
        QCOMPARE(m_db->scalar("SELECT status FROM inventory_batch WHERE " + created + "1").toString(),
                 QString("normal"));
        QCOMPARE(m_db->scalar("SELECT unit_cost FROM inventory_batch WHERE " + created + "1").toDouble(),
                 25.8);
        QVERIFY(m_db->scalar("SELECT supplier_id FROM inventory_batch WHERE " + created + "1").isNull());
        QCOMPARE(m_db->scalar("SELECT expiry_date FROM inventory_batch WHERE " + created + "1").toString(),
                 QString("2032-02-01"));
        QCOMPARE(
            m_db->scalar("SELECT production_date FROM inventory_batch WHERE " + created + "1").toString(),
            QString("2030-02-01"));
        QCOMPARE(lastLog(*m_db, "module"), QString("销售收银"));
        QCOMPARE(lastLog(*m_db, "action"), QString("销售退回"));
    }

    void salesReturnRaisesAnExpiredBatch() {
        ReturnSeed s{*m_db};
        s.batch(14, 2, "B1901", 1, -30);
        s.sale(3, "SAL203101010001");
        s.soldLine(31, 3, 2, 14, "B1901", 2);
        ReturnOrder order = header();
        QVERIFY(ReturnRepository(m_db->db())
                    .insertSalesReturn(order, {returnLine(2, "B1901", 2, "SAL203101010001")}));
        QCOMPARE(s.quantity(14), 3);
    }

    void salesReturnWithinWhatWasSold_data() {
        QTest::addColumn<QString>("saleStatus");
        QTest::addColumn<QString>("batch");
        QTest::addColumn<int>("quantity");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("said");
        // Sold 5 of A2301, of which 3 are already back.
        QTest::newRow("the rest") << "completed"
                                  << "A2301" << 2 << true << "";
        QTest::newRow("one more than the rest")
            << "completed"
            << "A2301" << 3 << false
            << "销售单 SAL203101010001 的批次 A2301 售出 5，已退回 3，本次退回 3 超出售出数量";
        QTest::newRow("voided sale") << "voided"
                                     << "A2301" << 1 << false << "销售单 SAL203101010001 已作废";
        QTest::newRow("batch not on the sale")
            << "completed"
            << "B2302" << 1 << false << "销售单 SAL203101010001 没有批次 B2302 的有效销售记录";
    }
    void salesReturnWithinWhatWasSold() {
        QFETCH(QString, saleStatus);
        QFETCH(QString, batch);
        QFETCH(int, quantity);
        QFETCH(bool, saved);
        QFETCH(QString, said);
        ReturnSeed s{*m_db};
        s.sale(3, "SAL203101010001", "completed");
        s.soldLine(31, 3, 1, 11, "A2301", 5);
        ReturnRepository repo(m_db->db());
        ReturnOrder earlier = header();
        QVERIFY(repo.insertSalesReturn(earlier, {returnLine(1, "A2301", 3, "SAL203101010001")}));
        m_db->exec("UPDATE sales_order SET status = ? WHERE id = 3", {saleStatus});

        ReturnOrder order = header();
        QCOMPARE(repo.insertSalesReturn(order, {returnLine(1, batch, quantity, "SAL203101010001")}), saved);
        QCOMPARE(repo.refusal(), said);
        QCOMPARE(s.quantity(11), 5 + 3 + (saved ? quantity : 0));
        QCOMPARE(m_db->count("return_order"), saved ? 2 : 1);
    }

    void salesReturnWithoutASaleRefused() {
        ReturnOrder order = header();
        ReturnRepository repo(m_db->db());
        QVERIFY(!repo.insertSalesReturn(order, {returnLine(1, "A2301", 1)}));
        QCOMPARE(repo.refusal(), QString("批次 A2301 没有注明原销售单"));
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 5);
    }

    // --- voiding ---
    void voidReversesStockOnce() {
        CurrentUser::instance().setUser([] {
            models::User u;
            u.id = 1;
            u.realName = "系统管理员";
            return u;
        }());
        ReturnRepository repo(m_db->db());
        ReturnOrder order = header();
        QVERIFY(repo.insertPurchaseReturn(order, {returnLine(1, "A2301", 4)}));
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 1);

        QVERIFY(repo.voidReturn(order.id, "供应商拒收"));
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 5);
        QCOMPARE(repo.findById(order.id).status, QString("voided"));
        QCOMPARE(lastLog(*m_db, "module"), QString("采购退货"));
        QCOMPARE(lastLog(*m_db, "action"), QString("作废退货单"));
        QCOMPARE(lastLog(*m_db, "detail"), QString("退货单号: PR203103050001, 作废原因: 供应商拒收"));

        const int logRows = m_db->count("sys_operation_log");
        QVERIFY(!repo.voidReturn(order.id, "再次作废"));
        QCOMPARE(repo.refusal(), QString("该退货单已作废"));
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 5);
        QCOMPARE(m_db->count("sys_operation_log"), logRows);
        CurrentUser::instance().clear();
    }

    void voidOfASalesReturnWhoseGoodsAreGoneFails() {
        ReturnSeed s{*m_db};
        s.sale(3, "SAL203101010001");
        s.soldLine(31, 3, 2, 12, "B2302", 6);
        s.soldLine(32, 3, 1, 11, "A2301", 6);
        ReturnRepository repo(m_db->db());
        ReturnOrder order = header();
        QVERIFY(repo.insertSalesReturn(order, {returnLine(2, "B2302", 2, "SAL203101010001"),
                                               returnLine(1, "A2301", 4, "SAL203101010001")}));
        m_db->exec("UPDATE inventory_batch SET quantity = 3 WHERE id = 11"); // sold again

        LogCapture log;
        QVERIFY(!repo.voidReturn(order.id));
        QCOMPARE(repo.refusal(), QString("批次 A2301 现有库存 3，作废需扣回 4"));
        QVERIFY(log.contains("Insufficient inventory - product: 1"));
        QCOMPARE(s.quantity(12), 10);
        QCOMPARE(s.quantity(11), 3);
        QCOMPARE(repo.findById(order.id).status, QString("completed"));
    }

    void voidOfAPurchaseReturnWhoseBatchIsGoneRecreatesIt() {
        ReturnRepository repo(m_db->db());
        ReturnOrder order = header();
        QVERIFY(repo.insertPurchaseReturn(order, {returnLine(1, "A2301", 5)}));
        m_db->exec("DELETE FROM inventory_batch WHERE id = 11");
        QVERIFY(repo.voidReturn(order.id));
        QCOMPARE(
            m_db->scalar("SELECT quantity FROM inventory_batch WHERE product_id = 1 AND batch_no = 'A2301'")
                .toInt(),
            5);
    }

    void voidOfAMissingReturnFails() {
        LogCapture log;
        ReturnRepository repo(m_db->db());
        QVERIFY(!repo.voidReturn(42));
        QCOMPARE(repo.refusal(), QString("该退货单不存在"));
        QVERIFY(log.contains("Return order not found: 42"));
    }

    // --- reading ---
    void listsAndLookUps() {
        ReturnRepository repo(m_db->db());
        ReturnOrder first = header("近效期退回");
        QVERIFY(repo.insertPurchaseReturn(first, {returnLine(1, "A2301", 1)}));
        ReturnOrder second = header("包装破损");
        second.operatorId = 77; // no such user
        QVERIFY(repo.insertPurchaseReturn(second, {returnLine(2, "B2302", 1), returnLine(1, "A2301", 1)}));

        const QList<ReturnOrder> all = repo.findAll("purchase");
        QCOMPARE(all.size(), 2);
        QCOMPARE(all.at(0).returnNo, second.returnNo);
        QCOMPARE(all.at(0).operatorName, QString());
        QCOMPARE(all.at(1).operatorName, QString("系统管理员"));
        QCOMPARE(repo.findAll("sales").size(), 0);
        QCOMPARE(repo.search("purchase", "效期").size(), 1);
        QCOMPARE(repo.search("purchase", "0002").value(0).reason, QString("包装破损"));

        const ReturnOrder found = repo.findByReturnNo(second.returnNo);
        QCOMPARE(found.items.size(), 2);
        QCOMPARE(found.items.at(0).productName, QString("布洛芬缓释胶囊"));
        QCOMPARE(found.items.at(1).productBarcode, QString("6901234567001"));
        QCOMPARE(found.items.at(0).salesOrderItemId, -1);
        QCOMPARE(repo.findById(second.id).originalOrderNo, QString());

        const ReturnOrder missing = repo.findById(99);
        QCOMPARE(missing.id, -1);
        QCOMPARE(missing.returnType, QString("sales"));
        QCOMPARE(missing.items.size(), 0);
        QCOMPARE(repo.findByReturnNo("PR000").id, -1);
    }

private:
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<PinnedClock> m_clock;
};

KV_TEST_CLASS(TestReturnRepository)
#include "tst_returnrepository.moc"

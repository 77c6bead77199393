#include "repositories/purchaserepository.h"
#include "tests/support/faultyadapter.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"

#include <QtTest>

using namespace kestrovalin::test;
using namespace kestrovalin::models;
using namespace kestrovalin::repositories;

namespace {

// Far from the machine's real date, so nothing here can pass by reading the real clock.
const QDateTime kNow(QDate(2025, 3, 5), QTime(9, 41, 7));

// The values joined by '|', for one comparison that shows every difference at once.
template <class... A> QString row(const A&... values) {
    return QStringList{QVariant(values).toString()...}.join('|');
}

// Drugs 1 阿莫西林胶囊, 2 板蓝根颗粒 (listed), 3 已停售片 (taken off the list); suppliers 1 国药控股,
// 2 九州通医药 (in force), 3 华东医药 ('expiring'), 4 停用医药 (suspended).
void seed(TestDatabase& t) {
    t.exec(
        "INSERT INTO product (id, barcode, name, mnemonic_code, status) VALUES (1, '6901', '阿莫西林胶囊', "
        "'AMXLJN', 1), (2, '6902555', '板蓝根颗粒', 'BLGKL', 1), (3, '6903', '已停售片', 'YTSP', 0)");
    t.exec("INSERT INTO supplier (id, name, license_expire_date, qualification_status, status) VALUES "
           "(1, '国药控股', '2030-01-01', 'valid', 'active'), (2, '九州通医药', '2030-01-01', 'valid', "
           "'active'), "
           "(3, '华东医药', '2030-01-01', 'expiring', 'active'), (4, '停用医药', '2030-01-01', 'valid', "
           "'suspended')");
}

PurchaseOrder order(int supplierId, const QString& day = "2025-03-04", double total = 0.0) {
    PurchaseOrder o;
    o.supplierId = supplierId;
    o.inboundDate = day;
    o.operatorId = 1;
    o.status = "completed";
    o.remark = "月初到货";
    o.totalAmount = total;
    return o;
}

PurchaseOrderItem line(int productId, const QString& batchNo, int quantity, double price,
                       const QString& result = kAcceptancePassed) {
    PurchaseOrderItem i;
    i.productId = productId;
    i.batchNo = batchNo;
    i.productionDate = "2025-01-10";
    i.expiryDate = "2027-01-09";
    i.quantity = quantity;
    i.unitPrice = price;
    i.amount = quantity * price;
    i.acceptanceResult = result;
    i.acceptanceDate = "2025-03-05 09:30:00";
    i.acceptanceBy = 1;
    return i;
}

// Row counts of every table a purchase writes: "orders|lines|batches".
QString rowCounts(TestDatabase& t) {
    return row(t.count("purchase_order"), t.count("purchase_order_item"), t.count("inventory_batch"));
}

QString batchRow(TestDatabase& t, int batchId) {
    return t
        .scalar("SELECT printf('%d|%d|%s|%s|%s|%d|%d|%g|%s|%s|%s', product_id, supplier_id, batch_no, "
                "production_date, expiry_date, quantity, rejected_quantity, unit_cost, status, created_at, "
                "IFNULL(updated_at, 'NULL')) FROM inventory_batch WHERE id = ?",
                {batchId})
        .toString();
}

int stock(TestDatabase& t, int productId, const QString& batchNo) {
    return t
        .scalar("SELECT SUM(quantity) FROM inventory_batch WHERE product_id = ? AND batch_no = ?",
                {productId, batchNo})
        .toInt();
}

QString status(TestDatabase& t, int orderId) {
    return t.scalar("SELECT status FROM purchase_order WHERE id = ?", {orderId}).toString();
}

QString ids(const QList<PurchaseOrder>& list) {
    QStringList out;
    for (const PurchaseOrder& o : list)
        out << QString::number(o.id);
    return out.join(',');
}

} // namespace

class TestPurchaseRepository : public QObject {
    Q_OBJECT
private slots:
    // Every test runs on a pinned day: the qualification test and the stamps read the program's clock.
    void init() { kestrovalin::Clock::pin(kNow); }
    void cleanup() { kestrovalin::Clock::unpin(); }

    // The sequence is the highest id of the whole table (voided orders too) plus one, whatever the day,
    // zero-padded to four digits and never cut.
    void numbering_data() {
        QTest::addColumn<int>("highestId");
        QTest::addColumn<QString>("number");
        QTest::newRow("first order ever") << 0 << "PUR202503050001";
        QTest::newRow("after id 11") << 11 << "PUR202503050012";
        QTest::newRow("past four digits") << 9999 << "PUR2025030510000";
        QTest::newRow("six digits") << 123455 << "PUR20250305123456";
    }
    void numbering() {
        QFETCH(int, highestId);
        QFETCH(QString, number);
        TestDatabase t;
        seed(t);
        if (highestId > 0)
            t.exec("INSERT INTO purchase_order (id, order_no, supplier_id, inbound_date, status) VALUES "
                   "(?, 'PUR202001010001', 1, '2020-01-01', 'voided')",
                   {highestId});
        PurchaseRepository repo(t.db());
        const int id = repo.insertOrder(order(1), {line(1, "A1", 1, 2.0)});
        QCOMPARE(id, highestId + 1);
        QCOMPARE(repo.findOrderById(id).orderNo, number);
    }

    // Header and lines are stored as given (amounts not recomputed); only the accepted line reaches stock.
    // The total is the sum of the line amounts, or the record's own total when that sum is not above 0.
    void orderStoredAsGiven() {
        TestDatabase t;
        seed(t);
        PurchaseRepository repo(t.db());
        PurchaseOrderItem refused = line(2, "B7", 3, 8.0, "不合格");
        refused.amount = 20.0;
        refused.remark = "外箱破损";
        const int id = repo.insertOrder(order(2), {line(1, "A1", 10, 12.5), refused});
        const PurchaseOrder o = repo.findOrderById(id);
        QCOMPARE(row(o.supplierId, o.supplierName, o.totalAmount, o.inboundDate, o.operatorId, o.operatorName,
                     o.status, o.remark, o.createdAt, o.updatedAt),
                 QString("2|九州通医药|145|2025-03-04|1|系统管理员|completed|月初到货|2025-03-05 09:41:07|"));
        const QList<PurchaseOrderItem> items = repo.findOrderItems(id);
        QCOMPARE(items.size(), 2);
        const PurchaseOrderItem& i = items.at(1);
        QCOMPARE(row(i.orderId == id, i.productId, i.productName, i.productBarcode, i.barcode, i.batchNo,
                     i.productionDate, i.expiryDate, i.quantity, i.unitPrice, i.amount, i.acceptanceResult,
                     i.acceptanceDate, i.acceptanceBy, i.remark, i.accepted),
                 QString("true|2|板蓝根颗粒|6902555|6902555|B7|2025-01-10|2027-01-09|3|8|20|不合格|"
                         "2025-03-05 09:30:00|1|外箱破损|false"));
        QCOMPARE(items.at(0).accepted, true);
        QCOMPARE(rowCounts(t), QString("1|2|1"));
        PurchaseOrderItem free = line(1, "A9", 1, 0.0);
        QCOMPARE(row(repo.findOrderById(repo.insertOrder(order(1, "2025-03-04", 88.0), {})).totalAmount,
                     repo.findOrderById(repo.insertOrder(order(1, "2025-03-04", 7.0), {free})).totalAmount),
                 QString("88|7"));
    }

    // Deliveries of one drug and batch number, from other suppliers at other prices and dates or on two lines
    // of one order, end in one batch row: the quantities add up, all else stays as the first delivery left
    // it.
    void deliveriesOfOneBatchMerge() {
        TestDatabase t;
        seed(t);
        PurchaseRepository repo(t.db());
        { QVERIFY(repo.insertOrder(order(1), {line(1, "A1", 10, 12.5), line(1, "A1", 1, 12.5)}) > 0); }
        PinnedClock later(kNow.addDays(20));
        PurchaseOrderItem second = line(1, "A1", 5, 13.0);
        second.productionDate = "2025-02-01";
        second.expiryDate = "2027-02-01";
        QVERIFY(repo.insertOrder(order(2), {second}) > 0);
        QCOMPARE(t.count("inventory_batch"), 1);
        QCOMPARE(batchRow(t, 1),
                 QString("1|1|A1|2025-01-10|2027-01-09|16|0|12.5|normal|2025-03-05 09:41:07|NULL"));
    }

    // The batch is found by drug and batch number alone, lowest id first, whatever its status or supplier;
    // it gains the quantity and nothing else. A drug taken off the list can still be delivered.
    void existingBatchOnlyGainsQuantity() {
        TestDatabase t;
        seed(t);
        t.exec("INSERT INTO inventory_batch (id, product_id, supplier_id, batch_no, production_date, "
               "expiry_date, quantity, rejected_quantity, unit_cost, status, created_at, updated_at) VALUES "
               "(5, 1, 2, 'A1', '2024-06-01', '2026-05-31', 3, 2, 11.0, 'frozen', '2024-06-02 08:00:00', "
               "'2024-07-01 08:00:00'), (6, 1, 1, 'A1', '2024-06-01', '2026-05-31', 40, 0, 11.0, 'normal', "
               "'2024-06-03 08:00:00', NULL)");
        QVERIFY(PurchaseRepository(t.db()).insertOrder(order(1),
                                                       {line(1, "A1", 7, 12.5), line(3, "Z1", 2, 3.0)}) > 0);
        QCOMPARE(
            batchRow(t, 5),
            QString("1|2|A1|2024-06-01|2026-05-31|10|2|11|frozen|2024-06-02 08:00:00|2024-07-01 08:00:00"));
        QCOMPARE(row(stock(t, 1, "A1"), stock(t, 3, "Z1")), QString("50|2"));
    }

    // Refusals before anything is opened: the supplier must pass the qualification test (-2), an operator id
    // of 1 or more must name a user (-1); an operator id of 0 is stored unchanged without a check.
    void refusedBeforeWriting_data() {
        QTest::addColumn<int>("supplierId");
        QTest::addColumn<int>("operatorId");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("logged");
        QTest::newRow("expiring") << 3 << 1 << -2 << "Supplier qualification expired or invalid: 3";
        QTest::newRow("suspended") << 4 << 1 << -2 << "Supplier qualification expired or invalid: 4";
        QTest::newRow("none chosen") << -1 << 1 << -2 << "Supplier qualification expired or invalid: -1";
        QTest::newRow("unknown user") << 1 << 42 << -1 << "Invalid operator_id: 42";
        QTest::newRow("nobody signed in") << 1 << 0 << 1 << "";
    }
    void refusedBeforeWriting() {
        QFETCH(int, supplierId);
        QFETCH(int, operatorId);
        QFETCH(int, result);
        QFETCH(QString, logged);
        TestDatabase t;
        seed(t);
        PurchaseOrder o = order(supplierId);
        o.operatorId = operatorId;
        LogCapture log;
        QCOMPARE(PurchaseRepository(t.db()).insertOrder(o, {line(1, "A1", 5, 1.0)}), result);
        if (!logged.isEmpty())
            QCOMPARE(log.count(QtCriticalMsg, logged), 1);
        QCOMPARE(rowCounts(t), QString(result > 0 ? "1|1|1" : "0|0|0"));
    }

    // A line to take into stock is judged against the day of the save: made after it, expired or expiring
    // that day, the order is refused as typed (the line named, the form may be corrected) and nothing is
    // stored; a line not taken into stock is not judged.
    void batchDatesJudgedOnTheDayOfTheSave_data() {
        QTest::addColumn<QString>("made");
        QTest::addColumn<QString>("expires");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("refusal");
        const QDate today = kNow.date();
        QTest::newRow("expires today")
            << "2024-03-05" << dayText(today, 0) << kAcceptancePassed
            << "阿莫西林胶囊 批号 N1：该批次今天到期（有效期至 2025-03-05），不能验收入库";
        QTest::newRow("expired yesterday")
            << "2024-03-05" << dayText(today, -1) << kAcceptancePassed
            << "阿莫西林胶囊 批号 N1：该批次已过期（有效期至 2025-03-04），不能验收入库";
        QTest::newRow("made tomorrow")
            << dayText(today, 1) << "2027-03-05" << kAcceptancePassed
            << "阿莫西林胶囊 批号 N1：生产日期 2025-03-06 晚于今天，请核对生产日期";
        QTest::newRow("made today, expires tomorrow")
            << dayText(today, 0) << dayText(today, 1) << kAcceptancePassed << "";
        QTest::newRow("expired, not accepted") << "2024-03-05" << dayText(today, 0) << "不合格"
                                               << "";
    }
    void batchDatesJudgedOnTheDayOfTheSave() {
        QFETCH(QString, made);
        QFETCH(QString, expires);
        QFETCH(QString, result);
        QFETCH(QString, refusal);
        TestDatabase t;
        seed(t);
        PurchaseRepository repo(t.db());
        PurchaseOrderItem dated = line(1, "N1", 4, 2.0, result);
        dated.productName = "阿莫西林胶囊";
        dated.productionDate = made;
        dated.expiryDate = expires;
        const int id = repo.insertOrder(order(1), {line(2, "B1", 1, 1.0), dated});
        QCOMPARE(row(id > 0, repo.refusal(), repo.retryable()),
                 row(refusal.isEmpty(), refusal, !refusal.isEmpty()));
        const bool stocked = refusal.isEmpty() && result == kAcceptancePassed;
        QCOMPARE(rowCounts(t), refusal.isEmpty() ? row(1, 2, stocked ? 2 : 1) : QString("0|0|0"));
    }

    // Whatever step fails, BEGIN and COMMIT included, and a drug missing on the second line, the order is
    // refused (-1) and nothing of it stays: no header, no first line, no stock change.
    void failedStepLeavesNothing_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("nth");
        QTest::newRow("begin") << "BEGIN" << 0;
        QTest::newRow("commit") << "COMMIT" << 0;
        QTest::newRow("missing drug") << "drug" << 0;
        QTest::newRow("order number") << "^SELECT MAX\\(id\\)" << 1;
        QTest::newRow("header") << "^INSERT INTO purchase_order " << 1;
        QTest::newRow("second line") << "^INSERT INTO purchase_order_item" << 2;
        QTest::newRow("raising a batch") << "^UPDATE inventory_batch" << 1;
        QTest::newRow("creating a batch") << "^INSERT INTO inventory_batch" << 1;
    }
    void failedStepLeavesNothing() {
        QFETCH(QString, step);
        QFETCH(int, nth);
        TestDatabase t;
        seed(t);
        t.exec("INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES (1, 'A1', "
               "'2027-01-01', 4)");
        FaultyAdapter db(t.db());
        if (step == "BEGIN")
            db.failBegin();
        else if (step == "COMMIT")
            db.failCommit();
        else if (nth > 0)
            db.failStatement(step, nth);
        LogCapture log;
        const int missing = step == "drug" ? 77 : 2;
        QCOMPARE(PurchaseRepository(&db).insertOrder(order(1),
                                                     {line(1, "A1", 6, 1.0), line(missing, "N1", 3, 1.0)}),
                 -1);
        QCOMPARE(db.failures() + log.count(QtCriticalMsg, "Invalid product_id: 77"), 1);
        QCOMPARE(rowCounts(t), QString("0|0|1"));
        QCOMPARE(stock(t, 1, "A1"), 4);
    }

    void withoutDatabaseEverythingIsEmpty() {
        PurchaseRepository repo(nullptr);
        QCOMPARE(row(repo.insertOrder(order(1), {}), repo.voidOrder(1), repo.findAll().size(),
                     repo.searchByOrderNo("PUR").size(), repo.findOrderById(1).id,
                     repo.findOrderItems(1).size(), repo.count()),
                 QString("-1|false|0|0|-1|0|0"));
    }

    // The accepted goods leave stock again, the refused line's never entered; a second void, or one of an
    // order that does not exist, is refused, says why and moves nothing. The lines stay.
    void voidTakesTheDeliveryOutOnce() {
        TestDatabase t;
        seed(t);
        PurchaseRepository repo(t.db());
        QVERIFY(repo.insertOrder(order(1), {line(1, "A1", 10, 1.0)}) > 0);
        const int id = repo.insertOrder(
            order(2), {line(1, "A1", 4, 1.0), line(2, "B1", 6, 1.0), line(2, "B2", 9, 1.0, "不合格")});
        QVERIFY(repo.voidOrder(id));
        QCOMPARE(row(status(t, id), stock(t, 1, "A1"), stock(t, 2, "B1")), QString("voided|10|0"));
        LogCapture log;
        QCOMPARE(repo.voidOrder(id), false);
        QCOMPARE(repo.refusal(), QString("该订单已作废"));
        QCOMPARE(repo.voidOrder(99), false);
        QCOMPARE(repo.refusal(), QString("该订单不存在"));
        QCOMPARE(log.count(QtCriticalMsg, "Purchase order void failed for id:"), 2);
        QCOMPARE(log.dump().count('\n'), 1); // one line per refusal
        QCOMPARE(row(stock(t, 1, "A1"), repo.findOrderItems(id).size()), QString("10|3"));
        // A later void that succeeds carries no reason of the one before.
        QVERIFY(repo.voidOrder(repo.insertOrder(order(1), {line(1, "A1", 1, 1.0)})));
        QCOMPARE(repo.refusal(), QString());
    }

    // Goods sold, moved away or sent back on a purchase return cannot be taken out again: the void is refused
    // whole. A failed stock step or COMMIT leaves it as undone. A voided purchase return or a sales return
    // holds nothing back.
    void voidRefusals_data() {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("voided");
        QTest::addColumn<QString>("said"); // why, as the user is told; a failed statement tells nothing
        const QString cite =
            "INSERT INTO return_order_item (return_id, product_id, batch_no, original_order_no, "
            "quantity) VALUES (1, 1, 'A1', (SELECT order_no FROM purchase_order), 1)";
        QTest::newRow("second batch sold down")
            << "UPDATE inventory_batch SET quantity = 5 WHERE batch_no = 'B1'"
            << "" << false << "批次 B1 现有库存 5，作废需扣回 6";
        QTest::newRow("second batch gone") << "DELETE FROM inventory_batch WHERE batch_no = 'B1'"
                                           << "" << false << "库存中没有批次 B1";
        QTest::newRow("purchase return") << cite << "" << false << "该订单已有采购退货单 PR202503050001";
        QTest::newRow("voided purchase return") << cite + "; UPDATE return_order SET status = 'voided'"
                                                << "" << true << "";
        QTest::newRow("sales return") << cite + "; UPDATE return_order SET return_type = 'sales'"
                                      << "" << true << "";
        QTest::newRow("stock step fails") << ""
                                          << "^UPDATE inventory_batch" << false << "";
        QTest::newRow("commit fails") << ""
                                      << "COMMIT" << false << "";
    }
    void voidRefusals() {
        QFETCH(QString, meanwhile);
        QFETCH(QString, fault);
        QFETCH(bool, voided);
        QFETCH(QString, said);
        TestDatabase t;
        seed(t);
        const int id =
            PurchaseRepository(t.db()).insertOrder(order(1), {line(1, "A1", 10, 1.0), line(2, "B1", 6, 1.0)});
        t.exec("INSERT INTO return_order (id, return_no, return_type, status) VALUES (1, 'PR202503050001', "
               "'purchase', 'completed')");
        for (const QString& statement : meanwhile.split("; ", Qt::SkipEmptyParts))
            t.exec(statement);
        const QString before = row(stock(t, 1, "A1"), stock(t, 2, "B1"));
        FaultyAdapter db(t.db());
        if (fault == "COMMIT")
            db.failCommit();
        else if (!fault.isEmpty())
            db.failStatement(fault);
        PurchaseRepository repo(&db);
        QCOMPARE(repo.voidOrder(id), voided);
        QCOMPARE(repo.refusal(), said);
        QCOMPARE(status(t, id), QString(voided ? "voided" : "completed"));
        QCOMPARE(row(stock(t, 1, "A1"), stock(t, 2, "B1")), voided ? QString("0|0") : before);
    }

    // Newest arrival first, voided orders included; the search matches the number or a drug's name, barcode
    // or mnemonic code, lists an order once, and never looks at the supplier.
    void listsAndSearch() {
        TestDatabase t;
        seed(t);
        PurchaseRepository repo(t.db());
        const int a =
            repo.insertOrder(order(1, "2025-03-04"), {line(1, "A1", 1, 1.0), line(1, "A2", 1, 1.0)});
        const int b = repo.insertOrder(order(1, "2025-05-01"), {line(2, "B1", 1, 1.0)});
        const int c =
            repo.insertOrder(order(2, "2025-04-01"), {line(1, "A3", 1, 1.0), line(2, "B2", 1, 1.0)});
        QVERIFY(repo.voidOrder(c));
        const QString all = row(b, c, a).replace('|', ',');
        QCOMPARE(ids(repo.findAll()), all);
        QCOMPARE(ids(repo.searchByOrderNo("PUR")), all);
        QCOMPARE(ids(repo.searchByOrderNo(repo.findOrderById(a).orderNo)), QString::number(a));
        QCOMPARE(ids(repo.searchByOrderNo("阿莫西林")), row(c, a).replace('|', ','));
        QCOMPARE(ids(repo.searchByOrderNo("6902555")), row(b, c).replace('|', ','));
        QCOMPARE(ids(repo.searchByOrderNo("blg")), row(b, c).replace('|', ','));
        QCOMPARE(ids(repo.searchByOrderNo("国药控股")), QString());
        QCOMPARE(row(repo.count(), repo.findOrderById(999).id, repo.findOrderItems(999).size()),
                 QString("3|-1|0"));
    }
};

KV_TEST_CLASS(TestPurchaseRepository)
#include "tst_purchaserepository.moc"

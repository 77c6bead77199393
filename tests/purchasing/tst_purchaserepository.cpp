#include "repositories/purchaserepository.h"
#include "tests/support/faultyadapter.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QSqlRecord>
#include <QtTest>

using namespace kestrovalin::test;
using namespace kestrovalin::models;
using namespace kestrovalin::repositories;

namespace {

// Far from the machine's real date, so nothing here can pass by reading the real clock.
const QDateTime kNow(QDate(2025, 3, 5), QTime(9, 41, 7));

// Drugs 1 阿莫西林胶囊 (listed), 2 板蓝根颗粒 (listed), 3 已停售片 (taken off the list); suppliers 1
// 国药控股, 2 九州通医药 (both in force), 3 华东医药 ('expiring'), 4 停用医药 (suspended).
void seed(TestDatabase& t) {
    t.exec("INSERT INTO product (id, barcode, name, mnemonic_code, purchase_price, status) VALUES "
           "(1, '6901', '阿莫西林胶囊', 'AMXLJN', 12.5, 1), (2, '6902', '板蓝根颗粒', 'BLGKL', 8, 1), "
           "(3, '6903', '已停售片', 'YTSP', 3, 0)");
    t.exec("INSERT INTO supplier (id, name, license_expire_date, qualification_status, status) VALUES "
           "(1, '国药控股', '2030-01-01', 'valid', 'active'), (2, '九州通医药', '2030-01-01', 'valid', "
           "'active'), "
           "(3, '华东医药', '2030-01-01', 'expiring', 'active'), (4, '停用医药', '2030-01-01', 'valid', "
           "'suspended')");
}

PurchaseOrder order(int supplierId, double total = 0.0) {
    PurchaseOrder o;
    o.supplierId = supplierId;
    o.inboundDate = "2025-03-04";
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

// Every table the purchase touches, as row counts "orders|lines|batches".
QString rowCounts(TestDatabase& t) {
    return QStringLiteral("%1|%2|%3")
        .arg(t.count("purchase_order"))
        .arg(t.count("purchase_order_item"))
        .arg(t.count("inventory_batch"));
}

// One batch row's stored values.
QString batchRow(TestDatabase& t, int batchId) {
    QSqlQuery q = t.db()->query("SELECT product_id, supplier_id, batch_no, production_date, expiry_date, "
                                "quantity, rejected_quantity, unit_cost, status, created_at, "
                                "IFNULL(updated_at, 'NULL') FROM inventory_batch WHERE id = ?",
                                {batchId});
    QStringList cells;
    if (q.next())
        for (int c = 0; c < q.record().count(); ++c)
            cells << q.value(c).toString();
    return cells.join('|');
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

} // namespace

class TestPurchaseRepository : public QObject {
    Q_OBJECT
private slots:
    // --- storing an order ---

    // The sequence is the highest id of the whole table (voided orders too) plus one, whatever the day.
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
        PinnedClock pin(kNow);
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

    void numberIsNeverCut() {
        QCOMPARE(PurchaseRepository::orderNumber(QDate(2025, 12, 31), 7), QString("PUR202512310007"));
        QCOMPARE(PurchaseRepository::orderNumber(QDate(2025, 12, 31), 1234567),
                 QString("PUR202512311234567"));
    }

    // The header and every line are stored as given; only the number, total and creation time are made.
    void headerAndLinesStoredAsGiven() {
        PinnedClock pin(kNow);
        TestDatabase t;
        seed(t);
        PurchaseRepository repo(t.db());
        PurchaseOrderItem odd = line(2, "B7", 3, 8.0, "不合格");
        odd.amount = 20.0; // stored as given, not recomputed
        odd.remark = "外箱破损";
        const int id = repo.insertOrder(order(2, 99.0), {line(1, "A1", 10, 12.5), odd});
        QVERIFY(id > 0);

        const PurchaseOrder stored = repo.findOrderById(id);
        QCOMPARE(stored.supplierId, 2);
        QCOMPARE(stored.supplierName, QString("九州通医药"));
        QCOMPARE(stored.totalAmount, 145.0);
        QCOMPARE(stored.inboundDate, QString("2025-03-04"));
        QCOMPARE(stored.operatorId, 1);
        QCOMPARE(stored.operatorName, QString("系统管理员"));
        QCOMPARE(stored.status, QString("completed"));
        QCOMPARE(stored.remark, QString("月初到货"));
        QCOMPARE(stored.createdAt, QString("2025-03-05 09:41:07"));
        QCOMPARE(stored.updatedAt, QString());

        const QList<PurchaseOrderItem> items = repo.findOrderItems(id);
        QCOMPARE(items.size(), 2);
        const PurchaseOrderItem& second = items.at(1);
        QCOMPARE(second.orderId, id);
        QCOMPARE(second.productId, 2);
        QCOMPARE(second.productName, QString("板蓝根颗粒"));
        QCOMPARE(second.productBarcode, QString("6902"));
        QCOMPARE(second.barcode, QString("6902"));
        QCOMPARE(second.batchNo, QString("B7"));
        QCOMPARE(second.productionDate, QString("2025-01-10"));
        QCOMPARE(second.expiryDate, QString("2027-01-09"));
        QCOMPARE(second.quantity, 3);
        QCOMPARE(second.unitPrice, 8.0);
        QCOMPARE(second.amount, 20.0);
        QCOMPARE(second.acceptanceResult, QString("不合格"));
        QCOMPARE(second.acceptanceDate, QString("2025-03-05 09:30:00"));
        QCOMPARE(second.acceptanceBy, 1);
        QCOMPARE(second.remark, QString("外箱破损"));
        QCOMPARE(items.at(0).accepted, true);
        QCOMPARE(second.accepted, false);
        // Only the accepted line reached stock.
        QCOMPARE(stock(t, 1, "A1"), 10);
        QCOMPARE(t.count("inventory_batch", "product_id = 2"), 0);
    }

    // The stored total is the sum of the line amounts, or the record's own total when that sum is not above
    // 0.
    void total_data() {
        QTest::addColumn<double>("given");
        QTest::addColumn<QList<double>>("amounts");
        QTest::addColumn<double>("stored");
        QTest::newRow("lines summed") << 500.0 << QList<double>{30.5, 12.25} << 42.75;
        QTest::newRow("no lines") << 88.0 << QList<double>{} << 88.0;
        QTest::newRow("free goods") << 7.0 << QList<double>{0.0} << 7.0;
    }
    void total() {
        QFETCH(double, given);
        QFETCH(QList<double>, amounts);
        QFETCH(double, stored);
        TestDatabase t;
        seed(t);
        QList<PurchaseOrderItem> items;
        for (double amount : amounts) {
            items << line(1, "T" + QString::number(items.size()), 1, 1.0);
            items.last().amount = amount;
        }
        PurchaseRepository repo(t.db());
        const int id = repo.insertOrder(order(1, given), items);
        QVERIFY(id > 0);
        QCOMPARE(repo.findOrderById(id).totalAmount, stored);
        QCOMPARE(t.count("purchase_order_item"), amounts.size());
    }

    // Two deliveries of one drug and batch number from different suppliers at different prices end in one
    // batch row: the quantities add up, everything else stays as the first delivery left it.
    void deliveriesOfOneBatchMerge() {
        TestDatabase t;
        seed(t);
        PurchaseRepository repo(t.db());
        {
            PinnedClock pin(kNow);
            QVERIFY(repo.insertOrder(order(1), {line(1, "A1", 10, 12.5)}) > 0);
        }
        PinnedClock later(kNow.addDays(20));
        PurchaseOrderItem second = line(1, "A1", 5, 13.0);
        second.productionDate = "2025-02-01";
        second.expiryDate = "2027-02-01";
        QVERIFY(repo.insertOrder(order(2), {second}) > 0);
        QCOMPARE(t.count("inventory_batch"), 1);
        QCOMPARE(batchRow(t, 1),
                 QString("1|1|A1|2025-01-10|2027-01-09|15|0|12.5|normal|2025-03-05 09:41:07|NULL"));
    }

    // The first line creates the batch, the second on the same batch number raises it.
    void twoLinesOfOneOrderOnOneBatch() {
        TestDatabase t;
        seed(t);
        PurchaseRepository repo(t.db());
        QVERIFY(repo.insertOrder(order(1), {line(2, "K9", 4, 8.0), line(2, "K9", 6, 9.0)}) > 0);
        QCOMPARE(t.count("inventory_batch"), 1);
        QCOMPARE(stock(t, 2, "K9"), 10);
        QCOMPARE(t.scalar("SELECT unit_cost FROM inventory_batch").toDouble(), 8.0);
    }

    // The batch is found by drug and batch number alone, first row first; a row whose status or supplier
    // differ still takes the goods, and its rejected quantity and other values stay.
    void existingBatchOnlyGainsQuantity() {
        TestDatabase t;
        seed(t);
        t.exec("INSERT INTO inventory_batch (id, product_id, supplier_id, batch_no, production_date, "
               "expiry_date, quantity, rejected_quantity, unit_cost, status, created_at, updated_at) VALUES "
               "(5, 1, 2, 'A1', '2024-06-01', '2026-05-31', 3, 2, 11.0, 'frozen', '2024-06-02 08:00:00', "
               "'2024-07-01 08:00:00'), (6, 1, 1, 'A1', '2024-06-01', '2026-05-31', 40, 0, 11.0, 'normal', "
               "'2024-06-03 08:00:00', NULL)");
        QVERIFY(PurchaseRepository(t.db()).insertOrder(order(1), {line(1, "A1", 7, 12.5)}) > 0);
        QCOMPARE(
            batchRow(t, 5),
            QString("1|2|A1|2024-06-01|2026-05-31|10|2|11|frozen|2024-06-02 08:00:00|2024-07-01 08:00:00"));
        QCOMPARE(t.scalar("SELECT quantity FROM inventory_batch WHERE id = 6").toInt(), 40);
    }

    // A drug taken off the list can still be delivered.
    void delistedDrugCanBePurchased() {
        TestDatabase t;
        seed(t);
        QVERIFY(PurchaseRepository(t.db()).insertOrder(order(1), {line(3, "Z1", 2, 3.0)}) > 0);
        QCOMPARE(stock(t, 3, "Z1"), 2);
    }

    // --- refusals: nothing is written ---

    void supplierMustBeQualified_data() {
        QTest::addColumn<int>("supplierId");
        QTest::newRow("expiring") << 3;
        QTest::newRow("suspended") << 4;
        QTest::newRow("unknown") << 99;
        QTest::newRow("none chosen") << -1;
    }
    void supplierMustBeQualified() {
        QFETCH(int, supplierId);
        PinnedClock pin(kNow);
        TestDatabase t;
        seed(t);
        LogCapture log;
        QCOMPARE(PurchaseRepository(t.db()).insertOrder(order(supplierId), {line(1, "A1", 5, 1.0)}), -2);
        QCOMPARE(log.count(QtCriticalMsg, "Supplier qualification expired or invalid:"), 1);
        QCOMPARE(rowCounts(t), QString("0|0|0"));
    }

    // An operator id of 1 or more must name a user; 0 is stored unchanged without a check.
    void operatorChecked_data() {
        QTest::addColumn<int>("operatorId");
        QTest::addColumn<bool>("stored");
        QTest::newRow("signed-in user") << 1 << true;
        QTest::newRow("nobody signed in") << 0 << true;
        QTest::newRow("unknown user") << 42 << false;
    }
    void operatorChecked() {
        QFETCH(int, operatorId);
        QFETCH(bool, stored);
        TestDatabase t;
        seed(t);
        PurchaseOrder o = order(1);
        o.operatorId = operatorId;
        LogCapture log;
        const int id = PurchaseRepository(t.db()).insertOrder(o, {line(1, "A1", 5, 1.0)});
        QCOMPARE(id > 0, stored);
        QCOMPARE(log.count(QtCriticalMsg, "Invalid operator_id:"), stored ? 0 : 1);
        QCOMPARE(rowCounts(t), QString(stored ? "1|1|1" : "0|0|0"));
        if (stored)
            QCOMPARE(t.scalar("SELECT operator_id FROM purchase_order").toInt(), operatorId);
    }

    // A missing drug on the second line undoes the header, the first line and its stock.
    void missingDrugRollsBackTheWholeOrder() {
        TestDatabase t;
        seed(t);
        t.exec("INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES (1, 'A1', "
               "'2027-01-01', 4)");
        LogCapture log;
        QCOMPARE(
            PurchaseRepository(t.db()).insertOrder(order(1), {line(1, "A1", 6, 1.0), line(77, "X", 1, 1.0)}),
            -1);
        QCOMPARE(log.count(QtCriticalMsg, "Invalid product_id: 77"), 1);
        QCOMPARE(rowCounts(t), QString("0|0|1"));
        QCOMPARE(stock(t, 1, "A1"), 4);
    }

    // Whatever step fails, BEGIN and COMMIT included, the order is refused and nothing of it stays.
    void failedStepLeavesNothing_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("nth");
        QTest::newRow("begin") << "BEGIN" << 0;
        QTest::newRow("commit") << "COMMIT" << 0;
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
        else
            db.failStatement(step, nth);
        QCOMPARE(
            PurchaseRepository(&db).insertOrder(order(1), {line(1, "A1", 6, 1.0), line(2, "N1", 3, 1.0)}),
            -1);
        QCOMPARE(db.failures(), 1);
        QCOMPARE(rowCounts(t), QString("0|0|1"));
        QCOMPARE(stock(t, 1, "A1"), 4);
    }

    // A void whose commit or stock step fails leaves the order completed and the stock where it was.
    void failedVoidLeavesOrderAndStock_data() {
        QTest::addColumn<QString>("step");
        QTest::newRow("commit") << "COMMIT";
        QTest::newRow("stock") << "^UPDATE inventory_batch";
    }
    void failedVoidLeavesOrderAndStock() {
        QFETCH(QString, step);
        TestDatabase t;
        seed(t);
        const int id = PurchaseRepository(t.db()).insertOrder(order(1), {line(1, "A1", 6, 1.0)});
        FaultyAdapter db(t.db());
        step == "COMMIT" ? db.failCommit() : db.failStatement(step);
        QCOMPARE(PurchaseRepository(&db).voidOrder(id), false);
        QCOMPARE(status(t, id), QString("completed"));
        QCOMPARE(stock(t, 1, "A1"), 6);
    }

    void withoutDatabaseEverythingIsEmpty() {
        PurchaseRepository repo(nullptr);
        QCOMPARE(repo.insertOrder(order(1), {}), -1);
        QCOMPARE(repo.voidOrder(1), false);
        QCOMPARE(repo.findAll().size(), 0);
        QCOMPARE(repo.searchByOrderNo("PUR").size(), 0);
        QCOMPARE(repo.findOrderById(1).id, -1);
        QCOMPARE(repo.findOrderItems(1).size(), 0);
        QCOMPARE(repo.count(), 0);
    }

    // --- voiding ---

    // The accepted goods leave stock again; a second void is refused and moves nothing.
    void voidTakesTheDeliveryOutOnce() {
        TestDatabase t;
        seed(t);
        PurchaseRepository repo(t.db());
        QVERIFY(repo.insertOrder(order(1), {line(1, "A1", 10, 1.0)}) > 0);
        const int id = repo.insertOrder(
            order(2), {line(1, "A1", 4, 1.0), line(2, "B1", 6, 1.0), line(2, "B2", 9, 1.0, "不合格")});
        QVERIFY(repo.voidOrder(id));
        QCOMPARE(status(t, id), QString("voided"));
        QCOMPARE(stock(t, 1, "A1"), 10);
        QCOMPARE(stock(t, 2, "B1"), 0);
        LogCapture log;
        QCOMPARE(repo.voidOrder(id), false);
        QCOMPARE(log.count(QtCriticalMsg, "Purchase order void failed for id:"), 1);
        QCOMPARE(stock(t, 1, "A1"), 10);
        QCOMPARE(repo.findOrderItems(id).size(), 3);
    }

    void voidOfMissingOrderFails() {
        TestDatabase t;
        QCOMPARE(PurchaseRepository(t.db()).voidOrder(12), false);
    }

    // Goods already sold, returned or moved away cannot be taken out again: the void is refused whole.
    void voidRefusedWhenGoodsAreGone_data() {
        QTest::addColumn<QString>("meanwhile");
        QTest::newRow("second batch sold down")
            << "UPDATE inventory_batch SET quantity = 5 WHERE batch_no = 'B1'";
        QTest::newRow("second batch gone") << "DELETE FROM inventory_batch WHERE batch_no = 'B1'";
        QTest::newRow("cited by a purchase return")
            << "INSERT INTO return_order_item (return_id, product_id, batch_no, original_order_no, quantity) "
               "VALUES (1, 1, 'A1', (SELECT order_no FROM purchase_order), 1)";
    }
    void voidRefusedWhenGoodsAreGone() {
        QFETCH(QString, meanwhile);
        TestDatabase t;
        seed(t);
        PurchaseRepository repo(t.db());
        const int id = repo.insertOrder(order(1), {line(1, "A1", 10, 1.0), line(2, "B1", 6, 1.0)});
        t.exec("INSERT INTO return_order (id, return_no, return_type, status) VALUES (1, 'PR202503050001', "
               "'purchase', 'completed')");
        t.exec(meanwhile);
        const QString before = QString::number(stock(t, 1, "A1")) + "|" + QString::number(stock(t, 2, "B1"));
        QCOMPARE(repo.voidOrder(id), false);
        QCOMPARE(status(t, id), QString("completed"));
        QCOMPARE(QString::number(stock(t, 1, "A1")) + "|" + QString::number(stock(t, 2, "B1")), before);
    }

    // A purchase return that was itself voided, or a sales return, no longer holds the order back.
    void voidAllowedWhenTheReturnWasUndone_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("returnStatus");
        QTest::newRow("voided purchase return") << "purchase"
                                                << "voided";
        QTest::newRow("sales return") << "sales"
                                      << "completed";
    }
    void voidAllowedWhenTheReturnWasUndone() {
        QFETCH(QString, type);
        QFETCH(QString, returnStatus);
        TestDatabase t;
        seed(t);
        PurchaseRepository repo(t.db());
        const int id = repo.insertOrder(order(1), {line(1, "A1", 10, 1.0)});
        t.exec("INSERT INTO return_order (id, return_no, return_type, status) VALUES (1, 'R1', ?, ?)",
               {type, returnStatus});
        t.exec("INSERT INTO return_order_item (return_id, product_id, batch_no, original_order_no, quantity) "
               "VALUES (1, 1, 'A1', (SELECT order_no FROM purchase_order), 1)");
        QVERIFY(repo.voidOrder(id));
        QCOMPARE(stock(t, 1, "A1"), 0);
    }

    // --- reading ---

    // Newest arrival first, voided orders included, with supplier and operator names.
    void listsAndSearch() {
        TestDatabase t;
        seed(t);
        t.exec("UPDATE product SET barcode = '6902555' WHERE id = 2");
        PurchaseRepository repo(t.db());
        PurchaseOrder march = order(1);
        PurchaseOrder april = order(2);
        april.inboundDate = "2025-04-01";
        PurchaseOrder may = order(1);
        may.inboundDate = "2025-05-01";
        const int a = repo.insertOrder(march, {line(1, "A1", 1, 1.0), line(1, "A2", 1, 1.0)});
        const int b = repo.insertOrder(may, {line(2, "B1", 1, 1.0)});
        const int c = repo.insertOrder(april, {line(1, "A3", 1, 1.0), line(2, "B2", 1, 1.0)});
        QVERIFY(repo.voidOrder(c));
        const auto ids = [](const QList<PurchaseOrder>& list) {
            QStringList out;
            for (const PurchaseOrder& o : list)
                out << QString::number(o.id);
            return out.join(',');
        };
        const QString all = QString("%1,%2,%3").arg(b).arg(c).arg(a);
        QCOMPARE(ids(repo.findAll()), all);
        QCOMPARE(repo.findAll().at(1).status, QString("voided"));
        QCOMPARE(repo.findAll().at(1).supplierName, QString("九州通医药"));
        QCOMPARE(repo.findAll().at(1).operatorName, QString("系统管理员"));
        QCOMPARE(ids(repo.searchByOrderNo("PUR")), all);
        QCOMPARE(ids(repo.searchByOrderNo(repo.findOrderById(a).orderNo)), QString::number(a));
        QCOMPARE(ids(repo.searchByOrderNo("阿莫西林")), QString("%1,%2").arg(c).arg(a));
        QCOMPARE(ids(repo.searchByOrderNo("6902555")), QString("%1,%2").arg(b).arg(c));
        QCOMPARE(ids(repo.searchByOrderNo("blg")), QString("%1,%2").arg(b).arg(c));
        QCOMPARE(ids(repo.searchByOrderNo("国药控股")), QString());
        QCOMPARE(repo.count(), 3);
        QCOMPARE(repo.findOrderById(999).id, -1);
        QCOMPARE(repo.findOrderItems(999).size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPurchaseRepository)
#include "tst_purchaserepository.moc"

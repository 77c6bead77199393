#include "core/currentuser.h"
#include "core/rowreader.h"
#include "repositories/salesrepository.h"
#include "tests/support/faultyadapter.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"

#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;
using namespace kestrovalin::models;

namespace {

// Far from the machine's real date; 01:00 local is still yesterday in UTC for every zone east of it.
const QDate kToday(2031, 5, 20);
const QTime kOneAm(1, 0);
const QString kStem = QStringLiteral("SAL20310520");

SalesOrderItem line(int productId, const QString& batchNo, int quantity, double unitPrice,
                    int prescriptionId = 0) {
    SalesOrderItem item;
    item.productId = productId;
    item.batchNo = batchNo;
    item.quantity = quantity;
    item.unitPrice = unitPrice;
    item.amount = quantity * unitPrice;
    item.isPrescription = prescriptionId > 0;
    item.prescriptionId = prescriptionId;
    // What the caller says about the batch is never stored.
    item.batchId = 999;
    item.productionDate = QStringLiteral("1999-09-09");
    item.expiryDate = QStringLiteral("2098-08-08");
    return item;
}

SalesOrder order(const QString& saleDate = QString(), int operatorId = 2, int customerId = 1) {
    SalesOrder o;
    o.saleDate = saleDate;
    o.operatorId = operatorId;
    o.customerId = customerId;
    return o;
}

// Two drugs. Drug 101's batch B1 has two rows: the first ran out, so a sale takes from the second. Drug 102
// has C1 in stock (without a production date), EXP expiring today and ZERO with nothing left.
void seedStock(TestDatabase& t) {
    t.exec("INSERT INTO sys_user (id, username, password_hash, real_name, role) VALUES "
           "(2, 'zhangli', 'x', '张丽', 'clerk')");
    t.exec("INSERT INTO customer (id, name) VALUES (2, '王建国')");
    t.exec("INSERT INTO product (id, barcode, name, is_prescription, sale_price, status) VALUES "
           "(101, '6921361200154', '阿莫西林胶囊', 1, 12.5, 1), "
           "(102, '6932140500213', '布洛芬缓释胶囊', 0, 8.3, 1)");
    t.exec(
        "INSERT INTO inventory_batch (id, product_id, supplier_id, batch_no, production_date, expiry_date, "
        "quantity, unit_cost, status) VALUES "
        "(1, 101, 3, 'B1', '2030-01-01', '2032-01-01', 0, 7, 'normal'), "
        "(2, 101, 3, 'B1', '2030-02-02', '2032-02-02', 10, 7, 'normal'), "
        "(3, 102, 3, 'C1', NULL, '2033-03-03', 5, 4, 'normal'), "
        "(4, 102, 3, 'EXP', '2029-05-20', '2031-05-20', 5, 4, 'normal'), "
        "(5, 102, 3, 'ZERO', '2030-04-04', '2033-04-04', 0, 4, 'normal')");
    t.exec("INSERT INTO prescription (id, prescription_no, doctor_name, patient_name, status, used_count) "
           "VALUES (1, 'RX001', '李卫东', '王建国', 'valid', 0)");
}

QString stock(TestDatabase& t) {
    QStringList out;
    for (int id = 1; id <= 5; ++id)
        out << t.scalar("SELECT quantity FROM inventory_batch WHERE id = ?", {id}).toString();
    return out.join(',');
}

int logged(TestDatabase& t, const QString& action) {
    return t.count("sys_operation_log", "module = '销售收银' AND action = ?", {action});
}

QString lineRow(TestDatabase& t, int lineId) {
    return t
        .scalar("SELECT batch_id || '|' || batch_no || '|' || production_date || '|' || expiry_date || '|' "
                "|| quantity || '|' || is_prescription || '|' || prescription_id FROM sales_order_item "
                "WHERE id = ?",
                {lineId})
        .toString();
}

// Sells one unit of C1 and returns the order.
SalesOrder sellOne(TestDatabase& t, const QString& saleDate = QString()) {
    SalesOrder o = order(saleDate);
    if (!SalesRepository(t.db()).insertOrder(o, {line(102, "C1", 1, 8.3)}))
        qFatal("Set-up sale failed");
    return o;
}

} // namespace

class TestSalesRepository : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        models::User clerk;
        clerk.id = 2;
        clerk.realName = QStringLiteral("张丽");
        CurrentUser::instance().setUser(clerk);
    }

    // Two lines on two drugs: each takes its stock from the first sellable row of its batch number and names
    // that row and its dates (a missing production date as 2000-01-01); the header gets the defaults and the
    // unrounded total; the log row commits with the sale.
    void saleOfTwoLines() {
        PinnedClock pin(kToday, kOneAm);
        TestDatabase t;
        seedStock(t);
        SalesOrder o = order(QString(), 0, 2);
        o.totalAmount = 99; // replaced by the sum of the lines
        QList<SalesOrderItem> items{line(101, "B1", 3, 12.5, 1), line(102, "C1", 1, 2.005)};
        QVERIFY(SalesRepository(t.db()).insertOrder(o, items));
        QCOMPARE(o.orderNo, kStem + "0001");
        QCOMPARE(o.totalAmount, 39.505);
        QCOMPARE(stock(t), QString("0,7,4,5,0"));
        QCOMPARE(lineRow(t, 1), QString("2|B1|2030-02-02|2032-02-02|3|1|1"));
        QCOMPARE(lineRow(t, 2), QString("3|C1|2000-01-01|2033-03-03|1|0|0"));
        QCOMPARE(t.scalar("SELECT order_id FROM sales_order_item WHERE id = 2").toInt(), o.id);
        QCOMPARE(
            t.scalar("SELECT order_no || '|' || total_amount || '|' || sale_date || '|' || operator_id || "
                     "'|' || status || '|' || created_at || '|' || customer_id FROM sales_order WHERE id = ?",
                     {o.id})
                .toString(),
            kStem + "0001|39.505|2031-05-20|1|completed|2031-05-20 01:00:00|2");
        QCOMPARE(t.scalar("SELECT used_count FROM prescription WHERE id = 1").toInt(), 1);
        QCOMPARE(t.scalar("SELECT detail FROM sys_operation_log WHERE action = '新增销售单'").toString(),
                 "订单号: " + kStem + "0001, 金额: 39.505");
        QCOMPARE(t.scalar("SELECT user_name FROM sys_operation_log WHERE action = '新增销售单'").toString(),
                 QString("张丽"));
    }

    // Every failing step leaves the file as it was: no order, no line, no stock taken, no use counted, no
    // log.
    void failedSaleLeavesNothing_data() {
        QTest::addColumn<int>("product");
        QTest::addColumn<QString>("batch");
        QTest::addColumn<int>("quantity");
        QTest::addColumn<QString>("fault"); // BEGIN, COMMIT, or a statement pattern with its occurrence
        QTest::addColumn<int>("nth");
        QTest::addColumn<QString>("said"); // the reason the sale was refused, none for a failure
        QTest::newRow("second line beyond stock")
            << 102 << "C1" << 6 << "" << 0 << "批次 C1 现有库存 5，销售需扣减 6";
        QTest::newRow("batch expiring today") << 102 << "EXP" << 1 << "" << 0 << "批次 EXP 没有可售库存";
        QTest::newRow("batch with nothing left") << 102 << "ZERO" << 1 << "" << 0 << "批次 ZERO 没有可售库存";
        QTest::newRow("unknown batch") << 102 << "NONE" << 1 << "" << 0 << "批次 NONE 没有可售库存";
        // The figures of the whole sale against the batch as stored, not what the first line left of it.
        QTest::newRow("two lines of one batch beyond it")
            << 101 << "B1" << 9 << "" << 0 << "批次 B1 现有库存 10，销售需扣减 11";
        QTest::newRow("two lines of one batch, the second asking all of it")
            << 101 << "B1" << 10 << "" << 0 << "批次 B1 现有库存 10，销售需扣减 12";
        QTest::newRow("no drug") << 0 << "C1" << 1 << "" << 0 << "";
        QTest::newRow("begin fails") << 102 << "C1" << 1 << "BEGIN" << 0 << "";
        QTest::newRow("header insert fails") << 102 << "C1" << 1 << "^INSERT INTO sales_order " << 1 << "";
        QTest::newRow("stock update fails") << 102 << "C1" << 1 << "^UPDATE inventory_batch" << 2 << "";
        QTest::newRow("line insert fails") << 102 << "C1" << 1 << "^INSERT INTO sales_order_item" << 2 << "";
        QTest::newRow("use count fails") << 102 << "C1" << 1 << "^UPDATE prescription" << 1 << "";
        QTest::newRow("total fails") << 102 << "C1" << 1 << "^UPDATE sales_order SET total" << 1 << "";
        QTest::newRow("commit fails") << 102 << "C1" << 1 << "COMMIT" << 0 << "";
    }
    void failedSaleLeavesNothing() {
        QFETCH(int, product);
        QFETCH(QString, batch);
        QFETCH(int, quantity);
        QFETCH(QString, fault);
        QFETCH(int, nth);
        QFETCH(QString, said);
        PinnedClock pin(kToday, kOneAm);
        TestDatabase t;
        seedStock(t);
        FaultyAdapter db(t.db());
        if (fault == "BEGIN")
            db.failBegin();
        else if (fault == "COMMIT")
            db.failCommit();
        else if (!fault.isEmpty())
            db.failStatement(fault, nth);
        SalesOrder o = order();
        SalesRepository repo(&db);
        QVERIFY(!repo.insertOrder(o, {line(101, "B1", 2, 12.5, 1), line(product, batch, quantity, 1)}));
        QCOMPARE(repo.refusal(), said);
        QCOMPARE(t.count("sales_order"), 0);
        QCOMPARE(t.count("sales_order_item"), 0);
        QCOMPARE(stock(t), QString("0,10,5,5,0"));
        QCOMPARE(t.scalar("SELECT used_count FROM prescription WHERE id = 1").toInt(), 0);
        QCOMPARE(logged(t, "新增销售单"), 0);
    }

    // An empty sale opens nothing and takes no number.
    void emptySaleRefusedAtOnce() {
        TestDatabase t;
        FaultyAdapter db(t.db());
        SalesOrder o = order();
        QVERIFY(!SalesRepository(&db).insertOrder(o, {}));
        QCOMPARE(o.orderNo, QString());
        QCOMPARE(db.statements().size(), 0);
    }

    // A prescription line raises its prescription's use count only with an id; other lines never do.
    void prescriptionUseCount() {
        PinnedClock pin(kToday);
        TestDatabase t;
        seedStock(t);
        SalesOrderItem flaggedWithoutId = line(101, "B1", 1, 12.5);
        flaggedWithoutId.isPrescription = true;
        SalesOrderItem idWithoutFlag = line(102, "C1", 1, 8.3, 1);
        idWithoutFlag.isPrescription = false;
        SalesOrder o = order();
        QVERIFY(SalesRepository(t.db()).insertOrder(o, {flaggedWithoutId, idWithoutFlag}));
        QCOMPARE(t.scalar("SELECT used_count FROM prescription WHERE id = 1").toInt(), 0);
        QCOMPARE(lineRow(t, 1), QString("2|B1|2030-02-02|2032-02-02|1|1|0"));
        QCOMPARE(lineRow(t, 2), QString("3|C1|2000-01-01|2033-03-03|1|0|1"));
    }

    // Numbers follow the highest of today's numbers, voided orders included; a back-dated sale neither
    // repeats a number nor stops the sales after it.
    void numbering() {
        PinnedClock pin(kToday);
        TestDatabase t;
        seedStock(t);
        SalesRepository repo(t.db());
        QCOMPARE(repo.generateOrderNo(), kStem + "0001");
        sellOne(t);
        const SalesOrder second = sellOne(t);
        sellOne(t);
        QVERIFY(repo.voidOrder(second.id));
        QCOMPARE(repo.generateOrderNo(), kStem + "0004");
        QCOMPARE(repo.getTodayOrderCount(), 3);

        const SalesOrder backDated = sellOne(t, "2031-05-01");
        QCOMPARE(backDated.orderNo, kStem + "0004");
        QCOMPARE(repo.getTodayOrderCount(), 3); // the count would hand out 0004 again
        QCOMPARE(sellOne(t).orderNo, kStem + "0005");
        QCOMPARE(sellOne(t).orderNo, kStem + "0006");
    }

    // Taking stock: the first sellable row of the batch number only, down to exactly 0.
    void deductInventory_data() {
        QTest::addColumn<int>("product");
        QTest::addColumn<QString>("batch");
        QTest::addColumn<int>("quantity");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("after");
        QTest::newRow("exact stock") << 102 << "C1" << 5 << true << "0,10,0,5,0";
        QTest::newRow("past the empty row") << 101 << "B1" << 4 << true << "0,6,5,5,0";
        QTest::newRow("more than the row") << 102 << "C1" << 6 << false << "0,10,5,5,0";
        QTest::newRow("expires today") << 102 << "EXP" << 1 << false << "0,10,5,5,0";
        QTest::newRow("nothing left") << 102 << "ZERO" << 1 << false << "0,10,5,5,0";
    }
    void deductInventory() {
        QFETCH(int, product);
        QFETCH(QString, batch);
        QFETCH(int, quantity);
        QFETCH(bool, taken);
        QFETCH(QString, after);
        PinnedClock pin(kToday, kOneAm);
        TestDatabase t;
        seedStock(t);
        SalesRepository repo(t.db());
        QCOMPARE(repo.deductInventory(product, batch, quantity), taken);
        QCOMPARE(stock(t), after);
        // A row emptied by one sale is not found by the next.
        QCOMPARE(repo.deductInventory(102, "C1", 1), after.split(',').at(2) != "0");
    }

    // A void puts every line back once, marks the order and logs it; a second void changes nothing. The use
    // count of the prescription stays.
    void voidRestoresStockOnce() {
        PinnedClock pin(kToday);
        TestDatabase t;
        seedStock(t);
        SalesRepository repo(t.db());
        SalesOrder o = order();
        QVERIFY(repo.insertOrder(o, {line(101, "B1", 3, 12.5, 1), line(102, "C1", 2, 8.3)}));
        QCOMPARE(stock(t), QString("0,7,3,5,0"));
        QVERIFY(repo.voidOrder(o.id));
        // Back to the lowest-id row of the batch number, whatever its stock.
        QCOMPARE(stock(t), QString("3,7,5,5,0"));
        QCOMPARE(repo.findById(o.id).status, QString("voided"));
        QCOMPARE(t.scalar("SELECT detail FROM sys_operation_log WHERE action = '作废销售单'").toString(),
                 QString("订单ID: %1").arg(o.id));
        QVERIFY(!repo.voidOrder(o.id));
        QCOMPARE(repo.refusal(), QString("该销售单已作废"));
        QCOMPARE(stock(t), QString("3,7,5,5,0"));
        QCOMPARE(logged(t, "作废销售单"), 1);
        QCOMPARE(t.scalar("SELECT used_count FROM prescription WHERE id = 1").toInt(), 1);
        QCOMPARE(t.count("sales_order_item", "order_id = ?", {o.id}), 2);
    }

    // A batch row deleted since the sale is made again from the line, the sale price as its cost.
    void voidRecreatesDeletedBatch() {
        PinnedClock pin(kToday);
        TestDatabase t;
        seedStock(t);
        SalesRepository repo(t.db());
        SalesOrder o = order();
        QVERIFY(repo.insertOrder(o, {line(102, "C1", 2, 8.3)}));
        t.exec("DELETE FROM inventory_batch WHERE id = 3");
        QVERIFY(repo.voidOrder(o.id));
        QCOMPARE(
            t.scalar("SELECT product_id || '|' || batch_no || '|' || production_date || '|' || expiry_date "
                     "|| '|' || quantity || '|' || unit_cost || '|' || status || '|' || "
                     "COALESCE(supplier_id, 'none') || '|' || COALESCE(created_at, 'none') FROM "
                     "inventory_batch WHERE id > 5")
                .toString(),
            QString("102|C1|2000-01-01|2033-03-03|2|8.3|normal|none|none"));
    }

    // Only an order that is 'completed' now, and that no completed sales return cites, can be voided; a
    // refusal says why.
    void voidRefused_data() {
        QTest::addColumn<QString>("setUp");
        QTest::addColumn<bool>("voided");
        QTest::addColumn<QString>("said");
        const QString returned =
            "INSERT INTO return_order (id, return_no, return_type, status) VALUES "
            "(1, 'SR203105200001', '%1', '%2'); INSERT INTO return_order_item (return_id, "
            "product_id, batch_no, original_order_no, quantity) VALUES (1, 102, 'C1', '%3', 1)";
        QTest::newRow("completed sales return") << returned.arg("sales", "completed", kStem + "0001") << false
                                                << "该销售单已有销售退回单 SR203105200001";
        QTest::newRow("voided sales return") << returned.arg("sales", "voided", kStem + "0001") << true << "";
        QTest::newRow("return of another sale")
            << returned.arg("sales", "completed", kStem + "0009") << true << "";
        QTest::newRow("purchase return")
            << returned.arg("purchase", "completed", kStem + "0001") << true << "";
        QTest::newRow("status not completed")
            << "UPDATE sales_order SET status = 'pending'" << false << "该销售单尚未审核";
        QTest::newRow("no such order") << "DELETE FROM sales_order" << false << "该销售单不存在";
    }
    void voidRefused() {
        QFETCH(QString, setUp);
        QFETCH(bool, voided);
        QFETCH(QString, said);
        PinnedClock pin(kToday);
        TestDatabase t;
        seedStock(t);
        const SalesOrder o = sellOne(t);
        for (const QString& statement : setUp.split("; "))
            t.exec(statement);
        SalesRepository repo(t.db());
        QCOMPARE(repo.voidOrder(o.id), voided);
        QCOMPARE(repo.refusal(), said);
        QCOMPARE(stock(t), voided ? QString("0,10,5,5,0") : QString("0,10,4,5,0"));
        QCOMPARE(t.count("sales_order", "status = 'voided'"), voided ? 1 : 0);
        QCOMPARE(logged(t, "作废销售单"), voided ? 1 : 0);
    }

    // A void that fails at any step leaves the order completed and its stock out; a failure is no refusal, so
    // the user is told no reason.
    void failedVoidChangesNothing_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("batchGone");
        QTest::newRow("begin fails") << "BEGIN" << false;
        QTest::newRow("status change fails") << "^UPDATE sales_order SET status" << false;
        QTest::newRow("return check fails") << "return_order_item" << false;
        QTest::newRow("second line's stock fails") << "^UPDATE inventory_batch" << false;
        QTest::newRow("batch creation fails") << "^INSERT INTO inventory_batch" << true;
        QTest::newRow("commit fails") << "COMMIT" << false;
    }
    void failedVoidChangesNothing() {
        QFETCH(QString, fault);
        QFETCH(bool, batchGone);
        PinnedClock pin(kToday);
        TestDatabase t;
        seedStock(t);
        SalesOrder o = order();
        QVERIFY(SalesRepository(t.db()).insertOrder(o, {line(101, "B1", 3, 12.5), line(102, "C1", 2, 8.3)}));
        if (batchGone)
            t.exec("DELETE FROM inventory_batch WHERE id = 3");
        FaultyAdapter db(t.db());
        if (fault == "BEGIN")
            db.failBegin();
        else if (fault == "COMMIT")
            db.failCommit();
        else
            db.failStatement(fault, fault == "^UPDATE inventory_batch" ? 2 : 1);
        SalesRepository repo(&db);
        QVERIFY(!repo.voidOrder(o.id));
        QCOMPARE(repo.refusal(), QString());
        QCOMPARE(stock(t), batchGone ? QString("0,7,,5,0") : QString("0,7,3,5,0"));
        QCOMPARE(t.count("inventory_batch"), batchGone ? 4 : 5);
        QCOMPARE(t.scalar("SELECT status FROM sales_order WHERE id = ?", {o.id}).toString(),
                 QString("completed"));
        QCOMPARE(logged(t, "作废销售单"), 0);
    }

    // The lists: newest first with operator and customer names; a search by number, customer or drug name
    // gives each order once; lines carry their drug and prescription.
    void readingOrders() {
        PinnedClock pin(kToday);
        TestDatabase t;
        seedStock(t);
        SalesRepository repo(t.db());
        SalesOrder first = order(QString(), 2, 2);
        QVERIFY(repo.insertOrder(first, {line(101, "B1", 1, 12.5, 1), line(101, "B1", 1, 12.5)}));
        SalesOrder second = order("2031-05-19", 9, 7); // operator and customer unknown
        QVERIFY(repo.insertOrder(second, {line(102, "C1", 1, 8.3)}));

        auto numbers = [](const QList<SalesOrder>& list) {
            QStringList out;
            for (const SalesOrder& o : list)
                out << o.orderNo.right(1);
            return out.join(',');
        };
        QCOMPARE(numbers(repo.findAll()), QString("2,1"));
        QCOMPARE(numbers(repo.search(QString())), QString("2,1"));
        QCOMPARE(numbers(repo.search("阿莫西林")), QString("1"));
        QCOMPARE(numbers(repo.search("王建")), QString("1"));
        QCOMPARE(numbers(repo.search("0002")), QString("2"));
        QCOMPARE(numbers(repo.search("无此药")), QString());
        QStringList visited;
        for (const SalesOrder& o :
             readList(t.db(), SalesRepository::orderList("阿莫西林"), SalesRepository::listedOrder))
            visited << o.orderNo + o.customerName;
        QCOMPARE(visited.join(","), kStem + "0001王建国");

        const SalesOrder listed = repo.findAll().last();
        QCOMPARE(QStringList({listed.orderNo, QString::number(listed.totalAmount), listed.saleDate,
                              QString::number(listed.operatorId), listed.operatorName, listed.status,
                              listed.createdAt, QString::number(listed.customerId), listed.customerName})
                     .join('|'),
                 kStem + "0001|25|2031-05-20|2|张丽|completed|2031-05-20 10:00:00|2|王建国");
        const SalesOrder unknown = repo.findById(second.id);
        QCOMPARE(unknown.operatorName + "|" + unknown.customerName, QString("|"));
        QCOMPARE(repo.findById(4711).id, -1);
        const SalesOrder byNumber = repo.findByOrderNo(kStem + "0001");
        QCOMPARE(byNumber.id, first.id);
        QCOMPARE(byNumber.customerId, 0); // the number look-up leaves the customer out
        QCOMPARE(repo.findByOrderNo("SAL0").id, -1);

        const QList<SalesOrderItem> items = repo.findOrderItems(first.id);
        QCOMPARE(items.size(), 2);
        const SalesOrderItem& i = items.first();
        QCOMPARE(QStringList({QString::number(i.orderId), QString::number(i.productId), i.productName,
                              i.productBarcode, QString::number(i.batchId), i.batchNo, i.productionDate,
                              i.expiryDate, QString::number(i.quantity), QString::number(i.unitPrice),
                              QString::number(i.amount), QString::number(i.isPrescription),
                              QString::number(i.prescriptionId), i.prescriptionNo})
                     .join('|'),
                 QString("%1|101|阿莫西林胶囊|6921361200154|2|B1|2030-02-02|2032-02-02|1|12.5|12.5|1|1|RX001")
                     .arg(first.id));
        QCOMPARE(items.last().prescriptionNo, QString());

        SalesOrder changed = first;
        changed.status = QStringLiteral("pending");
        QVERIFY(repo.updateOrder(changed));
        QCOMPARE(repo.findById(first.id).status, QString("pending"));
    }
};

KV_TEST_CLASS(TestSalesRepository)
#include "tst_salesrepository.moc"

#include "repositories/productrepository.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QtTest>

using namespace kestrovalin;
using kestrovalin::models::Product;
using kestrovalin::repositories::ProductRepository;
using kestrovalin::test::LogCapture;
using kestrovalin::test::PinnedClock;
using kestrovalin::test::TestDatabase;
using Item = ProductRepository::InventoryBatchWithProduct;

namespace {

const QDate kToday(2031, 5, 20);

QString day(int offset) {
    return kToday.addDays(offset).toString("yyyy-MM-dd");
}

int addProduct(ProductRepository& repo, const QString& name, const QString& barcode) {
    Product p;
    p.name = name;
    p.barcode = barcode;
    p.mnemonicCode = QStringLiteral("MN");
    p.specification = QStringLiteral("10ml*10支");
    p.approvalNo = QStringLiteral("国药准字Z20000001");
    p.manufacturer = QStringLiteral("太极集团");
    p.category = QStringLiteral("中成药");
    p.storageCondition = QStringLiteral("常温");
    p.isPrescription = true;
    p.unit = QStringLiteral("盒");
    p.purchasePrice = 20.0;
    p.salePrice = 32.5;
    return repo.insert(p);
}

int addBatch(TestDatabase& t, int productId, const QString& batchNo, int quantity, const QString& expiry,
             const QVariant& supplierId = QVariant()) {
    t.exec(
        "INSERT INTO inventory_batch (product_id, supplier_id, batch_no, production_date, expiry_date, "
        "quantity, unit_cost, status, created_at, updated_at) "
        "VALUES (?, ?, ?, '2031-01-01', ?, ?, 18.8, 'normal', '2031-01-02 09:00:00', '2031-02-03 10:00:00')",
        {productId, supplierId, batchNo, expiry, quantity});
    return t.scalar("SELECT MAX(id) FROM inventory_batch").toInt();
}

int addPurchaseLine(TestDatabase& t, const QString& orderNo, int productId, const QString& batchNo) {
    t.exec("INSERT INTO purchase_order (order_no, supplier_id) VALUES (?, 1)", {orderNo});
    const int orderId = t.scalar("SELECT id FROM purchase_order WHERE order_no = ?", {orderNo}).toInt();
    t.exec("INSERT INTO purchase_order_item (order_id, product_id, batch_no, production_date, expiry_date, "
           "quantity, unit_price, amount) VALUES (?, ?, ?, '2031-01-01', '2033-01-01', 10, 18.8, 188)",
           {orderId, productId, batchNo});
    return orderId;
}

QList<int> batchIds(const QList<Item>& list) {
    QList<int> out;
    for (const Item& item : list)
        out << item.batch.id;
    return out;
}

} // namespace

class TestStockBatchQueries : public QObject {
    Q_OBJECT
private slots:
    void stockConditions_data() {
        QTest::addColumn<int>("quantity");
        QTest::addColumn<int>("expiresInDays");
        QTest::addColumn<bool>("drugDeleted");
        QTest::addColumn<bool>("listed");
        QTest::newRow("in stock, expires tomorrow") << 3 << 1 << false << true;
        QTest::newRow("expires today") << 3 << 0 << false << false;
        QTest::newRow("expired") << 3 << -10 << false << false;
        QTest::newRow("none left") << 0 << 100 << false << false;
        QTest::newRow("drug deleted") << 3 << 100 << true << false;
    }

    void stockConditions() {
        QFETCH(int, quantity);
        QFETCH(int, expiresInDays);
        QFETCH(bool, drugDeleted);
        QFETCH(bool, listed);
        // Just after local midnight in UTC+8 the UTC date is still yesterday.
        PinnedClock pin(kToday, QTime(0, 30));
        TestDatabase t;
        ProductRepository repo(t.db());
        const int productId = addProduct(repo, "复方丹参滴丸", "6901");
        const int batchId = addBatch(t, productId, "P1", quantity, day(expiresInDays));
        if (drugDeleted)
            repo.remove(productId);
        const QList<int> expected = listed ? QList<int>{batchId} : QList<int>{};
        QCOMPARE(batchIds(repo.findAllBatchesWithProduct()), expected);
        QCOMPARE(batchIds(repo.searchBatchesWithProduct("丹参")), expected);
        QCOMPARE(batchIds(repo.findAllBatchesWithProductWithPurchaseOrder()), expected);
        QCOMPARE(batchIds(repo.searchBatchesWithProductWithPurchaseOrder("丹参")), expected);
    }

    void stockBatchRecordFields() {
        PinnedClock pin(kToday);
        TestDatabase t;
        ProductRepository repo(t.db());
        t.exec("INSERT INTO supplier (id, name) VALUES (7, '国药控股')");
        const int productId = addProduct(repo, "感冒清热颗粒", "6902");
        const int withSupplier = addBatch(t, productId, "S1", 12, day(200), 7);
        const int unknownSupplier = addBatch(t, productId, "S2", 4, day(200), 99);
        const int noSupplier = addBatch(t, productId, "S3", 6, day(200));
        t.exec("UPDATE supplier SET status = 'suspended' WHERE id = 7");

        const QList<Item> list = repo.findAllBatchesWithProduct();
        QCOMPARE(batchIds(list), (QList<int>{noSupplier, unknownSupplier, withSupplier}));
        const Item& item = list.at(2);
        QCOMPARE(item.batch.productId, productId);
        QCOMPARE(item.batch.supplierId, 7);
        QCOMPARE(item.batch.batchNo, QStringLiteral("S1"));
        QCOMPARE(item.batch.productionDate, QStringLiteral("2031-01-01"));
        QCOMPARE(item.batch.expiryDate, day(200));
        QCOMPARE(item.batch.quantity, 12);
        QCOMPARE(item.batch.unitCost, 18.8);
        QCOMPARE(item.batch.status, QStringLiteral("normal"));
        QCOMPARE(item.batch.createdAt, QStringLiteral("2031-01-02 09:00:00"));
        QCOMPARE(item.batch.updatedAt, QStringLiteral("2031-02-03 10:00:00"));
        QCOMPARE(item.batch.rejectedQuantity, 0);
        QCOMPARE(item.supplierName, QStringLiteral("国药控股"));
        QVERIFY(item.purchaseOrderNo.isEmpty());
        QCOMPARE(item.product.id, productId);
        QCOMPARE(item.product.name, QStringLiteral("感冒清热颗粒"));
        QCOMPARE(item.product.barcode, QStringLiteral("6902"));
        QCOMPARE(item.product.specification, QStringLiteral("10ml*10支"));
        QCOMPARE(item.product.manufacturer, QStringLiteral("太极集团"));
        QCOMPARE(item.product.isPrescription, true);
        QCOMPARE(item.product.salePrice, 32.5);
        QCOMPARE(item.product.purchasePrice, 20.0);
        QVERIFY(item.product.mnemonicCode.isEmpty());
        QCOMPARE(list.at(1).batch.supplierId, 99);
        QVERIFY(list.at(1).supplierName.isEmpty());
        QCOMPARE(list.at(0).batch.supplierId, 0);
        QVERIFY(list.at(0).supplierName.isEmpty());
    }

    void purchaseOrderRows() {
        PinnedClock pin(kToday);
        TestDatabase t;
        ProductRepository repo(t.db());
        const int productId = addProduct(repo, "板蓝根颗粒", "6903");
        const int twice = addBatch(t, productId, "L1", 30, day(300));
        const int never = addBatch(t, productId, "L2", 8, day(300));
        addPurchaseLine(t, "CG20310101001", productId, "L1");
        const int voided = addPurchaseLine(t, "CG20310102001", productId, "L1");
        t.exec("UPDATE purchase_order SET status = 'voided' WHERE id = ?", {voided});
        addPurchaseLine(t, "CG20310103001", productId + 1, "L2"); // other drug, same batch number

        const QList<Item> list = repo.findAllBatchesWithProductWithPurchaseOrder();
        QCOMPARE(batchIds(list), (QList<int>{never, twice, twice}));
        QVERIFY(list.at(0).purchaseOrderNo.isEmpty());
        QStringList orders{list.at(1).purchaseOrderNo, list.at(2).purchaseOrderNo};
        orders.sort();
        QCOMPARE(orders, (QStringList{"CG20310101001", "CG20310102001"}));
        QCOMPARE(list.at(1).batch.quantity, 30);
        QCOMPARE(list.at(2).batch.quantity, 30);
        QCOMPARE(list.at(1).batch.status, QStringLiteral("normal"));
        QVERIFY(list.at(1).supplierName.isEmpty());
    }

    void searchMatchesDrugNameOnly_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<int>("rows");
        QTest::newRow("empty keyword") << "" << 2;
        QTest::newRow("name part") << "胶囊" << 1;
        QTest::newRow("ascii ignores case") << "vc" << 1;
        QTest::newRow("barcode") << "6904" << 0;
        QTest::newRow("batch number") << "BN" << 0;
    }

    void searchMatchesDrugNameOnly() {
        QFETCH(QString, keyword);
        QFETCH(int, rows);
        PinnedClock pin(kToday);
        TestDatabase t;
        ProductRepository repo(t.db());
        addBatch(t, addProduct(repo, "诺氟沙星胶囊", "69040001"), "BN01", 5, day(90));
        addBatch(t, addProduct(repo, "VC银翘片", "69050002"), "BN02", 5, day(90));
        QCOMPARE(repo.searchBatchesWithProduct(keyword).size(), rows);
        QCOMPARE(repo.searchBatchesWithProductWithPurchaseOrder(keyword).size(), rows);
    }

    void soldLineReturns_data() {
        QTest::addColumn<QString>("returnStatus"); // empty: no return at all
        QTest::addColumn<QString>("returnType");
        QTest::addColumn<int>("returnedQty");
        QTest::addColumn<QString>("saleStatus");
        QTest::addColumn<bool>("drugDeleted");
        QTest::addColumn<int>("expectedReturned"); // -1: the line is not listed

        QTest::newRow("no return") << ""
                                   << "" << 0 << "completed" << false << 0;
        QTest::newRow("completed sales return") << "completed"
                                                << "sales" << 2 << "completed" << false << 2;
        QTest::newRow("voided sales return") << "voided"
                                             << "sales" << 2 << "completed" << false << 0;
        QTest::newRow("purchase return, same keys") << "completed"
                                                    << "purchase" << 2 << "completed" << false << 0;
        QTest::newRow("fully returned") << "completed"
                                        << "sales" << 5 << "completed" << false << -1;
        QTest::newRow("voided sale") << ""
                                     << "" << 0 << "voided" << false << -1;
        QTest::newRow("drug deleted") << ""
                                      << "" << 0 << "completed" << true << -1;
    }

    void soldLineReturns() {
        QFETCH(QString, returnStatus);
        QFETCH(QString, returnType);
        QFETCH(int, returnedQty);
        QFETCH(QString, saleStatus);
        QFETCH(bool, drugDeleted);
        QFETCH(int, expectedReturned);
        TestDatabase t;
        ProductRepository repo(t.db());
        const int productId = addProduct(repo, "氨溴索口服液", "6906");
        // The line was sold from a batch that has since run out and expired: still returnable.
        const int batchId = addBatch(t, productId, "X9", 0, "2020-01-01");
        t.exec("INSERT INTO sales_order (order_no, status) VALUES ('XS20310520001', ?)", {saleStatus});
        const int orderId = t.scalar("SELECT MAX(id) FROM sales_order").toInt();
        t.exec("INSERT INTO sales_order_item (order_id, product_id, batch_id, batch_no, production_date, "
               "expiry_date, quantity, unit_price, amount) "
               "VALUES (?, ?, ?, 'X9', '2019-01-01', '2020-01-01', 5, 26.5, 132.5)",
               {orderId, productId, batchId});
        const int lineId = t.scalar("SELECT MAX(id) FROM sales_order_item").toInt();
        if (!returnStatus.isEmpty()) {
            t.exec("INSERT INTO return_order (return_no, return_type, status) VALUES ('TH001', ?, ?)",
                   {returnType, returnStatus});
            const int returnId = t.scalar("SELECT MAX(id) FROM return_order").toInt();
            t.exec("INSERT INTO return_order_item (return_id, product_id, batch_no, original_order_no, "
                   "quantity) "
                   "VALUES (?, ?, 'X9', 'XS20310520001', ?)",
                   {returnId, productId, returnedQty});
        }
        if (drugDeleted)
            repo.remove(productId);

        const QList<Item> all = repo.findAllBatchesWithProductWithSalesOrder();
        QCOMPARE(repo.searchBatchesWithProductWithSalesOrder("溴索").size(), all.size());
        if (expectedReturned < 0) {
            QVERIFY(all.isEmpty());
            return;
        }
        QCOMPARE(all.size(), 1);
        const Item& item = all.first();
        QCOMPARE(item.salesOrderItemId, lineId);
        QCOMPARE(item.salesOrderNo, QStringLiteral("XS20310520001"));
        QCOMPARE(item.soldQuantity, 5);
        QCOMPARE(item.returnedQuantity, expectedReturned);
        QCOMPARE(item.remainingQuantity, 5 - expectedReturned);
        QCOMPARE(item.batch.quantity, 5 - expectedReturned);
        QCOMPARE(item.batch.id, batchId);
        QCOMPARE(item.batch.productId, productId);
        QCOMPARE(item.batch.batchNo, QStringLiteral("X9"));
        QCOMPARE(item.batch.productionDate, QStringLiteral("2019-01-01"));
        QCOMPARE(item.batch.expiryDate, QStringLiteral("2020-01-01"));
        QCOMPARE(item.batch.unitCost, 26.5);
        QCOMPARE(item.batch.status, QStringLiteral("normal"));
        QCOMPARE(item.batch.supplierId, -1);
        QVERIFY(item.batch.createdAt.isEmpty());
        QCOMPARE(item.product.id, productId);
        QCOMPARE(item.product.name, QStringLiteral("氨溴索口服液"));
        QCOMPARE(item.product.status, 1);
        QCOMPARE(item.product.salePrice, 32.5);
        QVERIFY(item.supplierName.isEmpty());
        QVERIFY(item.purchaseOrderNo.isEmpty());
    }

    void soldLinesSumEveryCompletedReturnAndOrderNewestFirst() {
        TestDatabase t;
        ProductRepository repo(t.db());
        const int a = addProduct(repo, "蒙脱石散", "6907");
        const int b = addProduct(repo, "健胃消食片", "6908");
        t.exec("INSERT INTO sales_order (id, order_no) VALUES (1, 'XS1'), (2, 'XS2')");
        t.exec(
            "INSERT INTO sales_order_item (id, order_id, product_id, batch_no, production_date, expiry_date, "
            "quantity, unit_price, amount) VALUES (10, 1, ?, 'M1', '2030-01-01', '2032-01-01', 10, 9, 90), "
            "(11, 2, ?, 'M1', '2030-01-01', '2032-01-01', 4, 9, 36), "
            "(12, 2, ?, 'J1', '2030-01-01', '2032-01-01', 6, 7, 42)",
            {a, a, b});
        t.exec("INSERT INTO return_order (id, return_no, return_type) VALUES (1, 'TH1', 'sales'), "
               "(2, 'TH2', 'sales')");
        // Two returns against line 10, one against line 11 with another batch number: it must not count.
        t.exec("INSERT INTO return_order_item (return_id, product_id, batch_no, original_order_no, quantity) "
               "VALUES (1, ?, 'M1', 'XS1', 3), (2, ?, 'M1', 'XS1', 4), (2, ?, 'M2', 'XS2', 4)",
               {a, a, a});

        const QList<Item> list = repo.findAllBatchesWithProductWithSalesOrder();
        QList<int> lines, remaining;
        for (const Item& item : list) {
            lines << item.salesOrderItemId;
            remaining << item.remainingQuantity;
        }
        QCOMPARE(lines, (QList<int>{12, 11, 10}));
        QCOMPARE(remaining, (QList<int>{6, 4, 3}));
        QCOMPARE(list.at(2).returnedQuantity, 7);
        QCOMPARE(list.at(1).batch.id, 0); // the line names no batch
        const QList<Item> found = repo.searchBatchesWithProductWithSalesOrder("消食");
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().salesOrderItemId, 12);
    }

    void failedSoldLineQueryIsLoggedAtDebugLevel() {
        TestDatabase t;
        ProductRepository repo(t.db());
        t.exec("DROP TABLE return_order");
        LogCapture log;
        QVERIFY(repo.findAllBatchesWithProductWithSalesOrder().isEmpty());
        QCOMPARE(log.count(QtDebugMsg, "Query failed:"), 1);
    }
};

QTEST_GUILESS_MAIN(TestStockBatchQueries)
#include "tst_stockbatchqueries.moc"

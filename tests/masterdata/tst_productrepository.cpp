#include "repositories/productrepository.h"
#include "tests/masterdata/masterdatafixtures.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"

#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;
using kestrovalin::models::Product;
using kestrovalin::repositories::ProductRepository;
using Item = ProductRepository::InventoryBatchWithProduct;

namespace {

QStringList names(const QList<Product>& list) {
    QStringList out;
    for (const Product& p : list)
        out << p.name;
    return out;
}

int addProduct(ProductRepository& repo, const QString& name, const QString& barcode) {
    Product p = makeProduct(name, barcode, "10ml*10支", "太极集团");
    p.mnemonicCode = "MN";
    p.isPrescription = true;
    return repo.insert(p);
}

void addPurchaseLine(TestDatabase& t, const QString& orderNo, const QString& status, int productId,
                     const QString& batchNo) {
    t.exec("INSERT INTO purchase_order (order_no, supplier_id, status) VALUES (?, 1, ?)", {orderNo, status});
    t.exec("INSERT INTO purchase_order_item (order_id, product_id, batch_no, production_date, expiry_date, "
           "quantity, unit_price, amount) VALUES ((SELECT MAX(id) FROM purchase_order), ?, ?, '2031-01-01', "
           "'2033-01-01', 10, 18.8, 188)",
           {productId, batchNo});
}

QList<int> batchIds(const QList<Item>& list) {
    QList<int> out;
    for (const Item& item : list)
        out << item.batch.id;
    return out;
}

// The batch members the stock lists read, in member order.
QStringList batchFields(const models::InventoryBatch& b) {
    return QStringList() << QString::number(b.productId) << QString::number(b.supplierId) << b.batchNo
                         << b.productionDate << b.expiryDate << QString::number(b.quantity)
                         << QString::number(b.rejectedQuantity) << QString::number(b.unitCost) << b.status
                         << b.createdAt << b.updatedAt;
}

} // namespace

// Drugs and the stock batch queries.
class TestProductRepository : public QObject {
    Q_OBJECT
private slots:
    void insertAlwaysListsAndUpdateWritesTheRecordsStatus() {
        TestDatabase t;
        ProductRepository repo(t.db());
        Product p = makeProduct("阿莫西林胶囊", "6901234567890", "0.25g*24粒", "华北制药");
        p.mnemonicCode = "AMXL";
        p.approvalNo = "国药准字H13023964";
        p.category = "抗生素";
        p.storageCondition = "阴凉";
        p.isPrescription = true;
        p.status = 0;
        p.id = 999;
        p.id = repo.insert(p);
        QVERIFY(p.id > 0 && p.id != 999);
        p.status = 1;
        QCOMPARE(productFields(repo.findById(p.id)), productFields(p));
        QCOMPARE(repo.findById(p.id + 1).id, -1);

        p.status = 0;
        p.name = "999感冒灵颗粒";
        p.salePrice = 15.5;
        QVERIFY(repo.update(p));
        QCOMPARE(productFields(repo.findById(p.id)), productFields(p));
        QVERIFY(repo.findAll().isEmpty());
    }

    // Any number of drugs may be without a barcode.
    void emptyBarcodeIsStoredAsNull() {
        TestDatabase t;
        ProductRepository repo(t.db());
        QVERIFY(repo.insert(makeProduct("维生素C片")) > 0);
        QVERIFY(repo.insert(makeProduct("维生素B1片", QString(""))) > 0);
        Product c = makeProduct("维生素E软胶囊", "690000");
        c.id = repo.insert(c);
        c.barcode = QString("");
        QVERIFY(repo.update(c));
        QCOMPARE(t.count("product", "barcode IS NULL"), 3);
        QCOMPARE(repo.findDuplicate(makeProduct("新药", QString(""))), -1);
    }

    void deletedDrugKeepsItsBarcode() {
        TestDatabase t;
        ProductRepository repo(t.db());
        QVERIFY(repo.remove(repo.insert(makeProduct("布洛芬缓释胶囊", "6900001"))));
        LogCapture log;
        QCOMPARE(repo.insert(makeProduct("布洛芬片", "6900001")), -1);
        QCOMPARE(log.count(QtCriticalMsg, "Product insert failed:"), 1);
        Product other = makeProduct("布洛芬颗粒", "6900002");
        other.id = repo.insert(other);
        other.barcode = "6900001";
        QVERIFY(!repo.update(other));
        QCOMPARE(repo.findDuplicate(makeProduct("布洛芬缓释胶囊", "6900001")), -1);
    }

    void removeHidesFromEveryListButNotFromFindById() {
        PinnedClock pin(kToday);
        TestDatabase t;
        ProductRepository repo(t.db());
        Product rx = makeProduct("头孢克肟片", "111");
        rx.isPrescription = true;
        rx.mnemonicCode = "TBKW";
        repo.insert(rx);
        rx.barcode = "222";
        const int gone = repo.insert(rx);
        repo.insert(makeProduct("头孢拉定胶囊")); // not a prescription drug, no stock
        addBatch(t, gone - 1, "A", 10, day(100));
        addBatch(t, gone, "A", 10, day(100));
        QVERIFY(repo.remove(gone));

        const QString key = "头孢";
        const QStringList both{"头孢拉定胶囊", "头孢克肟片"}, rxOnly{"头孢克肟片"};
        QCOMPARE(names(repo.findAll()), both);
        QCOMPARE(names(repo.search(key)), both);
        QCOMPARE(names(repo.searchByName(key)), both);
        QCOMPARE(names(repo.findAllPrescription()), rxOnly);
        QCOMPARE(names(repo.searchByNamePrescription(key)), rxOnly);
        QCOMPARE(names(repo.findAllWithStock()), rxOnly);
        QCOMPARE(names(repo.searchByNameWithStock(key)), rxOnly);
        QCOMPARE(repo.searchByBarcode("222").id, -1);
        // Only search() also looks at barcode and mnemonic code.
        QCOMPARE(names(repo.search("111")) + names(repo.search("tbkw")), rxOnly + rxOnly);
        QVERIFY(repo.searchByName("111").isEmpty());
        QCOMPARE(repo.count(), 2);
        QCOMPARE(repo.findById(gone).status, 0);
        QCOMPARE(repo.findById(gone).barcode, QString("222"));
    }

    // Barcode first, then name with specification and manufacturer when given.
    void findDuplicate_data() {
        QTest::addColumn<QStringList>("typed"); // barcode, name, specification, manufacturer
        QTest::addColumn<QString>("expected");  // name of the stored drug reported; empty for none
        QTest::newRow("nothing to compare") << QStringList{"", "", "", ""} << "";
        QTest::newRow("listed barcode, other name") << QStringList{"6901", "别的", "", ""} << "阿莫西林胶囊";
        QTest::newRow("unknown barcode, same drug")
            << QStringList{"0000", "阿莫西林胶囊", "0.25g*24粒", "华北制药"} << "阿莫西林胶囊";
        QTest::newRow("empty specification") << QStringList{"", "阿莫西林胶囊", "", "华北制药"} << "阿莫西林胶囊";
        QTest::newRow("other specification") << QStringList{"", "阿莫西林胶囊", "0.5g*12粒", ""} << "";
        QTest::newRow("other maker") << QStringList{"", "阿莫西林胶囊", "", "联邦制药"} << "";
        QTest::newRow("case-sensitive name") << QStringList{"", "aspirin", "", ""} << "";
        QTest::newRow("deleted drug") << QStringList{"6903", "停售药", "", ""} << "";
    }
    void findDuplicate() {
        QFETCH(QStringList, typed);
        QFETCH(QString, expected);
        TestDatabase t;
        ProductRepository repo(t.db());
        QMap<QString, int> stored;
        stored["阿莫西林胶囊"] = repo.insert(makeProduct("阿莫西林胶囊", "6901", "0.25g*24粒", "华北制药"));
        stored["Aspirin"] = repo.insert(makeProduct("Aspirin", "6902"));
        repo.remove(repo.insert(makeProduct("停售药", "6903")));
        QCOMPARE(repo.findDuplicate(makeProduct(typed.at(1), typed.at(0), typed.at(2), typed.at(3))),
                 stored.value(expected, -1));
    }

    void stockConditions_data() {
        QTest::addColumn<int>("quantity");
        QTest::addColumn<int>("expiresInDays");
        QTest::addColumn<bool>("drugDeleted");
        QTest::addColumn<bool>("listed");
        QTest::newRow("expires tomorrow") << 3 << 1 << false << true;
        QTest::newRow("expires today") << 3 << 0 << false << false;
        QTest::newRow("expired") << 3 << -10 << false << false;
        QTest::newRow("none left") << 0 << 100 << false << false;
        QTest::newRow("drug deleted") << 3 << 100 << true << false;
    }

    // Stock lists leave out empty and expired batches by the local date, and deleted drugs.
    void stockConditions() {
        QFETCH(int, quantity);
        QFETCH(int, expiresInDays);
        QFETCH(bool, drugDeleted);
        QFETCH(bool, listed);
        PinnedClock pin(kToday, QTime(0, 30)); // in UTC+8 the UTC date is still yesterday
        TestDatabase t;
        ProductRepository repo(t.db());
        const int productId = addProduct(repo, "复方丹参滴丸", "6901");
        const int batchId = addBatch(t, productId, "P1", quantity, day(expiresInDays));
        addBatch(t, productId, "P2", 0, day(90)); // never listed
        if (drugDeleted)
            repo.remove(productId);
        const QList<int> expected = listed ? QList<int>{batchId} : QList<int>{};
        QCOMPARE(batchIds(repo.findAllBatchesWithProduct()), expected);
        QCOMPARE(batchIds(repo.searchBatchesWithProduct("丹参")), expected);
        QCOMPARE(batchIds(repo.findAllBatchesWithProductWithPurchaseOrder()), expected);
        QCOMPARE(batchIds(repo.searchBatchesWithProductWithPurchaseOrder("丹参")), expected);
        const QStringList drugs = listed ? QStringList{"复方丹参滴丸"} : QStringList{};
        QCOMPARE(names(repo.findAllWithStock()), drugs);
        QCOMPARE(names(repo.searchByNameWithStock("丹参")), drugs);
    }

    void stockBatchRecords() {
        PinnedClock pin(kToday);
        TestDatabase t;
        ProductRepository repo(t.db());
        t.exec("INSERT INTO supplier (id, name, status) VALUES (7, '国药控股', 'suspended')");
        const int productId = addProduct(repo, "感冒清热颗粒", "6902");
        const int known = addBatch(t, productId, "S1", 12, day(200), 7);
        const int unknown = addBatch(t, productId, "S2", 4, day(200), 99);
        const int none = addBatch(t, productId, "S3", 6, day(200));

        const QList<Item> list = repo.findAllBatchesWithProduct();
        QCOMPARE(batchIds(list), (QList<int>{none, unknown, known}));
        const Item& item = list.at(2);
        QCOMPARE(batchFields(item.batch),
                 (QStringList{QString::number(productId), "7", "S1", "2031-01-01", day(200), "12", "0",
                              "18.8", "normal", "2031-01-02 09:00:00", "2031-02-03 10:00:00"}));
        QCOMPARE(item.supplierName, QString("国药控股"));
        QVERIFY(item.purchaseOrderNo.isEmpty());
        Product expected = makeProduct("感冒清热颗粒", "6902", "10ml*10支", "太极集团");
        expected.id = productId;
        expected.isPrescription = true;
        expected.status = 0; // "status" resolves to the batch's text column
        QCOMPARE(productFields(item.product), productFields(expected));
        QCOMPARE(item.product.createdAt, QString("2031-01-02 09:00:00"));
        QCOMPARE(list.at(1).batch.supplierId + list.at(0).batch.supplierId, 99);
        QVERIFY(list.at(1).supplierName.isEmpty() && list.at(0).supplierName.isEmpty());
        QCOMPARE(repo.findAllWithStock().size(), 1); // one drug, however many batches
        // The search looks at the drug's name only.
        QCOMPARE(repo.searchBatchesWithProduct("清热").size(), 3);
        QVERIFY(repo.searchBatchesWithProduct("6902").isEmpty() &&
                repo.searchBatchesWithProduct("S1").isEmpty());
    }

    void purchaseOrderRows() {
        PinnedClock pin(kToday);
        TestDatabase t;
        ProductRepository repo(t.db());
        const int productId = addProduct(repo, "板蓝根颗粒", "6903");
        const int twice = addBatch(t, productId, "L1", 30, day(300));
        const int never = addBatch(t, productId, "L2", 8, day(300));
        addPurchaseLine(t, "CG001", "completed", productId, "L1");
        addPurchaseLine(t, "CG002", "voided", productId, "L1");
        addPurchaseLine(t, "CG003", "completed", productId + 1, "L2"); // other drug, same batch number

        const QList<Item> list = repo.findAllBatchesWithProductWithPurchaseOrder();
        QCOMPARE(batchIds(list), (QList<int>{never, twice, twice}));
        QVERIFY(list.at(0).purchaseOrderNo.isEmpty());
        QStringList orders{list.at(1).purchaseOrderNo, list.at(2).purchaseOrderNo};
        orders.sort();
        QCOMPARE(orders, (QStringList{"CG001", "CG002"}));
        QCOMPARE(list.at(1).batch.quantity + list.at(2).batch.quantity, 60);
    }

    void soldLineReturns_data() {
        QTest::addColumn<QStringList>("sale"); // return status (empty: no return), return type, sale status
        QTest::addColumn<int>("returnedQty");
        QTest::addColumn<bool>("drugDeleted");
        QTest::addColumn<int>("expectedReturned"); // -1: the line is not listed
        const QString done = "completed";
        QTest::newRow("no return") << QStringList{"", "", done} << 0 << false << 0;
        QTest::newRow("completed sales return") << QStringList{done, "sales", done} << 2 << false << 2;
        QTest::newRow("voided sales return") << QStringList{"voided", "sales", done} << 2 << false << 0;
        QTest::newRow("purchase return") << QStringList{done, "purchase", done} << 2 << false << 0;
        QTest::newRow("fully returned") << QStringList{done, "sales", done} << 5 << false << -1;
        QTest::newRow("voided sale") << QStringList{"", "", "voided"} << 0 << false << -1;
        QTest::newRow("drug deleted") << QStringList{"", "", done} << 0 << true << -1;
    }

    void soldLineReturns() {
        QFETCH(QStringList, sale);
        QFETCH(int, returnedQty);
        QFETCH(bool, drugDeleted);
        QFETCH(int, expectedReturned);
        TestDatabase t;
        ProductRepository repo(t.db());
        const int productId = addProduct(repo, "氨溴索口服液", "6906");
        // Sold from a batch that has since run out and expired: the line is still returnable.
        const int batchId = addBatch(t, productId, "X9", 0, "2020-01-01");
        t.exec("INSERT INTO sales_order (id, order_no, status) VALUES (3, 'XS001', ?)", {sale.at(2)});
        t.exec("INSERT INTO sales_order_item (id, order_id, product_id, batch_id, batch_no, production_date, "
               "expiry_date, quantity, unit_price, amount) "
               "VALUES (40, 3, ?, ?, 'X9', '2019-01-01', '2020-01-01', 5, 26.5, 132.5)",
               {productId, batchId});
        if (!sale.at(0).isEmpty()) {
            t.exec("INSERT INTO return_order (id, return_no, return_type, status) VALUES (8, 'TH1', ?, ?)",
                   {sale.at(1), sale.at(0)});
            t.exec("INSERT INTO return_order_item (return_id, product_id, batch_no, original_order_no, "
                   "quantity) "
                   "VALUES (8, ?, 'X9', 'XS001', ?)",
                   {productId, returnedQty});
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
        QCOMPARE(QString::number(item.salesOrderItemId) + item.salesOrderNo, QString("40XS001"));
        QCOMPARE((QList<int>{item.soldQuantity, item.returnedQuantity, item.remainingQuantity}),
                 (QList<int>{5, expectedReturned, 5 - expectedReturned}));
        QCOMPARE(item.batch.id, batchId);
        QCOMPARE(batchFields(item.batch),
                 (QStringList{QString::number(productId), "-1", "X9", "2019-01-01", "2020-01-01",
                              QString::number(5 - expectedReturned), "0", "26.5", "normal", "", ""}));
        QCOMPARE(item.product.name + item.product.barcode, QString("氨溴索口服液6906"));
    }

    void soldLinesSumCompletedReturnsPerOrderDrugAndBatch() {
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
        // Two returns against line 10; the one naming order XS2 has another batch number and counts for none.
        t.exec("INSERT INTO return_order_item (return_id, product_id, batch_no, original_order_no, quantity) "
               "VALUES (1, ?, 'M1', 'XS1', 3), (2, ?, 'M1', 'XS1', 4), (2, ?, 'M2', 'XS2', 4)",
               {a, a, a});

        QList<int> lines, remaining;
        for (const Item& item : repo.findAllBatchesWithProductWithSalesOrder()) {
            lines << item.salesOrderItemId;
            remaining << item.remainingQuantity;
        }
        QCOMPARE(lines, (QList<int>{12, 11, 10}));
        QCOMPARE(remaining, (QList<int>{6, 4, 3}));
        const QList<Item> found = repo.searchBatchesWithProductWithSalesOrder("消食");
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().salesOrderItemId, 12);
    }
};

QTEST_GUILESS_MAIN(TestProductRepository)
#include "tst_productrepository.moc"

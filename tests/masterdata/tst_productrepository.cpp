#include "repositories/productrepository.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;
using kestrovalin::models::Product;
using kestrovalin::repositories::ProductRepository;
using Item = ProductRepository::InventoryBatchWithProduct;

namespace {

// Far from the machine's real date, so a query that used SQLite's own (UTC) clock would give other answers.
const QDate kToday(2031, 5, 20);

QString day(int offsetFromToday) {
    return kToday.addDays(offsetFromToday).toString("yyyy-MM-dd");
}

Product makeProduct(const QString& name, const QString& barcode = QString(),
                    const QString& specification = QString(), const QString& maker = QString()) {
    Product p;
    p.name = name;
    p.barcode = barcode;
    p.specification = specification;
    p.manufacturer = maker;
    p.unit = "盒";
    p.salePrice = 32.5;
    return p;
}

// Every member in one list, so a mapping mistake shows as one readable difference.
QStringList productFields(const Product& p) {
    return QStringList() << QString::number(p.id) << p.barcode << p.name << p.mnemonicCode << p.specification
                         << p.approvalNo << p.manufacturer << p.category << p.storageCondition
                         << QString::number(p.isPrescription) << p.unit << QString::number(p.purchasePrice)
                         << QString::number(p.salePrice) << QString::number(p.status);
}

int addBatch(TestDatabase& t, int productId, const QString& batchNo, int quantity, const QString& expiry,
             const QVariant& supplierId = QVariant()) {
    t.exec("INSERT INTO inventory_batch (product_id, supplier_id, batch_no, production_date, expiry_date, "
           "quantity, unit_cost, status, created_at, updated_at) VALUES (?, ?, ?, '2031-01-01', ?, ?, 18.8, "
           "'normal', '2031-01-02 09:00:00', '2031-02-03 10:00:00')",
           {productId, supplierId, batchNo, expiry, quantity});
    return t.scalar("SELECT MAX(id) FROM inventory_batch").toInt();
}

QStringList names(const QList<Product>& list) {
    QStringList out;
    for (const Product& p : list)
        out << p.name;
    return out;
}

QList<int> batchIds(const QList<Item>& list) {
    QList<int> out;
    for (const Item& item : list)
        out << item.batch.id;
    return out;
}

} // namespace

class TestProductRepository : public QObject {
    Q_OBJECT
private slots:
    void insertListsAndUpdateWritesTheRecordsStatus() {
        TestDatabase t;
        ProductRepository repo(t.db());
        Product p = makeProduct("阿莫西林胶囊", "6901234567890", "0.25g*24粒", "华北制药");
        p.mnemonicCode = "AMXL";
        p.approvalNo = "国药准字H13023964";
        p.category = "处方药";
        p.storageCondition = "阴凉";
        p.isPrescription = true;
        p.purchasePrice = 20.0;
        p.status = 0;
        p.id = repo.insert(p);
        QVERIFY(p.id > 0);
        p.status = 1;
        QCOMPARE(productFields(repo.findById(p.id)), productFields(p));

        p.status = 0;
        p.name = "阿莫西林分散片";
        QVERIFY(repo.update(p));
        QCOMPARE(productFields(repo.findById(p.id)), productFields(p));
        QVERIFY(repo.findAll().isEmpty());
    }

    // Any number of drugs may be without a barcode, and a deleted drug's barcode stays taken.
    void barcodes() {
        TestDatabase t;
        ProductRepository repo(t.db());
        QVERIFY(repo.insert(makeProduct("维生素C片")) > 0);
        QVERIFY(repo.insert(makeProduct("维生素B1片", QString(""))) > 0);
        Product e = makeProduct("维生素E软胶囊", "690000");
        e.id = repo.insert(e);
        e.barcode = QString("");
        QVERIFY(repo.update(e));
        QCOMPARE(t.count("product", "barcode IS NULL"), 3);

        QVERIFY(repo.remove(repo.insert(makeProduct("布洛芬缓释胶囊", "6900001"))));
        LogCapture log;
        QCOMPARE(repo.insert(makeProduct("布洛芬片", "6900001")), -1);
        QCOMPARE(log.count(QtCriticalMsg, "Product insert failed:"), 1);
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
        addBatch(t, gone, "A", 10, day(100));
        repo.insert(makeProduct("头孢拉定胶囊")); // not a prescription drug
        QVERIFY(repo.remove(gone));

        const QStringList both{"头孢拉定胶囊", "头孢克肟片"}, rxOnly{"头孢克肟片"};
        QCOMPARE(names(repo.findAll()), both);
        QCOMPARE(names(repo.searchByName("头孢")), both);
        QCOMPARE(names(repo.searchByNamePrescription("头孢")), rxOnly);
        QVERIFY(repo.findAllWithStock().isEmpty());
        // Only search() also looks at barcode and mnemonic code.
        QCOMPARE(names(repo.search("111")) + names(repo.search("tbkw")), rxOnly + rxOnly);
        QVERIFY(repo.search("222").isEmpty() && repo.searchByName("111").isEmpty());
        QCOMPARE(repo.findById(gone).status, 0);
    }

    // Barcode first, then name with specification and manufacturer when given.
    void findDuplicate_data() {
        QTest::addColumn<QStringList>("typed"); // barcode, name, specification, manufacturer
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("nothing to compare") << QStringList{"", "", "", ""} << false;
        QTest::newRow("listed barcode, other name") << QStringList{"6901", "别的", "", ""} << true;
        QTest::newRow("unknown barcode, same drug")
            << QStringList{"0000", "阿莫西林胶囊", "0.25g*24粒", "华北制药"} << true;
        QTest::newRow("empty specification") << QStringList{"", "阿莫西林胶囊", "", "华北制药"} << true;
        QTest::newRow("other specification") << QStringList{"", "阿莫西林胶囊", "0.5g*12粒", ""} << false;
        QTest::newRow("other maker") << QStringList{"", "阿莫西林胶囊", "", "联邦制药"} << false;
        QTest::newRow("deleted drug") << QStringList{"6903", "停售药", "", ""} << false;
    }
    void findDuplicate() {
        QFETCH(QStringList, typed);
        QFETCH(bool, duplicate);
        TestDatabase t;
        ProductRepository repo(t.db());
        const int stored = repo.insert(makeProduct("阿莫西林胶囊", "6901", "0.25g*24粒", "华北制药"));
        repo.remove(repo.insert(makeProduct("停售药", "6903")));
        QCOMPARE(repo.findDuplicate(makeProduct(typed.at(1), typed.at(0), typed.at(2), typed.at(3))),
                 duplicate ? stored : -1);
    }

    void stockConditions_data() {
        QTest::addColumn<int>("quantity");
        QTest::addColumn<int>("expiresInDays");
        QTest::addColumn<bool>("drugDeleted");
        QTest::addColumn<bool>("listed");
        QTest::newRow("expires tomorrow") << 3 << 1 << false << true;
        QTest::newRow("expires today") << 3 << 0 << false << false;
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
        const int productId = repo.insert(makeProduct("复方丹参滴丸", "6901"));
        const int batchId = addBatch(t, productId, "P1", quantity, day(expiresInDays));
        if (drugDeleted)
            repo.remove(productId);
        const QList<int> expected = listed ? QList<int>{batchId} : QList<int>{};
        QCOMPARE(batchIds(repo.findAllBatchesWithProduct()), expected);
        QCOMPARE(batchIds(repo.searchBatchesWithProduct("丹参")), expected);
        QCOMPARE(batchIds(repo.findAllBatchesWithProductWithPurchaseOrder()), expected);
        QCOMPARE(batchIds(repo.searchBatchesWithProductWithPurchaseOrder("丹参")), expected);
        QCOMPARE(repo.findAllWithStock().size(), expected.size());
    }

    // Batch members come from the batch; purchase lines are matched by drug and batch number, one row each.
    void stockBatchRecords() {
        PinnedClock pin(kToday);
        TestDatabase t;
        ProductRepository repo(t.db());
        t.exec("INSERT INTO supplier (id, name, status) VALUES (7, '国药控股', 'suspended')");
        const int productId = repo.insert(makeProduct("感冒清热颗粒", "6902", "10g*10袋"));
        const int twice = addBatch(t, productId, "S1", 12, day(200), 7);
        const int never = addBatch(t, productId, "S2", 4, day(200), 99);
        for (int line = 1; line <= 3; ++line) {
            t.exec(
                "INSERT INTO purchase_order (id, order_no, supplier_id, status) VALUES (?, ?, 1, 'voided')",
                {line, QString("CG00%1").arg(line)});
            t.exec("INSERT INTO purchase_order_item (order_id, product_id, batch_no, production_date, "
                   "expiry_date, quantity, unit_price, amount) VALUES (?, ?, ?, '', '', 10, 18.8, 188)",
                   {line, line < 3 ? productId : productId + 1, line < 3 ? "S1" : "S2"});
        }

        const QList<Item> list = repo.findAllBatchesWithProduct();
        QCOMPARE(batchIds(list), (QList<int>{never, twice}));
        const models::InventoryBatch& b = list.at(1).batch;
        QCOMPARE((QStringList{QString::number(b.productId), QString::number(b.supplierId), b.batchNo,
                              b.productionDate, b.expiryDate, QString::number(b.quantity),
                              QString::number(b.unitCost), b.status, b.createdAt, b.updatedAt}),
                 (QStringList{QString::number(productId), "7", "S1", "2031-01-01", day(200), "12", "18.8",
                              "normal", "2031-01-02 09:00:00", "2031-02-03 10:00:00"}));
        QCOMPARE(list.at(1).supplierName + list.at(0).supplierName, QString("国药控股"));
        QCOMPARE(list.at(1).product.id, productId);
        QCOMPARE(list.at(1).product.specification, QString("10g*10袋"));
        QVERIFY(repo.searchBatchesWithProduct("6902").isEmpty()); // names only

        const QList<Item> withOrders = repo.findAllBatchesWithProductWithPurchaseOrder();
        QCOMPARE(batchIds(withOrders), (QList<int>{never, twice, twice}));
        QStringList orders;
        for (const Item& item : withOrders)
            orders << item.purchaseOrderNo;
        orders.sort();
        QCOMPARE(orders, (QStringList{"", "CG001", "CG002"}));
    }

    void soldLineReturns_data() {
        QTest::addColumn<QStringList>("sale"); // return status (empty: no return), return type, sale status
        QTest::addColumn<QString>("returnBatch");
        QTest::addColumn<int>("returnedQty");
        QTest::addColumn<int>("expectedReturned"); // -1: the line is not listed
        const QString done = "completed";
        QTest::newRow("no return") << QStringList{"", "", done} << "X9" << 0 << 0;
        QTest::newRow("completed sales return") << QStringList{done, "sales", done} << "X9" << 2 << 2;
        QTest::newRow("voided sales return") << QStringList{"voided", "sales", done} << "X9" << 2 << 0;
        QTest::newRow("purchase return") << QStringList{done, "purchase", done} << "X9" << 2 << 0;
        QTest::newRow("other batch number") << QStringList{done, "sales", done} << "X8" << 2 << 0;
        QTest::newRow("fully returned") << QStringList{done, "sales", done} << "X9" << 5 << -1;
        QTest::newRow("voided sale") << QStringList{"", "", "voided"} << "X9" << 0 << -1;
    }
    void soldLineReturns() {
        QFETCH(QStringList, sale);
        QFETCH(QString, returnBatch);
        QFETCH(int, returnedQty);
        QFETCH(int, expectedReturned);
        TestDatabase t;
        ProductRepository repo(t.db());
        const int productId = repo.insert(makeProduct("氨溴索口服液", "6906"));
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
            // Two lines, so the quantity is a sum.
            for (int qty : {returnedQty / 2, returnedQty - returnedQty / 2})
                t.exec("INSERT INTO return_order_item (return_id, product_id, batch_no, original_order_no, "
                       "quantity) VALUES (8, ?, ?, 'XS001', ?)",
                       {productId, returnBatch, qty});
        }

        const QList<Item> all = repo.findAllBatchesWithProductWithSalesOrder();
        QCOMPARE(repo.searchBatchesWithProductWithSalesOrder("溴索").size(), all.size());
        QVERIFY(repo.searchBatchesWithProductWithSalesOrder("6906").isEmpty());
        if (expectedReturned < 0) {
            QVERIFY(all.isEmpty());
            return;
        }
        QCOMPARE(all.size(), 1);
        const Item& item = all.first();
        QCOMPARE(
            (QList<int>{item.salesOrderItemId, item.soldQuantity, item.returnedQuantity,
                        item.remainingQuantity, item.batch.quantity, item.batch.id, item.batch.supplierId}),
            (QList<int>{40, 5, expectedReturned, 5 - expectedReturned, 5 - expectedReturned, batchId, -1}));
        QCOMPARE(item.batch.unitCost, 26.5);
        QCOMPARE(item.salesOrderNo + item.batch.status + item.product.name,
                 QString("XS001normal氨溴索口服液"));
    }
};

QTEST_GUILESS_MAIN(TestProductRepository)
#include "tst_productrepository.moc"

#include "repositories/productrepository.h"
#include "tests/masterdata/masterdatafixtures.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"

#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;
using kestrovalin::models::Product;
using kestrovalin::repositories::ProductRepository;

namespace {

QStringList names(const QList<Product>& list) {
    QStringList out;
    for (const Product& p : list)
        out << p.name;
    return out;
}

} // namespace

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
        QTest::newRow("empty spec") << QStringList{"", "阿莫西林胶囊", "", "华北制药"} << "阿莫西林胶囊";
        QTest::newRow("other spec") << QStringList{"", "阿莫西林胶囊", "0.5g*12粒", ""} << "";
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

    void inStockUsesTheLocalDate_data() {
        QTest::addColumn<int>("quantity");
        QTest::addColumn<int>("expiresInDays");
        QTest::addColumn<bool>("listed");
        QTest::newRow("expires tomorrow") << 5 << 1 << true;
        QTest::newRow("expires today") << 5 << 0 << false;
        QTest::newRow("none left") << 0 << 30 << false;
    }
    void inStockUsesTheLocalDate() {
        QFETCH(int, quantity);
        QFETCH(int, expiresInDays);
        QFETCH(bool, listed);
        PinnedClock pin(kToday, QTime(0, 30)); // in UTC+8 the UTC date is still yesterday
        TestDatabase t;
        ProductRepository repo(t.db());
        const int id = repo.insert(makeProduct("双黄连口服液"));
        addBatch(t, id, "A", quantity, day(expiresInDays));
        addBatch(t, id, "B", 0, day(90)); // a second batch must not list the drug twice
        const QStringList expected = listed ? QStringList{"双黄连口服液"} : QStringList{};
        QCOMPARE(names(repo.findAllWithStock()), expected);
        QCOMPARE(names(repo.searchByNameWithStock("黄连")), expected);
        addBatch(t, id, "C", 9, day(60));
        QCOMPARE(repo.findAllWithStock().size(), 1);
    }

    void withoutAdapterNothingHappens() {
        LogCapture log;
        ProductRepository repo(nullptr);
        QCOMPARE(repo.insert(makeProduct("x", "1")), -1);
        QVERIFY(!repo.update(makeProduct("x")) && !repo.remove(1));
        QCOMPARE(repo.findById(1).id + repo.searchByBarcode("1").id, -2);
        QCOMPARE(repo.findDuplicate(makeProduct("x", "1")) + repo.count(), -1);
        QVERIFY(repo.findAll().isEmpty() && repo.searchByName("x").isEmpty() && repo.search("x").isEmpty());
        QVERIFY(repo.findAllWithStock().isEmpty() && repo.searchByNameWithStock("x").isEmpty());
        QVERIFY(repo.findAllPrescription().isEmpty() && repo.searchByNamePrescription("x").isEmpty());
        QVERIFY(repo.findAllBatchesWithProduct().isEmpty() && repo.searchBatchesWithProduct("x").isEmpty());
        QVERIFY(repo.findAllBatchesWithProductWithPurchaseOrder().isEmpty() &&
                repo.searchBatchesWithProductWithPurchaseOrder("x").isEmpty());
        QVERIFY(repo.findAllBatchesWithProductWithSalesOrder().isEmpty() &&
                repo.searchBatchesWithProductWithSalesOrder("x").isEmpty());
        QVERIFY(log.entries().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestProductRepository)
#include "tst_productrepository.moc"

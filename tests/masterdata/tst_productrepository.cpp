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

namespace {

// Far from the machine's real date, so a query that used SQLite's own clock would give other answers.
const QDate kToday(2031, 5, 20);

Product makeProduct(const QString& name, const QString& barcode = QString(), const QString& spec = QString(),
                    const QString& maker = QString()) {
    Product p;
    p.name = name;
    p.barcode = barcode;
    p.specification = spec;
    p.manufacturer = maker;
    p.unit = QStringLiteral("盒");
    p.purchasePrice = 8.5;
    p.salePrice = 12.0;
    return p;
}

QList<int> ids(const QList<Product>& list) {
    QList<int> out;
    for (const Product& p : list)
        out << p.id;
    return out;
}

void addBatch(TestDatabase& t, int productId, int quantity, const QDate& expiry) {
    t.exec("INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES (?, ?, ?, ?)",
           {productId, QStringLiteral("B%1").arg(quantity), expiry.toString("yyyy-MM-dd"), quantity});
}

} // namespace

class TestProductRepository : public QObject {
    Q_OBJECT
private slots:
    void insertStoresListedDrugAndReadsBack() {
        TestDatabase t;
        ProductRepository repo(t.db());
        Product p = makeProduct(QStringLiteral("阿莫西林胶囊"), QStringLiteral("6901234567890"),
                                QStringLiteral("0.25g*24粒"), QStringLiteral("华北制药"));
        p.mnemonicCode = QStringLiteral("AMXL");
        p.approvalNo = QStringLiteral("国药准字H13023964");
        p.category = QStringLiteral("抗生素");
        p.storageCondition = QStringLiteral("阴凉");
        p.isPrescription = true;
        p.status = 0;
        p.id = 999;
        const int id = repo.insert(p);
        QVERIFY(id > 0);
        QVERIFY(id != 999);
        const Product back = repo.findById(id);
        QCOMPARE(back.id, id);
        QCOMPARE(back.status, 1);
        QCOMPARE(back.name, p.name);
        QCOMPARE(back.barcode, p.barcode);
        QCOMPARE(back.mnemonicCode, p.mnemonicCode);
        QCOMPARE(back.specification, p.specification);
        QCOMPARE(back.approvalNo, p.approvalNo);
        QCOMPARE(back.manufacturer, p.manufacturer);
        QCOMPARE(back.category, p.category);
        QCOMPARE(back.storageCondition, p.storageCondition);
        QCOMPARE(back.isPrescription, true);
        QCOMPARE(back.unit, p.unit);
        QCOMPARE(back.purchasePrice, 8.5);
        QCOMPARE(back.salePrice, 12.0);
        QCOMPARE(repo.searchByBarcode(p.barcode).id, id);
        QCOMPARE(repo.count(), 1);
    }

    void drugsWithoutBarcodeStoreNull() {
        TestDatabase t;
        ProductRepository repo(t.db());
        const int a = repo.insert(makeProduct(QStringLiteral("维生素C片")));
        const int b = repo.insert(makeProduct(QStringLiteral("维生素B1片"), QString("")));
        QVERIFY(a > 0);
        QVERIFY(b > 0);
        Product c = makeProduct(QStringLiteral("维生素E软胶囊"), QStringLiteral("690000"));
        c.id = repo.insert(c);
        c.barcode = QString("");
        QVERIFY(repo.update(c));
        QCOMPARE(t.count("product", "barcode IS NULL"), 3);
        QCOMPARE(repo.findById(c.id).barcode, QString());
        QCOMPARE(repo.findDuplicate(makeProduct(QStringLiteral("新药"), QString(""))), -1);
    }

    void deletedDrugKeepsItsBarcode() {
        TestDatabase t;
        ProductRepository repo(t.db());
        const int old = repo.insert(makeProduct(QStringLiteral("布洛芬缓释胶囊"), QStringLiteral("6900001")));
        QVERIFY(repo.remove(old));
        LogCapture log;
        QCOMPARE(repo.insert(makeProduct(QStringLiteral("布洛芬片"), QStringLiteral("6900001"))), -1);
        QCOMPARE(log.count(QtCriticalMsg, "Product insert failed:"), 1);
        QCOMPARE(repo.findDuplicate(makeProduct(QStringLiteral("布洛芬缓释胶囊"), QStringLiteral("6900001"))),
                 -1);
        QCOMPARE(repo.searchByBarcode(QStringLiteral("6900001")).id, -1);
    }

    void removeHidesFromEveryListButNotFromFindById() {
        PinnedClock pin(kToday);
        TestDatabase t;
        ProductRepository repo(t.db());
        Product rx = makeProduct(QStringLiteral("头孢克肟片"), QStringLiteral("111"));
        rx.isPrescription = true;
        const int kept = repo.insert(rx);
        rx.barcode = QStringLiteral("222");
        const int gone = repo.insert(rx);
        addBatch(t, kept, 10, kToday.addDays(100));
        addBatch(t, gone, 10, kToday.addDays(100));
        QCOMPARE(repo.count(), 2);

        QVERIFY(repo.remove(gone));
        const QString key = QStringLiteral("头孢");
        const QList<int> only{kept};
        QCOMPARE(ids(repo.findAll()), only);
        QCOMPARE(ids(repo.search(key)), only);
        QCOMPARE(ids(repo.searchByName(key)), only);
        QCOMPARE(ids(repo.findAllPrescription()), only);
        QCOMPARE(ids(repo.searchByNamePrescription(key)), only);
        QCOMPARE(ids(repo.findAllWithStock()), only);
        QCOMPARE(ids(repo.searchByNameWithStock(key)), only);
        QCOMPARE(repo.searchByBarcode(QStringLiteral("222")).id, -1);
        QCOMPARE(repo.count(), 1);
        const Product deleted = repo.findById(gone);
        QCOMPARE(deleted.id, gone);
        QCOMPARE(deleted.status, 0);
        QVERIFY(repo.remove(424242));
        QCOMPARE(repo.count(), 1);
    }

    void updateWritesTheRecordsOwnStatus() {
        TestDatabase t;
        ProductRepository repo(t.db());
        Product p = makeProduct(QStringLiteral("感冒灵颗粒"), QStringLiteral("333"));
        p.id = repo.insert(p);
        p.status = 0;
        QVERIFY(repo.update(p));
        QVERIFY(repo.findAll().isEmpty());
        p.status = 1;
        p.salePrice = 15.5;
        p.name = QStringLiteral("999感冒灵颗粒");
        QVERIFY(repo.update(p));
        const Product back = repo.findById(p.id);
        QCOMPARE(back.status, 1);
        QCOMPARE(back.salePrice, 15.5);
        QCOMPARE(back.name, p.name);
        QVERIFY(!back.updatedAt.isEmpty());
        QCOMPARE(ids(repo.findAll()), QList<int>{p.id});
        p.id = 5000;
        QVERIFY(repo.update(p)); // no such row: nothing written, still success
    }

    void failedWritesAreLogged() {
        TestDatabase t;
        ProductRepository repo(t.db());
        const int a = repo.insert(makeProduct(QStringLiteral("甲"), QStringLiteral("A1")));
        Product b = makeProduct(QStringLiteral("乙"), QStringLiteral("B1"));
        b.id = repo.insert(b);
        LogCapture log;
        b.barcode = QStringLiteral("A1");
        QVERIFY(!repo.update(b));
        QCOMPARE(log.count(QtCriticalMsg, "Product update failed"), 1);
        QCOMPARE(repo.findById(b.id).barcode, QStringLiteral("B1"));
        QVERIFY(a > 0);
        t.exec("DROP TABLE product");
        QVERIFY(!repo.remove(a));
        QCOMPARE(log.count(QtCriticalMsg, QStringLiteral("Product soft delete failed for id: %1").arg(a)), 1);
        QCOMPARE(repo.findById(a).id, -1);
        QVERIFY(repo.findAll().isEmpty());
        QCOMPARE(repo.count(), 0);
        QCOMPARE(repo.findDuplicate(makeProduct(QStringLiteral("甲"), QStringLiteral("A1"))), -1);
    }

    void findByIdOfMissingRowGivesDefault() {
        TestDatabase t;
        ProductRepository repo(t.db());
        const Product p = repo.findById(77);
        QCOMPARE(p.id, -1);
        QCOMPARE(p.status, 1);
        QVERIFY(p.name.isEmpty());
    }

    void keywordSearches_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("search");       // names found by search, newest first
        QTest::addColumn<QStringList>("searchByName"); // names found by searchByName

        const QStringList all{"Vitamin C", "复方甘草片", "阿莫西林"};
        QTest::newRow("empty keyword lists all") << "" << all << all;
        QTest::newRow("name") << "甘草" << QStringList{"复方甘草片"} << QStringList{"复方甘草片"};
        QTest::newRow("barcode only in search") << "6911" << QStringList{"阿莫西林"} << QStringList{};
        QTest::newRow("mnemonic only in search") << "FFGC" << QStringList{"复方甘草片"} << QStringList{};
        QTest::newRow("ascii ignores case")
            << "vitamin" << QStringList{"Vitamin C"} << QStringList{"Vitamin C"};
        QTest::newRow("underscore is one character")
            << "复方_草" << QStringList{"复方甘草片"} << QStringList{"复方甘草片"};
        QTest::newRow("keyword is not trimmed") << " 甘草" << QStringList{} << QStringList{};
    }

    void keywordSearches() {
        QFETCH(QString, keyword);
        QFETCH(QStringList, search);
        QFETCH(QStringList, searchByName);
        TestDatabase t;
        ProductRepository repo(t.db());
        repo.insert(makeProduct("阿莫西林", "69110001"));
        Product gc = makeProduct("复方甘草片", "69220002");
        gc.mnemonicCode = "FFGC";
        repo.insert(gc);
        repo.insert(makeProduct("Vitamin C", "69330003"));
        auto names = [](const QList<Product>& list) {
            QStringList out;
            for (const Product& p : list)
                out << p.name;
            return out;
        };
        QCOMPARE(names(repo.search(keyword)), search);
        QCOMPARE(names(repo.searchByName(keyword)), searchByName);
    }

    void prescriptionLists() {
        TestDatabase t;
        ProductRepository repo(t.db());
        Product rx = makeProduct("阿奇霉素片");
        rx.isPrescription = true;
        const int rxId = repo.insert(rx);
        repo.insert(makeProduct("阿司匹林肠溶片"));
        QCOMPARE(ids(repo.findAllPrescription()), QList<int>{rxId});
        QCOMPARE(ids(repo.searchByNamePrescription("阿")), QList<int>{rxId});
        QVERIFY(repo.searchByNamePrescription("司匹林").isEmpty());
    }

    void findDuplicate_data() {
        QTest::addColumn<QString>("barcode");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("spec");
        QTest::addColumn<QString>("maker");
        QTest::addColumn<QString>("expected"); // name of the stored drug reported, or empty for none

        QTest::newRow("nothing to compare") << ""
                                            << ""
                                            << ""
                                            << ""
                                            << "";
        QTest::newRow("listed barcode, other name") << "6901"
                                                    << "别的名字"
                                                    << ""
                                                    << ""
                                                    << "阿莫西林胶囊";
        QTest::newRow("unknown barcode, same name spec maker") << "0000"
                                                               << "阿莫西林胶囊"
                                                               << "0.25g*24粒"
                                                               << "华北制药"
                                                               << "阿莫西林胶囊";
        QTest::newRow("empty spec matches name and maker") << ""
                                                           << "阿莫西林胶囊"
                                                           << ""
                                                           << "华北制药"
                                                           << "阿莫西林胶囊";
        QTest::newRow("name alone") << ""
                                    << "阿莫西林胶囊"
                                    << ""
                                    << ""
                                    << "阿莫西林胶囊";
        QTest::newRow("other spec") << ""
                                    << "阿莫西林胶囊"
                                    << "0.5g*12粒"
                                    << ""
                                    << "";
        QTest::newRow("other maker") << ""
                                     << "阿莫西林胶囊"
                                     << ""
                                     << "联邦制药"
                                     << "";
        QTest::newRow("name is exact") << ""
                                       << "阿莫西林胶囊 "
                                       << ""
                                       << ""
                                       << "";
        QTest::newRow("ascii name is case-sensitive") << ""
                                                      << "aspirin"
                                                      << ""
                                                      << ""
                                                      << "";
        QTest::newRow("deleted drug by barcode") << "6903"
                                                 << ""
                                                 << ""
                                                 << ""
                                                 << "";
        QTest::newRow("deleted drug by name") << ""
                                              << "停售药"
                                              << ""
                                              << ""
                                              << "";
    }

    void findDuplicate() {
        QFETCH(QString, barcode);
        QFETCH(QString, name);
        QFETCH(QString, spec);
        QFETCH(QString, maker);
        QFETCH(QString, expected);
        TestDatabase t;
        ProductRepository repo(t.db());
        QMap<QString, int> stored;
        stored["阿莫西林胶囊"] = repo.insert(makeProduct("阿莫西林胶囊", "6901", "0.25g*24粒", "华北制药"));
        stored["Aspirin"] = repo.insert(makeProduct("Aspirin", "6902"));
        repo.remove(repo.insert(makeProduct("停售药", "6903")));
        QCOMPARE(repo.findDuplicate(makeProduct(name, barcode, spec, maker)), stored.value(expected, -1));
    }

    void inStockUsesTheLocalDate_data() {
        QTest::addColumn<int>("quantity");
        QTest::addColumn<int>("expiresInDays");
        QTest::addColumn<bool>("listed");
        QTest::newRow("expires tomorrow") << 5 << 1 << true;
        QTest::newRow("expires today") << 5 << 0 << false;
        QTest::newRow("expired yesterday") << 5 << -1 << false;
        QTest::newRow("none left") << 0 << 30 << false;
    }

    void inStockUsesTheLocalDate() {
        QFETCH(int, quantity);
        QFETCH(int, expiresInDays);
        QFETCH(bool, listed);
        // Just after local midnight in UTC+8 the UTC date is still yesterday.
        PinnedClock pin(kToday, QTime(0, 30));
        TestDatabase t;
        ProductRepository repo(t.db());
        const int id = repo.insert(makeProduct("双黄连口服液"));
        addBatch(t, id, quantity, kToday.addDays(expiresInDays));
        const QList<int> expected = listed ? QList<int>{id} : QList<int>{};
        QCOMPARE(ids(repo.findAllWithStock()), expected);
        QCOMPARE(ids(repo.searchByNameWithStock("黄连")), expected);
    }

    void inStockListsEachDrugOnce() {
        PinnedClock pin(kToday);
        TestDatabase t;
        ProductRepository repo(t.db());
        const int older = repo.insert(makeProduct("藿香正气水"));
        const int newer = repo.insert(makeProduct("藿香正气丸"));
        for (int i = 1; i <= 3; ++i)
            addBatch(t, older, i, kToday.addDays(10 * i));
        addBatch(t, newer, 4, kToday.addDays(5));
        QCOMPARE(ids(repo.findAllWithStock()), (QList<int>{newer, older}));
        QCOMPARE(ids(repo.searchByNameWithStock("水")), QList<int>{older});
    }

    void withoutAdapterNothingHappens() {
        LogCapture log;
        ProductRepository repo(nullptr);
        QCOMPARE(repo.insert(makeProduct("x", "1")), -1);
        QVERIFY(!repo.update(makeProduct("x")));
        QVERIFY(!repo.remove(1));
        QCOMPARE(repo.findById(1).id, -1);
        QCOMPARE(repo.searchByBarcode("1").id, -1);
        QVERIFY(repo.findAll().isEmpty());
        QVERIFY(repo.searchByName("x").isEmpty());
        QVERIFY(repo.search("x").isEmpty());
        QVERIFY(repo.findAllWithStock().isEmpty());
        QVERIFY(repo.searchByNameWithStock("x").isEmpty());
        QVERIFY(repo.findAllPrescription().isEmpty());
        QVERIFY(repo.searchByNamePrescription("x").isEmpty());
        QCOMPARE(repo.findDuplicate(makeProduct("x", "1")), -1);
        QCOMPARE(repo.count(), 0);
        QVERIFY(repo.findAllBatchesWithProduct().isEmpty());
        QVERIFY(repo.searchBatchesWithProduct("x").isEmpty());
        QVERIFY(repo.findAllBatchesWithProductWithPurchaseOrder().isEmpty());
        QVERIFY(repo.searchBatchesWithProductWithPurchaseOrder("x").isEmpty());
        QVERIFY(repo.findAllBatchesWithProductWithSalesOrder().isEmpty());
        QVERIFY(repo.searchBatchesWithProductWithSalesOrder("x").isEmpty());
        QVERIFY(log.entries().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestProductRepository)
#include "tst_productrepository.moc"

#include "repositories/inventoryrepository.h"
#include "tests/stock/stockfixture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

QString batchIds(const QList<InventoryItem>& items) {
    QStringList ids;
    for (const InventoryItem& item : items)
        ids << QString::number(item.batch.id);
    return ids.join(',');
}

QString productIds(const QList<InventoryItem>& items) {
    QStringList ids;
    for (const InventoryItem& item : items)
        ids << QString::number(item.product.id);
    return ids.join(',');
}

} // namespace

class TestInventoryRepository : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void batchListsSkipEmptyBatchesNewestFirst();
    void batchRowCarriesDrugAndSupplier();
    void batchWithoutKnownSupplierHasEmptyName();
    void search_data();
    void search();
    void expiringSoonIncludesExpiredAndTheBoundOnly();
    void outOfStockListsActiveDrugsWithNothingLeft();
    void outOfStockRowHasNoBatch();
    void updateBatchQuantityWritesOneBatch();
    void withoutDatabaseEverythingIsEmpty();

private:
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<PinnedClock> m_clock;
};

void TestInventoryRepository::init() {
    m_clock = std::make_unique<PinnedClock>(kStockToday, QTime(0, 30));
    m_db = std::make_unique<TestDatabase>();
    QVERIFY(m_db->isOpen());
    seedStock(*m_db);
}

void TestInventoryRepository::cleanup() {
    m_db.reset();
    m_clock.reset();
}

void TestInventoryRepository::batchListsSkipEmptyBatchesNewestFirst() {
    InventoryRepository repo(m_db->db());
    QCOMPARE(batchIds(repo.findAll()), QString("5,4,3,2,1"));
    QCOMPARE(batchIds(repo.search("")), QString("5,4,3,2,1"));
}

void TestInventoryRepository::batchRowCarriesDrugAndSupplier() {
    const QList<InventoryItem> items = InventoryRepository(m_db->db()).findAll();
    QCOMPARE(items.size(), 5);
    const InventoryItem& item = items.last();
    QCOMPARE(item.batch.id, 1);
    QCOMPARE(item.batch.productId, 1);
    QCOMPARE(item.batch.supplierId, 1);
    QCOMPARE(item.batch.batchNo, QString("A2301"));
    QCOMPARE(item.batch.productionDate, QString("2030-03-01"));
    QCOMPARE(item.batch.expiryDate, stockDay(400));
    QCOMPARE(item.batch.quantity, 50);
    QCOMPARE(item.batch.unitCost, 7.25);
    QCOMPARE(item.batch.status, QString());
    QCOMPARE(item.product.id, 1);
    QCOMPARE(item.product.barcode, QString("6921361200154"));
    QCOMPARE(item.product.name, QString("阿莫西林胶囊"));
    QCOMPARE(item.product.specification, QString("0.25g*24粒"));
    QCOMPARE(item.product.manufacturer, QString("华康制药股份有限公司"));
    QCOMPARE(item.product.category, QString("OTC甲类"));
    QCOMPARE(item.product.unit, QString("盒"));
    QCOMPARE(item.product.purchasePrice, 8.5);
    QCOMPARE(item.product.salePrice, 16.8);
    QCOMPARE(item.product.status, 1);
    QCOMPARE(item.supplierName, QString("上海康联医药有限公司"));
    // The deleted drug's batch is listed like any other.
    QCOMPARE(items.first().product.status, 0);
}

void TestInventoryRepository::batchWithoutKnownSupplierHasEmptyName() {
    const QList<InventoryItem> items = InventoryRepository(m_db->db()).findAll();
    QCOMPARE(items.at(2).batch.id, 3);
    QCOMPARE(items.at(2).supplierName, QString());
    QCOMPARE(items.at(3).batch.id, 2);
    QCOMPARE(items.at(3).batch.supplierId, 0);
    QCOMPARE(items.at(3).supplierName, QString());
}

void TestInventoryRepository::search_data() {
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("batches");
    QTest::newRow("drug name, inner part") << "洛芬缓释"
                                           << "4,3";
    QTest::newRow("barcode, inner part") << "13612001"
                                         << "2,1";
    QTest::newRow("batch number, other case") << "a230"
                                              << "2,1";
    QTest::newRow("deleted drug") << "硝苯地平"
                                  << "5";
    QTest::newRow("empty batches never") << "E55"
                                         << "";
    QTest::newRow("nothing") << "青霉素"
                             << "";
    QTest::newRow("untrimmed") << " A2301"
                               << "";
}

void TestInventoryRepository::search() {
    QFETCH(QString, keyword);
    QFETCH(QString, batches);
    QCOMPARE(batchIds(InventoryRepository(m_db->db()).search(keyword)), batches);
}

void TestInventoryRepository::expiringSoonIncludesExpiredAndTheBoundOnly() {
    InventoryRepository repo(m_db->db());
    QCOMPARE(batchIds(repo.findExpiringSoon(30)), QString("3,2"));
    QCOMPARE(batchIds(repo.findExpiringSoon(31)), QString("4,3,2"));
    QCOMPARE(batchIds(repo.findExpiringSoon(0)), QString("2"));
}

void TestInventoryRepository::outOfStockListsActiveDrugsWithNothingLeft() {
    QCOMPARE(productIds(InventoryRepository(m_db->db()).findOutOfStock()), QString("5,4"));
}

void TestInventoryRepository::outOfStockRowHasNoBatch() {
    const QList<InventoryItem> items = InventoryRepository(m_db->db()).findOutOfStock();
    QCOMPARE(items.size(), 2);
    const InventoryItem& item = items.first();
    QCOMPARE(item.product.id, 5);
    QCOMPARE(item.product.name, QString("复方甘草片"));
    QCOMPARE(item.product.barcode, QString("6940028300127"));
    QCOMPARE(item.product.salePrice, 16.8);
    QCOMPARE(item.product.status, 1);
    QCOMPARE(item.batch.productId, 5);
    QCOMPARE(item.batch.id, -1);
    QCOMPARE(item.batch.supplierId, -1);
    QCOMPARE(item.batch.quantity, 0);
    QCOMPARE(item.batch.unitCost, 0.0);
    QCOMPARE(item.batch.batchNo, QString());
    QCOMPARE(item.batch.productionDate, QString());
    QCOMPARE(item.batch.expiryDate, QString());
    QCOMPARE(item.supplierName, QString());
}

void TestInventoryRepository::updateBatchQuantityWritesOneBatch() {
    InventoryRepository repo(m_db->db());
    QVERIFY(repo.updateBatchQuantity(3, 12));
    QCOMPARE(m_db->scalar("SELECT quantity FROM inventory_batch WHERE id = 3").toInt(), 12);
    QCOMPARE(m_db->scalar("SELECT quantity FROM inventory_batch WHERE id = 4").toInt(), 8);
}

void TestInventoryRepository::withoutDatabaseEverythingIsEmpty() {
    // A null adapter means the manager's; with the manager closed there is none.
    m_db.reset();
    InventoryRepository repo(nullptr);
    QCOMPARE(repo.findAll().size(), 0);
    QCOMPARE(repo.search("A").size(), 0);
    QCOMPARE(repo.findExpiringSoon(30).size(), 0);
    QCOMPARE(repo.findOutOfStock().size(), 0);
    QCOMPARE(repo.updateBatchQuantity(1, 5), false);
}

QTEST_GUILESS_MAIN(TestInventoryRepository)
#include "tst_inventoryrepository.moc"

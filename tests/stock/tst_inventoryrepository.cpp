#include "repositories/inventoryrepository.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

// Far from the machine's real date: a query on SQLite's own (UTC) clock would give other answers.
const QDate kToday(2031, 5, 20);

QString day(int offsetFromToday) {
    return kToday.addDays(offsetFromToday).toString("yyyy-MM-dd");
}

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

// Drugs: 1 and 2 listed with stock, 3 deleted with stock, 4 listed without batch, 5 listed with batches at 0,
// 6 deleted without batch. Batch ids are the insertion order.
void TestInventoryRepository::init() {
    m_clock = std::make_unique<PinnedClock>(kToday, QTime(0, 30));
    m_db = std::make_unique<TestDatabase>();
    QVERIFY(m_db->isOpen());
    m_db->exec(
        "INSERT INTO supplier (id, name, license_no) VALUES (1, '上海康联医药有限公司', '沪AA0210235')");
    const char* drugs[][5] = {{"1", "6921361200154", "阿莫西林胶囊", "0.25g*24粒", "1"},
                              {"2", "6932140500213", "布洛芬缓释胶囊", "0.3g*20粒", "1"},
                              {"3", "6926104300187", "硝苯地平缓释片", "10mg*30片", "0"},
                              {"4", "6917230400345", "蒙脱石散", "3g*10袋", "1"},
                              {"5", "6940028300127", "复方甘草片", "100片", "1"},
                              {"6", "6935502900286", "藿香正气水", "10ml*10支", "0"}};
    for (const auto& d : drugs)
        m_db->exec("INSERT INTO product (id, barcode, name, specification, manufacturer, category, unit, "
                   "purchase_price, sale_price, status) VALUES (?, ?, ?, ?, '华康制药股份有限公司', "
                   "'OTC甲类', '盒', "
                   "8.5, 16.8, ?)",
                   {d[0], d[1], d[2], d[3], d[4]});
    auto batch = [this](int product, const QVariant& supplier, const QString& batchNo, int quantity,
                        const QString& expiry) {
        m_db->exec(
            "INSERT INTO inventory_batch (product_id, supplier_id, batch_no, production_date, expiry_date, "
            "quantity, unit_cost, status) VALUES (?, ?, ?, '2030-03-01', ?, ?, 7.25, 'normal')",
            {product, supplier, batchNo, expiry, quantity});
    };
    batch(1, 1, "A2301", 50, day(400));        // 1
    batch(1, 0, "A2302", 10, day(-365));       // 2 expired last year, supplier 0
    batch(2, QVariant(), "B7788", 5, day(30)); // 3 on the bound, no supplier
    batch(2, 1, "B7789", 8, day(31));          // 4 one day past the bound
    batch(3, 1, "C0012", 3, day(200));         // 5 deleted drug
    batch(5, 1, "E5501", 0, day(100));         // 6 empty
    batch(2, 1, "B6601", 0, day(-10));         // 7 empty and expired
    batch(5, 1, "E5502", 0, day(-40));         // 8 empty and expired
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
    QCOMPARE(item.batch.expiryDate, day(400));
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

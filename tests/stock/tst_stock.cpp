#include "repositories/inventoryrepository.h"
#include "tests/support/datarows.h"
#include "tests/support/farday.h"
#include "tests/support/modeltexts.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"
#include "ui/purchasing/inventorywindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

// Batch ids, or with byDrug the drug ids, in list order.
QString ids(const QList<InventoryItem>& items, bool byDrug = false) {
    QStringList out;
    for (const InventoryItem& i : items)
        out << QString::number(byDrug ? i.product.id : i.batch.id);
    return out.join(',');
}

// Every member the repository fills, joined, for one comparison that shows each difference.
QString describe(const InventoryItem& i) {
    const models::InventoryBatch& b = i.batch;
    const models::Product& p = i.product;
    return row(b.id, b.productId, b.supplierId, b.batchNo, b.productionDate, b.expiryDate, b.quantity,
               b.unitCost, b.status, p.id, p.barcode, p.name, p.specification, p.manufacturer, p.category,
               p.unit, p.purchasePrice, p.salePrice, p.status, i.supplierName);
}

} // namespace

class TestStock : public QObject {
    Q_OBJECT

private slots:
    // Drugs: 1 and 2 listed with stock, 3 deleted with stock, 4 listed without batch, 5 listed with batches
    // at 0, 6 deleted without batch. Batches, in id order: 1 drug 1 (50, in 400 days), 2 drug 1 with supplier
    // 0 (10, expired a year ago), 3 drug 2 without supplier (5, in 30 days), 4 drug 2 (8, in 31 days), 5 drug
    // 3 (3), then three empty ones, two of them expired.
    void init() {
        m_clock = std::make_unique<PinnedClock>(kToday, QTime(0, 30));
        m_db = std::make_unique<TestDatabase>();
        QVERIFY(m_db->isOpen());
        m_db->exec("INSERT INTO supplier (id, name) VALUES (1, '上海康联医药有限公司')");
        m_db->exec(
            "INSERT INTO product (id, barcode, name, specification, manufacturer, category, unit, "
            "purchase_price, sale_price, status) VALUES "
            "(1, '6921361200154', '阿莫西林胶囊', '0.25g*24粒', '华康制药', 'OTC甲类', '盒', 8.5, 16.8, 1), "
            "(2, '6932140500213', '布洛芬缓释胶囊', '0.3g*20粒', '华康制药', 'OTC乙类', '盒', 15, 29, 1), "
            "(3, '6926104300187', '硝苯地平缓释片', '10mg*30片', '京华药业', '处方药', '盒', 9, 19.8, 0), "
            "(4, '6917230400345', '蒙脱石散', '3g*10袋', '博安制药', 'OTC甲类', '盒', 12, 22, 1), "
            "(5, '6940028300127', '复方甘草片', '100片', '京华药业', 'OTC甲类', '瓶', 5.5, 9.8, 1), "
            "(6, '6935502900286', '藿香正气水', '10ml*10支', '蜀中药业', 'OTC甲类', '盒', 6.8, 13.5, 0)");
        const QVariantList batches[] = {{1, 1, "A2301", 50, 400},        {1, 0, "A2302", 10, -365},
                                        {2, QVariant(), "B7788", 5, 30}, {2, 1, "B7789", 8, 31},
                                        {3, 1, "C0012", 3, 200},         {5, 1, "E5501", 0, 100},
                                        {2, 1, "B6601", 0, -10},         {5, 1, "E5502", 0, -40}};
        for (const QVariantList& b : batches)
            m_db->exec("INSERT INTO inventory_batch (product_id, supplier_id, batch_no, production_date, "
                       "expiry_date, quantity, unit_cost, status) VALUES (?, ?, ?, '2030-03-01', ?, ?, 7.25, "
                       "'normal')",
                       {b[0], b[1], b[2], day(b[4].toInt()), b[3]});
        m_window = std::make_unique<InventoryWindow>();
    }

    void cleanup() {
        m_window.reset();
        m_db.reset();
        m_clock.reset();
    }

    void batchListsNewestFirstWithTheirDrugAndSupplier() {
        const QList<InventoryItem> items = InventoryRepository(m_db->db()).findAll();
        QCOMPARE(ids(items), QString("5,4,3,2,1"));
        QCOMPARE(describe(items.at(4)),
                 "1|1|1|A2301|2030-03-01|" + day(400) +
                     "|50|7.25||1|6921361200154|阿莫西林胶囊|0.25g*24粒|华康制药|OTC甲类|盒|8.5|"
                     "16.8|1|上海康联医药有限公司");
        // A deleted drug's batch is listed; a batch without a known supplier (none, or 0) has no supplier
        // name.
        QCOMPARE(describe(items.at(0)).section('|', 18), QString("0|上海康联医药有限公司"));
        QCOMPARE(describe(items.at(2)).section('|', 19), QString());
        QCOMPARE(describe(items.at(3)).section('|', 19), QString());
    }

    void search_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("batches");
        addRow("drug name, inner part", "洛芬缓释", "4,3");
        addRow("barcode, inner part", "13612001", "2,1");
        addRow("batch number, other case", "a230", "2,1");
        addRow("empty batches never", "E55", "");
    }

    void search() {
        QFETCH(QString, keyword);
        QFETCH(QString, batches);
        QCOMPARE(ids(InventoryRepository(m_db->db()).search(keyword)), batches);
    }

    void expiringSoonIncludesExpiredBatchesUpToTheBound() {
        InventoryRepository repo(m_db->db());
        QCOMPARE(ids(repo.findExpiringSoon(30)), QString("3,2"));
        QCOMPARE(ids(repo.findExpiringSoon(31)), QString("4,3,2"));
    }

    void outOfStockListsListedDrugsWithNothingLeft() {
        const QList<InventoryItem> items = InventoryRepository(m_db->db()).findOutOfStock();
        QCOMPARE(ids(items, true), QString("5,4"));
        QCOMPARE(describe(items.at(0)),
                 QString("-1|5|-1||||0|0||5|6940028300127|复方甘草片|100片|京华药业|OTC甲类|瓶|5.5|9.8|1|"));
    }

    void updateBatchQuantityWritesOneBatch() {
        QVERIFY(InventoryRepository(m_db->db()).updateBatchQuantity(3, 12));
        QCOMPARE(
            m_db->scalar("SELECT group_concat(quantity) FROM inventory_batch WHERE id IN (3, 4)").toString(),
            QString("12,8"));
    }

    void windowOpensOnEveryBatchInStock() {
        QCOMPARE(m_window->windowTitle(), QString("库存查询"));
        QCOMPARE(countText(), QString("共 5 条记录"));
        QStringList headers;
        for (int c = 0; c < model()->columnCount(); ++c)
            headers << model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers.join('|'),
                 QString("商品名称|条码|批号|规格|生产日期|有效期至|库存数量|单位|采购价|销售价|供应商"));
        // The purchase price is the batch's cost, the sale price the drug's.
        QCOMPARE(texts(model(), 4), "阿莫西林胶囊|6921361200154|A2301|0.25g*24粒|2030-03-01|" + day(400) +
                                        "|50|盒|7.25|16.80|上海康联医药有限公司");
    }

    void filterButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("names");
        addRow("all", "btnShowAll", "共 5 条记录",
               "硝苯地平缓释片|布洛芬缓释胶囊|布洛芬缓释胶囊|阿莫西林胶囊|阿莫西林胶囊");
        addRow("expiring, expired included", "btnShowExpiring", "共 2 条记录", "布洛芬缓释胶囊|阿莫西林胶囊");
        addRow("out of stock", "btnShowOutOfStock", "共 2 条记录", "复方甘草片|蒙脱石散");
    }

    void filterButtons() {
        QFETCH(QString, button);
        QFETCH(QString, count);
        QFETCH(QString, names);
        // Start from another list, so each button shows its own.
        click(button == "btnShowAll" ? "btnShowOutOfStock" : "btnShowAll");
        click(button);
        QCOMPARE(countText(), count);
        QCOMPARE(texts(model(), -1, 0), names);
    }

    void searchField_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("pressReturn");
        QTest::addColumn<QString>("batches");
        addRow("name, padded", "  布洛芬 ", false, "B7789|B7788");
        addRow("batch number, Return", "a2302", true, "A2302");
        addRow("blanks only", "   ", false, "C0012|B7789|B7788|A2302|A2301");
    }

    void searchField() {
        QFETCH(QString, typed);
        QFETCH(bool, pressReturn);
        QFETCH(QString, batches);
        field()->setText(typed);
        pressReturn ? QTest::keyClick(field(), Qt::Key_Return) : click("btnSearch");
        QCOMPARE(texts(model(), -1, 2), batches);
        QCOMPARE(countText(), QString("共 %1 条记录").arg(batches.isEmpty() ? 0 : batches.count('|') + 1));
    }

    void refreshEmptiesTheFieldShowAllKeepsIt() {
        field()->setText("布洛芬");
        click("btnSearch");
        click("btnShowAll");
        QCOMPARE(field()->text(), QString("布洛芬"));
        QCOMPARE(countText(), QString("共 5 条记录"));
        click("btnSearch");
        click("btnRefresh");
        QCOMPARE(field()->text(), QString());
        QCOMPARE(countText(), QString("共 5 条记录"));
    }

    void outOfStockRowsAreRed() {
        click("btnShowOutOfStock");
        QCOMPARE(texts(model(), 0), QString("复方甘草片|6940028300127||100片|||0|瓶|0.00|9.80|"));
        for (int row = 0; row < model()->rowCount(); ++row)
            for (int column = 0; column < model()->columnCount(); ++column)
                QCOMPARE(colourOf(model()->index(row, column), Qt::BackgroundRole), QColor(Qt::red));
    }

private:
    QAbstractItemModel* model() const { return m_window->findChild<QTableView*>("tableInventory")->model(); }
    QString countText() const { return m_window->findChild<QLabel*>("labelCount")->text(); }
    QLineEdit* field() const { return m_window->findChild<QLineEdit*>("editSearch"); }
    void click(const QString& button) { m_window->findChild<QPushButton*>(button)->click(); }

    std::unique_ptr<PinnedClock> m_clock;
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<InventoryWindow> m_window;
};

KV_TEST_CLASS(TestStock)
#include "tst_stock.moc"

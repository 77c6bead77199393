#include "tests/stock/stockfixture.h"
#include "tests/support/modeltexts.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/purchasing/inventorywindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

QAbstractItemModel* modelOf(const QWidget* window) {
    return window->findChild<QTableView*>("tableInventory")->model();
}

QString countText(const QWidget* window) {
    return window->findChild<QLabel*>("labelCount")->text();
}

QLineEdit* searchField(const QWidget* window) {
    return window->findChild<QLineEdit*>("editSearch");
}

void click(QWidget* window, const QString& button) {
    window->findChild<QPushButton*>(button)->click();
}

} // namespace

class TestInventoryWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensOnEveryBatchInStock();
    void filterButtons_data();
    void filterButtons();
    void searchTrimsAndEmptyShowsAll_data();
    void searchTrimsAndEmptyShowsAll();
    void returnInTheFieldSearches();
    void refreshEmptiesTheFieldShowAllKeepsIt();
    void outOfStockRowsAreRedAndHaveNoBatch();
    void batchRowsKeepTheTableColours();
    void refreshAndFilterButtonsTakeTheirOwnRules();

private:
    std::unique_ptr<PinnedClock> m_clock;
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<InventoryWindow> m_window;
};

void TestInventoryWindow::init() {
    m_clock = std::make_unique<PinnedClock>(kStockToday);
    m_db = std::make_unique<TestDatabase>();
    QVERIFY(m_db->isOpen());
    seedStock(*m_db);
    m_window = std::make_unique<InventoryWindow>();
}

void TestInventoryWindow::cleanup() {
    m_window.reset();
    m_db.reset();
    m_clock.reset();
}

void TestInventoryWindow::opensOnEveryBatchInStock() {
    const QAbstractItemModel* model = modelOf(m_window.get());
    QCOMPARE(m_window->windowTitle(), QString("库存查询"));
    QCOMPARE(countText(m_window.get()), QString("共 5 条记录"));
    QStringList headers;
    for (int c = 0; c < model->columnCount(); ++c)
        headers << model->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers.join('|'),
             QString("商品名称|条码|批号|规格|生产日期|有效期至|库存数量|单位|采购价|销售价|供应商"));
    // Newest batch first; the purchase price is the batch's cost, the sale price the drug's.
    QCOMPARE(texts(model, 4), "阿莫西林胶囊|6921361200154|A2301|0.25g*24粒|2030-03-01|" + stockDay(400) +
                                  "|50|盒|7.25|16.80|上海康联医药有限公司");
    QCOMPARE(texts(model, -1, 2), QString("C0012|B7789|B7788|A2302|A2301"));
}

void TestInventoryWindow::filterButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("names");
    QTest::newRow("all") << "btnShowAll"
                         << "共 5 条记录"
                         << "硝苯地平缓释片|布洛芬缓释胶囊|布洛芬缓释胶囊|阿莫西林胶囊|阿莫西林胶囊";
    QTest::newRow("expiring, expired included") << "btnShowExpiring"
                                                << "共 2 条记录"
                                                << "布洛芬缓释胶囊|阿莫西林胶囊";
    QTest::newRow("out of stock") << "btnShowOutOfStock"
                                  << "共 2 条记录"
                                  << "复方甘草片|蒙脱石散";
}

void TestInventoryWindow::filterButtons() {
    QFETCH(QString, button);
    QFETCH(QString, count);
    QFETCH(QString, names);
    // Start from another list, so each button shows its own.
    click(m_window.get(), button == "btnShowAll" ? "btnShowOutOfStock" : "btnShowAll");
    click(m_window.get(), button);
    QCOMPARE(countText(m_window.get()), count);
    QCOMPARE(texts(modelOf(m_window.get()), -1, 0), names);
}

void TestInventoryWindow::searchTrimsAndEmptyShowsAll_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("batches");
    QTest::addColumn<QString>("count");
    QTest::newRow("name, padded") << "  布洛芬 "
                                  << "B7789|B7788"
                                  << "共 2 条记录";
    QTest::newRow("batch number") << "a2302"
                                  << "A2302"
                                  << "共 1 条记录";
    QTest::newRow("blanks only") << "   "
                                 << "C0012|B7789|B7788|A2302|A2301"
                                 << "共 5 条记录";
    QTest::newRow("no match") << "青霉素"
                              << ""
                              << "共 0 条记录";
}

void TestInventoryWindow::searchTrimsAndEmptyShowsAll() {
    QFETCH(QString, typed);
    QFETCH(QString, batches);
    QFETCH(QString, count);
    searchField(m_window.get())->setText(typed);
    click(m_window.get(), "btnSearch");
    QCOMPARE(texts(modelOf(m_window.get()), -1, 2), batches);
    QCOMPARE(countText(m_window.get()), count);
}

void TestInventoryWindow::returnInTheFieldSearches() {
    searchField(m_window.get())->setText("硝苯");
    QTest::keyClick(searchField(m_window.get()), Qt::Key_Return);
    QCOMPARE(texts(modelOf(m_window.get()), -1, 2), QString("C0012"));
}

void TestInventoryWindow::refreshEmptiesTheFieldShowAllKeepsIt() {
    searchField(m_window.get())->setText("布洛芬");
    click(m_window.get(), "btnSearch");
    click(m_window.get(), "btnShowAll");
    QCOMPARE(searchField(m_window.get())->text(), QString("布洛芬"));
    QCOMPARE(countText(m_window.get()), QString("共 5 条记录"));

    click(m_window.get(), "btnSearch");
    click(m_window.get(), "btnRefresh");
    QCOMPARE(searchField(m_window.get())->text(), QString());
    QCOMPARE(countText(m_window.get()), QString("共 5 条记录"));
}

void TestInventoryWindow::outOfStockRowsAreRedAndHaveNoBatch() {
    click(m_window.get(), "btnShowOutOfStock");
    const QAbstractItemModel* model = modelOf(m_window.get());
    QCOMPARE(texts(model, 0), QString("复方甘草片|6940028300127||100片|||0|盒|0.00|16.80|"));
    for (int row = 0; row < model->rowCount(); ++row)
        for (int column = 0; column < model->columnCount(); ++column)
            QCOMPARE(model->index(row, column).data(Qt::BackgroundRole).value<QBrush>().color(),
                     QColor(Qt::red));
}

void TestInventoryWindow::batchRowsKeepTheTableColours() {
    click(m_window.get(), "btnShowExpiring");
    const QAbstractItemModel* model = modelOf(m_window.get());
    QCOMPARE(model->rowCount(), 2);
    for (int column = 0; column < model->columnCount(); ++column)
        QCOMPARE(model->index(1, column).data(Qt::BackgroundRole), QVariant());
}

void TestInventoryWindow::refreshAndFilterButtonsTakeTheirOwnRules() {
    const QString sheet = m_window->styleSheet();
    QVERIFY(sheet.contains("QPushButton#btnSearch { background-color: #2c5f2d;"));
    QVERIFY(sheet.contains("QPushButton#btnRefresh { background-color: #f5f5f5;"));
    QVERIFY(sheet.contains("QPushButton#btnRefresh:hover { background-color: #e8e8e8; }"));
    QVERIFY(sheet.contains("QPushButton#btnShowAll, QPushButton#btnShowExpiring, "
                           "QPushButton#btnShowOutOfStock { background-color: #f5f5f5;"));
    QVERIFY(sheet.contains("QPushButton#btnShowAll:hover, QPushButton#btnShowExpiring:hover, "
                           "QPushButton#btnShowOutOfStock:hover { background-color: #e8e8e8; }"));
}

QTEST_MAIN(TestInventoryWindow)
#include "tst_inventorywindow.moc"

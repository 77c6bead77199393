#include "tests/support/modeltexts.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/purchasing/expirywarningwindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

// Far from the machine's real date: a bound on SQLite's own (UTC) clock would give other rows.
const QDate kToday(2031, 5, 20);

QAbstractItemModel* modelOf(const QWidget* window) {
    return window->findChild<QTableView*>("tableView")->model();
}

QString totalText(const QWidget* window) {
    return window->findChild<QLabel*>("labelTotal")->text();
}

// Types into the five filter fields (supplier, drug, barcode, mnemonic, batch) and presses "搜索".
void searchWith(QWidget* window, const QStringList& filters) {
    const char* fields[] = {"txtSupplierName", "txtProductName", "txtBarcode", "txtMnemonic", "txtBatchNo"};
    for (int i = 0; i < 5; ++i)
        window->findChild<QLineEdit*>(fields[i])->setText(filters.value(i));
    window->findChild<QPushButton*>("btnSearch")->click();
}

} // namespace

class TestExpiryWarningWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listsTheNext180DaysNewestFirst();
    void rowShowsTheBatchWithPlainDays();
    void remainingDaysColours_data();
    void remainingDaysColours();
    void filters_data();
    void filters();
    void returnInAFilterDoesNotSearch();
    void ownStyleSheetAndFiltersKeptLeft();

private:
    std::unique_ptr<PinnedClock> m_clock;
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<ExpiryWarningWindow> m_window;
};

// Batch n expires on the day of its offset: today (not listed), 30, 31, 90, 91, 180 and 181 (not listed).
// Batch 4 is empty, batch 5 non-conforming: neither is listed.
void TestExpiryWarningWindow::init() {
    m_clock = std::make_unique<PinnedClock>(kToday, QTime(1, 15));
    m_db = std::make_unique<TestDatabase>();
    QVERIFY(m_db->isOpen());
    m_db->exec(
        "INSERT INTO supplier (id, name, license_no) VALUES (1, '上海康联医药有限公司', '沪AA0210235'), "
        "(2, '江苏恒泰医药有限公司', '苏AA2500418')");
    m_db->exec(
        "INSERT INTO product (id, barcode, name, mnemonic_code, specification, manufacturer, status) VALUES "
        "(1, '6921361200154', '阿莫西林胶囊', 'AMXLJN', '0.25g*24粒', '华康制药股份有限公司', 1), "
        "(2, '6902115300209', '板蓝根颗粒', 'BLGKL', '10g*20袋', '岭南中药制药有限公司', 0)");
    const struct {
        int product, supplier, days, quantity;
        const char* batchNo;
        const char* status;
    } batches[] = {
        {1, 1, 0, 5, "A0", "normal"},   {1, 1, 30, 6, "A30", "normal"},   {2, 2, 31, 7, "B31", "normal"},
        {1, 1, 60, 0, "A60", "normal"}, {2, 2, 60, 9, "B60", "expired"},  {1, 2, 90, 8, "A90", "normal"},
        {2, 1, 91, 4, "B91", "normal"}, {1, 1, 180, 3, "A180", "normal"}, {2, 2, 181, 2, "B181", "normal"}};
    for (const auto& b : batches)
        m_db->exec(
            "INSERT INTO inventory_batch (product_id, supplier_id, batch_no, production_date, expiry_date, "
            "quantity, status) VALUES (?, ?, ?, '2030-01-15', ?, ?, ?)",
            {b.product, b.supplier, b.batchNo, dayText(kToday, b.days), b.quantity, b.status});
    m_window = std::make_unique<ExpiryWarningWindow>();
}

void TestExpiryWarningWindow::cleanup() {
    m_window.reset();
    m_db.reset();
    m_clock.reset();
}

void TestExpiryWarningWindow::listsTheNext180DaysNewestFirst() {
    QCOMPARE(m_window->windowTitle(), QString("近效期药品预警"));
    QCOMPARE(texts(modelOf(m_window.get()), -1, 4), QString("A180|B91|A90|B31|A30"));
    QCOMPARE(totalText(m_window.get()), QString("共 5 条近效期药品预警"));
}

void TestExpiryWarningWindow::rowShowsTheBatchWithPlainDays() {
    const QAbstractItemModel* model = modelOf(m_window.get());
    QStringList headers;
    for (int c = 0; c < model->columnCount(); ++c)
        headers << model->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers.join('|'),
             QString("商品名称|条码|规格|生产厂商|批号|生产日期|有效期至|剩余天数|库存数量|供应商"));
    // A deleted drug's batch is listed like any other.
    QCOMPARE(texts(model, 3), QString("板蓝根颗粒|6902115300209|10g*20袋|岭南中药制药有限公司|B31|2030-01-15|"
                                      "2031-06-20|31|7|江苏恒泰医药有限公司"));
    QCOMPARE(model->index(3, 7).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
}

void TestExpiryWarningWindow::remainingDaysColours_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("days");
    QTest::addColumn<QColor>("foreground");
    QTest::addColumn<QColor>("background");
    QTest::newRow("30 days") << 4 << "30" << QColor(Qt::white) << QColor(Qt::darkRed);
    QTest::newRow("31 days") << 3 << "31" << QColor(Qt::white) << QColor(Qt::darkYellow);
    QTest::newRow("90 days") << 2 << "90" << QColor(Qt::white) << QColor(Qt::darkYellow);
    QTest::newRow("91 days") << 1 << "91" << QColor() << QColor();
}

void TestExpiryWarningWindow::remainingDaysColours() {
    QFETCH(int, row);
    QFETCH(QString, days);
    QFETCH(QColor, foreground);
    QFETCH(QColor, background);
    const QAbstractItemModel* model = modelOf(m_window.get());
    const QModelIndex cell = model->index(row, 7);
    QCOMPARE(cell.data().toString(), days);
    QCOMPARE(colourOf(cell, Qt::ForegroundRole), foreground);
    QCOMPARE(colourOf(cell, Qt::BackgroundRole), background);
    // Only the days cell is coloured.
    QCOMPARE(model->index(row, 6).data(Qt::BackgroundRole), QVariant());
}

void TestExpiryWarningWindow::filters_data() {
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QString>("batches");
    QTest::newRow("blanks only are no filter")
        << QStringList{" ", "  ", "\t", " ", "   "} << "A180|B91|A90|B31|A30";
    QTest::newRow("supplier, trimmed") << QStringList{" 恒泰 "} << "A90|B31";
    QTest::newRow("drug name") << QStringList{"", "板蓝根"} << "B91|B31";
    QTest::newRow("barcode") << QStringList{"", "", "13612001"} << "A180|A90|A30";
    QTest::newRow("mnemonic in lower case") << QStringList{"", "", "", "blg"} << "B91|B31";
    QTest::newRow("batch number") << QStringList{"", "", "", "", "A1"} << "A180";
    QTest::newRow("all must match") << QStringList{"康联", "阿莫西林", "", "", "A"} << "A180|A30";
    QTest::newRow("nothing") << QStringList{"", "青霉素"} << "";
}

void TestExpiryWarningWindow::filters() {
    QFETCH(QStringList, filters);
    QFETCH(QString, batches);
    searchWith(m_window.get(), filters);
    QCOMPARE(texts(modelOf(m_window.get()), -1, 4), batches);
    const int rows = batches.isEmpty() ? 0 : batches.count('|') + 1;
    QCOMPARE(totalText(m_window.get()), QString("共 %1 条近效期药品预警").arg(rows));
}

void TestExpiryWarningWindow::returnInAFilterDoesNotSearch() {
    auto* field = m_window->findChild<QLineEdit*>("txtProductName");
    field->setText("板蓝根");
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(modelOf(m_window.get())->rowCount(), 5);
}

void TestExpiryWarningWindow::ownStyleSheetAndFiltersKeptLeft() {
    const QString sheet = m_window->styleSheet();
    QVERIFY(sheet.contains(
        "QPushButton#btnSearch { background: #2c5f2d; color: white; border-color: #1e4a1f; }"));
    QVERIFY(sheet.contains("QPushButton#btnSearch:hover { background: #1e4a1f; }"));
    QVERIFY(sheet.contains("QTableView { border: 1px solid #ddd; gridline-color: #e0e0e0; "
                           "alternate-background-color: #f5f9f5; }"));
    QVERIFY(!sheet.contains("btnQuery"));
    auto* grid = m_window->findChild<QGridLayout*>("gridLayout");
    QCOMPARE(grid->columnCount(), 7);
    QCOMPARE(grid->columnStretch(6), 1);
}

QTEST_MAIN(TestExpiryWarningWindow)
#include "tst_expirywarningwindow.moc"

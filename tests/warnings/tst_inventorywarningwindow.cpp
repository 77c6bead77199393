#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "tests/support/modeltexts.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/main/mainwindow.h"
#include "ui/purchasing/inventorywarningwindow.h"

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

// Far from the machine's real date: days counted on SQLite's own (UTC) clock would differ.
const QDate kToday(2031, 5, 20);

QString day(int offset) {
    return dayText(kToday, offset);
}

const QColor kRed(Qt::red);
const QColor kOrange(255, 165, 0);
const QColor kYellow(255, 200, 0);

} // namespace

class TestInventoryWarningWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void storedDates_data();
    void storedDates();
    void warningLevel_data();
    void warningLevel();
    void expiryTabGradesFromTheLocalDate_data();
    void expiryTabGradesFromTheLocalDate();
    void expiryTabFollowsTheConfiguredDays();
    void stockTabListsDrugsBelowTen();
    void supplierTabReadsOnlyTheDrugTradingLicence_data();
    void supplierTabReadsOnlyTheDrugTradingLicence();
    void everyTabSwitchReloads();
    void withoutDatabaseTheStockTabStaysAsItWas();
    void keepsItsOwnSizeAndLook();
    void theMainWindowSlotOpensIt();
    void exportWritesTheShownTabAndLogsIt();
    void exportGuardsFormulaCells();
    void exportFailuresAreReportedAndNotLogged_data();
    void exportFailuresAreReportedAndNotLogged();

private:
    QAbstractItemModel* table(const char* name) const {
        return m_window->findChild<QTableView*>(name)->model();
    }
    QString countText() const { return m_window->findChild<QLabel*>("labelCount")->text(); }
    void showTab(int index) { m_window->findChild<QTabWidget*>("tabWidget")->setCurrentIndex(index); }
    int exportLogRows(const QString& detail) {
        return m_db->count("sys_operation_log",
                           "module = '库存管理' AND action = '导出预警报表' AND detail = ?", {detail});
    }
    QString exportTab(int index);

    std::unique_ptr<PinnedClock> m_clock;
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<InventoryWarningWindow> m_window;
    QTemporaryDir m_dir;
};

// Drug 1 carries the expiry rows: batches at -3, 0, 20, 21, 40, 41, 60, 61, 180 and 181 days, and an empty
// one. Drug 2 (a quote in its name) has no batch, drug 3 two batches making exactly 10, drug 4 one batch of 4
// and one expired of 5 (on the expiry tab as batch 13), drug 5 is deleted without batch.
// Suppliers 1-8 hold drug trading licences at -1, 3, 4, 6, 7, 10, 11, 30 days; 9 at 31 days, 10 none but an
// expired GSP certificate, 11 an unreadable date, 12 is suspended with an expired licence.
void TestInventoryWarningWindow::init() {
    Prompts::setTestMode(true);
    Prompts::reset();
    m_clock = std::make_unique<PinnedClock>(kToday, QTime(0, 20));
    m_db = std::make_unique<TestDatabase>();
    QVERIFY(m_db->isOpen());
    m_db->exec("INSERT INTO product (id, barcode, name, specification, manufacturer, status) VALUES "
               "(1, '6921361200154', '阿莫西林胶囊', '0.25g*24粒', '华康制药股份有限公司', 1), "
               "(2, '6951708200362', '维生素\"C\"泡腾片', '1g*10片', '华康制药股份有限公司', 1), "
               "(3, '6932140500213', '布洛芬缓释胶囊', '0.3g*20粒', '天平药业有限公司', 1), "
               "(4, '6917230400345', '蒙脱石散', '3g*10袋', '博安制药有限公司', 1), "
               "(5, '6926104300187', '硝苯地平缓释片', '10mg*30片', '京华双鹿药业有限公司', 0)");
    auto batch = [this](int product, int days, int quantity, const char* status = "normal") {
        m_db->exec("INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity, status) "
                   "VALUES (?, ?, ?, ?, ?)",
                   {product, QString("P%1D%2").arg(product).arg(days), day(days), quantity, status});
    };
    for (int days : {-3, 0, 20, 21, 40, 41, 60, 61, 180, 181})
        batch(1, days, 12);
    batch(1, 10, 0);
    batch(3, 400, 6);
    batch(3, 500, 4);
    batch(4, 400, 4);
    batch(4, -30, 5, "expired");
    const QVariantList licences{day(-1), day(3),  day(4),  day(6),     day(7),       day(10),
                                day(11), day(30), day(31), QVariant(), "2031/06/01", day(-5)};
    for (int i = 0; i < licences.size(); ++i)
        m_db->exec("INSERT INTO supplier (id, name, contact_name, contact_phone, license_expire_date, "
                   "gsp_cert_expire_date, status) VALUES (?, ?, '陈立新', '021-58381726', ?, ?, ?)",
                   {i + 1, QString("供应商%1").arg(i + 1), licences.at(i),
                    i == 9 ? QVariant(day(-40)) : QVariant(), i == 11 ? "suspended" : "active"});
    m_window = std::make_unique<InventoryWarningWindow>();
}

void TestInventoryWarningWindow::cleanup() {
    m_window.reset();
    m_db.reset();
    m_clock.reset();
    CurrentUser::instance().clear();
}

void TestInventoryWarningWindow::storedDates_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::newRow("stored form") << "2031-05-20" << QDate(2031, 5, 20);
    QTest::newRow("leap day") << "2032-02-29" << QDate(2032, 2, 29);
    QTest::newRow("no such day") << "2031-02-29" << QDate();
    QTest::newRow("month 13") << "2031-13-01" << QDate();
    QTest::newRow("slashes") << "2031/06/01" << QDate();
    QTest::newRow("short parts") << "2031-6-1" << QDate();
    QTest::newRow("leading blank") << " 2031-06-01" << QDate();
    QTest::newRow("with a time") << "2031-06-01 10:00:00" << QDate();
    QTest::newRow("empty") << "" << QDate();
}

void TestInventoryWarningWindow::storedDates() {
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(parseStoredDate(text), date);
}

void TestInventoryWarningWindow::warningLevel_data() {
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("period");
    QTest::addColumn<QString>("level");
    // 180 configured days grade on a period of 60, 30 days on 10.
    QTest::newRow("past") << -5 << 60 << "已过期";
    QTest::newRow("0 of 60") << 0 << 60 << "已过期";
    QTest::newRow("20 of 60") << 20 << 60 << "红色预警";
    QTest::newRow("21 of 60") << 21 << 60 << "橙色预警";
    QTest::newRow("40 of 60") << 40 << 60 << "橙色预警";
    QTest::newRow("41 of 60") << 41 << 60 << "黄色预警";
    QTest::newRow("61 of 60") << 61 << 60 << "黄色预警";
    QTest::newRow("3 of 10") << 3 << 10 << "红色预警";
    QTest::newRow("4 of 10") << 4 << 10 << "橙色预警";
    QTest::newRow("6 of 10") << 6 << 10 << "橙色预警";
    QTest::newRow("7 of 10") << 7 << 10 << "黄色预警";
}

void TestInventoryWarningWindow::warningLevel() {
    QFETCH(int, days);
    QFETCH(int, period);
    QFETCH(QString, level);
    QCOMPARE(InventoryWarningWindow::getWarningLevel(days, period), level);
}

void TestInventoryWarningWindow::expiryTabGradesFromTheLocalDate_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QColor>("background");
    const QString drug = "|阿莫西林胶囊|6921361200154|%1|0.25g*24粒|%2|%3 天|12";
    auto cells = [&](const QString& level, int days) {
        return level + drug.arg(QString("P1D%1").arg(days), day(days)).arg(days);
    };
    QTest::newRow("expired batch of another drug")
        << 0 << "已过期|蒙脱石散|6917230400345|P4D-30|3g*10袋|" + day(-30) + "|-30 天|5" << kRed;
    QTest::newRow("180 days") << 1 << cells("黄色预警", 180) << QColor();
    QTest::newRow("61 days") << 2 << cells("黄色预警", 61) << QColor();
    QTest::newRow("60 days") << 3 << cells("黄色预警", 60) << kOrange;
    QTest::newRow("41 days") << 4 << cells("黄色预警", 41) << kOrange;
    QTest::newRow("40 days") << 5 << cells("橙色预警", 40) << kOrange;
    QTest::newRow("21 days") << 6 << cells("橙色预警", 21) << kOrange;
    QTest::newRow("20 days") << 7 << cells("红色预警", 20) << kOrange;
    QTest::newRow("today") << 8 << cells("已过期", 0) << kRed;
    QTest::newRow("3 days ago") << 9 << cells("已过期", -3) << kRed;
}

void TestInventoryWarningWindow::expiryTabGradesFromTheLocalDate() {
    QFETCH(int, row);
    QFETCH(QString, cells);
    QFETCH(QColor, background);
    const QAbstractItemModel* model = table("tableExpiry");
    QCOMPARE(model->rowCount(), 10);
    QCOMPARE(countText(), QString("近效期预警: 10 条"));
    QCOMPARE(texts(model, row), cells);
    for (int column = 0; column < model->columnCount(); ++column)
        QCOMPARE(colourOf(model->index(row, column), Qt::BackgroundRole), background);
}

void TestInventoryWarningWindow::expiryTabFollowsTheConfiguredDays() {
    m_db->exec("UPDATE sys_config SET config_value = '30' WHERE config_key = 'expiry_warning_days'");
    m_window->findChild<QPushButton*>("btnRefresh")->click();
    // 30 days grade on a period of 10: 20 and 21 days are yellow without colour.
    QCOMPARE(texts(table("tableExpiry"), -1, 0), QString("已过期|黄色预警|黄色预警|已过期|已过期"));
    QCOMPARE(colourOf(table("tableExpiry")->index(1, 0), Qt::BackgroundRole), QColor());

    m_db->exec("UPDATE sys_config SET config_value = '半年' WHERE config_key = 'expiry_warning_days'");
    m_window->findChild<QPushButton*>("btnRefresh")->click();
    QCOMPARE(texts(table("tableExpiry"), -1, 0), QString("已过期|已过期|已过期"));
}

void TestInventoryWarningWindow::stockTabListsDrugsBelowTen() {
    showTab(1);
    const QAbstractItemModel* model = table("tableStock");
    QCOMPARE(countText(), QString("库存不足预警: 2 条"));
    QCOMPARE(texts(model, 0),
             QString("维生素\"C\"泡腾片|6951708200362|1g*10片|华康制药股份有限公司|0|100|10"));
    QCOMPARE(texts(model, 1), QString("蒙脱石散|6917230400345|3g*10袋|博安制药有限公司|9|100|10"));
    for (int row = 0; row < model->rowCount(); ++row)
        for (int column = 0; column < model->columnCount(); ++column)
            QCOMPARE(colourOf(model->index(row, column), Qt::BackgroundRole), kYellow);
}

void TestInventoryWarningWindow::supplierTabReadsOnlyTheDrugTradingLicence_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QColor>("background");
    auto cells = [](const QString& level, int supplier, int days) {
        return QString("%1|供应商%2|陈立新|021-58381726|%3|%4 天")
            .arg(level)
            .arg(supplier)
            .arg(day(days))
            .arg(days);
    };
    QTest::newRow("30 days") << 0 << cells("黄色预警", 8, 30) << QColor();
    QTest::newRow("11 days") << 1 << cells("黄色预警", 7, 11) << QColor();
    QTest::newRow("10 days") << 2 << cells("黄色预警", 6, 10) << kOrange;
    QTest::newRow("7 days") << 3 << cells("黄色预警", 5, 7) << kOrange;
    QTest::newRow("6 days") << 4 << cells("橙色预警", 4, 6) << kOrange;
    QTest::newRow("4 days") << 5 << cells("橙色预警", 3, 4) << kOrange;
    QTest::newRow("3 days") << 6 << cells("红色预警", 2, 3) << kOrange;
    QTest::newRow("yesterday") << 7 << cells("已过期", 1, -1) << kRed;
}

void TestInventoryWarningWindow::supplierTabReadsOnlyTheDrugTradingLicence() {
    QFETCH(int, row);
    QFETCH(QString, cells);
    QFETCH(QColor, background);
    showTab(2);
    const QAbstractItemModel* model = table("tableSupplier");
    QCOMPARE(countText(), QString("供应商资质预警: 8 条"));
    QCOMPARE(texts(model, row), cells);
    for (int column = 0; column < model->columnCount(); ++column)
        QCOMPARE(colourOf(model->index(row, column), Qt::BackgroundRole), background);
}

void TestInventoryWarningWindow::everyTabSwitchReloads() {
    showTab(1);
    m_db->exec(
        "INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES (2, 'N1', ?, 3)",
        {day(5)});
    showTab(0);
    QCOMPARE(countText(), QString("近效期预警: 11 条"));
    showTab(1);
    QCOMPARE(texts(table("tableStock"), -1, 4), QString("3|9"));
    m_db->exec("UPDATE inventory_batch SET quantity = 9 WHERE batch_no = 'N1'");
    m_window->findChild<QPushButton*>("btnRefresh")->click();
    QCOMPARE(texts(table("tableStock"), -1, 4), QString("9|9"));
    QCOMPARE(countText(), QString("库存不足预警: 2 条"));
}

void TestInventoryWarningWindow::withoutDatabaseTheStockTabStaysAsItWas() {
    showTab(1);
    DatabaseManager::instance().shutdown();
    m_window->findChild<QPushButton*>("btnRefresh")->click();
    QCOMPARE(table("tableStock")->rowCount(), 2);
    QCOMPARE(countText(), QString("库存不足预警: 2 条"));
    // The other tabs fall back to the default periods and come out empty.
    showTab(2);
    QCOMPARE(table("tableSupplier")->rowCount(), 0);
    QCOMPARE(countText(), QString("供应商资质预警: 0 条"));
}

void TestInventoryWarningWindow::keepsItsOwnSizeAndLook() {
    QWidget parent;
    parent.setGeometry(0, 0, 1800, 1000);
    InventoryWarningWindow window(&parent);
    QCOMPARE(window.windowTitle(), QString("库存预警中心"));
    QCOMPARE(window.size(), QSize(1000, 650));
    QCOMPARE(window.styleSheet(), QString());
    QVERIFY(window.isWindow());
    QCOMPARE(window.findChild<QTabWidget*>("tabWidget")->currentIndex(), 0);
}

// No menu entry or button leads here, but the main window's slot builds the window.
void TestInventoryWarningWindow::theMainWindowSlotOpensIt() {
    MainWindow main;
    main.openInventoryWarningWindow();
    QWidget* window = main.featureWindow(MainWindow::InventoryWarning);
    QVERIFY(window);
    QCOMPARE(window->metaObject()->className(), "kestrovalin::InventoryWarningWindow");
    QCOMPARE(window->size(), QSize(1000, 650));
}

// Exports the tab to a new file in the temporary folder and returns the file's text.
QString TestInventoryWarningWindow::exportTab(int index) {
    showTab(index);
    const QString path = m_dir.filePath(QString("预警%1.csv").arg(index));
    Prompts::queueFileName(path);
    m_window->findChild<QPushButton*>("btnExport")->click();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

void TestInventoryWarningWindow::exportWritesTheShownTabAndLogsIt() {
    models::User user;
    user.id = 2;
    user.realName = "张丽";
    CurrentUser::instance().setUser(user);
    const QString csv = exportTab(1);
    QCOMPARE(
        csv,
        QString("\xEF\xBB\xBF"
                "库存不足预警\n"
                "商品名称,条码,规格,生产厂商,库存数量,库存上限,预警阈值\n"
                "\"维生素\"\"C\"\"泡腾片\",\"6951708200362\",\"1g*10片\",\"华康制药股份有限公司\",\"0\","
                "\"100\",\"10\"\n"
                "\"蒙脱石散\",\"6917230400345\",\"3g*10袋\",\"博安制药有限公司\",\"9\",\"100\",\"10\"\n"));
    QCOMPARE(Prompts::history().first().title, QString("导出预警报表"));
    QCOMPARE(Prompts::history().first().text, QString("CSV Files (*.csv)"));
    QCOMPARE(Prompts::lastTitle(), QString("成功"));
    QCOMPARE(Prompts::lastText(), "预警报表已导出到:\n" + m_dir.filePath("预警1.csv"));
    QCOMPARE(exportLogRows("导出 库存不足 预警报表"), 1);
    QCOMPARE(m_db->scalar("SELECT user_name FROM sys_operation_log WHERE action = '导出预警报表'").toString(),
             QString("张丽"));
}

void TestInventoryWarningWindow::exportGuardsFormulaCells() {
    const QStringList lines = exportTab(0).split('\n');
    QCOMPARE(lines.at(0), QString("\xEF\xBB\xBF近效期预警"));
    QCOMPARE(lines.at(1), QString("预警级别,商品名称,条码,批号,规格,有效期至,剩余天数,库存数量"));
    // A negative day count would start a formula; it keeps its text behind an apostrophe.
    QCOMPARE(lines.at(11), "\"已过期\",\"阿莫西林胶囊\",\"6921361200154\",\"P1D-3\",\"0.25g*24粒\",\"" +
                               day(-3) + "\",\"'-3 天\",\"12\"");
    QCOMPARE(lines.size(), 13);
    QCOMPARE(exportLogRows("导出 近效期 预警报表"), 1);
}

void TestInventoryWarningWindow::exportFailuresAreReportedAndNotLogged_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");
    QTest::newRow("cannot create") << "folder"
                                   << "无法创建文件！";
    QTest::newRow("device full") << "/dev/full"
                                 << "无法写入文件！";
    QTest::newRow("cancelled") << ""
                               << "";
}

void TestInventoryWarningWindow::exportFailuresAreReportedAndNotLogged() {
    QFETCH(QString, path);
    QFETCH(QString, text);
    if (path == "/dev/full" && !QFile::exists(path))
        QSKIP("no /dev/full here");
    showTab(2);
    Prompts::reset();
    Prompts::queueFileName(path == "folder" ? m_dir.path() : path);
    m_window->findChild<QPushButton*>("btnExport")->click();
    QCOMPARE(Prompts::history().size(), text.isEmpty() ? 1 : 2);
    QCOMPARE(Prompts::lastTitle(), text.isEmpty() ? QString("导出预警报表") : QString("错误"));
    QCOMPARE(Prompts::lastText(), text.isEmpty() ? QString("CSV Files (*.csv)") : text);
    QCOMPARE(m_db->count("sys_operation_log"), 0);
}

QTEST_MAIN(TestInventoryWarningWindow)
#include "tst_inventorywarningwindow.moc"

#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "tests/support/datarows.h"
#include "tests/support/farday.h"
#include "tests/support/modeltexts.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/main/mainwindow.h"
#include "ui/purchasing/expirywarningwindow.h"
#include "ui/purchasing/inventorywarningwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

const QColor kRed(Qt::red);
const QColor kOrange(255, 165, 0);

QAbstractItemModel* modelOf(const QWidget* window, const char* table) {
    return window->findChild<QTableView*>(table)->model();
}

QString labelText(const QWidget* window, const char* label) {
    return window->findChild<QLabel*>(label)->text();
}

void click(QWidget* window, const char* button) {
    window->findChild<QPushButton*>(button)->click();
}

} // namespace

class TestWarnings : public QObject {
    Q_OBJECT

private slots:
    // Drug 1 (batches P1D<days>) and the deleted drug 2 (P2D<days>) carry batches expiring at -3, 0, 20, 21,
    // 30, 31, 40, 41, 60, 61, 90, 91, 180 and 181 days (ids 1-14), then an empty one. Drug 3 (a quote in its
    // name) has no batch, drug 4 two batches making exactly 10, drug 5 one of 4 and one expired of 5 (id 19,
    // 30 days past). Suppliers 1-5 hold drug trading licences at -1, 3, 10, 30 and 31 days; 6 none but an
    // expired GSP certificate, 7 an unreadable date, 8 is suspended with an expired licence.
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
        m_clock = std::make_unique<PinnedClock>(kToday, QTime(0, 20));
        m_db = std::make_unique<TestDatabase>();
        QVERIFY(m_db->isOpen());
        m_db->exec("INSERT INTO product (id, barcode, name, mnemonic_code, specification, manufacturer, "
                   "status) VALUES "
                   "(1, '6921361200154', '阿莫西林胶囊', 'AMXLJN', '0.25g*24粒', '华康制药股份有限公司', 1), "
                   "(2, '6902115300209', '板蓝根颗粒', 'BLGKL', '10g*20袋', '岭南中药制药有限公司', 0), "
                   "(3, '6951708200362', '维生素\"C\"泡腾片', 'WSSC', '1g*10片', '华康制药股份有限公司', 1), "
                   "(4, '6932140500213', '布洛芬缓释胶囊', 'BLF', '0.3g*20粒', '天平药业有限公司', 1), "
                   "(5, '6917230400345', '蒙脱石散', 'MTSS', '3g*10袋', '博安制药有限公司', 1), "
                   "(6, '6926104300187', '硝苯地平缓释片', 'XBDP', '10mg*30片', '京华双鹿药业有限公司', 0)");
        auto batch = [this](int drug, int supplier, int days, int quantity, const char* status = "normal") {
            m_db->exec("INSERT INTO inventory_batch (product_id, supplier_id, batch_no, production_date, "
                       "expiry_date, "
                       "quantity, status) VALUES (?, ?, ?, '2030-01-15', ?, ?, ?)",
                       {drug, supplier, QString("P%1D%2").arg(drug).arg(days), day(days), quantity, status});
        };
        for (int days : {-3, 0, 20, 21, 30, 31, 40, 41, 60, 61, 90, 91, 180, 181}) {
            const bool second = days == 30 || days == 31 || days == 91 || days == 181;
            batch(second ? 2 : 1, second || days == 90 ? 2 : 1, days, 12);
        }
        batch(1, 1, 10, 0);
        batch(4, 1, 400, 6);
        batch(4, 1, 500, 4);
        batch(5, 1, 400, 4);
        batch(5, 1, -30, 5, "expired");
        const QVariantList licences{day(-1), day(3),     day(10),      day(30),
                                    day(31), QVariant(), "2031/06/01", day(-5)};
        const QStringList names{"上海康联医药有限公司",     "江苏恒泰医药有限公司",
                                "浙江仁和堂医药有限公司",   "广州南康医药贸易有限公司",
                                "北京安泰医药物流有限公司", "湖南湘济医药有限公司",
                                "四川蜀康医药有限公司",     "福建闽信医药有限公司"};
        for (int i = 0; i < licences.size(); ++i)
            m_db->exec("INSERT INTO supplier (id, name, contact_name, contact_phone, license_expire_date, "
                       "gsp_cert_expire_date, status) VALUES (?, ?, '陈立新', '021-58381726', ?, ?, ?)",
                       {i + 1, names.at(i), licences.at(i), i == 5 ? QVariant(day(-40)) : QVariant(),
                        i == 7 ? "suspended" : "active"});
        m_nearExpiry = std::make_unique<ExpiryWarningWindow>();
    }

    void cleanup() {
        m_centre.reset();
        m_nearExpiry.reset();
        m_db.reset();
        m_clock.reset();
        CurrentUser::instance().clear();
    }

    void nearExpiryWindowListsTheNext180Days() {
        const QAbstractItemModel* model = modelOf(m_nearExpiry.get(), "tableView");
        QCOMPARE(m_nearExpiry->windowTitle(), QString("近效期药品预警"));
        QCOMPARE(texts(model, -1, 4),
                 QString("P1D180|P2D91|P1D90|P1D61|P1D60|P1D41|P1D40|P2D31|P2D30|P1D21|P1D20"));
        QCOMPARE(labelText(m_nearExpiry.get(), "labelTotal"), QString("共 11 条近效期药品预警"));
        // A deleted drug's batch is listed like any other; the days are a plain number.
        QCOMPARE(texts(model, 7), "板蓝根颗粒|6902115300209|10g*20袋|岭南中药制药有限公司|P2D31|2030-01-15|" +
                                      day(31) + "|31|12|江苏恒泰医药有限公司");
        QCOMPARE(model->index(7, 7).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    }

    void nearExpiryDaysColours_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QColor>("foreground");
        QTest::addColumn<QColor>("background");
        addRow("30 days", 8, QColor(Qt::white), QColor(Qt::darkRed));
        addRow("31 days", 7, QColor(Qt::white), QColor(Qt::darkYellow));
        addRow("90 days", 2, QColor(Qt::white), QColor(Qt::darkYellow));
        addRow("91 days", 1, QColor(), QColor());
    }

    void nearExpiryDaysColours() {
        QFETCH(int, row);
        QFETCH(QColor, foreground);
        QFETCH(QColor, background);
        const QAbstractItemModel* model = modelOf(m_nearExpiry.get(), "tableView");
        QCOMPARE(colourOf(model->index(row, 7), Qt::ForegroundRole), foreground);
        QCOMPARE(colourOf(model->index(row, 7), Qt::BackgroundRole), background);
        // Only the days cell is coloured.
        QCOMPARE(colourOf(model->index(row, 6), Qt::BackgroundRole), QColor());
    }

    void nearExpiryFilters_data() {
        QTest::addColumn<QStringList>("filters");
        QTest::addColumn<QString>("batches");
        addRow("blanks only are no filter", QStringList{" ", "  ", "\t", " ", "   "},
               "P1D180|P2D91|P1D90|P1D61|P1D60|P1D41|P1D40|P2D31|P2D30|P1D21|P1D20");
        addRow("supplier, trimmed", QStringList{" 恒泰 "}, "P2D91|P1D90|P2D31|P2D30");
        addRow("mnemonic in lower case", QStringList{"", "", "", "amx"},
               "P1D180|P1D90|P1D61|P1D60|P1D41|P1D40|P1D21|P1D20");
        addRow("all must match", QStringList{"康联", "阿莫西林", "", "", "D4"}, "P1D41|P1D40");
    }

    void nearExpiryFilters() {
        QFETCH(QStringList, filters);
        QFETCH(QString, batches);
        const char* fields[] = {"txtSupplierName", "txtProductName", "txtBarcode", "txtMnemonic",
                                "txtBatchNo"};
        for (int i = 0; i < 5; ++i)
            m_nearExpiry->findChild<QLineEdit*>(fields[i])->setText(filters.value(i));
        click(m_nearExpiry.get(), "btnSearch");
        QCOMPARE(texts(modelOf(m_nearExpiry.get(), "tableView"), -1, 4), batches);
        QCOMPARE(labelText(m_nearExpiry.get(), "labelTotal"),
                 QString("共 %1 条近效期药品预警").arg(batches.isEmpty() ? 0 : batches.count('|') + 1));
    }

    void nearExpiryReturnKeyDoesNotSearch() {
        auto* field = m_nearExpiry->findChild<QLineEdit*>("txtProductName");
        field->setText("板蓝根");
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(modelOf(m_nearExpiry.get(), "tableView")->rowCount(), 11);
    }

    void expiryTabGradesFromTheLocalDate_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("cells");
        QTest::addColumn<QColor>("background");
        auto cells = [](const QString& level, int days) {
            return QString("%1|阿莫西林胶囊|6921361200154|P1D%2|0.25g*24粒|%3|%2 天|12")
                .arg(level)
                .arg(days)
                .arg(day(days));
        };
        // 180 configured days grade on a period of 60.
        addRow("expired batch of another drug", 0,
               "已过期|蒙脱石散|6917230400345|P5D-30|3g*10袋|" + day(-30) + "|-30 天|5", kRed);
        addRow("61 days", 4, cells("黄色预警", 61), QColor());
        addRow("60 days", 5, cells("黄色预警", 60), kOrange);
        addRow("41 days", 6, cells("黄色预警", 41), kOrange);
        addRow("40 days", 7, cells("橙色预警", 40), kOrange);
        addRow("21 days", 10, cells("橙色预警", 21), kOrange);
        addRow("20 days", 11, cells("红色预警", 20), kOrange);
        addRow("today", 12, cells("已过期", 0), kRed);
    }

    void expiryTabGradesFromTheLocalDate() {
        QFETCH(int, row);
        QFETCH(QString, cells);
        QFETCH(QColor, background);
        const QAbstractItemModel* model = modelOf(centre(), "tableExpiry");
        QCOMPARE(labelText(centre(), "labelCount"), QString("近效期预警: 14 条"));
        QCOMPARE(texts(model, row), cells);
        for (int column = 0; column < model->columnCount(); ++column)
            QCOMPARE(colourOf(model->index(row, column), Qt::BackgroundRole), background);
    }

    void expiryTabFollowsTheConfiguredDays() {
        m_db->exec("UPDATE sys_config SET config_value = '30' WHERE config_key = 'expiry_warning_days'");
        // 30 days grade on a period of 10: 20 to 30 days are yellow, without colour.
        QCOMPARE(texts(modelOf(centre(), "tableExpiry"), -1, 0),
                 QString("已过期|黄色预警|黄色预警|黄色预警|已过期|已过期"));
        QCOMPARE(colourOf(modelOf(centre(), "tableExpiry")->index(1, 0), Qt::BackgroundRole), QColor());
    }

    void stockTabListsDrugsBelowTen() {
        showTab(1);
        const QAbstractItemModel* model = modelOf(centre(), "tableStock");
        QCOMPARE(labelText(centre(), "labelCount"), QString("库存不足预警: 2 条"));
        QCOMPARE(texts(model, 0),
                 QString("维生素\"C\"泡腾片|6951708200362|1g*10片|华康制药股份有限公司|0|100|10"));
        QCOMPARE(texts(model, 1), QString("蒙脱石散|6917230400345|3g*10袋|博安制药有限公司|9|100|10"));
        for (int row = 0; row < model->rowCount(); ++row)
            for (int column = 0; column < model->columnCount(); ++column)
                QCOMPARE(colourOf(model->index(row, column), Qt::BackgroundRole), QColor(255, 200, 0));
    }

    void supplierTabReadsOnlyTheDrugTradingLicence_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("cells");
        QTest::addColumn<QColor>("background");
        auto cells = [](const QString& level, const QString& supplier, int days) {
            return QString("%1|%2|陈立新|021-58381726|%3|%4 天").arg(level, supplier, day(days)).arg(days);
        };
        // 30 configured days grade on a period of 10; suppliers come newest first.
        addRow("30 days", 0, cells("黄色预警", "广州南康医药贸易有限公司", 30), QColor());
        addRow("10 days", 1, cells("黄色预警", "浙江仁和堂医药有限公司", 10), kOrange);
        addRow("3 days", 2, cells("红色预警", "江苏恒泰医药有限公司", 3), kOrange);
        addRow("yesterday", 3, cells("已过期", "上海康联医药有限公司", -1), kRed);
    }

    void supplierTabReadsOnlyTheDrugTradingLicence() {
        QFETCH(int, row);
        QFETCH(QString, cells);
        QFETCH(QColor, background);
        showTab(2);
        const QAbstractItemModel* model = modelOf(centre(), "tableSupplier");
        QCOMPARE(labelText(centre(), "labelCount"), QString("供应商资质预警: 4 条"));
        QCOMPARE(texts(model, row), cells);
        for (int column = 0; column < model->columnCount(); ++column)
            QCOMPARE(colourOf(model->index(row, column), Qt::BackgroundRole), background);
    }

    void everyTabSwitchReloadsAndNoDatabaseKeepsTheStockTab() {
        showTab(1);
        m_db->exec("INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) "
                   "VALUES (3, 'N1', ?, 3)",
                   {day(5)});
        showTab(0);
        QCOMPARE(labelText(centre(), "labelCount"), QString("近效期预警: 15 条"));
        showTab(1);
        QCOMPARE(texts(modelOf(centre(), "tableStock"), -1, 4), QString("3|9"));
        // Without a database the stock tab keeps what it showed; the others fall back and come out empty.
        DatabaseManager::instance().shutdown();
        click(centre(), "btnRefresh");
        QCOMPARE(texts(modelOf(centre(), "tableStock"), -1, 4), QString("3|9"));
        QCOMPARE(labelText(centre(), "labelCount"), QString("库存不足预警: 2 条"));
        showTab(2);
        QCOMPARE(labelText(centre(), "labelCount"), QString("供应商资质预警: 0 条"));
    }

    void centreKeepsItsSizeAndIsBuiltByTheMainWindow() {
        MainWindow main;
        main.setGeometry(0, 0, 1800, 1000);
        main.openInventoryWarningWindow();
        QWidget* window = main.featureWindow(MainWindow::InventoryWarning);
        QVERIFY(window);
        QCOMPARE(window->metaObject()->className(), "kestrovalin::InventoryWarningWindow");
        QCOMPARE(window->windowTitle(), QString("库存预警中心"));
        QCOMPARE(window->size(), QSize(1000, 650));
        QCOMPARE(window->styleSheet(), QString());
    }

    void exportWritesTheShownTabAndLogsIt() {
        models::User user;
        user.id = 2;
        user.realName = "张丽";
        CurrentUser::instance().setUser(user);
        QCOMPARE(exportTab(1),
                 QString("\xEF\xBB\xBF"
                         "库存不足预警\n"
                         "商品名称,条码,规格,生产厂商,库存数量,库存上限,预警阈值\n"
                         "\"维生素\"\"C\"\"泡腾片\",\"6951708200362\",\"1g*10片\",\"华康制药股份有限公司\","
                         "\"0\",\"100\",\"10\"\n"
                         "\"蒙脱石散\",\"6917230400345\",\"3g*10袋\",\"博安制药有限公司\",\"9\",\"100\","
                         "\"10\"\n"));
        QCOMPARE(Prompts::history().first().title, QString("导出预警报表"));
        QCOMPARE(Prompts::history().first().text, QString("CSV Files (*.csv)"));
        QCOMPARE(Prompts::lastTitle(), QString("成功"));
        QCOMPARE(Prompts::lastText(), "预警报表已导出到:\n" + m_dir.filePath("预警1.csv"));
        QCOMPARE(exportLogRows("导出 库存不足 预警报表"), 1);
        QCOMPARE(m_db->scalar("SELECT user_name FROM sys_operation_log").toString(), QString("张丽"));
    }

    void exportGuardsFormulaCells() {
        const QStringList lines = exportTab(0).split('\n');
        QCOMPARE(lines.at(0), QString("\xEF\xBB\xBF近效期预警"));
        QCOMPARE(lines.at(1), QString("预警级别,商品名称,条码,批号,规格,有效期至,剩余天数,库存数量"));
        // A negative day count would start a formula; it keeps its text behind an apostrophe.
        QCOMPARE(lines.at(15), "\"已过期\",\"阿莫西林胶囊\",\"6921361200154\",\"P1D-3\",\"0.25g*24粒\",\"" +
                                   day(-3) + "\",\"'-3 天\",\"12\"");
        QCOMPARE(lines.size(), 17);
        QCOMPARE(exportLogRows("导出 近效期 预警报表"), 1);
    }

    void exportFailuresAreReportedAndNotLogged_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("text");
        addRow("cannot create", "folder", "无法创建文件！\n原因：所选位置是一个文件夹。");
        addRow("device full", "/dev/full", "无法写入文件！\n原因：磁盘空间不足。");
        addRow("cancelled", "", "");
    }

    void exportFailuresAreReportedAndNotLogged() {
        QFETCH(QString, path);
        QFETCH(QString, text);
        if (path == "/dev/full" && !QFile::exists(path))
            QSKIP("no /dev/full here");
        showTab(2);
        Prompts::queueFileName(path == "folder" ? m_dir.path() : path);
        click(centre(), "btnExport");
        QCOMPARE(Prompts::history().size(), text.isEmpty() ? 1 : 2);
        QCOMPARE(Prompts::lastTitle(), text.isEmpty() ? QString("导出预警报表") : QString("错误"));
        QCOMPARE(Prompts::lastText(), text.isEmpty() ? QString("CSV Files (*.csv)") : text);
        QCOMPARE(m_db->count("sys_operation_log"), 0);
    }

private:
    InventoryWarningWindow* centre() {
        if (!m_centre)
            m_centre = std::make_unique<InventoryWarningWindow>();
        return m_centre.get();
    }

    void showTab(int index) { centre()->findChild<QTabWidget*>("tabWidget")->setCurrentIndex(index); }
    // Exports the tab to a new file in the temporary folder and returns the file's text.
    QString exportTab(int index) {
        showTab(index);
        const QString path = m_dir.filePath(QString("预警%1.csv").arg(index));
        Prompts::queueFileName(path);
        click(centre(), "btnExport");
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    int exportLogRows(const QString& detail) {
        return m_db->count("sys_operation_log",
                           "module = '库存管理' AND action = '导出预警报表' AND detail = ?", {detail});
    }

    std::unique_ptr<PinnedClock> m_clock;
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<ExpiryWarningWindow> m_nearExpiry;
    std::unique_ptr<InventoryWarningWindow> m_centre;
    QTemporaryDir m_dir;
};

KV_TEST_CLASS(TestWarnings)
#include "tst_warnings.moc"

#include "core/databasemanager.h"
#include "repositories/expirywarningrepository.h"
#include "repositories/temphumidityrepository.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/purchasing/expirywarningdialog.h"

#include <QLabel>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableWidget>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::models::TempHumidityRecord;
using kestrovalin::repositories::ExpiryWarningItem;
using kestrovalin::repositories::ExpiryWarningRepository;
using TempRepo = kestrovalin::repositories::TempHumidityRepository;
using namespace kestrovalin::test;

namespace {

const QDate kToday(2026, 3, 1);

QString day(int offset) {
    return kToday.addDays(offset).toString("yyyy-MM-dd");
}

void addBatch(TestDatabase& t, int id, int productId, int supplierId, const QString& batchNo,
              const QString& expiry, int quantity = 100, const QString& status = "normal") {
    t.exec(
        "INSERT INTO inventory_batch (id, product_id, supplier_id, batch_no, production_date, expiry_date, "
        "quantity, status) VALUES (?, ?, ?, ?, '2024-01-01', ?, ?, ?)",
        {id, productId, supplierId, batchNo, expiry, quantity, status});
}

QStringList batchNos(const QList<ExpiryWarningItem>& items) {
    QStringList out;
    for (const ExpiryWarningItem& item : items)
        out << item.batchNo;
    return out;
}

TempHumidityRecord reading(const QString& date, const QString& time,
                           const QString& humidityStatus = "normal") {
    return {0, date, time, 26.75, 55, "normal", humidityStatus, "空调正常运行", 1, "系统管理员", QString()};
}

QList<int> ids(const QList<TempHumidityRecord>& records) {
    QList<int> out;
    for (const TempHumidityRecord& r : records)
        out << r.id;
    return out;
}

} // namespace

// What the start-up warnings read: the near-expiry list and its dialog, the temperature readings, and the
// sample data that shows them.
class TestStartupWarnings : public QObject {
    Q_OBJECT
private slots:
    void nearExpiryListsStockedNormalBatchesInsideTheWindow() {
        TestDatabase t;
        t.exec(
            "INSERT INTO supplier (id, name) VALUES (1, '国药控股华东医药有限公司'), (2, '九州通医药集团')");
        t.exec(
            "INSERT INTO product (id, name, barcode, specification, manufacturer, mnemonic_code, status) "
            "VALUES "
            "(1, '阿莫西林胶囊', '6901234567890', '0.25g*24粒', '华北制药股份有限公司', 'AMXLJN', 1), "
            "(2, '布洛芬缓释胶囊', '6902345678901', '0.3g*20粒', '中美天津史克制药有限公司', 'BLFHSJN', 1), "
            "(3, '复方甘草片', '6903456789012', '100片/瓶', '北京双鹤药业股份有限公司', 'FFGCP', 0)");
        addBatch(t, 1, 1, 1, "expires-today", day(0));
        addBatch(t, 2, 1, 1, "tomorrow", day(1));
        addBatch(t, 3, 1, 2, "last-day", day(180));
        addBatch(t, 4, 1, 2, "one-too-far", day(181));
        addBatch(t, 5, 2, 1, "no-stock", day(10), 0);
        addBatch(t, 6, 2, 1, "locked", day(10), 50, "locked");
        addBatch(t, 7, 3, 1, "delisted-drug", day(20));
        addBatch(t, 8, 99, 1, "drug-missing", day(20));
        addBatch(t, 9, 2, 0, "no-supplier", day(30));
        PinnedClock pin(kToday, QTime(14, 0));
        ExpiryWarningRepository repo(t.db());
        const QList<ExpiryWarningItem> items = repo.findNearExpiryItems(180);
        // Newest batch first, whatever the expiry dates.
        QCOMPARE(batchNos(items), QStringList({"no-supplier", "delisted-drug", "last-day", "tomorrow"}));
        QCOMPARE(items.at(0).supplierName, QString());
        const ExpiryWarningItem& it = items.at(2);
        QCOMPARE(QStringList({QString::number(it.productId), it.productName, it.barcode, it.specification,
                              it.manufacturer, it.productionDate, it.expiryDate, QString::number(it.quantity),
                              QString::number(it.remainingDays), it.supplierName}),
                 QStringList({"1", "阿莫西林胶囊", "6901234567890", "0.25g*24粒", "华北制药股份有限公司",
                              "2024-01-01", day(180), "100", "180", "九州通医药集团"}));
        QVERIFY(repo.findNearExpiryItems(0).isEmpty());

        // Filters (supplier, product, barcode, mnemonic, batch) must all match; the mnemonic is compared in
        // upper case; a filter of blanks is applied as given.
        QCOMPARE(batchNos(repo.findNearExpiryItems(180, "九州通", "阿莫西林", "", "", "")),
                 QStringList{"last-day"});
        QCOMPARE(batchNos(repo.findNearExpiryItems(180, "", "", "78901", "blf", "")),
                 QStringList{"no-supplier"});
        QVERIFY(repo.findNearExpiryItems(180, "", "", "", "", " ").isEmpty());

        // Remaining days count from the program's local date, also before 08:00 when the UTC date is still
        // yesterday.
        for (const QTime& time : {QTime(0, 0), QTime(23, 59, 59)}) {
            PinnedClock at(kToday, time);
            QCOMPARE(repo.findNearExpiryItems(180).at(3).remainingDays, 1);
        }
    }

    // Rows in list order; only the remaining-days cell is coloured: dark red up to 30 days, dark yellow up
    // to 90.
    void dialogShowsTheList() {
        QList<ExpiryWarningItem> items;
        for (int days : {91, 90, 31, 30})
            items << ExpiryWarningItem{0,  "阿莫西林胶囊", "",        "",   "", "B" + QString::number(days),
                                       "", day(days),      days / 10, days, ""};
        ExpiryWarningDialog dialog(items);
        QCOMPARE(dialog.findChild<QLabel*>("labelTitle")->text(),
                 QString("共 4 条近效期药品预警，以下药品将在近6个月内到期，请注意销售："));
        auto* table = dialog.findChild<QTableWidget*>("tableWidget");
        QStringList cells, colours;
        for (int c = 0; c < 5; ++c)
            cells << table->item(0, c)->text();
        for (int r = 0; r < 4; ++r)
            colours << table->item(r, 3)->background().color().name() + "/" +
                           table->item(r, 3)->foreground().color().name();
        QCOMPARE(cells, QStringList({"阿莫西林胶囊", "B91", day(91), "91 天", "9"}));
        QCOMPARE(colours,
                 QStringList({"#000000/#000000", "#808000/#ffffff", "#808000/#ffffff", "#800000/#ffffff"}));
        QCOMPARE(table->item(3, 2)->background().style(), Qt::NoBrush);
        QCOMPARE(ExpiryWarningDialog({}).findChild<QLabel*>("labelTitle")->text(),
                 QString("当前没有近效期药品预警"));
    }

    // Within 5 % of the range from either limit is a warning (both edges included), outside the range
    // critical.
    void readingStatus() {
        QStringList temperature, humidity;
        for (double value : {-0.01, 0.0, 1.5, 1.51, 28.49, 28.5, 30.0, 30.01})
            temperature << TempRepo::calculateStatus(value, TempRepo::kTemperatureMin,
                                                     TempRepo::kTemperatureMax);
        for (int value : {34, 35, 37, 38, 72, 73, 75, 76})
            humidity << TempRepo::calculateStatus(value, TempRepo::kHumidityMin, TempRepo::kHumidityMax);
        const QStringList expected = {"critical", "warning", "warning", "normal",
                                      "normal",   "warning", "warning", "critical"};
        QCOMPARE(temperature, expected);
        QCOMPARE(humidity, expected);
    }

    // A reading reads back as saved, without created_at; lists come newest saved first, the abnormal list
    // includes warnings; "today" is the program's local date.
    void savedReadingsReadBack() {
        TestDatabase t;
        TempRepo repo(t.db());
        TempHumidityRecord r = reading("2026-03-01", "15:00:00");
        r.createdAt = "2026-03-01 15:00:00";
        const int a = repo.insert(r);
        const int b = repo.insert(reading("2026-03-01", "00:20:00", "warning"));
        const int c = repo.insert(reading("2026-02-28", "23:50:00"));
        const TempHumidityRecord back = repo.findById(a);
        QCOMPARE(QStringList({QString::number(back.id), back.recordDate, back.recordTime,
                              QString::number(back.temperature), QString::number(back.humidity),
                              back.temperatureStatus, back.humidityStatus, back.notes,
                              QString::number(back.operatorId), back.operatorName, back.createdAt}),
                 QStringList({QString::number(a), "2026-03-01", "15:00:00", "26.75", "55", "normal", "normal",
                              "空调正常运行", "1", "系统管理员", ""}));
        QCOMPARE(ids(repo.findByDate("2026-03-01")), QList<int>({b, a}));
        QCOMPARE(ids(repo.findByDateRange("2026-02-28", "2026-03-01")), QList<int>({c, b, a}));
        QVERIFY(repo.findByDateRange("2026-03-01", "2026-02-28").isEmpty());
        QCOMPARE(ids(repo.findAbnormalRecords()), QList<int>{b});
        PinnedClock pin(QDate(2026, 3, 1), QTime(0, 20));
        QVERIFY(repo.hasRecordToday());
        QCOMPARE(repo.countTodayRecords(), 2);
        QCOMPARE(ids(repo.findTodayRecords()), QList<int>({b, a}));
        PinnedClock nextDay(QDate(2026, 3, 2), QTime(7, 59));
        QVERIFY(!repo.hasRecordToday());
    }

    void readingFailures() {
        TempRepo none(nullptr);
        QCOMPARE(none.insert(reading("2026-03-01", "09:00:00")), -1);
        QVERIFY(none.findByDateRange("2026-01-01", "2026-12-31").isEmpty() && !none.hasRecordToday());
        TestDatabase t;
        LogCapture log;
        QCOMPARE(TempRepo(t.db()).insert(reading(QString(), "09:00:00")), -1); // record_date is NOT NULL
        QCOMPARE(log.count(QtCriticalMsg, "TempHumidity insert failed:"), 1);
    }

    // The sample data runs at every start: it loads cleanly, a second run changes nothing, and it shows the
    // start-up warnings.
    void sampleDataLoadsCleanlyAndOnlyOnce() {
        TestDatabase t;
        LogCapture log;
        const QString script = QStringLiteral(KV_SOURCE_DIR "/docs/test_data.sql");
        const QStringList tables =
            QString("sys_user supplier product customer purchase_order purchase_order_item "
                    "inventory_batch sales_order sales_order_item temperature_record")
                .split(' ');
        const auto dump = [&] {
            QStringList rows;
            for (const QString& table : tables)
                for (QSqlQuery q = t.db()->query("SELECT * FROM " + table + " ORDER BY id"); q.next();)
                    for (int c = 0; c < q.record().count(); ++c)
                        rows << q.value(c).toString();
            return rows;
        };
        QVERIFY(DatabaseManager::instance().importTestData(script));
        const QStringList first = dump();
        QVERIFY(DatabaseManager::instance().importTestData(script));
        QVERIFY2(!log.contains("SQLite Execute Error"), qPrintable(log.dump()));
        QCOMPARE(dump(), first);
        QStringList counts; // OR IGNORE also swallows NOT NULL failures: every row must be there
        for (const QString& table : tables)
            counts << QString::number(t.count(table));
        QCOMPARE(counts.join(' '), QString("2 6 14 6 4 14 13 3 6 14"));
        QCOMPARE(ExpiryWarningRepository(t.db()).findNearExpiryItems(180).size(), 5);
        QVERIFY(!TempRepo(t.db()).hasRecordToday());
    }
};

QTEST_MAIN(TestStartupWarnings)
#include "tst_startupwarnings.moc"

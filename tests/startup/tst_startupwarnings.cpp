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

QString batchNos(const QList<ExpiryWarningItem>& items) {
    QStringList out;
    for (const ExpiryWarningItem& item : items)
        out << item.batchNo;
    return out.join(' ');
}

TempHumidityRecord reading(const QString& date, const QString& time, const QString& humidity = "normal") {
    return {
        0, date, time, 26.75, 55, "normal", humidity, "空调正常运行", 1, "系统管理员", "2026-03-01 15:00"};
}

template <class T> QString ids(const QList<T>& records) {
    QStringList out;
    for (const T& r : records)
        out << QString::number(r.id);
    return out.join(' ');
}

} // namespace

// What the start-up warnings read: the near-expiry list and its dialog, the temperature readings, and the
// sample data that shows them.
class TestStartupWarnings : public QObject {
    Q_OBJECT
private slots:
    // Stocked batches in normal status expiring from today to the last day of the window, newest batch first.
    void nearExpiryListsStockedNormalBatchesInsideTheWindow() {
        TestDatabase t;
        t.exec("INSERT INTO supplier (id, name) VALUES (1, '国药控股'), (2, '九州通医药集团')");
        t.exec("INSERT INTO product (id, name, barcode, specification, manufacturer, mnemonic_code, status) "
               "VALUES (1, '阿莫西林胶囊', '6901234567890', '0.25g*24粒', '华北制药', 'AMXLJN', 1), "
               "(2, '布洛芬缓释胶囊', '6902345678901', '0.3g', '史克', 'BLFHSJN', 1), "
               "(3, '复方甘草片', '', '', '', 'FFGCP', 0)");
        t.exec(QString("INSERT INTO inventory_batch (id, product_id, supplier_id, batch_no, production_date, "
                       "expiry_date, quantity, status) VALUES "
                       "(1, 1, 1, 'expires-today', '2024-01-01', '%1', 100, 'normal'), "
                       "(2, 1, 1, 'tomorrow', '2024-01-01', '%2', 100, 'normal'), "
                       "(3, 1, 2, 'last-day', '2024-01-01', '%3', 100, 'normal'), "
                       "(4, 1, 2, 'one-too-far', '2024-01-01', '%4', 100, 'normal'), "
                       "(5, 2, 1, 'no-stock', '2024-01-01', '%5', 0, 'normal'), "
                       "(6, 2, 1, 'locked', '2024-01-01', '%5', 50, 'locked'), "
                       "(7, 3, 1, 'delisted-drug', '2024-01-01', '%6', 100, 'normal'), "
                       "(8, 99, 1, 'drug-missing', '2024-01-01', '%6', 100, 'normal'), "
                       "(9, 2, 0, 'no-supplier', '2024-01-01', '%7', 100, 'normal')")
                   .arg(day(0), day(1), day(180), day(181), day(10), day(20), day(30)));
        PinnedClock pin(kToday, QTime(14, 0));
        ExpiryWarningRepository repo(t.db());
        const QList<ExpiryWarningItem> items = repo.findNearExpiryItems(180);
        QCOMPARE(batchNos(items), QString("no-supplier delisted-drug last-day tomorrow"));
        const ExpiryWarningItem& it = items.at(2);
        QCOMPARE(QStringList({QString::number(it.productId), it.productName, it.barcode, it.specification,
                              it.manufacturer, it.productionDate, it.expiryDate, QString::number(it.quantity),
                              QString::number(it.remainingDays), it.supplierName, items.at(0).supplierName})
                     .join('|'),
                 "1|阿莫西林胶囊|6901234567890|0.25g*24粒|华北制药|2024-01-01|" + day(180) +
                     "|100|180|九州通医药集团|");
        QVERIFY(repo.findNearExpiryItems(0).isEmpty());

        // All filters must match; the mnemonic is compared in upper case; blanks are applied as given.
        QCOMPARE(batchNos(repo.findNearExpiryItems(180, "九州通", "阿莫西林", "", "", "")),
                 QString("last-day"));
        QCOMPARE(batchNos(repo.findNearExpiryItems(180, "", "", "78901", "blf", "")), QString("no-supplier"));
        QVERIFY(repo.findNearExpiryItems(180, "", "", "", "", " ").isEmpty());

        // Remaining days count from the local date, also before 08:00 when the UTC date is still yesterday.
        for (const QTime& time : {QTime(0, 0), QTime(23, 59, 59)}) {
            PinnedClock at(kToday, time);
            QCOMPARE(repo.findNearExpiryItems(180).at(3).remainingDays, 1);
        }
    }

    // Only the remaining-days cell is coloured: dark red up to 30 days, dark yellow up to 90.
    void dialogShowsTheList() {
        QList<ExpiryWarningItem> items;
        for (int days : {91, 90, 31, 30})
            items << ExpiryWarningItem{0,  "阿莫西林胶囊", "",        "",   "", "B",
                                       "", day(days),      days / 10, days, ""};
        ExpiryWarningDialog dialog(items);
        auto* table = dialog.findChild<QTableWidget*>("tableWidget");
        QStringList cells;
        for (int c = 0; c < 5; ++c)
            cells << table->item(0, c)->text();
        for (int r = 0; r < 4; ++r)
            cells << table->item(r, 3)->background().color().name() + "/" +
                         table->item(r, 3)->foreground().color().name();
        QCOMPARE(cells.join(' '),
                 "阿莫西林胶囊 B " + day(91) +
                     " 91 天 9 #000000/#000000 #808000/#ffffff #808000/#ffffff #800000/#ffffff");
        QCOMPARE(table->item(3, 2)->background().style(), Qt::NoBrush);
        QVERIFY(dialog.findChild<QLabel*>("labelTitle")->text().startsWith("共 4 条"));
    }

    // Within 5 % of the range from either limit is a warning (both edges included), outside it critical.
    void readingStatus() {
        QStringList status;
        for (double value : {-0.01, 0.0, 1.5, 1.51, 28.49, 28.5, 30.0, 30.01})
            status << TempRepo::calculateStatus(value, TempRepo::kTemperatureMin, TempRepo::kTemperatureMax);
        for (int value : {34, 35, 37, 38, 72, 73, 75, 76})
            status << TempRepo::calculateStatus(value, TempRepo::kHumidityMin, TempRepo::kHumidityMax);
        QCOMPARE(status.join(' '),
                 QString("critical warning warning normal normal warning warning critical "
                         "critical warning warning normal normal warning warning critical"));
    }

    // A reading reads back as saved, created_at left to the database; lists come newest saved first, the
    // abnormal list includes warnings; "today" is the local date; a failed insert is reported.
    void savedReadingsReadBack() {
        TestDatabase t;
        TempRepo repo(t.db());
        const int a = repo.insert(reading("2026-03-01", "15:00:00"));
        const int b = repo.insert(reading("2026-03-01", "00:20:00", "warning"));
        const int c = repo.insert(reading("2026-02-28", "23:50:00"));
        const TempHumidityRecord r = repo.findById(a);
        QCOMPARE(QStringList({QString::number(r.id - a), r.recordDate, r.recordTime,
                              QString::number(r.temperature), QString::number(r.humidity),
                              r.temperatureStatus, r.humidityStatus, r.notes, QString::number(r.operatorId),
                              r.operatorName, r.createdAt})
                     .join('|'),
                 QString("0|2026-03-01|15:00:00|26.75|55|normal|normal|空调正常运行|1|系统管理员|"));
        QCOMPARE(ids(repo.findByDate("2026-03-01")) + ", " +
                     ids(repo.findByDateRange("2026-02-28", "2026-03-01")) + ", " +
                     ids(repo.findAbnormalRecords()),
                 QString("%2 %1, %3 %2 %1, %2").arg(a).arg(b).arg(c));
        QVERIFY(repo.findByDateRange("2026-03-01", "2026-02-28").isEmpty());
        PinnedClock pin(QDate(2026, 3, 1), QTime(0, 20));
        QCOMPARE(ids(repo.findTodayRecords()) + QString(" %1").arg(repo.countTodayRecords()),
                 QString("%2 %1 2").arg(a).arg(b));
        PinnedClock nextDay(QDate(2026, 3, 2), QTime(7, 59));
        QVERIFY(!repo.hasRecordToday());
        LogCapture log;
        QCOMPARE(repo.insert(reading(QString(), "09:00:00")), -1); // record_date is NOT NULL
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

#include "core/schemamigrator.h"
#include "repositories/dashboardrepository.h"
#include "tests/main/dashboardtestdata.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QSqlQuery>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::repositories::DashboardRepository;
using namespace kestrovalin::test;

class TestDashboardRepository : public QObject {
    Q_OBJECT
private slots:
    void periodRange_data() {
        QTest::addColumn<int>("period");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::newRow("week from Wednesday")
            << 1 << QDate(2025, 6, 11) << QDate(2025, 6, 9) << QDate(2025, 6, 15);
        QTest::newRow("week on Sunday") << 1 << QDate(2025, 6, 15) << QDate(2025, 6, 9) << QDate(2025, 6, 15);
        QTest::newRow("new week on Monday")
            << 1 << QDate(2025, 6, 16) << QDate(2025, 6, 16) << QDate(2025, 6, 22);
        QTest::newRow("week across new year")
            << 1 << QDate(2025, 12, 31) << QDate(2025, 12, 29) << QDate(2026, 1, 4);
        QTest::newRow("month of 1st") << 2 << QDate(2026, 3, 1) << QDate(2026, 3, 1) << QDate(2026, 3, 31);
        QTest::newRow("leap February") << 2 << QDate(2024, 2, 29) << QDate(2024, 2, 1) << QDate(2024, 2, 29);
        QTest::newRow("December") << 2 << QDate(2025, 12, 31) << QDate(2025, 12, 1) << QDate(2025, 12, 31);
        QTest::newRow("today") << 0 << QDate(2025, 6, 11) << QDate(2025, 6, 11) << QDate(2025, 6, 11);
        QTest::newRow("unknown means today")
            << 7 << QDate(2025, 6, 11) << QDate(2025, 6, 11) << QDate(2025, 6, 11);
    }
    void periodRange() {
        QFETCH(int, period);
        QFETCH(QDate, today);
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        const auto range = DashboardRepository::periodRange(period, today);
        QCOMPARE(range.first, first);
        QCOMPARE(range.last, last);
    }

    void salesCountCompletedSalesOfThePeriodOnly() {
        TestDatabase t;
        PinnedClock pin(kToday, QTime(0, 30)); // just after midnight: UTC would still be yesterday
        DashboardRepository repo(t.db());
        QCOMPARE(repo.salesSummary(0)->amount, 0.0);
        QCOMPARE(repo.salesSummary(0)->orderCount, 0);

        addSale(t, day(0), 100);
        addSale(t, day(0), 34.5);
        addSale(t, day(0), 999, "voided");
        addSale(t, day(-1), 7);    // Tuesday
        addSale(t, day(-2), 11);   // Monday, first day of the week
        addSale(t, day(-3), 1000); // last Sunday
        addSale(t, day(4), 13);    // Sunday, last day of the week
        addSale(t, day(5), 2000);  // next Monday, same month
        addSale(t, "2026-02-28", 3000);
        addSale(t, "2026-04-01", 4000);

        auto today = repo.salesSummary(0);
        QVERIFY(today);
        QCOMPARE(today->amount, 134.5);
        QCOMPARE(today->orderCount, 2);
        auto week = repo.salesSummary(1);
        QCOMPARE(week->amount, 100 + 34.5 + 7 + 11 + 13);
        QCOMPARE(week->orderCount, 5);
        auto month = repo.salesSummary(2);
        QCOMPARE(month->amount, 100 + 34.5 + 7 + 11 + 1000 + 13 + 2000);
        QCOMPARE(month->orderCount, 7);
    }

    void firstOfMonthShowsNoSalesOfLastMonth() {
        TestDatabase t;
        PinnedClock pin(QDate(2026, 4, 1), QTime(0, 5));
        addSale(t, "2026-03-31", 50);
        auto month = DashboardRepository(t.db()).salesSummary(2);
        QVERIFY(month);
        QCOMPARE(month->orderCount, 0);
        QCOMPARE(month->amount, 0.0);
    }

    void stockAndNearExpiryCounts() {
        TestDatabase t;
        PinnedClock pin(kToday, QTime(1, 0));
        addBatch(t, 1, day(0), 5);   // expires today: still near expiry
        addBatch(t, 1, day(10), 3);  // same drug again: counted once
        addBatch(t, 2, day(30), 1);  // last day of the window
        addBatch(t, 3, day(31), 9);  // outside
        addBatch(t, 4, day(-1), 9);  // already expired
        addBatch(t, 5, day(5), 0);   // sold out
        addBatch(t, 6, day(400), 0); // sold out, never counted
        DashboardRepository repo(t.db());
        QCOMPARE(repo.nearExpiryProducts(), std::optional<int>(2));
        QCOMPARE(repo.productsInStock(), std::optional<int>(4));
    }

    void suppliersWithExpiringDocuments_data() {
        QTest::addColumn<QString>("column");
        QTest::newRow("licence") << "license_expire_date";
        QTest::newRow("business licence") << "business_license_expire_date";
        QTest::newRow("GSP certificate") << "gsp_cert_expire_date";
        QTest::newRow("tax registration") << "tax_reg_expire_date";
    }
    void suppliersWithExpiringDocuments() {
        QFETCH(QString, column);
        TestDatabase t;
        PinnedClock pin(kToday, QTime(2, 0));
        const QString sql = QString("INSERT INTO supplier (name, status, %1) VALUES (?, ?, ?)").arg(column);
        t.exec(sql, {"today", "active", day(0)});
        t.exec(sql, {"in 30 days", "active", day(30)});
        t.exec(sql, {"in 31 days", "active", day(31)});
        t.exec(sql, {"lapsed", "active", day(-1)});
        t.exec(sql, {"suspended", "suspended", day(7)});
        t.exec(sql, {"no date", "active", QVariant()});
        QCOMPARE(DashboardRepository(t.db()).suppliersWithExpiringDocuments(), std::optional<int>(2));
    }

    void supplierWithTwoExpiringDocumentsCountsOnce() {
        TestDatabase t;
        PinnedClock pin(kToday);
        t.exec("INSERT INTO supplier (name, status, license_expire_date, gsp_cert_expire_date) "
               "VALUES ('华康医药', 'active', ?, ?)",
               {day(3), day(20)});
        QCOMPARE(DashboardRepository(t.db()).suppliersWithExpiringDocuments(), std::optional<int>(1));
    }

    void rejectedDrugsAwaitingHandling() {
        TestDatabase t;
        const QString sql =
            "INSERT INTO unqualified_drug (product_id, product_name, batch_id, batch_no, quantity, "
            "reason, found_by, status) VALUES (1, '阿莫西林胶囊', 1, 'B1', 1, 'damaged', 1, ?)";
        DashboardRepository repo(t.db());
        addRejected(t, "processed");
        QCOMPARE(repo.pendingRejectedDrugs(), std::optional<int>(0));
        addRejected(t, "pending");
        addRejected(t, "confirmed");
        QCOMPARE(repo.pendingRejectedDrugs(), std::optional<int>(2));
    }

    void temperatureReadingsOfTheLocalDay() {
        TestDatabase t;
        PinnedClock pin(kToday, QTime(0, 10));
        DashboardRepository repo(t.db());
        t.exec("INSERT INTO temperature_record (record_date, record_time, temperature, humidity) "
               "VALUES (?, '21:00', 22.5, 55)",
               {day(-1)});
        QCOMPARE(repo.temperatureRecordsToday(), std::optional<int>(0));
        t.exec("INSERT INTO temperature_record (record_date, record_time, temperature, humidity) "
               "VALUES (?, '00:05', 21.0, 50)",
               {day(0)});
        QCOMPARE(repo.temperatureRecordsToday(), std::optional<int>(1));
    }

    void noFigureWithoutDatabaseOrOnFailure() {
        DashboardRepository none(nullptr);
        QVERIFY(!none.salesSummary(0));
        QVERIFY(!none.productsInStock());
        QVERIFY(!none.nearExpiryProducts());
        QVERIFY(!none.suppliersWithExpiringDocuments());
        QVERIFY(!none.pendingRejectedDrugs());
        QVERIFY(!none.temperatureRecordsToday());

        TestDatabase t;
        t.exec("DROP TABLE unqualified_drug");
        t.exec("DROP TABLE sales_order");
        LogCapture log;
        DashboardRepository repo(t.db());
        QVERIFY(!repo.pendingRejectedDrugs());
        QVERIFY(!repo.salesSummary(1));
        QVERIFY(repo.temperatureRecordsToday());
    }

    void olderFilesGetTheIndexesSilently() {
        TestDatabase t;
        t.exec("DROP INDEX idx_sales_order_status_date");
        t.exec("DROP INDEX idx_batch_stock_expiry");
        LogCapture log;
        QVERIFY(SchemaMigrator(t.db()).run());
        QVERIFY(SchemaMigrator(t.db()).run());
        QCOMPARE(t.count("sqlite_master", "type = 'index' AND name IN ('idx_sales_order_status_date', "
                                          "'idx_batch_stock_expiry')"),
                 2);
        QCOMPARE(log.count("Adding"), 0);
        QCOMPARE(log.count("Creating"), 0);
    }

    // The figures must stay fast on years of data: each statement reads its own index.
    void statementsUseTheirIndexes_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("index");
        QTest::newRow("sales")
            << "SELECT COALESCE(SUM(total_amount), 0), COUNT(*) FROM sales_order WHERE status = "
               "'completed' AND sale_date >= '2026-03-01' AND sale_date < '2026-04-01'"
            << "COVERING INDEX idx_sales_order_status_date";
        QTest::newRow("in stock")
            << "SELECT COUNT(DISTINCT product_id) FROM inventory_batch WHERE quantity > 0"
            << "idx_batch_stock_expiry";
        QTest::newRow("near expiry")
            << "SELECT COUNT(DISTINCT product_id) FROM inventory_batch WHERE quantity > "
               "0 AND expiry_date BETWEEN '2026-03-11' AND '2026-04-10'"
            << "idx_batch_stock_expiry";
    }
    void statementsUseTheirIndexes() {
        QFETCH(QString, sql);
        QFETCH(QString, index);
        TestDatabase t;
        QSqlQuery q = t.db()->query("EXPLAIN QUERY PLAN " + sql);
        QString plan;
        while (q.next())
            plan += q.value(3).toString() + '\n';
        QVERIFY2(plan.contains(index), qPrintable(plan));
    }
};

QTEST_GUILESS_MAIN(TestDashboardRepository)
#include "tst_dashboardrepository.moc"

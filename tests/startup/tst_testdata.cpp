#include "core/databasemanager.h"
#include "repositories/expirywarningrepository.h"
#include "repositories/temphumidityrepository.h"
#include "tests/support/logcapture.h"
#include "tests/support/testdatabase.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::repositories::ExpiryWarningRepository;
using kestrovalin::repositories::TempHumidityRepository;
using kestrovalin::test::LogCapture;
using kestrovalin::test::TestDatabase;

namespace {

const QString kScript = QStringLiteral(KV_SOURCE_DIR "/docs/test_data.sql");

const QStringList kTables = QString("sys_user supplier product customer purchase_order purchase_order_item "
                                    "inventory_batch sales_order sales_order_item temperature_record")
                                .split(' ');

// Every row of every table as text, to see whether a second run changed anything.
QStringList dump(IDbAdapter* db) {
    QStringList rows;
    for (const QString& table : kTables) {
        QSqlQuery q = db->query("SELECT * FROM " + table + " ORDER BY id");
        while (q.next()) {
            QStringList cells{table};
            for (int c = 0; c < q.record().count(); ++c)
                cells << q.value(c).toString();
            rows << cells.join('|');
        }
    }
    return rows;
}

QStringList column(IDbAdapter* db, const QString& sql) {
    QStringList out;
    QSqlQuery q = db->query(sql);
    if (!q.isActive())
        return {QStringLiteral("query failed: ") + sql}; // never an empty, passing answer
    while (q.next())
        out << q.value(0).toString();
    return out;
}

} // namespace

class TestTestData : public QObject {
    Q_OBJECT
private slots:
    void loadsCleanlyAndOnlyOnce() {
        TestDatabase t;
        QVERIFY(t.isOpen());
        LogCapture log;
        QVERIFY(DatabaseManager::instance().importTestData(kScript));
        QVERIFY2(!log.contains("SQLite Execute Error"), qPrintable(log.dump()));

        // OR IGNORE also swallows NOT NULL failures, so count that every row arrived.
        QStringList counts;
        for (const QString& table : kTables)
            counts << table + "=" + QString::number(t.count(table));
        QCOMPARE(counts.join(' '), QString("sys_user=2 supplier=6 product=14 customer=6 purchase_order=4 "
                                           "purchase_order_item=14 inventory_batch=13 sales_order=3 "
                                           "sales_order_item=6 temperature_record=14"));
        const QStringList before = dump(t.db());
        log.clear();
        QVERIFY(DatabaseManager::instance().importTestData(kScript));
        QVERIFY(!log.contains("SQLite Execute Error"));
        QCOMPARE(dump(t.db()), before);
        // The demo shows the start-up warnings: near-expiry batches and no reading yet today.
        QCOMPARE(ExpiryWarningRepository(t.db()).findNearExpiryItems(180).size(), 5);
        QVERIFY(!TempHumidityRepository(t.db()).hasRecordToday());
    }

    // The sample books must add up, or every window built on them shows nonsense.
    void booksAreConsistent() {
        TestDatabase t;
        QVERIFY(DatabaseManager::instance().importTestData(kScript));
        // Each part lists the rows that break a rule: stock = accepted purchases - sales per batch; amount =
        // quantity x price; total = sum of lines; every reference points at a row; a sold line matches its
        // batch.
        QCOMPARE(
            column(
                t.db(),
                "SELECT 'stock ' || b.id FROM inventory_batch b WHERE b.quantity <> "
                "(SELECT COALESCE(SUM(i.quantity), 0) FROM purchase_order_item i WHERE i.product_id = "
                "b.product_id AND i.batch_no = b.batch_no AND i.acceptance_result = '合格') - "
                "(SELECT COALESCE(SUM(s.quantity), 0) FROM sales_order_item s WHERE s.batch_id = b.id) "
                "UNION ALL SELECT 'purchase line ' || id FROM purchase_order_item WHERE "
                "ROUND(quantity * unit_price, 2) <> amount "
                "UNION ALL SELECT 'sale line ' || id FROM sales_order_item WHERE "
                "ROUND(quantity * unit_price, 2) <> amount "
                "UNION ALL SELECT 'purchase total ' || o.id FROM purchase_order o WHERE "
                "ROUND(o.total_amount, "
                "2) <> (SELECT ROUND(SUM(amount), 2) FROM purchase_order_item WHERE order_id = o.id) "
                "UNION ALL SELECT 'sale total ' || o.id FROM sales_order o WHERE ROUND(o.total_amount, 2) <> "
                "(SELECT ROUND(SUM(amount), 2) FROM sales_order_item WHERE order_id = o.id) "
                "UNION ALL SELECT 'batch ' || id FROM inventory_batch WHERE product_id NOT IN (SELECT id "
                "FROM "
                "product) OR supplier_id NOT IN (SELECT id FROM supplier) "
                "UNION ALL SELECT 'purchase ' || id FROM purchase_order WHERE supplier_id NOT IN "
                "(SELECT id FROM supplier) OR operator_id NOT IN (SELECT id FROM sys_user) "
                "UNION ALL SELECT 'sale ' || id FROM sales_order WHERE customer_id NOT IN (SELECT id "
                "FROM customer) OR operator_id NOT IN (SELECT id FROM sys_user) "
                "UNION ALL SELECT 'sold batch ' || s.id FROM sales_order_item s LEFT JOIN "
                "inventory_batch b ON b.id = s.batch_id WHERE b.id IS NULL OR b.product_id <> "
                "s.product_id OR b.batch_no <> s.batch_no OR b.expiry_date <> s.expiry_date"),
            QStringList());
    }
};

QTEST_GUILESS_MAIN(TestTestData)
#include "tst_testdata.moc"

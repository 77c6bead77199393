#include "core/databasemanager.h"
#include "core/embeddedschema.h"
#include "core/passwordhash.h"
#include "tests/support/logcapture.h"
#include "tests/support/testdatabase.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::LogCapture;
using kestrovalin::test::TestDatabase;

namespace {

QStringList column(IDbAdapter* db, const QString& sql, int col = 0) {
    QStringList out;
    QSqlQuery q = db->query(sql);
    while (q.next())
        out.append(q.value(col).toString());
    return out;
}

} // namespace

class TestDatabaseManager : public QObject {
    Q_OBJECT
private slots:
    // Every table, every index with its name and columns.
    void freshFileHasTheWholeLayout() {
        TestDatabase t;
        QVERIFY(t.isOpen());
        QCOMPARE(
            column(t.db(), "SELECT name FROM sqlite_master WHERE type='table' AND name <> 'sqlite_sequence' "
                           "ORDER BY name")
                .join(' '),
            QString(
                "customer inventory_batch inventory_check inventory_check_item maintenance_check "
                "prescription prescription_item prescription_record product purchase_order "
                "purchase_order_item return_order return_order_item sales_order sales_order_item supplier "
                "sys_config sys_operation_log sys_user temperature_record unqualified_drug"));
        const QStringList indexes =
            QString(
                "idx_batch_expiry=inventory_batch(expiry_date) idx_batch_product=inventory_batch(product_id) "
                "idx_batch_product_batch=inventory_batch(product_id,batch_no) "
                "idx_batch_status=inventory_batch(status) idx_check_date=inventory_check(check_date) "
                "idx_check_item_check=inventory_check_item(check_id) "
                "idx_check_item_product=inventory_check_item(product_id) "
                "idx_check_no=inventory_check(check_no) "
                "idx_check_status=inventory_check(status) idx_customer_default=customer(is_default) "
                "idx_customer_name=customer(name) idx_customer_phone=customer(phone) "
                "idx_log_module_time=sys_operation_log(module,created_at) "
                "idx_maintenance_date=maintenance_check(check_date) "
                "idx_maintenance_month=maintenance_check(check_month) "
                "idx_prescription_item_prescription=prescription_item(prescription_id) "
                "idx_prescription_item_product=prescription_item(product_id) "
                "idx_prescription_no=prescription(prescription_no) "
                "idx_prescription_patient=prescription(patient_name) "
                "idx_prescription_status=prescription(status) idx_product_barcode=product(barcode) "
                "idx_product_mnemonic=product(mnemonic_code) idx_product_name=product(name) "
                "idx_product_status=product(status) "
                "idx_purchase_item_batch=purchase_order_item(product_id,batch_no) "
                "idx_purchase_item_expiry=purchase_order_item(expiry_date) "
                "idx_purchase_item_order=purchase_order_item(order_id) "
                "idx_purchase_item_product=purchase_order_item(product_id) "
                "idx_purchase_order_date=purchase_order(inbound_date) "
                "idx_purchase_order_status=purchase_order(status) "
                "idx_return_order_date=return_order(return_date) "
                "idx_return_order_type=return_order(return_type) "
                "idx_sales_item_batch=sales_order_item(batch_id) "
                "idx_sales_item_order=sales_order_item(order_id) "
                "idx_sales_item_product=sales_order_item(product_id) "
                "idx_sales_order_date=sales_order(sale_date) "
                "idx_sales_order_prescription=sales_order(prescription_id) "
                "idx_sales_order_status=sales_order(status) idx_supplier_status=supplier(status) "
                "idx_temp_record_date=temperature_record(record_date) "
                "idx_unqualified_batch=unqualified_drug(batch_id) "
                "idx_unqualified_product=unqualified_drug(product_id) "
                "idx_unqualified_status=unqualified_drug(status)")
                .split(' ');
        for (const QString& index : indexes) {
            const QString name = index.section('=', 0, 0);
            const QString table =
                t.scalar("SELECT tbl_name FROM sqlite_master WHERE type='index' AND name=?", {name})
                    .toString();
            QCOMPARE(name + "=" + table + "(" +
                         column(t.db(), "PRAGMA index_info(" + name + ")", 2).join(',') + ")",
                     index);
        }
    }

    void freshFileConfigSeedsAndMode() {
        TestDatabase t;
        QCOMPARE(column(t.db(), "SELECT config_key || '=' || config_value FROM sys_config ORDER BY id"),
                 QStringList({"expiry_warning_days=180", "qualification_warning_days=30", "temperature_min=0",
                              "temperature_max=30", "humidity_min=35", "humidity_max=75"}));
        QCOMPARE(t.scalar("PRAGMA journal_mode").toString(), QString("wal"));
        QCOMPARE(column(t.db(), "PRAGMA table_info(product)", 1).last(), QString("mnemonic_code"));
        QCOMPARE(column(t.db(), "SELECT password_hash || '|' || role || '|' || status FROM sys_user"),
                 QStringList{hashPassword("quoll") + "|manager|1"});
        QVERIFY(QRegularExpression("^[0-9a-f]{64}$").match(hashPassword("quoll")).hasMatch());
        // The retail customer's texts are empty, not NULL.
        QCOMPARE(
            column(t.db(),
                   "SELECT name || '|' || phone || address || id_card FROM customer WHERE is_default = 1"),
            QStringList{"零售客户|"});
    }

    void builtInScriptIsTheDocsScript() {
        QFile file(QStringLiteral(KV_SOURCE_DIR "/docs/database_schema.sql"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(EMBEDDED_SCHEMA_SQL), QString::fromUtf8(file.readAll()));
    }

    void splitter_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("statements");
        QTest::newRow("last statement without ;") << "A;\nB" << QStringList{"A"};
        QTest::newRow("comment after column") << "CREATE TABLE t (a INTEGER, -- first\n b TEXT);"
                                              << QStringList{"CREATE TABLE t (a INTEGER,  b TEXT)"};
        QTest::newRow("dashes glue words") << "SELECT a--x\nFROM t;" << QStringList{"SELECT aFROM t"};
        QTest::newRow("comment lines and empty statements")
            << "-- only a comment\n;\n  ;\nA;;B ;\n-- end" << QStringList{"A", "B"};
        QTest::newRow("no quoting") << "INSERT INTO t VALUES ('a;b');"
                                    << QStringList{"INSERT INTO t VALUES ('a", "b')"};
        QTest::newRow("comment at end without newline") << "A; -- tail" << QStringList{"A"};
    }
    void splitter() {
        QFETCH(QString, script);
        QFETCH(QStringList, statements);
        QCOMPARE(DatabaseManager::splitSqlScript(script), statements);
    }

    void secondAndThirdInitialisationChangeNothing() {
        TestDatabase t;
        LogCapture log;
        QVERIFY(DatabaseManager::instance().initialize(t.path()));
        QCOMPARE(log.count("Database already initialized"), 1);
        QVERIFY(DatabaseManager::instance().initializeSchema("/nonexistent/schema.sql"));
        QVERIFY(log.contains("Database schema already exists, skipping initialization."));
        const QString before = column(t.db(), "SELECT sql FROM sqlite_master ORDER BY name").join('\n');
        QVERIFY(DatabaseManager::instance().migrateSchema());
        QVERIFY(DatabaseManager::instance().migrateSchema());
        QCOMPARE(column(t.db(), "SELECT sql FROM sqlite_master ORDER BY name").join('\n'), before);
        QCOMPARE(log.count("Adding"), 0);
        QCOMPARE(log.count("Creating"), 0);
        QCOMPARE(log.count("Migrating"), log.count("Migrating database schema..."));
        QCOMPARE(t.count("sys_user") + t.count("customer"), 2);
    }

    // A clerk admin is repaired to manager and stays disabled; a second default customer appears only when
    // none is flagged.
    void seedingRules() {
        TestDatabase t;
        t.exec("UPDATE sys_user SET role='clerk', status=0, password_hash='x' WHERE username='admin'");
        DatabaseManager::instance().createDefaultAdminUser();
        QCOMPARE(column(t.db(), "SELECT role || status || password_hash FROM sys_user"),
                 QStringList{"manager0x"});
        DatabaseManager::instance().createDefaultCustomer();
        QCOMPARE(t.count("customer"), 1);
        t.exec("UPDATE customer SET is_default = 0");
        DatabaseManager::instance().createDefaultCustomer();
        QCOMPARE(t.count("customer", "is_default = 1"), 1);
        QCOMPARE(t.count("customer"), 2);
    }

    // Scripts are read as UTF-8 whatever the locale; only statements that ran are counted.
    void testDataCountsSucceededStatements() {
        TestDatabase t;
        QFile file(t.folder() + "/data.sql");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            QString("-- 样例数据\nINSERT INTO sys_config (config_key, config_value) VALUES ('k1', '值1');\n"
                    "INSERT INTO sys_config (config_key, config_value) VALUES ('k2', '值2');\n"
                    "INSERT INTO missing_table VALUES (1);\n")
                .toUtf8());
        file.close();
        LogCapture log;
        QVERIFY(DatabaseManager::instance().importTestData(file.fileName()));
        QVERIFY2(log.contains("Test data imported. Total statements: 2"), qPrintable(log.dump()));
        QCOMPARE(t.scalar("SELECT config_value FROM sys_config WHERE config_key='k2'").toString(),
                 QString("值2"));
        QVERIFY(!DatabaseManager::instance().importTestData(t.folder() + "/absent.sql"));
    }

    void withoutAdapterEverythingRefuses() {
        DatabaseManager::instance().shutdown();
        QVERIFY(!DatabaseManager::instance().getAdapter());
        QVERIFY(!DatabaseManager::instance().importTestData("/nonexistent.sql"));
        DatabaseManager::instance().createDefaultAdminUser();
        QVERIFY(!DatabaseManager::instance().migrateSchema());
        QVERIFY(!DatabaseManager::instance().initializeSchema("x"));
        DatabaseManager::instance().shutdown();
    }

    void openFailureLeavesNoAdapter() {
        QTemporaryDir dir;
        QFile blocker(dir.filePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        DatabaseManager::instance().shutdown();
        LogCapture log;
        QVERIFY(!DatabaseManager::instance().initialize(dir.filePath("file/sub/x.db")));
        QVERIFY(!DatabaseManager::instance().getAdapter());
        QVERIFY(log.contains("Failed to open SQLite database:"));
    }
};

QTEST_GUILESS_MAIN(TestDatabaseManager)
#include "tst_databasemanager.moc"

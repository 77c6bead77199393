#include "core/databasemanager.h"
#include "core/passwordhash.h"
#include "core/sqliteadapter.h"
#include "tests/support/logcapture.h"
#include "tests/support/testdatabase.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::LogCapture;
using kestrovalin::test::TestDatabase;

namespace {

QStringList rows(IDbAdapter* db, const QString& sql) {
    QStringList out;
    QSqlQuery q = db->query(sql);
    while (q.next())
        out.append(q.value(0).toString());
    return out;
}

QStringList rows(const QString& sql) {
    return rows(DatabaseManager::instance().getAdapter(), sql);
}

// Writes an older layout straight into a file, then opens it the way start-up does.
bool openOldFile(const QTemporaryDir& dir, const QStringList& statements) {
    DatabaseManager::instance().shutdown();
    {
        SQLiteAdapter raw;
        if (!raw.connect(dir.filePath("old.db")))
            return false;
        for (const QString& statement : statements) {
            if (!raw.execute(statement))
                return false;
        }
    }
    return DatabaseManager::instance().initialize(dir.filePath("old.db"));
}

const QString kOldPrescription =
    "CREATE TABLE prescription (id INTEGER PRIMARY KEY AUTOINCREMENT, prescription_no TEXT NOT NULL UNIQUE, "
    "doctor_name TEXT NOT NULL, doctor_title TEXT, hospital_name TEXT, patient_name TEXT NOT NULL, "
    "patient_age INTEGER, patient_gender TEXT, diagnosis TEXT, created_at DATETIME NOT NULL DEFAULT "
    "CURRENT_TIMESTAMP, valid_until DATE, status TEXT NOT NULL DEFAULT 'valid', used_count INTEGER NOT NULL "
    "DEFAULT 0, created_by INTEGER, review_by INTEGER, review_time DATETIME)";
const QString kOldMaintenance =
    "CREATE TABLE maintenance_check (id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "check_month TEXT, check_date DATE, operator_id INTEGER, created_at DATETIME)";

// Every index of a fresh file with its columns.
const char* const kIndexes =
    "idx_batch_expiry(expiry_date) idx_batch_product(product_id) "
    "idx_batch_product_batch(product_id,batch_no) idx_batch_status(status) idx_check_date(check_date) "
    "idx_check_item_check(check_id) idx_check_item_product(product_id) idx_check_no(check_no) "
    "idx_check_status(status) idx_customer_default(is_default) idx_customer_name(name) "
    "idx_customer_phone(phone) idx_log_module_time(module,created_at) idx_maintenance_date(check_date) "
    "idx_maintenance_month(check_month) idx_prescription_item_prescription(prescription_id) "
    "idx_prescription_item_product(product_id) idx_prescription_no(prescription_no) "
    "idx_prescription_patient(patient_name) idx_prescription_status(status) idx_product_barcode(barcode) "
    "idx_product_mnemonic(mnemonic_code) idx_product_name(name) idx_product_status(status) "
    "idx_purchase_item_batch(product_id,batch_no) idx_purchase_item_expiry(expiry_date) "
    "idx_purchase_item_order(order_id) idx_purchase_item_product(product_id) "
    "idx_purchase_order_date(inbound_date) idx_purchase_order_status(status) "
    "idx_return_order_date(return_date) idx_return_order_type(return_type) "
    "idx_sales_item_batch(batch_id) idx_sales_item_order(order_id) idx_sales_item_product(product_id) "
    "idx_sales_order_date(sale_date) idx_sales_order_prescription(prescription_id) "
    "idx_sales_order_status(status) idx_supplier_status(status) idx_temp_record_date(record_date) "
    "idx_unqualified_batch(batch_id) idx_unqualified_product(product_id) idx_unqualified_status(status)";

} // namespace

// The adapter, the database manager with its schema and seeds, and the migrations of older layouts.
class TestDataStore : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { DatabaseManager::instance().shutdown(); }

    // Two files open at once (one in a folder that did not exist); a failed statement is logged with its SQL,
    // yields an inactive query and leaves lastError() alone. The adapter drops its own handle before removing
    // the connection, so Qt does not warn that it is still in use.
    void adapter() {
        QTemporaryDir dir;
        LogCapture log;
        QString name;
        {
            SQLiteAdapter a, b;
            name = a.connectionName();
            QVERIFY(a.connect(dir.filePath("deep/er/a.db")));
            QVERIFY(b.connect(dir.filePath("b.db")));
            QVERIFY(a.execute("CREATE TABLE t (x INTEGER)") && a.execute("INSERT INTO t VALUES (?)", {7}));
            QVERIFY(b.execute("CREATE TABLE t (x INTEGER)"));
            QCOMPARE(rows(&a, "SELECT x FROM t") + rows(&b, "SELECT x FROM t") +
                         rows(&b, "PRAGMA journal_mode"),
                     (QStringList{"7", "wal"}));
            QVERIFY(!a.execute("INSERT INTO nowhere VALUES (1)"));
            QVERIFY(!a.query("SELEC broken").isActive());
            QVERIFY(!a.lastError().isValid());
        }
        QCOMPARE(log.count(QtWarningMsg, "SQLite Execute Error:"), 1);
        QCOMPARE(log.count(QtWarningMsg, "SQLite Query Error:"), 1);
        QVERIFY(log.contains("SQL: SELEC broken"));
        QVERIFY(!QSqlDatabase::contains(name));
        QCOMPARE(log.count("still in use"), 0);
    }

    void freshFile() {
        TestDatabase t;
        QCOMPARE(
            rows(t.db(), "SELECT name FROM sqlite_master WHERE type='table' AND name <> 'sqlite_sequence' "
                         "ORDER BY name")
                .join(' '),
            QString("customer inventory_batch inventory_check inventory_check_item maintenance_check "
                    "prescription prescription_item prescription_record product purchase_order "
                    "purchase_order_item return_order return_order_item sales_order sales_order_item "
                    "supplier sys_config sys_operation_log sys_user temperature_record unqualified_drug"));
        QStringList missing = QString(kIndexes).split(' ');
        for (const QString& index : rows(t.db(), "SELECT m.name || '(' || (SELECT "
                                                 "group_concat(name) FROM pragma_index_info(m.name)) || ')' "
                                                 "FROM sqlite_master m WHERE type = 'index'"))
            missing.removeAll(index);
        QCOMPARE(missing, QStringList());
        QCOMPARE(rows(t.db(), "SELECT config_key || '=' || config_value FROM sys_config ORDER BY id"),
                 QStringList({"expiry_warning_days=180", "qualification_warning_days=30", "temperature_min=0",
                              "temperature_max=30", "humidity_min=35", "humidity_max=75"}));
        QCOMPARE(t.scalar("PRAGMA journal_mode").toString(), QString("wal"));
        QCOMPARE(rows(t.db(), "SELECT name FROM pragma_table_info('product')").last(),
                 QString("mnemonic_code"));
        QVERIFY(QRegularExpression("^[0-9a-f]{64}$").match(hashPassword("quoll")).hasMatch());
        QCOMPARE(rows(t.db(), "SELECT username || password_hash || role || status FROM sys_user"),
                 QStringList{"admin" + hashPassword("quoll") + "manager1"});
        // The retail customer's texts are empty, not NULL.
        QCOMPARE(rows(t.db(), "SELECT name || '|' || phone || address || id_card FROM customer"),
                 QStringList{"零售客户|"});
    }

    void repeatedStartsChangeNothing() {
        TestDatabase t;
        LogCapture log;
        QVERIFY(DatabaseManager::instance().initialize(t.path()));
        QVERIFY(log.contains("Database already initialized"));
        QVERIFY(DatabaseManager::instance().initializeSchema("/nonexistent/schema.sql"));
        const QStringList before = rows(t.db(), "SELECT sql FROM sqlite_master ORDER BY name");
        QVERIFY(DatabaseManager::instance().migrateSchema());
        QVERIFY(DatabaseManager::instance().migrateSchema());
        QCOMPARE(rows(t.db(), "SELECT sql FROM sqlite_master ORDER BY name"), before);
        QCOMPARE(log.count("Adding") + log.count("Creating"), 0);
        QCOMPARE(log.count("Migrating"), log.count("Migrating database schema..."));
    }

    void splitter_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("statements");
        QTest::newRow("last statement without ;") << "A;\nB" << QStringList{"A"};
        QTest::newRow("comment after column") << "CREATE TABLE t (a INTEGER, -- first\n b TEXT);"
                                              << QStringList{"CREATE TABLE t (a INTEGER,  b TEXT)"};
        QTest::newRow("dashes glue words") << "SELECT a--x\nFROM t;" << QStringList{"SELECT aFROM t"};
        QTest::newRow("comment lines, empty statements")
            << "-- c\n;\n  ;\nA;;B ;\n-- end" << QStringList{"A", "B"};
        QTest::newRow("no quoting") << "VALUES ('a;b');" << QStringList{"VALUES ('a", "b')"};
    }
    void splitter() {
        QFETCH(QString, script);
        QTEST(DatabaseManager::splitSqlScript(script), "statements");
    }

    // A clerk admin is repaired to manager and stays disabled; a second default customer appears only when
    // none is flagged.
    void seedingRules() {
        TestDatabase t;
        t.exec("UPDATE sys_user SET role='clerk', status=0, password_hash='x' WHERE username='admin'");
        DatabaseManager::instance().createDefaultAdminUser();
        QCOMPARE(rows(t.db(), "SELECT role || status || password_hash FROM sys_user"),
                 QStringList{"manager0x"});
        DatabaseManager::instance().createDefaultCustomer();
        QCOMPARE(t.count("customer"), 1);
        t.exec("UPDATE customer SET is_default = 0");
        DatabaseManager::instance().createDefaultCustomer();
        QCOMPARE(t.count("customer", "is_default = 1"), 1);
        QCOMPARE(t.count("customer"), 2);
    }

    // Scripts are UTF-8 whatever the locale says; only the statements that ran are counted.
    void scriptsAreUtf8() {
        TestDatabase t;
        QFile file(t.folder() + "/data.sql");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QString("-- 样例\nINSERT INTO sys_config (config_key, config_value) VALUES ('k', '值');\n"
                           "INSERT INTO missing_table VALUES (1);\n")
                       .toUtf8());
        file.close();
        QTextCodec* locale = QTextCodec::codecForLocale();
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
        LogCapture log;
        const bool imported = DatabaseManager::instance().importTestData(file.fileName());
        QTextCodec::setCodecForLocale(locale);
        QVERIFY(imported);
        QVERIFY(log.contains("Test data imported. Total statements: 1"));
        QCOMPARE(t.scalar("SELECT config_value FROM sys_config WHERE config_key='k'").toString(),
                 QString("值"));
    }

    // Missing columns get their defaults on existing rows; each rebuild happens once and keeps ids and rows,
    // and a prescription number is no longer UNIQUE afterwards.
    void olderLayoutsMigrateOnce() {
        QTemporaryDir dir;
        LogCapture log;
        QVERIFY(openOldFile(
            dir, {"CREATE TABLE return_order_item (id INTEGER PRIMARY KEY, return_id INTEGER, batch_no TEXT)",
                  "INSERT INTO return_order_item (return_id, batch_no) VALUES (1, 'B1')",
                  "CREATE TABLE sales_order (id INTEGER PRIMARY KEY, order_no TEXT)",
                  "INSERT INTO sales_order (order_no) VALUES ('SAL202601010001')",
                  "CREATE TABLE supplier (id INTEGER PRIMARY KEY, name TEXT)",
                  "INSERT INTO supplier (name) VALUES ('华东医药')",
                  "CREATE TABLE unqualified_drug (id INTEGER PRIMARY KEY, reason TEXT)",
                  "INSERT INTO unqualified_drug (reason) VALUES ('damaged')", kOldPrescription,
                  "INSERT INTO prescription (id, prescription_no, doctor_name, patient_name) "
                  "VALUES (5, 'RX1', '王医生', '李四'), (9, 'RX2', '王医生', '张三')",
                  kOldMaintenance,
                  "INSERT INTO maintenance_check VALUES (3, '202601', '2026-01-05', 7, "
                  "'2026-01-05 09:00:00'), (4, '202602', '2026-02-05', NULL, NULL)"}));
        DatabaseManager::instance().migrateSchema(); // a second start
        QCOMPARE(log.count("Migrating prescription table") + log.count("Migrating maintenance_check"), 2);
        QCOMPARE(rows("SELECT production_date || expiry_date || batch_id FROM return_order_item") +
                     rows("SELECT customer_id FROM sales_order") +
                     rows("SELECT qualification_status FROM supplier") +
                     rows("SELECT found_by || product_name FROM unqualified_drug") +
                     rows("SELECT id || prescription_no || patient_name FROM prescription ORDER BY id"),
                 (QStringList{"2000-01-012099-12-310", "0", "valid", "1", "5RX1李四", "9RX2张三"}));
        QVERIFY(DatabaseManager::instance().getAdapter()->execute(
            "INSERT INTO prescription (prescription_no, doctor_name, patient_name) VALUES ('RX1', 'a', "
            "'b')"));
        QCOMPARE(rows("SELECT id || ':' || check_month || typeof(check_month) || ':' || check_date || ':' || "
                      "checked_by || humidity_normal || pest_control_ok || ':' || IFNULL(created_at, '-') "
                      "FROM maintenance_check ORDER BY id"),
                 QStringList({"3:202601integer:2026-01-05:700:2026-01-05 09:00:00",
                              "4:202602integer:2026-02-05:100:-"}));
        // The script never runs on a file that has tables (no product), and no old table is left behind.
        QCOMPARE(rows("SELECT name FROM sqlite_master WHERE name LIKE '%_old' OR name IN ('customer', "
                      "'product', 'idx_prescription_no', 'idx_maintenance_month') ORDER BY name"),
                 QStringList({"customer", "idx_maintenance_month", "idx_prescription_no"}));
    }

    // A copy that fails, or would drop rows without a month or a date, leaves the old table as it was under
    // its own name, with every row; the failed copy makes the migration report failure.
    void failedRebuildsKeepTheOldTables() {
        QTemporaryDir dir;
        LogCapture log;
        QVERIFY(openOldFile(
            dir,
            {QString(kOldPrescription).replace("review_time DATETIME)", "review_time DATETIME, extra TEXT)"),
             "INSERT INTO prescription (prescription_no, doctor_name, patient_name, extra) VALUES "
             "('RX1', '王医生', '李四', 'x')",
             kOldMaintenance,
             "INSERT INTO maintenance_check VALUES (1, '202601', NULL, 1, NULL), (2, '202602', "
             "'2026-02-01', 1, NULL)"}));
        QVERIFY(log.contains("Failed to migrate database schema"));
        QCOMPARE(log.count(QtWarningMsg, "maintenance_check holds rows without a month or a date"), 1);
        QVERIFY(!DatabaseManager::instance().migrateSchema());
        QCOMPARE(rows("SELECT prescription_no || extra FROM prescription") +
                     rows("SELECT COUNT(*) || group_concat(operator_id) FROM maintenance_check"),
                 (QStringList{"RX1x", "21,1"}));
        QCOMPARE(rows("SELECT COUNT(*) FROM sqlite_master WHERE name LIKE '%_old'"), QStringList{"0"});
    }
};

QTEST_GUILESS_MAIN(TestDataStore)
#include "tst_databasemanager.moc"

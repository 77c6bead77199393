#include "core/databasemanager.h"
#include "core/embeddedschema.h"
#include "core/passwordhash.h"
#include "core/sqliteadapter.h"
#include "tests/support/logcapture.h"
#include "tests/support/testdatabase.h"

#include <QSqlQuery>
#include <QTemporaryDir>
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

// Writes an older layout straight into a file, then lets the real start-up path open it.
class OldFile {
public:
    OldFile() : m_path(m_dir.filePath("old.db")) {
        DatabaseManager::instance().shutdown();
        m_raw.connect(m_path);
    }
    ~OldFile() { DatabaseManager::instance().shutdown(); }
    void exec(const QString& sql) { QVERIFY2(m_raw.execute(sql), qPrintable(sql)); }
    bool open() {
        m_raw.disconnect();
        return DatabaseManager::instance().initialize(m_path);
    }
    QStringList values(const QString& sql) { return column(DatabaseManager::instance().getAdapter(), sql); }
    bool exists(const QString& name) {
        return values("SELECT COUNT(*) FROM sqlite_master WHERE name = '" + name + "'") == QStringList{"1"};
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    SQLiteAdapter m_raw;
};

const QString kOldPrescription =
    "CREATE TABLE prescription (id INTEGER PRIMARY KEY AUTOINCREMENT, prescription_no TEXT NOT NULL UNIQUE, "
    "doctor_name TEXT NOT NULL, doctor_title TEXT, hospital_name TEXT, patient_name TEXT NOT NULL, "
    "patient_age INTEGER, patient_gender TEXT, diagnosis TEXT, created_at DATETIME NOT NULL DEFAULT "
    "CURRENT_TIMESTAMP, valid_until DATE, status TEXT NOT NULL DEFAULT 'valid', used_count INTEGER NOT NULL "
    "DEFAULT 0, created_by INTEGER, review_by INTEGER, review_time DATETIME)";

const QString kOldMaintenance =
    "CREATE TABLE maintenance_check (id INTEGER PRIMARY KEY AUTOINCREMENT, check_month "
    "TEXT, check_date DATE, operator_id INTEGER, result TEXT, created_at DATETIME)";

// Every index of a fresh file with its table and columns.
const char* const kIndexes =
    "idx_batch_expiry=inventory_batch(expiry_date) idx_batch_product=inventory_batch(product_id) "
    "idx_batch_product_batch=inventory_batch(product_id,batch_no) idx_batch_status=inventory_batch(status) "
    "idx_check_date=inventory_check(check_date) idx_check_item_check=inventory_check_item(check_id) "
    "idx_check_item_product=inventory_check_item(product_id) idx_check_no=inventory_check(check_no) "
    "idx_check_status=inventory_check(status) idx_customer_default=customer(is_default) "
    "idx_customer_name=customer(name) idx_customer_phone=customer(phone) "
    "idx_log_module_time=sys_operation_log(module,created_at) "
    "idx_maintenance_date=maintenance_check(check_date) idx_maintenance_month=maintenance_check(check_month) "
    "idx_prescription_item_prescription=prescription_item(prescription_id) "
    "idx_prescription_item_product=prescription_item(product_id) "
    "idx_prescription_no=prescription(prescription_no) idx_prescription_patient=prescription(patient_name) "
    "idx_prescription_status=prescription(status) idx_product_barcode=product(barcode) "
    "idx_product_mnemonic=product(mnemonic_code) idx_product_name=product(name) "
    "idx_product_status=product(status) idx_purchase_item_batch=purchase_order_item(product_id,batch_no) "
    "idx_purchase_item_expiry=purchase_order_item(expiry_date) "
    "idx_purchase_item_order=purchase_order_item(order_id) "
    "idx_purchase_item_product=purchase_order_item(product_id) "
    "idx_purchase_order_date=purchase_order(inbound_date) idx_purchase_order_status=purchase_order(status) "
    "idx_return_order_date=return_order(return_date) idx_return_order_type=return_order(return_type) "
    "idx_sales_item_batch=sales_order_item(batch_id) idx_sales_item_order=sales_order_item(order_id) "
    "idx_sales_item_product=sales_order_item(product_id) idx_sales_order_date=sales_order(sale_date) "
    "idx_sales_order_prescription=sales_order(prescription_id) idx_sales_order_status=sales_order(status) "
    "idx_supplier_status=supplier(status) idx_temp_record_date=temperature_record(record_date) "
    "idx_unqualified_batch=unqualified_drug(batch_id) idx_unqualified_product=unqualified_drug(product_id) "
    "idx_unqualified_status=unqualified_drug(status)";

} // namespace

// The adapter, the database manager with its schema and seeds, and the migrations of older layouts.
class TestDataStore : public QObject {
    Q_OBJECT
private slots:
    void twoAdaptersOpenTwoFilesAtOnce() {
        QTemporaryDir dir;
        SQLiteAdapter a, b;
        QVERIFY(a.connect(dir.filePath("deep/er/a.db"))); // the missing folder is created
        QVERIFY(b.connect(dir.filePath("b.db")));
        QVERIFY(a.execute("CREATE TABLE t (x INTEGER)"));
        QVERIFY(a.execute("INSERT INTO t VALUES (?)", {7}));
        QVERIFY(b.execute("CREATE TABLE t (x INTEGER)"));
        QCOMPARE(column(&a, "SELECT COUNT(*) FROM t").value(0).toInt(), 1);
        QCOMPARE(column(&b, "SELECT COUNT(*) FROM t").value(0).toInt(), 0);
        QCOMPARE(column(&a, "PRAGMA journal_mode").value(0), QString("wal"));
    }

    void failedStatementIsLoggedAndNotStored() {
        QTemporaryDir dir;
        SQLiteAdapter a;
        QVERIFY(a.connect(dir.filePath("x.db")));
        const QSqlError before = a.lastError();
        LogCapture log;
        QVERIFY(!a.execute("INSERT INTO nowhere VALUES (1)"));
        QCOMPARE(log.count(QtWarningMsg, "SQLite Execute Error:"), 1);
        QVERIFY(log.contains("SQL: INSERT INTO nowhere VALUES (1)"));
        QSqlQuery q = a.query("SELEC broken");
        QVERIFY(!q.isActive());
        QCOMPARE(log.count(QtWarningMsg, "SQLite Query Error:"), 1);
        QCOMPARE(a.lastError().text(), before.text());
        a.disconnect();
        QVERIFY(!a.execute("SELECT 1"));
    }

    // A null QString binds as NULL, an empty one as ''.
    void emptyAndNullParameters() {
        QTemporaryDir dir;
        SQLiteAdapter a;
        QVERIFY(a.connect(dir.filePath("p.db")));
        QVERIFY(a.execute("CREATE TABLE t (a TEXT, b TEXT)"));
        QVERIFY(a.execute("INSERT INTO t VALUES (?, ?)", {QString(""), QVariant()}));
        QCOMPARE(column(&a, "SELECT (a IS NULL) || (b IS NULL) FROM t WHERE a = ''").value(0), QString("01"));
    }

    // The adapter drops its own handle before removing the connection: no "still in use" warning.
    void destructionUnregistersWithoutWarning() {
        QTemporaryDir dir;
        QString name;
        LogCapture log;
        {
            SQLiteAdapter a;
            name = a.connectionName();
            QVERIFY(a.connect(dir.filePath("d.db")));
            QVERIFY(QSqlDatabase::contains(name));
        }
        QVERIFY(!QSqlDatabase::contains(name));
        QCOMPARE(log.count("still in use"), 0);
    }

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
        const QStringList actual =
            column(t.db(), "SELECT m.name || '=' || m.tbl_name || '(' || (SELECT group_concat(name) "
                           "FROM pragma_index_info(m.name)) || ')' FROM sqlite_master m");
        const QStringList indexes = QString(kIndexes).split(' ');
        for (const QString& index : indexes)
            QVERIFY2(actual.contains(index), qPrintable(index));
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

    void olderColumnsGetTheirDefaults() {
        OldFile f;
        f.exec("CREATE TABLE return_order_item (id INTEGER PRIMARY KEY AUTOINCREMENT, return_id INTEGER NOT "
               "NULL, "
               "product_id INTEGER NOT NULL, batch_no TEXT NOT NULL, quantity INTEGER NOT NULL)");
        f.exec("INSERT INTO return_order_item (return_id, product_id, batch_no, quantity) VALUES (1, 2, "
               "'B1', 3)");
        f.exec(
            "CREATE TABLE sales_order (id INTEGER PRIMARY KEY AUTOINCREMENT, order_no TEXT NOT NULL UNIQUE)");
        f.exec("INSERT INTO sales_order (order_no) VALUES ('SAL202601010001')");
        f.exec("CREATE TABLE supplier (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL)");
        f.exec("INSERT INTO supplier (name) VALUES ('华东医药')");
        f.exec("CREATE TABLE unqualified_drug (id INTEGER PRIMARY KEY AUTOINCREMENT, product_id INTEGER NOT "
               "NULL, "
               "batch_id INTEGER NOT NULL, batch_no TEXT NOT NULL, quantity INTEGER NOT NULL, reason TEXT "
               "NOT NULL)");
        f.exec("INSERT INTO unqualified_drug (product_id, batch_id, batch_no, quantity, reason) "
               "VALUES (1, 1, 'B', 2, 'damaged')");
        LogCapture log;
        QVERIFY(f.open());
        QCOMPARE(
            f.values(
                "SELECT production_date || '/' || expiry_date || '/' || batch_id FROM return_order_item"),
            QStringList{"2000-01-01/2099-12-31/0"});
        QCOMPARE(f.values("SELECT customer_id FROM sales_order"), QStringList{"0"});
        QCOMPARE(f.values("SELECT qualification_status FROM supplier"), QStringList{"valid"});
        QCOMPARE(f.values("SELECT found_by || product_name FROM unqualified_drug"), QStringList{"1"});
        // The script never runs on a file with tables, so the other tables come only from the migrations.
        QVERIFY(f.exists("customer"));
        QVERIFY(!f.exists("product"));
        QVERIFY(!DatabaseManager::instance().migrateSchema()); // product and friends still missing
    }

    // Rebuilt once in one transaction, keeping ids and rows.
    void uniquePrescriptionIsRebuiltOnce() {
        OldFile f;
        f.exec(kOldPrescription);
        f.exec("INSERT INTO prescription (id, prescription_no, doctor_name, patient_name) VALUES "
               "(5, 'RX1', '王医生', '李四'), (9, 'RX2', '王医生', '张三')");
        LogCapture log;
        QVERIFY(f.open());
        QCOMPARE(f.values("SELECT id || prescription_no || patient_name FROM prescription ORDER BY id"),
                 QStringList({"5RX1李四", "9RX2张三"}));
        QVERIFY(DatabaseManager::instance().getAdapter()->execute(
            "INSERT INTO prescription (prescription_no, doctor_name, patient_name) VALUES ('RX1', '赵医生', "
            "'王五')"));
        QVERIFY(!f.exists("prescription_old"));
        QVERIFY(f.exists("idx_prescription_no"));
        DatabaseManager::instance().migrateSchema();
        QCOMPARE(log.count("Migrating prescription table"), 1);
    }

    // A failed copy rolls back: the old table keeps its name and every row, and the migration reports
    // failure.
    void failedPrescriptionCopyRollsBack() {
        OldFile f;
        // One column more than the current layout: the positional copy cannot succeed.
        f.exec(
            QString(kOldPrescription).replace("review_time DATETIME)", "review_time DATETIME, extra TEXT)"));
        f.exec("INSERT INTO prescription (prescription_no, doctor_name, patient_name, extra) VALUES ('RX1', "
               "'王医生', '李四', 'x')");
        LogCapture log;
        QVERIFY(f.open());
        QVERIFY(log.contains("Failed to migrate database schema"));
        QVERIFY(!DatabaseManager::instance().migrateSchema());
        QCOMPARE(f.values("SELECT prescription_no || extra FROM prescription"), QStringList{"RX1x"});
        QVERIFY(!f.exists("prescription_old"));
    }

    void oldMaintenanceCheckIsRebuilt() {
        OldFile f;
        f.exec(kOldMaintenance);
        f.exec("INSERT INTO maintenance_check VALUES (3, '202601', '2026-01-05', 7, 'ok', '2026-01-05 "
               "09:00:00'), "
               "(4, '202602', '2026-02-05', NULL, 'ok', NULL)");
        LogCapture log;
        QVERIFY(f.open());
        QCOMPARE(
            f.values(
                "SELECT id || ':' || check_month || ':' || typeof(check_month) || ':' || check_date || ':' "
                "|| checked_by || ':' || humidity_normal || pest_control_ok || ':' || "
                "IFNULL(created_at, '-') FROM maintenance_check ORDER BY id"),
            QStringList({"3:202601:integer:2026-01-05:7:00:2026-01-05 09:00:00",
                         "4:202602:integer:2026-02-05:1:00:-"}));
        DatabaseManager::instance().migrateSchema();
        QCOMPARE(log.count("Migrating maintenance_check"), 1);
    }

    // The NOT NULL copy would skip rows without a month or a date: keep the old table and warn.
    void maintenanceRowsThatWouldBeLostKeepTheOldTable() {
        OldFile f;
        f.exec(kOldMaintenance);
        f.exec("INSERT INTO maintenance_check VALUES (1, '202601', NULL, 1, 'ok', NULL), "
               "(2, '202602', '2026-02-01', 1, 'ok', NULL)");
        LogCapture log;
        QVERIFY(f.open());
        QCOMPARE(log.count(QtWarningMsg, "maintenance_check holds rows without a month or a date"), 1);
        QCOMPARE(f.values("SELECT COUNT(*) FROM maintenance_check"), QStringList{"2"});
        QCOMPARE(
            f.values("SELECT COUNT(*) FROM pragma_table_info('maintenance_check') WHERE name='operator_id'"),
            QStringList{"1"});
    }
};

QTEST_GUILESS_MAIN(TestDataStore)
#include "tst_databasemanager.moc"

#include "core/databasemanager.h"
#include "core/sqliteadapter.h"
#include "tests/support/logcapture.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::LogCapture;

namespace {

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
    QStringList values(const QString& sql) {
        QStringList out;
        QSqlQuery q = DatabaseManager::instance().getAdapter()->query(sql);
        while (q.next())
            out.append(q.value(0).toString());
        return out;
    }
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
    "patient_age "
    "INTEGER, patient_gender TEXT, diagnosis TEXT, created_at DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP, "
    "valid_until DATE, status TEXT NOT NULL DEFAULT 'valid', used_count INTEGER NOT NULL DEFAULT 0, "
    "created_by "
    "INTEGER, review_by INTEGER, review_time DATETIME)";

const QString kOldMaintenance =
    "CREATE TABLE maintenance_check (id INTEGER PRIMARY KEY AUTOINCREMENT, check_month "
    "TEXT, check_date DATE, operator_id INTEGER, result TEXT, created_at DATETIME)";

} // namespace

class TestMigrations : public QObject {
    Q_OBJECT
private slots:
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

QTEST_GUILESS_MAIN(TestMigrations)
#include "tst_migrations.moc"

#include "core/schemamigrator.h"

#include "core/idbadapter.h"
#include "core/transaction.h"

#include <QDebug>

namespace kestrovalin {

namespace {

const char* const kInventoryCheckColumns =
    "id INTEGER PRIMARY KEY AUTOINCREMENT, check_no TEXT NOT NULL UNIQUE, check_type TEXT NOT NULL, "
    "check_date DATE NOT NULL, operator_id INTEGER NOT NULL, status TEXT NOT NULL DEFAULT 'draft', "
    "remark TEXT, created_at DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP, approved_at DATETIME, approved_by "
    "INTEGER";

const char* const kInventoryCheckItemColumns =
    "id INTEGER PRIMARY KEY AUTOINCREMENT, check_id INTEGER NOT NULL, product_id INTEGER NOT NULL, "
    "batch_id INTEGER, batch_no TEXT NOT NULL, production_date DATE NOT NULL, expiry_date DATE NOT NULL, "
    "system_quantity INTEGER NOT NULL, actual_quantity INTEGER NOT NULL, diff_quantity INTEGER NOT NULL, "
    "diff_reason TEXT, remark TEXT";

const char* const kUnqualifiedDrugColumns =
    "id INTEGER PRIMARY KEY AUTOINCREMENT, product_id INTEGER NOT NULL, product_name TEXT NOT NULL, "
    "barcode TEXT, product_spec TEXT, manufacturer TEXT, batch_id INTEGER NOT NULL, batch_no TEXT NOT NULL, "
    "production_date TEXT, expiry_date TEXT, quantity INTEGER NOT NULL, supplier_id INTEGER, "
    "supplier_name TEXT, reason TEXT NOT NULL, reason_remark TEXT, "
    "report_date DATE NOT NULL DEFAULT CURRENT_DATE, found_by INTEGER NOT NULL, "
    "status TEXT NOT NULL DEFAULT 'pending', process_type TEXT, process_date DATE, process_by INTEGER, "
    "remark TEXT, created_at DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP";

const char* const kPrescriptionColumns =
    "id INTEGER PRIMARY KEY AUTOINCREMENT, prescription_no TEXT NOT NULL, doctor_name TEXT NOT NULL, "
    "doctor_title TEXT, hospital_name TEXT, patient_name TEXT NOT NULL, patient_age INTEGER, "
    "patient_gender TEXT, diagnosis TEXT, created_at DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP, "
    "valid_until DATE, status TEXT NOT NULL DEFAULT 'valid', used_count INTEGER NOT NULL DEFAULT 0, "
    "created_by INTEGER, review_by INTEGER, review_time DATETIME";

const char* const kPrescriptionItemColumns =
    "id INTEGER PRIMARY KEY AUTOINCREMENT, prescription_id INTEGER NOT NULL, product_id INTEGER NOT NULL, "
    "product_name TEXT NOT NULL, specification TEXT, quantity INTEGER NOT NULL, dosage TEXT, unit TEXT";

const char* const kMaintenanceCheckColumns =
    "id INTEGER PRIMARY KEY AUTOINCREMENT, check_month INTEGER NOT NULL, check_date DATE NOT NULL, "
    "checked_by INTEGER NOT NULL DEFAULT 1, humidity_normal INTEGER NOT NULL DEFAULT 0, "
    "temperature_normal INTEGER NOT NULL DEFAULT 0, storage_condition_ok INTEGER NOT NULL DEFAULT 0, "
    "facilities_ok INTEGER NOT NULL DEFAULT 0, pest_control_ok INTEGER NOT NULL DEFAULT 0, remark TEXT, "
    "created_at DATETIME";

const char* const kCustomerColumns =
    "id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL, phone TEXT, address TEXT, id_card TEXT, "
    "remark TEXT, is_default INTEGER NOT NULL DEFAULT 0, "
    "created_at DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP, updated_at DATETIME NOT NULL DEFAULT "
    "CURRENT_TIMESTAMP";

QString index(const char* name, const char* table, const char* cols) {
    return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2(%3)")
        .arg(QLatin1String(name), QLatin1String(table), QLatin1String(cols));
}

QString createIfMissing(const char* table, const char* cols) {
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)")
        .arg(QLatin1String(table), QLatin1String(cols));
}

QString createPlain(const char* table, const char* cols) {
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(QLatin1String(table), QLatin1String(cols));
}

struct ColumnAdd {
    const char* column;
    const char* definition;
    const char* successText;
};

} // namespace

QSet<QString> SchemaMigrator::columns(const QString& table) {
    QSet<QString> names;
    QSqlQuery q = m_db->query(QStringLiteral("PRAGMA table_info(") + table + QStringLiteral(")"));
    if (!q.isActive())
        return names;
    while (q.next())
        names.insert(q.value(1).toString());
    return names;
}

bool SchemaMigrator::tableExists(const QString& table) {
    QSqlQuery q = m_db->query(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name='") +
                              table + "'");
    return q.isActive() && q.next();
}

bool SchemaMigrator::hasUniqueIndex(const QString& table) {
    QSqlQuery q = m_db->query(QStringLiteral("PRAGMA index_list(") + table + QStringLiteral(")"));
    while (q.isActive() && q.next()) {
        if (q.value(2).toInt() == 1)
            return true;
    }
    return false;
}

bool SchemaMigrator::addColumn(const QSet<QString>& present, const QString& table, const QString& column,
                               const QString& definition, const QString& successText) {
    if (present.contains(column))
        return true;
    qDebug().noquote() << "Adding " + column + " column to " + table + " table...";
    if (!m_db->execute(QStringLiteral("ALTER TABLE ") + table + " ADD COLUMN " + column + " " + definition)) {
        qCritical().noquote() << "Failed to add " + column + " column to " + table;
        return false;
    }
    if (!successText.isEmpty())
        qDebug().noquote() << successText;
    return true;
}

bool SchemaMigrator::createTable(const QString& table, const QString& columnDefs,
                                 const QStringList& indexes) {
    qDebug().noquote() << "Creating " + table + " table...";
    if (!m_db->execute(QStringLiteral("CREATE TABLE IF NOT EXISTS ") + table + " (" + columnDefs + ")")) {
        qCritical().noquote() << "Failed to create " + table + " table";
        m_ok = false;
        return false;
    }
    qDebug().noquote() << "Successfully created " + table + " table.";
    createIndexes(indexes);
    return true;
}

void SchemaMigrator::createIndexes(const QStringList& indexes) {
    for (const QString& statement : indexes)
        m_db->execute(statement);
}

bool SchemaMigrator::rebuildInTransaction(const QStringList& statements, const QString& table) {
    Transaction tx(m_db);
    bool done = tx.isActive();
    for (int i = 0; done && i < statements.size(); ++i)
        done = m_db->execute(statements.at(i));
    if (done && tx.commit())
        return true;
    qCritical().noquote() << "Rebuild of" << table << "failed; the table is left as it was.";
    m_ok = false;
    return false;
}

bool SchemaMigrator::run() {
    qDebug() << "Migrating database schema...";
    auto addAll = [this](const QString& table, std::initializer_list<ColumnAdd> adds) {
        const QSet<QString> present = columns(table);
        for (const ColumnAdd& add : adds) {
            if (!addColumn(present, table, QLatin1String(add.column), QLatin1String(add.definition),
                           QLatin1String(add.successText)))
                m_ok = false;
        }
    };

    addAll(QStringLiteral("return_order_item"),
           {{"batch_id", "INTEGER NOT NULL DEFAULT 0", "Successfully added batch_id column."},
            {"original_order_no", "TEXT", "Successfully added original_order_no column."}});
    addAll(QStringLiteral("return_order_item"),
           {{"production_date", "DATE NOT NULL DEFAULT '2000-01-01'",
             "Successfully added production_date column."},
            {"expiry_date", "DATE NOT NULL DEFAULT '2099-12-31'", "Successfully added expiry_date column."}});
    addAll(QStringLiteral("sales_order_item"),
           {{"production_date", "DATE NOT NULL DEFAULT '2000-01-01'",
             "Successfully added production_date column."},
            {"expiry_date", "DATE NOT NULL DEFAULT '2099-12-31'", "Successfully added expiry_date column."}});
    addAll(QStringLiteral("sales_order_item"),
           {{"is_prescription", "INTEGER NOT NULL DEFAULT 0", "Successfully added is_prescription column."},
            {"prescription_id", "INTEGER", "Successfully added prescription_id column."}});

    if (!tableExists(QStringLiteral("inventory_check")))
        createTable(QStringLiteral("inventory_check"), QLatin1String(kInventoryCheckColumns),
                    {index("idx_check_no", "inventory_check", "check_no"),
                     index("idx_check_date", "inventory_check", "check_date"),
                     index("idx_check_status", "inventory_check", "status")});
    if (!tableExists(QStringLiteral("inventory_check_item")))
        createTable(QStringLiteral("inventory_check_item"), QLatin1String(kInventoryCheckItemColumns),
                    {index("idx_check_item_check", "inventory_check_item", "check_id"),
                     index("idx_check_item_product", "inventory_check_item", "product_id")});

    addAll(QStringLiteral("inventory_batch"),
           {{"supplier_id", "INTEGER", "Successfully added supplier_id column to inventory_batch."}});
    addAll(QStringLiteral("inventory_batch"),
           {{"rejected_quantity", "INTEGER NOT NULL DEFAULT 0",
             "Successfully added rejected_quantity column to inventory_batch."}});

    migrateUnqualifiedDrug();

    addAll(QStringLiteral("supplier"),
           {{"gsp_cert_no", "TEXT", "Successfully added gsp_cert_no column to supplier."},
            {"gsp_cert_expire_date", "DATE", "Successfully added gsp_cert_expire_date column to supplier."},
            {"tax_reg_no", "TEXT", "Successfully added tax_reg_no column to supplier."},
            {"tax_reg_expire_date", "DATE", "Successfully added tax_reg_expire_date column to supplier."},
            {"qualification_status", "TEXT NOT NULL DEFAULT 'valid'",
             "Successfully added qualification_status column to supplier."}});
    addAll(QStringLiteral("temperature_record"),
           {{"temperature_status", "TEXT NOT NULL DEFAULT 'normal'",
             "Successfully added temperature_status column to temperature_record."},
            {"humidity_status", "TEXT NOT NULL DEFAULT 'normal'",
             "Successfully added humidity_status column to temperature_record."},
            {"operator_name", "TEXT", "Successfully added operator_name column to temperature_record."}});
    addAll(QStringLiteral("sales_order"),
           {{"prescription_id", "INTEGER", "Successfully added prescription_id column to sales_order."},
            {"review_by", "INTEGER", "Successfully added review_by column to sales_order."},
            {"review_time", "DATETIME", "Successfully added review_time column to sales_order."}});
    addAll(QStringLiteral("sales_order_item"),
           {{"is_prescription", "INTEGER NOT NULL DEFAULT 0",
             "Successfully added is_prescription column to sales_order_item."}});

    migratePrescription();
    migrateMaintenanceCheck();

    if (!tableExists(QStringLiteral("customer")))
        createTable(QStringLiteral("customer"), QLatin1String(kCustomerColumns),
                    {index("idx_customer_name", "customer", "name"),
                     index("idx_customer_phone", "customer", "phone"),
                     index("idx_customer_default", "customer", "is_default")});

    addAll(QStringLiteral("sales_order"), {{"customer_id", "INTEGER NOT NULL DEFAULT 0",
                                            "Successfully added customer_id column to sales_order."}});

    const QSet<QString> productColumns = columns(QStringLiteral("product"));
    if (!productColumns.contains(QStringLiteral("mnemonic_code"))) {
        if (addColumn(productColumns, QStringLiteral("product"), QStringLiteral("mnemonic_code"),
                      QStringLiteral("TEXT"),
                      QStringLiteral("Successfully added mnemonic_code column to product.")))
            m_db->execute(
                QStringLiteral("CREATE INDEX IF NOT EXISTS idx_product_mnemonic ON product(mnemonic_code)"));
        else
            m_ok = false;
    }

    createPerformanceIndexes();
    return m_ok;
}

void SchemaMigrator::migrateUnqualifiedDrug() {
    const QString table = QStringLiteral("unqualified_drug");
    if (!tableExists(table)) {
        createTable(table, QLatin1String(kUnqualifiedDrugColumns),
                    {index("idx_unqualified_product", "unqualified_drug", "product_id"),
                     index("idx_unqualified_batch", "unqualified_drug", "batch_id"),
                     index("idx_unqualified_status", "unqualified_drug", "status")});
        return;
    }
    static const ColumnAdd adds[] = {{"found_by", "INTEGER NOT NULL DEFAULT 1", ""},
                                     {"reason_remark", "TEXT", ""},
                                     {"process_type", "TEXT", ""},
                                     {"process_date", "DATE", ""},
                                     {"process_by", "INTEGER", ""},
                                     {"remark", "TEXT", ""},
                                     {"product_name", "TEXT NOT NULL DEFAULT ''", ""},
                                     {"barcode", "TEXT", ""},
                                     {"product_spec", "TEXT", ""},
                                     {"manufacturer", "TEXT", ""},
                                     {"production_date", "TEXT", ""},
                                     {"expiry_date", "TEXT", ""},
                                     {"supplier_id", "INTEGER", ""},
                                     {"supplier_name", "TEXT", ""}};
    const QSet<QString> present = columns(table);
    // A failed add here is logged but does not change the result.
    for (const ColumnAdd& add : adds)
        addColumn(present, table, QLatin1String(add.column), QLatin1String(add.definition), QString());
}

void SchemaMigrator::migratePrescription() {
    if (!tableExists(QStringLiteral("prescription"))) {
        m_db->execute(createPlain("prescription", kPrescriptionColumns));
    } else if (hasUniqueIndex(QStringLiteral("prescription"))) {
        qDebug() << "Migrating prescription table to remove UNIQUE constraint...";
        if (rebuildInTransaction({QStringLiteral("ALTER TABLE prescription RENAME TO prescription_old"),
                                  createPlain("prescription", kPrescriptionColumns),
                                  QStringLiteral("INSERT INTO prescription SELECT * FROM prescription_old"),
                                  QStringLiteral("DROP TABLE prescription_old")},
                                 QStringLiteral("prescription")))
            qDebug() << "Prescription table migration completed.";
    }
    m_db->execute(createIfMissing("prescription_item", kPrescriptionItemColumns));
    createIndexes({index("idx_prescription_no", "prescription", "prescription_no"),
                   index("idx_prescription_patient", "prescription", "patient_name"),
                   index("idx_prescription_status", "prescription", "status"),
                   index("idx_prescription_item_prescription", "prescription_item", "prescription_id"),
                   index("idx_prescription_item_product", "prescription_item", "product_id"),
                   // The register finds a prescription by the batch sold on it.
                   index("idx_sales_item_prescription", "sales_order_item", "prescription_id")});
}

void SchemaMigrator::migrateMaintenanceCheck() {
    const QString table = QStringLiteral("maintenance_check");
    const QStringList indexes = {index("idx_maintenance_month", "maintenance_check", "check_month"),
                                 index("idx_maintenance_date", "maintenance_check", "check_date")};
    if (!tableExists(table)) {
        createTable(table, QLatin1String(kMaintenanceCheckColumns), indexes);
        return;
    }
    const QSet<QString> present = columns(table);
    const QStringList wanted = {QStringLiteral("checked_by"),         QStringLiteral("humidity_normal"),
                                QStringLiteral("temperature_normal"), QStringLiteral("storage_condition_ok"),
                                QStringLiteral("facilities_ok"),      QStringLiteral("pest_control_ok")};
    bool upToDate = true;
    for (const QString& column : wanted)
        upToDate = upToDate && present.contains(column);
    if (upToDate) {
        qDebug() << "Maintenance_check table already up to date.";
        return;
    }
    // Rows without a month or a date cannot enter the new table: keep the old one rather than lose them.
    if (!maintenanceRowsFit()) {
        qWarning()
            << "maintenance_check holds rows without a month or a date; the old table is kept unchanged.";
        return;
    }
    qDebug() << "Migrating maintenance_check table to new schema...";
    if (!rebuildInTransaction(
            {QStringLiteral("ALTER TABLE maintenance_check RENAME TO maintenance_check_old"),
             createPlain("maintenance_check", kMaintenanceCheckColumns),
             QStringLiteral(
                 "INSERT OR IGNORE INTO maintenance_check (id, check_month, check_date, checked_by, "
                 "created_at) SELECT id, CAST(check_month AS INTEGER), check_date, "
                 "COALESCE(operator_id, 1), created_at FROM maintenance_check_old"),
             QStringLiteral("DROP TABLE maintenance_check_old")},
            table))
        return;
    createIndexes(indexes);
    qDebug() << "Successfully migrated maintenance_check table.";
}

bool SchemaMigrator::maintenanceRowsFit() {
    // Its own scope: an open statement on the table would lock it against the DROP of the rebuild.
    QSqlQuery q = m_db->query(QStringLiteral("SELECT COUNT(*) FROM maintenance_check WHERE CAST(check_month "
                                             "AS INTEGER) IS NULL OR check_date IS NULL"));
    return q.isActive() && q.next() && q.value(0).toInt() == 0;
}

void SchemaMigrator::createPerformanceIndexes() {
    // Indexes added after the first layout, for queries that grew slow on years of data. The dashboard sums
    // one period's completed sales straight from the index, and counts stocked batches from a partial index
    // that holds only the batches in stock, so its cost does not grow with the years of sold-out batches;
    // the near-expiry list reads the same partial index; the operation log shows its newest entries first.
    struct Index {
        const char* name;
        const char* table;
        const char* columns;
        const char* where; // a partial index's condition; nullptr for a whole-table one
    };
    const Index indexes[] = {
        {"idx_sales_order_status_date", "sales_order", "status, sale_date, total_amount", nullptr},
        {"idx_batch_stock_expiry", "inventory_batch", "expiry_date, product_id", "quantity > 0"},
        {"idx_log_created_at", "sys_operation_log", "created_at", nullptr},
        // The lists read a page at a time in their order, from an index that holds that order.
        {"idx_prescription_created", "prescription", "created_at", nullptr},
        {"idx_purchase_order_status_date", "purchase_order", "status, inbound_date", nullptr},
        {"idx_purchase_item_acceptance", "purchase_order_item", "acceptance_date", nullptr},
        // A sold line's returned quantity, found per line.
        {"idx_return_item_origin", "return_order_item", "original_order_no, product_id, batch_no", nullptr},
        // Each drug's stock summed without reading its batch rows (low stock, out of stock).
        {"idx_batch_product_quantity", "inventory_batch", "product_id, quantity", nullptr},
    };
    bool addedOnData = false;
    for (const Index& idx : indexes) {
        if (indexExists(QLatin1String(idx.name)))
            continue;
        QString statement = index(idx.name, idx.table, idx.columns);
        if (idx.where)
            statement += QStringLiteral(" WHERE ") + QLatin1String(idx.where);
        if (m_db->execute(statement) && tableHasRows(QLatin1String(idx.table)))
            addedOnData = true;
    }
    // A file that grew for years without planner statistics lets SQLite guess, and it guesses the
    // low-selectivity status index for the near-expiry list (ten times slower). Once, with the new index.
    if (addedOnData) {
        qDebug() << "Updating planner statistics...";
        if (!m_db->execute(QStringLiteral("ANALYZE")))
            qWarning() << "Updating planner statistics failed.";
    }
}

bool SchemaMigrator::indexExists(const QString& name) {
    QSqlQuery q =
        m_db->query(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?"), {name});
    return q.isActive() && q.next();
}

bool SchemaMigrator::tableHasRows(const QString& table) {
    QSqlQuery q = m_db->query(QStringLiteral("SELECT EXISTS (SELECT 1 FROM ") + table + QStringLiteral(")"));
    return q.isActive() && q.next() && q.value(0).toBool();
}

} // namespace kestrovalin

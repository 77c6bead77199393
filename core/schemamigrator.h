#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

namespace kestrovalin {

class IDbAdapter;

// Brings any database file to the current layout. Every step tests before it acts, so it can run any number
// of times; table rebuilds run inside a transaction each so a failure leaves the old table untouched.
class SchemaMigrator {
public:
    explicit SchemaMigrator(IDbAdapter* adapter) : m_db(adapter) {}
    bool run();

private:
    QSet<QString> columns(const QString& table);
    bool tableExists(const QString& table);
    bool hasUniqueIndex(const QString& table);
    // Adds the column when absent; returns false only when the add was tried and failed.
    bool addColumn(const QSet<QString>& present, const QString& table, const QString& column,
                   const QString& definition, const QString& successText);
    bool createTable(const QString& table, const QString& columnDefs, const QStringList& indexes);
    void createIndexes(const QStringList& indexes);
    bool rebuildInTransaction(const QStringList& statements, const QString& table);

    void migrateUnqualifiedDrug();
    void migratePrescription();
    void migrateMaintenanceCheck();
    bool maintenanceRowsFit();
    void createPerformanceIndexes();
    bool indexExists(const QString& name);
    bool tableHasRows(const QString& table);

    IDbAdapter* m_db;
    bool m_ok = true;
};

} // namespace kestrovalin

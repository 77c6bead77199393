#pragma once

#include "models/maintenancecheck.h"
#include "repositories/refusal.h"

#include <QList>
#include <QString>

namespace kestrovalin {
class IDbAdapter;
}

namespace kestrovalin::repositories {

// The monthly maintenance checks of the store: one checklist of five environment items per check, the month
// as year × 100 + month. The checker's name is read through the user table. A refused deletion tells why in
// refusal().
class MaintenanceCheckRepository : public Refusable {
public:
    explicit MaintenanceCheckRepository(IDbAdapter* adapter) : m_adapter(adapter) {}

    // Stamps created_at with the local time (the record's own value is ignored) and sets the new id.
    bool insert(models::MaintenanceCheck& check);
    bool update(const models::MaintenanceCheck& check);
    // True only when exactly one row went: a missing id is a failure.
    bool remove(int id);
    // The default record (id -1) when there is no such check.
    models::MaintenanceCheck findById(int id);
    // Newest month first.
    QList<models::MaintenanceCheck> findAll();
    // Later check date first.
    QList<models::MaintenanceCheck> findByMonth(int month);
    bool hasCheckForMonth(int month);
    // Check dates from start to end ("yyyy-MM-dd"), both included; newest month, then later date first.
    QList<models::MaintenanceCheck> findByDateRange(const QString& startDate, const QString& endDate);
    // Whether the month is done; writes nothing.
    bool generateMonthlyTask(int month);

private:
    bool adapterReady(const char* operation) const;
    QList<models::MaintenanceCheck> select(const char* operation, const QString& tail,
                                           const QList<QVariant>& params);

    IDbAdapter* m_adapter;
};

} // namespace kestrovalin::repositories

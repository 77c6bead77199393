#include "repositories/maintenancecheckrepository.h"

#include "core/clock.h"
#include "core/idbadapter.h"
#include "core/rowreader.h"

#include <QDebug>

namespace kestrovalin::repositories {

namespace {

// Every reading statement starts so; the left join keeps checks whose user has gone.
const QString kSelect =
    QStringLiteral("SELECT mc.id, mc.check_month, mc.check_date, mc.checked_by, mc.humidity_normal, "
                   "mc.temperature_normal, mc.storage_condition_ok, mc.facilities_ok, mc.pest_control_ok, "
                   "mc.remark, mc.created_at, u.real_name FROM maintenance_check mc LEFT JOIN sys_user u ON "
                   "mc.checked_by = u.id");

models::MaintenanceCheck readCheck(const Row& row) {
    models::MaintenanceCheck check;
    check.id = row.integer("id");
    check.checkMonth = row.integer("check_month");
    check.checkDate = row.text("check_date");
    check.checkedBy = row.integer("checked_by");
    check.humidityNormal = row.flag("humidity_normal");
    check.temperatureNormal = row.flag("temperature_normal");
    check.storageConditionOk = row.flag("storage_condition_ok");
    check.facilitiesOk = row.flag("facilities_ok");
    check.pestControlOk = row.flag("pest_control_ok");
    check.remark = row.text("remark");
    check.createdAt = row.text("created_at");
    check.checkedByName = row.text("real_name");
    return check;
}

} // namespace

bool MaintenanceCheckRepository::adapterReady(const char* operation) const {
    if (!m_adapter)
        qCritical().noquote() << QStringLiteral("MaintenanceCheckRepository::%1: m_adapter is null")
                                     .arg(QLatin1String(operation));
    return m_adapter != nullptr;
}

bool MaintenanceCheckRepository::insert(models::MaintenanceCheck& check) {
    const Write write = beginWrite(m_adapter);
    if (!adapterReady("insert"))
        return false;
    QSqlQuery q = m_adapter->query(
        QStringLiteral("INSERT INTO maintenance_check (check_month, check_date, checked_by, humidity_normal, "
                       "temperature_normal, storage_condition_ok, facilities_ok, pest_control_ok, remark, "
                       "created_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {check.checkMonth, check.checkDate, check.checkedBy, check.humidityNormal, check.temperatureNormal,
         check.storageConditionOk, check.facilitiesOk, check.pestControlOk, check.remark, Clock::nowText()});
    if (!q.isActive()) {
        qCritical().noquote() << "MaintenanceCheck insert failed:" << m_adapter->failureText(q);
        return false;
    }
    check.id = q.lastInsertId().toInt();
    return true;
}

bool MaintenanceCheckRepository::update(const models::MaintenanceCheck& check) {
    const Write write = beginWrite(m_adapter);
    if (!adapterReady("update"))
        return false;
    return m_adapter
        ->query(QStringLiteral("UPDATE maintenance_check SET check_month=?, check_date=?, checked_by=?, "
                               "humidity_normal=?, temperature_normal=?, storage_condition_ok=?, "
                               "facilities_ok=?, pest_control_ok=?, remark=? WHERE id=?"),
                {check.checkMonth, check.checkDate, check.checkedBy, check.humidityNormal,
                 check.temperatureNormal, check.storageConditionOk, check.facilitiesOk, check.pestControlOk,
                 check.remark, check.id})
        .isActive();
}

bool MaintenanceCheckRepository::remove(int id) {
    const Write write = beginWrite(m_adapter);
    if (!adapterReady("remove"))
        return false;
    const int changed =
        changedRows(m_adapter, QStringLiteral("DELETE FROM maintenance_check WHERE id=?"), {id});
    if (changed == 0)
        return refuse(QStringLiteral("该记录不存在"));
    return changed == 1;
}

models::MaintenanceCheck MaintenanceCheckRepository::findById(int id) {
    const QList<models::MaintenanceCheck> found = select("findById", QStringLiteral("WHERE mc.id=?"), {id});
    return found.isEmpty() ? models::MaintenanceCheck() : found.first();
}

QList<models::MaintenanceCheck> MaintenanceCheckRepository::findAll() {
    return select("findAll", QStringLiteral("ORDER BY mc.check_month DESC"), {});
}

QList<models::MaintenanceCheck> MaintenanceCheckRepository::findByMonth(int month) {
    return select("findByMonth", QStringLiteral("WHERE mc.check_month=? ORDER BY mc.check_date DESC"),
                  {month});
}

bool MaintenanceCheckRepository::hasCheckForMonth(int month) {
    return readValue(m_adapter, QStringLiteral("SELECT COUNT(*) FROM maintenance_check WHERE check_month=?"),
                     {month})
               .value_or(0)
               .toInt() >= 1;
}

QList<models::MaintenanceCheck> MaintenanceCheckRepository::findByDateRange(const QString& startDate,
                                                                            const QString& endDate) {
    return select("findByDateRange",
                  QStringLiteral("WHERE date(mc.check_date) >= ? AND date(mc.check_date) <= ? "
                                 "ORDER BY mc.check_month DESC, mc.check_date DESC"),
                  {startDate, endDate});
}

bool MaintenanceCheckRepository::generateMonthlyTask(int month) {
    return hasCheckForMonth(month);
}

QList<models::MaintenanceCheck> MaintenanceCheckRepository::select(const char* operation, const QString& tail,
                                                                   const QList<QVariant>& params) {
    if (!adapterReady(operation))
        return {};
    return readList(m_adapter, kSelect + QLatin1Char(' ') + tail, params, readCheck);
}

} // namespace kestrovalin::repositories

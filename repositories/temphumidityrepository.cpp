#include "repositories/temphumidityrepository.h"

#include "core/clock.h"
#include "core/idbadapter.h"

#include <QDebug>
#include <QSqlRecord>

namespace kestrovalin::repositories {

namespace {

QVariant column(const QSqlQuery& q, const QSqlRecord& rec, const char* name) {
    const int index = rec.indexOf(QLatin1String(name));
    return index < 0 ? QVariant() : q.value(index);
}

void fillRecord(models::TempHumidityRecord& record, const QSqlQuery& q) {
    const QSqlRecord rec = q.record();
    record.id = column(q, rec, "id").toInt();
    record.recordDate = column(q, rec, "record_date").toString();
    record.recordTime = column(q, rec, "record_time").toString();
    record.temperature = column(q, rec, "temperature").toDouble();
    record.humidity = column(q, rec, "humidity").toInt();
    record.temperatureStatus = column(q, rec, "temperature_status").toString();
    record.humidityStatus = column(q, rec, "humidity_status").toString();
    record.notes = column(q, rec, "notes").toString();
    record.operatorId = column(q, rec, "operator_id").toInt();
    record.operatorName = column(q, rec, "operator_name").toString();
    record.createdAt = column(q, rec, "created_at").toString();
}

} // namespace

QString TempHumidityRepository::calculateStatus(double value, double minimum, double maximum) {
    const double margin = (maximum - minimum) * 0.05;
    if (value < minimum || value > maximum)
        return QStringLiteral("critical");
    if (value <= minimum + margin || value >= maximum - margin)
        return QStringLiteral("warning");
    return QStringLiteral("normal");
}

int TempHumidityRepository::insert(const models::TempHumidityRecord& record) {
    if (!m_adapter)
        return -1;
    QSqlQuery q = m_adapter->query(
        QStringLiteral("INSERT INTO temperature_record (record_date, record_time, temperature, humidity, "
                       "temperature_status, humidity_status, notes, operator_id, operator_name) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {record.recordDate, record.recordTime, record.temperature, record.humidity, record.temperatureStatus,
         record.humidityStatus, record.notes, record.operatorId, record.operatorName});
    if (!q.isActive()) {
        qCritical().noquote() << "TempHumidity insert failed:" << q.lastError().text();
        return -1;
    }
    const QVariant id = q.lastInsertId();
    return id.isValid() ? id.toInt() : -1;
}

models::TempHumidityRecord TempHumidityRepository::findById(int id) {
    models::TempHumidityRecord record;
    if (!m_adapter)
        return record;
    QSqlQuery q = m_adapter->query(QStringLiteral("SELECT * FROM temperature_record WHERE id = ?"), {id});
    if (q.isActive() && q.next())
        fillRecord(record, q);
    return record;
}

QList<models::TempHumidityRecord> TempHumidityRepository::findByDate(const QString& date) {
    return queryRecords(
        QStringLiteral("SELECT * FROM temperature_record WHERE record_date = ? ORDER BY id DESC"), {date});
}

QList<models::TempHumidityRecord> TempHumidityRepository::findByDateRange(const QString& startDate,
                                                                          const QString& endDate) {
    return queryRecords(
        QStringLiteral("SELECT * FROM temperature_record WHERE record_date >= ? AND record_date <= ? "
                       "ORDER BY id DESC"),
        {startDate, endDate});
}

QList<models::TempHumidityRecord> TempHumidityRepository::findTodayRecords() {
    return findByDate(Clock::todayText());
}

QList<models::TempHumidityRecord> TempHumidityRepository::findAbnormalRecords() {
    return queryRecords(
        QStringLiteral("SELECT * FROM temperature_record WHERE temperature_status != 'normal' OR "
                       "humidity_status != 'normal' ORDER BY id DESC"),
        {});
}

bool TempHumidityRepository::hasRecordToday() {
    return countTodayRecords() >= 1;
}

int TempHumidityRepository::countTodayRecords() {
    if (!m_adapter)
        return 0;
    QSqlQuery q =
        m_adapter->query(QStringLiteral("SELECT COUNT(*) FROM temperature_record WHERE record_date = ?"),
                         {Clock::todayText()});
    if (q.isActive() && q.next())
        return q.value(0).toInt();
    return 0;
}

QList<models::TempHumidityRecord> TempHumidityRepository::queryRecords(const QString& sql,
                                                                       const QList<QVariant>& params) {
    QList<models::TempHumidityRecord> records;
    if (!m_adapter)
        return records;
    QSqlQuery q = m_adapter->query(sql, params);
    if (!q.isActive())
        return records;
    while (q.next()) {
        models::TempHumidityRecord record;
        fillRecord(record, q);
        records.append(record);
    }
    return records;
}

} // namespace kestrovalin::repositories

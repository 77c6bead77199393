#include "repositories/temphumidityrepository.h"

#include "core/clock.h"
#include "core/idbadapter.h"
#include "core/rowreader.h"

#include <QDebug>

namespace kestrovalin::repositories {

namespace {

models::TempHumidityRecord readRecord(const Row& row) {
    models::TempHumidityRecord record;
    record.id = row.integer("id");
    record.recordDate = row.text("record_date");
    record.recordTime = row.text("record_time");
    record.temperature = row.number("temperature");
    record.humidity = row.integer("humidity");
    record.temperatureStatus = row.text("temperature_status");
    record.humidityStatus = row.text("humidity_status");
    record.notes = row.text("notes");
    record.operatorId = row.integer("operator_id");
    record.operatorName = row.text("operator_name");
    record.createdAt = row.text("created_at");
    return record;
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

QString TempHumidityRepository::statusLabel(const QString& status) {
    if (status == QLatin1String("normal"))
        return QStringLiteral("正常");
    if (status == QLatin1String("warning"))
        return QStringLiteral("预警");
    return QStringLiteral("异常");
}

int TempHumidityRepository::insert(const models::TempHumidityRecord& record) {
    const Write write = beginWrite(m_adapter);
    if (!m_adapter)
        return -1;
    QSqlQuery q = m_adapter->query(
        QStringLiteral("INSERT INTO temperature_record (record_date, record_time, temperature, humidity, "
                       "temperature_status, humidity_status, notes, operator_id, operator_name) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {record.recordDate, record.recordTime, record.temperature, record.humidity, record.temperatureStatus,
         record.humidityStatus, record.notes, record.operatorId, record.operatorName});
    if (!q.isActive()) {
        qCritical().noquote() << "TempHumidity insert failed:" << m_adapter->failureText(q);
        return -1;
    }
    const QVariant id = q.lastInsertId();
    return id.isValid() ? id.toInt() : -1;
}

models::TempHumidityRecord TempHumidityRepository::findById(int id) {
    return readFirst(m_adapter, QStringLiteral("SELECT * FROM temperature_record WHERE id = ?"), {id},
                     readRecord);
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
    return readValue(m_adapter,
                     QStringLiteral("SELECT COUNT(*) FROM temperature_record WHERE record_date = ?"),
                     {Clock::todayText()})
        .value_or(0)
        .toInt();
}

QList<models::TempHumidityRecord> TempHumidityRepository::queryRecords(const QString& sql,
                                                                       const QList<QVariant>& params) {
    return readList(m_adapter, sql, params, readRecord);
}

} // namespace kestrovalin::repositories

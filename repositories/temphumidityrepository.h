#pragma once

#include "models/temphumidityrecord.h"
#include "repositories/refusal.h"

#include <QList>
#include <QString>

namespace kestrovalin {
class IDbAdapter;
}

namespace kestrovalin::repositories {

// The store's temperature and humidity readings, and the rule that grades each value. A failed save tells
// the database's trouble in refusal().
class TempHumidityRepository : public Refusable {
public:
    // Fixed limits; the margin of the warning band is 5 % of the range.
    static constexpr double kTemperatureMin = 0.0;
    static constexpr double kTemperatureMax = 30.0;
    static constexpr int kHumidityMin = 35;
    static constexpr int kHumidityMax = 75;

    explicit TempHumidityRepository(IDbAdapter* adapter) : m_adapter(adapter) {}

    // "normal", "warning" (inside the range but within the margin of a limit) or "critical" (outside).
    static QString calculateStatus(double value, double minimum, double maximum);
    // How every window shows a status: "正常", "预警", and "异常" for "critical" or any other code.
    static QString statusLabel(const QString& status);

    int insert(const models::TempHumidityRecord& record);
    models::TempHumidityRecord findById(int id);
    QList<models::TempHumidityRecord> findByDate(const QString& date);
    QList<models::TempHumidityRecord> findByDateRange(const QString& startDate, const QString& endDate);
    QList<models::TempHumidityRecord> findTodayRecords();
    QList<models::TempHumidityRecord> findAbnormalRecords();
    bool hasRecordToday();
    int countTodayRecords();

private:
    QList<models::TempHumidityRecord> queryRecords(const QString& sql, const QList<QVariant>& params);

    IDbAdapter* m_adapter;
};

} // namespace kestrovalin::repositories

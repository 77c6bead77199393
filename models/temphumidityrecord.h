#pragma once

#include <QMetaType>
#include <QString>

namespace kestrovalin::models {

// One row of temperature_record.
struct TempHumidityRecord {
    int id = 0;
    QString recordDate;
    QString recordTime;       // "HH:mm:ss"
    double temperature = 0.0; // degrees Celsius
    int humidity = 0;         // percent
    QString temperatureStatus;
    QString humidityStatus;
    QString notes;
    int operatorId = 0;
    QString operatorName; // stored with the reading
    QString createdAt;
};

} // namespace kestrovalin::models

Q_DECLARE_METATYPE(kestrovalin::models::TempHumidityRecord)

#pragma once

#include <QMetaType>
#include <QString>

namespace kestrovalin::models {

struct MaintenanceCheck {
    int id = -1;
    int checkMonth = 0; // year * 100 + month
    QString checkDate;
    int checkedBy = 0;
    QString checkedByName; // joined from sys_user
    bool humidityNormal = false;
    bool temperatureNormal = false;
    bool storageConditionOk = false;
    bool facilitiesOk = false;
    bool pestControlOk = false;
    QString remark;
    QString createdAt;
};

} // namespace kestrovalin::models

Q_DECLARE_METATYPE(kestrovalin::models::MaintenanceCheck)

#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

namespace kestrovalin::models {

struct OperLog {
    int id = 0;
    int userId = 0;
    QString userName;
    QString module;
    QString action;
    QString detail;
    QString ipAddress;
    QDateTime createdAt;
};

} // namespace kestrovalin::models

Q_DECLARE_METATYPE(kestrovalin::models::OperLog)

#pragma once

#include <QMetaType>
#include <QString>

namespace kestrovalin::models {

struct Customer {
    int id = 0;
    QString name;
    QString phone;
    QString address;
    QString idCard;
    QString remark;
    QString createdAt;
    QString updatedAt;
    bool isDefault = false;
};

} // namespace kestrovalin::models

Q_DECLARE_METATYPE(kestrovalin::models::Customer)

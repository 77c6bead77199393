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
    // The row as it was read (see saveUnchanged): a save is refused once the stored row no longer matches it.
    // A record not read from the table has none, and no save goes through with it.
    QString rowToken{};
    bool isDefault = false;
};

} // namespace kestrovalin::models

Q_DECLARE_METATYPE(kestrovalin::models::Customer)

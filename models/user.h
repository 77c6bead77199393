#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

namespace kestrovalin::models {

struct User {
    int id = 0;
    QString username;
    QString passwordHash;
    QString realName;
    QString role;
    int status = 0; // 1 enabled, 0 disabled
    QDateTime createdAt;
    QDateTime updatedAt;
    // The row as it was read (see saveUnchanged): a save is refused once the stored row no longer matches it.
    // A record not read from the table has none, and no save goes through with it.
    QString rowToken{};
};

} // namespace kestrovalin::models

Q_DECLARE_METATYPE(kestrovalin::models::User)

#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>

namespace kestrovalin::models {

struct Supplier {
    int id = -1;
    QString name;
    QString licenseNo;
    QString businessLicenseNo;
    QStringList businessScope;
    QString address;
    QString contactName;
    QString contactPhone;
    QString licenseExpireDate;
    QString businessLicenseExpireDate;
    QString gspCertNo;
    QString gspCertExpireDate;
    QString taxRegNo;
    QString taxRegExpireDate;
    QString qualificationStatus = QStringLiteral("valid");
    QString status = QStringLiteral("active");
    QString createdAt;
    QString updatedAt;
    // The row as it was read (see saveUnchanged): a save is refused once the stored row no longer matches it.
    // A record not read from the table has none, and no save goes through with it.
    QString rowToken{};
};

// The business scope is kept in one text column as comma-separated entries.
inline QString joinBusinessScope(const QStringList& scope) {
    return scope.join(QLatin1Char(','));
}

inline QStringList splitBusinessScope(const QString& text) {
    return text.split(QLatin1Char(','), Qt::SkipEmptyParts);
}

} // namespace kestrovalin::models

Q_DECLARE_METATYPE(kestrovalin::models::Supplier)

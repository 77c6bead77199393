#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

namespace kestrovalin::models {

struct PrescriptionItem {
    int id = 0;
    int prescriptionId = 0;
    int productId = 0;
    QString productName;
    QString specification;
    int quantity = 0;
    QString dosage;
    QString unit;
};

struct Prescription {
    int id = 0;
    QString prescriptionNo;
    QString doctorName;
    QString doctorTitle;
    QString hospitalName;
    QString patientName;
    int patientAge = 0;
    QString patientGender;
    QString diagnosis;
    QString createdAt;
    QString validUntil; // empty: no end date
    QString status;
    int usedCount = 0;
    int createdBy = 0;
    int reviewBy = 0;
    QString reviewTime;
    QList<PrescriptionItem> items;
};

} // namespace kestrovalin::models

Q_DECLARE_METATYPE(kestrovalin::models::Prescription)
Q_DECLARE_METATYPE(kestrovalin::models::PrescriptionItem)

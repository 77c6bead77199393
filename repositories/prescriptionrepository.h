#pragma once

#include "core/listquery.h"
#include "models/prescription.h"
#include "repositories/refusal.h"

#include <QList>
#include <QString>
#include <QVariant>

class QSqlError;

namespace kestrovalin {
class IDbAdapter;
class Row;
} // namespace kestrovalin

namespace kestrovalin::repositories {

// Registered prescriptions and their drug lines. Holds only the adapter it was given (not owned, may be null:
// every operation then returns its empty result). Every prescription handed back carries all its lines in
// the order they were written. A refused review tells why in refusal().
class PrescriptionRepository : public Refusable {
public:
    explicit PrescriptionRepository(IDbAdapter* db);

    // Writes the header and then every line in one transaction; the new prescription's id, or -1 with
    // nothing stored. The record's id, createdAt, reviewBy and reviewTime are not used.
    int insert(const models::Prescription& prescription);
    // Header fields only; the number, creator, creation time and lines stay as they are.
    bool update(const models::Prescription& prescription);

    // The prescription with its lines, or a default record (id 0) when there is none.
    models::Prescription findById(int id);
    // Numbers are the hospital's and not unique: whichever matching row comes first.
    models::Prescription findByNo(const QString& prescriptionNo);
    // Newest registration first.
    QList<models::Prescription> findAll();
    // Empty filters are ignored, the others must all match (as substrings). The mnemonic code is compared
    // upper-cased; the batch number is that of a sale line which used the prescription.
    QList<models::Prescription> search(const QString& prescriptionNo, const QString& patientName,
                                       const QString& productName, const QString& barcode,
                                       const QString& mnemonicCode, const QString& batchNo,
                                       const QString& doctorName);
    // The prescriptions of search (all of them without filters) as a statement to page, without their
    // lines, read with readPrescription.
    static ListQuery registerList(const QString& prescriptionNo, const QString& patientName,
                                  const QString& productName, const QString& barcode,
                                  const QString& mnemonicCode, const QString& batchNo,
                                  const QString& doctorName);
    static models::Prescription readPrescription(const Row& row);
    QList<models::Prescription> findByPatientName(const QString& patientName);
    // Status 'valid' and no end date or one not before today's local date.
    QList<models::Prescription> findValidPrescriptions();

    // Records the reviewer and makes the prescription valid; false unless exactly that one row changed.
    bool reviewPrescription(int prescriptionId, int reviewerId);
    bool markAsUsed(int id);
    // "PRE" + local date + a sequence of at least four digits (one more than that day's count).
    QString generatePrescriptionNo();

private:
    // Prescriptions of "SELECT p.* <from>" with their lines: the lines of all of them are read in one
    // further statement over the same <from>, not one statement per prescription.
    QList<models::Prescription> findWithLines(const QString& from, const QList<QVariant>& params,
                                              const QString& orderBy, QSqlError* error = nullptr);

    IDbAdapter* m_db;
};

} // namespace kestrovalin::repositories

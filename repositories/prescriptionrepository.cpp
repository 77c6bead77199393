#include "repositories/prescriptionrepository.h"

#include "core/clock.h"
#include "core/idbadapter.h"
#include "core/rowreader.h"
#include "core/transaction.h"
#include "repositories/guardedstatus.h"

#include <QDebug>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

namespace kestrovalin::repositories {

using models::Prescription;
using models::PrescriptionItem;

namespace {

// Newest registration first; of two registered in the same second, the later one.
const QString kNewestFirst = QStringLiteral(" ORDER BY p.created_at DESC, p.id DESC");

QString likePattern(const QString& text) {
    return QStringLiteral("%") + text + QStringLiteral("%");
}

} // namespace

Prescription PrescriptionRepository::readPrescription(const Row& r) {
    Prescription p;
    p.id = r.integer("id");
    p.prescriptionNo = r.text("prescription_no");
    p.doctorName = r.text("doctor_name");
    p.doctorTitle = r.text("doctor_title");
    p.hospitalName = r.text("hospital_name");
    p.patientName = r.text("patient_name");
    p.patientAge = r.integer("patient_age");
    p.patientGender = r.text("patient_gender");
    p.diagnosis = r.text("diagnosis");
    p.createdAt = r.text("created_at");
    p.validUntil = r.text("valid_until");
    p.status = r.text("status");
    p.usedCount = r.integer("used_count");
    p.createdBy = r.integer("created_by");
    p.reviewBy = r.integer("review_by");
    p.reviewTime = r.text("review_time");
    return p;
}

namespace {

PrescriptionItem fillPrescriptionItem(const Row& r) {
    PrescriptionItem item;
    item.id = r.integer("id");
    item.prescriptionId = r.integer("prescription_id");
    item.productId = r.integer("product_id");
    item.productName = r.text("product_name");
    item.specification = r.text("specification");
    item.quantity = r.integer("quantity");
    item.dosage = r.text("dosage");
    item.unit = r.text("unit");
    return item;
}

} // namespace

PrescriptionRepository::PrescriptionRepository(IDbAdapter* db) : m_db(db) {}

int PrescriptionRepository::insert(const Prescription& prescription) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return -1;
    Transaction tx(m_db);
    if (!tx.isActive()) {
        qCritical() << "Failed to start transaction";
        return -1;
    }
    const QSqlQuery header = m_db->query(
        QStringLiteral(
            "INSERT INTO prescription (prescription_no, doctor_name, doctor_title, hospital_name, "
            "patient_name, patient_age, patient_gender, diagnosis, valid_until, status, used_count, "
            "created_by) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {prescription.prescriptionNo, prescription.doctorName, prescription.doctorTitle,
         prescription.hospitalName, prescription.patientName, prescription.patientAge,
         prescription.patientGender, prescription.diagnosis, nullIfEmpty(prescription.validUntil),
         prescription.status, prescription.usedCount, prescription.createdBy});
    if (!header.isActive()) {
        qCritical().noquote() << "Prescription insert failed:" << m_db->failureText(header);
        return -1;
    }
    const int id = header.lastInsertId().toInt();
    for (const PrescriptionItem& item : prescription.items) {
        const QSqlQuery line = m_db->query(
            QStringLiteral("INSERT INTO prescription_item (prescription_id, product_id, product_name, "
                           "specification, quantity, dosage, unit) VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {id, item.productId, item.productName, item.specification, item.quantity, item.dosage,
             item.unit});
        if (!line.isActive()) {
            qCritical().noquote() << "Prescription item insert failed:" << m_db->failureText(line);
            return -1;
        }
    }
    if (!tx.commit()) {
        qCritical() << "Failed to commit transaction";
        return -1;
    }
    return id;
}

bool PrescriptionRepository::update(const Prescription& p) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    return m_db->execute(
        QStringLiteral(
            "UPDATE prescription SET doctor_name = ?, doctor_title = ?, hospital_name = ?, "
            "patient_name = ?, patient_age = ?, patient_gender = ?, diagnosis = ?, valid_until = ?, "
            "status = ?, used_count = ?, review_by = ?, review_time = ? WHERE id = ?"),
        {p.doctorName, p.doctorTitle, p.hospitalName, p.patientName, p.patientAge, p.patientGender,
         p.diagnosis, nullIfEmpty(p.validUntil), p.status, p.usedCount, p.reviewBy, nullIfEmpty(p.reviewTime),
         p.id});
}

QList<Prescription> PrescriptionRepository::findWithLines(const QString& from, const QList<QVariant>& params,
                                                          const QString& orderBy, QSqlError* error) {
    QList<Prescription> list;
    if (!m_db)
        return list;
    QSqlQuery q = m_db->query(QStringLiteral("SELECT p.* ") + from + orderBy, params);
    if (!q.isActive()) {
        if (error)
            *error = q.lastError();
        return list;
    }
    QHash<int, int> position; // prescription id -> index in list
    {
        const Row row(q);
        while (q.next()) {
            row.startRow();
            list.append(readPrescription(row));
            position.insert(list.last().id, list.size() - 1);
        }
    }
    if (list.isEmpty())
        return list;
    // The lines of every prescription listed, in one statement over the same selection. Ids grow with every
    // line written, so id order is the order in which each prescription's lines were written.
    const Fetched<PrescriptionItem> lines =
        fetch(m_db,
              QStringLiteral("SELECT line.* FROM prescription_item line WHERE line.prescription_id IN "
                             "(SELECT p.id ") +
                  from + QStringLiteral(") ORDER BY line.id"),
              params, fillPrescriptionItem);
    // Prescriptions without their lines would read as prescriptions without drugs.
    if (!lines.ok) {
        qCritical().noquote() << "Prescription lines cannot be read:" << lines.error;
        return {};
    }
    for (const PrescriptionItem& item : lines.rows) {
        const auto at = position.constFind(item.prescriptionId);
        if (at != position.constEnd())
            list[at.value()].items.append(item);
    }
    return list;
}

Prescription PrescriptionRepository::findById(int id) {
    const QList<Prescription> found =
        findWithLines(QStringLiteral("FROM prescription p WHERE p.id = ?"), {id}, QString());
    return found.isEmpty() ? Prescription() : found.first();
}

Prescription PrescriptionRepository::findByNo(const QString& prescriptionNo) {
    const QList<Prescription> found = findWithLines(
        QStringLiteral(
            "FROM prescription p WHERE p.id = (SELECT id FROM prescription WHERE prescription_no = ? "
            "LIMIT 1)"),
        {prescriptionNo}, QString());
    return found.isEmpty() ? Prescription() : found.first();
}

QList<Prescription> PrescriptionRepository::findAll() {
    return findWithLines(QStringLiteral("FROM prescription p"), {}, kNewestFirst);
}

ListQuery PrescriptionRepository::registerList(const QString& prescriptionNo, const QString& patientName,
                                               const QString& productName, const QString& barcode,
                                               const QString& mnemonicCode, const QString& batchNo,
                                               const QString& doctorName) {
    ListQuery list;
    list.columns = QStringLiteral("p.*");
    list.from = QStringLiteral("FROM prescription p");
    list.order = {{QStringLiteral("p.created_at"), true}, {QStringLiteral("p.id"), true}};
    const auto filter = [&list](const QString& text, const char* condition) {
        if (!text.isEmpty())
            list.filter(QLatin1String(condition), {likePattern(text)});
    };
    filter(prescriptionNo, "p.prescription_no LIKE ?");
    filter(patientName, "p.patient_name LIKE ?");
    filter(doctorName, "p.doctor_name LIKE ?");
    // The drug filters must all hold on one and the same line.
    QStringList lineConditions;
    QList<QVariant> lineParams;
    const auto lineFilter = [&](const QString& text, const char* condition) {
        if (text.isEmpty())
            return;
        lineConditions << QLatin1String(condition);
        lineParams << likePattern(text);
    };
    lineFilter(productName, "pi.product_name LIKE ?");
    lineFilter(barcode, "pr.barcode LIKE ?");
    lineFilter(mnemonicCode.toUpper(), "pr.mnemonic_code LIKE ?");
    if (!lineConditions.isEmpty())
        list.filter(QStringLiteral("EXISTS (SELECT 1 FROM prescription_item pi LEFT JOIN product pr ON "
                                   "pi.product_id = pr.id WHERE pi.prescription_id = p.id AND ") +
                        lineConditions.join(QStringLiteral(" AND ")) + QLatin1Char(')'),
                    lineParams);
    // Prescription lines carry no batch: the batch is the one sold against the prescription.
    filter(batchNo, "EXISTS (SELECT 1 FROM sales_order_item si WHERE si.prescription_id = p.id AND "
                    "si.batch_no LIKE ?)");
    return list;
}

QList<Prescription> PrescriptionRepository::search(const QString& prescriptionNo, const QString& patientName,
                                                   const QString& productName, const QString& barcode,
                                                   const QString& mnemonicCode, const QString& batchNo,
                                                   const QString& doctorName) {
    if (!m_db)
        return {};
    const ListQuery list =
        registerList(prescriptionNo, patientName, productName, barcode, mnemonicCode, batchNo, doctorName);
    QSqlError error;
    const QList<Prescription> found = findWithLines(list.fromWhere(), list.params, list.orderBy(), &error);
    if (error.isValid())
        qCritical().noquote() << "Prescription search failed:" << error.text();
    return found;
}

QList<Prescription> PrescriptionRepository::findByPatientName(const QString& patientName) {
    return findWithLines(QStringLiteral("FROM prescription p WHERE p.patient_name LIKE ?"),
                         {likePattern(patientName)}, kNewestFirst);
}

QList<Prescription> PrescriptionRepository::findValidPrescriptions() {
    return findWithLines(
        QStringLiteral("FROM prescription p WHERE p.status = 'valid' AND (p.valid_until IS NULL "
                       "OR p.valid_until >= ?)"),
        {Clock::todayText()}, kNewestFirst);
}

bool PrescriptionRepository::reviewPrescription(int prescriptionId, int reviewerId) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    // Only a prescription that is not valid yet is reviewed: a missing id, or a second review of one that
    // another user made valid meanwhile, changes nothing and is a failure.
    GuardRefusal why{QStringLiteral("处方")};
    if (changeStatusUnless(m_db, QStringLiteral("prescription"), prescriptionId, QStringLiteral("valid"),
                           QStringLiteral("valid"),
                           {{QStringLiteral("review_by"), reviewerId, {}},
                            {QStringLiteral("review_time"), {}, QStringLiteral("CURRENT_TIMESTAMP")}},
                           &why))
        return true;
    qWarning().noquote() << "Prescription review refused - id:" << prescriptionId << why.reason;
    return refuse(why.reason);
}

bool PrescriptionRepository::markAsUsed(int id) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    return m_db->execute(QStringLiteral("UPDATE prescription SET used_count = used_count + 1 WHERE id = ?"),
                         {id});
}

QString PrescriptionRepository::generatePrescriptionNo() {
    const QString prefix = QStringLiteral("PRE") + Clock::today().toString(QStringLiteral("yyyyMMdd"));
    const int count =
        readValue(m_db, QStringLiteral("SELECT COUNT(*) FROM prescription WHERE prescription_no LIKE ?"),
                  {prefix + QStringLiteral("%")})
            .value_or(0)
            .toInt();
    return prefix + QStringLiteral("%1").arg(count + 1, 4, 10, QLatin1Char('0'));
}

} // namespace kestrovalin::repositories

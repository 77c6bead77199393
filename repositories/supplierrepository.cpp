#include "repositories/supplierrepository.h"

#include "core/clock.h"
#include "core/rowreader.h"
#include "core/transaction.h"
#include "repositories/guardedstatus.h"

#include <QDebug>
#include <QSqlQuery>

#include <optional>

namespace kestrovalin::repositories {

using models::Supplier;

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

// A stored "yyyy-MM-dd" read without the general parser, which costs far more and runs four times per
// supplier on every fill of the warning lists; other texts go through the parser, so both give the same
// dates.
QDate storedDate(const QString& text) {
    const auto digit = [&text](int i) {
        return text.at(i).isDigit() && text.at(i).unicode() < 128;
    };
    const auto number = [&text](int from, int length) {
        return text.midRef(from, length).toInt();
    };
    if (text.size() == 10 && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-') && digit(0) &&
        digit(1) && digit(2) && digit(3) && digit(5) && digit(6) && digit(8) && digit(9))
        return QDate(number(0, 4), number(5, 2), number(8, 2));
    return QDate::fromString(text, kDateFormat);
}

Supplier readSupplier(const Row& row) {
    Supplier s;
    s.id = row.integer("id");
    s.name = row.text("name");
    s.licenseNo = row.text("license_no");
    s.businessLicenseNo = row.text("business_license_no");
    s.businessScope = models::splitBusinessScope(row.text("business_scope"));
    s.address = row.text("address");
    s.contactName = row.text("contact_name");
    s.contactPhone = row.text("contact_phone");
    s.licenseExpireDate = row.text("license_expire_date");
    s.businessLicenseExpireDate = row.text("business_license_expire_date");
    s.gspCertNo = row.text("gsp_cert_no");
    s.gspCertExpireDate = row.text("gsp_cert_expire_date");
    s.taxRegNo = row.text("tax_reg_no");
    s.taxRegExpireDate = row.text("tax_reg_expire_date");
    s.qualificationStatus = row.text("qualification_status");
    s.status = row.text("status");
    s.createdAt = row.text("created_at");
    s.updatedAt = row.text("updated_at");
    s.rowToken = row.text(kTokenColumn);
    return s;
}

// The columns an edit writes, in the order of supplierValues.
const QStringList kEditedColumns{QStringLiteral("name"),
                                 QStringLiteral("license_no"),
                                 QStringLiteral("business_license_no"),
                                 QStringLiteral("business_scope"),
                                 QStringLiteral("address"),
                                 QStringLiteral("contact_name"),
                                 QStringLiteral("contact_phone"),
                                 QStringLiteral("license_expire_date"),
                                 QStringLiteral("business_license_expire_date"),
                                 QStringLiteral("gsp_cert_no"),
                                 QStringLiteral("gsp_cert_expire_date"),
                                 QStringLiteral("tax_reg_no"),
                                 QStringLiteral("tax_reg_expire_date"),
                                 QStringLiteral("qualification_status"),
                                 QStringLiteral("status")};

// Deleting a supplier suspends it.
const TokenGuard kEditGuard{QStringLiteral("supplier"), QStringLiteral("供应商"),
                            kEditedColumns + QStringList{QStringLiteral("updated_at")},
                            QStringLiteral("status = 'suspended'")};

} // namespace

SupplierRepository::SupplierRepository(IDbAdapter* db) : m_db(db) {}

QList<QVariant> SupplierRepository::supplierValues(const Supplier& s) const {
    QString scope = models::joinBusinessScope(s.businessScope);
    if (scope.isNull())
        scope = QLatin1String(""); // an empty scope is stored as empty text, not NULL
    const QString qualification =
        s.qualificationStatus.isEmpty() ? calculateQualificationStatus(s) : s.qualificationStatus;
    return {s.name,
            s.licenseNo,
            s.businessLicenseNo,
            scope,
            s.address,
            s.contactName,
            s.contactPhone,
            nullIfEmpty(s.licenseExpireDate),
            nullIfEmpty(s.businessLicenseExpireDate),
            s.gspCertNo,
            nullIfEmpty(s.gspCertExpireDate),
            s.taxRegNo,
            nullIfEmpty(s.taxRegExpireDate),
            qualification,
            s.status};
}

int SupplierRepository::insert(const Supplier& supplier) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return -1;
    QSqlQuery q = m_db->query(
        QStringLiteral(
            "INSERT INTO supplier (name, license_no, business_license_no, business_scope, address, "
            "contact_name, contact_phone, license_expire_date, business_license_expire_date, "
            "gsp_cert_no, gsp_cert_expire_date, tax_reg_no, tax_reg_expire_date, "
            "qualification_status, status) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        supplierValues(supplier));
    if (!q.isActive()) {
        qCritical().noquote() << "Supplier insert failed:" << m_db->failureText(q);
        return -1;
    }
    const QVariant id = q.lastInsertId();
    return id.isValid() ? id.toInt() : -1;
}

BulkInsertResult SupplierRepository::insertAll(const QList<Supplier>& suppliers,
                                               const RowHook& beforeEachRow) {
    return insertEach(
        m_db, suppliers, [this](const Supplier& supplier) { return insert(supplier) >= 1; }, beforeEachRow);
}

bool SupplierRepository::update(const Supplier& supplier) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    QString reason;
    if (saveUnchanged(m_db, kEditGuard, supplier.id, supplier.rowToken,
                      stampedColumns(kEditedColumns, supplierValues(supplier)), &reason))
        return true;
    qCritical().noquote() << "Supplier update failed - id:" << supplier.id << reason;
    return refuse(reason);
}

bool SupplierRepository::remove(int id) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    const bool ok = m_db->execute(
        QStringLiteral(
            "UPDATE supplier SET status = 'suspended', updated_at = CURRENT_TIMESTAMP WHERE id = ?"),
        {id});
    if (!ok)
        qCritical().noquote() << "Supplier soft delete failed for id:" << id;
    return ok;
}

Supplier SupplierRepository::findById(int id) {
    return readFirst(m_db, selectWithToken(kEditGuard) + QStringLiteral(" WHERE id = ?"), {id}, readSupplier);
}

QHash<QString, int> SupplierRepository::activeIdsByName() {
    QHash<QString, int> ids;
    visitRows(m_db,
              QStringLiteral("SELECT id, name FROM supplier WHERE status != 'suspended' ORDER BY id DESC"),
              {}, [&ids](const Row& row) { ids.insert(row.text("name"), row.integer("id")); });
    return ids;
}

QList<Supplier> SupplierRepository::readList(const QString& sql, const QList<QVariant>& params) {
    return kestrovalin::readList(m_db, sql, params, readSupplier);
}

QList<Supplier> SupplierRepository::findAll() {
    QList<Supplier> suppliers;
    findAll([&suppliers](const Supplier& s) { suppliers.append(s); });
    return suppliers;
}

bool SupplierRepository::findAll(const EachSupplier& each) {
    return forEachRow(m_db,
                      QStringLiteral("SELECT * FROM supplier WHERE status != 'suspended' ORDER BY id DESC"),
                      {}, readSupplier, each);
}

QList<Supplier> SupplierRepository::searchByName(const QString& keyword) {
    QList<Supplier> suppliers;
    searchByName(keyword, [&suppliers](const Supplier& s) { suppliers.append(s); });
    return suppliers;
}

bool SupplierRepository::searchByName(const QString& keyword, const EachSupplier& each) {
    return forEachRow(
        m_db,
        QStringLiteral("SELECT * FROM supplier WHERE status != 'suspended' AND name LIKE ? ORDER BY id DESC"),
        {QStringLiteral("%") + keyword + QStringLiteral("%")}, readSupplier, each);
}

int SupplierRepository::count() {
    if (!m_db)
        return 0;
    return readValue(m_db, QStringLiteral("SELECT COUNT(*) FROM supplier WHERE status != 'suspended'"))
        .value_or(0)
        .toInt();
}

// Both date queries bind the local date: SQLite's date('now') is UTC and would be a day off in the morning.
QList<Supplier> SupplierRepository::findExpiring(int days) {
    if (!m_db)
        return {};
    const QDate today = Clock::today();
    const QString from = today.toString(kDateFormat);
    const QString to = today.addDays(days).toString(kDateFormat);
    return readList(
        QStringLiteral("SELECT * FROM supplier WHERE status != 'suspended' AND "
                       "((license_expire_date >= ? AND license_expire_date <= ?) OR "
                       "(business_license_expire_date >= ? AND business_license_expire_date <= ?) OR "
                       "(gsp_cert_expire_date >= ? AND gsp_cert_expire_date <= ?) OR "
                       "(tax_reg_expire_date >= ? AND tax_reg_expire_date <= ?)) ORDER BY id DESC"),
        {from, to, from, to, from, to, from, to});
}

QList<Supplier> SupplierRepository::findExpired() {
    if (!m_db)
        return {};
    const QString today = Clock::todayText();
    return readList(QStringLiteral("SELECT * FROM supplier WHERE status != 'suspended' AND "
                                   "(license_expire_date < ? OR business_license_expire_date < ? OR "
                                   "gsp_cert_expire_date < ? OR tax_reg_expire_date < ?) ORDER BY id DESC"),
                    {today, today, today, today});
}

bool SupplierRepository::isSupplierQualified(int supplierId) {
    if (!m_db)
        return false;
    const Fetched<Supplier> found = fetch(
        m_db,
        QStringLiteral("SELECT qualification_status, license_expire_date, business_license_expire_date, "
                       "gsp_cert_expire_date, tax_reg_expire_date FROM supplier WHERE id = ? AND "
                       "status != 'suspended'"),
        {supplierId}, readSupplier, 1);
    return found.found() && isQualified(found.rows.first(), Clock::today());
}

bool SupplierRepository::isQualified(const Supplier& supplier, const QDate& today) {
    if (supplier.qualificationStatus != QLatin1String("valid"))
        return false;
    for (const QString& dateText : expiryDates(supplier)) {
        if (dateText.isEmpty())
            continue;
        // An unparsable date counts as before every date: refused.
        const std::optional<qint64> days = daysUntil(dateText, today);
        if (!days || *days < 0)
            return false;
    }
    return true;
}

void SupplierRepository::updateQualificationStatus(int id, const QString& status) {
    if (m_db)
        writeQualificationStatus(id, status);
}

bool SupplierRepository::writeQualificationStatus(int id, const QString& status) {
    return m_db->execute(
        QStringLiteral("UPDATE supplier SET qualification_status = ?, updated_at = CURRENT_TIMESTAMP "
                       "WHERE id = ?"),
        {status, id});
}

// All rows change together or none does, so a failure never leaves the register half refreshed.
bool SupplierRepository::refreshAllQualificationStatus() {
    if (!m_db)
        return false;
    Transaction tx(m_db);
    if (!tx.isActive())
        return false;
    const QList<Supplier> suppliers =
        readList(QStringLiteral("SELECT * FROM supplier WHERE status != 'suspended'"));
    for (const Supplier& supplier : suppliers) {
        const QString computed = calculateQualificationStatus(supplier);
        if (computed != supplier.qualificationStatus && !writeQualificationStatus(supplier.id, computed)) {
            qWarning().noquote() << "Supplier qualification refresh failed for id:" << supplier.id;
            return false;
        }
    }
    return tx.commit();
}

QString SupplierRepository::calculateQualificationStatus(const Supplier& supplier) {
    const Standing standing = qualificationStanding(supplier, Clock::today());
    if (standing.expired)
        return QStringLiteral("expired");
    return standing.expiring ? QStringLiteral("expiring") : QStringLiteral("valid");
}

std::optional<qint64> SupplierRepository::daysUntil(const QString& dateText, const QDate& today) {
    const QDate date = storedDate(dateText);
    if (!date.isValid())
        return std::nullopt;
    return today.daysTo(date);
}

std::array<QString, 4> SupplierRepository::expiryDates(const Supplier& supplier) {
    return {supplier.licenseExpireDate, supplier.businessLicenseExpireDate, supplier.gspCertExpireDate,
            supplier.taxRegExpireDate};
}

SupplierRepository::Standing SupplierRepository::qualificationStanding(const Supplier& supplier,
                                                                       const QDate& today) {
    Standing standing;
    for (const QString& dateText : expiryDates(supplier)) {
        const std::optional<qint64> days = daysUntil(dateText, today);
        if (!days)
            continue;
        if (*days < 0)
            standing.expired = true;
        else if (*days <= kExpiringWithinDays)
            standing.expiring = true;
    }
    return standing;
}

} // namespace kestrovalin::repositories

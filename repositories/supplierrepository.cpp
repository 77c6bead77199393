#include "repositories/supplierrepository.h"

#include "core/clock.h"
#include "core/transaction.h"

#include <QDebug>
#include <QSqlQuery>
#include <QSqlRecord>

#include <optional>

namespace kestrovalin::repositories {

using models::Supplier;

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
constexpr int kExpiringWithinDays = 30;

// Column positions resolved once per result.
struct SupplierColumns {
    explicit SupplierColumns(const QSqlRecord& r)
        : id(r.indexOf(QStringLiteral("id"))), name(r.indexOf(QStringLiteral("name"))),
          licenseNo(r.indexOf(QStringLiteral("license_no"))),
          businessLicenseNo(r.indexOf(QStringLiteral("business_license_no"))),
          businessScope(r.indexOf(QStringLiteral("business_scope"))),
          address(r.indexOf(QStringLiteral("address"))),
          contactName(r.indexOf(QStringLiteral("contact_name"))),
          contactPhone(r.indexOf(QStringLiteral("contact_phone"))),
          licenseExpireDate(r.indexOf(QStringLiteral("license_expire_date"))),
          businessLicenseExpireDate(r.indexOf(QStringLiteral("business_license_expire_date"))),
          gspCertNo(r.indexOf(QStringLiteral("gsp_cert_no"))),
          gspCertExpireDate(r.indexOf(QStringLiteral("gsp_cert_expire_date"))),
          taxRegNo(r.indexOf(QStringLiteral("tax_reg_no"))),
          taxRegExpireDate(r.indexOf(QStringLiteral("tax_reg_expire_date"))),
          qualificationStatus(r.indexOf(QStringLiteral("qualification_status"))),
          status(r.indexOf(QStringLiteral("status"))), createdAt(r.indexOf(QStringLiteral("created_at"))),
          updatedAt(r.indexOf(QStringLiteral("updated_at"))) {}

    int id, name, licenseNo, businessLicenseNo, businessScope, address, contactName, contactPhone,
        licenseExpireDate, businessLicenseExpireDate, gspCertNo, gspCertExpireDate, taxRegNo,
        taxRegExpireDate, qualificationStatus, status, createdAt, updatedAt;
};

QString text(const QSqlQuery& q, int column) {
    return column < 0 ? QString() : q.value(column).toString();
}

void fillSupplier(Supplier& s, const QSqlQuery& q, const SupplierColumns& c) {
    s.id = q.value(c.id).toInt();
    s.name = text(q, c.name);
    s.licenseNo = text(q, c.licenseNo);
    s.businessLicenseNo = text(q, c.businessLicenseNo);
    s.businessScope = models::splitBusinessScope(text(q, c.businessScope));
    s.address = text(q, c.address);
    s.contactName = text(q, c.contactName);
    s.contactPhone = text(q, c.contactPhone);
    s.licenseExpireDate = text(q, c.licenseExpireDate);
    s.businessLicenseExpireDate = text(q, c.businessLicenseExpireDate);
    s.gspCertNo = text(q, c.gspCertNo);
    s.gspCertExpireDate = text(q, c.gspCertExpireDate);
    s.taxRegNo = text(q, c.taxRegNo);
    s.taxRegExpireDate = text(q, c.taxRegExpireDate);
    s.qualificationStatus = text(q, c.qualificationStatus);
    s.status = text(q, c.status);
    s.createdAt = text(q, c.createdAt);
    s.updatedAt = text(q, c.updatedAt);
}

// Days from today to the date, or nothing for an empty or unparsable text.
std::optional<qint64> daysUntil(const QString& dateText, const QDate& today) {
    const QDate date = QDate::fromString(dateText, kDateFormat);
    if (!date.isValid())
        return std::nullopt;
    return today.daysTo(date);
}

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
            s.licenseExpireDate,
            s.businessLicenseExpireDate,
            s.gspCertNo,
            s.gspCertExpireDate,
            s.taxRegNo,
            s.taxRegExpireDate,
            qualification,
            s.status};
}

int SupplierRepository::insert(const Supplier& supplier) {
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
        qCritical().noquote() << "Supplier insert failed:" << q.lastError().text();
        return -1;
    }
    const QVariant id = q.lastInsertId();
    return id.isValid() ? id.toInt() : -1;
}

bool SupplierRepository::update(const Supplier& supplier) {
    if (!m_db)
        return false;
    QList<QVariant> params = supplierValues(supplier);
    params << supplier.id;
    const bool ok = m_db->execute(
        QStringLiteral("UPDATE supplier SET name = ?, license_no = ?, business_license_no = ?, "
                       "business_scope = ?, address = ?, contact_name = ?, contact_phone = ?, "
                       "license_expire_date = ?, business_license_expire_date = ?, gsp_cert_no = ?, "
                       "gsp_cert_expire_date = ?, tax_reg_no = ?, tax_reg_expire_date = ?, "
                       "qualification_status = ?, status = ?, updated_at = CURRENT_TIMESTAMP WHERE id = ?"),
        params);
    if (!ok)
        qCritical().noquote() << "Supplier update failed";
    return ok;
}

bool SupplierRepository::remove(int id) {
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
    Supplier supplier;
    if (!m_db)
        return supplier;
    QSqlQuery q = m_db->query(QStringLiteral("SELECT * FROM supplier WHERE id = ?"), {id});
    if (q.isActive() && q.next())
        fillSupplier(supplier, q, SupplierColumns(q.record()));
    return supplier;
}

QList<Supplier> SupplierRepository::readList(const QString& sql, const QList<QVariant>& params) {
    QList<Supplier> list;
    QSqlQuery q = m_db->query(sql, params);
    if (!q.isActive())
        return list;
    const SupplierColumns columns(q.record());
    while (q.next()) {
        Supplier supplier;
        fillSupplier(supplier, q, columns);
        list.append(supplier);
    }
    return list;
}

QList<Supplier> SupplierRepository::findAll() {
    if (!m_db)
        return {};
    return readList(QStringLiteral("SELECT * FROM supplier WHERE status != 'suspended' ORDER BY id DESC"));
}

QList<Supplier> SupplierRepository::searchByName(const QString& keyword) {
    if (!m_db)
        return {};
    return readList(
        QStringLiteral("SELECT * FROM supplier WHERE status != 'suspended' AND name LIKE ? ORDER BY id DESC"),
        {QStringLiteral("%") + keyword + QStringLiteral("%")});
}

int SupplierRepository::count() {
    if (!m_db)
        return 0;
    QSqlQuery q = m_db->query(QStringLiteral("SELECT COUNT(*) FROM supplier WHERE status != 'suspended'"));
    return q.isActive() && q.next() ? q.value(0).toInt() : 0;
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
    QSqlQuery q = m_db->query(
        QStringLiteral("SELECT qualification_status, license_expire_date, business_license_expire_date, "
                       "gsp_cert_expire_date, tax_reg_expire_date FROM supplier WHERE id = ? AND "
                       "status != 'suspended'"),
        {supplierId});
    if (!q.isActive() || !q.next())
        return false;
    if (q.value(0).toString() != QLatin1String("valid"))
        return false;
    const QDate today = Clock::today();
    for (int column = 1; column <= 4; ++column) {
        const QString dateText = q.value(column).toString();
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
    const QDate today = Clock::today();
    QList<std::optional<qint64>> days;
    for (const QString& date : {supplier.licenseExpireDate, supplier.businessLicenseExpireDate,
                                supplier.gspCertExpireDate, supplier.taxRegExpireDate})
        days << daysUntil(date, today);
    for (const auto& d : days) {
        if (d && *d < 0)
            return QStringLiteral("expired");
    }
    for (const auto& d : days) {
        if (d && *d <= kExpiringWithinDays)
            return QStringLiteral("expiring");
    }
    return QStringLiteral("valid");
}

} // namespace kestrovalin::repositories

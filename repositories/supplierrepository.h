#pragma once

#include "core/idbadapter.h"
#include "models/supplier.h"
#include "repositories/bulkinsert.h"
#include "repositories/refusal.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <optional>

#include <functional>

namespace kestrovalin::repositories {

// Reads and writes table supplier and holds the qualification rules: goods may be bought only from a supplier
// whose licences, GSP certificate and tax registration are in force. Suppliers are suspended, never deleted.
// Holds only the adapter it was given (not owned, may be null).
class SupplierRepository : public Refusable {
public:
    explicit SupplierRepository(IDbAdapter* db);

    int insert(const models::Supplier& supplier);
    // Inserts all of them in one transaction, or none (see insertEach).
    BulkInsertResult insertAll(const QList<models::Supplier>& suppliers, const RowHook& beforeEachRow = {});
    // Only while the row is as findById read it (the record's rowToken): otherwise nothing is written and
    // refusal() says why.
    bool update(const models::Supplier& supplier);
    bool remove(int id);

    models::Supplier findById(int id);
    // The id of each name's supplier that is not suspended (the lowest where several are), read at once for a
    // long run of look-ups; empty when the statement fails.
    QHash<QString, int> activeIdsByName();
    QList<models::Supplier> findAll();
    QList<models::Supplier> searchByName(const QString& keyword);
    // The same suppliers handed to each one at a time as they are read, keeping none: the supplier list
    // builds its rows from them. False when the statement failed.
    using EachSupplier = std::function<void(const models::Supplier&)>;
    bool findAll(const EachSupplier& each);
    bool searchByName(const QString& keyword, const EachSupplier& each);
    int count();
    // Suppliers with any of the four documents expiring from today up to today + days, both ends included.
    QList<models::Supplier> findExpiring(int days);
    QList<models::Supplier> findExpired();

    bool isSupplierQualified(int supplierId);
    // The same test on a supplier already read (its status not 'suspended' is the caller's): qualification
    // status 'valid' and none of the four dates passed or unreadable.
    static bool isQualified(const models::Supplier& supplier, const QDate& today);
    void updateQualificationStatus(int id, const QString& status);
    // Rewrites every changed status in one transaction; false when any write failed (then none is kept).
    bool refreshAllQualificationStatus();
    // "expired", "expiring" (within 30 days, today included) or "valid", from the record's dates alone.
    static QString calculateQualificationStatus(const models::Supplier& supplier);

    // A document that expires within this many days (today included) is expiring.
    static constexpr int kExpiringWithinDays = 30;
    // Days from today to a stored expiry date; nothing for an empty text or one not in "yyyy-MM-dd".
    static std::optional<qint64> daysUntil(const QString& dateText, const QDate& today);
    // The four expiry dates in their fixed order: drug business licence, business licence, GSP certificate,
    // tax registration.
    static std::array<QString, 4> expiryDates(const models::Supplier& supplier);
    // Whether any of the four dates has passed and whether any expires within the window; an empty or
    // unreadable date counts for neither.
    struct Standing {
        bool expired = false;
        bool expiring = false;
    };
    static Standing qualificationStanding(const models::Supplier& supplier, const QDate& today);
    // The listed suppliers (all, or those whose name holds the keyword) whose standing on today keep()
    // accepts, each handed to row(supplier, standing) in order: the two qualification lists judge one day
    // for all their rows.
    template <typename Keep, typename Row>
    auto standingRows(const QString& keyword, const QDate& today, Keep keep, Row row) {
        QVector<decltype(row(models::Supplier(), Standing()))> rows;
        for (const models::Supplier& supplier : keyword.isEmpty() ? findAll() : searchByName(keyword)) {
            const Standing standing = qualificationStanding(supplier, today);
            if (keep(standing))
                rows.append(row(supplier, standing));
        }
        return rows;
    }

private:
    QList<models::Supplier> readList(const QString& sql, const QList<QVariant>& params = {});
    QList<QVariant> supplierValues(const models::Supplier& supplier) const;
    bool writeQualificationStatus(int id, const QString& status);

    IDbAdapter* m_db;
};

} // namespace kestrovalin::repositories

#pragma once

#include "core/idbadapter.h"
#include "models/inventorycheck.h"
#include "repositories/refusal.h"

#include <QList>
#include <QString>

namespace kestrovalin::repositories {

// Stocktaking sheets and their counted lines. A sheet is born 'draft'; approving it sets every counted
// batch to its count, in one transaction with the status change, once. An approved sheet is the record of
// that adjustment and can be neither changed nor deleted. Holds only the adapter (not owned, may be null).
// A refused change, deletion or approval tells why in refusal().
class InventoryCheckRepository : public Refusable {
public:
    explicit InventoryCheckRepository(IDbAdapter* db);

    // Numbers the sheet (CHK + local today + sequence) and stores it with its lines; the new id, or -1. The
    // counts and differences are stored as given.
    int insertCheck(models::InventoryCheck& check, const QList<models::InventoryCheckItem>& items);
    // Replaces the header fields and lines of a sheet that is not approved.
    bool updateCheck(models::InventoryCheck& check, const QList<models::InventoryCheckItem>& items);
    // Removes a sheet that exists and is not approved, with its lines.
    bool deleteCheck(int id);
    // Marks a sheet that is not yet approved as approved and sets each counted batch to its count.
    bool approveCheck(int id, int approverId);

    models::InventoryCheck findById(int id);
    models::InventoryCheck findByCheckNo(const QString& checkNo);
    // Newest first, without lines.
    QList<models::InventoryCheck> findAll();
    // Number or type code contains the keyword.
    QList<models::InventoryCheck> search(const QString& keyword);
    QList<models::InventoryCheckItem> findCheckItems(int checkId);

private:
    QString generateCheckNo();
    // Inside the caller's transaction.
    bool adjustInventory(int checkId);
    bool insertItems(int checkId, const QList<models::InventoryCheckItem>& items, double* totalDiff);
    QList<models::InventoryCheck> readChecks(const QString& where, const QList<QVariant>& params);

    IDbAdapter* m_db;
};

} // namespace kestrovalin::repositories

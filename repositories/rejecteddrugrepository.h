#pragma once

#include "models/rejecteddrug.h"
#include "repositories/refusal.h"

#include <QList>
#include <QString>

namespace kestrovalin {
class IDbAdapter;
}

namespace kestrovalin::repositories {

// The register of non-conforming drugs (table unqualified_drug) and the stock those records set aside. Holds
// only the adapter it was given (not owned, may be null: reads then give their empty result with a critical
// log line, writes fail).
//
// A record is registered pending, confirmed by review, then processed; processed is final and only a pending
// record may be deleted. Every transition checks the stored status in its own statement, so a stale window
// or a repeat can never move stock twice. Confirming moves the record's quantity from its batch row's
// sellable quantity to rejected_quantity; processing it as destroyed, returned or written off takes it out
// of rejected_quantity again. A refused transition tells why in refusal().
class RejectedDrugRepository : public Refusable {
public:
    enum class ConfirmOutcome {
        Confirmed,
        NotPending,     // no such record, or it is no longer pending
        InStocktaking,  // a draft stocktaking sheet counts the same product and batch number
        NotEnoughStock, // the batch row holds less sellable stock than the record's quantity
        Failed          // the batch row is gone, or a statement or the commit failed
    };

    explicit RejectedDrugRepository(IDbAdapter* db);

    // Stores the record as pending with the local registration time and its remark, whatever the record's
    // own status, process fields and creation time say; sets the record's id on success.
    bool insert(models::RejectedDrug& drug);
    // True only when the record was pending and is now confirmed with its stock set aside.
    bool confirm(int id, int userId);
    // The same, telling why a confirmation was refused. The user id is not stored (the table has no column
    // for who confirmed).
    ConfirmOutcome confirmRecord(int id, int userId);
    // Moves a confirmed record to processed with the type, the local date and the user.
    bool process(int id, const QString& processType, int userId);
    // Rewrites a pending record by its id with the drug, batch, quantity, reason, finder and remark of the
    // given one; a record that review has already confirmed or processed is refused. Status and processing
    // stay as stored (they move through confirm and process only), and no stock moves: a pending record has
    // set nothing aside. There is no column for an update time.
    bool update(const models::RejectedDrug& drug);
    // Deletes a pending record; no stock was set aside for it yet.
    bool remove(int id);

    // The record, or a default record (id -1).
    models::RejectedDrug findById(int id);
    // Newest registration first. A status of "all" or empty adds no condition; each non-empty text must be
    // contained in its field (the mnemonic code, upper-cased, in the product's). Texts are used as given.
    QList<models::RejectedDrug> search(const QString& status, const QString& supplier, const QString& product,
                                       const QString& barcode, const QString& mnemonic,
                                       const QString& batchNo);
    QList<models::RejectedDrug> search(const QString& status);
    QList<models::RejectedDrug> findAll();
    QList<models::RejectedDrug> findByStatus(const QString& status);

private:
    QList<models::RejectedDrug> readRecords(const char* caller, const QString& sql,
                                            const QList<QVariant>& params);

    IDbAdapter* m_db;
};

} // namespace kestrovalin::repositories

#pragma once

#include "core/transaction.h"

#include <QList>

#include <functional>

namespace kestrovalin::repositories {

// What a bulk insert did. All rows are kept or none is.
struct BulkInsertResult {
    enum class Outcome {
        NotStarted,   // BEGIN failed: nothing was tried
        RowsFailed,   // the database refused failedRows; everything was rolled back
        CommitFailed, // every row went in but COMMIT failed; everything was rolled back
        Stopped,      // the database file was replaced meanwhile: stopped at the next row and rolled back
        Stored        // committed
    };
    Outcome outcome = Outcome::NotStarted;
    QList<int> failedRows; // positions in the list given
    int stored = 0;        // rows the database took (all of them when Stored)
    QString reason;        // the database file's trouble that stopped it, in the user's words; else empty
};

// Called once the transaction is open, before each row with its position: a window can repaint meanwhile. It
// must not let the user act, since anything written now would join this transaction.
using RowHook = std::function<void(int index)>;

// Inserts every record with insert(record) -> bool in one transaction. A refused row does not end the loop,
// so every refused row is listed; then nothing is kept. A database file found replaced while the rows go in
// (the hook lets the program notice it) ends the loop at the next row, and the rollback lets the program
// keep what it had saved at once.
template <class Record, class Insert>
BulkInsertResult insertEach(IDbAdapter* db, const QList<Record>& records, Insert insert,
                            const RowHook& beforeEachRow) {
    BulkInsertResult result;
    Transaction tx(db);
    if (!tx.isActive()) {
        result.reason = databaseFailureReason(db);
        return result;
    }
    for (int i = 0; i < records.size(); ++i) {
        if (beforeEachRow)
            beforeEachRow(i);
        if (db->isReplaced()) {
            tx.rollback();
            result.outcome = BulkInsertResult::Outcome::Stopped;
            result.reason = replacedFileReason(db);
            return result;
        }
        if (insert(records.at(i)))
            ++result.stored;
        else
            result.failedRows.append(i);
    }
    if (!result.failedRows.isEmpty())
        result.outcome = BulkInsertResult::Outcome::RowsFailed;
    else if (tx.commit())
        result.outcome = BulkInsertResult::Outcome::Stored;
    else
        result.outcome = BulkInsertResult::Outcome::CommitFailed;
    if (result.outcome != BulkInsertResult::Outcome::Stored)
        result.reason = databaseFailureReason(db);
    return result;
}

} // namespace kestrovalin::repositories

#pragma once

#include "core/idbadapter.h"

#include <QString>

namespace kestrovalin {

// A scoped write: begins on construction, rolls back on destruction unless commit() succeeded.
//
// Scopes nest. When the adapter already has a transaction open, this one is a savepoint inside it: commit()
// releases the savepoint (the outer transaction still decides), and a rollback undoes only the work done
// since this scope began, leaving the outer work in place. So a repository method that opens its own
// Transaction can be called on its own or from inside a caller's transaction.
//
//     Transaction tx(db);
//     if (!tx.isActive() || !writeHeader() || !writeLines())
//         return false;   // rolled back here
//     return tx.commit();
class Transaction {
public:
    explicit Transaction(IDbAdapter* db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // False when BEGIN (or SAVEPOINT) failed: the caller must not write.
    bool isActive() const { return m_active; }
    // True when this scope is a savepoint inside an outer transaction.
    bool isNested() const { return !m_savepoint.isEmpty(); }

    // False when the scope never began or COMMIT (RELEASE) failed; the work is then rolled back.
    [[nodiscard]] bool commit();
    void rollback();

private:
    IDbAdapter* m_db;
    QString m_savepoint; // empty for the outermost scope
    bool m_active = false;
};

// The user's words for a condition of the database file ("数据库正被其他程序占用，请稍后重试"); empty for
// None.
QString databaseConditionText(DbCondition condition);

// A read refused because the file was replaced ("数据库文件已被其他程序替换，未能读取记录，请重新启动程序").
QString replacedReadText();

// Why the last write through db failed for a reason of the database file rather than of the business, in
// the user's words ("数据库正被其他程序占用，请稍后重试"), naming the copy that keeps a replaced file's data;
// empty when it had no such reason.
QString databaseFailureReason(const IDbAdapter* db);

// The refusal of a write to a replaced file, in the user's words, with what became of the data the program
// had saved: the copy that keeps it (or keeps the file as it was, which may lack what was saved last), why
// none could be made so far, or, for a write-ahead log removed alone, that it went into the file.
QString replacedFileReason(const IDbAdapter* db);
// The notice that the file was replaced, given once as soon as it is found, whatever the program was doing:
// it reads and writes nothing more, with what became of its data, as in the refusal.
QString replacedFileNotice(const IDbAdapter* db);

// The user's words for a replaced file's data that no copy keeps yet: where the copy was tried and why it
// failed.
QString unkeptDataText(const ReplacedFileCopy& copy);

} // namespace kestrovalin

#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

namespace kestrovalin {

// A reason of the database file itself, not of the business, for which a write failed. Replaced: the path no
// longer names the file the connection has open (another program renamed a file over it, or removed it), or
// its write-ahead log was removed or replaced under it (a restore), so whatever was written would be lost.
enum class DbCondition { None, Busy, ReadOnly, DiskFull, FileError, CannotOpen, Damaged, Replaced };

// What became of the data the program had saved in a file that was replaced under it: the copy that keeps it,
// or, while none could be made, why and the folder it was tried in: DiskFull, ReadOnly or FileError for the
// backup folder, Damaged for the file's data, which failed its check (it may be damaged).
struct ReplacedFileCopy {
    QString path;
    QString folder;
    DbCondition failure = DbCondition::None;
    // Another program took the write-ahead log at the path before the program wrote it into the file it had
    // open: what the program saved last may be in the file now at the path instead, and the copy (of the
    // file the program had open) may lack it.
    bool mayLackSaves = false;
    // Another program took on the write-ahead log at the path while it still held what the program saved
    // (it opened the file now at the path before the log was emptied): those saves may be in that file too.
    bool savesMayBeAtPath = false;
    // Not a file replaced but its write-ahead log removed alone, from the file the program last wrote: the
    // program wrote the log it still had open into that file, so every save is at the path and no copy is
    // needed.
    bool logWrittenBack = false;
    // The data then lives only in this running program.
    bool isMissing() const { return path.isEmpty() && failure != DbCondition::None; }

    // What became of the saves, decided once for every text that tells it.
    enum class Fate { Unknown, WrittenBack, KeptMayLack, Kept, NotKept };
    Fate fate() const {
        if (logWrittenBack)
            return Fate::WrittenBack;
        if (!path.isEmpty())
            return mayLackSaves ? Fate::KeptMayLack : Fate::Kept;
        return isMissing() ? Fate::NotKept : Fate::Unknown;
    }
};

// The one road to the database: SQL text with positional "?" parameters.
class IDbAdapter {
public:
    virtual ~IDbAdapter() = default;
    virtual bool connect(const QString& path) = 0;
    virtual void disconnect() = 0;
    virtual bool isConnected() const = 0;
    virtual bool execute(const QString& sql, const QList<QVariant>& params = {}) = 0;
    virtual QSqlQuery query(const QString& sql, const QList<QVariant>& params = {}) = 0;
    // A SELECT read once from the first row to the last (next() only): the driver keeps no copy of the rows
    // already read, which a big list would otherwise hold twice while it is built.
    virtual QSqlQuery readOnce(const QString& sql, const QList<QVariant>& params = {}) {
        return query(sql, params);
    }
    virtual bool transaction() = 0;
    virtual bool commit() = 0;
    virtual bool rollback() = 0;
    virtual QSqlError lastError() const = 0;
    virtual QSqlDatabase getQtDatabase() const = 0;
    // Whether a transaction begun through transaction() is still open: Transaction nests on it.
    virtual bool inTransaction() const = 0;
    // The condition behind the last failed statement, BEGIN or COMMIT since the last write began (None when
    // that failure had no such reason). Read it right after the write that failed.
    virtual DbCondition lastFailureCondition() const { return DbCondition::None; }
    // Forgets that condition as a write begins outside a transaction (inside one the write is the outer
    // one's).
    virtual void clearFailureCondition() {}
    // Whether that failure was of a read on its own (outside a write's transaction).
    virtual bool lastFailureWasRead() const { return false; }
    // Whether the file opened was found replaced under the connection (see FileKeeper, which looks); every
    // write is refused from then on.
    virtual bool isReplaced() const { return false; }
    // The copy in which the data of a replaced file was kept, or why none was made so far.
    virtual ReplacedFileCopy replacedFileCopy() const { return {}; }
    // From now on closing writes nothing into the file and deletes none of its side files, when a log lay
    // beside the file at the open: a file refused or found damaged stays as it was found, so a log left there
    // by a killed copy can still be removed, or the file restored. A log of the program's own saves stays
    // beside the file and is read again at the next open.
    virtual void leaveFileAsFound() {}
    // Why a statement of this connection failed, for the log: the driver's text, or the replaced file that
    // refused it (the driver then only says "constraint failed").
    virtual QString failureText(const QSqlQuery& q) const { return q.lastError().text(); }
};

} // namespace kestrovalin

#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace kestrovalin {
class IDbAdapter;
}

namespace kestrovalin::repositories {

// One more column a status change writes: a bound value, or an SQL expression such as "CURRENT_TIMESTAMP"
// when `expression` is set (written into the statement, so only ever a constant of the code).
struct ColumnValue {
    QString column;
    QVariant value;
    QString expression;
};

// Asks a guarded write below to tell the user why it changed nothing. `noun` names the row in their words
// ("订单"); after a refusal `reason` holds "该订单不存在" when the row is gone, or what its status says,
// "该订单已作废". A statement that failed leaves it empty.
struct GuardRefusal {
    explicit GuardRefusal(const QString& rowNoun) : noun(rowNoun) {}

    QString noun;
    QString reason;
};

// Guarded state changes for voids, approvals, confirmations, processing and deletions:
//     UPDATE <table> SET status = ? [, column = ?...] WHERE id = ? AND status = ?     (changeStatusFrom)
//     UPDATE <table> SET status = ? [, column = ?...] WHERE id = ? AND status <> ?    (changeStatusUnless)
// The statement must change exactly one row, so a missing id or a repeat (the row already moved on) is a
// failure and the caller's transaction rolls back before any stock moves twice. Run them inside the caller's
// transaction, before the stock movement that depends on them. Table and column names must be plain SQL
// names; false otherwise.
//
//     if (!changeStatusFrom(db, "sales_order", id, "completed", "voided"))
//         return false;
//     if (!changeStatusFrom(db, "inventory_check", id, "draft", "approved",
//                           {{"approved_by", approverId}, {"approved_at", {}, "CURRENT_TIMESTAMP"}}))
//         return false;
//     GuardRefusal why{"订单"};
//     if (!changeStatusUnless(db, "purchase_order", id, "voided", "voided", {}, &why))
//         return refuse(why.reason);
bool changeStatusFrom(IDbAdapter* db, const QString& table, int id, const QVariant& expected,
                      const QVariant& newStatus, const QList<ColumnValue>& also = {},
                      GuardRefusal* why = nullptr);
bool changeStatusUnless(IDbAdapter* db, const QString& table, int id, const QVariant& finalStatus,
                        const QVariant& newStatus, const QList<ColumnValue>& also = {},
                        GuardRefusal* why = nullptr);

// Rewrites columns of a row only while it has the given status, leaving the status as it is
// ("UPDATE <table> SET column = ? [, ...] WHERE id = ? AND status = ?"), under the same rule: exactly one
// row, or false.
//
//     if (!updateWithStatus(db, "unqualified_drug", id, "pending", {{"quantity", quantity}}))
//         return false;
bool updateWithStatus(IDbAdapter* db, const QString& table, int id, const QVariant& expected,
                      const QList<ColumnValue>& columns, GuardRefusal* why = nullptr);

// The deletion of a row that only a given status allows ("DELETE FROM <table> WHERE id = ? AND status = ?"),
// under the same rule: exactly one row, or false.
//
//     if (!removeWithStatus(db, "inventory_check", id, "draft"))
//         return false;
bool removeWithStatus(IDbAdapter* db, const QString& table, int id, const QVariant& expected,
                      GuardRefusal* why = nullptr);

// A save that may only overwrite the row as it was read: "UPDATE <table> SET column = ? [, ...] WHERE id = ?
// AND <token> = ?", in a transaction of its own (a savepoint inside the caller's). The token is a text that
// SQLite renders from the row's own columns (rowToken), selected with the record when it is read and carried
// with it to the save, so a row another program changed meanwhile no longer matches and nothing is written.
// Then `reason` tells the user which: "该<noun>已被删除" when the row is gone or matches `deletedWhen`
// (an SQL condition on its columns, e.g. "status = 0"; empty when only a missing row counts as deleted),
// otherwise kChangedElsewhere. A failed statement leaves it empty.
struct TokenGuard {
    QString table;
    QString noun;
    QStringList tokenColumns;
    QString deletedWhen;
};

inline const char* const kTokenColumn = "row_token";
inline const QString kChangedElsewhere = QStringLiteral("该记录已被修改，请重新打开后再编辑");

// The SQL expression of a row's token over the given columns ("quote(a) || '|' || quote(b)"); NULLs, texts
// and numbers each render distinctly. Select it as kTokenColumn beside the columns a save may be made from.
QString rowToken(const QStringList& columns);
// "SELECT *, <token> AS row_token FROM <table>": the rows a save may be made from.
QString selectWithToken(const TokenGuard& guard);

// The columns paired with their values in order, then updated_at = CURRENT_TIMESTAMP: what a save writes.
QList<ColumnValue> stampedColumns(const QStringList& columns, const QList<QVariant>& values);

// A caller that passes `reason` logs the refusal itself; without it the save logs it.
bool saveUnchanged(IDbAdapter* db, const TokenGuard& guard, int id, const QString& token,
                   const QList<ColumnValue>& columns, QString* reason);

// What a refusal says of a row with the stored status: "该<noun>" and the status in words ("该订单已作废"),
// or "该<noun>不存在" for an empty status (no row).
QString statusRefusal(const QString& noun, const QString& status);

// What a refusal says of row id of the table, which has a status column: "该<noun>不存在" when it is gone,
// else its status in words ("该盘点单已审核"). Empty when the row cannot be read.
QString rowRefusal(IDbAdapter* db, const QString& table, int id, const QString& noun);

// After a write that failed for no trouble of the database file: the `label` column of the row other than
// `exceptId` that already holds `value` in the UNIQUE `column` of `table`, i.e. the rule that stopped the
// write; nothing when no row does (or the write failed for the file's sake).
std::optional<QString> uniqueHolder(IDbAdapter* db, const QString& table, const QString& column,
                                    const QVariant& value, int exceptId, const QString& label);

} // namespace kestrovalin::repositories

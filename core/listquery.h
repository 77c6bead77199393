#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace kestrovalin {

// One key of a list's order, as an ORDER BY term.
struct SortKey {
    QString expression;
    bool descending = false;
    // The column may hold NULL; SQLite sorts NULL first ascending and last descending, and the page
    // conditions follow it. Keys that cannot be NULL keep plain range conditions, which an index serves.
    bool nullable = false;
    // An aggregate of a grouped list: its conditions go into HAVING.
    bool aggregate = false;
};

// A list's statement in the parts that paging puts together again: the rows after (or before) a known row,
// in the list's order, are read through the order's keys ("keyset" paging), never by skipping rows from
// the start. The last key must tell any two rows apart (an id), so that every row has one place.
//
// Placeholders are bound in the order the parts stand in the statement: the select list's, then where's,
// then having's. The from part holds none: a page puts its own conditions before where's.
struct ListQuery {
    QString columns; // the select list, without SELECT
    QList<QVariant> columnParams;
    QString from;  // FROM and its joins, without placeholders
    QString where; // conditions without WHERE; empty for none
    QList<QVariant> params;
    QString groupBy; // without GROUP BY; empty for none
    QString having;  // without HAVING; empty for none
    QList<QVariant> havingParams;
    QVector<SortKey> order;
    // Aggregates over the whole result, read with its count (for example "SUM(i.amount)"). Not for grouped
    // lists.
    QStringList totals;

    // Adds a condition joined with AND, with its parameters.
    ListQuery& filter(const QString& condition, const QList<QVariant>& values = {});

    struct Statement {
        QString sql;
        QList<QVariant> params;
    };
    // The whole list in its order.
    Statement all() const;
    // At most limit rows that follow the row whose keys are given (none: from the first row), in the list's
    // order, or precede it in the reverse order when backwards. The select list ends with the key values
    // (keysOnly: holds nothing else).
    // including: the known row itself comes first, when it is still there.
    Statement page(const QVector<QVariant>* after, bool backwards, int limit, bool keysOnly = false,
                   bool including = false) const;
    // One row: how many rows come before the row whose keys are given (whether or not it is still there).
    Statement countBefore(const QVector<QVariant>& keys) const;
    // One row: the row count, then each total.
    Statement count() const;
    // The from part with its WHERE clause, and the ORDER BY clause, for a statement of one's own over the
    // same rows (not for grouped lists).
    QString fromWhere() const;
    QString orderBy() const;

    // The table whose id the last key is, where the list holds one row per record of it and is not grouped:
    // records added to it later carry ids above its largest. Empty for any other list.
    QString idTable() const;
    // One row: the largest id of idTable().
    Statement newestId() const;
    // The keys of at most limit rows from the row with keys first to the one with keys last, both included
    // when there, in the list's order (not for grouped lists); with idAbove, only of records whose id is
    // above it.
    Statement between(const QVector<QVariant>& first, const QVector<QVariant>& last, int limit,
                      qint64 idAbove = -1) const;
};

} // namespace kestrovalin

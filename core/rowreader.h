#pragma once

#include "core/idbadapter.h"
#include "core/listquery.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <optional>
#include <type_traits>
#include <vector>

namespace kestrovalin {

// One row of a result, read by column name. A name the result does not have reads as NULL, so one mapping
// function serves every statement that selects some of a table's columns. Names are matched as
// QSqlRecord::indexOf does: ignoring case, the first of two equal names wins (alias the second one).
// Positions are resolved once per result, not once per value.
class Row {
public:
    explicit Row(const QSqlQuery& query) : m_query(query), m_record(query.record()) {}
    // The row refers to its query: a temporary would be gone before the first value is read.
    Row(QSqlQuery&&) = delete;
    Row(const Row&) = delete;
    Row& operator=(const Row&) = delete;

    QVariant value(const char* column) const;
    // The value at a position of the select list.
    QVariant at(int position) const { return m_query.value(position); }
    bool isNull(const char* column) const { return value(column).isNull(); }
    // NULL reads as a null QString (which binds back as NULL).
    QString text(const char* column) const { return value(column).toString(); }
    int integer(const char* column) const { return value(column).toInt(); }
    double number(const char* column) const { return value(column).toDouble(); }
    // Non-zero is true.
    bool flag(const char* column) const { return value(column).toInt() != 0; }
    QDateTime dateTime(const char* column) const { return value(column).toDateTime(); }

    // Called by the readers before each row is mapped.
    void startRow() const { m_nextSlot = 0; }

private:
    struct Slot {
        QByteArray name;
        int index;
    };
    int indexOf(const char* column) const;

    const QSqlQuery& m_query;
    QSqlRecord m_record;
    // Mapping functions ask for the same names in the same order on every row: the n-th request of a row is
    // looked for in slot n first.
    mutable std::vector<Slot> m_slots;
    mutable std::size_t m_nextSlot = 0;
};

// Why a read failed: the kind of trouble of the database file behind it (None for another cause, such as a
// statement that does not prepare) and the driver's text, for the log. The windows word it for people.
struct ReadFailure {
    DbCondition condition = DbCondition::None;
    QString text;
    // Its rows stopped before their end (which the adapter, having run the statement, did not log).
    bool stopped = false;
};

// The failure of the statement a read ran, or of its rows when stopped midway (stopped): a read of a
// replaced file is always Replaced, whatever the driver says.
ReadFailure readFailureOf(const IDbAdapter* db, const QSqlQuery& query, bool stopped);

// Collects the first failure of the reads made through the readers below (and the list models) on this
// thread while it lives, so that a window can tell the rows a repository read from a read that failed
// without every repository call handing the failure out:
//
//     const ReadWatch read;
//     const QList<Supplier> suppliers = repository.findAll();
//     if (read.failure()) ...   // keep what is shown, say why
class ReadWatch {
public:
    ReadWatch();
    ~ReadWatch();
    ReadWatch(const ReadWatch&) = delete;
    ReadWatch& operator=(const ReadWatch&) = delete;

    const std::optional<ReadFailure>& failure() const { return m_failure; }
    // Hands a failure to every watch open on this thread.
    static void note(const ReadFailure& failure);

private:
    ReadWatch* m_outer;
    std::optional<ReadFailure> m_failure;
};

// A read that tells a failed statement from an empty result. Use it where the answer decides a write
// (stock checks, counts that gate an action); elsewhere readList / readFirst are enough.
template <class T> struct Fetched {
    bool ok = false; // the statement ran and its rows were read to the end (or to the limit)
    QList<T> rows;
    QString error; // the driver's text when it did not

    bool found() const { return ok && !rows.isEmpty(); }
};

// Hands each row to visit (a callable taking const Row&) as it is read, collecting nothing: for lists so long
// that a record per row held until the caller has built its own would cost. The statement reads forward only,
// so the driver keeps no copy of the rows either. At most maxRows rows when maxRows >= 0; a visit that
// returns false reads no further rows. False when the statement fails or its rows stop before their end
// (failure, when given, gets why), or there is no adapter.
template <class F>
bool visitRows(IDbAdapter* db, const QString& sql, const QList<QVariant>& params, F visit, int maxRows = -1,
               std::optional<ReadFailure>* failure = nullptr) {
    if (!db)
        return false;
    QSqlQuery query = db->readOnce(sql, params);
    const auto failed = [&](bool stopped) {
        const ReadFailure why = readFailureOf(db, query, stopped);
        ReadWatch::note(why);
        if (failure)
            *failure = why;
        return false;
    };
    if (!query.isActive())
        return failed(false);
    const Row row(query);
    int read = 0;
    for (; (maxRows < 0 || read < maxRows) && query.next(); ++read) {
        row.startRow();
        if constexpr (std::is_same_v<std::invoke_result_t<F, const Row&>, bool>) {
            if (!visit(row))
                return true;
        } else {
            visit(row);
        }
    }
    // A step that failed (a read interrupted, a damaged page) is no end of the rows.
    if ((maxRows < 0 || read < maxRows) && query.lastError().isValid())
        return failed(true);
    return true;
}

// As visitRows, with each row mapped by map (a callable taking const Row&) and the record handed to
// each(record): a big list is built straight from the records, without a list of them beside it.
template <class F, class Each>
bool forEachRow(IDbAdapter* db, const QString& sql, const QList<QVariant>& params, F map, Each each,
                int maxRows = -1, std::optional<ReadFailure>* failure = nullptr) {
    return visitRows(
        db, sql, params, [&map, &each](const Row& row) { each(map(row)); }, maxRows, failure);
}

// Runs sql with its positional parameters and maps each row with map (a callable taking const Row&). At
// most maxRows rows are read when maxRows >= 0. A null adapter counts as a failed statement.
template <class F, class T = std::invoke_result_t<F, const Row&>>
Fetched<T> fetch(IDbAdapter* db, const QString& sql, const QList<QVariant>& params, F map, int maxRows = -1) {
    Fetched<T> result;
    std::optional<ReadFailure> failure;
    result.ok = forEachRow(
        db, sql, params, map, [&result](const T& record) { result.rows.append(record); }, maxRows, &failure);
    if (failure)
        result.error = failure->text;
    return result;
}

// Every row mapped; an empty list when the statement fails or there is no adapter (a list read in part is no
// list either). A ReadWatch open meanwhile learns why.
template <class F, class T = std::invoke_result_t<F, const Row&>>
QList<T> readList(IDbAdapter* db, const QString& sql, const QList<QVariant>& params, F map) {
    Fetched<T> result = fetch(db, sql, params, map);
    return result.ok ? result.rows : QList<T>();
}

// Every row of a list in its order, mapped; as readList above.
template <class F, class T = std::invoke_result_t<F, const Row&>>
QList<T> readList(IDbAdapter* db, const ListQuery& list, F map) {
    const ListQuery::Statement all = list.all();
    return readList(db, all.sql, all.params, map);
}

// The first row mapped, or fallback when there is none, the statement fails or there is no adapter; a
// ReadWatch open meanwhile tells a failed read from no row.
template <class F, class T = std::invoke_result_t<F, const Row&>>
T readFirst(IDbAdapter* db, const QString& sql, const QList<QVariant>& params, F map, T fallback = T()) {
    Fetched<T> result = fetch(db, sql, params, map, 1);
    return result.found() ? result.rows.first() : fallback;
}

// Every column of the first row; nothing when the statement fails (a ReadWatch open meanwhile learns why) or
// yields no row.
std::optional<QVector<QVariant>> readRow(IDbAdapter* db, const QString& sql,
                                         const QList<QVariant>& params = {});

// The first column of the first row (a COUNT, a SUM, one id); nothing when the statement fails or yields no
// row. A NULL value comes back as a null QVariant, not as nothing.
std::optional<QVariant> readValue(IDbAdapter* db, const QString& sql, const QList<QVariant>& params = {});

// Runs a write and returns the number of rows it changed, or -1 when it failed or there is no adapter. For
// writes that must change exactly one row (a status change, a stock movement).
int changedRows(IDbAdapter* db, const QString& sql, const QList<QVariant>& params);

// Binds empty text as SQL NULL: for a UNIQUE column ('' would be a value that only one row may hold) or a
// date column ('' is not a date and sorts before every date).
inline QVariant nullIfEmpty(const QString& text) {
    return text.isEmpty() ? QVariant(QVariant::String) : QVariant(text);
}

// True for a plain SQL name (letters, digits, underscores, not starting with a digit): table and column names
// that helpers have to put into statement text, since they cannot be bound.
bool isSqlName(const QString& name);

} // namespace kestrovalin

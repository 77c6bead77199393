#pragma once

#include "core/listquery.h"
#include "core/rowreader.h"
#include "core/sqliteadapter.h"
#include "ui/common/tablerow.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace kestrovalin {

class BackgroundRow;

// A read-only table model over rows whose texts, colours and ids are worked out once per read, so that
// showing a cell allocates nothing. The record id rides in column 0 under Qt::UserRole, as the list windows
// have always kept it.
//
// It holds its rows in one of two ways. Given the rows (setRows), it keeps them all, and a view with sorting
// on sorts the rows themselves, the way a QTableWidget sorts its items. Given a list's statement
// (setQuery), it pages: it reports the whole result's row count, from a count of the same statement, and
// reads the rows a page at a time as the view asks for them, each page through the order's keys from the
// page next to it, so a page deep in a long list costs no more than the first. Pages out of sight are
// dropped, so the memory stays bounded however far the list is scrolled; no statement stays open between
// pages. End reads the last page backwards from the end. Reads never change rows or layout: views and the
// accessibility layer hold indexes across them. A page read after the file changed is read by key, and the
// list is read again around the row at the top of the view once the read is done (followChanges, from a
// queued call or at an event boundary of the view). A cell's text is also its tooltip, which the list
// tables show only over a cell too narrow for it.
class RowTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Builds a row from a result row read by column name.
    using RowBuilder = std::function<TableRow(const Row&)>;

    explicit RowTableModel(const QStringList& titles, QObject* parent = nullptr);
    ~RowTableModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // What a view's type-ahead (a key that types text, Space too) asks for. A list that holds its rows
    // answers as Qt does; a paged one looks only among the rows it holds, from start round to it when the
    // search wraps, and reads nothing: a key typed into a long list never reads it on the GUI thread.
    QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits = 1,
                          Qt::MatchFlags flags = Qt::MatchFlags(Qt::MatchStartsWith |
                                                                Qt::MatchWrap)) const override;
    // Held rows: by the column's texts, locale-aware, stable from the order shown. Later fills come sorted
    // the same way until a sort by column -1. A paged list keeps its statement's order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // While the count is still being taken, scrolling to the bottom reads the next page.
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    QStringList titles() const { return m_titles; }
    void setColumnAlignment(int column, Qt::Alignment alignment);
    // Column 0 numbers the rows from 1; the rows' cells fill the columns after it. Cell colours still name
    // the columns as shown.
    void setRowNumbers(bool on) { m_rowNumbers = on; }
    bool rowNumbers() const { return m_rowNumbers; }

    // Replaces every row. A view on the model loses its current row and selection.
    void setRows(QVector<TableRow> rows);
    void clear() { setRows({}); }
    // One row per record, built by build(record) -> TableRow, in the list's order.
    template <typename List, typename Build> void fill(const List& records, Build build) {
        setRows(tableRows(records, build));
    }
    // Replaces every row with those read() returns, read under a watch: when a read in it failed, the rows
    // shown stay and readFailure() says why, so a list never takes the rows it could not read for none.
    // True when the rows were replaced.
    template <typename Read> bool setRowsRead(Read read) {
        const ReadWatch watch;
        QVector<TableRow> rows = read();
        if (watch.failure()) {
            cannotRead(*watch.failure());
            return false;
        }
        setRows(std::move(rows));
        return true;
    }
    // One row per record read() returns, built by build(record) -> TableRow, as setRowsRead().
    template <typename Read, typename Build> bool fillRead(Read read, Build build) {
        return setRowsRead([&] { return tableRows(read(), build); });
    }

    // Pages the statement's rows, each built by build. The first page is read at once; when it does not
    // hold the whole result, the count (with the totals) is taken on a connection of its own and the row
    // count follows it. counted() tells when it is known. A view on the model loses its current row and
    // selection.
    void setQuery(const ListQuery& query, RowBuilder build);
    bool isPaged() const { return m_paged; }
    // The statement a paged list reads.
    const ListQuery& query() const { return m_query; }
    // Whether rowCount() is the whole result's.
    bool countKnown() const { return m_countKnown; }
    // The statement's totals, in order, once counted; null before.
    QVariant total(int index) const { return m_totals.value(index); }

    // The id of a row, or -1 for a row that does not exist or could not be read.
    int id(int row) const;
    // Whether a row of the list is shown without its record: it could not be read.
    bool unread(int row) const { return row >= 0 && row < rowCount() && !rowAt(row); }
    // The shown text of a cell; empty outside the table.
    QString text(int row, int column) const;
    // The record the row carries; null outside the table.
    QVariant record(int row) const;
    // Every row of the whole result in its order, read from the database for a paged list, handed to
    // visit(position, row), which returns false to stop. False when visit stopped or the read failed
    // (logged; failure, when given, tells why), so a failed read never passes for the end of the rows; also,
    // without reading, while the list could not be read as asked (readFailure()): its rows are not all there.
    bool visitAll(const std::function<bool(int position, const TableRow& row)>& visit,
                  std::optional<ReadFailure>* failure = nullptr) const;

    // Why the list could not be read as asked (its rows, a page of them, or its count) since it was last
    // filled; nothing while it reads as it should. The rows shown stay; a paged list reads no more pages
    // until it is filled or read again after a change, and a row it could not read shows that.
    const std::optional<ReadFailure>& readFailure() const { return m_failure; }
    // A read for the list failed elsewhere (a repository's): the rows shown stay, readFailure() tells why.
    void cannotRead(const ReadFailure& failure);
    // A cell's shown text for the row at a position.
    QString cellText(int position, const TableRow& row, int column) const;

    // Rows per page and pages kept; tests make them small to cross page boundaries and drop pages with a
    // few rows. 0 restores the usual figure.
    static void setPagingForTesting(int pageRows, int keptPages);
    // Rows held in memory now: all of them, or those of the pages kept.
    int heldRows() const;

    // The row at the top of the view and how many rows it shows: a list read again after a change keeps
    // them in sight and reads them with it.
    void setTopRow(int row, int rowsInSight = 0) {
        m_topRow = row;
        m_rowsInSight = rowsInSight;
    }
    // Rows a list read again places by their records whatever that costs (the view's current row and the
    // corners of its selection), handed over as it is about to be read again; other indexes held are placed
    // only where the read meets them, or among a few rows counted. movedTo() then tells where they stand.
    void placeFirst(const QVector<int>& rows) { m_placeFirst = rows; }
    // The largest id of the list's table as the rows shown were read (ListQuery::idTable()); -1 for a list
    // without one.
    qint64 newestId() const { return m_newestId; }
    // A selection holds the records it was made of. Handed over as the list is about to be read again: its
    // ranges by their first and last rows, the ids of its records (empty when not known) and newestId() as
    // it was made. The records added since, and those inside the ranges whose ids are not among the
    // selection's (moved in by an update), are placed too and listed by came(), in sight or not (their places
    // may be counted elsewhere first; at most a few dozen, any more are not).
    void keepSelection(const QVector<QPair<int, int>>& ranges, const QSet<qint64>& ids, qint64 since) {
        m_keptRanges = ranges;
        m_keptIds = ids;
        m_addedSince = since;
    }
    // The ids of the records from row top to row bottom, added to ids; false when their keys are not known or
    // the read failed.
    bool readIds(int top, int bottom, QSet<qint64>* ids) const;
    // When the file changed since the held pages were read, drops them and reads the list again from the
    // record at topRow (the next one in order when it is gone), which keeps its place in the view, with
    // the rows in sight, and counts it again. Every index held stays on its record, or is let go when its
    // record is gone or its place cannot be read (a view on followList hands a current row that is gone to
    // its successor, the one before it at the end). Every selected record still there stays selected: a
    // record gone takes nothing else with it (the view's follower carries the selection over, by movedTo());
    // one that came inside a selected range, where the rows read before and after tell it, stays out of it
    // (came()). Returns that record's row now (reread() tells it too); -1 when nothing changed. Never to be
    // called from inside a read.
    int followChanges(int topRow);
    // followChanges() from the row at the top of the view, now.
    int followNow() { return followChanges(m_topRow); }
    // followChanges(top row) once the event being handled is done; asked for once however often.
    void followLater() const;
    // Where the record of a row held by an index (or placed first) before the last re-read stands now, or its
    // successor when it is gone (gone then tells so); -1 for a row whose record was not placed.
    int movedTo(int row, bool* gone = nullptr) const;
    // Below -1, movedTo() and gapAt() give a ticket for a record placed first whose place is being counted
    // elsewhere: its index was let go, and handed back to placeFirst() it is placed once the count comes. A
    // row to stand in for it meanwhile, guessed, for a view's current row; -1 for another ticket.
    int guessedRow(int ticket) const { return m_guessed.value(ticket, -1); }
    // As movedTo(), but a gone record that was the last has its successor's place past the last row, at the
    // row count: a range that ended with it keeps the rows before that place.
    int gapAt(int row, bool* gone = nullptr) const;
    // The rows, in order, whose records the last re-read found between two records that stood next to each
    // other before it, both among the rows held then, and those of the records keepSelection() keeps out:
    // records another program added there.
    const QVector<int>& came() const { return m_came; }
    // Whether rows are coming or going, or being laid out again, this moment: a view's selection changes
    // that Qt makes meanwhile are not the user's.
    bool rowsChanging() const { return m_countComing >= 0; }
    // Whether the rows stand at their numbers in the list. A list read again far from its top places its
    // rows by their records around the row at the top of the view, which keeps its number, and counts the
    // rows above it on a connection of its own; until that count comes the numbers are not known (the
    // number column shows none) and the count is not known either. Then every row moves by what came or
    // went above, the view with them, in one re-layout (reread() tells it, as after any re-read).
    bool numbersKnown() const { return !m_placing || m_placing->anchor.isEmpty(); }
    // Rows read at once by their keys to learn a row's number near the top of a list rather than count it;
    // tests make it small. 0 restores the usual figure.
    static void setWalkedRowsForTesting(int rows);

signals:
    // A read for the list failed: readFailure() tells why. Once per failure, after the read that met it.
    void readFailed();
    // The whole result's count and totals are known: at once after a short list, later after a long one.
    void counted();
    // The list is about to be read again after the file changed: nothing has been read or moved yet, the
    // selection is still as the user left it. The rows to place first are handed over now.
    void aboutToReread();
    // The list was read again after the file changed: the record that stood at row from stands at row to.
    void reread(int from, int to);

private:
    using Keys = QVector<QVariant>;
    struct Page {
        QVector<TableRow> rows;
        QVector<Keys> keys; // each row's, empty for a place left empty
        quint64 used = 0;
    };

    const TableRow* rowAt(int row) const;
    // data() for the row at a position, given the row (null when it is not there).
    QVariant cellData(int position, const TableRow* shown, int column, int role) const;
    const Page& page(int index) const;
    // Reads rows after (or, backwards, before) the row with the given keys, at most limit; each row's keys
    // go to keys when given. False when the statement failed.
    bool readRows(const Keys* after, bool backwards, int limit, QVector<TableRow>* rows, QVector<Keys>* keys,
                  bool including = false) const;
    // Reads the rows of a statement whose select list ends with the key values, as readRows.
    bool readStatement(const ListQuery::Statement& statement, QVector<TableRow>* rows,
                       QVector<Keys>* keys) const;
    // The largest id of the list's table; false when the read failed.
    bool readNewestId(qint64* newest) const;
    // The records keepSelection() keeps out: the positions of those among the keys read from
    // firstPosition on, and the keys of the others.
    void addedAmong(int firstPosition, const QVector<Keys>& read, QVector<int>* here,
                    QVector<std::array<Keys, 3>>* away) const;
    // Reads at most limit rows forward, as readRows; nothing when the statement failed, else whether the
    // result ends within them.
    std::optional<bool> readAhead(const Keys* after, int limit, QVector<TableRow>* rows, QVector<Keys>* keys,
                                  bool including = false) const;
    // Learns the keys next to a page that has no read neighbour, walking the keys alone from the nearest
    // page whose keys are known. False, walking nothing, while the numbers are being counted and the walk
    // would be long.
    bool learnKeysNear(int index) const;
    void remember(int firstPosition, const QVector<Keys>& keys) const;
    // The keys of the record a held row shows: from its page, or as noted when its page was dropped;
    // empty when neither knows them.
    Keys keysAt(int row) const;
    // Where the records of the given rows stand in the list read again, each with its keys: found among the
    // keys read from firstPosition on (to the end of the list when readToEnd), else, for the rows the view
    // places first and a few others, by the record at or after their keys when that is among them. A record
    // not there is gone: its row goes to gone, its place is its successor's. One whose place the rows read
    // do not tell goes to away, with its keys, to be counted elsewhere. A row whose keys are not known is
    // left out.
    QHash<int, int> placesNow(const QVector<int>& rows, int anchorAt, int firstPosition,
                              const QVector<Keys>& read, bool readToEnd, QSet<int>* gone,
                              QHash<int, Keys>* keysOf, QHash<int, Keys>* away) const;
    // Moves the indexes held (before) to their places, in a re-layout under way: gone ones let go, one
    // record to a row; keepRows lays the pages out for the places meanwhile.
    void moveHeld(const QModelIndexList& before, QHash<int, int> places, const QSet<int>& gone,
                  const QHash<int, Keys>& keysOf, int count, const std::function<void()>& keepRows);
    // The rows a re-read left to place by a count, in order.
    QVector<int> placingRows() const;
    // A row's number as shown: none while the numbers are not known.
    QVariant shownNumber(int row) const { return numbersKnown() ? QVariant(row + 1) : QVariant(); }
    // The positions, from firstPosition on, of the records read whose keys no held page had, between two
    // records the held pages had next to each other.
    QVector<int> cameAmong(int firstPosition, const QVector<Keys>& read) const;
    void keepPage(int index, QVector<TableRow> rows, QVector<Keys> keys) const;
    // Lets a page go, noting the keys of its rows that indexes hold; returns the page after it.
    QHash<int, Page>::iterator dropPage(QHash<int, Page>::iterator page) const;
    // The rows of the indexes, each once, in order.
    static QVector<int> rowsOf(const QModelIndexList& indexes);
    FileMark currentMark() const;
    bool fileChanged() const;
    // The keys of the first row at or after position whose keys are known, with that row's position.
    bool knownKeysFrom(int position, int* at, Keys* keys) const;
    void dropPagesFrom(int position);
    int pageSize() const;
    int keptPages() const;
    void startCount();
    void countArrived(const std::optional<QVector<QVector<QVariant>>>& values);
    // Moves every row by delta, the rows whose places were counted to those places (gone: the records
    // that are not there any more), and the count to count, in one re-layout; added: the places of records
    // kept out of the selection, for came().
    void placeCounted(int delta, const QHash<int, int>& counted, const QSet<int>& gone,
                      const QVector<int>& added, int count);
    // Moves the rows held in pages, and the keys known, by delta.
    void shiftPages(int delta);
    void takeCount(const QVector<QVariant>& values);
    // Reads the totals alone, for a list whose end was read without counting it.
    void readTotals();
    // Rows added at the end or taken from it until there are `count`.
    void setCount(int count);
    // The whole result's count, as it stands once a change of the row count under way is done; -1 when not
    // known.
    int endOfResult() const;
    void forgetPages();
    // Puts the rows in the kept sort order; returns each old row's new position, empty when nothing moved.
    QVector<int> arrange();

    QStringList m_titles;
    QVector<Qt::Alignment> m_alignments;
    QVector<TableRow> m_rows;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_rowNumbers = false;

    bool m_paged = false;
    ListQuery m_query;
    // m_query.idTable(), worked out once per statement.
    QString m_idTable;
    RowBuilder m_build;
    int m_count = 0;
    bool m_countKnown = true;
    // Until the count is in, rowCount() is a guess after a list was read again, not the rows read so far.
    bool m_countGuessed = false;
    // The row count a change under way ends with (rows coming or going, a list read again); -1 when none
    // is. Reads lay the end out for it, and nothing is fetched meanwhile.
    int m_countComing = -1;
    QVariantList m_totals;
    std::unique_ptr<BackgroundRow> m_counting;
    mutable QHash<int, Page> m_pages;
    // The keys of the first and the last row of each page whose rows were read or walked past.
    mutable QHash<int, Keys> m_firstKeys;
    mutable QHash<int, Keys> m_lastKeys;
    mutable quint64 m_useClock = 0;
    // The file as the held pages were read.
    FileMark m_mark;
    // The keys of rows held by indexes whose pages were dropped, noted as the pages go.
    mutable QHash<int, Keys> m_heldKeys;
    QVector<int> m_placeFirst;
    // What a re-read left to count elsewhere: the anchor's place (its keys, empty when its number is known,
    // its row now, and the rows from it to the end when they were read), and the records the view placed
    // first that stood away from the rows read, by their tickets, with their keys. m_guessed holds a row
    // guessed for each ticket.
    struct Placing {
        Keys anchor;
        int anchorAt = 0;
        int rowsToEnd = -1;
        QHash<int, Keys> held;
        // Records kept out of the selection, to be placed for came(), each with the keys of the records
        // before and after it (empty at an end), which a range split around it ends and starts with.
        QVector<std::array<Keys, 3>> added;
    };
    std::optional<Placing> m_placing;
    QHash<int, int> m_guessed;
    int m_topRow = 0;
    int m_rowsInSight = 0;
    bool m_following = false;
    QHash<int, int> m_moved;
    int m_lastPlace = 0;
    QSet<int> m_gone;
    QVector<int> m_came;
    qint64 m_newestId = -1;
    qint64 m_addedSince = -1;
    QVector<QPair<int, int>> m_keptRanges;
    QSet<qint64> m_keptIds;
    mutable bool m_followQueued = false;
    mutable std::optional<ReadFailure> m_failure;
    mutable bool m_failureTold = false;
    // Notes a failed read once, logs it and tells it after the read under way.
    void noteFailure(const ReadFailure& failure) const;
    void tellFailure() const;
    void clearFailure();
};

// A list's statement with the way its rows are built: what a picker's loader gives for a keyword.
struct RowSource {
    ListQuery query;
    RowTableModel::RowBuilder build;
};

} // namespace kestrovalin

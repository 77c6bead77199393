#pragma once

#include "core/listquery.h"
#include "core/rowreader.h"
#include "core/sqliteadapter.h"
#include "ui/common/pagecache.h"
#include "ui/common/tablerow.h"
#include "ui/common/writefollower.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <algorithm>
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
//
// The model is the face views talk to; the pages it holds are a PageCache's, and following another copy's
// writes is a WriteFollower's, each given what it needs of the model through its List interface.
class RowTableModel : public QAbstractTableModel, private PageCache::List, private WriteFollower::List {
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
    const ListQuery& query() const override { return m_query; }
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
    const std::optional<ReadFailure>& readFailure() const override { return m_failure; }
    // A read for the list failed elsewhere (a repository's): the rows shown stay, readFailure() tells why.
    void cannotRead(const ReadFailure& failure);
    // A cell's shown text for the row at a position.
    QString cellText(int position, const TableRow& row, int column) const;

    // Rows per page and pages kept; tests make them small to cross page boundaries and drop pages with a
    // few rows. 0 restores the usual figure.
    static void setPagingForTesting(int pageRows, int keptPages) {
        PageCache::setPagingForTesting(pageRows, keptPages);
    }
    // Rows held in memory now: all of them, or those of the pages kept.
    int heldRows() const { return m_paged ? m_pages.heldRows() : m_rows.size(); }

    // Following another copy's writes: what a view on the list hands over and asks as the list is read
    // again (followList() does it).
    WriteFollower& writeFollower() { return m_follower; }
    // See WriteFollower::followChanges(): the list read again when the file changed, from the record at
    // topRow, or from the row at the top of the view.
    int followChanges(int topRow) { return m_follower.followChanges(topRow); }
    int followNow() { return m_follower.followNow(); }
    // Whether rows are coming or going, or being laid out again, this moment: a view's selection changes
    // that Qt makes meanwhile are not the user's.
    bool rowsChanging() const { return m_countComing >= 0; }
    // Whether the rows stand at their numbers in the list. A list read again far from its top places its
    // rows by their records around the row at the top of the view, which keeps its number, and counts the
    // rows above it on a connection of its own; until that count comes the numbers are not known (the
    // number column shows none) and the count is not known either. Then every row moves by what came or
    // went above, the view with them, in one re-layout (reread() tells it, as after any re-read).
    bool numbersKnown() const override { return m_follower.numbersKnown(); }
    // Rows read at once by their keys to learn a row's number near the top of a list rather than count it;
    // tests make it small. 0 restores the usual figure.
    static void setWalkedRowsForTesting(int rows) { PageCache::setWalkedRowsForTesting(rows); }

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
    const TableRow* rowAt(int row) const;
    // data() for the row at a position, given the row (null when it is not there).
    QVariant cellData(int position, const TableRow* shown, int column, int role) const;
    // A row's number as shown: none while the numbers are not known.
    QVariant shownNumber(int row) const { return numbersKnown() ? QVariant(row + 1) : QVariant(); }
    void startCount();
    void countArrived(const std::optional<QVector<QVector<QVariant>>>& values);
    void takeCount(const QVector<QVariant>& values);
    // Reads the totals alone, for a list whose end was read without counting it.
    void readTotals();
    // Rows added at the end or taken from it until there are `count`.
    void setCount(int count);
    // Puts the rows in the kept sort order; returns each old row's new position, empty when nothing moved.
    QVector<int> arrange();

    // What the pages held and the follower of writes need of the list.
    TableRow buildRow(const Row& row) const override { return m_build(row); }
    int rowsComing() const override { return std::max(m_count, m_countComing); }
    int rowsNow() const override { return m_count; }
    // The whole result's count, as it stands once a change of the row count under way is done; -1 when not
    // known.
    int endOfResult() const override;
    QModelIndexList heldIndexes() const override { return persistentIndexList(); }
    void pageAboutToBeRead() const override;
    FileMark currentMark() const override;
    bool fileChanged() const override;
    void markRead(const FileMark& mark) override { m_mark = mark; }
    void readsAgain() override { clearFailure(); }
    void aboutToRelay() override { emit aboutToReread(); }
    void relay(int count, bool counted,
               const std::function<QModelIndexList(const QModelIndexList& held)>& place) override;
    void countAgain() override;
    void tellReread(int from, int to) override { emit reread(from, to); }
    void tellCounted() override { emit counted(); }

    QStringList m_titles;
    QVector<Qt::Alignment> m_alignments;
    QVector<TableRow> m_rows;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_rowNumbers = false;

    bool m_paged = false;
    ListQuery m_query;
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
    // The file as the held pages were read.
    FileMark m_mark;
    PageCache m_pages;
    WriteFollower m_follower;
    mutable std::optional<ReadFailure> m_failure;
    mutable bool m_failureTold = false;
    // Notes a failed read once, logs it and tells it after the read under way.
    void noteFailure(const ReadFailure& failure) const override;
    void tellFailure() const;
    void clearFailure();
};

// A list's statement with the way its rows are built: what a picker's loader gives for a keyword.
struct RowSource {
    ListQuery query;
    RowTableModel::RowBuilder build;
};

} // namespace kestrovalin

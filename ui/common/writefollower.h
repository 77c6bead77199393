#pragma once

#include "core/listquery.h"
#include "core/rowreader.h"
#include "core/sqliteadapter.h"
#include "ui/common/pagecache.h"

#include <QHash>
#include <QModelIndexList>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QVector>

#include <array>
#include <functional>
#include <optional>

namespace kestrovalin {

// Follows what another copy of the program writes to the file under a paged list: once the file changed
// since the held pages were read, the list is read again from the record at the top of the view, which
// keeps its place, and every index held stays on its record, or is let go when its record is gone or its
// place cannot be read. A selection holds the records it was made of: one that came inside a selected range
// stays out of it. What the rows read do not tell (the rows above a list read again far from its top, the
// places of records away from the rows read) is counted with the list's count, and placed when it comes.
class WriteFollower : public QObject {
public:
    using Keys = PageCache::Keys;

    // What following writes needs of the list model it serves.
    class List {
    public:
        // The list's statement, and its rows now.
        virtual const ListQuery& query() const = 0;
        virtual int rowsNow() const = 0;
        // The file now, and whether it changed since the rows held were read; markRead() makes mark the
        // file the rows held were read from.
        virtual FileMark currentMark() const = 0;
        virtual bool fileChanged() const = 0;
        virtual void markRead(const FileMark& mark) = 0;
        // Why the list could not be read as asked, if it could not; a read that failed; a list read again
        // that reads as it should.
        virtual const std::optional<ReadFailure>& readFailure() const = 0;
        virtual void noteFailure(const ReadFailure& failure) const = 0;
        virtual void readsAgain() = 0;
        // The rows views hold indexes on; aboutToRelay() tells the views, before anything moves, so that
        // they hand over what they hold.
        virtual QModelIndexList heldIndexes() const = 0;
        virtual void aboutToRelay() = 0;
        // Lays the rows out again in one re-layout, count rows from now on (counted: the whole result's):
        // place(held) returns where each index held stands now, an invalid index for one let go.
        virtual void relay(int count, bool counted,
                           const std::function<QModelIndexList(const QModelIndexList& held)>& place) = 0;
        // Once laid out: the count and the totals, taken, or asked for when not known yet or while places
        // are left to count; the record that stood at row from stands at row to; the count is known.
        virtual void countAgain() = 0;
        virtual void tellReread(int from, int to) = 0;
        virtual void tellCounted() = 0;

    protected:
        ~List() = default;
    };

    WriteFollower(List& list, PageCache& pages) : m_list(list), m_pages(pages) {}

    // For the view that shows the list (followList()):

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
    // (came()). Returns that record's row now (tellReread() tells it too); -1 when nothing changed. Never to
    // be called from inside a read.
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

    // For the list model:

    // Whether the rows stand at their numbers in the list (see RowTableModel::numbersKnown()).
    bool numbersKnown() const { return !m_placing || m_placing->anchor.isEmpty(); }
    // Whether places are left to count: the count is not known until they are placed.
    bool placing() const { return m_placing.has_value(); }
    // Whether the list is being read again this moment.
    bool following() const { return m_following; }
    // The list's statement changed (or changed back).
    void queryChanged() { m_idTable = m_list.query().idTable(); }
    // The largest id of the list's table; false when the read failed.
    bool readNewestId(qint64* newest) const;
    // The list was read anew, from its first row, with newest the newest id then.
    void listRead(qint64 newest);
    // Nothing is left to place: the list was filled anew.
    void stopPlacing() { m_placing.reset(); }
    // What the count is to take besides the list's count and totals; then, from the values it read in
    // that order after the count's own, places the rows left to place (count the whole result's).
    QVector<ListQuery::Statement> countStatements() const;
    void placeCounted(const QVector<QVector<QVariant>>& values);

private:
    // The keys of the record a held row shows, or the one it waits for while its place is counted.
    Keys keysAt(int row) const;
    // The records keepSelection() keeps out: the positions of those among the keys read from
    // firstPosition on, and the keys of the others.
    void addedAmong(int firstPosition, const QVector<Keys>& read, QVector<int>* here,
                    QVector<std::array<Keys, 3>>* away) const;
    // Where the records of the given rows stand in the list read again, each with its keys: found among the
    // keys read from firstPosition on (to the end of the list when readToEnd), else, for the rows the view
    // places first and a few others, by the record at or after their keys when that is among them. A record
    // not there is gone: its row goes to gone, its place is its successor's. One whose place the rows read
    // do not tell goes to away, with its keys, to be counted elsewhere. A row whose keys are not known is
    // left out.
    QHash<int, int> placesNow(const QVector<int>& rows, int anchorAt, int firstPosition,
                              const QVector<Keys>& read, bool readToEnd, QSet<int>* gone,
                              QHash<int, Keys>* keysOf, QHash<int, Keys>* away) const;
    // Where the indexes held (before) stand in the re-layout under way: gone ones let go, one record to a
    // row; keepRows lays the pages out for the places meanwhile.
    QModelIndexList moveHeld(const QModelIndexList& before, QHash<int, int> places, const QSet<int>& gone,
                             const QHash<int, Keys>& keysOf, int count,
                             const std::function<void()>& keepRows);
    // The rows a re-read left to place by a count, in order.
    QVector<int> placingRows() const;
    // The positions, from firstPosition on, of the records read whose keys no held page had, between two
    // records the held pages had next to each other.
    QVector<int> cameAmong(int firstPosition, const QVector<Keys>& read) const;
    // Moves every row by delta, the rows whose places were counted to those places (gone: the records
    // that are not there any more), and the count to count, in one re-layout; added: the places of records
    // kept out of the selection, for came().
    void placeCounted(int delta, const QHash<int, int>& counted, const QSet<int>& gone,
                      const QVector<int>& added, int count);

    List& m_list;
    PageCache& m_pages;
    // m_list.query().idTable(), worked out once per statement.
    QString m_idTable;
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
};

} // namespace kestrovalin

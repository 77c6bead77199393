#pragma once

#include "core/listquery.h"
#include "core/rowreader.h"
#include "ui/common/tablerow.h"

#include <QHash>
#include <QModelIndexList>
#include <QString>
#include <QVariant>
#include <QVector>

#include <optional>

namespace kestrovalin {

// Keys as one hashable text; the values of one statement's columns keep their types.
QString keyText(const QVector<QVariant>& keys);

// The pages of a long list held in memory, each row with the values of the list's order (its keys), and the
// keys at the pages' edges, by which a page deep in the list is read from the page next to it. Pages out of
// sight are dropped, the least used first; the keys of rows that indexes hold stay as their pages go. A
// page is read the first time it is asked for: it changes no row of the list, which stays a view's.
class PageCache {
public:
    using Keys = QVector<QVariant>;
    struct Page {
        QVector<TableRow> rows;
        QVector<Keys> keys; // each row's, empty for a place left empty
        quint64 used = 0;
    };

    // What the pages need of the list they hold.
    class List {
    public:
        // The statement whose rows are paged, with the columns of its order last, and a row built from one.
        virtual const ListQuery& query() const = 0;
        virtual TableRow buildRow(const Row& row) const = 0;
        // The rows of the list as a change of the row count under way leaves them; the whole result's count
        // as it stands then, -1 while not known.
        virtual int rowsComing() const = 0;
        virtual int endOfResult() const = 0;
        // Whether the rows stand at their numbers: while they do not, row 0 need not be the list's first, and
        // a long walk of keys waits for the count.
        virtual bool numbersKnown() const = 0;
        // The rows views hold indexes on.
        virtual QModelIndexList heldIndexes() const = 0;
        // A page is about to be read: a list whose file changed since the pages held were read is read
        // again once the read under way is done.
        virtual void pageAboutToBeRead() const = 0;
        // A read failed (noted once, told later); why the list could not be read as asked, if it could not.
        virtual void noteFailure(const ReadFailure& failure) const = 0;
        virtual const std::optional<ReadFailure>& readFailure() const = 0;

    protected:
        ~List() = default;
    };

    explicit PageCache(const List& list) : m_list(list) {}

    // Rows per page and pages kept; tests make them small to cross page boundaries and drop pages with a
    // few rows. 0 restores the usual figure.
    static void setPagingForTesting(int pageRows, int keptPages);
    static int pageSize();
    static int keptPages();
    // Rows read at once by their keys to learn a row's number near the top of a list rather than count it;
    // tests make it small. 0 restores the usual figure.
    static void setWalkedRowsForTesting(int rows);
    static int walkedRows();

    // A page, read when it is not held: empty (and not kept) when it could not be read, or while the
    // numbers are being counted and reaching it would walk too many keys.
    const Page& page(int index) const;
    // The pages held, by index.
    const QHash<int, Page>& held() const { return m_pages; }
    // Rows held in memory now.
    int heldRows() const;
    // The keys of the last row of a page, when known.
    Keys lastKeys(int index) const { return m_lastKeys.value(index); }

    // Reads rows after (or, backwards, before) the row with the given keys, at most limit; each row's keys
    // go to keys when given. False when the statement failed.
    bool readRows(const Keys* after, bool backwards, int limit, QVector<TableRow>* rows, QVector<Keys>* keys,
                  bool including = false) const;
    // Reads the rows of a statement whose select list ends with the key values, as readRows.
    bool readStatement(const ListQuery::Statement& statement, QVector<TableRow>* rows,
                       QVector<Keys>* keys) const;
    // Reads at most limit rows forward, as readRows; nothing when the statement failed, else whether the
    // result ends within them.
    std::optional<bool> readAhead(const Keys* after, int limit, QVector<TableRow>* rows, QVector<Keys>* keys,
                                  bool including = false) const;

    // Notes the keys at page edges among keys read from firstPosition on.
    void remember(int firstPosition, const QVector<Keys>& keys) const;
    void keepPage(int index, QVector<TableRow> rows, QVector<Keys> keys) const;
    // The keys of the record a held row shows: from its page, or as noted when its page was dropped;
    // empty when neither knows them.
    Keys keysAt(int row) const;
    // Notes the keys of the record at a row outside the pages held, for an index that holds it.
    void noteKeys(int row, const Keys& keys) { m_heldKeys.insert(row, keys); }
    // The keys of the first row at or after position whose keys are known, with that row's position.
    bool knownKeysFrom(int position, int* at, Keys* keys) const;
    // Drops the pages a list of count rows would read short at its old end: they would leave rows empty.
    void dropShortPages(int count);
    void dropPagesFrom(int position);
    // Moves the rows held in pages, and the keys known, by delta, for a list of end rows.
    void shiftPages(int delta, int end);
    void forget();

private:
    // Learns the keys next to a page that has no read neighbour, walking the keys alone from the nearest
    // page whose keys are known. False, walking nothing, while the numbers are being counted and the walk
    // would be long.
    bool learnKeysNear(int index) const;
    // Lets a page go, noting the keys of its rows that indexes hold; returns the page after it.
    QHash<int, Page>::iterator dropPage(QHash<int, Page>::iterator page) const;

    const List& m_list;
    mutable QHash<int, Page> m_pages;
    // The keys of the first and the last row of each page whose rows were read or walked past.
    mutable QHash<int, Keys> m_firstKeys;
    mutable QHash<int, Keys> m_lastKeys;
    mutable quint64 m_useClock = 0;
    // The keys of rows held by indexes whose pages were dropped, noted as the pages go.
    mutable QHash<int, Keys> m_heldKeys;
};

} // namespace kestrovalin

#include "ui/common/pagecache.h"

#include "core/databasemanager.h"
#include "core/idbadapter.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtDebug>

#include <algorithm>
#include <limits>

namespace kestrovalin {

namespace {

constexpr int kPageSize = 200;
// Rows kept in pages: a tall screen several times over, so painting never reads a page twice.
constexpr int kKeptRows = 2000;
int pageSizeForTesting = 0;
int keptPagesForTesting = 0;
// Near its top a list read again learns the rows' numbers by reading the keys above the view: a few
// milliseconds, where a count of the rows above would take as long as the list is long.
constexpr int kWalkedRows = 1000;
int walkedRowsForTesting = 0;

} // namespace

int PageCache::walkedRows() {
    return walkedRowsForTesting > 0 ? walkedRowsForTesting : kWalkedRows;
}

// Keys as one hashable text; the values of one statement's columns keep their types.
QString keyText(const QVector<QVariant>& keys) {
    QString text;
    for (const QVariant& key : keys)
        text += QString::number(key.userType()) + QLatin1Char(':') + key.toString() + QChar(0x1f);
    return text;
}

void PageCache::setPagingForTesting(int pageRows, int keptPages) {
    pageSizeForTesting = std::max(0, pageRows);
    keptPagesForTesting = std::max(0, keptPages);
}

void PageCache::setWalkedRowsForTesting(int rows) {
    walkedRowsForTesting = std::max(0, rows);
}

int PageCache::pageSize() {
    return pageSizeForTesting > 0 ? pageSizeForTesting : kPageSize;
}

int PageCache::keptPages() {
    return keptPagesForTesting > 0 ? keptPagesForTesting : std::max(2, kKeptRows / pageSize() + 1);
}

void PageCache::forget() {
    m_pages.clear();
    m_heldKeys.clear();
    m_firstKeys.clear();
    m_lastKeys.clear();
}

void PageCache::shiftPages(int delta, int end) {
    const int size = pageSize();
    if (delta == 0) {
        m_heldKeys.clear();
        return;
    }
    // Every row whose record is known, at its place now; then the pages wholly known again, and the keys
    // at page edges for the pages next to them.
    QMap<int, std::pair<TableRow, Keys>> known;
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
        for (int i = 0; i < it->keys.size(); ++i) {
            if (!it->keys.at(i).isEmpty())
                known.insert(it.key() * size + i + delta, {it->rows.value(i), it->keys.at(i)});
        }
    }
    QMap<int, Keys> edges;
    for (auto it = m_firstKeys.cbegin(); it != m_firstKeys.cend(); ++it)
        edges.insert(it.key() * size + delta, it.value());
    for (auto it = m_lastKeys.cbegin(); it != m_lastKeys.cend(); ++it)
        edges.insert((it.key() + 1) * size - 1 + delta, it.value());
    forget();
    for (auto it = edges.cbegin(); it != edges.cend(); ++it) {
        if (it.key() >= 0 && it.key() < end)
            remember(it.key(), {it.value()});
    }
    for (auto it = known.cbegin(); it != known.cend(); ++it) {
        if (it.key() >= 0 && it.key() < end)
            remember(it.key(), {it->second});
    }
    QSet<int> indexes;
    for (auto it = known.cbegin(); it != known.cend(); ++it)
        indexes.insert(it.key() / size);
    for (int index : qAsConst(indexes)) {
        const int first = index * size;
        const int last = std::min(end, first + size);
        QVector<TableRow> rows;
        QVector<Keys> keys;
        for (int position = first; position < last; ++position) {
            const auto found = known.constFind(position);
            if (found == known.cend())
                break;
            rows.append(found->first);
            keys.append(found->second);
        }
        if (first >= 0 && rows.size() == last - first && !rows.isEmpty())
            keepPage(index, std::move(rows), std::move(keys));
    }
}

const PageCache::Page& PageCache::page(int index) const {
    auto found = m_pages.find(index);
    if (found != m_pages.end()) {
        found->used = ++m_useClock;
        return *found;
    }
    // A page read after a write may not meet those read before it; the rows may not change inside a read,
    // so the list is read again once it is done.
    m_list.pageAboutToBeRead();
    // After a failed read no page is tried again until the list is read anew: each would fail the same way.
    static const Page unread;
    if (m_list.readFailure())
        return unread;
    const int size = pageSize();
    const int first = index * size;
    // Read during a change of the count: the rows it brings are read with the page.
    int wanted = std::min(size, m_list.rowsComing() - first);
    QVector<TableRow> rows;
    QVector<Keys> keys;
    bool backwards = false;
    // From the page before, from the page after, or backwards from the end for the last page.
    auto read = [&]() {
        // Before the numbers are known, row 0 need not be the first.
        if (index == 0 && m_list.numbersKnown())
            return readRows(nullptr, false, wanted, &rows, &keys);
        if (m_lastKeys.contains(index - 1)) {
            const Keys after = m_lastKeys.value(index - 1);
            return readRows(&after, false, wanted, &rows, &keys);
        }
        const int end = m_list.endOfResult();
        const bool last = end > first && end - first <= size;
        if (!last && !m_firstKeys.contains(index + 1))
            return false;
        backwards = true;
        // The last page holds the rows up to the end, however many rows the count has this moment.
        if (last)
            wanted = end - first;
        const Keys before = m_firstKeys.value(index + 1);
        return readRows(last ? nullptr : &before, true, wanted, &rows, &keys);
    };
    if (!read() && !m_list.readFailure()) {
        // While the rows above a list read again are being counted, a page far from every page read waits
        // for that count rather than walk the keys up to it on this thread: empty meanwhile, and not kept.
        static const Page waiting;
        if (!learnKeysNear(index))
            return waiting;
        read();
    }
    if (m_list.readFailure())
        return unread;
    if (backwards) {
        std::reverse(rows.begin(), rows.end());
        std::reverse(keys.begin(), keys.end());
    }
    // Rows that went away since the count leave their places empty until the list is read again.
    const int missing = wanted - rows.size();
    if (backwards) {
        remember(first + missing, keys);
        rows.insert(0, std::max(0, missing), TableRow());
        keys.insert(0, std::max(0, missing), Keys());
    } else {
        remember(first, keys);
        rows.resize(std::max(wanted, int(rows.size())));
        keys.resize(rows.size());
    }
    keepPage(index, std::move(rows), std::move(keys));
    return m_pages[index];
}

bool PageCache::readRows(const Keys* after, bool backwards, int limit, QVector<TableRow>* rows,
                         QVector<Keys>* keys, bool including) const {
    IDbAdapter* db = DatabaseManager::instance().getAdapter();
    if (!db || limit <= 0)
        return db != nullptr;
    return readStatement(m_list.query().page(after, backwards, limit, rows == nullptr, including), rows,
                         keys);
}

bool PageCache::readStatement(const ListQuery::Statement& statement, QVector<TableRow>* rows,
                              QVector<Keys>* keys) const {
    IDbAdapter* db = DatabaseManager::instance().getAdapter();
    if (!db)
        return false;
    // Read to the end and let go: no statement, and so no read transaction, outlives the page.
    QSqlQuery q = db->readOnce(statement.sql, statement.params);
    if (!q.isActive()) {
        m_list.noteFailure(readFailureOf(db, q, false));
        return false;
    }
    const int keyCount = m_list.query().order.size();
    const int firstKey = q.record().count() - keyCount;
    const Row row(q);
    while (q.next()) {
        if (rows) {
            row.startRow();
            rows->append(m_list.buildRow(row));
        }
        if (keys) {
            Keys values(keyCount);
            for (int k = 0; k < keyCount; ++k)
                values[k] = q.value(firstKey + k);
            keys->append(values);
        }
    }
    // A step that failed (a read stopped) is no end of the rows.
    if (!q.lastError().isValid())
        return true;
    qWarning().noquote() << "A page of the list stopped before its end:" << q.lastError().text();
    m_list.noteFailure(readFailureOf(db, q, true));
    return false;
}

std::optional<bool> PageCache::readAhead(const Keys* after, int limit, QVector<TableRow>* rows,
                                         QVector<Keys>* keys, bool including) const {
    // One row past the limit tells whether the result ends within it.
    if (!readRows(after, false, limit + 1, rows, keys, including))
        return std::nullopt;
    if (rows->size() <= limit)
        return true;
    rows->removeLast();
    keys->removeLast();
    return false;
}

bool PageCache::learnKeysNear(int index) const {
    const int size = pageSize();
    // Forward to the last row of the page before, or backwards to the first row of the page after.
    const int forwardTarget = index * size - 1;
    const int backwardTarget = (index + 1) * size;
    // From the first row, where it stands at row 0.
    int cost = m_list.numbersKnown() ? forwardTarget + 1 : std::numeric_limits<int>::max();
    int anchor = -1;
    bool backwards = false;
    Keys anchorKeys;
    for (auto it = m_lastKeys.cbegin(); it != m_lastKeys.cend(); ++it) {
        const int position = (it.key() + 1) * size - 1;
        if (position < forwardTarget && forwardTarget - position < cost) {
            cost = forwardTarget - position;
            anchor = position;
            anchorKeys = it.value();
            backwards = false;
        }
    }
    for (auto it = m_firstKeys.cbegin(); it != m_firstKeys.cend(); ++it) {
        const int position = it.key() * size;
        if (position > backwardTarget && position - backwardTarget < cost) {
            cost = position - backwardTarget;
            anchor = position;
            anchorKeys = it.value();
            backwards = true;
        }
    }
    if (const int end = m_list.endOfResult(); end >= backwardTarget && end - backwardTarget < cost) {
        cost = end - backwardTarget;
        anchor = end;
        anchorKeys.clear();
        backwards = true;
    }
    if (!m_list.numbersKnown() && cost > walkedRows())
        return false;
    // The keys alone, with the page boundaries passed noted on the way.
    QVector<Keys> keys;
    readRows(anchorKeys.isEmpty() ? nullptr : &anchorKeys, backwards, cost, nullptr, &keys);
    if (!backwards) {
        remember(anchor + 1, keys);
        return true;
    }
    std::reverse(keys.begin(), keys.end());
    remember(anchor - keys.size(), keys);
    return true;
}

void PageCache::remember(int firstPosition, const QVector<Keys>& keys) const {
    const int size = pageSize();
    for (int i = 0; i < keys.size(); ++i) {
        const int position = firstPosition + i;
        if (position % size == 0)
            m_firstKeys.insert(position / size, keys.at(i));
        if (position % size == size - 1)
            m_lastKeys.insert(position / size, keys.at(i));
    }
}

void PageCache::keepPage(int index, QVector<TableRow> rows, QVector<Keys> keys) const {
    m_pages.insert(index, Page{std::move(rows), std::move(keys), ++m_useClock});
    while (m_pages.size() > keptPages()) {
        auto oldest = m_pages.begin();
        for (auto it = m_pages.begin(); it != m_pages.end(); ++it) {
            if (it->used < oldest->used)
                oldest = it;
        }
        dropPage(oldest);
    }
}

QHash<int, PageCache::Page>::iterator PageCache::dropPage(QHash<int, Page>::iterator page) const {
    // Indexes may hold rows of the page: their records' keys stay, for a re-read to place them by. Keys of
    // rows no index holds any more go.
    const int first = page.key() * pageSize();
    QHash<int, Keys> noted;
    for (const QModelIndex& held : m_list.heldIndexes()) {
        const int row = held.row();
        const int offset = row - first;
        if (offset >= 0 && offset < page->keys.size() && !page->keys.at(offset).isEmpty())
            noted.insert(row, page->keys.at(offset));
        else if (const auto known = m_heldKeys.constFind(row); known != m_heldKeys.cend())
            noted.insert(row, *known);
    }
    m_heldKeys = std::move(noted);
    return m_pages.erase(page);
}

bool PageCache::knownKeysFrom(int position, int* at, Keys* keys) const {
    const int size = pageSize();
    int best = -1;
    auto consider = [&](int candidate, const Keys& candidateKeys) {
        if (candidate >= position && !candidateKeys.isEmpty() && (best < 0 || candidate < best)) {
            best = candidate;
            *keys = candidateKeys;
        }
    };
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
        const int first = it.key() * size;
        const int offset = std::max(0, position - first);
        for (int i = offset; i < it->keys.size(); ++i) {
            if (!it->keys.at(i).isEmpty()) {
                consider(first + i, it->keys.at(i));
                break;
            }
        }
    }
    for (auto it = m_firstKeys.cbegin(); it != m_firstKeys.cend(); ++it)
        consider(it.key() * size, it.value());
    for (auto it = m_lastKeys.cbegin(); it != m_lastKeys.cend(); ++it)
        consider((it.key() + 1) * size - 1, it.value());
    *at = best;
    return best >= 0;
}

int PageCache::heldRows() const {
    int held = 0;
    for (const Page& kept : m_pages)
        held += kept.rows.size();
    return held;
}

void PageCache::dropShortPages(int count) {
    const int size = pageSize();
    for (auto it = m_pages.begin(); it != m_pages.end();) {
        const bool shortOfRows = it->rows.size() < std::min(size, count - it.key() * size);
        it = shortOfRows ? dropPage(it) : std::next(it);
    }
}

void PageCache::dropPagesFrom(int position) {
    const int size = pageSize();
    const int index = (position + size - 1) / size;
    for (auto it = m_pages.begin(); it != m_pages.end();)
        it = it.key() >= index ? m_pages.erase(it) : std::next(it);
    for (auto it = m_firstKeys.begin(); it != m_firstKeys.end();)
        it = it.key() >= index ? m_firstKeys.erase(it) : std::next(it);
    for (auto it = m_lastKeys.begin(); it != m_lastKeys.end();)
        it = it.key() >= index ? m_lastKeys.erase(it) : std::next(it);
    for (auto it = m_heldKeys.begin(); it != m_heldKeys.end();)
        it = it.key() >= position ? m_heldKeys.erase(it) : std::next(it);
}

PageCache::Keys PageCache::keysAt(int row) const {
    const int size = pageSize();
    const auto found = m_pages.constFind(row / size);
    return found == m_pages.cend() ? m_heldKeys.value(row) : found->keys.value(row % size);
}

} // namespace kestrovalin

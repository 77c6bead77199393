#include "ui/common/writefollower.h"

#include "core/databasemanager.h"
#include "core/idbadapter.h"

#include <QScopedValueRollback>
#include <QSqlQuery>

#include <algorithm>

namespace kestrovalin {

namespace {

// Rows whose records are placed when they are not among those read, besides those the view places first:
// each is read by its keys, and may be counted elsewhere.
constexpr int kCountedPlaces = 8;
// Records added since a selection was made that are placed to keep them out of it; any more join it.
constexpr int kAddedPlaces = 32;

// The rows of the indexes, each once, in order.
QVector<int> rowsOf(const QModelIndexList& indexes) {
    QVector<int> rows;
    rows.reserve(indexes.size());
    for (const QModelIndex& index : indexes)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int walkedRows() {
    return PageCache::walkedRows();
}

int pageSize() {
    return PageCache::pageSize();
}

} // namespace

QVector<int> WriteFollower::placingRows() const {
    QVector<int> rows;
    if (m_placing) {
        rows = m_placing->held.keys().toVector();
        std::sort(rows.begin(), rows.end());
    }
    return rows;
}

void WriteFollower::placeCounted(int delta, const QHash<int, int>& placesCounted, const QSet<int>& gone,
                                 const QVector<int>& added, int count) {
    const QScopedValueRollback<bool> following(m_following, true);
    const QScopedValueRollback<QVector<int>> placeFirst(m_placeFirst, {});
    // The view hands over its selection, which it takes up again once the rows stand.
    m_list.aboutToRelay();
    const Placing placing = *m_placing;
    m_list.relay(count, true, [&](const QModelIndexList& before) {
        QVector<int> rows = rowsOf(before) + m_placeFirst;
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        QHash<int, int> places;
        QHash<int, Keys> keysOf;
        QSet<int> goneRows;
        for (int row : qAsConst(rows)) {
            const Keys keys = keysAt(row);
            if (keys.isEmpty())
                continue;
            const auto place = placesCounted.constFind(row);
            if (place != placesCounted.cend() && placing.held.contains(row)) {
                places.insert(row, *place);
                if (gone.contains(row))
                    goneRows.insert(row);
            } else if (!placing.held.contains(row)) {
                places.insert(row, row + delta);
            } else {
                continue;
            }
            keysOf.insert(row, keys);
        }
        // Records that came inside ranges at the re-read stay out of those that waited for their places.
        for (int& came : m_came)
            came += delta;
        m_came += added;
        std::sort(m_came.begin(), m_came.end());
        m_came.erase(std::unique(m_came.begin(), m_came.end()), m_came.end());
        m_placing.reset();
        const QModelIndexList after = moveHeld(before, places, goneRows, keysOf, count, [&] {
            m_pages.shiftPages(delta, std::max(m_list.rowsNow(), count));
        });
        // The records next to those added, where a range split around them ends and starts again.
        for (int i = 0; i < added.size(); ++i) {
            for (int side : {0, 2}) {
                if (const Keys& keys = placing.added.at(i).at(side); !keys.isEmpty())
                    m_pages.noteKeys(added.at(i) + side - 1, keys);
            }
        }
        return after;
    });
    m_list.tellReread(placing.anchorAt, placing.anchorAt + delta);
    m_list.tellCounted();
}

void WriteFollower::followLater() const {
    if (m_followQueued)
        return;
    m_followQueued = true;
    auto* self = const_cast<WriteFollower*>(this);
    QMetaObject::invokeMethod(
        self,
        [self] {
            self->m_followQueued = false;
            self->followChanges(self->m_topRow);
        },
        Qt::QueuedConnection);
}

QHash<int, int> WriteFollower::placesNow(const QVector<int>& rows, int anchorAt, int firstPosition,
                                         const QVector<Keys>& read, bool readToEnd, QSet<int>* gone,
                                         QHash<int, Keys>* keysOf, QHash<int, Keys>* away) const {
    QHash<QString, int> readAt;
    for (int i = 0; i < read.size(); ++i)
        readAt.insert(keyText(read.at(i)), firstPosition + i);
    const int readEnd = firstPosition + read.size();
    const QSet<int> first(m_placeFirst.cbegin(), m_placeFirst.cend());
    // Keys read from the record towards the rows read, to where they meet: its place, or its neighbour's.
    const auto walk = [&](const Keys& keys, bool before, int* place, bool* there) {
        QVector<Keys> walked;
        if (!m_pages.readRows(&keys, !before, walkedRows() + 1, nullptr, &walked, true))
            return false;
        for (int i = 0; i < walked.size(); ++i) {
            const auto met = readAt.constFind(keyText(walked.at(i)));
            if (met == readAt.cend())
                continue;
            *there = keyText(walked.constFirst()) == keyText(keys);
            // Walking forward the first key read is the record's or its successor's; walking backwards it is
            // the record's or the one before it.
            *place = before ? *met - i : *met + i + (*there ? 0 : 1);
            return true;
        }
        return false;
    };
    QHash<int, int> places;
    int placed = 0;
    for (int row : rows) {
        // A row whose record is not known is let go rather than guessed onto another record.
        const Keys keys = keysAt(row);
        if (keys.isEmpty())
            continue;
        int place = -1;
        if (const auto found = readAt.constFind(keyText(keys)); found != readAt.cend()) {
            place = *found;
        } else if (first.contains(row) || placed++ < kCountedPlaces) {
            // Not among the rows read: gone, or elsewhere. The record at or after its keys tells which
            // when it is among them (its successor) or the rows read reach the end; else its place is
            // counted elsewhere.
            QVector<Keys> next;
            if (!m_pages.readRows(&keys, false, 1, nullptr, &next, true))
                continue;
            const auto successor =
                next.isEmpty() ? readAt.cend() : readAt.constFind(keyText(next.constFirst()));
            if (successor != readAt.cend()) {
                place = *successor;
            } else if (next.isEmpty() && readToEnd) {
                place = readEnd;
            } else if (bool there = false; row >= 0 && std::abs(row - anchorAt) <= walkedRows() &&
                                           walk(keys, row < anchorAt, &place, &there)) {
                if (there) {
                    places.insert(row, place);
                    keysOf->insert(row, keys);
                    continue;
                }
            } else {
                // Only the view's own rows wait for a count at a guessed row; another index held there
                // could show a record not its own meanwhile.
                if (first.contains(row))
                    away->insert(row, keys);
                continue;
            }
            gone->insert(row);
        } else {
            continue;
        }
        places.insert(row, place);
        keysOf->insert(row, keys);
    }
    return places;
}

QVector<int> WriteFollower::cameAmong(int firstPosition, const QVector<Keys>& read) const {
    QHash<QString, int> heldAt;
    const int size = pageSize();
    for (auto it = m_pages.held().cbegin(); it != m_pages.held().cend(); ++it) {
        for (int i = 0; i < it->keys.size(); ++i) {
            if (!it->keys.at(i).isEmpty())
                heldAt.insert(keyText(it->keys.at(i)), it.key() * size + i);
        }
    }
    QVector<int> came;
    QVector<int> unknown;
    int lastHeld = -1;
    for (int i = 0; i < read.size(); ++i) {
        const auto held = heldAt.constFind(keyText(read.at(i)));
        if (held == heldAt.cend()) {
            unknown.append(firstPosition + i);
            continue;
        }
        // Nothing stood between these two before.
        if (lastHeld >= 0 && *held == lastHeld + 1)
            came += unknown;
        unknown.clear();
        lastHeld = *held;
    }
    return came;
}

bool WriteFollower::readNewestId(qint64* newest) const {
    *newest = -1;
    if (m_idTable.isEmpty())
        return true;
    IDbAdapter* db = DatabaseManager::instance().getAdapter();
    if (!db)
        return false;
    const ListQuery::Statement statement = m_list.query().newestId();
    QSqlQuery q = db->readOnce(statement.sql, statement.params);
    if (!q.isActive()) {
        m_list.noteFailure(readFailureOf(db, q, false));
        return false;
    }
    if (q.next() && !q.isNull(0))
        *newest = q.value(0).toLongLong();
    return true;
}

bool WriteFollower::readIds(int top, int bottom, QSet<qint64>* ids) const {
    if (m_idTable.isEmpty())
        return false;
    // Rows held already carry their keys, the id last: the rows just selected need no statement.
    QVector<qint64> held;
    for (int row = top; row <= bottom; ++row) {
        const Keys keys = keysAt(row);
        if (keys.isEmpty())
            break;
        held.append(keys.constLast().toLongLong());
    }
    if (held.size() == bottom - top + 1) {
        for (qint64 id : qAsConst(held))
            ids->insert(id);
        return true;
    }
    const Keys first = keysAt(top);
    const Keys last = keysAt(bottom);
    QVector<Keys> read;
    if (first.isEmpty() || last.isEmpty() ||
        !m_pages.readStatement(m_list.query().between(first, last, bottom - top + 1), nullptr, &read))
        return false;
    for (const Keys& keys : qAsConst(read))
        ids->insert(keys.constLast().toLongLong());
    return true;
}

void WriteFollower::addedAmong(int firstPosition, const QVector<Keys>& read, QVector<int>* here,
                               QVector<std::array<Keys, 3>>* away) const {
    if (m_idTable.isEmpty())
        return;
    QVector<Keys> added;
    for (const auto& [top, bottom] : qAsConst(m_keptRanges)) {
        const Keys first = keysAt(top);
        const Keys last = keysAt(bottom);
        if (first.isEmpty() || last.isEmpty())
            continue;
        // Only those inside a range: the others need no place, which may cost a count.
        if (m_keptIds.isEmpty()) {
            if (m_addedSince >= 0 &&
                !m_pages.readStatement(m_list.query().between(first, last, kAddedPlaces, m_addedSince),
                                       nullptr, &added))
                return;
            continue;
        }
        // With the selection's ids known, every record inside whose id is not among them: added since, or
        // moved in by an update, which keeps its id.
        QVector<Keys> inside;
        if (!m_pages.readStatement(m_list.query().between(first, last, m_keptIds.size() + kAddedPlaces + 1),
                                   nullptr, &inside))
            return;
        for (const Keys& keys : qAsConst(inside)) {
            if (!m_keptIds.contains(keys.constLast().toLongLong()))
                added.append(keys);
        }
    }
    QHash<QString, int> readAt;
    for (int i = 0; i < read.size(); ++i)
        readAt.insert(keyText(read.at(i)), firstPosition + i);
    QSet<QString> placed;
    for (const Keys& keys : qAsConst(added)) {
        const QString text = keyText(keys);
        if (placed.contains(text))
            continue;
        placed.insert(text);
        if (const auto found = readAt.constFind(text); found != readAt.cend())
            here->append(*found);
        else if (QVector<Keys> before, after; away->size() < kAddedPlaces &&
                                              m_pages.readRows(&keys, true, 1, nullptr, &before) &&
                                              m_pages.readRows(&keys, false, 1, nullptr, &after))
            away->append({before.value(0), keys, after.value(0)});
    }
}

int WriteFollower::movedTo(int row, bool* gone) const {
    const int place = gapAt(row, gone);
    return place < 0 ? place : std::min(place, m_lastPlace);
}

int WriteFollower::gapAt(int row, bool* gone) const {
    if (gone)
        *gone = m_gone.contains(row);
    return m_moved.value(row, -1);
}

int WriteFollower::followChanges(int topRow) {
    if (m_following || !m_list.fileChanged())
        return -1;
    const QScopedValueRollback<bool> following(m_following, true);
    // The rows the view hands over are placed in this re-read only.
    const QScopedValueRollback<QVector<int>> placeFirst(m_placeFirst, {});
    // Taken before reading: a write while the list is read shows at the next look.
    const FileMark mark = m_list.currentMark();
    // One that cannot be read stays so: the refused read is said once, not at every page or key, and not
    // at all by a list that says already that the file was replaced.
    if (!mark.isValid()) {
        m_list.markRead(mark);
        if (const auto& failure = m_list.readFailure();
            failure && failure->condition == DbCondition::Replaced)
            return -1;
    }
    qint64 newest = -1;
    if (!readNewestId(&newest))
        return -1;
    const QScopedValueRollback<qint64> addedSince(m_addedSince, -1);
    const QScopedValueRollback<QVector<QPair<int, int>>> keptRanges(m_keptRanges, {});
    const QScopedValueRollback<QSet<qint64>> keptIds(m_keptIds, {});
    const int size = pageSize();
    int anchorAt = -1;
    Keys anchor;
    if (!m_pages.knownKeysFrom(std::max(0, topRow), &anchorAt, &anchor))
        anchorAt = std::max(0, std::min(topRow, m_list.rowsNow() - 1));
    // The anchor keeps its row, unless the keys above it, read to the first row near the top, number it:
    // counting the rows above it would take as long as they are many. They are counted elsewhere, and the
    // rows move when the count comes.
    int position = 0;
    bool numbered = anchor.isEmpty();
    QVector<TableRow> rows;
    QVector<Keys> keys;
    if (!anchor.isEmpty()) {
        const bool nearTop = anchorAt <= walkedRows();
        if (nearTop) {
            QVector<Keys> above;
            if (!m_pages.readRows(&anchor, true, walkedRows() + 1, nullptr, &above))
                return -1;
            numbered = above.size() <= walkedRows();
            position = numbered ? above.size() : anchorAt;
        } else {
            position = anchorAt;
        }
        // The rows before the anchor on its page, and the last key of the page before.
        const int wanted = position % size + (position >= size ? 1 : 0);
        if (!m_pages.readRows(&anchor, true, wanted, &rows, &keys))
            return -1;
        std::reverse(rows.begin(), rows.end());
        std::reverse(keys.begin(), keys.end());
        if (!nearTop && keys.size() < wanted) {
            // The first row came before the page's start: the rows read number it.
            numbered = true;
            position = keys.size();
            const int kept = position % size + (position >= size ? 1 : 0);
            rows = rows.mid(rows.size() - kept);
            keys = keys.mid(keys.size() - kept);
        }
    }
    // The anchor's page: the rows before it on that page (and the last key of the page before), then
    // the anchor and the rows in sight to the end of their page, with one row more to tell whether the list
    // goes on. Every row in sight comes from this read, never from one made after another write.
    const int index = position / size;
    const int offset = position % size;
    const int firstPosition = position - keys.size();
    const int pagesInSight =
        std::min(PageCache::keptPages(), (offset + std::max(1, m_rowsInSight) - 1) / size + 1);
    QVector<TableRow> ahead;
    QVector<Keys> aheadKeys;
    const std::optional<bool> readEnd = m_pages.readAhead(
        anchor.isEmpty() ? nullptr : &anchor, pagesInSight * size - offset, &ahead, &aheadKeys, true);
    if (!readEnd)
        return -1;
    bool end = *readEnd;
    // Keys alone a little further on, so that rows seen below the top find their records; near the end
    // of the list they reach it.
    QVector<Keys> seen = keys + aheadKeys;
    if (!end && !aheadKeys.isEmpty()) {
        const int further = 2 * size;
        const int readBefore = seen.size();
        if (m_pages.readRows(&aheadKeys.constLast(), false, further, nullptr, &seen))
            end = seen.size() - readBefore < further;
    }
    const int known = firstPosition + seen.size();
    // Until the new count: the old one moved by the rows that came or went above the anchor, where known.
    const int rowsBefore = m_list.rowsNow();
    const int guess = anchor.isEmpty() ? rowsBefore : rowsBefore + position - anchorAt;
    int count = end ? known : std::max(guess, known + 1);
    // Read: the view hands over what it holds only now, as a read that failed leaves everything as it was.
    m_list.aboutToRelay();
    // Selected and current rows, and any other index held, stay on their records: a Page Down then goes on
    // from the last row seen, whatever came or went inside the view.
    QSet<int> gone;
    QHash<int, Keys> keysOf;
    QHash<int, Keys> away;
    QVector<int> wanted = rowsOf(m_list.heldIndexes()) + m_placeFirst;
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    QHash<int, int> places = placesNow(wanted, anchorAt, firstPosition, seen, end, &gone, &keysOf, &away);
    QVector<int> added;
    QVector<std::array<Keys, 3>> addedAway;
    addedAmong(firstPosition, seen, &added, &addedAway);
    if (!end) {
        for (int place : qAsConst(places))
            count = std::max(count, place + 1);
    }

    m_list.markRead(mark);
    m_newestId = newest;
    m_list.readsAgain();
    m_list.relay(count, end && numbered, [&](const QModelIndexList& before) {
        // Views may hold more indexes from the re-layout's start on.
        QVector<int> more;
        for (int row : rowsOf(before)) {
            if (!places.contains(row) && !away.contains(row))
                more.append(row);
        }
        places.insert(placesNow(more, anchorAt, firstPosition, seen, end, &gone, &keysOf, &away));
        // The view's rows whose records are away from the rows read are let go until their places are
        // counted: movedTo() tells a ticket for each meanwhile, below -1, which the view hands back.
        // Each has a guessed row meanwhile, for the view's current row: the row it had, moved as the anchor
        // moved, beside the rows read on its side.
        QHash<int, Keys> held;
        int ticket = -2;
        QHash<int, int> tickets;
        const QHash<int, int> guessedBefore = std::exchange(m_guessed, {});
        for (auto it = away.cbegin(); it != away.cend(); ++it) {
            held.insert(ticket, it.value());
            tickets.insert(it.key(), ticket);
            // A record waiting since an earlier re-read goes on from the row guessed then.
            const int was = it.key() >= 0 ? it.key() : guessedBefore.value(it.key(), anchorAt);
            int guessed = was + position - anchorAt;
            if (guessed >= firstPosition && guessed < known)
                guessed = it.key() < anchorAt ? firstPosition - 1 : known;
            m_guessed.insert(ticket--, std::clamp(guessed, 0, std::max(0, count - 1)));
        }
        m_came = cameAmong(firstPosition, seen) + added;
        std::sort(m_came.begin(), m_came.end());
        m_came.erase(std::unique(m_came.begin(), m_came.end()), m_came.end());
        const QModelIndexList after = moveHeld(before, places, gone, keysOf, count, [&] {
            m_pages.forget();
            m_pages.remember(firstPosition, seen);
            // The pages from the anchor's first position: rows before it dropped, places a racing write
            // emptied left empty.
            const int pageFirst = index * size;
            const int skip = std::max(0, pageFirst - firstPosition);
            QVector<TableRow> pageRows(std::max(0, firstPosition - pageFirst));
            QVector<Keys> pageKeys(pageRows.size());
            for (int i = skip; i < rows.size(); ++i) {
                pageRows.append(std::move(rows[i]));
                pageKeys.append(keys.at(i));
            }
            pageRows += ahead;
            pageKeys += aheadKeys;
            for (int from = 0; from < pageRows.size(); from += size)
                m_pages.keepPage(index + from / size, pageRows.mid(from, size), pageKeys.mid(from, size));
        });
        m_moved.insert(tickets);
        // The records next to those that came, read past the pages kept: a range split around them ends and
        // starts again there.
        for (int came : qAsConst(m_came)) {
            for (int next : {came - 1, came + 1}) {
                if (next >= firstPosition && next < known && keysAt(next).isEmpty())
                    m_pages.noteKeys(next, seen.at(next - firstPosition));
            }
        }
        // What is left to count elsewhere: the rows above the anchor, and the places of the records held
        // away from the rows read.
        if (numbered && held.isEmpty() && addedAway.isEmpty())
            m_placing.reset();
        else
            m_placing =
                Placing{numbered ? Keys() : anchor, position, end ? known - position : -1, held, addedAway};
        return after;
    });
    m_list.countAgain();
    m_list.tellReread(anchorAt, position);
    return position;
}

QModelIndexList WriteFollower::moveHeld(const QModelIndexList& before, QHash<int, int> places,
                                        const QSet<int>& gone, const QHash<int, Keys>& keysOf, int count,
                                        const std::function<void()>& keepRows) {
    // One record to a row: the indexes of records that are gone are let go (movedTo() still tells where
    // their successor stands), and so are those whose place was not read. Two indexes on one row would make
    // Qt drop both when either goes, the view's current row among them.
    QVector<int> held = places.keys().toVector();
    std::sort(held.begin(), held.end());
    // A gone record's successor past the last row stays there, so that a range it ended keeps the rows
    // before it; movedTo() brings it back to the last row.
    for (int row : qAsConst(held))
        places[row] = std::clamp(places.value(row), 0, std::max(0, count - (gone.contains(row) ? 0 : 1)));
    m_moved = places;
    m_gone = gone;
    m_lastPlace = std::max(0, count - 1);
    QHash<int, int> standing;
    for (int row : qAsConst(held)) {
        places[row] = std::min(places.value(row), m_lastPlace);
        if (!gone.contains(row))
            standing.insert(places.value(row), row);
    }
    keepRows();
    for (auto it = standing.cbegin(); it != standing.cend(); ++it)
        m_pages.noteKeys(it.key(), keysOf.value(it.value()));
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        const auto place = places.constFind(old.row());
        const auto stands = place == places.cend() ? standing.cend() : standing.constFind(*place);
        const bool kept = stands != standing.cend() && *stands == old.row();
        after.append(kept ? old.model()->index(*place, old.column()) : QModelIndex());
    }
    return after;
}

WriteFollower::Keys WriteFollower::keysAt(int row) const {
    // A row held where its record was guessed to stand: its record is the one its place is counted for.
    if (m_placing) {
        if (const auto held = m_placing->held.constFind(row); held != m_placing->held.cend())
            return *held;
    }
    return m_pages.keysAt(row);
}

void WriteFollower::listRead(qint64 newest) {
    m_placing.reset();
    m_newestId = newest;
    m_topRow = 0;
}

QVector<ListQuery::Statement> WriteFollower::countStatements() const {
    // What a re-read left to count: the rows above its anchor (unless the rows from it to the end were
    // read), and for each record held away from the rows read, the rows before it and the record at or
    // after its keys, which tells whether it is still there.
    QVector<ListQuery::Statement> statements;
    if (m_placing) {
        const ListQuery& query = m_list.query();
        if (!m_placing->anchor.isEmpty() && m_placing->rowsToEnd < 0)
            statements.append(query.countBefore(m_placing->anchor));
        for (int row : placingRows()) {
            const Keys& keys = m_placing->held.value(row);
            statements << query.countBefore(keys) << query.page(&keys, false, 1, true, true);
        }
        for (const auto& added : qAsConst(m_placing->added))
            statements << query.countBefore(added.at(1));
    }
    return statements;
}

void WriteFollower::placeCounted(const QVector<QVector<QVariant>>& values) {
    const int count = values.value(0).value(0).toInt();
    int at = 1;
    int delta = 0;
    if (!m_placing->anchor.isEmpty()) {
        const int place =
            m_placing->rowsToEnd >= 0 ? count - m_placing->rowsToEnd : values.value(at++).value(0).toInt();
        delta = place - m_placing->anchorAt;
    }
    const int keyCount = m_list.query().order.size();
    QHash<int, int> places;
    QSet<int> gone;
    for (int row : placingRows()) {
        places.insert(row, values.value(at++).value(0).toInt());
        const QVector<QVariant> next = values.value(at++);
        if (keyText(next.mid(std::max(0, next.size() - keyCount))) != keyText(m_placing->held.value(row)))
            gone.insert(row);
    }
    QVector<int> added;
    for (int i = 0; i < m_placing->added.size(); ++i)
        added << values.value(at++).value(0).toInt();
    placeCounted(delta, places, gone, added, count);
}

} // namespace kestrovalin

#include "ui/common/rowtablemodel.h"

#include "ui/common/pagecache.h"

#include "core/backgroundrow.h"
#include "core/databasemanager.h"
#include "core/idbadapter.h"
#include "core/rowreader.h"

#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtDebug>

#include <algorithm>
#include <limits>
#include <numeric>

namespace kestrovalin {

namespace {

// The first row of a statement on the program's connection; nothing when it failed.
std::optional<QVector<QVariant>> readNow(const ListQuery::Statement& statement) {
    return readRow(DatabaseManager::instance().getAdapter(), statement.sql, statement.params);
}

// The cell's own colour where it has one, else the row's.
QVariant brushOf(const TableRow& row, int column, QBrush TableRow::*rowBrush,
                 QBrush TableRow::CellColours::*cellBrush) {
    for (const TableRow::CellColours& cell : row.cellColours) {
        if (cell.column == column && (cell.*cellBrush).style() != Qt::NoBrush)
            return cell.*cellBrush;
    }
    const QBrush& brush = row.*rowBrush;
    return brush.style() != Qt::NoBrush ? QVariant(brush) : QVariant();
}

// Whether a cell's value answers a search as QAbstractItemModel::match() compares them (but for the
// QRegExp kind, which is not used).
bool answers(const QVariant& shown, const QVariant& value, Qt::MatchFlags flags) {
    const int kind = flags & 0x0F;
    if (kind == Qt::MatchExactly)
        return value == shown;
    const Qt::CaseSensitivity cs = flags & Qt::MatchCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const QString text = shown.toString();
    const QString wanted = value.toString();
    const QRegularExpression::PatternOptions options = cs == Qt::CaseInsensitive
                                                           ? QRegularExpression::CaseInsensitiveOption
                                                           : QRegularExpression::NoPatternOption;
    switch (kind) {
    case Qt::MatchRegularExpression:
        return text.contains(value.userType() == QMetaType::QRegularExpression
                                 ? value.toRegularExpression()
                                 : QRegularExpression(wanted, options));
    case Qt::MatchWildcard:
        return text.contains(
            QRegularExpression(QRegularExpression::wildcardToRegularExpression(wanted), options));
    case Qt::MatchStartsWith:
        return text.startsWith(wanted, cs);
    case Qt::MatchEndsWith:
        return text.endsWith(wanted, cs);
    case Qt::MatchFixedString:
        return text.compare(wanted, cs) == 0;
    default:
        return text.contains(wanted, cs);
    }
}

} // namespace

RowTableModel::RowTableModel(const QStringList& titles, QObject* parent)
    : QAbstractTableModel(parent), m_titles(titles), m_alignments(titles.size()) {}

// A count still on its way is interrupted and waited for here.
RowTableModel::~RowTableModel() = default;

int RowTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return m_paged ? m_count : m_rows.size();
}

int RowTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_titles.size();
}

QVariant RowTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= m_titles.size())
        return QVariant();
    return cellData(index.row(), rowAt(index.row()), index.column(), role);
}

QVariant RowTableModel::cellData(int position, const TableRow* shown, int column, int role) const {
    if (!shown) {
        // Not blank, as if the record were empty: the list's line says why.
        if (m_failure && m_paged && role == Qt::DisplayRole && position < m_count)
            return column == 0 && m_rowNumbers        ? shownNumber(position)
                   : column == (m_rowNumbers ? 1 : 0) ? QVariant(QStringLiteral("未能读取"))
                                                      : QVariant();
        return QVariant();
    }
    const TableRow& row = *shown;
    // A number not known yet is not shown.
    if (column == 0 && m_rowNumbers && !numbersKnown() &&
        (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::ToolTipRole))
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cellText(position, row, column);
    case Qt::ToolTipRole: {
        // The whole text, for a cell too narrow to show it.
        const QString text = cellText(position, row, column);
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    case Qt::UserRole:
        return column == 0 ? QVariant(row.id) : QVariant();
    case Qt::UserRole + 1:
        return column == 0 && !row.documentNo.isNull() ? QVariant(row.documentNo) : QVariant();
    case Qt::ForegroundRole:
        return brushOf(row, column, &TableRow::foreground, &TableRow::CellColours::foreground);
    case Qt::BackgroundRole:
        return brushOf(row, column, &TableRow::background, &TableRow::CellColours::background);
    case Qt::TextAlignmentRole: {
        const Qt::Alignment alignment = m_alignments.value(column);
        return alignment ? QVariant(int(alignment)) : QVariant();
    }
    default:
        return QVariant();
    }
}

QModelIndexList RowTableModel::match(const QModelIndex& start, int role, const QVariant& value, int hits,
                                     Qt::MatchFlags flags) const {
    if (!m_paged)
        return QAbstractTableModel::match(start, role, value, hits, flags);
    // Qt's own asks for every row from start to the end and round again, which reads the whole list.
    QModelIndexList found;
    const int column = start.column();
    if (start.model() != this || column < 0 || column >= m_titles.size() || (hits != -1 && hits < 1))
        return found;
    QVector<int> pages = m_pages.keys().toVector();
    std::sort(pages.begin(), pages.end());
    const int size = pageSize();
    // The held rows from `from` up to `to`; true once there are enough.
    const auto look = [&](int from, int to) {
        for (int pageIndex : pages) {
            const QVector<TableRow>& rows = m_pages.constFind(pageIndex)->rows;
            const int first = pageIndex * size;
            for (int row = std::max(from, first); row < std::min({to, m_count, first + int(rows.size())});
                 ++row) {
                if (!answers(cellData(row, &rows.at(row - first), column, role), value, flags))
                    continue;
                found.append(index(row, column));
                if (found.size() == hits)
                    return true;
            }
        }
        return false;
    };
    if (!look(start.row(), m_count) && (flags & Qt::MatchWrap))
        look(0, start.row());
    return found;
}

QVariant RowTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return shownNumber(section);
    return m_titles.value(section);
}

Qt::ItemFlags RowTableModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

void RowTableModel::sort(int column, Qt::SortOrder order) {
    if (m_paged)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QVector<int> moved = arrange();
    if (!moved.isEmpty()) {
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& index : before)
            after.append(this->index(moved.at(index.row()), index.column()));
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QVector<int> RowTableModel::arrange() {
    const int count = m_rows.size();
    if (m_sortColumn < 0 || m_sortColumn >= m_titles.size() || count < 2)
        return {};
    QVector<int> from(count);
    std::iota(from.begin(), from.end(), 0);
    const int column = m_sortColumn;
    auto text = [this, column](int row) -> const QString& {
        static const QString none;
        const QStringList& cells = m_rows.at(row).cells;
        return column < cells.size() ? cells.at(column) : none;
    };
    // Descending is "the right one sorts before the left one", so equal rows keep their order both ways.
    if (m_sortOrder == Qt::AscendingOrder)
        std::stable_sort(from.begin(), from.end(),
                         [&](int l, int r) { return text(l).localeAwareCompare(text(r)) < 0; });
    else
        std::stable_sort(from.begin(), from.end(),
                         [&](int l, int r) { return text(r).localeAwareCompare(text(l)) < 0; });
    QVector<TableRow> sorted;
    sorted.reserve(count);
    QVector<int> to(count);
    for (int i = 0; i < count; ++i) {
        sorted.append(std::move(m_rows[from.at(i)]));
        to[from.at(i)] = i;
    }
    m_rows = std::move(sorted);
    return to;
}

void RowTableModel::setColumnAlignment(int column, Qt::Alignment alignment) {
    if (column >= 0 && column < m_alignments.size())
        m_alignments[column] = alignment;
}

void RowTableModel::setRows(QVector<TableRow> rows) {
    beginResetModel();
    m_counting.reset();
    m_placing.reset();
    m_paged = false;
    forgetPages();
    m_count = 0;
    m_countKnown = true;
    m_totals.clear();
    clearFailure();
    m_rows = std::move(rows);
    arrange();
    endResetModel();
    emit counted();
}

void RowTableModel::setQuery(const ListQuery& query, RowBuilder build) {
    // Read before anything changes: a list that cannot be read keeps the rows it shows, never an empty or
    // shorter list as if it were complete.
    ListQuery shownQuery = std::exchange(m_query, query);
    m_idTable = m_query.idTable();
    RowBuilder shownBuild = std::exchange(m_build, std::move(build));
    const FileMark mark = currentMark();
    QVector<TableRow> rows;
    QVector<Keys> keys;
    clearFailure();
    // The newest id first: a record added while the rows are read is one added since they were.
    qint64 newest = -1;
    const std::optional<bool> end =
        readNewestId(&newest) ? readAhead(nullptr, pageSize(), &rows, &keys) : std::nullopt;
    if (!end) {
        // The rows shown stay, with the list they were read for; the failure is told.
        m_query = std::move(shownQuery);
        m_idTable = m_query.idTable();
        m_build = std::move(shownBuild);
        tellFailure();
        return;
    }
    const bool whole = *end;
    beginResetModel();
    m_counting.reset();
    m_placing.reset();
    m_paged = true;
    m_rows.clear();
    forgetPages();
    m_totals.clear();
    m_mark = mark;
    m_newestId = newest;
    m_topRow = 0;
    m_count = rows.size();
    m_countKnown = whole;
    m_countGuessed = false;
    if (!rows.isEmpty()) {
        remember(0, keys);
        keepPage(0, std::move(rows), std::move(keys));
    }
    // A short list's totals cost no more than the page just read.
    if (whole)
        readTotals();
    endResetModel();
    if (whole)
        emit counted();
    else
        startCount();
}

void RowTableModel::readTotals() {
    if (m_query.totals.isEmpty())
        return;
    if (const auto values = readNow(m_query.count()))
        m_totals = values->mid(1).toList();
}

void RowTableModel::startCount() {
    IDbAdapter* db = DatabaseManager::instance().getAdapter();
    const QString path = db ? db->getQtDatabase().databaseName() : QString();
    // The count with the totals; then what a re-read left to count: the rows above its anchor (unless the
    // rows from it to the end were read), and for each record held away from the rows read, the rows before
    // it and the record at or after its keys, which tells whether it is still there.
    QVector<ListQuery::Statement> statements{m_query.count()};
    if (m_placing) {
        if (!m_placing->anchor.isEmpty() && m_placing->rowsToEnd < 0)
            statements.append(m_query.countBefore(m_placing->anchor));
        for (int row : placingRows()) {
            const Keys& keys = m_placing->held.value(row);
            statements << m_query.countBefore(keys) << m_query.page(&keys, false, 1, true, true);
        }
        for (const auto& added : qAsConst(m_placing->added))
            statements << m_query.countBefore(added.at(1));
    }
    if (path.isEmpty() || path == QLatin1String(":memory:")) {
        // No file another connection could open: counted here, once the re-read under way is done.
        QVector<QVector<QVariant>> rows;
        for (const ListQuery::Statement& statement : qAsConst(statements)) {
            const auto row = readRow(db, statement.sql, statement.params);
            rows.append(row ? *row : QVector<QVariant>());
        }
        QMetaObject::invokeMethod(
            this, [this, rows] { countArrived(rows); }, Qt::QueuedConnection);
        return;
    }
    m_counting = std::make_unique<BackgroundRow>(
        this, path, statements,
        [this](const std::optional<QVector<QVector<QVariant>>>& rows) { countArrived(rows); });
}

QVector<int> RowTableModel::placingRows() const {
    QVector<int> rows;
    if (m_placing) {
        rows = m_placing->held.keys().toVector();
        std::sort(rows.begin(), rows.end());
    }
    return rows;
}

void RowTableModel::countArrived(const std::optional<QVector<QVector<QVariant>>>& rows) {
    // Done with: the values belong to the call that hands them over, not to the reader.
    m_counting.reset();
    if (!rows || rows->isEmpty() || rows->constFirst().isEmpty()) {
        // The rows still come page by page as the list is scrolled; the count is unknown, never the rows
        // read so far.
        IDbAdapter* db = DatabaseManager::instance().getAdapter();
        ReadFailure failure;
        failure.condition = db && db->isReplaced() ? DbCondition::Replaced : DbCondition::None;
        failure.text = QStringLiteral("the count could not be taken");
        noteFailure(failure);
        tellFailure();
        return;
    }
    // Counted on another connection: only a count of the file as the rows shown were read is theirs. A
    // write since then reads the list again, and counts it again.
    if (fileChanged()) {
        followLater();
        return;
    }
    const QVector<QVariant>& total = rows->constFirst();
    if (!m_placing) {
        takeCount(total);
        emit counted();
        return;
    }
    const int count = total.value(0).toInt();
    int at = 1;
    int delta = 0;
    if (!m_placing->anchor.isEmpty()) {
        const int place =
            m_placing->rowsToEnd >= 0 ? count - m_placing->rowsToEnd : rows->value(at++).value(0).toInt();
        delta = place - m_placing->anchorAt;
    }
    const int keyCount = m_query.order.size();
    QHash<int, int> places;
    QSet<int> gone;
    for (int row : placingRows()) {
        places.insert(row, rows->value(at++).value(0).toInt());
        const QVector<QVariant> next = rows->value(at++);
        if (keyText(next.mid(std::max(0, next.size() - keyCount))) != keyText(m_placing->held.value(row)))
            gone.insert(row);
    }
    QVector<int> added;
    for (int i = 0; i < m_placing->added.size(); ++i)
        added << rows->value(at++).value(0).toInt();
    m_totals = total.mid(1).toList();
    placeCounted(delta, places, gone, added, count);
}

void RowTableModel::placeCounted(int delta, const QHash<int, int>& placesCounted, const QSet<int>& gone,
                                 const QVector<int>& added, int count) {
    const QScopedValueRollback<bool> following(m_following, true);
    const QScopedValueRollback<QVector<int>> placeFirst(m_placeFirst, {});
    // The view hands over its selection, which it takes up again once the rows stand.
    emit aboutToReread();
    const Placing placing = *m_placing;
    m_countKnown = true;
    m_countGuessed = false;
    if (count > m_count)
        setCount(count);
    {
        const QScopedValueRollback<int> coming(m_countComing, count);
        emit layoutAboutToBeChanged({}, QAbstractItemModel::NoLayoutChangeHint);
        const QModelIndexList before = persistentIndexList();
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
        moveHeld(before, places, goneRows, keysOf, count, [this, delta] { shiftPages(delta); });
        // The records next to those added, where a range split around them ends and starts again.
        for (int i = 0; i < added.size(); ++i) {
            for (int side : {0, 2}) {
                if (const Keys& keys = placing.added.at(i).at(side); !keys.isEmpty())
                    m_heldKeys.insert(added.at(i) + side - 1, keys);
            }
        }
        emit layoutChanged({}, QAbstractItemModel::NoLayoutChangeHint);
    }
    setCount(count);
    emit reread(placing.anchorAt, placing.anchorAt + delta);
    emit counted();
}

void RowTableModel::takeCount(const QVector<QVariant>& values) {
    m_totals = values.mid(1).toList();
    if (m_countKnown)
        return;
    const int count = values.value(0).toInt();
    m_countKnown = true;
    m_countGuessed = false;
    setCount(count);
}

void RowTableModel::setCount(int count) {
    // A view answering these signals may ask to fetch more, or read the end: laid out for the count coming,
    // not the one going, and nothing fetched meanwhile.
    const QScopedValueRollback<int> coming(m_countComing, count);
    if (count > m_count) {
        // A page read short at the old end would leave the rows after it empty.
        const int size = pageSize();
        for (auto it = m_pages.begin(); it != m_pages.end();) {
            const bool shortOfRows = it->rows.size() < std::min(size, count - it.key() * size);
            it = shortOfRows ? dropPage(it) : std::next(it);
        }
        beginInsertRows(QModelIndex(), m_count, count - 1);
        m_count = count;
        endInsertRows();
    } else if (count < m_count) {
        // Rows went away since the pages were read.
        beginRemoveRows(QModelIndex(), count, m_count - 1);
        m_count = count;
        dropPagesFrom(count);
        endRemoveRows();
    }
}

int RowTableModel::endOfResult() const {
    if (!m_countKnown)
        return -1;
    return m_countComing >= 0 ? m_countComing : m_count;
}

bool RowTableModel::canFetchMore(const QModelIndex& parent) const {
    // A guessed count runs past the rows read: reading on from it would repeat rows.
    return m_paged && !m_countKnown && !m_countGuessed && m_countComing < 0 && !m_failure &&
           !parent.isValid();
}

void RowTableModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent))
        return;
    // The view may be in the middle of a key press: the list is read again after it, and fetched from there.
    if (fileChanged()) {
        followLater();
        return;
    }
    const int size = pageSize();
    const int index = m_count / size;
    const Keys after = m_lastKeys.value(index - 1);
    QVector<TableRow> rows;
    QVector<Keys> keys;
    const std::optional<bool> end = after.isEmpty() ? std::nullopt : readAhead(&after, size, &rows, &keys);
    if (!end)
        return;
    if (!rows.isEmpty()) {
        const int added = keys.size();
        const QScopedValueRollback<int> coming(m_countComing, m_count + added);
        beginInsertRows(QModelIndex(), m_count, m_count + added - 1);
        remember(m_count, keys);
        keepPage(index, std::move(rows), std::move(keys));
        m_count += added;
        endInsertRows();
    }
    if (*end) {
        m_countKnown = true;
        // The totals still come with the count, unless there are none to wait for.
        if (m_query.totals.isEmpty()) {
            m_counting.reset();
            emit counted();
        }
    }
}

const TableRow* RowTableModel::rowAt(int row) const {
    if (row < 0)
        return nullptr;
    if (!m_paged)
        return row < m_rows.size() ? &m_rows.at(row) : nullptr;
    if (row >= m_count)
        return nullptr;
    const int size = pageSize();
    const Page& shown = page(row / size);
    const int offset = row % size;
    return offset < shown.rows.size() ? &shown.rows.at(offset) : nullptr;
}

FileMark RowTableModel::currentMark() const {
    IDbAdapter* db = DatabaseManager::instance().getAdapter();
    return db ? fileMark(db->getQtDatabase()) : FileMark();
}

bool RowTableModel::fileChanged() const {
    return m_paged && markMoved(m_mark, currentMark());
}

void RowTableModel::followLater() const {
    if (m_followQueued)
        return;
    m_followQueued = true;
    auto* self = const_cast<RowTableModel*>(this);
    QMetaObject::invokeMethod(
        self,
        [self] {
            self->m_followQueued = false;
            self->followChanges(self->m_topRow);
        },
        Qt::QueuedConnection);
}

namespace {

// Rows whose records are placed when they are not among those read, besides those the view places first:
// each is read by its keys, and may be counted elsewhere.
constexpr int kCountedPlaces = 8;
// Records added since a selection was made that are placed to keep them out of it; any more join it.
constexpr int kAddedPlaces = 32;

} // namespace

QHash<int, int> RowTableModel::placesNow(const QVector<int>& rows, int anchorAt, int firstPosition,
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
        if (!readRows(&keys, !before, walkedRows() + 1, nullptr, &walked, true))
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
            if (!readRows(&keys, false, 1, nullptr, &next, true))
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

QVector<int> RowTableModel::cameAmong(int firstPosition, const QVector<Keys>& read) const {
    QHash<QString, int> heldAt;
    const int size = pageSize();
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
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

bool RowTableModel::readNewestId(qint64* newest) const {
    *newest = -1;
    if (m_idTable.isEmpty())
        return true;
    IDbAdapter* db = DatabaseManager::instance().getAdapter();
    if (!db)
        return false;
    const ListQuery::Statement statement = m_query.newestId();
    QSqlQuery q = db->readOnce(statement.sql, statement.params);
    if (!q.isActive()) {
        noteFailure(readFailureOf(db, q, false));
        return false;
    }
    if (q.next() && !q.isNull(0))
        *newest = q.value(0).toLongLong();
    return true;
}

bool RowTableModel::readIds(int top, int bottom, QSet<qint64>* ids) const {
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
        !readStatement(m_query.between(first, last, bottom - top + 1), nullptr, &read))
        return false;
    for (const Keys& keys : qAsConst(read))
        ids->insert(keys.constLast().toLongLong());
    return true;
}

void RowTableModel::addedAmong(int firstPosition, const QVector<Keys>& read, QVector<int>* here,
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
                !readStatement(m_query.between(first, last, kAddedPlaces, m_addedSince), nullptr, &added))
                return;
            continue;
        }
        // With the selection's ids known, every record inside whose id is not among them: added since, or
        // moved in by an update, which keeps its id.
        QVector<Keys> inside;
        if (!readStatement(m_query.between(first, last, m_keptIds.size() + kAddedPlaces + 1), nullptr,
                           &inside))
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
                                              readRows(&keys, true, 1, nullptr, &before) &&
                                              readRows(&keys, false, 1, nullptr, &after))
            away->append({before.value(0), keys, after.value(0)});
    }
}

QVector<int> RowTableModel::rowsOf(const QModelIndexList& indexes) {
    QVector<int> rows;
    rows.reserve(indexes.size());
    for (const QModelIndex& index : indexes)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int RowTableModel::movedTo(int row, bool* gone) const {
    const int place = gapAt(row, gone);
    return place < 0 ? place : std::min(place, m_lastPlace);
}

int RowTableModel::gapAt(int row, bool* gone) const {
    if (gone)
        *gone = m_gone.contains(row);
    return m_moved.value(row, -1);
}

int RowTableModel::followChanges(int topRow) {
    if (m_following || !fileChanged())
        return -1;
    const QScopedValueRollback<bool> following(m_following, true);
    // The rows the view hands over are placed in this re-read only.
    const QScopedValueRollback<QVector<int>> placeFirst(m_placeFirst, {});
    // Taken before reading: a write while the list is read shows at the next look.
    const FileMark mark = currentMark();
    // One that cannot be read stays so: the refused read is said once, not at every page or key, and not
    // at all by a list that says already that the file was replaced.
    if (!mark.isValid()) {
        m_mark = mark;
        if (m_failure && m_failure->condition == DbCondition::Replaced)
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
    if (!knownKeysFrom(std::max(0, topRow), &anchorAt, &anchor))
        anchorAt = std::max(0, std::min(topRow, m_count - 1));
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
            if (!readRows(&anchor, true, walkedRows() + 1, nullptr, &above))
                return -1;
            numbered = above.size() <= walkedRows();
            position = numbered ? above.size() : anchorAt;
        } else {
            position = anchorAt;
        }
        // The rows before the anchor on its page, and the last key of the page before.
        const int wanted = position % size + (position >= size ? 1 : 0);
        if (!readRows(&anchor, true, wanted, &rows, &keys))
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
    const int pagesInSight = std::min(keptPages(), (offset + std::max(1, m_rowsInSight) - 1) / size + 1);
    QVector<TableRow> ahead;
    QVector<Keys> aheadKeys;
    const std::optional<bool> readEnd = readAhead(anchor.isEmpty() ? nullptr : &anchor,
                                                  pagesInSight * size - offset, &ahead, &aheadKeys, true);
    if (!readEnd)
        return -1;
    bool end = *readEnd;
    // Keys alone a little further on, so that rows seen below the top find their records; near the end
    // of the list they reach it.
    QVector<Keys> seen = keys + aheadKeys;
    if (!end && !aheadKeys.isEmpty()) {
        const int further = 2 * size;
        const int readBefore = seen.size();
        if (readRows(&aheadKeys.constLast(), false, further, nullptr, &seen))
            end = seen.size() - readBefore < further;
    }
    const int known = firstPosition + seen.size();
    // Until the new count: the old one moved by the rows that came or went above the anchor, where known.
    const int guess = anchor.isEmpty() ? m_count : m_count + position - anchorAt;
    int count = end ? known : std::max(guess, known + 1);
    // Read: the view hands over what it holds only now, as a read that failed leaves everything as it was.
    emit aboutToReread();
    // Selected and current rows, and any other index held, stay on their records: a Page Down then goes on
    // from the last row seen, whatever came or went inside the view.
    QSet<int> gone;
    QHash<int, Keys> keysOf;
    QHash<int, Keys> away;
    QVector<int> wanted = rowsOf(persistentIndexList()) + m_placeFirst;
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

    m_mark = mark;
    m_newestId = newest;
    clearFailure();
    // Known before any row signal: a view answering one may ask to fetch more.
    m_counting.reset();
    m_countKnown = end && numbered;
    m_countGuessed = !m_countKnown;
    // Grown first, so that every row a record moved to exists during the re-layout; shrunk after it. Reads
    // meanwhile lay the end out for the new count.
    if (count > m_count)
        setCount(count);
    {
        const QScopedValueRollback<int> coming(m_countComing, count);
        emit layoutAboutToBeChanged({}, QAbstractItemModel::NoLayoutChangeHint);
        // Views may hold more indexes from the signal on.
        const QModelIndexList before = persistentIndexList();
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
        moveHeld(before, places, gone, keysOf, count, [&] {
            forgetPages();
            remember(firstPosition, seen);
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
                keepPage(index + from / size, pageRows.mid(from, size), pageKeys.mid(from, size));
        });
        m_moved.insert(tickets);
        // The records next to those that came, read past the pages kept: a range split around them ends and
        // starts again there.
        for (int came : qAsConst(m_came)) {
            for (int next : {came - 1, came + 1}) {
                if (next >= firstPosition && next < known && keysAt(next).isEmpty())
                    m_heldKeys.insert(next, seen.at(next - firstPosition));
            }
        }
        // What is left to count elsewhere: the rows above the anchor, and the places of the records held
        // away from the rows read.
        if (numbered && held.isEmpty() && addedAway.isEmpty()) {
            m_placing.reset();
        } else {
            m_placing =
                Placing{numbered ? Keys() : anchor, position, end ? known - position : -1, held, addedAway};
            m_countKnown = false;
            m_countGuessed = true;
        }
        emit layoutChanged({}, QAbstractItemModel::NoLayoutChangeHint);
    }

    setCount(count);
    if (m_countKnown && !m_placing) {
        readTotals();
        emit counted();
    } else {
        startCount();
    }
    emit reread(anchorAt, position);
    return position;
}

void RowTableModel::moveHeld(const QModelIndexList& before, QHash<int, int> places, const QSet<int>& gone,
                             const QHash<int, Keys>& keysOf, int count,
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
        m_heldKeys.insert(it.key(), keysOf.value(it.value()));
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        const auto place = places.constFind(old.row());
        const auto stands = place == places.cend() ? standing.cend() : standing.constFind(*place);
        const bool kept = stands != standing.cend() && *stands == old.row();
        after.append(kept ? this->index(*place, old.column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
}

int RowTableModel::heldRows() const {
    if (!m_paged)
        return m_rows.size();
    int held = 0;
    for (const Page& kept : m_pages)
        held += kept.rows.size();
    return held;
}

int RowTableModel::id(int row) const {
    const TableRow* shown = rowAt(row);
    return shown ? shown->id : -1;
}

QString RowTableModel::text(int row, int column) const {
    const TableRow* shown = rowAt(row);
    return shown ? cellText(row, *shown, column) : QString();
}

QVariant RowTableModel::record(int row) const {
    const TableRow* shown = rowAt(row);
    return shown ? shown->record : QVariant();
}

QString RowTableModel::cellText(int position, const TableRow& row, int column) const {
    if (!m_rowNumbers)
        return row.cells.value(column);
    return column == 0 ? QString::number(position + 1) : row.cells.value(column - 1);
}

bool RowTableModel::visitAll(const std::function<bool(int, const TableRow&)>& visit,
                             std::optional<ReadFailure>* failure) const {
    // The rows of a list that could not be read as asked are not the list's, paged or held.
    if (m_failure) {
        qWarning().noquote() << "The list's rows are not all there:" << m_failure->text;
        if (failure)
            *failure = m_failure;
        return false;
    }
    if (!m_paged) {
        for (int i = 0; i < m_rows.size(); ++i) {
            if (!visit(i, m_rows.at(i)))
                return false;
        }
        return true;
    }
    IDbAdapter* db = DatabaseManager::instance().getAdapter();
    if (!db)
        return false;
    const ListQuery::Statement statement = m_query.all();
    int position = 0;
    bool visited = true;
    std::optional<ReadFailure> why;
    const bool read = visitRows(
        db, statement.sql, statement.params,
        [&](const Row& row) { return visited = visit(position++, m_build(row)); }, -1, &why);
    if (why && why->stopped)
        qWarning().noquote() << "The list's rows could not be read to the end:" << why->text;
    if (failure)
        *failure = why;
    return read && visited;
}

void RowTableModel::cannotRead(const ReadFailure& failure) {
    clearFailure();
    m_failure = failure;
    tellFailure();
}

void RowTableModel::clearFailure() {
    m_failure.reset();
    m_failureTold = false;
}

void RowTableModel::tellFailure() const {
    if (!m_failure || m_failureTold)
        return;
    m_failureTold = true;
    emit const_cast<RowTableModel*>(this)->readFailed();
}

void RowTableModel::noteFailure(const ReadFailure& failure) const {
    ReadWatch::note(failure);
    if (m_failure)
        return;
    // The adapter logged a statement that failed; a read stopped midway is logged where it stopped.
    m_failure = failure;
    // Told after the read under way: a view may be inside data().
    auto* self = const_cast<RowTableModel*>(this);
    QMetaObject::invokeMethod(
        self, [self] { self->tellFailure(); }, Qt::QueuedConnection);
}

} // namespace kestrovalin

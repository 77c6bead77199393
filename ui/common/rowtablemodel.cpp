#include "ui/common/rowtablemodel.h"

#include "core/backgroundrow.h"
#include "core/databasemanager.h"
#include "core/idbadapter.h"
#include "core/rowreader.h"

#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QtDebug>

#include <algorithm>
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
    : QAbstractTableModel(parent), m_titles(titles), m_alignments(titles.size()), m_pages(*this),
      m_follower(*this, m_pages) {}

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
    QVector<int> pages = m_pages.held().keys().toVector();
    std::sort(pages.begin(), pages.end());
    const int size = PageCache::pageSize();
    // The held rows from `from` up to `to`; true once there are enough.
    const auto look = [&](int from, int to) {
        for (int pageIndex : pages) {
            const QVector<TableRow>& rows = m_pages.held().constFind(pageIndex)->rows;
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
    m_follower.stopPlacing();
    m_paged = false;
    m_pages.forget();
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
    m_follower.queryChanged();
    RowBuilder shownBuild = std::exchange(m_build, std::move(build));
    const FileMark mark = currentMark();
    QVector<TableRow> rows;
    QVector<PageCache::Keys> keys;
    clearFailure();
    // The newest id first: a record added while the rows are read is one added since they were.
    qint64 newest = -1;
    const std::optional<bool> end = m_follower.readNewestId(&newest)
                                        ? m_pages.readAhead(nullptr, PageCache::pageSize(), &rows, &keys)
                                        : std::nullopt;
    if (!end) {
        // The rows shown stay, with the list they were read for; the failure is told.
        m_query = std::move(shownQuery);
        m_follower.queryChanged();
        m_build = std::move(shownBuild);
        tellFailure();
        return;
    }
    const bool whole = *end;
    beginResetModel();
    m_counting.reset();
    m_paged = true;
    m_rows.clear();
    m_pages.forget();
    m_totals.clear();
    m_mark = mark;
    m_follower.listRead(newest);
    m_count = rows.size();
    m_countKnown = whole;
    m_countGuessed = false;
    if (!rows.isEmpty()) {
        m_pages.remember(0, keys);
        m_pages.keepPage(0, std::move(rows), std::move(keys));
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
    // The count with the totals; then what a re-read left to count.
    const QVector<ListQuery::Statement> statements =
        QVector<ListQuery::Statement>{m_query.count()} + m_follower.countStatements();
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
        m_follower.followLater();
        return;
    }
    const QVector<QVariant>& total = rows->constFirst();
    if (!m_follower.placing()) {
        takeCount(total);
        emit counted();
        return;
    }
    m_totals = total.mid(1).toList();
    m_follower.placeCounted(*rows);
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
        m_pages.dropShortPages(count);
        beginInsertRows(QModelIndex(), m_count, count - 1);
        m_count = count;
        endInsertRows();
    } else if (count < m_count) {
        // Rows went away since the pages were read.
        beginRemoveRows(QModelIndex(), count, m_count - 1);
        m_count = count;
        m_pages.dropPagesFrom(count);
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
        m_follower.followLater();
        return;
    }
    const int size = PageCache::pageSize();
    const int index = m_count / size;
    const PageCache::Keys after = m_pages.lastKeys(index - 1);
    QVector<TableRow> rows;
    QVector<PageCache::Keys> keys;
    const std::optional<bool> end =
        after.isEmpty() ? std::nullopt : m_pages.readAhead(&after, size, &rows, &keys);
    if (!end)
        return;
    if (!rows.isEmpty()) {
        const int added = keys.size();
        const QScopedValueRollback<int> coming(m_countComing, m_count + added);
        beginInsertRows(QModelIndex(), m_count, m_count + added - 1);
        m_pages.remember(m_count, keys);
        m_pages.keepPage(index, std::move(rows), std::move(keys));
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
    const int size = PageCache::pageSize();
    const PageCache::Page& shown = m_pages.page(row / size);
    const int offset = row % size;
    return offset < shown.rows.size() ? &shown.rows.at(offset) : nullptr;
}

FileMark RowTableModel::currentMark() const {
    return DatabaseManager::instance().fileMark();
}

bool RowTableModel::fileChanged() const {
    return m_paged && markMoved(m_mark, currentMark());
}

void RowTableModel::pageAboutToBeRead() const {
    // A page read after a write may not meet those read before it; the rows may not change inside a read,
    // so the list is read again once it is done.
    if (!m_follower.following() && fileChanged())
        m_follower.followLater();
}

void RowTableModel::relay(int count, bool counted,
                          const std::function<QModelIndexList(const QModelIndexList& held)>& place) {
    // Known before any row signal: a view answering one may ask to fetch more.
    m_counting.reset();
    m_countKnown = counted;
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
        changePersistentIndexList(before, place(before));
        // Places left to count: the count is not known until they come.
        if (m_follower.placing()) {
            m_countKnown = false;
            m_countGuessed = true;
        }
        emit layoutChanged({}, QAbstractItemModel::NoLayoutChangeHint);
    }
    setCount(count);
}

void RowTableModel::countAgain() {
    if (m_countKnown && !m_follower.placing()) {
        readTotals();
        emit counted();
    } else {
        startCount();
    }
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

#include "core/rowreader.h"

#include "core/sqliteconnection.h"

#include <QRegularExpression>

#include <cstring>

namespace kestrovalin {

int Row::indexOf(const char* column) const {
    // Plain strcmp: every value of every row of a list passes here.
    const std::size_t slot = m_nextSlot++;
    if (slot < m_slots.size() && std::strcmp(m_slots[slot].name.constData(), column) == 0)
        return m_slots[slot].index;
    // Out of the usual order: look among the names already resolved, then ask the record.
    for (const Slot& known : m_slots) {
        if (std::strcmp(known.name.constData(), column) == 0)
            return known.index;
    }
    const int index = m_record.indexOf(QLatin1String(column));
    if (slot == m_slots.size())
        m_slots.push_back({QByteArray(column), index});
    return index;
}

QVariant Row::value(const char* column) const {
    const int index = indexOf(column);
    return index < 0 ? QVariant() : m_query.value(index);
}

namespace {

// The watches open on this thread, innermost first.
thread_local ReadWatch* openWatch = nullptr;

} // namespace

ReadFailure readFailureOf(const IDbAdapter* db, const QSqlQuery& query, bool stopped) {
    ReadFailure failure;
    failure.stopped = stopped;
    failure.text = db ? db->failureText(query) : query.lastError().text();
    if (db && db->isReplaced())
        failure.condition = DbCondition::Replaced;
    else if (!stopped && db)
        failure.condition = db->lastFailureCondition();
    if (failure.condition == DbCondition::None)
        failure.condition = conditionOfCode(query.lastError().nativeErrorCode().toInt());
    return failure;
}

ReadWatch::ReadWatch() : m_outer(openWatch) {
    openWatch = this;
}

ReadWatch::~ReadWatch() {
    openWatch = m_outer;
}

void ReadWatch::note(const ReadFailure& failure) {
    for (ReadWatch* watch = openWatch; watch; watch = watch->m_outer) {
        if (!watch->m_failure)
            watch->m_failure = failure;
    }
}

std::optional<QVector<QVariant>> readRow(IDbAdapter* db, const QString& sql, const QList<QVariant>& params) {
    if (!db)
        return std::nullopt;
    QSqlQuery query = db->readOnce(sql, params);
    if (!query.isActive() || !query.next()) {
        if (!query.isActive() || query.lastError().isValid())
            ReadWatch::note(readFailureOf(db, query, query.isActive()));
        return std::nullopt;
    }
    QVector<QVariant> values(query.record().count());
    for (int i = 0; i < values.size(); ++i)
        values[i] = query.value(i);
    return values;
}

std::optional<QVariant> readValue(IDbAdapter* db, const QString& sql, const QList<QVariant>& params) {
    const std::optional<QVector<QVariant>> row = readRow(db, sql, params);
    if (!row || row->isEmpty())
        return std::nullopt;
    return row->first();
}

int changedRows(IDbAdapter* db, const QString& sql, const QList<QVariant>& params) {
    if (!db)
        return -1;
    const QSqlQuery query = db->query(sql, params);
    return query.isActive() ? query.numRowsAffected() : -1;
}

bool isSqlName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return pattern.match(name).hasMatch();
}

} // namespace kestrovalin

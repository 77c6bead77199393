#include "core/listquery.h"

#include <QRegularExpression>

#include <algorithm>

namespace kestrovalin {

namespace {

// The conditions on one key that place a row relative to the known row's value, in the direction read.
struct KeyTest {
    const SortKey& key;
    const QVariant& value;
    bool descending;

    // The row comes strictly after the known one on this key.
    QString after(QList<QVariant>& params) const {
        if (value.isNull())
            return descending ? QStringLiteral("0") : key.expression + QStringLiteral(" IS NOT NULL");
        return beyond(params, false);
    }
    QString same(QList<QVariant>& params) const {
        if (value.isNull())
            return key.expression + QStringLiteral(" IS NULL");
        params << value;
        return key.expression + QStringLiteral(" = ?");
    }
    // After or level with it: a range an index on the first key can start from. Empty when it holds for
    // every row.
    QString atOrAfter(QList<QVariant>& params) const {
        if (value.isNull())
            return descending ? key.expression + QStringLiteral(" IS NULL") : QString();
        return beyond(params, true);
    }
    // Past the known row's value, which is not NULL; orLevel: or equal to it. Descending, NULL lies past
    // every value.
    QString beyond(QList<QVariant>& params, bool orLevel) const {
        params << value;
        const QString op = descending ? (orLevel ? QStringLiteral("<=") : QStringLiteral("<"))
                                      : (orLevel ? QStringLiteral(">=") : QStringLiteral(">"));
        if (!descending || !key.nullable)
            return key.expression + QLatin1Char(' ') + op + QStringLiteral(" ?");
        return QStringLiteral("(%1 %2 ? OR %1 IS NULL)").arg(key.expression, op);
    }
};

// Rows after the known one: after on the first key, or level with it and after on the rest; including,
// level with it on the last key too.
QString afterFrom(const QVector<SortKey>& order, const QVector<QVariant>& values, bool backwards, int from,
                  bool including, QList<QVariant>& params) {
    const KeyTest test{order.at(from), values.at(from), order.at(from).descending != backwards};
    const bool last = from + 1 == order.size();
    // One range rather than "after or level": an OR of the two makes SQLite sort every row the range holds.
    if (last && including && !test.value.isNull())
        return test.atOrAfter(params);
    QString condition = test.after(params);
    if (last && !including)
        return condition;
    condition += QStringLiteral(" OR ") + (last ? QString() : QStringLiteral("(")) + test.same(params);
    if (!last) {
        condition += QStringLiteral(" AND (");
        condition += afterFrom(order, values, backwards, from + 1, including, params) + QStringLiteral("))");
    }
    return QLatin1Char('(') + condition + QLatin1Char(')');
}

QString keysetCondition(const QVector<SortKey>& order, const QVector<QVariant>& values, bool backwards,
                        bool including, QList<QVariant>& params) {
    QString condition;
    if (order.size() > 1) {
        const KeyTest first{order.first(), values.first(), order.first().descending != backwards};
        const QString range = first.atOrAfter(params);
        if (!range.isEmpty())
            condition = range + QStringLiteral(" AND ");
    }
    return condition + afterFrom(order, values, backwards, 0, including, params);
}

QString joined(const QStringList& conditions) {
    return conditions.join(QStringLiteral(" AND "));
}

QString orderByClause(const QVector<SortKey>& order, bool reversed) {
    QStringList terms;
    for (const SortKey& key : order)
        terms << key.expression + ((key.descending != reversed) ? QStringLiteral(" DESC") : QString());
    return QStringLiteral(" ORDER BY ") + terms.join(QStringLiteral(", "));
}

} // namespace

ListQuery& ListQuery::filter(const QString& condition, const QList<QVariant>& values) {
    where = where.isEmpty() ? condition : QStringLiteral("(%1) AND (%2)").arg(where, condition);
    params << values;
    return *this;
}

ListQuery::Statement ListQuery::all() const {
    return page(nullptr, false, -1);
}

ListQuery::Statement ListQuery::page(const QVector<QVariant>* after, bool backwards, int limit, bool keysOnly,
                                     bool including) const {
    const bool grouped = !groupBy.isEmpty();
    // A grouped list's HAVING may name the select list's aliases, so its select list stays.
    const bool withColumns = !keysOnly || grouped;
    Statement s;
    QStringList keys;
    for (const SortKey& key : order)
        keys << key.expression;
    s.sql = QStringLiteral("SELECT ") + (withColumns ? columns + QStringLiteral(", ") : QString()) +
            keys.join(QStringLiteral(", ")) + QLatin1Char(' ') + from;
    if (withColumns)
        s.params << columnParams;

    const bool keysetInHaving =
        std::any_of(order.begin(), order.end(), [](const SortKey& key) { return key.aggregate; });
    QList<QVariant> keysetParams;
    const QString keyset = after && after->size() == order.size()
                               ? keysetCondition(order, *after, backwards, including, keysetParams)
                               : QString();

    // The known row's range first: where the list's own conditions bound the same key (a book's dates),
    // SQLite takes the first range it meets for the index, and the list's would walk it from its start.
    QStringList conditions;
    if (!keyset.isEmpty() && !keysetInHaving) {
        conditions << QLatin1Char('(') + keyset + QLatin1Char(')');
        s.params << keysetParams;
    }
    if (!where.isEmpty())
        conditions << QLatin1Char('(') + where + QLatin1Char(')');
    s.params << params;
    if (!conditions.isEmpty())
        s.sql += QStringLiteral(" WHERE ") + joined(conditions);

    if (grouped) {
        s.sql += QStringLiteral(" GROUP BY ") + groupBy;
        QStringList groupConditions;
        if (!having.isEmpty())
            groupConditions << QLatin1Char('(') + having + QLatin1Char(')');
        s.params << havingParams;
        if (!keyset.isEmpty() && keysetInHaving) {
            groupConditions << QLatin1Char('(') + keyset + QLatin1Char(')');
            s.params << keysetParams;
        }
        if (!groupConditions.isEmpty())
            s.sql += QStringLiteral(" HAVING ") + joined(groupConditions);
    }
    s.sql += orderByClause(order, backwards);
    if (limit >= 0)
        s.sql += QStringLiteral(" LIMIT ") + QString::number(limit);
    return s;
}

QString ListQuery::fromWhere() const {
    return where.isEmpty() ? from : from + QStringLiteral(" WHERE ") + where;
}

QString ListQuery::orderBy() const {
    return orderByClause(order, false);
}

ListQuery::Statement ListQuery::countBefore(const QVector<QVariant>& keys) const {
    Statement s;
    if (!groupBy.isEmpty() || keys.size() != order.size() || order.isEmpty()) {
        s = page(&keys, true, -1, true);
        s.sql = QStringLiteral("SELECT COUNT(*) FROM (") + s.sql + QLatin1Char(')');
        return s;
    }
    // A sum of counts, one per key: level with the known row on the keys before it and past it on this
    // one. Each is a plain range an index counts through; one OR of them all is tested row by row, at
    // several times the cost.
    QStringList counts;
    QStringList level;
    QList<QVariant> levelParams;
    for (int i = 0; i < order.size(); ++i) {
        const KeyTest test{order.at(i), keys.at(i), !order.at(i).descending};
        QList<QVariant> termParams = levelParams;
        QStringList conditions = level;
        conditions << test.after(termParams);
        if (!where.isEmpty())
            conditions << QLatin1Char('(') + where + QLatin1Char(')');
        termParams << params;
        // LIMIT keeps the rows a query of their own, which SQLite does not merge into the count: only so does
        // it leave out the LEFT JOINs that cannot add or drop a row.
        counts << QStringLiteral("(SELECT COUNT(*) FROM (SELECT 1 ") + from + QStringLiteral(" WHERE ") +
                      joined(conditions) + QStringLiteral(" LIMIT -1))");
        s.params << termParams;
        level << test.same(levelParams);
    }
    s.sql = QStringLiteral("SELECT ") + counts.join(QStringLiteral(" + "));
    return s;
}

QString ListQuery::idTable() const {
    if (!groupBy.isEmpty() || order.isEmpty())
        return QString();
    static const QRegularExpression idKey(QStringLiteral("^(?:(\\w+)\\.)?id$"));
    const QRegularExpressionMatch key = idKey.match(order.constLast().expression);
    if (!key.hasMatch())
        return QString();
    // The table the key's alias names, or the one table of a list without joins.
    const QString alias = key.captured(1);
    const QRegularExpression table(
        alias.isEmpty() ? QStringLiteral("^FROM\\s+(\\w+)\\s*$")
                        : QStringLiteral("\\b(?:FROM|JOIN)\\s+(\\w+)\\s+(?:AS\\s+)?%1\\b").arg(alias),
        QRegularExpression::CaseInsensitiveOption);
    return table.match(from).captured(1);
}

ListQuery::Statement ListQuery::newestId() const {
    return {QStringLiteral("SELECT MAX(id) FROM ") + idTable(), {}};
}

ListQuery::Statement ListQuery::between(const QVector<QVariant>& first, const QVector<QVariant>& last,
                                        int limit, qint64 idAbove) const {
    Statement s;
    if (first.size() != order.size() || last.size() != order.size())
        return s;
    QStringList keys;
    for (const SortKey& key : order)
        keys << key.expression;
    QStringList conditions{
        QLatin1Char('(') + keysetCondition(order, first, false, true, s.params) + QLatin1Char(')'),
        QLatin1Char('(') + keysetCondition(order, last, true, true, s.params) + QLatin1Char(')')};
    if (idAbove >= 0) {
        // The new ids first, from the table's own key, whatever index the list's conditions could use.
        conditions << order.constLast().expression + QStringLiteral(" IN (SELECT id FROM ") + idTable() +
                          QStringLiteral(" WHERE id > ?)");
        s.params << idAbove;
    }
    if (!where.isEmpty())
        conditions << QLatin1Char('(') + where + QLatin1Char(')');
    s.params << params;
    s.sql = QStringLiteral("SELECT ") + keys.join(QStringLiteral(", ")) + QLatin1Char(' ') + from +
            QStringLiteral(" WHERE ") + joined(conditions) + orderByClause(order, false) +
            QStringLiteral(" LIMIT ") + QString::number(limit);
    return s;
}

ListQuery::Statement ListQuery::count() const {
    Statement s;
    if (!groupBy.isEmpty()) {
        s.sql = QStringLiteral("SELECT COUNT(*) FROM (SELECT ") + columns + QLatin1Char(' ') + fromWhere();
        s.sql += QStringLiteral(" GROUP BY ") + groupBy;
        if (!having.isEmpty())
            s.sql += QStringLiteral(" HAVING ") + having;
        s.sql += QLatin1Char(')');
        s.params << columnParams << params << havingParams;
        return s;
    }
    s.sql = QStringLiteral("SELECT COUNT(*)");
    for (const QString& total : totals)
        s.sql += QStringLiteral(", ") + total;
    s.sql += QLatin1Char(' ') + fromWhere();
    s.params << params;
    return s;
}

} // namespace kestrovalin

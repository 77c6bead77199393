#include "core/documentnumber.h"

#include "core/clock.h"
#include "core/rowreader.h"

namespace kestrovalin {

namespace {

constexpr int kMinimumDigits = 4;

// The sequence of a number that starts with stem, or nothing when the rest is not all digits.
std::optional<qulonglong> sequenceOf(const QString& number, const QString& stem) {
    const QStringRef rest = number.midRef(stem.size());
    if (rest.isEmpty())
        return std::nullopt;
    for (const QChar c : rest) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const qulonglong value = rest.toULongLong(&ok);
    return ok ? std::optional<qulonglong>(value) : std::nullopt;
}

} // namespace

QString nextDocumentNumber(IDbAdapter* db, const QString& prefix, const QString& table,
                           const QString& column) {
    if (!db || !isSqlName(table) || !isSqlName(column))
        return QString();
    const QString stem = prefix + Clock::today().toString(QStringLiteral("yyyyMMdd"));
    // The range holds every text that starts with the stem followed by a character up to '9' (':' follows
    // '9'), and it can use the column's index; the digits test below does the rest.
    const Fetched<QString> numbers = fetch(
        db, QStringLiteral("SELECT %1 FROM %2 WHERE %1 > ? AND %1 < ?").arg(column, table),
        {stem, stem + QLatin1Char(':')}, [&column](const Row& row) { return row.text(qPrintable(column)); });
    if (!numbers.ok)
        return QString();
    qulonglong highest = 0;
    for (const QString& number : numbers.rows) {
        const std::optional<qulonglong> sequence = sequenceOf(number, stem);
        if (sequence && *sequence > highest)
            highest = *sequence;
    }
    return stem + QStringLiteral("%1").arg(highest + 1, kMinimumDigits, 10, QLatin1Char('0'));
}

} // namespace kestrovalin

#include "core/csvwriter.h"

#include <QtGlobal>

namespace kestrovalin {

namespace {

// The parser also takes "inf", "nan" and "infinity" in any case; to a spreadsheet those are text.
bool isPlainNumber(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && qIsFinite(value);
}

QByteArray line(const QStringList& cells) {
    QStringList quoted;
    quoted.reserve(cells.size());
    for (const QString& cell : cells)
        quoted.append(CsvWriter::quote(CsvWriter::guardFormula(cell)));
    return quoted.join(QLatin1Char(',')).toUtf8() + '\n';
}

} // namespace

QString CsvWriter::quote(const QString& cell) {
    QString escaped = cell;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString CsvWriter::guardFormula(const QString& cell) {
    if (cell.isEmpty() || cell == QLatin1String("-"))
        return cell;
    const QChar first = cell.at(0);
    const bool risky = first == QLatin1Char('=') || first == QLatin1Char('+') || first == QLatin1Char('-') ||
                       first == QLatin1Char('@') || first == QLatin1Char('\t') || first == QLatin1Char('\r');
    if (!risky || isPlainNumber(cell))
        return cell;
    return QLatin1Char('\'') + cell;
}

bool CsvWriter::write(QIODevice* device, const QString& title, const QStringList& headers,
                      const QVector<QStringList>& rows) {
    if (!device || !device->isWritable())
        return false;
    QByteArray out("\xEF\xBB\xBF");
    if (!title.isEmpty())
        out += title.toUtf8() + '\n';
    out += headers.join(QLatin1Char(',')).toUtf8() + '\n';
    for (const QStringList& row : rows)
        out += line(row);
    return device->write(out) == out.size();
}

} // namespace kestrovalin

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

bool startsRisky(const QString& cell) {
    if (cell.isEmpty() || cell == QLatin1String("-"))
        return false;
    const QChar first = cell.at(0);
    const bool risky = first == QLatin1Char('=') || first == QLatin1Char('+') || first == QLatin1Char('-') ||
                       first == QLatin1Char('@') || first == QLatin1Char('\t') || first == QLatin1Char('\r');
    return risky && !isPlainNumber(cell);
}

} // namespace

void CsvWriter::appendCell(QString& line, const QString& cell) {
    // The apostrophe and the doubled quotes written straight into the line: a long export writes millions
    // of cells.
    line += QLatin1Char('"');
    if (startsRisky(cell))
        line += QLatin1Char('\'');
    const QChar* text = cell.constData();
    const int size = cell.size();
    int from = 0;
    for (int i = 0; i < size; ++i) {
        if (text[i] == QLatin1Char('"')) {
            line.append(text + from, i + 1 - from);
            line += QLatin1Char('"');
            from = i + 1;
        }
    }
    line.append(text + from, size - from);
    line += QLatin1Char('"');
}

QByteArray CsvWriter::opening(const QString& title, const QStringList& headers) {
    QByteArray out("\xEF\xBB\xBF");
    if (!title.isEmpty())
        out += title.toUtf8() + '\n';
    out += headers.join(QLatin1Char(',')).toUtf8() + '\n';
    return out;
}

} // namespace kestrovalin

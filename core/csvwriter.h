#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kestrovalin {

// The report CSV format: UTF-8 with byte-order mark, an optional title line, the header titles joined by
// commas, then one line per row with every cell quoted (inner quotes doubled).
class CsvWriter {
public:
    // The byte-order mark with the title and header lines.
    static QByteArray opening(const QString& title, const QStringList& headers);
    // One cell of a line, quoted, inner quotes doubled, and with a leading apostrophe when a spreadsheet
    // would run it as a formula; the caller puts the commas and the line break.
    static void appendCell(QString& line, const QString& cell);
};

} // namespace kestrovalin

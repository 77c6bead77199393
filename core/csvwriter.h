#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QVector>

namespace kestrovalin {

// The report CSV format: UTF-8 with byte-order mark, an optional title line, the header titles joined by
// commas, then one line per row with every cell quoted (inner quotes doubled).
class CsvWriter {
public:
    // Returns false unless every byte reached the device.
    static bool write(QIODevice* device, const QString& title, const QStringList& headers,
                      const QVector<QStringList>& rows);
    // The parts of write(), for a writer that sends a long table a piece at a time: the byte-order mark with
    // the title and header lines, and one data line appended to what is pending.
    static QByteArray opening(const QString& title, const QStringList& headers);
    static void appendLine(QByteArray& out, const QStringList& cells);
    // One cell of a line, quoted and guarded, for a writer that builds its lines as text and turns many
    // into UTF-8 at once; the caller puts the commas and the line break.
    static void appendCell(QString& line, const QString& cell);

    // A cell a spreadsheet would run as a formula gets a leading apostrophe.
    static QString guardFormula(const QString& cell);
};

} // namespace kestrovalin

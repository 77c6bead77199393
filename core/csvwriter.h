#pragma once

#include <QByteArray>
#include <QFileDevice>
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

// Why a file could not be written at path, in the user's words: the disk is full, the folder is missing,
// the path is a folder, or there is no permission to write there. Told from the device's error (Qt's
// untranslated text for the system's error) and from the file and its folder as they are now; empty when
// none of those explains it. Asked before an unfinished file is taken away.
QString fileWriteTrouble(const QString& path, QFileDevice::FileError error, const QString& systemText);

} // namespace kestrovalin

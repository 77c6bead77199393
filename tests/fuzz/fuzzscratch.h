#pragma once
// What both fuzz targets share: a scratch file per process for the input, a silent log, and the read an
// import does first.
#include "spreadsheet/workbookreader.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdlib>

#include <unistd.h>

namespace kvfuzz {

inline QString& scratchPath() {
    static QString path;
    return path;
}

inline void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// One file per process, so that parallel jobs never share one; /dev/shm keeps it off the disk.
inline void startScratch(const char* suffix) {
    qInstallMessageHandler(quiet);
    const QString dir =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    scratchPath() = QStringLiteral("%1/kvfuzz-%2%3").arg(dir).arg(getpid()).arg(QLatin1String(suffix));
    std::atexit([] { QFile::remove(scratchPath()); });
}

// Opens the scratch file as the import dialogs do and touches the cells an import reads first.
inline void readScratch() {
    kestrovalin::WorkbookReader reader(12);
    if (reader.open(scratchPath())) {
        for (int column = 1; column <= 12; ++column)
            reader.cell(qMin(reader.lastRow(), 2), column).toText();
    }
}

} // namespace kvfuzz

// libFuzzer target: the input bytes as a workbook file, read through WorkbookReader as the import dialogs
// read it, .xlsx and .xls alike. Built only with -DKV_FUZZ=ON and clang++ (see README).
#include "spreadsheet/workbookreader.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>

#include <unistd.h>

namespace {

QString g_path;

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

void removeInput() {
    QFile::remove(g_path);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler(quiet);
    // One file per process, so that parallel jobs never share one; /dev/shm keeps it off the disk.
    const QString dir =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    g_path = QStringLiteral("%1/kvfuzz-%2.bin").arg(dir).arg(getpid());
    std::atexit(removeInput);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QFile file(g_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
    file.close();
    kestrovalin::WorkbookReader reader(12);
    if (reader.open(g_path)) {
        // Touch what an import reads first, so a broken cell would show here too.
        for (int column = 1; column <= 12; ++column)
            reader.cell(qMin(reader.lastRow(), 2), column).toText();
    }
    return 0;
}

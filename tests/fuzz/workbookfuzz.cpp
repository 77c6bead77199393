// libFuzzer target: the input bytes as a workbook file, read through WorkbookReader as the import dialogs
// read it, .xlsx and .xls alike. Built only with -DKV_FUZZ=ON and clang++ (see README).
#include "tests/fuzz/fuzzscratch.h"

#include <QFile>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    kvfuzz::startScratch(".bin");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QFile file(kvfuzz::scratchPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
    file.close();
    kvfuzz::readScratch();
    return 0;
}

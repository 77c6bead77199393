// libFuzzer target for the .xlsx reader's XML side: the input is the package's parts separated by
// "\n#part#\n" (sheet, shared strings, styles, workbook, workbook relationships, root relationships), packed
// here into a stored zip with correct checksums, so that mutations reach the XML and are not all refused
// as damaged entries. A part left out gets a minimal valid one.
#include "tests/fuzz/fuzzscratch.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <minizip/zip.h>

#include <cstdint>
#include <cstdlib>

namespace {

struct Part {
    const char* name;
    const char* fallback;
};

const Part kParts[] = {
    {"xl/worksheets/sheet1.xml",
     "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData><row r=\"1\">"
     "<c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>1</v></c></row></sheetData></worksheet>"},
    {"xl/sharedStrings.xml",
     "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>a</t></si></sst>"},
    {"xl/styles.xml",
     "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><cellXfs>"
     "<xf numFmtId=\"0\"/></cellXfs></styleSheet>"},
    {"xl/workbook.xml",
     "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
     "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
     "<sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
    {"xl/_rels/workbook.xml.rels",
     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
     "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
     "worksheet\" Target=\"worksheets/sheet1.xml\"/>"
     "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
     "sharedStrings\" Target=\"sharedStrings.xml\"/>"
     "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
     "styles\" Target=\"styles.xml\"/></Relationships>"},
    {"_rels/.rels",
     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
     "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
     "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    kvfuzz::startScratch(".xlsx");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
    const QByteArray separator("\n#part#\n");
    QList<QByteArray> bodies;
    for (int from = 0; bodies.size() < int(std::size(kParts));) {
        const int at = input.indexOf(separator, from);
        if (at < 0) {
            bodies.append(input.mid(from));
            break;
        }
        bodies.append(input.mid(from, at - from));
        from = at + separator.size();
    }
    zipFile zip = zipOpen64(QFile::encodeName(kvfuzz::scratchPath()).constData(), APPEND_STATUS_CREATE);
    if (!zip)
        std::abort();
    for (int i = 0; i < int(std::size(kParts)); ++i) {
        const QByteArray body = i < bodies.size() ? bodies.at(i) : QByteArray(kParts[i].fallback);
        if (zipOpenNewFileInZip64(zip, kParts[i].name, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0, 1) !=
                ZIP_OK ||
            zipWriteInFileInZip(zip, body.constData(), unsigned(body.size())) != ZIP_OK ||
            zipCloseFileInZip(zip) != ZIP_OK)
            std::abort();
    }
    if (zipClose(zip, nullptr) != ZIP_OK)
        std::abort();
    kvfuzz::readScratch();
    return 0;
}

#include "tests/support/workbookfixtures.h"

#include <QDate>
#include <QDateTime>
#include <QFile>

#include <minizip/zip.h>
#include <xlsxwriter.h>

namespace kestrovalin::test {

bool writeZip(const QString& path, const ZipParts& parts, bool stored) {
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    bool ok = true;
    for (const auto& part : parts) {
        zip_fileinfo info{};
        ok = ok &&
             zipOpenNewFileInZip64(zip, part.first.toUtf8().constData(), &info, nullptr, 0, nullptr, 0,
                                   nullptr, stored ? 0 : Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0) == ZIP_OK &&
             zipWriteInFileInZip(zip, part.second.constData(), unsigned(part.second.size())) == ZIP_OK &&
             zipCloseFileInZip(zip) == ZIP_OK;
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

ZipParts handWorkbook(const QList<HandSheet>& sheets, const QByteArray& sharedStrings,
                      const QByteArray& styles, bool date1904) {
    const QByteArray xmlHead = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                               "\n";
    const QByteArray relNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    QByteArray sheetList;
    QByteArray rels;
    ZipParts parts;
    // Relationship ids deliberately run backwards, so the tab order is the only right way to find sheet 1.
    for (int i = 0; i < sheets.size(); ++i) {
        const QByteArray id = "rId" + QByteArray::number(100 - i);
        sheetList += "<sheet name=\"S" + QByteArray::number(i + 1) + "\" sheetId=\"" +
                     QByteArray::number(i + 1) + "\"" + (sheets.at(i).hidden ? " state=\"hidden\"" : "") +
                     " r:id=\"" + id + "\"/>";
        rels += "<Relationship Id=\"" + id + "\" Type=\"" + relNs + "/worksheet\" Target=\"" +
                sheets.at(i).part.toUtf8() + "\"/>";
        parts.append({QStringLiteral("xl/") + sheets.at(i).part,
                      xmlHead +
                          "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                          "<sheetData>" +
                          sheets.at(i).sheetData + "</sheetData></worksheet>"});
    }
    const QByteArray mainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    if (!sharedStrings.isEmpty()) {
        rels +=
            "<Relationship Id=\"rIdS\" Type=\"" + relNs + "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
        parts.append({QStringLiteral("xl/sharedStrings.xml"),
                      xmlHead + "<sst xmlns=\"" + mainNs + "\">" + sharedStrings + "</sst>"});
    }
    if (!styles.isEmpty()) {
        rels += "<Relationship Id=\"rIdT\" Type=\"" + relNs + "/styles\" Target=\"/xl/styles.xml\"/>";
        parts.append({QStringLiteral("xl/styles.xml"),
                      xmlHead + "<styleSheet xmlns=\"" + mainNs + "\">" + styles + "</styleSheet>"});
    }
    parts.prepend(
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         xmlHead + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
             rels + "</Relationships>"});
    parts.prepend({QStringLiteral("xl/workbook.xml"),
                   xmlHead + "<workbook xmlns=\"" + mainNs + "\" xmlns:r=\"" + relNs + "\">" +
                       (date1904 ? "<workbookPr date1904=\"1\"/>" : "<workbookPr/>") + "<sheets>" +
                       sheetList + "</sheets></workbook>"});
    parts.prepend(
        {QStringLiteral("_rels/.rels"),
         xmlHead +
             "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
             "<Relationship Id=\"rId1\" Type=\"" +
             relNs + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"});
    return parts;
}

QVariant formula(const QString& text) {
    return QVariant::fromValue(Formula{text});
}

namespace {

lxw_datetime toLxw(const QDate& date) {
    return {date.year(), date.month(), date.day(), 0, 0, 0};
}

void writeRows(lxw_workbook* workbook, lxw_worksheet* sheet, const QList<QVariantList>& rows, int firstRow) {
    lxw_format* customDate = workbook_add_format(workbook);
    format_set_num_format(customDate, "yyyy-mm-dd");
    lxw_format* builtInDate = workbook_add_format(workbook);
    format_set_num_format_index(builtInDate, 14);
    for (int r = 0; r < rows.size(); ++r) {
        const auto row = lxw_row_t(firstRow - 1 + r);
        for (int c = 0; c < rows.at(r).size(); ++c) {
            const QVariant& v = rows.at(r).at(c);
            const auto col = lxw_col_t(c);
            if (v.userType() == qMetaTypeId<Formula>()) {
                worksheet_write_formula(sheet, row, col, v.value<Formula>().text.toUtf8().constData(),
                                        nullptr);
                continue;
            }
            switch (v.type()) {
            case QVariant::Invalid:
                break;
            case QVariant::String:
                worksheet_write_string(sheet, row, col, v.toString().toUtf8().constData(), nullptr);
                break;
            case QVariant::Bool:
                worksheet_write_boolean(sheet, row, col, v.toBool(), nullptr);
                break;
            case QVariant::Date: {
                lxw_datetime when = toLxw(v.toDate());
                worksheet_write_datetime(sheet, row, col, &when, customDate);
                break;
            }
            case QVariant::DateTime: {
                lxw_datetime when = toLxw(v.toDateTime().date());
                worksheet_write_datetime(sheet, row, col, &when, builtInDate);
                break;
            }
            default:
                worksheet_write_number(sheet, row, col, v.toDouble(), nullptr);
                break;
            }
        }
    }
}

} // namespace

bool writeWorkbook(const QString& path, const QList<QVariantList>& rows, int firstRow,
                   const QList<QVariantList>& secondSheetRows) {
    lxw_workbook* workbook = workbook_new(QFile::encodeName(path).constData());
    if (!workbook)
        return false;
    writeRows(workbook, workbook_add_worksheet(workbook, nullptr), rows, firstRow);
    if (!secondSheetRows.isEmpty())
        writeRows(workbook, workbook_add_worksheet(workbook, nullptr), secondSheetRows, 1);
    return workbook_close(workbook) == LXW_NO_ERROR;
}

} // namespace kestrovalin::test

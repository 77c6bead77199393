#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

namespace kestrovalin::test {

using ZipParts = QList<QPair<QString, QByteArray>>;

// A zip archive of the given entries, deflated, or stored as they are.
bool writeZip(const QString& path, const ZipParts& parts, bool stored = false);

// One sheet of a hand-written workbook, in tab order.
struct HandSheet {
    QString part;         // e.g. "worksheets/data.xml", relative to xl/
    QByteArray sheetData; // the inside of <sheetData>
    bool hidden = false;
};

// The parts of an .xlsx around hand-written sheets; styles may be empty (no styles part).
ZipParts handWorkbook(const QList<HandSheet>& sheets, const QByteArray& sharedStrings = QByteArray(),
                      const QByteArray& styles = QByteArray(), bool date1904 = false);

// A formula cell for writeWorkbook, saved as that writer saves every formula: result 0, and the workbook
// marked to be calculated on load.
struct Formula {
    QString text; // "=K2*1.5"
};
QVariant formula(const QString& text);

// A workbook written with libxlsxwriter. Rows start at firstRow (1-based), cells at column A. QString
// gives a string, numbers a number, bool a boolean, QDate a number with the custom format "yyyy-mm-dd",
// QDateTime a number with the built-in date format 14, formula() a formula; a null QVariant leaves the
// cell out.
bool writeWorkbook(const QString& path, const QList<QVariantList>& rows, int firstRow = 1,
                   const QList<QVariantList>& secondSheetRows = {});

} // namespace kestrovalin::test

Q_DECLARE_METATYPE(kestrovalin::test::Formula)

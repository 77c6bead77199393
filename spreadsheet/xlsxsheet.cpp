// The .xlsx back end: a zip of XML parts, read with minizip and streamed through QXmlStreamReader.
#include "spreadsheet/sheetdata.h"
#include "spreadsheet/xlsxpackage.h"

#include <QDateTime>
#include <QHash>
#include <QVector>
#include <QXmlStreamReader>

#include <cmath>
#include <cstdlib>

namespace kestrovalin {

namespace {

using xlsx::isLocal;
using xlsx::Package;
using xlsx::WantedRelationships;

// Raw text gathered for one cell before its escapes are decoded: "_x000D_" is seven characters for one.
constexpr int kMaxRawCellText = SheetData::kMaxCellText * 7;

// An element of the worksheet vocabulary, transitional or strict.
bool isSheetElement(const QXmlStreamReader& xml, QLatin1String name) {
    const QStringRef ns = xml.namespaceUri();
    return xml.name() == name &&
           (ns == QLatin1String("http://schemas.openxmlformats.org/spreadsheetml/2006/main") ||
            ns == QLatin1String("http://purl.oclc.org/ooxml/spreadsheetml/main"));
}

// Namespaced attributes (r:id) are matched by their local name; the prefix differs between producers.
QString namespacedAttribute(const QXmlStreamReader& xml, QLatin1String localName) {
    for (const QXmlStreamAttribute& attribute : xml.attributes()) {
        if (attribute.name() == localName && !attribute.namespaceUri().isEmpty())
            return attribute.value().toString();
    }
    return QString();
}

// "_x000D_" stands for a carriage return, "_x005F_" for an underscore.
QString decodeEscapes(const QString& text) {
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString out;
    out.reserve(text.size());
    int i = 0;
    while (i < text.size()) {
        bool ok = false;
        if (text.at(i) == QLatin1Char('_') && i + 6 < text.size() && text.at(i + 1) == QLatin1Char('x') &&
            text.at(i + 6) == QLatin1Char('_')) {
            const ushort code = text.midRef(i + 2, 4).toUShort(&ok, 16);
            if (ok) {
                out += QChar(code);
                i += 7;
                continue;
            }
        }
        out += text.at(i++);
    }
    return out;
}

// The text of the element just started, which may hold no other: false once longer than `limit`. Unlike
// readElementText() it stops there: comments and CDATA sections split one text into runs that the guard
// bounds each, not together.
bool readBoundedText(QXmlStreamReader& xml, int limit, QString& text) {
    text.clear();
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            if (xml.text().size() > limit - text.size())
                return false;
            text += xml.text();
            break;
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            break;
        case QXmlStreamReader::EndElement:
            return true;
        default:
            if (!xml.hasError())
                xml.raiseError(QStringLiteral("Expected character data."));
            return true;
        }
    }
    return true;
}

// The text of an <si> or <is>: plain <t>, or the <t> of every rich-text run; phonetic runs (<rPh>) are a
// reading aid, not part of the value. False when it is longer than a cell may hold.
bool readRichText(QXmlStreamReader& xml, QString& text) {
    QString out;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (isLocal(xml, QLatin1String("rPh")))
                xml.skipCurrentElement();
            else if (isLocal(xml, QLatin1String("t"))) {
                QString run;
                if (!readBoundedText(xml, kMaxRawCellText - out.size(), run))
                    return false;
                out += run;
            } else {
                ++depth;
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    text = decodeEscapes(out);
    return text.size() <= SheetData::kMaxCellText;
}

// A text longer than a cell may hold: refused with a line of its own.
bool tooLong(SheetData& sheet, QString& detail) {
    sheet.refusal = SheetRefusal::CellText;
    detail = QStringLiteral("text longer than a cell may hold");
    return false;
}

// "BC12" gives column 55 and row 12; false for anything else or beyond the sheet limits.
bool parseCellReference(const QStringRef& ref, int& column, int& row) {
    int i = 0;
    qint64 col = 0;
    while (i < ref.size() && ref.at(i).isLetter() && i < 4) {
        const ushort c = ref.at(i).toUpper().unicode();
        if (c < 'A' || c > 'Z')
            return false;
        col = col * 26 + (c - 'A' + 1);
        ++i;
    }
    bool ok = false;
    const qint64 r = ref.mid(i).toLongLong(&ok);
    if (i == 0 || !ok || r < 1 || r > SheetData::kMaxRows || col > SheetData::kMaxColumns)
        return false;
    column = int(col);
    row = int(r);
    return true;
}

// "0"/"false" and "1"/"true" in any case; anything else is no boolean a spreadsheet could have saved.
CellValue readBool(const QString& text) {
    const QString word = text.trimmed().toLower();
    if (word == QLatin1String("1") || word == QLatin1String("true"))
        return CellValue::makeBool(true);
    if (word == QLatin1String("0") || word == QLatin1String("false"))
        return CellValue::makeBool(false);
    return CellValue::makeError(QStringLiteral("#VALUE!"));
}

// Infinities, NaNs and overflowing numbers in the spellings QString::toDouble() refuses ("Infinity",
// "1e999"): no cell can hold them.
bool spellsNonFinite(const QString& text) {
    const QByteArray bytes = text.trimmed().toLatin1();
    if (bytes.isEmpty())
        return false;
    char* end = nullptr;
    const double number = std::strtod(bytes.constData(), &end);
    return end == bytes.constData() + bytes.size() && !std::isfinite(number);
}

struct Workbook {
    QString sheetPart;
    QString sharedStringsPart;
    QString stylesPart;
    bool date1904 = false;
    // The writer asks for every formula to be calculated on load: it saved placeholders, not results.
    bool recalculateOnLoad = false;
    // The package holds no workbook part: another program's zip (a document, an archive) named .xlsx.
    bool missing = false;
};

struct CellRaw {
    QString type;
    int style = 0;
    QString value;
    QString inlineText;
    bool hasValue = false;
    bool hasInline = false;
    bool hasFormula = false;
};

class SheetParser {
public:
    SheetParser(SheetData& sheet, Progress& progress, const QVector<QString>& strings,
                const QVector<bool>& dateStyles, const Workbook& workbook)
        : m_sheet(sheet), m_progress(progress), m_strings(strings), m_dateStyles(dateStyles),
          m_date1904(workbook.date1904), m_recalculateOnLoad(workbook.recalculateOnLoad) {}

    // Starts on the root element. Cells count only as rows of the sheetData; the same names inside
    // extensions or another namespace are something else.
    bool run(QXmlStreamReader& xml, QString& detail) {
        while (xml.readNextStartElement()) {
            if (isSheetElement(xml, QLatin1String("sheetData"))) {
                if (!readRows(xml, detail))
                    return false;
            } else {
                xml.skipCurrentElement();
            }
        }
        return true;
    }

private:
    bool readRows(QXmlStreamReader& xml, QString& detail) {
        int row = 0;
        while (xml.readNextStartElement()) {
            if (!isSheetElement(xml, QLatin1String("row"))) {
                xml.skipCurrentElement();
                continue;
            }
            const QXmlStreamAttributes attributes = xml.attributes();
            const QStringRef r = attributes.value(QLatin1String("r"));
            bool ok = true;
            row = r.isEmpty() ? row + 1 : r.toInt(&ok);
            if (!ok || row < 1 || row > SheetData::kMaxRows) {
                detail = QStringLiteral("row number out of range: ") + r.toString();
                return false;
            }
            m_progress.step();
            if (!readRow(xml, row, detail))
                return false;
        }
        return true;
    }

    bool readRow(QXmlStreamReader& xml, int row, QString& detail) {
        int nextColumn = 1;
        while (xml.readNextStartElement()) {
            if (!isSheetElement(xml, QLatin1String("c"))) {
                xml.skipCurrentElement();
                continue;
            }
            // Attribute values are references into the attribute list, which must outlive them.
            const QXmlStreamAttributes attributes = xml.attributes();
            int column = nextColumn;
            int cellRow = row;
            const QStringRef ref = attributes.value(QLatin1String("r"));
            if (!ref.isEmpty() && !parseCellReference(ref, column, cellRow)) {
                detail = QStringLiteral("bad cell reference: ") + ref.toString();
                return false;
            }
            if (column > SheetData::kMaxColumns) {
                detail = QStringLiteral("column beyond the sheet");
                return false;
            }
            nextColumn = column + 1;
            m_progress.step();
            CellValue value;
            if (!readCell(xml, attributes, value, detail))
                return false;
            m_sheet.put(cellRow, column, value);
            if (m_sheet.hasOverlongText())
                return tooLong(m_sheet, detail);
        }
        return true;
    }

    bool readCell(QXmlStreamReader& xml, const QXmlStreamAttributes& attributes, CellValue& value,
                  QString& detail) {
        CellRaw raw;
        raw.type = attributes.value(QLatin1String("t")).toString();
        raw.style = attributes.value(QLatin1String("s")).toInt();
        while (!xml.atEnd()) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::EndElement)
                break;
            if (token != QXmlStreamReader::StartElement)
                continue;
            if (isSheetElement(xml, QLatin1String("v"))) {
                if (!readBoundedText(xml, kMaxRawCellText, raw.value))
                    return tooLong(m_sheet, detail);
                raw.hasValue = true;
            } else if (isSheetElement(xml, QLatin1String("is"))) {
                if (!readRichText(xml, raw.inlineText))
                    return tooLong(m_sheet, detail);
                raw.hasInline = true;
            } else {
                raw.hasFormula = raw.hasFormula || isSheetElement(xml, QLatin1String("f"));
                xml.skipCurrentElement(); // formula text, extensions
            }
        }
        if (!convert(raw, value, detail))
            return false;
        if (raw.hasFormula)
            value = CellValue::formulaResult(value);
        return true;
    }

    bool convert(const CellRaw& raw, CellValue& value, QString& detail) const {
        if (raw.type == QLatin1String("inlineStr")) {
            value = CellValue::makeText(raw.inlineText);
            return true;
        }
        // Written by a tool that cannot calculate: what the cell shows is unknown. An empty text result
        // (t="str" with an empty value) is told apart by the caller.
        if (raw.hasFormula && (m_recalculateOnLoad || !raw.hasValue ||
                               (raw.value.isEmpty() && raw.type != QLatin1String("str")))) {
            value = CellValue::makeNoResult();
            return true;
        }
        if (!raw.hasValue)
            return true; // a formatted blank
        if (raw.type == QLatin1String("s")) {
            bool ok = false;
            const int index = raw.value.toInt(&ok);
            if (!ok || index < 0 || index >= m_strings.size()) {
                detail = QStringLiteral("shared string index out of range: ") + raw.value;
                return false;
            }
            value = CellValue::makeText(m_strings.at(index));
        } else if (raw.type == QLatin1String("str")) {
            value = CellValue::makeText(decodeEscapes(raw.value));
        } else if (raw.type == QLatin1String("b")) {
            value = readBool(raw.value);
        } else if (raw.type == QLatin1String("e")) {
            value = CellValue::makeError(raw.value.trimmed());
        } else if (raw.type == QLatin1String("d")) {
            const QDateTime when = QDateTime::fromString(raw.value.trimmed(), Qt::ISODate);
            value = when.isValid() ? CellValue::makeDate(when.date(), when.time())
                                   : CellValue::makeText(raw.value);
        } else {
            bool ok = false;
            const double number = raw.value.toDouble(&ok);
            if (ok && std::isfinite(number)) {
                value = m_dateStyles.value(raw.style, false) ? CellValue::fromSerial(number, m_date1904)
                                                             : CellValue::makeNumber(number);
            } else {
                // Read but not finite, or not read at all.
                value = ok || spellsNonFinite(raw.value) ? CellValue::makeError(QStringLiteral("#NUM!"))
                                                         : CellValue::makeText(raw.value);
            }
        }
        return true;
    }

    SheetData& m_sheet;
    Progress& m_progress;
    const QVector<QString>& m_strings;
    const QVector<bool>& m_dateStyles;
    bool m_date1904;
    bool m_recalculateOnLoad;
};

// Only the first sheet is wanted, but all are looked at: their number is bounded as the parts are.
SheetStatus readWorkbook(Package& package, Workbook& workbook, QString& detail) {
    WantedRelationships root;
    root.typeSuffixes = {QLatin1String("/officeDocument")};
    if (!package.relationships(QString(), root, detail))
        return SheetStatus::Unreadable;
    QString workbookPart = root.typeTargets.at(0);
    if (workbookPart.isEmpty())
        workbookPart = QStringLiteral("xl/workbook.xml");
    if (!package.contains(workbookPart)) {
        detail = QStringLiteral("no workbook part (%1)").arg(workbookPart);
        workbook.missing = true;
        return SheetStatus::Unreadable;
    }
    QString sheetId;
    int sheets = 0;
    const bool parsed = package.parse(
        workbookPart,
        [&](QXmlStreamReader& xml, QString& why) {
            // A word processor's document part, say, where the workbook part belongs.
            if (!isLocal(xml, QLatin1String("workbook"))) {
                workbook.missing = true;
                why = QStringLiteral("root element %1 is no workbook").arg(xml.name());
                return false;
            }
            while (!xml.atEnd()) {
                if (xml.readNext() != QXmlStreamReader::StartElement)
                    continue;
                if (isLocal(xml, QLatin1String("workbookPr"))) {
                    const QXmlStreamAttributes attributes = xml.attributes();
                    const QStringRef flag = attributes.value(QLatin1String("date1904"));
                    workbook.date1904 = flag == QLatin1String("1") || flag == QLatin1String("true");
                } else if (isLocal(xml, QLatin1String("calcPr"))) {
                    const QXmlStreamAttributes attributes = xml.attributes();
                    const QStringRef flag = attributes.value(QLatin1String("fullCalcOnLoad"));
                    workbook.recalculateOnLoad = flag == QLatin1String("1") || flag == QLatin1String("true");
                } else if (isLocal(xml, QLatin1String("sheet"))) {
                    if (++sheets > Package::kMaxEntries) {
                        why = QStringLiteral("more sheets than a package may have parts");
                        return false;
                    }
                    if (sheets == 1)
                        sheetId = namespacedAttribute(xml, QLatin1String("id"));
                    package.progress().step();
                }
            }
            return true;
        },
        detail);
    if (!parsed)
        return SheetStatus::Unreadable;
    if (sheets == 0) {
        detail = QStringLiteral("workbook lists no sheet");
        return SheetStatus::NoSheet;
    }
    WantedRelationships rels;
    rels.id = sheetId;
    rels.typeSuffixes = {QLatin1String("/sharedStrings"), QLatin1String("/styles")};
    if (!package.relationships(workbookPart, rels, detail))
        return SheetStatus::Unreadable;
    if (sheetId.isEmpty() || rels.idTarget.isEmpty() || !package.contains(rels.idTarget)) {
        detail = QStringLiteral("first sheet's part not found (relationship %1)").arg(sheetId);
        return SheetStatus::Unreadable;
    }
    workbook.sheetPart = rels.idTarget;
    workbook.sharedStringsPart = rels.typeTargets.at(0);
    workbook.stylesPart = rels.typeTargets.at(1);
    return SheetStatus::Ok;
}

bool readSharedStrings(Package& package, const QString& part, QVector<QString>& strings, SheetData& sheet,
                       QString& detail) {
    if (part.isEmpty() || !package.contains(part))
        return true;
    return package.parse(
        part,
        [&](QXmlStreamReader& xml, QString& why) {
            while (!xml.atEnd()) {
                if (xml.readNext() != QXmlStreamReader::StartElement || !isLocal(xml, QLatin1String("si")))
                    continue;
                if (strings.size() == SheetData::kMaxSharedStrings) {
                    sheet.refusal = SheetRefusal::StringTable;
                    why = QStringLiteral("more than %1 shared strings").arg(SheetData::kMaxSharedStrings);
                    return false;
                }
                QString text;
                if (!readRichText(xml, text))
                    return tooLong(sheet, why);
                strings.append(text);
                package.progress().step();
            }
            return true;
        },
        detail);
}

// One flag per cell format (the s of a cell): does it show dates? Each number format is decided once,
// however many cell formats use it.
bool readDateStyles(Package& package, const QString& part, QVector<bool>& dateStyles, QString& detail) {
    if (part.isEmpty() || !package.contains(part))
        return true;
    return package.parse(
        part,
        [&](QXmlStreamReader& xml, QString& why) {
            QHash<int, bool> customIsDate;
            int customFormats = 0;
            // Number formats elsewhere (those of conditional formats) are not the cells' own.
            enum class List { None, NumberFormats, CellFormats } open = List::None;
            while (!xml.atEnd()) {
                const auto token = xml.readNext();
                if (token == QXmlStreamReader::EndElement &&
                    (isLocal(xml, QLatin1String("numFmts")) || isLocal(xml, QLatin1String("cellXfs"))))
                    open = List::None;
                if (token != QXmlStreamReader::StartElement)
                    continue;
                if (isLocal(xml, QLatin1String("numFmts"))) {
                    open = List::NumberFormats;
                    continue;
                }
                if (isLocal(xml, QLatin1String("cellXfs"))) {
                    open = List::CellFormats;
                    continue;
                }
                const auto a = xml.attributes();
                if (open == List::NumberFormats && isLocal(xml, QLatin1String("numFmt"))) {
                    const QStringRef code = a.value(QLatin1String("formatCode"));
                    if (++customFormats > SheetData::kMaxNumberFormats) {
                        why = QStringLiteral("more than %1 number formats").arg(SheetData::kMaxNumberFormats);
                        return false;
                    }
                    if (code.size() > SheetData::kMaxFormatCode) {
                        why = QStringLiteral("number format code longer than %1")
                                  .arg(SheetData::kMaxFormatCode);
                        return false;
                    }
                    customIsDate.insert(a.value(QLatin1String("numFmtId")).toInt(),
                                        isDateFormatCode(code.toString()));
                } else if (open == List::CellFormats && isLocal(xml, QLatin1String("xf"))) {
                    if (dateStyles.size() == SheetData::kMaxCellFormats) {
                        why = QStringLiteral("more than %1 cell formats").arg(SheetData::kMaxCellFormats);
                        return false;
                    }
                    const int id = a.value(QLatin1String("numFmtId")).toInt();
                    const auto custom = customIsDate.constFind(id);
                    dateStyles.append(custom != customIsDate.constEnd() ? *custom : isBuiltInDateFormat(id));
                } else {
                    continue;
                }
                package.progress().step();
            }
            return true;
        },
        detail);
}

SheetStatus failed(const Package& package, SheetData& sheet) {
    if (sheet.refusal == SheetRefusal::None)
        sheet.refusal = package.refusal();
    return package.metEncryption() ? SheetStatus::Encrypted : SheetStatus::Unreadable;
}

} // namespace

SheetStatus readXlsxFirstSheet(const QString& path, SheetData& sheet, QString& detail) {
    Progress progress(sheet.progress, xlsx::kProgressEvery);
    Package package(path, progress);
    if (!package.open(detail))
        return failed(package, sheet);
    Workbook workbook;
    const SheetStatus status = readWorkbook(package, workbook, detail);
    if (workbook.missing)
        sheet.refusal = SheetRefusal::NoWorkbook;
    if (status != SheetStatus::Ok)
        return status == SheetStatus::Unreadable ? failed(package, sheet) : status;
    QVector<QString> strings;
    QVector<bool> dateStyles;
    if (!readDateStyles(package, workbook.stylesPart, dateStyles, detail) ||
        !readSharedStrings(package, workbook.sharedStringsPart, strings, sheet, detail))
        return failed(package, sheet);
    SheetParser parser(sheet, progress, strings, dateStyles, workbook);
    const bool ok = package.parse(
        workbook.sheetPart, [&](QXmlStreamReader& xml, QString& why) { return parser.run(xml, why); },
        detail);
    return ok ? SheetStatus::Ok : failed(package, sheet);
}

} // namespace kestrovalin

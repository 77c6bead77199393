// The .xlsx back end: a zip of XML parts, read with minizip and streamed through QXmlStreamReader.
#include "spreadsheet/sheetdata.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QUrl>
#include <QVector>
#include <QXmlStreamReader>

#include <minizip/unzip.h>

#include <functional>

namespace kestrovalin {

namespace {

// No part of a sane workbook comes near this once unpacked; a bigger one is a zip bomb or worse.
constexpr quint64 kMaxPartBytes = 256ull * 1024 * 1024;
constexpr int kProgressEveryRows = 512;

bool isLocal(const QXmlStreamReader& xml, QLatin1String name) {
    return xml.name() == name;
}

// Namespaced attributes (r:id) are matched by their local name; the prefix differs between producers.
QString namespacedAttribute(const QXmlStreamReader& xml, QLatin1String localName) {
    for (const QXmlStreamAttribute& attribute : xml.attributes()) {
        if (attribute.name() == localName && !attribute.namespaceUri().isEmpty())
            return attribute.value().toString();
    }
    return QString();
}

// One zip entry as a sequential device, cut off once it unpacks to more than the limit.
class ZipEntry : public QIODevice {
public:
    explicit ZipEntry(unzFile zip) : m_zip(zip) {}
    ~ZipEntry() override {
        if (m_entryOpen)
            unzCloseCurrentFile(m_zip);
    }

    // The archive must be positioned on the entry.
    bool start(QString& detail) {
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(m_zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
            detail = QStringLiteral("zip entry header unreadable");
            return false;
        }
        if (info.flag & 1u) {
            detail = QStringLiteral("zip entry is encrypted");
            return false;
        }
        if (info.uncompressed_size > kMaxPartBytes) {
            detail = QStringLiteral("zip entry too large: %1 bytes").arg(info.uncompressed_size);
            return false;
        }
        if (unzOpenCurrentFile(m_zip) != UNZ_OK) {
            detail = QStringLiteral("zip entry cannot be opened");
            return false;
        }
        m_entryOpen = true;
        return QIODevice::open(QIODevice::ReadOnly);
    }

    bool isSequential() const override { return true; }
    bool failed() const { return m_failed; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (m_failed)
            return -1;
        // QIODevice asks for 0 bytes now and then; only a real end of the entry is the end.
        if (m_ended || maxSize <= 0)
            return 0;
        const int n = unzReadCurrentFile(m_zip, data, unsigned(qMin<qint64>(maxSize, 1 << 20)));
        if (n < 0) {
            m_failed = true;
            return -1;
        }
        m_total += quint64(n);
        if (m_total > kMaxPartBytes) {
            m_failed = true;
            return -1;
        }
        m_ended = n == 0;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    unzFile m_zip;
    bool m_entryOpen = false;
    bool m_failed = false;
    bool m_ended = false;
    quint64 m_total = 0;
};

struct Relationship {
    QString type;
    QString target;
};
using Relationships = QHash<QString, Relationship>;

// Reads the parts of one open archive. Every failure leaves its reason in `detail`.
class Package {
public:
    explicit Package(const QString& path) : m_zip(unzOpen64(QFile::encodeName(path).constData())) {}
    ~Package() {
        if (m_zip)
            unzClose(m_zip);
    }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    bool isOpen() const { return m_zip != nullptr; }
    // Part names are compared without regard to case, as the packaging rules say.
    bool contains(const QString& part) {
        return unzLocateFile(m_zip, part.toUtf8().constData(), 2) == UNZ_OK;
    }

    // Streams the part to `body`, which starts on the root element. A DTD anywhere before it is refused:
    // nothing in a workbook needs one, and entity tricks start there.
    bool parse(const QString& part, const std::function<bool(QXmlStreamReader&)>& body, QString& detail) {
        if (!contains(part)) {
            detail = QStringLiteral("missing part ") + part;
            return false;
        }
        ZipEntry entry(m_zip);
        if (!entry.start(detail)) {
            detail = part + QStringLiteral(": ") + detail;
            return false;
        }
        QXmlStreamReader xml(&entry);
        while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::StartElement) {
            if (xml.tokenType() == QXmlStreamReader::DTD) {
                detail = part + QStringLiteral(": document type declaration refused");
                return false;
            }
        }
        const bool ok = !xml.hasError() && xml.tokenType() == QXmlStreamReader::StartElement && body(xml);
        if (entry.failed()) {
            detail = part + QStringLiteral(": unpacking failed or too large");
            return false;
        }
        if (xml.hasError()) {
            detail = part + QStringLiteral(": ") + xml.errorString();
            return false;
        }
        if (!ok && detail.isEmpty())
            detail = part + QStringLiteral(": unexpected content");
        return ok;
    }

    // A part without relationships has none; a relationships part that cannot be read is a failure.
    bool relationships(const QString& part, Relationships& rels, QString& detail) {
        const QString relsPart = relsPathFor(part);
        if (!contains(relsPart))
            return true;
        return parse(
            relsPart,
            [&](QXmlStreamReader& xml) {
                while (!xml.atEnd()) {
                    if (xml.readNext() == QXmlStreamReader::StartElement &&
                        isLocal(xml, QLatin1String("Relationship"))) {
                        const auto a = xml.attributes();
                        if (a.value(QLatin1String("TargetMode")) == QLatin1String("External"))
                            continue;
                        rels.insert(a.value(QLatin1String("Id")).toString(),
                                    {a.value(QLatin1String("Type")).toString(),
                                     resolve(part, a.value(QLatin1String("Target")).toString())});
                    }
                }
                return true;
            },
            detail);
    }

    static QString relsPathFor(const QString& part) {
        const int slash = part.lastIndexOf(QLatin1Char('/'));
        return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) +
               QStringLiteral(".rels");
    }

    // Targets are relative to the source part's folder, or absolute from the package root.
    static QString resolve(const QString& sourcePart, const QString& target) {
        QString t = QUrl::fromPercentEncoding(target.toUtf8());
        t.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (t.startsWith(QLatin1Char('/')))
            return QDir::cleanPath(t.mid(1));
        return QDir::cleanPath(sourcePart.left(sourcePart.lastIndexOf(QLatin1Char('/')) + 1) + t);
    }

private:
    unzFile m_zip;
};

QString firstOfType(const Relationships& rels, QLatin1String typeSuffix) {
    for (const Relationship& rel : rels) {
        if (rel.type.endsWith(typeSuffix))
            return rel.target;
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

// The text of an <si> or <is>: plain <t>, or the <t> of every rich-text run; phonetic runs (<rPh>) are a
// reading aid, not part of the value.
QString readRichText(QXmlStreamReader& xml) {
    QString out;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (isLocal(xml, QLatin1String("rPh")))
                xml.skipCurrentElement();
            else if (isLocal(xml, QLatin1String("t")))
                out += xml.readElementText();
            else
                ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return decodeEscapes(out);
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

struct Workbook {
    QString sheetPart;
    QString sharedStringsPart;
    QString stylesPart;
    bool date1904 = false;
};

struct CellRaw {
    QString type;
    int style = 0;
    QString value;
    QString inlineText;
    bool hasValue = false;
    bool hasInline = false;
};

class SheetParser {
public:
    SheetParser(SheetData& sheet, const QStringList& strings, const QVector<bool>& dateStyles, bool date1904)
        : m_sheet(sheet), m_strings(strings), m_dateStyles(dateStyles), m_date1904(date1904) {}

    bool run(QXmlStreamReader& xml, QString& detail) {
        int row = 0;
        int nextColumn = 1;
        int rowsSeen = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            // Attribute values are references into the attribute list, which must outlive them.
            const QXmlStreamAttributes attributes = xml.attributes();
            if (isLocal(xml, QLatin1String("row"))) {
                const QStringRef r = attributes.value(QLatin1String("r"));
                bool ok = true;
                row = r.isEmpty() ? row + 1 : r.toInt(&ok);
                if (!ok || row < 1 || row > SheetData::kMaxRows) {
                    detail = QStringLiteral("row number out of range: ") + r.toString();
                    return false;
                }
                nextColumn = 1;
                if (++rowsSeen % kProgressEveryRows == 0 && m_sheet.progress)
                    m_sheet.progress();
            } else if (isLocal(xml, QLatin1String("c"))) {
                int column = nextColumn;
                int cellRow = qMax(row, 1);
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
                CellValue value;
                if (!readCell(xml, attributes, value, detail))
                    return false;
                m_sheet.put(cellRow, column, value);
            }
        }
        return true;
    }

private:
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
            if (isLocal(xml, QLatin1String("v"))) {
                raw.value = xml.readElementText();
                raw.hasValue = true;
            } else if (isLocal(xml, QLatin1String("is"))) {
                raw.inlineText = readRichText(xml);
                raw.hasInline = true;
            } else {
                xml.skipCurrentElement(); // formula text, extensions
            }
        }
        return convert(raw, value, detail);
    }

    bool convert(const CellRaw& raw, CellValue& value, QString& detail) const {
        if (raw.type == QLatin1String("inlineStr")) {
            value = CellValue::makeText(raw.inlineText);
            return true;
        }
        if (!raw.hasValue)
            return true; // a formatted blank, or a formula never calculated
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
            value = CellValue::makeBool(raw.value.trimmed() != QLatin1String("0"));
        } else if (raw.type == QLatin1String("e")) {
            value = CellValue::makeError(raw.value.trimmed());
        } else if (raw.type == QLatin1String("d")) {
            const QDateTime when = QDateTime::fromString(raw.value.trimmed(), Qt::ISODate);
            value = when.isValid() ? CellValue::makeDate(when.date(), when.time())
                                   : CellValue::makeText(raw.value);
        } else {
            bool ok = false;
            const double number = raw.value.toDouble(&ok);
            if (!ok)
                value = CellValue::makeText(raw.value);
            else if (m_dateStyles.value(raw.style, false))
                value = CellValue::fromSerial(number, m_date1904);
            else
                value = CellValue::makeNumber(number);
        }
        return true;
    }

    SheetData& m_sheet;
    const QStringList& m_strings;
    const QVector<bool>& m_dateStyles;
    bool m_date1904;
};

SheetStatus readWorkbook(Package& package, Workbook& workbook, QString& detail) {
    Relationships rootRels;
    if (!package.relationships(QString(), rootRels, detail))
        return SheetStatus::Unreadable;
    QString workbookPart = firstOfType(rootRels, QLatin1String("/officeDocument"));
    if (workbookPart.isEmpty())
        workbookPart = QStringLiteral("xl/workbook.xml");
    QString sheetId;
    bool sawSheet = false;
    const bool parsed = package.parse(
        workbookPart,
        [&](QXmlStreamReader& xml) {
            while (!xml.atEnd()) {
                if (xml.readNext() != QXmlStreamReader::StartElement)
                    continue;
                if (isLocal(xml, QLatin1String("workbookPr"))) {
                    const QXmlStreamAttributes attributes = xml.attributes();
                    const QStringRef flag = attributes.value(QLatin1String("date1904"));
                    workbook.date1904 = flag == QLatin1String("1") || flag == QLatin1String("true");
                } else if (isLocal(xml, QLatin1String("sheet")) && !sawSheet) {
                    sawSheet = true;
                    sheetId = namespacedAttribute(xml, QLatin1String("id"));
                }
            }
            return true;
        },
        detail);
    if (!parsed)
        return SheetStatus::Unreadable;
    if (!sawSheet) {
        detail = QStringLiteral("workbook lists no sheet");
        return SheetStatus::NoSheet;
    }
    Relationships rels;
    if (!package.relationships(workbookPart, rels, detail))
        return SheetStatus::Unreadable;
    const auto sheetRel = rels.constFind(sheetId);
    if (sheetRel == rels.constEnd() || !package.contains(sheetRel->target)) {
        detail = QStringLiteral("first sheet's part not found (relationship %1)").arg(sheetId);
        return SheetStatus::Unreadable;
    }
    workbook.sheetPart = sheetRel->target;
    workbook.sharedStringsPart = firstOfType(rels, QLatin1String("/sharedStrings"));
    workbook.stylesPart = firstOfType(rels, QLatin1String("/styles"));
    return SheetStatus::Ok;
}

bool readSharedStrings(Package& package, const QString& part, QStringList& strings, QString& detail) {
    if (part.isEmpty() || !package.contains(part))
        return true;
    return package.parse(
        part,
        [&](QXmlStreamReader& xml) {
            while (!xml.atEnd()) {
                if (xml.readNext() == QXmlStreamReader::StartElement && isLocal(xml, QLatin1String("si")))
                    strings.append(readRichText(xml));
            }
            return true;
        },
        detail);
}

// One flag per cell format (the s of a cell): does it show dates?
bool readDateStyles(Package& package, const QString& part, QVector<bool>& dateStyles, QString& detail) {
    if (part.isEmpty() || !package.contains(part))
        return true;
    return package.parse(
        part,
        [&](QXmlStreamReader& xml) {
            QHash<int, QString> customFormats;
            bool inCellFormats = false;
            while (!xml.atEnd()) {
                const auto token = xml.readNext();
                if (token == QXmlStreamReader::EndElement && isLocal(xml, QLatin1String("cellXfs")))
                    inCellFormats = false;
                if (token != QXmlStreamReader::StartElement)
                    continue;
                const auto a = xml.attributes();
                if (isLocal(xml, QLatin1String("numFmt"))) {
                    customFormats.insert(a.value(QLatin1String("numFmtId")).toInt(),
                                         a.value(QLatin1String("formatCode")).toString());
                } else if (isLocal(xml, QLatin1String("cellXfs"))) {
                    inCellFormats = true;
                } else if (inCellFormats && isLocal(xml, QLatin1String("xf"))) {
                    const int id = a.value(QLatin1String("numFmtId")).toInt();
                    const auto custom = customFormats.constFind(id);
                    dateStyles.append(custom != customFormats.constEnd() ? isDateFormatCode(*custom)
                                                                         : isBuiltInDateFormat(id));
                }
            }
            return true;
        },
        detail);
}

} // namespace

SheetStatus readXlsxFirstSheet(const QString& path, SheetData& sheet, QString& detail) {
    Package package(path);
    if (!package.isOpen()) {
        detail = QStringLiteral("not a readable zip archive");
        return SheetStatus::Unreadable;
    }
    Workbook workbook;
    const SheetStatus status = readWorkbook(package, workbook, detail);
    if (status != SheetStatus::Ok)
        return status;
    QStringList strings;
    QVector<bool> dateStyles;
    if (!readDateStyles(package, workbook.stylesPart, dateStyles, detail) ||
        !readSharedStrings(package, workbook.sharedStringsPart, strings, detail))
        return SheetStatus::Unreadable;
    SheetParser parser(sheet, strings, dateStyles, workbook.date1904);
    QString sheetDetail;
    const bool ok = package.parse(
        workbook.sheetPart, [&](QXmlStreamReader& xml) { return parser.run(xml, sheetDetail); }, detail);
    if (!sheetDetail.isEmpty())
        detail = workbook.sheetPart + QStringLiteral(": ") + sheetDetail;
    return ok ? SheetStatus::Ok : SheetStatus::Unreadable;
}

} // namespace kestrovalin

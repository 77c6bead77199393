#include "spreadsheet/compoundfile.h"
#include "spreadsheet/templatewriter.h"
#include "spreadsheet/workbookreader.h"
#include "tests/support/peakmemory.h"
#include "tests/support/testmain.h"
#include "tests/support/workbookfixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <minizip/unzip.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

using namespace kestrovalin;
using namespace kestrovalin::test;

Q_DECLARE_METATYPE(ZipParts)

namespace {

// Kind and text in one value, so a failure shows both.
QString describe(const CellValue& cell) {
    static const char* const kinds[] = {"Empty", "Text",  "Number",   "Bool",
                                        "Date",  "Error", "NoResult", "EmptyResult"};
    return QString::fromLatin1(kinds[int(cell.kind)]) + QLatin1Char(':') + cell.toText();
}

// "C7" as (row, column).
QPair<int, int> at(const QString& ref) {
    int column = 0;
    int i = 0;
    for (; ref.at(i).isLetter(); ++i)
        column = column * 26 + (ref.at(i).unicode() - 'A' + 1);
    return {ref.mid(i).toInt(), column};
}

QString corpus(const QString& name = QString()) {
    return QStringLiteral(KV_TEST_DATA "/corpus/") + name;
}

// The peak resident memory of this process in kB, and a fresh start for it (Linux); -1 where not known.
qint64 peakKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).simplified().split(' ').first().toLongLong();
    }
    return -1;
}

bool restartPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

QString cellAt(const WorkbookReader& reader, const QString& ref) {
    const auto rc = at(ref);
    return describe(reader.cell(rc.first, rc.second));
}

// Hand-written parts: shared strings with a rich run and a phonetic run, escapes, inline strings, formulas,
// booleans, errors, cells without a reference, and date formats from the styles.
const QByteArray kSharedStrings =
    "<si><t>阿莫西林</t></si>"
    "<si><r><rPr><b/></rPr><t>布洛芬</t></r><r><t xml:space=\"preserve\"> 缓释</t></r>"
    "<rPh sb=\"0\" eb=\"3\"><t>ブロフェン</t></rPh><phoneticPr fontId=\"1\"/></si>"
    "<si><t>第一行_x000D_第二行_x005F_x0041_</t></si>"
    "<si><t xml:space=\"preserve\">  两端空格  </t></si>"
    "<si><t></t></si>";

const QByteArray kStyles =
    "<numFmts count=\"4\"><numFmt numFmtId=\"164\" formatCode=\"yyyy/m/d\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"0.0&quot;d&quot;\"/>"
    "<numFmt numFmtId=\"166\" formatCode=\"[Red]0.00\"/>"
    "<numFmt numFmtId=\"167\" "
    "formatCode=\"[$-804]yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;\"/></numFmts>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"14\"/></cellStyleXfs>"
    "<cellXfs count=\"7\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/>"
    "<xf numFmtId=\"165\"/><xf numFmtId=\"166\"/><xf numFmtId=\"31\"/><xf numFmtId=\"167\"/></cellXfs>";

const QByteArray kValueRows =
    "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
    "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>3</v></c><c r=\"E1\" t=\"s\"><v>4</v></c></row>"
    "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>内联</t></is></c>"
    "<c r=\"B2\" t=\"inlineStr\"><is><r><t>富</t></r><r><t>文本</t></r></is></c>"
    "<c r=\"C2\" t=\"str\"><f>A2&amp;\"x\"</f><v>内联x</v></c><c r=\"D2\"><f>1+1</f></c>"
    "<c r=\"E2\" t=\"b\"><v>1</v></c><c r=\"F2\" t=\"b\"><v>0</v></c><c r=\"G2\" "
    "t=\"e\"><v>#N/A</v></c></row>"
    "<row r=\"3\"><c r=\"A3\"><v>6901234567890</v></c><c r=\"B3\"><v>12.5</v></c><c r=\"C3\"><v>0.1</v></c>"
    "<c r=\"D3\"><v>6.901234567890E+12</v></c><c r=\"E3\"><v>-3</v></c></row>"
    "<row r=\"4\"><c><v>1</v></c><c><v>2</v></c><c r=\"E4\"><v>5</v></c><c><v>6</v></c></row>"
    "<row><c r=\"A5\" s=\"1\"><v>46387</v></c><c r=\"B5\" s=\"2\"><v>46023</v></c>"
    "<c r=\"C5\" s=\"3\"><v>7</v></c><c r=\"D5\" s=\"4\"><v>8</v></c><c r=\"E5\" s=\"5\"><v>46024.5</v></c>"
    "<c r=\"F5\" s=\"6\"><v>46025</v></c><c r=\"G5\" s=\"1\"/></row>"
    "<row r=\"6\"><c r=\"A6\" s=\"1\"><v>60</v></c><c r=\"B6\" s=\"1\"><v>59</v></c><c r=\"C6\" s=\"1\">"
    "<v>61</v></c><c r=\"D6\" s=\"1\"><v>1</v></c><c r=\"E6\" s=\"1\"><v>46386.99999999</v></c></row>";

// The sheet part of a hand-written workbook with its XML changed.
ZipParts withSheet(const QByteArray& sheetData, const std::function<void(QByteArray&)>& change = {}) {
    ZipParts parts = handWorkbook({{"worksheets/s.xml", sheetData}});
    for (auto& part : parts) {
        if (part.first == "xl/worksheets/s.xml" && change)
            change(part.second);
    }
    return parts;
}

// The workbook's relationships with more of them.
ZipParts withRelationships(ZipParts parts, const QByteArray& more) {
    for (auto& part : parts) {
        if (part.first == "xl/_rels/workbook.xml.rels")
            part.second.replace("</Relationships>", more + "</Relationships>");
    }
    return parts;
}

// Changes the bytes of a zip's entry in place: `edit` gets the file and the offsets of the entry's local
// and central headers.
bool patchEntry(const QString& path, const QByteArray& entry,
                const std::function<void(QByteArray&, int, int)>& edit) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = f.readAll();
    const QByteArray signature("PK\x01\x02", 4);
    int at = -1;
    for (int i = bytes.indexOf(signature); i >= 0 && at < 0; i = bytes.indexOf(signature, i + 4)) {
        if (bytes.mid(i + 46, entry.size()) == entry)
            at = i;
    }
    if (at < 0)
        return false;
    const int local = qFromLittleEndian<qint32>(bytes.constData() + at + 42);
    edit(bytes, local, at);
    f.seek(0);
    return f.write(bytes) == bytes.size();
}

// Flips the lowest bit of the 32-bit field at `offset`.
void flipBit(QByteArray& bytes, int offset) {
    bytes[offset] = char(bytes.at(offset) ^ 1);
}

// --- Legacy workbooks put together in the test, record by record, in a compound document of 4096-byte
// sectors; big enough for the bounds, never committed.

QByteArray le16(int value) {
    QByteArray bytes(2, '\0');
    qToLittleEndian<quint16>(quint16(value), bytes.data());
    return bytes;
}

QByteArray le32(quint32 value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian<quint32>(value, bytes.data());
    return bytes;
}

QByteArray biffRecord(int type, const QByteArray& payload) {
    return le16(type) + le16(payload.size()) + payload;
}

constexpr int kBiffGlobals = 0x0005;
constexpr int kBiffWorksheet = 0x0010;
constexpr int kBiffChart = 0x0020;
constexpr int kBiffMacroSheet = 0x0040;
constexpr int kBiffModule = 0x0006;

QByteArray biffBof(int kind) {
    return biffRecord(0x0809, le16(0x0600) + le16(kind) + le16(0x0DBB) + le16(0x07CC) + le32(0) + le32(0));
}

const QByteArray kBiffEof = biffRecord(0x000A, QByteArray());

// A BIFF8 string: the count, the option byte, then one byte or two per character.
QByteArray biffString(const QString& text, int countBytes = 2) {
    QByteArray out = countBytes == 1 ? QByteArray(1, char(text.size())) : le16(text.size());
    bool narrow = true;
    for (const QChar c : text)
        narrow = narrow && c.unicode() < 0x100;
    if (narrow)
        return out + '\0' + text.toLatin1();
    return out + '\1' + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

QByteArray biffNumber(int row, int column, double value) {
    QByteArray bits(8, '\0');
    std::memcpy(bits.data(), &value, 8);
    return biffRecord(0x0203, le16(row) + le16(column) + le16(15) + bits);
}

QByteArray biffLabel(int row, int column, const QString& text) {
    return biffRecord(0x0204, le16(row) + le16(column) + le16(15) + biffString(text));
}

QByteArray biffFormat(int index, const QString& code) {
    return biffRecord(0x041E, le16(index) + biffString(code));
}

QByteArray biffXf(int numberFormat) {
    return biffRecord(0x00E0, le16(0) + le16(numberFormat) + QByteArray(16, '\0'));
}

QStringList copies(int count, const QString& text) {
    QStringList out;
    out.reserve(count);
    for (int i = 0; i < count; ++i)
        out.append(text);
    return out;
}

// A string table of the given strings, in CONTINUE records where it outgrows one record; no string is split.
QByteArray biffStringTable(const QStringList& strings) {
    QByteArray out;
    QByteArray body = le32(quint32(strings.size())) + le32(quint32(strings.size()));
    int type = 0x00FC;
    for (const QString& text : strings) {
        const QByteArray entry = biffString(text);
        if (body.size() + entry.size() > 8224) {
            out += biffRecord(type, body);
            body.clear();
            type = 0x003C;
        }
        body += entry;
    }
    return out + biffRecord(type, body);
}

// One sheet: what its BOUNDSHEET record calls it (0 a worksheet, 2 a chart...), its BOF kind, its records.
struct LegacySheet {
    int listedType;
    int bofKind;
    QByteArray records;
};

// The workbook stream: globals with `globals` in them, then each sheet's substream.
QByteArray biffWorkbook(const QByteArray& globals, const QList<LegacySheet>& sheets) {
    const auto boundSheet = [](quint32 offset, const LegacySheet& sheet) {
        return biffRecord(0x0085, le32(offset) + '\0' + char(sheet.listedType) + biffString("表", 1));
    };
    const QByteArray head = biffBof(kBiffGlobals) + biffRecord(0x0042, le16(1200)) + globals;
    QByteArray list;
    QByteArray bodies;
    const int start = head.size() + sheets.size() * boundSheet(0, {0, 0, {}}).size() + kBiffEof.size();
    for (const LegacySheet& sheet : sheets) {
        list += boundSheet(quint32(start + bodies.size()), sheet);
        bodies += biffBof(sheet.bofKind) + sheet.records + kBiffEof;
    }
    return head + list + kBiffEof + bodies;
}

// A compound document of 4096-byte sectors holding the stream, as "Workbook" unless named otherwise;
// `extraEntries` empty directory entries pad the directory out.
QByteArray compoundDocument(QByteArray stream, int extraEntries = 0,
                            const QString& streamName = QStringLiteral("Workbook")) {
    constexpr int kSector = 4096;
    constexpr quint32 kEnd = 0xFFFFFFFE;
    stream.append(
        QByteArray((kSector - stream.size() % kSector) % kSector + (stream.isEmpty() ? kSector : 0), '\0'));
    const auto entry = [](const QString& name, int type, quint32 start, quint64 size, quint32 child) {
        QByteArray e = QByteArray(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
        e = e.leftJustified(64, '\0') + le16(name.isEmpty() ? 0 : name.size() * 2 + 2) + char(type) + '\1';
        e += le32(0xFFFFFFFF) + le32(0xFFFFFFFF) + le32(child) + QByteArray(36, '\0') + le32(start);
        QByteArray size8(8, '\0');
        qToLittleEndian<quint64>(size, size8.data());
        return e + size8;
    };
    const int streamSectors = stream.size() / kSector;
    QByteArray directory =
        entry("Root Entry", 5, kEnd, 0, 1) + entry(streamName, 2, 0, quint64(stream.size()), 0xFFFFFFFF);
    directory += entry(QString(), 0, 0, 0, 0xFFFFFFFF).repeated(extraEntries);
    directory.append(QByteArray((kSector - directory.size() % kSector) % kSector, '\0'));
    const int directorySectors = directory.size() / kSector;
    int fatSectors = 1;
    while ((streamSectors + directorySectors + fatSectors) > fatSectors * (kSector / 4))
        ++fatSectors;
    Q_ASSERT(fatSectors <= 109);
    QByteArray fat;
    for (int i = 0; i < streamSectors; ++i)
        fat += le32(i + 1 < streamSectors ? quint32(i + 1) : kEnd);
    for (int i = 0; i < directorySectors; ++i)
        fat += le32(i + 1 < directorySectors ? quint32(streamSectors + i + 1) : kEnd);
    fat += le32(0xFFFFFFFD).repeated(fatSectors);
    fat.append(QByteArray(fatSectors * kSector - fat.size(), '\xFF'));
    QByteArray header("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header +=
        QByteArray(16, '\0') + le16(0x3E) + le16(4) + le16(0xFFFE) + le16(12) + le16(6) + QByteArray(6, '\0');
    header += le32(quint32(directorySectors)) + le32(quint32(fatSectors)) + le32(quint32(streamSectors)) +
              le32(0) + le32(4096) + le32(kEnd) + le32(0) + le32(kEnd) + le32(0);
    for (int i = 0; i < 109; ++i)
        header += le32(i < fatSectors ? quint32(streamSectors + directorySectors + i) : 0xFFFFFFFF);
    header.append(QByteArray(kSector - header.size(), '\0'));
    return header + stream + directory + fat;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace

class TestSpreadsheet : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    WorkbookReader m_values;

    QString file(const QString& name) const { return m_dir.filePath(name); }

    // A hand-written workbook; returns the reader's error text (empty when it opened).
    QString openHand(WorkbookReader& reader, const QString& name, const QList<HandSheet>& sheets,
                     const QByteArray& sharedStrings = QByteArray(), const QByteArray& styles = QByteArray(),
                     bool date1904 = false) {
        const QString path = file(name);
        if (!writeZip(path, handWorkbook(sheets, sharedStrings, styles, date1904)))
            return QStringLiteral("fixture not written");
        return reader.open(path) ? QString() : reader.errorText();
    }

    QString openParts(const QString& name, const ZipParts& parts) {
        WorkbookReader reader;
        return openParts(reader, name, parts);
    }
    QString openParts(WorkbookReader& reader, const QString& name, const ZipParts& parts) {
        if (!writeZip(file(name), parts))
            return QStringLiteral("fixture not written");
        return reader.open(file(name)) ? QString() : reader.errorText();
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QCOMPARE(openHand(m_values, "values.xlsx", {{"worksheets/sheet1.xml", kValueRows}}, kSharedStrings,
                          kStyles),
                 QString());
    }

    void numberTexts_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("barcode") << 6901234567890.0 << "6901234567890";
        QTest::newRow("tax number") << 420100000000000.0 << "420100000000000";
        QTest::newRow("phone") << 13700005555.0 << "13700005555";
        QTest::newRow("decimal") << 12.5 << "12.5";
        QTest::newRow("binary fraction") << 0.1 << "0.1";
        QTest::newRow("negative integral") << -3.0 << "-3";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("huge") << 1e20 << "1e+20";
    }
    void numberTexts() {
        QFETCH(double, value);
        QTEST(numberText(value), "text");
    }

    void columnLetters_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("letters");
        QTest::newRow("first") << 0 << "A";
        QTest::newRow("last single") << 25 << "Z";
        QTest::newRow("first double") << 26 << "AA";
        QTest::newRow("last double") << 701 << "ZZ";
        QTest::newRow("first triple") << 702 << "AAA";
    }
    void columnLetters() {
        QFETCH(int, column);
        QTEST(columnLetter(column), "letters");
    }

    void serials_data() {
        QTest::addColumn<double>("serial");
        QTest::addColumn<bool>("date1904");
        QTest::addColumn<QString>("cell");
        QTest::newRow("day 1") << 1.0 << false << "Date:1900-01-01";
        QTest::newRow("before the leap bug") << 59.0 << false << "Date:1900-02-28";
        QTest::newRow("the fictitious leap day") << 60.0 << false << "Date:1900-02-29";
        QTest::newRow("after the leap bug") << 61.0 << false << "Date:1900-03-01";
        QTest::newRow("recent") << 46387.0 << false << "Date:2026-12-31";
        QTest::newRow("rounds to next midnight") << 46386.999999999 << false << "Date:2026-12-31";
        QTest::newRow("1904 day 1") << 1.0 << true << "Date:1904-01-02";
        QTest::newRow("1904 day 1 at noon") << 1.5 << true << "Date:1904-01-02";
        QTest::newRow("1904 day 60") << 60.0 << true << "Date:1904-03-01";
        QTest::newRow("1904 day 61") << 61.0 << true << "Date:1904-03-02";
        QTest::newRow("day 1 at noon") << 1.5 << false << "Date:1900-01-01";
        QTest::newRow("1904 recent") << 44925.0 << true << "Date:2026-12-31";
        QTest::newRow("negative stays a number") << -1.0 << false << "Number:-1";
        // Below day 1 only a time of day: the workbook shows no date there.
        for (const bool date1904 : {false, true}) {
            const char* system = date1904 ? "1904" : "1900";
            QTest::addRow("%s zero stays a number", system) << 0.0 << date1904 << "Number:0";
            QTest::addRow("%s noon stays a number", system) << 0.5 << date1904 << "Number:0.5";
            QTest::addRow("%s last second stays a number", system)
                << 0.999999 << date1904 << "Number:0.999999";
        }
        QTest::newRow("beyond 9999 stays a number") << 3e6 << false << "Number:3000000";
    }
    void serials() {
        QFETCH(double, serial);
        QFETCH(bool, date1904);
        QTEST(describe(CellValue::fromSerial(serial, date1904)), "cell");
    }

    void serialTime() {
        const CellValue cell = CellValue::fromSerial(46024.75, false);
        QCOMPARE(cell.date, QDate(2026, 1, 2));
        QCOMPARE(cell.time, QTime(18, 0));
    }

    void handWrittenValues_data() {
        QTest::addColumn<QString>("ref");
        QTest::addColumn<QString>("cell");
        QTest::newRow("shared string") << "A1" << QString("Text:阿莫西林");
        QTest::newRow("rich runs without the phonetic run") << "B1" << QString("Text:布洛芬 缓释");
        QTest::newRow("escapes") << "C1" << QString("Text:第一行\r第二行_x0041_");
        QTest::newRow("spaces trimmed for text fields") << "D1" << QString("Text:两端空格");
        QTest::newRow("empty shared string") << "E1" << QString("Empty:");
        QTest::newRow("inline string") << "A2" << QString("Text:内联");
        QTest::newRow("rich inline string") << "B2" << QString("Text:富文本");
        QTest::newRow("formula string result") << "C2" << QString("Text:内联x");
        QTest::newRow("formula never calculated") << "D2" << QString("NoResult:");
        QTest::newRow("true") << "E2" << QString("Bool:true");
        QTest::newRow("false") << "F2" << QString("Bool:false");
        QTest::newRow("error") << "G2" << QString("Error:#N/A");
        QTest::newRow("13 digits") << "A3" << QString("Number:6901234567890");
        QTest::newRow("decimal") << "B3" << QString("Number:12.5");
        QTest::newRow("binary fraction") << "C3" << QString("Number:0.1");
        QTest::newRow("exponent form in the file") << "D3" << QString("Number:6901234567890");
        QTest::newRow("no reference, first") << "A4" << QString("Number:1");
        QTest::newRow("no reference, second") << "B4" << QString("Number:2");
        QTest::newRow("no reference after a jump") << "F4" << QString("Number:6");
        QTest::newRow("gap") << "C4" << QString("Empty:");
        QTest::newRow("built-in date format") << "A5" << QString("Date:2026-12-31");
        QTest::newRow("custom date format") << "B5" << QString("Date:2026-01-01");
        QTest::newRow("quoted d is no date") << "C5" << QString("Number:7");
        QTest::newRow("bracketed colour is no date") << "D5" << QString("Number:8");
        QTest::newRow("CJK built-in date") << "E5" << QString("Date:2026-01-02");
        QTest::newRow("locale prefix and quoted CJK") << "F5" << QString("Date:2026-01-03");
        QTest::newRow("styled blank") << "G5" << QString("Empty:");
        QTest::newRow("serial 60") << "A6" << QString("Date:1900-02-29");
        QTest::newRow("serial 59") << "B6" << QString("Date:1900-02-28");
        QTest::newRow("serial 61") << "C6" << QString("Date:1900-03-01");
        QTest::newRow("serial 1") << "D6" << QString("Date:1900-01-01");
        QTest::newRow("rounding into the day") << "E6" << QString("Date:2026-12-31");
    }
    void handWrittenValues() {
        QFETCH(QString, ref);
        QTEST(cellAt(m_values, ref), "cell");
    }

    void handWrittenRange() {
        QCOMPARE(m_values.lastRow(), 6);
        QCOMPARE(m_values.lastColumn(), 7);
    }

    void rawTextKeepsSpaces() { QCOMPARE(m_values.cell(1, 4).text, QStringLiteral("  两端空格  ")); }

    // Parts far bigger than one read of the device, as a sheet of thousands of drugs has.
    void largeParts() {
        QByteArray strings;
        QByteArray rows;
        for (int i = 0; i < 5000; ++i) {
            strings += "<si><t>测试药品" + QByteArray::number(i) + "</t></si>";
            rows += "<row r=\"" + QByteArray::number(i + 1) + "\"><c t=\"s\"><v>" + QByteArray::number(i) +
                    "</v></c></row>";
        }
        WorkbookReader reader;
        QCOMPARE(openHand(reader, "large.xlsx", {{"worksheets/s.xml", rows}}, strings), QString());
        QCOMPARE(reader.lastRow(), 5000);
        QCOMPARE(cellAt(reader, "A5000"), QStringLiteral("Text:测试药品4999"));
    }

    void dates1904() {
        WorkbookReader reader;
        QCOMPARE(openHand(reader, "1904.xlsx",
                          {{"worksheets/s.xml", "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>44925</v></c></row>"}},
                          QByteArray(), kStyles, true),
                 QString());
        QCOMPARE(cellAt(reader, "A1"), QStringLiteral("Date:2026-12-31"));
    }

    // The first sheet in tab order, whatever its part is called and even when hidden.
    void firstSheetInTabOrder() {
        WorkbookReader reader;
        QCOMPARE(openHand(reader, "order.xlsx",
                          {{"worksheets/zeta.xml",
                            "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>甲</t></is></c></row>", true},
                           {"worksheets/sheet1.xml",
                            "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>乙</t></is></c></row>"}}),
                 QString());
        QCOMPARE(cellAt(reader, "A1"), QStringLiteral("Text:甲"));
    }

    void usedRangeFromCells() {
        WorkbookReader reader(3);
        // Data from C3 on; a stale dimension element would not matter; a far cell only widens the range.
        QCOMPARE(openHand(reader, "offset.xlsx",
                          {{"worksheets/s.xml",
                            "<row r=\"3\"><c r=\"C3\"><v>1</v></c></row>"
                            "<row r=\"9\"><c r=\"D9\"><v>2</v></c><c r=\"N9\"><v>3</v></c></row>"}}),
                 QString());
        QCOMPARE(reader.lastRow(), 9);
        QCOMPARE(reader.lastColumn(), 14);
        QCOMPARE(cellAt(reader, "C3"), QStringLiteral("Number:1"));
        QCOMPARE(cellAt(reader, "D9"), QStringLiteral("Empty:")); // right of the kept columns
    }

    void refusals_data() {
        QTest::addColumn<QByteArray>("sheetData");
        QTest::addColumn<QString>("error");
        QTest::newRow("no cell") << QByteArray("<row r=\"1\"/><row r=\"2\"><c r=\"B2\" s=\"1\"/></row>")
                                 << WorkbookReader::kEmptySheet;
        QTest::newRow("row beyond the sheet")
            << QByteArray("<row r=\"1048577\"><c><v>1</v></c></row>") << WorkbookReader::kOpenFailed;
        QTest::newRow("cell beyond the sheet")
            << QByteArray("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>") << WorkbookReader::kOpenFailed;
        QTest::newRow("shared string out of range")
            << QByteArray("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>9</v></c></row>")
            << WorkbookReader::kOpenFailed;
        QTest::newRow("broken XML") << QByteArray("<row r=\"1\"><c r=\"A1\"><v>1</v></row>")
                                    << WorkbookReader::kOpenFailed;
    }
    void refusals() {
        QFETCH(QByteArray, sheetData);
        WorkbookReader reader;
        QTEST(openHand(reader, "refused.xlsx", {{"worksheets/s.xml", sheetData}}), "error");
    }

    void noSheet() {
        WorkbookReader reader;
        QCOMPARE(openHand(reader, "nosheet.xlsx", {}), WorkbookReader::kNoSheet);
    }

    void documentTypeDeclarationRefused() {
        ZipParts parts = handWorkbook({{"worksheets/s.xml", "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"}});
        for (auto& part : parts) {
            if (part.first == "xl/worksheets/s.xml")
                part.second.replace("<worksheet", "<!DOCTYPE worksheet [<!ENTITY x \"y\">]><worksheet");
        }
        QCOMPARE(openParts("dtd.xlsx", parts), WorkbookReader::kOpenFailed);
    }

    void absurdEntrySizeRefused() {
        const QString path = file("bomb.xlsx");
        QVERIFY(writeZip(
            path, handWorkbook({{"worksheets/s.xml", "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"}})));
        // Claim 4 GB unpacked for the sheet in the central directory.
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        const int entry = bytes.indexOf(QByteArray("PK\x01\x02", 4), bytes.indexOf("xl/worksheets/s.xml"));
        const int central =
            bytes.lastIndexOf(QByteArray("PK\x01\x02", 4), bytes.lastIndexOf("xl/worksheets/s.xml"));
        QVERIFY(entry > 0 || central > 0);
        bytes.replace(central + 24, 4, QByteArray("\xF0\xFF\xFF\xFF", 4));
        f.seek(0);
        f.write(bytes);
        f.close();
        WorkbookReader reader;
        QCOMPARE(reader.open(path), false);
        QCOMPARE(reader.errorText(), WorkbookReader::kOpenFailed);
    }

    void notAWorkbook_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text renamed") << QByteArray("条码,名称\n6901234567890,阿莫西林\n");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("zip signature only") << QByteArray("PK\x03\x04garbage", 11);
        QTest::newRow("compound signature only") << QByteArray("\xD0\xCF\x11\xE0garbage", 11);
    }
    void notAWorkbook() {
        QFETCH(QByteArray, content);
        QFile f(file("fake.xlsx"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        WorkbookReader reader;
        QCOMPARE(reader.open(f.fileName()), false);
        QCOMPARE(reader.errorText(), WorkbookReader::kOpenFailed);
    }

    // What the user can act on is said beside the general refusal: the reason holds these words.
    void refusalReasons_data() {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("reason");
        QTest::newRow("0-byte .xlsx") << "empty.xlsx" << QStringLiteral("文件是空的");
        QTest::newRow("0-byte .xls") << "empty.xls" << QStringLiteral("文件是空的");
        QTest::newRow("zip of other files") << "zip-of-text" << QStringLiteral("其中没有 Excel 工作簿");
        QTest::newRow("word processor document") << "document" << QStringLiteral("其中没有 Excel 工作簿");
        QTest::newRow("encrypted .xls") << "xls" << WorkbookReader::kPasswordProtected;
        QTest::newRow("password-protected .xlsx") << "ole" << WorkbookReader::kPasswordProtected;
        QTest::newRow("encrypted zip entry") << "zip" << WorkbookReader::kPasswordProtected;
        QTest::newRow("file the user may not read") << "forbidden" << WorkbookReader::kNoPermission;
        QTest::newRow("damaged") << "damaged" << QString();
        QTest::newRow("CSV file named .xlsx") << "csv" << WorkbookReader::kNotWorkbook;
        QTest::newRow(".xls of 72 MiB") << "large" << WorkbookReader::kFileTooLarge;
        QTest::newRow("cell over the length limit")
            << "refuse-long-cell-text.xlsx" << WorkbookReader::kCellTooLong;
        QTest::newRow("shared strings over the bound")
            << "refuse-shared-strings-bomb.xlsx" << WorkbookReader::kStringTableTooLarge;
        QTest::newRow("parts unpacking over the bound")
            << "refuse-zip-bomb.xlsx" << WorkbookReader::kContentTooLarge;
        QTest::newRow("tags over the bound") << "refuse-many-tags.xlsx" << WorkbookReader::kContentTooLarge;
        QTest::newRow("zip64 end record") << "refuse-zip64-end.xlsx" << WorkbookReader::kZip64;
        QTest::newRow("zip64 in the directory") << "refuse-zip64-extra.xlsx" << WorkbookReader::kZip64;
        QTest::newRow("local zip64 sizes not the directory's")
            << "refuse-zip64-local-sizes.xlsx" << QString();
    }
    void refusalReasons() {
        QFETCH(QString, shape);
        QString path = file(shape + ".xlsx");
        QFile::remove(path);
        const QByteArray a1 = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>";
        if (shape == "xls") {
            path = corpus("refuse-encrypted.xls");
        } else if (shape.startsWith("refuse-")) {
            path = corpus(shape);
        } else if (shape == "csv") {
            QVERIFY(writeFile(path, "药品条码,药品名称\n6901234567890,阿莫西林胶囊\n"));
        } else if (shape == "large") {
            QVERIFY(writeFile(path, compoundDocument(biffWorkbook({}, {{0, kBiffWorksheet, QByteArray()}}))));
            QVERIFY(QFile::resize(path, qint64(72) << 20));
        } else if (shape == "ole") {
            QVERIFY(writeFile(path, compoundDocument(QByteArray(8192, 'x'), 0, "EncryptedPackage")));
        } else if (shape == "damaged") {
            path = corpus("refuse-checksum-deflated.xlsx");
        } else if (shape.startsWith("empty")) {
            path = file(shape);
            QVERIFY(writeFile(path, QByteArray()));
        } else if (shape == "zip-of-text") {
            QVERIFY(writeZip(path, {{"readme.txt", "药品条码,药品名称\n"}}));
        } else if (shape == "document") {
            QVERIFY(writeZip(path,
                             {{"_rels/.rels", "<Relationships><Relationship Id=\"rId1\" Type=\"http://"
                                              "schemas.openxmlformats.org/officeDocument/2006/relationships/"
                                              "officeDocument\" Target=\"word/document.xml\"/>"
                                              "</Relationships>"},
                              {"word/document.xml", "<document><body/></document>"}}));
        } else {
            QVERIFY(writeZip(path, handWorkbook({{"worksheets/s.xml", a1}})));
            if (shape == "zip")
                QVERIFY(
                    patchEntry(path, "xl/worksheets/s.xml", [](QByteArray& bytes, int local, int central) {
                        bytes[local + 6] = char(bytes.at(local + 6) | 1);
                        bytes[central + 8] = char(bytes.at(central + 8) | 1);
                    }));
            else
                QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        }
        WorkbookReader reader;
        // Root reads any file; as another file-system user it cannot.
        const bool asOther = shape == "forbidden" && ::geteuid() == 0;
        if (asOther)
            ::setfsuid(65534);
        const bool opened = reader.open(path);
        if (asOther)
            ::setfsuid(0);
        if (shape == "large")
            QFile::remove(path);
        QVERIFY(!opened);
        QCOMPARE(reader.errorText(), WorkbookReader::kOpenFailed);
        QFETCH(QString, reason);
        if (reason.isEmpty())
            QCOMPARE(reader.errorReason(), QString());
        else
            QVERIFY2(reader.errorReason().contains(reason), qPrintable(reader.errorReason()));
    }

    void missingFile() {
        WorkbookReader reader;
        QCOMPARE(reader.open(file("nowhere.xlsx")), false);
        QCOMPARE(reader.errorText(), WorkbookReader::kOpenFailed);
    }

    // A part is only good once read to its end with a matching checksum and size.
    void damagedEntries_data() {
        QTest::addColumn<QString>("damage");
        QTest::newRow("checksum of a deflated sheet") << "checksum";
        QTest::newRow("stored sheet edited, checksum stale") << "edit";
        QTest::newRow("checksum of the shared strings") << "strings";
        QTest::newRow("sheet shorter than the directory says") << "size";
        // Stored bytes under a method the zip library cannot unpack: it would hand them over unchecked.
        QTest::newRow("sheet packed with another method") << "method";
    }
    void damagedEntries() {
        QFETCH(QString, damage);
        const QString path = file("damaged.xlsx");
        QFile::remove(path);
        QVERIFY(writeZip(path,
                         handWorkbook({{"worksheets/s.xml", "<row r=\"1\"><c r=\"A1\"><v>4.2</v></c></row>"}},
                                      "<si><t>阿莫西林</t></si>"),
                         damage == "edit" || damage == "method"));
        const QByteArray entry = damage == "strings" ? "xl/sharedStrings.xml" : "xl/worksheets/s.xml";
        QVERIFY(patchEntry(path, entry, [&damage](QByteArray& bytes, int local, int central) {
            if (damage == "edit") {
                bytes.replace(bytes.indexOf("<v>4.2</v>", local), 10, "<v>632</v>");
            } else if (damage == "method") {
                bytes[local + 8] = 12;
                bytes[central + 10] = 12;
            } else if (damage == "size") {
                bytes[local + 22] = char(bytes.at(local + 22) + 1);
                bytes[central + 24] = char(bytes.at(central + 24) + 1);
            } else {
                flipBit(bytes, local + 14);
                flipBit(bytes, central + 16);
            }
        }));
        WorkbookReader reader;
        QCOMPARE(reader.open(path), false);
        QCOMPARE(reader.errorText(), WorkbookReader::kOpenFailed);
    }

    // Structures a workbook keeps few of, just within and just past their bounds; and parts named twice.
    void packageLimits_data() {
        QTest::addColumn<ZipParts>("parts");
        QTest::addColumn<QString>("error");
        const QByteArray a1 = "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>1</v></c></row>";
        const auto workbook = [&a1](const QByteArray& styles = QByteArray()) {
            return handWorkbook({{"worksheets/s.xml", a1}}, QByteArray(), styles);
        };
        // Counted with the workbook's own entries.
        const auto entries = [&workbook](int total) {
            ZipParts parts = workbook();
            for (int i = parts.size(); i < total; ++i)
                parts.append({QStringLiteral("f/%1").arg(i), QByteArray()});
            return parts;
        };
        QTest::newRow("10000 zip entries") << entries(10000) << QString();
        QTest::newRow("10001 zip entries") << entries(10001) << WorkbookReader::kOpenFailed;
        // The sheet's own relationship is one.
        const auto relationships = [&workbook](int total) {
            QByteArray more;
            for (int i = 1; i < total; ++i)
                more += "<Relationship Id=\"x" + QByteArray::number(i) + "\" Type=\"t\" Target=\"a\"/>";
            return withRelationships(workbook(), more);
        };
        QTest::newRow("10000 relationships") << relationships(10000) << QString();
        QTest::newRow("10001 relationships") << relationships(10001) << WorkbookReader::kOpenFailed;
        const auto formatCode = [&workbook](int length) {
            return workbook("<numFmts><numFmt numFmtId=\"164\" formatCode=\"" + QByteArray(length - 1, '0') +
                            "d\"/></numFmts><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/></cellXfs>");
        };
        QTest::newRow("format code of 255") << formatCode(255) << QString();
        QTest::newRow("format code of 256") << formatCode(256) << WorkbookReader::kOpenFailed;
        const auto cellFormats = [&workbook](int count) {
            return workbook("<cellXfs>" + QByteArray("<xf numFmtId=\"14\"/>").repeated(count) + "</cellXfs>");
        };
        QTest::newRow("65536 cell formats") << cellFormats(65536) << QString();
        QTest::newRow("65537 cell formats") << cellFormats(65537) << WorkbookReader::kOpenFailed;
        const auto numberFormats = [&workbook](int count) {
            QByteArray formats;
            for (int i = 0; i < count; ++i)
                formats += "<numFmt numFmtId=\"" + QByteArray::number(164 + i) + "\" formatCode=\"0\"/>";
            return workbook("<numFmts>" + formats + "</numFmts><cellXfs><xf/><xf/></cellXfs>");
        };
        QTest::newRow("65536 number formats") << numberFormats(65536) << QString();
        QTest::newRow("65537 number formats") << numberFormats(65537) << WorkbookReader::kOpenFailed;
        const auto twice = [&workbook](const QString& name, const QString& again) {
            ZipParts parts = workbook();
            for (const auto& part : ZipParts(parts)) {
                if (part.first == name)
                    parts.append({again, part.second});
            }
            return parts;
        };
        QTest::newRow("sheet twice") << twice("xl/worksheets/s.xml", "xl/worksheets/s.xml")
                                     << WorkbookReader::kOpenFailed;
        QTest::newRow("sheet twice, case differs")
            << twice("xl/worksheets/s.xml", "XL/Worksheets/S.XML") << WorkbookReader::kOpenFailed;
        QTest::newRow("relationships twice, case differs")
            << twice("xl/_rels/workbook.xml.rels", "xl/_rels/Workbook.xml.rels")
            << WorkbookReader::kOpenFailed;
        QTest::newRow("unread part twice")
            << twice("_rels/.rels", "_rels/.rels") << WorkbookReader::kOpenFailed;
    }
    void packageLimits() {
        QFETCH(ZipParts, parts);
        QTEST(openParts("limits.xlsx", parts), "error");
    }

    // The busy box keeps painting while long lists other than rows are read: 2048 of each, one row.
    void progressBeforeRows_data() {
        QTest::addColumn<ZipParts>("parts");
        const QByteArray a1 = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>";
        QTest::newRow("shared strings")
            << handWorkbook({{"worksheets/s.xml", a1}}, QByteArray("<si><t>片</t></si>").repeated(2048));
        QTest::newRow("cell formats")
            << handWorkbook({{"worksheets/s.xml", a1}}, QByteArray(),
                            "<cellXfs>" + QByteArray("<xf/>").repeated(2048) + "</cellXfs>");
        QTest::newRow("relationships") << withRelationships(
            handWorkbook({{"worksheets/s.xml", a1}}),
            QByteArray("<Relationship Id=\"x\" Type=\"t\" Target=\"a\"/>").repeated(2048));
        ZipParts entries = handWorkbook({{"worksheets/s.xml", a1}});
        for (int i = 0; i < 2048; ++i)
            entries.append({QStringLiteral("f/%1").arg(i), QByteArray()});
        QTest::newRow("zip entries") << entries;
    }
    void progressBeforeRows() {
        QFETCH(ZipParts, parts);
        QVERIFY(writeZip(file("progress.xlsx"), parts));
        WorkbookReader reader;
        int calls = 0;
        reader.setProgressCallback([&calls] { ++calls; });
        QVERIFY(reader.open(file("progress.xlsx")));
        QVERIFY2(calls >= 4, qPrintable(QString::number(calls)));
    }

    // The busy box keeps painting inside one row, whatever it holds: at least one progress call for every
    // 32 kB of the sheet's XML. The longest pause of a 20 ms timer is printed, not asserted.
    void progressWithinRows_data() {
        QTest::addColumn<QByteArray>("sheetData");
        QByteArray cells;
        for (int i = 1; i <= 100000; ++i)
            cells += "<c r=\"A" + QByteArray::number(i) + "\"><v>" + QByteArray::number(i) + "</v></c>";
        QTest::newRow("one row of 100,000 cells") << "<row r=\"1\">" + cells + "</row>";
        QTest::newRow("one cell 100,000 times")
            << "<row r=\"1\">" + QByteArray("<c r=\"B2\"><v>7</v></c>").repeated(100000) + "</row>";
        QTest::newRow("one skipped element of 100,000 children") << "<row r=\"1\"><c r=\"A1\"><v>1</v><x>" +
                                                                        QByteArray("<y/>").repeated(100000) +
                                                                        "</x></c></row>";
    }
    void progressWithinRows() {
        QFETCH(QByteArray, sheetData);
        const QString path = file("onerow.xlsx");
        QVERIFY(writeZip(path, handWorkbook({{"worksheets/s.xml", sheetData}})));
        WorkbookReader reader;
        int calls = 0;
        reader.setProgressCallback([&calls] {
            ++calls;
            QCoreApplication::processEvents();
        });
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout,
                         [&] { longestGap = qMax(longestGap, sinceTick.restart()); });
        ticks.start(20);
        sinceTick.start();
        QVERIFY(reader.open(path));
        longestGap = qMax(longestGap, sinceTick.elapsed());
        qInfo("%d progress calls, longest pause of a 20 ms timer %lld ms", calls, longestGap);
        QVERIFY2(calls >= sheetData.size() / 32768, qPrintable(QString::number(calls)));
    }

    // What the XML reader would spend quadratic time or unbounded memory on is refused before it sees it;
    // the limits themselves still read.
    void markupLimits_data() {
        QTest::addColumn<QByteArray>("markup");
        QTest::addColumn<QString>("error");
        const auto attributes = [](int count, const char* prefix) {
            QByteArray tag = "<x";
            for (int i = 0; i < count; ++i)
                tag += " " + QByteArray(prefix) + QByteArray::number(i) + "=\"\"";
            return tag + "/>";
        };
        const auto nested = [](int depth, const char* attribute) {
            QByteArray open;
            QByteArray close;
            for (int i = 0; i < depth; ++i) {
                open += "<x" + QByteArray(attribute).replace('#', QByteArray::number(i)) + ">";
                close += "</x>";
            }
            return open + close;
        };
        QTest::newRow("32 attributes in one tag") << attributes(32, "a") << QString();
        QTest::newRow("33 attributes in one tag") << attributes(33, "a") << WorkbookReader::kOpenFailed;
        // The worksheet element declares one namespace itself.
        QTest::newRow("16 namespaces in scope") << nested(15, " xmlns:p#=\"u#\"") << QString();
        QTest::newRow("17 namespaces in scope")
            << nested(16, " xmlns:p#=\"u#\"") << WorkbookReader::kOpenFailed;
        QTest::newRow("declarations of an empty element count")
            << nested(15, " xmlns:p#=\"u#\"")
                   .replace("<x xmlns:p14=\"u14\">", "<x xmlns:p14=\"u14\"><y xmlns:q=\"v\"/>")
            << WorkbookReader::kOpenFailed;
        // Worksheet and sheetData are two levels.
        QTest::newRow("128 levels") << nested(126, "") << QString();
        QTest::newRow("129 levels") << nested(127, "") << WorkbookReader::kOpenFailed;
        QTest::newRow("text run of 1 MiB") << QByteArray(1 << 20, ' ') + "<x/>" << QString();
        QTest::newRow("text run over 1 MiB")
            << QByteArray((1 << 20) + 1, ' ') + "<x/>" << WorkbookReader::kOpenFailed;
        QTest::newRow("tag over 1 MiB")
            << "<x a=\"" + QByteArray(1 << 20, 'b') + "\"/>" << WorkbookReader::kOpenFailed;
        QTest::newRow("comment over 1 MiB")
            << "<!--" + QByteArray(1 << 20, 'b') + "-->" << WorkbookReader::kOpenFailed;
        QTest::newRow("markup inside values, comments and CDATA")
            << "<x a=\"b>c\" d='e\"f'/><!-- <y " + attributes(40, "a") + " --><z><![CDATA[<" +
                   attributes(40, "a") + ">]]></z>"
            << QString();
        QTest::newRow("NUL byte") << QByteArray("<x>\0</x>", 8) << WorkbookReader::kOpenFailed;
    }
    void markupLimits() {
        QFETCH(QByteArray, markup);
        QTEST(openParts("markup.xlsx", withSheet("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>" + markup)),
              "error");
    }

    // The bytes are only looked at as UTF-8; any other encoding could hide markup from that look.
    void encodings_data() {
        QTest::addColumn<QByteArray>("declaration");
        QTest::addColumn<bool>("utf16");
        QTest::addColumn<QString>("error");
        QTest::newRow("UTF-8 in lower case") << QByteArray("encoding=\"utf-8\"") << false << QString();
        QTest::newRow("UTF-8 in single quotes") << QByteArray("encoding='UTF-8'") << false << QString();
        QTest::newRow("no encoding declared") << QByteArray() << false << QString();
        QTest::newRow("ISO-8859-1 declared")
            << QByteArray("encoding='ISO-8859-1'") << false << WorkbookReader::kOpenFailed;
        QTest::newRow("UTF-16 with a byte order mark")
            << QByteArray("encoding=\"UTF-16\"") << true << WorkbookReader::kOpenFailed;
    }
    void encodings() {
        QFETCH(QByteArray, declaration);
        QFETCH(bool, utf16);
        const ZipParts parts = withSheet("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>", [&](QByteArray& xml) {
            xml.replace("encoding=\"UTF-8\"", declaration);
            if (utf16) {
                const QString text = QString::fromUtf8(xml);
                xml = QByteArray("\xFF\xFE", 2) +
                      QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
            }
        });
        QTEST(openParts("encoding.xlsx", parts), "error");
    }

    void cellTextLimit_data() {
        QTest::addColumn<QByteArray>("sheetData");
        QTest::addColumn<QByteArray>("sharedStrings");
        QTest::addColumn<QString>("error");
        const QByteArray most(SheetData::kMaxCellText, 'a');
        const QByteArray half(SheetData::kMaxCellText / 2 + 1, 'a');
        const auto inlineCell = [](const QByteArray& runs) {
            return "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is>" + runs + "</is></c></row>";
        };
        QTest::newRow("inline, at the limit")
            << inlineCell("<t>" + most + "</t>") << QByteArray() << QString();
        QTest::newRow("inline, one more")
            << inlineCell("<t>" + most + "b</t>") << QByteArray() << WorkbookReader::kOpenFailed;
        QTest::newRow("rich runs together over the limit")
            << inlineCell("<r><t>" + half + "</t></r><r><t>" + half + "</t></r>") << QByteArray()
            << WorkbookReader::kOpenFailed;
        QTest::newRow("escapes decoding to the limit")
            << inlineCell("<t>" + QByteArray("_x0041_").repeated(SheetData::kMaxCellText) + "</t>")
            << QByteArray() << QString();
        QTest::newRow("formula result over the limit")
            << "<row r=\"1\"><c r=\"A1\" t=\"str\"><v>" + most + "b</v></c></row>" << QByteArray()
            << WorkbookReader::kOpenFailed;
        QTest::newRow("shared string over the limit")
            << QByteArray("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>")
            << "<si><t>" + most + "b</t></si>" << WorkbookReader::kOpenFailed;
        QTest::newRow("unused shared string over the limit")
            << QByteArray("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>") << "<si><t>" + most + "b</t></si>"
            << WorkbookReader::kOpenFailed;
    }
    void cellTextLimit() {
        QFETCH(QByteArray, sheetData);
        QFETCH(QByteArray, sharedStrings);
        WorkbookReader reader;
        QTEST(openHand(reader, "long.xlsx", {{"worksheets/s.xml", sheetData}}, sharedStrings), "error");
    }

    // A text over the limit is kept by no back end's sheet.
    void overlongTextNotKept() {
        SheetData sheet;
        sheet.put(1, 1, CellValue::makeText(QString(SheetData::kMaxCellText + 1, QLatin1Char('a'))));
        QCOMPARE(sheet.hasOverlongText(), true);
        QCOMPARE(describe(sheet.cell(1, 1)), QStringLiteral("Empty:"));
    }

    // A cell far right costs nothing unless the caller keeps that many columns.
    void defaultColumns() {
        WorkbookReader reader;
        QCOMPARE(
            openHand(reader, "wide.xlsx",
                     {{"worksheets/s.xml", "<row r=\"1\"><c r=\"BL1\"><v>64</v></c><c r=\"BM1\"><v>65</v></c>"
                                           "<c r=\"XFD1\"><v>16384</v></c></row>"}}),
            QString());
        QCOMPARE(reader.lastColumn(), 16384);
        QCOMPARE(cellAt(reader, "BL1"), QStringLiteral("Number:64"));
        QCOMPARE(cellAt(reader, "BM1"), QStringLiteral("Empty:"));
    }

    // Reading a pipe would wait for a writer for ever.
    void pipeRefused() {
        const QString path = file("pipe.xlsx");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        WorkbookReader reader;
        bool opened = true;
        QScopedPointer<QThread> thread(QThread::create([&] { opened = reader.open(path); }));
        thread->start();
        const bool returned = thread->wait(2000);
        if (!returned) {
            // A writer that goes at once lets the blocked reader on.
            QFile writer(path);
            QVERIFY(writer.open(QIODevice::WriteOnly));
            writer.close();
            thread->wait();
        }
        QVERIFY2(returned, "opening a pipe blocked");
        QCOMPARE(opened, false);
        QCOMPARE(reader.errorText(), WorkbookReader::kOpenFailed);
    }

    // Cells come back as they were put, whatever the order; a later value replaces an earlier one.
    void storedCells() {
        SheetData sheet(4);
        sheet.put(3, 2, CellValue::makeText(QStringLiteral("后一行先到")));
        sheet.put(1, 1, CellValue::makeText(QStringLiteral("被替换")));
        sheet.put(2, 1, CellValue::fromSerial(46024.75, false));
        sheet.put(2, 2, CellValue::fromSerial(60.5, false));
        sheet.put(2, 3, CellValue::makeDate(QDate(2026, 12, 31)));
        sheet.put(1, 2, CellValue::makeBool(true));
        sheet.put(1, 3, CellValue::makeError(QStringLiteral("#N/A")));
        sheet.put(1, 1, CellValue::makeNumber(12.5));
        sheet.put(1, 5, CellValue::makeNumber(1));
        QCOMPARE(describe(sheet.cell(1, 1)), QStringLiteral("Number:12.5"));
        QCOMPARE(describe(sheet.cell(1, 2)), QStringLiteral("Bool:true"));
        QCOMPARE(describe(sheet.cell(1, 3)), QStringLiteral("Error:#N/A"));
        QCOMPARE(describe(sheet.cell(1, 4)), QStringLiteral("Empty:"));
        QCOMPARE(describe(sheet.cell(1, 5)), QStringLiteral("Empty:"));
        QCOMPARE(describe(sheet.cell(3, 2)), QStringLiteral("Text:后一行先到"));
        QCOMPARE(sheet.cell(2, 1).date, QDate(2026, 1, 2));
        QCOMPARE(sheet.cell(2, 1).time, QTime(18, 0));
        QCOMPARE(sheet.cell(2, 1).number, 46024.75);
        QCOMPARE(describe(sheet.cell(2, 2)), QStringLiteral("Date:1900-02-29"));
        QCOMPARE(sheet.cell(2, 2).time, QTime(12, 0));
        QCOMPARE(describe(sheet.cell(2, 3)), QStringLiteral("Date:2026-12-31"));
        QCOMPARE(sheet.cell(2, 3).time.isValid(), false);
        QCOMPARE(sheet.lastRow(), 3);
        QCOMPARE(sheet.lastColumn(), 5);
    }

    // One cell A1 (or the ref given) of a tiny sheet; `outside` follows the sheetData element.
    void singleCells_data() {
        QTest::addColumn<QByteArray>("sheetData");
        QTest::addColumn<QByteArray>("outside");
        QTest::addColumn<QString>("ref");
        QTest::addColumn<QString>("cell");
        const auto row = [](const QByteArray& cells) {
            return "<row r=\"1\">" + cells + "</row>";
        };
        // Formulas saved by tools that do not calculate.
        QTest::newRow("formula, no value")
            << row("<c r=\"A1\"><f>K2*2</f></c>") << QByteArray() << "A1" << QString("NoResult:");
        QTest::newRow("formula, empty value")
            << row("<c r=\"A1\"><f>K2*2</f><v></v></c>") << QByteArray() << "A1" << QString("NoResult:");
        QTest::newRow("formula, empty value element")
            << row("<c r=\"A1\"><f>K2*2</f><v/></c>") << QByteArray() << "A1" << QString("NoResult:");
        QTest::newRow("shared formula, no value") << row("<c r=\"A1\"><f t=\"shared\" si=\"0\"/></c>")
                                                  << QByteArray() << "A1" << QString("NoResult:");
        QTest::newRow("boolean formula, no value")
            << row("<c r=\"A1\" t=\"b\"><f>1=1</f></c>") << QByteArray() << "A1" << QString("NoResult:");
        QTest::newRow("formula with a number")
            << row("<c r=\"A1\"><f>1+1</f><v>2</v></c>") << QByteArray() << "A1" << QString("Number:2");
        QTest::newRow("formula with a text") << row("<c r=\"A1\" t=\"str\"><f>B1</f><v>片</v></c>")
                                             << QByteArray() << "A1" << QString("Text:片");
        QTest::newRow("formula with an empty text")
            << row("<c r=\"A1\" t=\"str\"><f>\"\"</f><v></v></c><c r=\"B1\"><v>1</v></c>") << QByteArray()
            << "A1" << QString("EmptyResult:");
        QTest::newRow("formula with a blank text") << row("<c r=\"A1\" t=\"str\"><f>\" \"</f><v> </v></c>")
                                                   << QByteArray() << "A1" << QString("EmptyResult:");
        QTest::newRow("formula with a boolean") << row("<c r=\"A1\" t=\"b\"><f>1=2</f><v>0</v></c>")
                                                << QByteArray() << "A1" << QString("Bool:false");
        QTest::newRow("formula with an error") << row("<c r=\"A1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>")
                                               << QByteArray() << "A1" << QString("Error:#DIV/0!");
        // Numbers no cell can hold.
        const QList<QByteArray> nonFinite = {"inf", "-INF", "NaN", "Infinity", "-infinity", " nan ", "1e999"};
        for (const QByteArray& text : nonFinite)
            QTest::newRow("number " + text) << row("<c r=\"A1\"><v>" + text + "</v></c>") << QByteArray()
                                            << "A1" << QString("Error:#NUM!");
        QTest::newRow("number near the largest")
            << row("<c r=\"A1\"><v>1e308</v></c>") << QByteArray() << "A1" << QString("Number:1e+308");
        // Booleans as producers spell them.
        const QList<QPair<QByteArray, QString>> booleans = {
            {"false", "Bool:false"}, {"FALSE", "Bool:false"},  {" 0 ", "Bool:false"},  {"True", "Bool:true"},
            {"1", "Bool:true"},      {"yes", "Error:#VALUE!"}, {"2", "Error:#VALUE!"}, {"", "Error:#VALUE!"}};
        for (const auto& b : booleans)
            QTest::newRow("boolean '" + b.first + "'")
                << row("<c r=\"A1\" t=\"b\"><v>" + b.first + "</v></c>") << QByteArray() << "A1" << b.second;
        // Rows and cells count only inside sheetData, in the worksheet's own vocabulary.
        const QByteArray a1 = row("<c r=\"A1\"><v>1</v></c>");
        QTest::newRow("row in an extension")
            << a1
            << QByteArray(
                   "<extLst><ext uri=\"{x}\"><row r=\"2\"><c r=\"B2\"><v>7</v></c></row></ext></extLst>")
            << "B2" << QString("Empty:");
        QTest::newRow("row of another namespace in sheetData")
            << a1 + "<o:row xmlns:o=\"urn:other\" r=\"3\"><o:c r=\"C3\"><o:v>7</o:v></o:c></o:row>"
            << QByteArray() << "C3" << QString("Empty:");
        QTest::newRow("cell of another namespace in a row")
            << row("<c r=\"A1\"><v>1</v></c><o:c xmlns:o=\"urn:other\" r=\"B1\"><o:v>7</o:v></o:c>")
            << QByteArray() << "B1" << QString("Empty:");
        QTest::newRow("value of another namespace in a cell")
            << row("<c r=\"A1\"><v>1</v></c><c r=\"B1\"><o:v xmlns:o=\"urn:other\">7</o:v></c>")
            << QByteArray() << "B1" << QString("Empty:");
        QTest::newRow("sheetData of another namespace")
            << a1
            << QByteArray("<o:sheetData xmlns:o=\"urn:other\"><row r=\"4\"><c "
                          "r=\"D4\"><v>7</v></c></row></o:sheetData>")
            << "D4" << QString("Empty:");
        QTest::newRow("strict vocabulary")
            << a1
            << QByteArray(
                   "<s:sheetData xmlns:s=\"http://purl.oclc.org/ooxml/spreadsheetml/main\"><s:row r=\"4\">"
                   "<s:c r=\"D4\"><s:v>7</s:v></s:c></s:row></s:sheetData>")
            << "D4" << QString("Number:7");
    }
    void singleCells() {
        QFETCH(QByteArray, sheetData);
        QFETCH(QByteArray, outside);
        QFETCH(QString, ref);
        WorkbookReader reader;
        const QString error =
            openParts(reader, "cell.xlsx", withSheet(sheetData, [&outside](QByteArray& xml) {
                          xml.replace("</sheetData>", "</sheetData>" + outside);
                      }));
        QCOMPARE(error, QString());
        QTEST(cellAt(reader, ref), "cell");
    }

    // One small file per kind of damaged or hostile workbook: refuse-* is refused as damaged, read-* is
    // read; each in bounded time and memory.
    void xlsxCorpus_data() {
        QTest::addColumn<QString>("name");
        const QStringList names =
            QDir(QStringLiteral(KV_TEST_DATA "/corpus"))
                .entryList({QStringLiteral("refuse-*.xlsx"), QStringLiteral("read-*.xlsx")}, QDir::Files);
        QVERIFY(!names.isEmpty());
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << name;
    }
    void xlsxCorpus() {
        QFETCH(QString, name);
        WorkbookReader reader;
        QElapsedTimer timer;
        timer.start();
        const bool opened = reader.open(QStringLiteral(KV_TEST_DATA "/corpus/") + name);
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
        QCOMPARE(opened, name.startsWith(QLatin1String("read-")));
        QCOMPARE(reader.errorText(), opened ? QString() : WorkbookReader::kOpenFailed);
        if (kPeakMemoryMeasured)
            QVERIFY2(peakMegabytes() < 500, qPrintable(QStringLiteral("%1 MB").arg(peakMegabytes())));
    }

    // Written by libxlsxwriter under a Chinese name: the first row empty, data in rows 3 to 6, a second
    // sheet.
    void writtenWorkbook_data() {
        QTest::addColumn<QString>("ref");
        QTest::addColumn<QString>("cell");
        QTest::newRow("string") << "A3" << QString("Text:药品条码");
        QTest::newRow("13-digit number") << "A4" << QString("Number:6901234567890");
        QTest::newRow("price") << "B4" << QString("Number:12.5");
        QTest::newRow("true") << "C4" << QString("Bool:true");
        QTest::newRow("false") << "D4" << QString("Bool:false");
        QTest::newRow("custom date format") << "E4" << QString("Date:2026-12-31");
        QTest::newRow("built-in date format") << "F4" << QString("Date:2027-06-30");
        QTest::newRow("string of digits stays text") << "A5" << QString("Text:0123");
        // The writer saves 0 as every formula's result and asks for calculation on load.
        QTest::newRow("formula of a writer that cannot calculate") << "B5" << QString("NoResult:");
        QTest::newRow("last row") << "A6" << QString("Text:末行");
        QTest::newRow("nothing above") << "A1" << QString("Empty:");
    }
    void writtenWorkbook() {
        const QString path = file("商品导入模板.xlsx");
        static bool written = false;
        if (!written) {
            QVERIFY(writeWorkbook(path,
                                  {{QString("药品条码")},
                                   {6901234567890.0, 12.5, true, false, QDate(2026, 12, 31),
                                    QDateTime(QDate(2027, 6, 30), QTime(0, 0))},
                                   {QString("0123"), formula("=B4*1.5")},
                                   {QString("末行")}},
                                  3, {{QString("第二张表")}}));
            written = true;
        }
        WorkbookReader reader;
        QVERIFY(reader.open(path));
        QFETCH(QString, ref);
        QTEST(cellAt(reader, ref), "cell");
    }

    void writtenWorkbookRange() {
        WorkbookReader reader;
        QVERIFY(reader.open(file("商品导入模板.xlsx")));
        QCOMPARE(reader.lastRow(), 6);
        QCOMPARE(reader.lastColumn(), 6);
    }

    void legacyWorkbook_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("ref");
        QTest::addColumn<QString>("cell");
        QTest::newRow("title only") << "one_row.xls"
                                    << "B1" << QString("Text:药品名称(*)");
        QTest::newRow("13-digit number") << "three_rows.xls"
                                         << "A2" << QString("Number:6901234567890");
        QTest::newRow("Chinese text") << "three_rows.xls"
                                      << "B2" << QString("Text:阿莫西林胶囊");
        QTest::newRow("price") << "three_rows.xls"
                               << "C2" << QString("Number:12.5");
        QTest::newRow("date") << "three_rows.xls"
                              << "D2" << QString("Date:2026-12-31");
        QTest::newRow("date and time") << "three_rows.xls"
                                       << "F2" << QString("Date:2026-01-05");
        QTest::newRow("digits as text") << "three_rows.xls"
                                        << "A3" << QString("Text:6901234567891");
        QTest::newRow("spaces trimmed") << "three_rows.xls"
                                        << "B3" << QString("Text:布洛芬缓释胶囊");
        QTest::newRow("zero") << "three_rows.xls"
                              << "C3" << QString("Number:0");
        QTest::newRow("empty") << "three_rows.xls"
                               << "D3" << QString("Empty:");
        QTest::newRow("true") << "three_rows.xls"
                              << "E2" << QString("Bool:true");
        QTest::newRow("false") << "three_rows.xls"
                               << "E3" << QString("Bool:false");
        QTest::newRow("offset first") << "offset.xls"
                                      << "C2" << QString("Text:标题");
        QTest::newRow("offset last") << "offset.xls"
                                     << "D5" << QString("Text:第5行D列");

        const QString flag = QStringLiteral("corpus/read-boolean-formula.xls");
        QTest::newRow("true as a formula") << flag << "I2" << QString("Bool:true");
        QTest::newRow("barcode beside it") << flag << "A2" << QString("Number:6920000000024");
        QTest::newRow("shared string beside it") << flag << "B2" << QString("Text:头孢克肟胶囊");
        const QString error = QStringLiteral("corpus/read-error-cell.xls");
        QTest::newRow("error cell") << error << "K2" << QString("Error:#DIV/0!");
        QTest::newRow("number beside it") << error << "L2" << QString("Number:25");
        const QString formulas = QStringLiteral("corpus/read-formula-results.xls");
        QTest::newRow("cached number") << formulas << "A1" << QString("Number:42.5");
        QTest::newRow("cached string") << formulas << "B1" << QString("Text:合计");
        QTest::newRow("cached error") << formulas << "C1" << QString("Error:#N/A");
        QTest::newRow("cached empty text") << formulas << "D1" << QString("EmptyResult:");
        QTest::newRow("cached false") << formulas << "E1" << QString("Bool:false");
        QTest::newRow("cached date") << formulas << "F1" << QString("Date:2026-12-31");
        QTest::newRow("cached string continued")
            << formulas << "G1" << QString("Text:长文本xxxxxxxxxxxxxxxxxxxx");
        QTest::newRow("boolean cell") << formulas << "A2" << QString("Bool:true");
        QTest::newRow("error cell #REF!") << formulas << "B2" << QString("Error:#REF!");
        QTest::newRow("after them") << formulas << "C2" << QString("Number:5");
        QTest::newRow("boolean cell 2") << formulas << "D2" << QString("Error:#VALUE!");
        QTest::newRow("cached boolean 2") << formulas << "E2" << QString("Error:#VALUE!");
        QTest::newRow("cached string, empty") << formulas << "F2" << QString("EmptyResult:");
        const QString huge = QStringLiteral("corpus/read-huge-dimension.xls");
        QTest::newRow("declared huge, first") << huge << "A1" << QString("Text:标题");
        QTest::newRow("declared huge, middle") << huge << "C3" << QString("Number:3");
        QTest::newRow("declared huge, last") << huge << "IV65536" << QString("Number:9");
        const QString split = QStringLiteral("corpus/read-split-strings.xls");
        QTest::newRow("wide string") << split << "A1" << QString("Text:阿莫西林");
        QTest::newRow("rich and phonetic runs") << split << "B1" << QString("Text:布洛芬缓释胶囊");
        QTest::newRow("split, narrow then wide") << split << "C1" << QString("Text:Vitamin C 维生素C");
        QTest::newRow("runs split") << split << "D1" << QString("Text:ABC");
        QTest::newRow("after split runs") << split << "E1" << QString("Text:末尾");
        QTest::newRow("characters in the next record") << split << "F1" << QString("Text:plain");
        const QString numbers = QStringLiteral("corpus/read-numbers-dates.xls");
        QTest::newRow("1904 date") << numbers << "A1" << QString("Date:2026-12-31");
        QTest::newRow("1904 custom date") << numbers << "B1" << QString("Date:2027-01-01");
        QTest::newRow("quoted d is no date") << numbers << "C1" << QString("Number:7");
        QTest::newRow("hundredths") << numbers << "D1" << QString("Number:12.5");
        QTest::newRow("negative") << numbers << "E1" << QString("Number:-3");
        QTest::newRow("run first") << numbers << "F1" << QString("Number:1");
        QTest::newRow("run second") << numbers << "G1" << QString("Number:2");
        QTest::newRow("run fraction") << numbers << "H1" << QString("Number:3.5");
        QTest::newRow("inside an embedded chart") << numbers << "B2" << QString("Empty:");
        QTest::newRow("after an embedded chart") << numbers << "A2" << QString("Number:6901234567890");
        QTest::newRow("4096-byte sectors") << "corpus/read-large-sectors.xls"
                                           << "A2" << QString("Number:1.5");
        QTest::newRow("allocation table extended") << "corpus/read-extended-table.xls"
                                                   << "A2" << QString("Number:2.5");
        const QString biff5 = QStringLiteral("corpus/read-biff5.xls");
        QTest::newRow("BIFF5 code page text") << biff5 << "A1" << QString("Text:阿莫西林");
        QTest::newRow("BIFF5 number") << biff5 << "B1" << QString("Number:12.5");
        QTest::newRow("BIFF5 date") << biff5 << "C1" << QString("Date:2026-12-31");
        QTest::newRow("BIFF5 cached string") << biff5 << "D1" << QString("Text:合计");
        QTest::newRow("BIFF5 text without a code page") << "corpus/read-biff5-no-code-page.xls"
                                                        << "A1" << QString("Text:名称");
    }
    void legacyWorkbook() {
        QFETCH(QString, name);
        QFETCH(QString, ref);
        WorkbookReader reader(256); // the widest legacy sheet; the default keeps fewer columns
        QVERIFY2(reader.open(QStringLiteral(KV_TEST_DATA "/") + name), qPrintable(reader.errorText()));
        QTEST(cellAt(reader, ref), "cell");
    }

    // The range counts from A1 to the last cell present: a one-row sheet gives row 1.
    void legacyRange_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("lastRow");
        QTest::addColumn<int>("lastColumn");
        QTest::newRow("one row") << "one_row.xls" << 1 << 2;
        QTest::newRow("three rows") << "three_rows.xls" << 3 << 6;
        QTest::newRow("offset") << "offset.xls" << 5 << 4;
        QTest::newRow("declared huge") << "corpus/read-huge-dimension.xls" << 65536 << 256;
        QTest::newRow("first sheet in tab order, stored second") << "corpus/read-numbers-dates.xls" << 2 << 8;
    }
    void legacyRange() {
        QFETCH(QString, name);
        WorkbookReader reader;
        QVERIFY(reader.open(QStringLiteral(KV_TEST_DATA "/") + name));
        QTEST(reader.lastRow(), "lastRow");
        QTEST(reader.lastColumn(), "lastColumn");
    }

    // The .xls regression corpus: read-*.xls must read, refuse-*.xls must be refused as unreadable (damage,
    // encryption), never taken for a workbook without sheets.
    void xlsCorpus_data() {
        QTest::addColumn<QString>("name");
        const QStringList names =
            QDir(corpus()).entryList({QStringLiteral("*.xls")}, QDir::Files, QDir::Name);
        QVERIFY(names.size() >= 8);
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << name;
    }
    void xlsCorpus() {
        QFETCH(QString, name);
        WorkbookReader reader;
        reader.open(corpus(name));
        QCOMPARE(reader.errorText(),
                 name.startsWith(QLatin1String("refuse-")) ? WorkbookReader::kOpenFailed : QString());
    }

    // Eight sheets that each declare all 65,536 x 256 cells but hold a handful cost what the cells cost.
    void xlsDeclaredSizeCostsNothing() {
        if (!restartPeak() || peakKilobytes() < 0)
            QSKIP("the peak memory of the process cannot be read here");
        const qint64 before = peakKilobytes();
        WorkbookReader reader;
        QVERIFY(reader.open(corpus("read-huge-dimension.xls")));
        const qint64 grown = peakKilobytes() - before;
        QVERIFY2(grown < 64 * 1024, qPrintable(QStringLiteral("peak memory grew by %1 kB").arg(grown)));
    }

    // Structures a legacy workbook makes the reader keep or scan, just within and just beyond their bounds.
    void legacyBounds_data() {
        QTest::addColumn<QByteArray>("globals");
        QTest::addColumn<int>("extraEntries");
        QTest::addColumn<QString>("error");
        const auto formats = [](int count) {
            QByteArray out;
            for (int i = 0; i < count; ++i)
                out += biffFormat(164 + i % 200, QStringLiteral("0.00"));
            return out;
        };
        const auto strings = [](int count) {
            return biffStringTable(QStringList(QStringLiteral("药")) +
                                   copies(count - 1, QStringLiteral("a")));
        };
        QTest::newRow("format code of 255 characters")
            << biffFormat(164, QString(255, QLatin1Char('0'))) << 0 << QString();
        QTest::newRow("format code of 256 characters")
            << biffFormat(164, QString(256, QLatin1Char('0'))) << 0 << WorkbookReader::kOpenFailed;
        QTest::newRow("65,536 number formats") << formats(65536) << 0 << QString();
        QTest::newRow("65,537 number formats") << formats(65537) << 0 << WorkbookReader::kOpenFailed;
        QTest::newRow("65,536 cell formats") << biffXf(0).repeated(65536) << 0 << QString();
        QTest::newRow("65,537 cell formats") << biffXf(0).repeated(65537) << 0 << WorkbookReader::kOpenFailed;
        QTest::newRow("2,000,000 strings") << strings(2000000) << 0 << QString();
        QTest::newRow("2,000,001 strings") << strings(2000001) << 0 << WorkbookReader::kOpenFailed;
        QTest::newRow("unused string over the cell limit")
            << biffStringTable({QStringLiteral("药"), QString(SheetData::kMaxCellText + 1, QLatin1Char('a'))})
            << 0 << WorkbookReader::kOpenFailed;
        QTest::newRow("65,536 directory entries") << QByteArray() << 65534 << QString();
        QTest::newRow("65,537 directory entries") << QByteArray() << 65535 << WorkbookReader::kOpenFailed;
    }
    void legacyBounds() {
        QFETCH(QByteArray, globals);
        QFETCH(int, extraEntries);
        const QString path = file("bounds.xls");
        const LegacySheet sheet{0, kBiffWorksheet, biffLabel(0, 0, QStringLiteral("药"))};
        QVERIFY(writeFile(path, compoundDocument(biffWorkbook(globals, {sheet}), extraEntries)));
        WorkbookReader reader;
        QElapsedTimer timer;
        timer.start();
        reader.open(path);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
        QTEST(reader.errorText(), "error");
    }

    // The string table at its bound of 32 Mi characters, every string used by a cell: read within a few
    // hundred MB (the growth of the peak is printed); one character more is refused.
    void legacyStringTableBound_data() {
        QTest::addColumn<int>("extra");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("reason");
        QTest::newRow("at the bound") << 0 << QString() << QString();
        QTest::newRow("one character more")
            << 1 << WorkbookReader::kOpenFailed << WorkbookReader::kStringTableTooLarge;
    }
    void legacyStringTableBound() {
        QFETCH(int, extra);
        const QString path = file("strings.xls");
        {
            QStringList strings;
            for (int i = 0; i < 1024; ++i)
                strings << QString(SheetData::kMaxCellText, QLatin1Char('A' + i % 26));
            strings << QString(1024 + extra, QLatin1Char('z'));
            QByteArray cells;
            for (int i = 0; i < strings.size(); ++i)
                cells += biffRecord(0x00FD, le16(i) + le16(1) + le16(15) + le32(quint32(i)));
            QVERIFY(writeFile(path, compoundDocument(biffWorkbook(biffStringTable(strings),
                                                                  {{0, kBiffWorksheet, cells}}))));
        }
        const bool peakKnown = restartPeak() && peakKilobytes() >= 0;
        const qint64 before = peakKilobytes();
        {
            WorkbookReader reader;
            reader.open(path);
            QTEST(reader.errorText(), "error");
            QTEST(reader.errorReason(), "reason");
        }
        QFile::remove(path);
        if (!peakKnown)
            return;
        const qint64 grown = (peakKilobytes() - before) / 1024;
        qInfo("peak memory grew by %lld MB", grown);
        QVERIFY2(grown < 300, qPrintable(QString::number(grown)));
    }

    // Streams are read whole: a file beyond the bound is refused before anything is read. Sparse files.
    void legacyFileSize_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("at the bound") << CompoundFile::kMaxFileBytes << QString();
        QTest::newRow("one byte more") << CompoundFile::kMaxFileBytes + 1 << WorkbookReader::kOpenFailed;
        // Read whole with its strings, it took over 500 MB.
        QTest::newRow("100 MB") << qint64(100000000) << WorkbookReader::kOpenFailed;
    }
    void legacyFileSize() {
        QFETCH(qint64, bytes);
        const QString path = file("padded.xls");
        QVERIFY(writeFile(path, compoundDocument(biffWorkbook(
                                    {}, {{0, kBiffWorksheet, biffLabel(0, 0, QStringLiteral("药"))}}))));
        QVERIFY(QFile::resize(path, bytes));
        WorkbookReader reader;
        reader.open(path);
        QTEST(reader.errorText(), "error");
        QFile::remove(path);
    }

    // Only a worksheet holds cells: a chart's cached series values are no drugs.
    void legacyFirstSheetKind_data() {
        QTest::addColumn<int>("listedType");
        QTest::addColumn<int>("bofKind");
        QTest::addColumn<QString>("error");
        QTest::newRow("chart sheet first") << 2 << kBiffChart << WorkbookReader::kEmptySheet;
        QTest::newRow("macro sheet first") << 1 << kBiffMacroSheet << WorkbookReader::kEmptySheet;
        QTest::newRow("VB module first") << 6 << kBiffModule << WorkbookReader::kEmptySheet;
        QTest::newRow("listed as a worksheet, a chart inside")
            << 0 << kBiffChart << WorkbookReader::kEmptySheet;
        QTest::newRow("worksheet first") << 0 << kBiffWorksheet << QString();
    }
    void legacyFirstSheetKind() {
        QFETCH(int, listedType);
        QFETCH(int, bofKind);
        const QByteArray series = biffNumber(0, 0, 12.5) + biffNumber(1, 0, 8) + biffNumber(2, 0, 3.2);
        const QString path = file("kinds.xls");
        QVERIFY(
            writeFile(path, compoundDocument(biffWorkbook(
                                {}, {{listedType, bofKind, series},
                                     {0, kBiffWorksheet, biffLabel(0, 0, QStringLiteral("药品名称(*)"))}}))));
        WorkbookReader reader;
        reader.open(path);
        QTEST(reader.errorText(), "error");
    }

    // The same cells over and over, out of order, cost what the distinct cells cost; the last value wins.
    void repeatedCellsKept_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("entriesPerCell");
        QTest::newRow("numbers") << "Number" << 1;
        QTest::newRow("texts") << "Text" << 2;
        QTest::newRow("dates") << "Date" << 2;
        QTest::newRow("errors") << "Error" << 2;
    }
    void repeatedCellsKept() {
        QFETCH(QString, kind);
        QFETCH(int, entriesPerCell);
        const auto value = [&kind](int n) {
            if (kind == "Text")
                return CellValue::makeText(QString::number(n));
            if (kind == "Date")
                return CellValue::makeDate(QDate(2026, 1, 1).addDays(n % 3000));
            if (kind == "Error")
                return CellValue::makeError(n % 2 ? QStringLiteral("#N/A") : QStringLiteral("#REF!"));
            return CellValue::makeNumber(n);
        };
        constexpr int kRows = 50;
        constexpr int kColumns = 100;
        constexpr int kCells = kRows * kColumns;
        constexpr int kPasses = 21;
        SheetData sheet(kColumns);
        QHash<int, QString> expected;
        // Each pass in another order, and from the second on a third of the cells left as they were.
        for (int pass = 0; pass < kPasses; ++pass) {
            for (int i = 0; i < kCells; ++i) {
                const int cell = (i * 7919 + pass * 104729) % kCells;
                if (pass > 0 && (cell + pass) % 3 == 0)
                    continue;
                sheet.put(cell / kColumns + 1, cell % kColumns + 1, value(pass * kCells + cell));
                expected[cell] = describe(value(pass * kCells + cell));
            }
        }
        QStringList wrong;
        for (int cell = 0; cell < kCells; ++cell) {
            const QString got = describe(sheet.cell(cell / kColumns + 1, cell % kColumns + 1));
            if (got != expected.value(cell))
                wrong << QStringLiteral("%1: %2 for %3").arg(cell).arg(got, expected.value(cell));
        }
        QCOMPARE(wrong, QStringList());
        QVERIFY2(sheet.storedEntries() <= 2 * entriesPerCell * kCells,
                 qPrintable(QString::number(sheet.storedEntries())));
    }

    // A workbook whose MULRK records give the same 1,000 rows again and again keeps only the distinct cells.
    void repeatedRowsInAFile() {
        QByteArray rows;
        for (int row = 0; row < 1000; ++row) {
            QByteArray payload = le16(row) + le16(0);
            for (int column = 0; column < 16; ++column)
                payload += le16(15) + le32(quint32(row * 16 + column) << 2 | 2);
            rows += biffRecord(0x00BD, payload + le16(15));
        }
        const QString path = file("repeated.xls");
        QVERIFY(
            writeFile(path, compoundDocument(biffWorkbook({}, {{0, kBiffWorksheet, rows.repeated(24)}}))));
        SheetData sheet(64);
        QString detail;
        QCOMPARE(readXlsFirstSheet(path, sheet, detail), SheetStatus::Ok);
        QCOMPARE(describe(sheet.cell(1000, 16)), QStringLiteral("Number:15999"));
        QVERIFY2(sheet.storedEntries() <= 2 * 16000, qPrintable(QString::number(sheet.storedEntries())));
    }

    // The busy indicator repaints while a big string table or many formats are read, before any cell.
    void legacyProgressBeforeCells_data() {
        QTest::addColumn<QByteArray>("globals");
        QTest::newRow("string table") << biffStringTable(copies(20000, QStringLiteral("a")));
        QTest::newRow("cell formats") << biffXf(0).repeated(20000);
    }
    void legacyProgressBeforeCells() {
        QFETCH(QByteArray, globals);
        const QString path = file("progress.xls");
        QVERIFY(writeFile(path, compoundDocument(biffWorkbook(
                                    globals, {{0, kBiffWorksheet, biffLabel(0, 0, QStringLiteral("药"))}}))));
        WorkbookReader reader;
        int calls = 0;
        reader.setProgressCallback([&calls] { ++calls; });
        QVERIFY(reader.open(path));
        QVERIFY2(calls >= 4, qPrintable(QString::number(calls)));
    }

    void templateRoundTrip() {
        const QList<TemplateColumn> columns{{"药品条码", 18, "6901234567890", true},
                                            {"药品名称(*)", 30, "阿莫西林胶囊", false},
                                            {"采购价", 12, "5.00", false}};
        const QString path = file("模板/往返.xlsx");
        QVERIFY(QDir().mkpath(file("模板")));
        QString reason;
        QVERIFY(TemplateWriter::write(path, columns, &reason));
        WorkbookReader reader;
        QVERIFY(reader.open(path));
        QStringList titles;
        QStringList samples;
        for (int c = 1; c <= reader.lastColumn(); ++c) {
            titles << describe(reader.cell(1, c));
            samples << describe(reader.cell(2, c));
        }
        QCOMPARE(titles.join('|'), QStringLiteral("Text:药品条码|Text:药品名称(*)|Text:采购价"));
        QCOMPARE(samples.join('|'), QStringLiteral("Text:6901234567890|Text:阿莫西林胶囊|Text:5.00"));
        QCOMPARE(reader.lastRow(), 2);
    }

    void templateLooks() {
        const QString path = file("looks.xlsx");
        QVERIFY(TemplateWriter::write(path, {{"条码", 18, "1", true}}, nullptr));
        unzFile zip = unzOpen64(QFile::encodeName(path).constData());
        QVERIFY(zip);
        QCOMPARE(unzLocateFile(zip, "xl/styles.xml", 1), UNZ_OK);
        QCOMPARE(unzOpenCurrentFile(zip), UNZ_OK);
        QByteArray styles(1 << 16, '\0');
        styles.resize(unzReadCurrentFile(zip, styles.data(), unsigned(styles.size())));
        unzCloseCurrentFile(zip);
        unzClose(zip);
        QVERIFY(styles.contains("<b/>"));
        QVERIFY(styles.contains("FF333333"));
        QVERIFY(styles.contains("FFE8F0E8"));
        QVERIFY(styles.contains("FF999999"));
        QVERIFY(styles.contains("style=\"thin\""));
        QVERIFY(styles.contains("formatCode=\"@\""));
    }

    // Parts that each fit, but not together. Last: its own fixture takes a few hundred MB, which must not
    // count against the corpus's bound.
    void unpackedBytesBounded() {
        const QByteArray comments = QByteArray("<!--" + QByteArray(1000, 'c') + "-->").repeated(68000);
        const ZipParts parts = handWorkbook(
            {{"worksheets/s.xml", "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>" + comments}},
            "<si><t>阿莫西林</t></si>" + comments);
        QCOMPARE(openParts("together.xlsx", parts), WorkbookReader::kOpenFailed);
    }
};

KV_TEST_CLASS(TestSpreadsheet)
#include "tst_spreadsheet.moc"

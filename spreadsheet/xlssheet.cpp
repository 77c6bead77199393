// The legacy .xls back end: BIFF8 (and BIFF5) records read straight from the workbook stream of the
// compound document. Only what the first sheet's cells need is read: the string table, the cell formats,
// the date system and the sheet's cell records. The file is untrusted: every length is checked against the
// record that holds it, and nothing is allocated beyond what the file itself contains.
#include "spreadsheet/compoundfile.h"
#include "spreadsheet/sheetdata.h"

#include <QFile>
#include <QHash>
#include <QTextCodec>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <vector>

namespace kestrovalin {

namespace {

enum Record : quint16 {
    kFormula = 0x0006,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kCodePage = 0x0042,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kMulBlank = 0x00BE,
    kRichString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormat = 0x041E,
    kBof = 0x0809,
};

constexpr quint16 kBiff8 = 0x0600;
constexpr quint16 kBiff5 = 0x0500;
constexpr quint16 kGlobalsSubstream = 0x0005;
constexpr quint16 kWorksheetSubstream = 0x0010;
constexpr int kWorksheetType = 0;           // BOUNDSHEET: 1 macro sheet, 2 chart, 6 VB module
constexpr int kProgressEveryRecords = 4096; // records, cells, strings
constexpr int kCharactersPerStep = 64;      // of the string table, so long strings count for what they cost
// Characters of the whole string table: far beyond a real one. They are held twice at most (the table and
// the cells' copies), 128 MB together.
constexpr int kMaxStringTableChars = 32 << 20;
// Without a CODEPAGE record, 8-bit text is taken to be in the code page of our users, GBK.
constexpr quint16 kDefaultCodePage = 936;

quint16 u16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 u32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

QString recordName(quint16 type) {
    return QStringLiteral("0x%1").arg(type, 4, 16, QLatin1Char('0'));
}

// A record and the CONTINUE records after it as one run of bytes, walked in place. Where a string's
// characters cross into a CONTINUE record, that record starts with a fresh option byte telling whether they
// are one or two bytes each. Every read fails, rather than reads past, when the bytes run out.
class Pieces {
public:
    // One run of bytes without continuations.
    Pieces(const char* data, int length) : m_data(data), m_length(length) {}
    // The payload of the record at `offset` in the stream, then each CONTINUE record straight after it.
    Pieces(const QByteArray& stream, int offset, int length)
        : m_stream(&stream), m_data(stream.constData() + offset), m_length(length), m_next(offset + length) {}

    bool atEnd() {
        while (m_pos == m_length) {
            if (!nextRecord())
                return true;
        }
        return false;
    }

    bool byte(quint8& value) {
        if (atEnd())
            return false;
        value = quint8(m_data[m_pos++]);
        return true;
    }

    bool u16(quint16& value) {
        quint8 lo = 0;
        quint8 hi = 0;
        if (!byte(lo) || !byte(hi))
            return false;
        value = quint16(lo | hi << 8);
        return true;
    }

    bool u32(quint32& value) {
        quint16 lo = 0;
        quint16 hi = 0;
        if (!u16(lo) || !u16(hi))
            return false;
        value = lo | quint32(hi) << 16;
        return true;
    }

    bool skip(qint64 count) {
        while (count > 0) {
            if (atEnd())
                return false;
            const int step = int(qMin<qint64>(count, m_length - m_pos));
            m_pos += step;
            count -= step;
        }
        return true;
    }

    // Raw bytes, as BIFF5 strings hold them in the workbook's code page.
    bool bytes(int count, QByteArray& out) {
        out.clear();
        while (count > 0) {
            if (atEnd())
                return false;
            const int step = qMin(count, m_length - m_pos);
            out.append(m_data + m_pos, step);
            m_pos += step;
            count -= step;
        }
        return true;
    }

    // BIFF8 characters: Latin-1 bytes or UTF-16LE pairs, switching where a CONTINUE record begins. They are
    // appended to `out`.
    bool characters(int count, bool wide, QString& out) {
        while (count > 0) {
            if (m_pos == m_length) {
                if (!nextRecord())
                    return false;
                quint8 options = 0;
                if (!byte(options))
                    return false;
                wide = options & 1;
                continue;
            }
            const int available = m_length - m_pos;
            const int step = qMin(count, wide ? available / 2 : available);
            if (step == 0)
                return false; // half a character before the record ends
            const char* p = m_data + m_pos;
            if (wide) {
                for (int i = 0; i < step; ++i)
                    out += QChar(kestrovalin::u16(p + 2 * i));
            } else {
                out += QLatin1String(p, step);
            }
            m_pos += wide ? 2 * step : step;
            count -= step;
        }
        return true;
    }

private:
    // Moves into the CONTINUE record that follows, if there is a whole one.
    bool nextRecord() {
        if (!m_stream || m_stream->size() - m_next < 4 ||
            kestrovalin::u16(m_stream->constData() + m_next) != kContinue)
            return false;
        const int length = kestrovalin::u16(m_stream->constData() + m_next + 2);
        if (length > m_stream->size() - m_next - 4)
            return false;
        m_data = m_stream->constData() + m_next + 4;
        m_length = length;
        m_pos = 0;
        m_next += 4 + length;
        return true;
    }

    const QByteArray* m_stream = nullptr;
    const char* m_data;
    int m_length;
    int m_pos = 0;
    int m_next = 0; // where the next record's header would start
};

struct RecordView {
    quint16 type = 0;
    int offset = 0; // of the payload in the stream
    int length = 0;
};

// Walks the records of the workbook stream from a position; a record that claims more bytes than the stream
// holds is damage, not the end.
class Records {
public:
    Records(const QByteArray& stream, int position) : m_stream(stream), m_pos(position) {}

    // False at the end of the stream (detail empty) or on damage (detail set).
    bool next(RecordView& record, QString& detail) {
        if (m_pos == m_stream.size())
            return false;
        if (m_stream.size() - m_pos < 4) {
            detail = QStringLiteral("stream ends inside a record header at %1").arg(m_pos);
            return false;
        }
        record.type = u16(m_stream.constData() + m_pos);
        record.length = u16(m_stream.constData() + m_pos + 2);
        record.offset = m_pos + 4;
        if (record.length > m_stream.size() - record.offset) {
            detail = QStringLiteral("record %1 at %2 claims %3 bytes beyond the stream")
                         .arg(recordName(record.type))
                         .arg(m_pos)
                         .arg(record.length);
            return false;
        }
        m_pos = record.offset + record.length;
        return true;
    }

private:
    const QByteArray& m_stream;
    int m_pos;
};

QString errorText(quint8 code) {
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    case 0x2A:
        return QStringLiteral("#N/A");
    default:
        return QStringLiteral("#VALUE!");
    }
}

double rkNumber(quint32 rk) {
    double value = 0;
    if (rk & 2) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) ? value / 100 : value;
}

QTextCodec* codecFor(quint16 codePage) {
    QByteArray name;
    switch (codePage) {
    case 932:
        name = "Shift_JIS";
        break;
    case 936:
        name = "GBK";
        break;
    case 949:
        name = "windows-949";
        break;
    case 950:
        name = "Big5";
        break;
    case 10000:
    case 32768:
        name = "macintosh";
        break;
    default:
        name = (codePage >= 1250 && codePage <= 1258 ? "windows-" : "cp") + QByteArray::number(codePage);
        break;
    }
    QTextCodec* codec = QTextCodec::codecForName(name);
    if (!codec)
        codec = QTextCodec::codecForName("windows-1252");
    return codec ? codec : QTextCodec::codecForName("ISO-8859-1");
}

class BiffReader {
public:
    BiffReader(const QByteArray& stream, SheetData& sheet, QString& detail)
        : m_stream(stream), m_sheet(sheet), m_detail(detail) {}

    SheetStatus run() {
        const SheetStatus status = readGlobals();
        if (status != SheetStatus::Ok)
            return status;
        return readSheet();
    }

private:
    bool fail(const QString& text) {
        if (m_detail.isEmpty())
            m_detail = text;
        return false;
    }
    bool refuse(SheetRefusal refusal, const QString& text) {
        m_sheet.refusal = refusal;
        return fail(text);
    }

    bool tooShort(const RecordView& record, int needed) {
        if (record.length >= needed)
            return false;
        fail(QStringLiteral("record %1 at %2 too short").arg(recordName(record.type)).arg(record.offset - 4));
        return true;
    }

    const char* payload(const RecordView& record) const { return m_stream.constData() + record.offset; }

    // A string with a 1- or 2-byte character count, appended to `text`. BIFF8 adds an option byte (one or
    // two bytes per character); in the string table also rich-text runs and a phonetic block to skip.
    bool readString(Pieces& in, int countBytes, bool tableEntry, QString& text) {
        quint16 count = 0;
        if (countBytes == 1) {
            quint8 small = 0;
            if (!in.byte(small))
                return false;
            count = small;
        } else if (!in.u16(count)) {
            return false;
        }
        if (!m_biff8) {
            QByteArray raw;
            if (!in.bytes(count, raw))
                return false;
            if (!m_codec)
                m_codec = codecFor(m_codePage); // only BIFF5 text needs it
            text += m_codec->toUnicode(raw);
            return true;
        }
        quint8 options = 0;
        if (!in.byte(options))
            return false;
        quint16 runs = 0;
        quint32 phonetic = 0;
        if (tableEntry && (options & 0x08) && !in.u16(runs))
            return false;
        if (tableEntry && (options & 0x04) && !in.u32(phonetic))
            return false;
        return in.characters(count, options & 1, text) && in.skip(qint64(runs) * 4) && in.skip(phonetic);
    }

    bool readString(const RecordView& record, int skip, int countBytes, QString& text) {
        Pieces in(payload(record) + qMin(skip, record.length), qMax(0, record.length - skip));
        text.clear();
        if (readString(in, countBytes, false, text))
            return true;
        return fail(QStringLiteral("string of record %1 at %2 runs past its end")
                        .arg(recordName(record.type))
                        .arg(record.offset - 4));
    }

    // The table keeps its characters in one pool; a cell's QString is made on first use and shared after.
    bool readSharedStrings(const RecordView& record) {
        Pieces in(m_stream, record.offset, record.length);
        quint32 total = 0;
        quint32 unique = 0;
        if (!in.u32(total) || !in.u32(unique))
            return fail(QStringLiteral("string table too short"));
        // Some writers count wrongly; the strings that are there are read, and an index beyond them is
        // refused where a cell uses it.
        m_stringEnds.reserve(
            size_t(qMin<quint32>(qMin<quint32>(unique, SheetData::kMaxSharedStrings), m_stream.size() / 3)));
        // A character takes a byte at least: room for all of them at once, rather than growing by copies.
        m_stringPool.reserve(
            int(qMin<qint64>(continuedLength(record), kMaxStringTableChars + SheetData::kMaxCellText)));
        for (quint32 i = 0; i < unique && !in.atEnd(); ++i) {
            if (m_stringEnds.size() == size_t(SheetData::kMaxSharedStrings))
                return refuse(
                    SheetRefusal::StringTable,
                    QStringLiteral("more than %1 shared strings").arg(SheetData::kMaxSharedStrings));
            const int start = m_stringPool.size();
            if (!readString(in, 2, true, m_stringPool))
                return fail(QStringLiteral("string table entry %1 runs past the table").arg(i));
            if (m_stringPool.size() - start > SheetData::kMaxCellText)
                return refuse(SheetRefusal::CellText,
                              QStringLiteral("string table entry %1 longer than %2 characters")
                                  .arg(i)
                                  .arg(SheetData::kMaxCellText));
            if (m_stringPool.size() > kMaxStringTableChars)
                return refuse(SheetRefusal::StringTable,
                              QStringLiteral("string table over %1 characters").arg(kMaxStringTableChars));
            m_stringEnds.push_back(m_stringPool.size());
            m_progress.step(1 + (m_stringPool.size() - start) / kCharactersPerStep);
        }
        m_stringCache.resize(int(m_stringEnds.size()));
        return true;
    }

    // The bytes of a record and the CONTINUE records straight after it.
    qint64 continuedLength(const RecordView& record) const {
        qint64 total = record.length;
        Records records(m_stream, record.offset + record.length);
        RecordView next;
        QString ignored;
        while (records.next(next, ignored) && next.type == kContinue)
            total += next.length;
        return total;
    }

    QString sharedString(int index) {
        QString& text = m_stringCache[index];
        if (text.isNull()) {
            const int start = index == 0 ? 0 : m_stringEnds[size_t(index) - 1];
            text = m_stringPool.mid(start, m_stringEnds[size_t(index)] - start);
            if (text.isNull())
                text = QLatin1String(""); // empty, but made
        }
        return text;
    }

    SheetStatus readGlobals() {
        Records records(m_stream, 0);
        RecordView record;
        if (!records.next(record, m_detail) || record.type != kBof || tooShort(record, 4) ||
            u16(payload(record) + 2) != kGlobalsSubstream) {
            fail(QStringLiteral("workbook stream does not start with a workbook BOF record"));
            return SheetStatus::Unreadable;
        }
        const quint16 version = u16(payload(record));
        if (version != kBiff8 && version != kBiff5) {
            fail(QStringLiteral("unsupported BIFF version 0x%1").arg(version, 4, 16, QLatin1Char('0')));
            return SheetStatus::Unreadable;
        }
        m_biff8 = version == kBiff8;
        QHash<int, bool> customDate; // each custom format decided once
        int formatCount = 0;
        QVector<int> xfFormats;
        qint64 firstSheet = -1;
        int firstSheetType = 0;
        for (;;) {
            m_progress.step();
            if (!records.next(record, m_detail)) {
                fail(QStringLiteral("workbook globals end without an EOF record"));
                return SheetStatus::Unreadable;
            }
            const char* p = payload(record);
            switch (record.type) {
            case kEof:
                if (firstSheet < 0) {
                    fail(QStringLiteral("workbook lists no sheet"));
                    return SheetStatus::NoSheet;
                }
                m_dateXf.reserve(xfFormats.size());
                for (int format : xfFormats) {
                    const auto custom = customDate.constFind(format);
                    m_dateXf.append(custom != customDate.constEnd() ? *custom : isBuiltInDateFormat(format));
                }
                if (firstSheet >= m_stream.size()) {
                    fail(QStringLiteral("first sheet at %1 beyond the stream").arg(firstSheet));
                    return SheetStatus::Unreadable;
                }
                if (firstSheetType != kWorksheetType) {
                    fail(QStringLiteral("first sheet is of type %1, not a worksheet").arg(firstSheetType));
                    return SheetStatus::EmptySheet;
                }
                m_sheetOffset = int(firstSheet);
                return SheetStatus::Ok;
            case kFilePass:
                fail(QStringLiteral("workbook is encrypted"));
                return SheetStatus::Encrypted;
            case kCodePage:
                if (tooShort(record, 2))
                    return SheetStatus::Unreadable;
                m_codePage = u16(p);
                break;
            case kDateMode:
                if (tooShort(record, 2))
                    return SheetStatus::Unreadable;
                m_date1904 = u16(p) == 1;
                break;
            case kFormat: {
                QString code;
                if (tooShort(record, 3) || !readString(record, 2, m_biff8 ? 2 : 1, code))
                    return SheetStatus::Unreadable;
                if (++formatCount > SheetData::kMaxNumberFormats) {
                    fail(QStringLiteral("more than %1 number formats").arg(SheetData::kMaxNumberFormats));
                    return SheetStatus::Unreadable;
                }
                if (code.size() > SheetData::kMaxFormatCode) {
                    fail(QStringLiteral("number format of %1 characters").arg(code.size()));
                    return SheetStatus::Unreadable;
                }
                customDate.insert(u16(p), isDateFormatCode(code));
                break;
            }
            case kXf:
                if (tooShort(record, 4))
                    return SheetStatus::Unreadable;
                if (xfFormats.size() == SheetData::kMaxCellFormats) {
                    fail(QStringLiteral("more than %1 cell formats").arg(SheetData::kMaxCellFormats));
                    return SheetStatus::Unreadable;
                }
                xfFormats.append(u16(p + 2));
                break;
            case kSst:
                if (!readSharedStrings(record))
                    return SheetStatus::Unreadable;
                break;
            case kBoundSheet:
                // Sheets are listed in tab order; the first is read, hidden or not, when it is a worksheet.
                if (tooShort(record, 6))
                    return SheetStatus::Unreadable;
                if (firstSheet < 0) {
                    firstSheet = u32(p);
                    firstSheetType = quint8(p[5]);
                }
                break;
            default:
                break;
            }
        }
    }

    bool put(int row, int column, int xf, CellValue value) {
        if (column + 1 > SheetData::kMaxColumns)
            return fail(QStringLiteral("column %1 beyond the sheet").arg(column + 1));
        if (value.kind == CellValue::Kind::Number) {
            if (!std::isfinite(value.number))
                value = CellValue::makeError(QStringLiteral("#NUM!"));
            else if (m_dateXf.value(xf, false))
                value = CellValue::fromSerial(value.number, m_date1904);
        }
        m_sheet.put(row + 1, column + 1, value);
        m_progress.step();
        return true;
    }

    bool readCell(Records& records, const RecordView& record) {
        const char* p = payload(record);
        switch (record.type) {
        case kLabelSst: {
            if (tooShort(record, 10))
                return false;
            const quint32 index = u32(p + 6);
            if (index >= quint32(m_stringCache.size()))
                return fail(
                    QStringLiteral("string index %1 of %2 strings").arg(index).arg(m_stringCache.size()));
            return put(u16(p), u16(p + 2), u16(p + 4), CellValue::makeText(sharedString(int(index))));
        }
        case kLabel:
        case kRichString: {
            QString text;
            if (tooShort(record, 8) || !readString(record, 6, 2, text))
                return false;
            return put(u16(p), u16(p + 2), u16(p + 4), CellValue::makeText(text));
        }
        case kNumber: {
            if (tooShort(record, 14))
                return false;
            double value = 0;
            const quint64 bits = qFromLittleEndian<quint64>(p + 6);
            std::memcpy(&value, &bits, sizeof value);
            return put(u16(p), u16(p + 2), u16(p + 4), CellValue::makeNumber(value));
        }
        case kRk:
            if (tooShort(record, 10))
                return false;
            return put(u16(p), u16(p + 2), u16(p + 4), CellValue::makeNumber(rkNumber(u32(p + 6))));
        case kMulRk: {
            if (record.length < 12 || (record.length - 6) % 6 != 0)
                return fail(QStringLiteral("MULRK record at %1 of odd length").arg(record.offset - 4));
            const int count = (record.length - 6) / 6;
            for (int i = 0; i < count; ++i) {
                const char* cell = p + 4 + 6 * i;
                if (!put(u16(p), u16(p + 2) + i, u16(cell), CellValue::makeNumber(rkNumber(u32(cell + 2)))))
                    return false;
            }
            return true;
        }
        case kBoolErr: {
            if (tooShort(record, 8))
                return false;
            const quint8 value = quint8(p[6]);
            return put(u16(p), u16(p + 2), u16(p + 4),
                       p[7] ? CellValue::makeError(errorText(value)) : CellValue::fromBoolCode(value));
        }
        case kFormula:
            return readFormula(records, record);
        default:
            return true;
        }
    }

    // A formula's cached result: a number, or a marked kind (string, boolean, error, empty text). A string
    // result follows in a STRING record, maybe after records that share the formula.
    bool readFormula(Records& records, const RecordView& record) {
        if (tooShort(record, 14))
            return false;
        const char* p = payload(record);
        const int row = u16(p);
        const int column = u16(p + 2);
        const int xf = u16(p + 4);
        const char* result = p + 6;
        if (u16(result + 6) != 0xFFFF) {
            double value = 0;
            const quint64 bits = qFromLittleEndian<quint64>(result);
            std::memcpy(&value, &bits, sizeof value);
            return put(row, column, xf, CellValue::makeNumber(value));
        }
        switch (quint8(result[0])) {
        case 0:
            break;
        case 1:
            return put(row, column, xf, CellValue::fromBoolCode(quint8(result[2])));
        case 2:
            return put(row, column, xf, CellValue::makeError(errorText(quint8(result[2]))));
        case 3:
            return put(row, column, xf, CellValue::makeEmptyResult());
        default:
            return fail(QStringLiteral("formula at %1 has an unknown result kind %2")
                            .arg(record.offset - 4)
                            .arg(quint8(result[0])));
        }
        RecordView next;
        while (records.next(next, m_detail)) {
            m_progress.step();
            if (next.type == kString) {
                Pieces in(m_stream, next.offset, next.length);
                QString text;
                if (!readString(in, 2, false, text))
                    return fail(
                        QStringLiteral("formula string at %1 runs past its end").arg(next.offset - 4));
                return put(row, column, xf, CellValue::formulaResult(CellValue::makeText(text)));
            }
            if (isCellOrEnd(next.type))
                break;
        }
        return fail(QStringLiteral("formula at %1 lacks its string result").arg(record.offset - 4));
    }

    static bool isCellOrEnd(quint16 type) {
        switch (type) {
        case kFormula:
        case kEof:
        case kBof:
        case kMulRk:
        case kMulBlank:
        case kRichString:
        case kLabelSst:
        case kBlank:
        case kNumber:
        case kLabel:
        case kBoolErr:
        case kRk:
            return true;
        default:
            return false;
        }
    }

    // The first sheet's records from its BOF to the matching EOF; charts embedded in the sheet bring their
    // own BOF and EOF, and nothing inside them is a cell of the sheet.
    SheetStatus readSheet() {
        Records records(m_stream, m_sheetOffset);
        RecordView record;
        if (!records.next(record, m_detail) || record.type != kBof || tooShort(record, 4)) {
            fail(QStringLiteral("first sheet does not start with a BOF record"));
            return SheetStatus::Unreadable;
        }
        if (u16(payload(record) + 2) != kWorksheetSubstream) {
            fail(QStringLiteral("first sheet's substream is of type 0x%1, not a worksheet")
                     .arg(u16(payload(record) + 2), 4, 16, QLatin1Char('0')));
            return SheetStatus::EmptySheet;
        }
        int depth = 1;
        while (records.next(record, m_detail)) {
            m_progress.step();
            if (record.type == kBof) {
                ++depth;
            } else if (record.type == kEof) {
                if (--depth == 0)
                    return SheetStatus::Ok;
            } else if (depth == 1 && !readCell(records, record)) {
                return SheetStatus::Unreadable;
            }
        }
        fail(QStringLiteral("first sheet ends without an EOF record"));
        return SheetStatus::Unreadable;
    }

    const QByteArray& m_stream;
    SheetData& m_sheet;
    QString& m_detail;
    quint16 m_codePage = kDefaultCodePage;
    QTextCodec* m_codec = nullptr;
    bool m_biff8 = true;
    bool m_date1904 = false;
    int m_sheetOffset = 0;
    QString m_stringPool;           // the string table's characters, one string after the other
    std::vector<int> m_stringEnds;  // where each string ends in the pool
    QVector<QString> m_stringCache; // a string once a cell used it, null before
    Progress m_progress{m_sheet.progress, kProgressEveryRecords}; // records and strings read
    QVector<bool> m_dateXf;
};

} // namespace

SheetStatus readXlsFirstSheet(const QString& path, SheetData& sheet, QString& detail) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        detail = file.errorString();
        return SheetStatus::Unreadable;
    }
    CompoundFile compound(file);
    if (!compound.open(detail)) {
        if (file.size() > CompoundFile::kMaxFileBytes)
            sheet.refusal = SheetRefusal::FileSize;
        return SheetStatus::Unreadable;
    }
    // A password-protected .xlsx is a compound document holding the encrypted package.
    if (compound.hasStream(QStringLiteral("EncryptedPackage"))) {
        detail = QStringLiteral("encrypted package (a password-protected .xlsx)");
        return SheetStatus::Encrypted;
    }
    // BIFF8 keeps its records in "Workbook", BIFF5 in "Book"; a file with both was saved for both.
    const QString name =
        compound.hasStream(QStringLiteral("Workbook")) ? QStringLiteral("Workbook") : QStringLiteral("Book");
    QByteArray stream;
    if (!compound.readStream(name, stream, detail))
        return SheetStatus::Unreadable;
    return BiffReader(stream, sheet, detail).run();
}

} // namespace kestrovalin

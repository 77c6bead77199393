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

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace kestrovalin {

namespace {

// What all the parts read from one file may hold together. A workbook of a few hundred thousand rows stays
// below; more would take too long and too much memory to read, whatever the file is. The XML reader takes
// about 0.15 to 0.25 microseconds for each tag or attribute, so those are counted, not only bytes.
constexpr quint64 kMaxUnpackedBytes = 128ull * 1024 * 1024;
constexpr qint64 kMaxMarkup = 12000000; // start tags and attributes
// Each costs a few dozen bytes kept, however short; a file near the byte limit could hold millions.
constexpr int kMaxSharedStrings = 2000000;
// A workbook has tens of parts; a directory of millions only costs time to look through.
constexpr int kMaxZipEntries = 10000;
constexpr int kMaxPartName = 1024; // bytes
// The workbook's relationships: one per sheet and a few more.
constexpr int kMaxRelationships = 10000;
// The spreadsheet programs' own limits on cell formats and on a number format's code.
constexpr int kMaxCellFormats = 65536;
constexpr int kMaxNumberFormats = 65536;
constexpr int kMaxFormatCode = 255;
// Rows, entries, relationships or formats between two calls of the progress callback.
constexpr int kProgressEvery = 512;
// Raw text gathered for one cell before its escapes are decoded: "_x000D_" is seven characters for one.
constexpr int kMaxRawCellText = SheetData::kMaxCellText * 7;

// Calls the sheet's progress callback every so many steps of any long loop, so a busy box keeps painting.
class Progress {
public:
    explicit Progress(const std::function<void()>& callback) : m_callback(callback) {}
    void step() {
        if (++m_steps % kProgressEvery == 0 && m_callback)
            m_callback();
    }

private:
    const std::function<void()>& m_callback;
    int m_steps = 0;
};

bool isLocal(const QXmlStreamReader& xml, QLatin1String name) {
    return xml.name() == name;
}

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

// Looks at the bytes of a part before the XML reader does and refuses what would make that reader slow or
// big: it checks a tag's attributes against each other and its namespaces against those in scope in
// quadratic time, keeps a whole tag or text run in memory, and nothing bounds either. Only UTF-8 is let
// through, so that the markup seen here is the markup the reader sees.
class XmlGuard {
public:
    explicit XmlGuard(qint64& markup) : m_markup(markup) {}

    static constexpr int kMaxAttributes = 32;
    static constexpr int kMaxNamespaces = 16; // declarations in scope
    static constexpr int kMaxDepth = 128;
    static constexpr qint64 kMaxRun = 1 << 20; // bytes of one tag, text run, comment or CDATA section

    // False once the bytes break a limit; reason() says which.
    bool feed(const char* data, qint64 size) {
        for (qint64 i = 0; i < size; ++i, ++m_offset) {
            const char c = data[i];
            // Text between tags is most of a sheet: only its end and its length matter.
            if (m_state == State::Text && c != '<' && c != '\0' && m_run < kMaxRun) {
                ++m_run;
                continue;
            }
            if (!step(c))
                return false;
        }
        return true;
    }
    const QString& reason() const { return m_reason; }

private:
    enum class State { Text, Open, Bang, Comment, CData, Instruction, EndTag, StartTag };

    bool refuse(const char* why) {
        m_reason = QString::fromLatin1(why) + QStringLiteral(" at byte %1").arg(m_offset);
        return false;
    }

    bool step(char c) {
        if (c == '\0')
            return refuse("NUL byte (not UTF-8)");
        if (m_state == State::Text && c == '<') {
            m_state = State::Open;
            m_run = 1;
            return true;
        }
        if (++m_run > kMaxRun)
            return refuse(m_state == State::Text ? "text run too long" : "markup too long");
        m_tail = (m_tail << 8) | quint8(c);
        switch (m_state) {
        case State::Text:
            return true;
        case State::Open:
            return open(c);
        case State::Bang:
            m_head += c;
            if (m_head == "--") {
                m_state = State::Comment;
                m_tail = 0;
            } else if (m_head == "[CDATA[") {
                m_state = State::CData;
                m_tail = 0;
            } else if (m_head != "-" && !QByteArray("[CDATA[").startsWith(m_head)) {
                return refuse("document type declaration");
            }
            return true;
        case State::Comment:
            if ((m_tail & 0xFFFFFF) == 0x2D2D3E) // "-->"
                toText();
            return true;
        case State::CData:
            if ((m_tail & 0xFFFFFF) == 0x5D5D3E) // "]]>"
                toText();
            return true;
        case State::Instruction:
            if (m_declaration)
                m_head += c;
            if ((m_tail & 0xFFFF) == 0x3F3E) { // "?>"
                toText();
                if (m_declaration)
                    return declaration();
            }
            return true;
        case State::EndTag:
            if (c == '>') {
                if (!m_scopes.empty()) {
                    m_inScope -= m_scopes.back();
                    m_scopes.pop_back();
                }
                toText();
            }
            return true;
        case State::StartTag:
            return startTag(c);
        }
        return true;
    }

    bool open(char c) {
        if (!m_head.isEmpty())
            m_head.clear();
        switch (c) {
        case '/':
            m_state = State::EndTag;
            return true;
        case '?':
            m_state = State::Instruction;
            // The declaration can only come first, after a byte order mark at most.
            m_declaration = m_offset <= 4;
            return true;
        case '!':
            m_state = State::Bang;
            return true;
        default:
            m_state = State::StartTag;
            if (++m_markup > kMaxMarkup)
                return refuse("too many tags and attributes");
            m_attributes = 0;
            m_declarations = 0;
            m_quote = 0;
            m_last = c;
            m_afterSpace = false;
            return true;
        }
    }

    bool startTag(char c) {
        if (m_quote) {
            if (c == m_quote)
                m_quote = 0;
            return true;
        }
        switch (c) {
        case '"':
        case '\'':
            m_quote = c;
            break;
        case '=':
            if (++m_attributes > kMaxAttributes)
                return refuse("too many attributes in one tag");
            // A prefixed name costs the reader about twice as much: it looks the prefix up.
            m_markup += m_prefixed ? 2 : 1;
            if (m_markup > kMaxMarkup)
                return refuse("too many tags and attributes");
            if ((m_nameSize == 5 || (m_nameSize == 6 && m_name[5] == ':')) &&
                std::memcmp(m_name, "xmlns", 5) == 0)
                ++m_declarations;
            break;
        case '>': {
            toText();
            if (m_inScope + m_declarations > kMaxNamespaces)
                return refuse("too many namespace declarations in scope");
            if (m_last == '/')
                return true; // empty element: nothing stays open
            m_scopes.push_back(m_declarations);
            m_inScope += m_declarations;
            if (int(m_scopes.size()) > kMaxDepth)
                return refuse("elements nested too deep");
            return true;
        }
        case ' ':
        case '\t':
        case '\r':
        case '\n':
            m_afterSpace = true;
            return true;
        default:
            if (m_afterSpace) {
                m_nameSize = 0;
                m_prefixed = false;
                m_afterSpace = false;
            }
            m_prefixed = m_prefixed || c == ':';
            if (m_nameSize < int(sizeof m_name))
                m_name[m_nameSize++] = c;
            break;
        }
        m_last = c;
        return true;
    }

    // Only UTF-8 may be declared (or nothing, which means UTF-8 here).
    bool declaration() {
        const int at = m_head.indexOf("encoding");
        if (at < 0)
            return true;
        int quote = at;
        while (quote < m_head.size() && m_head.at(quote) != '"' && m_head.at(quote) != '\'')
            ++quote;
        if (quote == m_head.size())
            quote = -1;
        const int end = quote < 0 ? -1 : m_head.indexOf(m_head.at(quote), quote + 1);
        const QByteArray name = end < 0 ? QByteArray() : m_head.mid(quote + 1, end - quote - 1).toLower();
        if (name != "utf-8" && name != "utf8")
            return refuse("encoding other than UTF-8");
        return true;
    }

    void toText() {
        m_state = State::Text;
        m_run = 0;
    }

    qint64& m_markup; // in every part read so far
    State m_state = State::Text;
    qint64 m_run = 0;    // bytes of the current text run or markup
    qint64 m_offset = 0; // bytes seen before the current one
    quint32 m_tail = 0;  // the last bytes, the current one lowest
    QByteArray m_head;   // after "<!", or the declaration
    bool m_declaration = false;
    int m_attributes = 0;
    int m_declarations = 0; // namespace declarations in the current start tag
    char m_quote = 0;
    char m_last = 0; // the last byte of the current start tag outside values
    bool m_afterSpace = false;
    char m_name[6] = {}; // the first bytes of the current attribute name
    int m_nameSize = 0;
    bool m_prefixed = false; // the current attribute name has a prefix
    int m_inScope = 0;
    std::vector<int> m_scopes; // declarations of each open element
    QString m_reason;
};

// One zip entry as a sequential device. The bytes it hands on have passed the guard; all entries of one
// file together unpack to no more than the limit. finish() reads the entry to its end and checks its
// checksum, which the zip library does only then.
class ZipEntry : public QIODevice {
public:
    static constexpr uLong kStored = 0;
    static constexpr uLong kDeflated = 8;

    ZipEntry(unzFile zip, quint64& unpacked, qint64& markup)
        : m_zip(zip), m_unpacked(unpacked), m_guard(markup) {}
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
        // The zip library hands any other method over raw, without looking at the checksum.
        if (info.compression_method != kStored && info.compression_method != kDeflated) {
            detail = QStringLiteral("zip entry packed with method %1").arg(info.compression_method);
            return false;
        }
        if (info.uncompressed_size > kMaxUnpackedBytes - m_unpacked) {
            detail = QStringLiteral("zip entry too large: %1 bytes").arg(info.uncompressed_size);
            return false;
        }
        m_declared = info.uncompressed_size;
        if (unzOpenCurrentFile(m_zip) != UNZ_OK) {
            detail = QStringLiteral("zip entry cannot be opened");
            return false;
        }
        m_entryOpen = true;
        return QIODevice::open(QIODevice::ReadOnly);
    }

    // Reads what the XML reader left, then closes the entry: false when the entry is not whole.
    bool finish(QString& detail) {
        char rest[1 << 14];
        while (!m_failed && !m_ended)
            unpack(rest, sizeof rest);
        if (m_failed) {
            detail = failure();
            return false;
        }
        m_entryOpen = false;
        const int closed = unzCloseCurrentFile(m_zip);
        if (m_total != m_declared) {
            detail = QStringLiteral("unpacked %1 bytes, the directory says %2").arg(m_total).arg(m_declared);
            return false;
        }
        if (closed != UNZ_OK) {
            detail = closed == UNZ_CRCERROR ? QStringLiteral("checksum mismatch")
                                            : QStringLiteral("entry cannot be closed: %1").arg(closed);
            return false;
        }
        return true;
    }

    bool isSequential() const override { return true; }
    bool failed() const { return m_failed; }
    QString failure() const {
        return m_guard.reason().isEmpty() ? QStringLiteral("unpacking failed or too large")
                                          : m_guard.reason();
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        // QIODevice asks for 0 bytes now and then; only a real end of the entry is the end.
        if (m_failed)
            return -1;
        if (m_ended || maxSize <= 0)
            return 0;
        const int n = unpack(data, unsigned(qMin<qint64>(maxSize, 1 << 20)));
        if (n > 0 && !m_guard.feed(data, n))
            m_failed = true;
        return m_failed ? -1 : n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    int unpack(char* data, unsigned size) {
        const int n = unzReadCurrentFile(m_zip, data, size);
        if (n < 0) {
            m_failed = true;
            return n;
        }
        m_total += quint64(n);
        m_unpacked += quint64(n);
        if (m_unpacked > kMaxUnpackedBytes)
            m_failed = true;
        m_ended = n == 0;
        return n;
    }

    unzFile m_zip;
    quint64& m_unpacked;
    XmlGuard m_guard;
    bool m_entryOpen = false;
    bool m_failed = false;
    bool m_ended = false;
    quint64 m_declared = 0;
    quint64 m_total = 0;
};

// What is looked for in a part's relationships: the target of one id and the first target of some types;
// the others are passed over, not kept.
struct WantedRelationships {
    QString id;
    QString idTarget;
    QVector<QLatin1String> typeSuffixes;
    QVector<QString> typeTargets; // one per suffix, empty when there is none
};

// Reads the parts of one archive. Every failure leaves its reason in `detail`.
class Package {
public:
    Package(const QString& path, Progress& progress)
        : m_zip(unzOpen64(QFile::encodeName(path).constData())), m_progress(progress) {}
    ~Package() {
        if (m_zip)
            unzClose(m_zip);
    }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    // Looks through the directory once: a bounded number of entries, no two with the same name.
    bool open(QString& detail) {
        unz_global_info64 global;
        if (!m_zip || unzGetGlobalInfo64(m_zip, &global) != UNZ_OK) {
            detail = QStringLiteral("not a readable zip archive");
            return false;
        }
        if (global.number_entry > kMaxZipEntries)
            return tooManyEntries(detail);
        int status = unzGoToFirstFile(m_zip);
        for (; status == UNZ_OK; status = unzGoToNextFile(m_zip)) {
            if (m_entries.size() == kMaxZipEntries)
                return tooManyEntries(detail);
            char name[kMaxPartName + 1];
            unz_file_info64 info;
            unz64_file_pos position;
            if (unzGetCurrentFileInfo64(m_zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
                unzGetFilePos64(m_zip, &position) != UNZ_OK) {
                detail = QStringLiteral("zip directory unreadable");
                return false;
            }
            if (info.size_filename > kMaxPartName) {
                detail = QStringLiteral("zip entry name longer than %1 bytes").arg(kMaxPartName);
                return false;
            }
            // Part names are compared without regard to case, as the packaging rules say: two entries
            // that differ only in case are the same part twice, and either could be the one read.
            const QString key = QString::fromUtf8(name, int(info.size_filename)).toLower();
            if (m_entries.contains(key)) {
                detail = QStringLiteral("two zip entries named ") + key;
                return false;
            }
            m_entries.insert(key, position);
            m_progress.step();
        }
        if (status != UNZ_END_OF_LIST_OF_FILE) {
            detail = QStringLiteral("zip directory unreadable");
            return false;
        }
        return true;
    }

    bool contains(const QString& part) const { return m_entries.contains(part.toLower()); }

    Progress& progress() { return m_progress; }

    // As parse(), for a body that leaves the reason of its refusal in `why`.
    bool parseBounded(const QString& part, const std::function<bool(QXmlStreamReader&, QString&)>& body,
                      QString& detail) {
        QString why;
        const bool ok = parse(
            part, [&](QXmlStreamReader& xml) { return body(xml, why); }, detail);
        if (!why.isEmpty())
            detail = part + QStringLiteral(": ") + why;
        return ok;
    }

    // Streams the part to `body`, which starts on the root element. A DTD anywhere before it is refused:
    // nothing in a workbook needs one, and entity tricks start there.
    bool parse(const QString& part, const std::function<bool(QXmlStreamReader&)>& body, QString& detail) {
        const auto entryAt = m_entries.constFind(part.toLower());
        if (entryAt == m_entries.constEnd()) {
            detail = QStringLiteral("missing part ") + part;
            return false;
        }
        unz64_file_pos position = *entryAt;
        if (unzGoToFilePos64(m_zip, &position) != UNZ_OK) {
            detail = part + QStringLiteral(": zip entry cannot be found");
            return false;
        }
        ZipEntry entry(m_zip, m_unpacked, m_markup);
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
            detail = part + QStringLiteral(": ") + entry.failure();
            return false;
        }
        if (xml.hasError()) {
            detail = part + QStringLiteral(": ") + xml.errorString();
            return false;
        }
        if (!ok) {
            if (detail.isEmpty())
                detail = part + QStringLiteral(": unexpected content");
            return false;
        }
        QString why;
        if (!entry.finish(why)) {
            detail = part + QStringLiteral(": ") + why;
            return false;
        }
        return true;
    }

    // A part without relationships has none; a relationships part that cannot be read is a failure.
    bool relationships(const QString& part, WantedRelationships& wanted, QString& detail) {
        wanted.typeTargets = QVector<QString>(wanted.typeSuffixes.size());
        const QString relsPart = relsPathFor(part);
        if (!contains(relsPart))
            return true;
        int count = 0;
        return parseBounded(
            relsPart,
            [&](QXmlStreamReader& xml, QString& why) {
                while (!xml.atEnd()) {
                    if (xml.readNext() != QXmlStreamReader::StartElement ||
                        !isLocal(xml, QLatin1String("Relationship")))
                        continue;
                    if (++count > kMaxRelationships) {
                        why = QStringLiteral("more than %1 relationships").arg(kMaxRelationships);
                        return false;
                    }
                    m_progress.step();
                    const auto a = xml.attributes();
                    if (a.value(QLatin1String("TargetMode")) == QLatin1String("External"))
                        continue;
                    const QStringRef target = a.value(QLatin1String("Target"));
                    if (wanted.idTarget.isEmpty() && !wanted.id.isEmpty() &&
                        a.value(QLatin1String("Id")) == wanted.id)
                        wanted.idTarget = resolve(part, target.toString());
                    const QStringRef type = a.value(QLatin1String("Type"));
                    for (int i = 0; i < wanted.typeSuffixes.size(); ++i) {
                        if (wanted.typeTargets.at(i).isEmpty() && type.endsWith(wanted.typeSuffixes.at(i)))
                            wanted.typeTargets[i] = resolve(part, target.toString());
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
    bool tooManyEntries(QString& detail) {
        detail = QStringLiteral("more than %1 zip entries").arg(kMaxZipEntries);
        return false;
    }

    unzFile m_zip;
    Progress& m_progress;
    QHash<QString, unz64_file_pos> m_entries; // by lower-case name
    // By every part read so far.
    quint64 m_unpacked = 0;
    qint64 m_markup = 0;
};

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

const QString kTooLong = QStringLiteral("text longer than a cell may hold");

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

// Infinities, NaNs and overflowing numbers, however spelt: no cell can hold them.
bool isNonFinite(const QString& text) {
    const QByteArray bytes = text.trimmed().toLatin1();
    if (bytes.isEmpty())
        return false;
    char* end = nullptr;
    const double number = std::strtod(bytes.constData(), &end);
    if (end == bytes.constData() + bytes.size() && !std::isfinite(number))
        return true;
    bool ok = false;
    return !std::isfinite(text.toDouble(&ok)) && ok;
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
    bool hasFormula = false;
};

class SheetParser {
public:
    SheetParser(SheetData& sheet, Progress& progress, const QVector<QString>& strings,
                const QVector<bool>& dateStyles, bool date1904)
        : m_sheet(sheet), m_progress(progress), m_strings(strings), m_dateStyles(dateStyles),
          m_date1904(date1904) {}

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
            CellValue value;
            if (!readCell(xml, attributes, value, detail))
                return false;
            m_sheet.put(cellRow, column, value);
            if (m_sheet.hasOverlongText()) {
                detail = kTooLong;
                return false;
            }
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
                if (!readBoundedText(xml, kMaxRawCellText, raw.value)) {
                    detail = kTooLong;
                    return false;
                }
                raw.hasValue = true;
            } else if (isSheetElement(xml, QLatin1String("is"))) {
                if (!readRichText(xml, raw.inlineText)) {
                    detail = kTooLong;
                    return false;
                }
                raw.hasInline = true;
            } else {
                raw.hasFormula = raw.hasFormula || isSheetElement(xml, QLatin1String("f"));
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
        // Written by a tool that cannot calculate: what the cell shows is unknown. An empty text result
        // (t="str" with an empty value) is a result all the same.
        if (raw.hasFormula && (!raw.hasValue || (raw.value.isEmpty() && raw.type != QLatin1String("str")))) {
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
            if (isNonFinite(raw.value))
                value = CellValue::makeError(QStringLiteral("#NUM!"));
            else if (!ok)
                value = CellValue::makeText(raw.value);
            else if (m_dateStyles.value(raw.style, false))
                value = CellValue::fromSerial(number, m_date1904);
            else
                value = CellValue::makeNumber(number);
        }
        return true;
    }

    SheetData& m_sheet;
    Progress& m_progress;
    const QVector<QString>& m_strings;
    const QVector<bool>& m_dateStyles;
    bool m_date1904;
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
    QString sheetId;
    int sheets = 0;
    const bool parsed = package.parseBounded(
        workbookPart,
        [&](QXmlStreamReader& xml, QString& why) {
            while (!xml.atEnd()) {
                if (xml.readNext() != QXmlStreamReader::StartElement)
                    continue;
                if (isLocal(xml, QLatin1String("workbookPr"))) {
                    const QXmlStreamAttributes attributes = xml.attributes();
                    const QStringRef flag = attributes.value(QLatin1String("date1904"));
                    workbook.date1904 = flag == QLatin1String("1") || flag == QLatin1String("true");
                } else if (isLocal(xml, QLatin1String("sheet"))) {
                    if (++sheets > kMaxZipEntries) {
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

bool readSharedStrings(Package& package, const QString& part, QVector<QString>& strings, QString& detail) {
    if (part.isEmpty() || !package.contains(part))
        return true;
    return package.parseBounded(
        part,
        [&](QXmlStreamReader& xml, QString& why) {
            while (!xml.atEnd()) {
                if (xml.readNext() != QXmlStreamReader::StartElement || !isLocal(xml, QLatin1String("si")))
                    continue;
                if (strings.size() == kMaxSharedStrings) {
                    why = QStringLiteral("more than %1 shared strings").arg(kMaxSharedStrings);
                    return false;
                }
                QString text;
                if (!readRichText(xml, text)) {
                    why = kTooLong;
                    return false;
                }
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
    return package.parseBounded(
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
                    if (++customFormats > kMaxNumberFormats) {
                        why = QStringLiteral("more than %1 number formats").arg(kMaxNumberFormats);
                        return false;
                    }
                    if (code.size() > kMaxFormatCode) {
                        why = QStringLiteral("number format code longer than %1").arg(kMaxFormatCode);
                        return false;
                    }
                    customIsDate.insert(a.value(QLatin1String("numFmtId")).toInt(),
                                        isDateFormatCode(code.toString()));
                } else if (open == List::CellFormats && isLocal(xml, QLatin1String("xf"))) {
                    if (dateStyles.size() == kMaxCellFormats) {
                        why = QStringLiteral("more than %1 cell formats").arg(kMaxCellFormats);
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

} // namespace

SheetStatus readXlsxFirstSheet(const QString& path, SheetData& sheet, QString& detail) {
    Progress progress(sheet.progress);
    Package package(path, progress);
    if (!package.open(detail))
        return SheetStatus::Unreadable;
    Workbook workbook;
    const SheetStatus status = readWorkbook(package, workbook, detail);
    if (status != SheetStatus::Ok)
        return status;
    QVector<QString> strings;
    QVector<bool> dateStyles;
    if (!readDateStyles(package, workbook.stylesPart, dateStyles, detail) ||
        !readSharedStrings(package, workbook.sharedStringsPart, strings, detail))
        return SheetStatus::Unreadable;
    SheetParser parser(sheet, progress, strings, dateStyles, workbook.date1904);
    const bool ok = package.parseBounded(
        workbook.sheetPart, [&](QXmlStreamReader& xml, QString& why) { return parser.run(xml, why); },
        detail);
    return ok ? SheetStatus::Ok : SheetStatus::Unreadable;
}

} // namespace kestrovalin

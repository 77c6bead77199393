#include "spreadsheet/xlsxpackage.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QUrl>
#include <QtEndian>

#include <cstring>

namespace kestrovalin::xlsx {

namespace {

// What all the parts read from one file may hold together. A workbook of a few hundred thousand rows stays
// below; more would take too long and too much memory to read, whatever the file is. The XML reader takes
// about 0.15 to 0.25 microseconds for each tag or attribute, so those are counted, not only bytes.
constexpr quint64 kMaxUnpackedBytes = 128ull * 1024 * 1024;
constexpr qint64 kMaxMarkup = 12000000; // start tags and attributes
// Bytes of one entry's name; part names are short paths.
constexpr int kMaxPartName = 1024;
// The workbook's relationships: one per sheet and a few more.
constexpr int kMaxRelationships = 10000;

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

// An entry's extra field is blocks of a 16-bit id, a 16-bit length and that many bytes; 1 is zip64's.
// Its offset, -1 when there is none.
qint64 zip64Field(const char* extra, qint64 size) {
    for (qint64 at = 0; at + 4 <= size; at += 4 + qFromLittleEndian<quint16>(extra + at + 2)) {
        if (qFromLittleEndian<quint16>(extra + at) == 1)
            return at;
    }
    return -1;
}

bool hasZip64Field(const char* extra, qint64 size) {
    return zip64Field(extra, size) >= 0;
}

// Some writers put a zip64 field in every local header, the directory staying classic (Python's
// force_zip64, writers that stream). The zip library reads only the directory's sizes; the local field is
// well-formed when it is whole and its sizes are the directory's, or both 0 (the zip library's own writer
// leaves them so; the classic fields hold them).
bool localZip64Agrees(const QByteArray& extra, int size, const unz_file_info64& info) {
    const qint64 at = zip64Field(extra.constData(), size);
    if (at < 0)
        return true;
    const qint64 length = qFromLittleEndian<quint16>(extra.constData() + at + 2);
    if (length < 16 || at + 4 + length > size)
        return false;
    const quint64 unpacked = qFromLittleEndian<quint64>(extra.constData() + at + 4);
    const quint64 packed = qFromLittleEndian<quint64>(extra.constData() + at + 12);
    return (unpacked == info.uncompressed_size && packed == info.compressed_size) ||
           (unpacked == 0 && packed == 0);
}

// One zip entry as a sequential device. The bytes it hands on have passed the guard; all entries of one
// file together unpack to no more than the limit. finish() reads the entry to its end and checks its
// checksum, which the zip library does only then.
class ZipEntry : public QIODevice {
public:
    static constexpr uLong kStored = 0;
    static constexpr uLong kDeflated = 8;

    ZipEntry(unzFile zip, quint64& unpacked, qint64& markup, Progress& progress)
        : m_zip(zip), m_unpacked(unpacked), m_guard(markup), m_progress(progress) {}
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
            m_encrypted = true;
            return false;
        }
        // The zip library hands any other method over raw, without looking at the checksum.
        if (info.compression_method != kStored && info.compression_method != kDeflated) {
            detail = QStringLiteral("zip entry packed with method %1").arg(info.compression_method);
            return false;
        }
        if (info.uncompressed_size > kMaxUnpackedBytes - m_unpacked) {
            detail = QStringLiteral("zip entry too large: %1 bytes").arg(info.uncompressed_size);
            m_tooLarge = true;
            return false;
        }
        m_declared = info.uncompressed_size;
        if (unzOpenCurrentFile(m_zip) != UNZ_OK) {
            detail = QStringLiteral("zip entry cannot be opened");
            return false;
        }
        m_entryOpen = true;
        QByteArray extra(0xFFFF, '\0');
        const int extraSize = unzGetLocalExtrafield(m_zip, extra.data(), unsigned(extra.size()));
        if (extraSize < 0 || !localZip64Agrees(extra, extraSize, info)) {
            detail = extraSize < 0
                         ? QStringLiteral("local extra field unreadable")
                         : QStringLiteral("zip64 field of the local header disagrees with the directory");
            return false;
        }
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
    bool encrypted() const { return m_encrypted; }
    bool tooLarge() const { return m_tooLarge; }
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
        m_progress.step(n / kBytesPerStep);
        if (m_unpacked > kMaxUnpackedBytes)
            m_failed = true;
        m_ended = n == 0;
        return n;
    }

    unzFile m_zip;
    quint64& m_unpacked;
    XmlGuard m_guard;
    Progress& m_progress;
    bool m_entryOpen = false;
    bool m_encrypted = false;
    bool m_tooLarge = false;
    bool m_failed = false;
    bool m_ended = false;
    quint64 m_declared = 0;
    quint64 m_total = 0;
};

// Zip64 is refused outright: no workbook comes near its sizes, and its sizes and counts stand beside the
// classic ones, where the two could disagree. Its locator sits within the last 64 kB of the file and points
// at the zip64 end record; the zip library takes any such pair it finds there.
bool hasZip64EndRecord(const QString& path) {
    constexpr qint64 kTail = 0xFFFF + 22 + 20;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(qMax<qint64>(0, file.size() - kTail)))
        return false;
    const QByteArray tail = file.read(kTail);
    const QByteArray locator("PK\x06\x07", 4);
    for (int at = tail.indexOf(locator); at >= 0 && at + 20 <= tail.size();
         at = tail.indexOf(locator, at + 1)) {
        const qint64 record = qint64(qFromLittleEndian<quint64>(tail.constData() + at + 8));
        if (record >= 0 && file.seek(record) && file.read(4) == QByteArray("PK\x06\x06", 4))
            return true;
    }
    return false;
}

} // namespace

Package::Package(const QString& path, Progress& progress)
    : m_path(path), m_zip(unzOpen64(QFile::encodeName(path).constData())), m_progress(progress) {}

Package::~Package() {
    if (m_zip)
        unzClose(m_zip);
}

bool Package::open(QString& detail) {
    unz_global_info64 global;
    if (!m_zip || unzGetGlobalInfo64(m_zip, &global) != UNZ_OK) {
        detail = QStringLiteral("not a readable zip archive");
        return false;
    }
    if (global.number_entry > kMaxEntries)
        return tooManyEntries(detail);
    if (hasZip64EndRecord(m_path)) {
        m_zip64 = true;
        detail = QStringLiteral("zip64 end record (zip64 is not read)");
        return false;
    }
    QByteArray extra(0xFFFF, '\0');
    int status = unzGoToFirstFile(m_zip);
    for (; status == UNZ_OK; status = unzGoToNextFile(m_zip)) {
        if (m_entries.size() == kMaxEntries)
            return tooManyEntries(detail);
        char name[kMaxPartName + 1];
        unz_file_info64 info;
        unz64_file_pos position;
        if (unzGetCurrentFileInfo64(m_zip, &info, name, sizeof name, extra.data(), uLong(extra.size()),
                                    nullptr, 0) != UNZ_OK ||
            unzGetFilePos64(m_zip, &position) != UNZ_OK) {
            detail = QStringLiteral("zip directory unreadable");
            return false;
        }
        if (info.size_filename > kMaxPartName) {
            detail = QStringLiteral("zip entry name longer than %1 bytes").arg(kMaxPartName);
            return false;
        }
        if (hasZip64Field(extra.constData(), qMin<qint64>(info.size_file_extra, extra.size()))) {
            m_zip64 = true;
            detail = QStringLiteral("zip64 extra field (zip64 is not read)");
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

bool Package::parse(const QString& part, const std::function<bool(QXmlStreamReader&, QString&)>& body,
                    QString& detail) {
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
    ZipEntry entry(m_zip, m_unpacked, m_markup, m_progress);
    if (!entry.start(detail)) {
        m_encrypted = entry.encrypted();
        m_tooLarge = entry.tooLarge();
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
    QString why;
    const bool ok = !xml.hasError() && xml.tokenType() == QXmlStreamReader::StartElement && body(xml, why);
    if (!why.isEmpty()) {
        detail = part + QStringLiteral(": ") + why;
        return false;
    }
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
    if (!entry.finish(why)) {
        detail = part + QStringLiteral(": ") + why;
        return false;
    }
    return true;
}

bool Package::relationships(const QString& part, WantedRelationships& wanted, QString& detail) {
    wanted.typeTargets = QVector<QString>(wanted.typeSuffixes.size());
    const QString relsPart = relsPathFor(part);
    if (!contains(relsPart))
        return true;
    int count = 0;
    return parse(
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

QString Package::relsPathFor(const QString& part) {
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

QString Package::resolve(const QString& sourcePart, const QString& target) {
    QString t = QUrl::fromPercentEncoding(target.toUtf8());
    t.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (t.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(t.mid(1));
    return QDir::cleanPath(sourcePart.left(sourcePart.lastIndexOf(QLatin1Char('/')) + 1) + t);
}

SheetRefusal Package::refusal() const {
    if (m_zip64)
        return SheetRefusal::Zip64;
    if (m_tooLarge || m_unpacked > kMaxUnpackedBytes || m_markup > kMaxMarkup)
        return SheetRefusal::Content;
    return SheetRefusal::None;
}

bool Package::tooManyEntries(QString& detail) {
    detail = QStringLiteral("more than %1 zip entries").arg(kMaxEntries);
    return false;
}

} // namespace kestrovalin::xlsx

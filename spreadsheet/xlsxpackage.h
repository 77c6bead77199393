#pragma once

// The zip side of the .xlsx back end: the parts of a package, looked up by name and streamed to an XML
// reader within bounds of time and memory.

#include "spreadsheet/sheetdata.h"

#include <QHash>
#include <QString>
#include <QVector>
#include <QXmlStreamReader>

#include <minizip/unzip.h>

#include <functional>

namespace kestrovalin::xlsx {

// Cells, entries, relationships or formats between two calls of the progress callback.
constexpr int kProgressEvery = 512;
// Unpacked bytes that count as one step: about a tag's worth, so a part of any shape, one huge row or one
// cell repeated, calls the callback every few kB.
constexpr int kBytesPerStep = 16;

inline bool isLocal(const QXmlStreamReader& xml, QLatin1String name) {
    return xml.name() == name;
}

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
    // A workbook has tens of parts; a directory of millions only costs time to look through.
    static constexpr int kMaxEntries = 10000;

    Package(const QString& path, Progress& progress);
    ~Package();
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    // Looks through the directory once: a bounded number of entries, no two with the same name.
    bool open(QString& detail);
    bool contains(const QString& part) const { return m_entries.contains(part.toLower()); }
    Progress& progress() { return m_progress; }
    // Whether a part could not be read because it is encrypted.
    bool metEncryption() const { return m_encrypted; }
    // Why the package was refused, where the user is told: zip64, or parts beyond the bounds.
    SheetRefusal refusal() const;

    // Streams the part to `body`, which starts on the root element and leaves the reason of a refusal in
    // `why`. A DTD anywhere before it is refused: nothing in a workbook needs one, and entity tricks start
    // there.
    bool parse(const QString& part, const std::function<bool(QXmlStreamReader& xml, QString& why)>& body,
               QString& detail);
    // A part without relationships has none; a relationships part that cannot be read is a failure.
    bool relationships(const QString& part, WantedRelationships& wanted, QString& detail);

private:
    static QString relsPathFor(const QString& part);
    // Targets are relative to the source part's folder, or absolute from the package root.
    static QString resolve(const QString& sourcePart, const QString& target);
    bool tooManyEntries(QString& detail);

    QString m_path;
    unzFile m_zip;
    Progress& m_progress;
    QHash<QString, unz64_file_pos> m_entries; // by lower-case name
    // By every part read so far.
    quint64 m_unpacked = 0;
    qint64 m_markup = 0;
    bool m_encrypted = false;
    bool m_zip64 = false;
    bool m_tooLarge = false; // an entry declared beyond what is left to unpack
};

} // namespace kestrovalin::xlsx

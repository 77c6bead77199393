#include "spreadsheet/compoundfile.h"

#include <QIODevice>
#include <QtEndian>

#include <cstring>

namespace kestrovalin {

namespace {

constexpr int kHeaderBytes = 512;
constexpr int kHeaderFatEntries = 109;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr int kMiniSectorShift = 6;
constexpr int kRootType = 5;
constexpr int kStreamType = 2;
// A workbook has a handful of entries, a few per embedded object; the directory is walked entry by entry.
constexpr int kMaxDirectoryEntries = 65536;

quint16 u16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 u32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}
quint64 u64(const char* p) {
    return qFromLittleEndian<quint64>(p);
}

} // namespace

bool CompoundFile::readAt(qint64 offset, char* data, qint64 bytes) const {
    return offset >= 0 && offset + bytes <= m_fileSize && m_device.seek(offset) &&
           m_device.read(data, bytes) == bytes;
}

bool CompoundFile::open(QString& detail) {
    m_fileSize = m_device.size();
    if (m_fileSize > kMaxFileBytes) {
        detail = QStringLiteral("file of %1 bytes is too large").arg(m_fileSize);
        return false;
    }
    char header[kHeaderBytes];
    if (m_fileSize < kHeaderBytes || !readAt(0, header, kHeaderBytes)) {
        detail = QStringLiteral("too short for a compound document");
        return false;
    }
    if (QByteArray(header, 8) != QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) ||
        u16(header + 0x1C) != 0xFFFE) {
        detail = QStringLiteral("not a compound document");
        return false;
    }
    m_sectorShift = u16(header + 0x1E);
    if ((m_sectorShift != 9 && m_sectorShift != 12) || u16(header + 0x20) != kMiniSectorShift) {
        detail = QStringLiteral("unsupported sector sizes %1/%2").arg(m_sectorShift).arg(u16(header + 0x20));
        return false;
    }
    m_wideSizes = m_sectorShift == 12;
    m_miniCutoff = u32(header + 0x38);
    const qint64 sectorSize = qint64(1) << m_sectorShift;
    // Sector n starts at (n + 1) sectors; a last sector cut short by the writer still counts.
    m_sectorCount = qMax<qint64>(0, (m_fileSize - 1) / sectorSize);

    // The allocation table's own sectors: 109 in the header, the rest in a chain of extension sectors.
    const quint32 fatSectors = u32(header + 0x2C);
    if (fatSectors > m_sectorCount) {
        detail = QStringLiteral("allocation table of %1 sectors in a file of %2")
                     .arg(fatSectors)
                     .arg(m_sectorCount);
        return false;
    }
    QVector<quint32> fatLocations;
    fatLocations.reserve(int(fatSectors));
    for (int i = 0; i < kHeaderFatEntries && quint32(fatLocations.size()) < fatSectors; ++i)
        fatLocations.append(u32(header + 0x4C + 4 * i));
    const int perSector = int(sectorSize / 4);
    QByteArray sector(int(sectorSize), '\0');
    quint32 extension = u32(header + 0x44);
    for (qint64 seen = 0; quint32(fatLocations.size()) < fatSectors; ++seen) {
        if (extension >= m_sectorCount || seen >= m_sectorCount ||
            !readAt((qint64(extension) + 1) << m_sectorShift, sector.data(), sectorSize)) {
            detail = QStringLiteral("allocation table extension chain broken");
            return false;
        }
        for (int i = 0; i < perSector - 1 && quint32(fatLocations.size()) < fatSectors; ++i)
            fatLocations.append(u32(sector.constData() + 4 * i));
        extension = u32(sector.constData() + 4 * (perSector - 1));
    }
    m_fat.resize(int(fatSectors) * perSector);
    for (int i = 0; i < fatLocations.size(); ++i) {
        const quint32 location = fatLocations.at(i);
        if (location >= m_sectorCount ||
            !readAt((qint64(location) + 1) << m_sectorShift, sector.data(), sectorSize)) {
            detail = QStringLiteral("allocation table sector %1 outside the file").arg(location);
            return false;
        }
        for (int j = 0; j < perSector; ++j)
            m_fat[i * perSector + j] = u32(sector.constData() + 4 * j);
    }

    if (!readChain(u32(header + 0x30), -1, m_directory, detail)) {
        detail = QStringLiteral("directory: ") + detail;
        return false;
    }
    if (entryCount() > kMaxDirectoryEntries) {
        detail = QStringLiteral("directory of %1 entries").arg(entryCount());
        return false;
    }
    if (entryCount() == 0 || entry(0).type != kRootType) {
        detail = QStringLiteral("directory has no root entry");
        return false;
    }
    QByteArray miniFat;
    if (!readChain(u32(header + 0x3C), -1, miniFat, detail)) {
        detail = QStringLiteral("mini allocation table: ") + detail;
        return false;
    }
    m_miniFat.resize(miniFat.size() / 4);
    for (int i = 0; i < m_miniFat.size(); ++i)
        m_miniFat[i] = u32(miniFat.constData() + 4 * i);
    return true;
}

CompoundFile::Entry CompoundFile::entry(int index) const {
    const char* p = m_directory.constData() + qint64(index) * kEntryBytes;
    Entry e;
    const int nameBytes = u16(p + 0x40);
    for (int i = 0; nameBytes <= 64 && i + 1 < nameBytes / 2; ++i)
        e.name += QChar(u16(p + 2 * i));
    e.type = quint8(p[0x42]);
    e.left = u32(p + 0x44);
    e.right = u32(p + 0x48);
    e.child = u32(p + 0x4C);
    e.start = u32(p + 0x74);
    e.size = m_wideSizes ? u64(p + 0x78) : u32(p + 0x78);
    return e;
}

// The root's children form a tree through their left, right and child links; each entry is visited once, so
// a link back up cannot loop.
int CompoundFile::findInRoot(const QString& name) const {
    QVector<bool> seen(entryCount(), false);
    QVector<quint32> pending{entry(0).child};
    while (!pending.isEmpty()) {
        const quint32 index = pending.takeLast();
        if (index >= quint32(entryCount()) || seen.at(int(index)))
            continue;
        seen[int(index)] = true;
        const Entry e = entry(int(index));
        if (e.type == kStreamType && e.name.compare(name, Qt::CaseInsensitive) == 0)
            return int(index);
        pending << e.left << e.right;
    }
    return -1;
}

bool CompoundFile::hasStream(const QString& name) const {
    return findInRoot(name) >= 0;
}

// The sectors of a chain in order; `sectors` of -1 follows it to its end. Each sector may appear once and
// must lie below `limit`, so a chain, and what is read for it, never outgrows the file.
bool CompoundFile::chain(const QVector<quint32>& table, quint32 start, qint64 sectors, qint64 limit,
                         QVector<quint32>& out, QString& detail) const {
    out.clear();
    const int usable = int(qMin<qint64>(table.size(), limit));
    QVector<bool> seen(usable, false);
    quint32 sector = start;
    while (sectors < 0 || out.size() < sectors) {
        if (sector == kEndOfChain && sectors < 0)
            return true;
        if (sector >= quint32(usable)) {
            detail = sector == kEndOfChain ? QStringLiteral("chain ends before its stream")
                                           : QStringLiteral("chain leaves the file at %1").arg(sector);
            return false;
        }
        if (seen.at(int(sector))) {
            detail = QStringLiteral("chain loops at sector %1").arg(sector);
            return false;
        }
        seen[int(sector)] = true;
        out.append(sector);
        sector = table.at(int(sector));
    }
    return true;
}

// `bytes` of -1 reads the whole chain.
bool CompoundFile::readChain(quint32 start, qint64 bytes, QByteArray& data, QString& detail) const {
    const qint64 sectorSize = qint64(1) << m_sectorShift;
    if (bytes > m_sectorCount * sectorSize) {
        detail = QStringLiteral("stream of %1 bytes in a file of %2").arg(bytes).arg(m_fileSize);
        return false;
    }
    QVector<quint32> sectors;
    if (!chain(m_fat, start, bytes < 0 ? -1 : (bytes + sectorSize - 1) / sectorSize, m_sectorCount, sectors,
               detail))
        return false;
    const qint64 total = bytes < 0 ? sectors.size() * sectorSize : bytes;
    data.resize(int(total));
    // Runs of consecutive sectors are read at once; writers mostly lay streams out in one piece.
    qint64 done = 0;
    for (int i = 0; i < sectors.size();) {
        int run = 1;
        while (i + run < sectors.size() && sectors.at(i + run) == sectors.at(i) + quint32(run))
            ++run;
        const qint64 length = qMin(total - done, run * sectorSize);
        if (!readAt((qint64(sectors.at(i)) + 1) << m_sectorShift, data.data() + done, length)) {
            detail = QStringLiteral("sector %1 outside the file").arg(sectors.at(i));
            return false;
        }
        done += length;
        i += run;
    }
    return true;
}

bool CompoundFile::readStream(const QString& name, QByteArray& data, QString& detail) const {
    const int index = findInRoot(name);
    if (index < 0) {
        detail = QStringLiteral("no stream named ") + name;
        return false;
    }
    const Entry e = entry(index);
    if (e.size > quint64(m_fileSize)) {
        detail =
            QStringLiteral("stream %1 claims %2 bytes in a file of %3").arg(name).arg(e.size).arg(m_fileSize);
        return false;
    }
    if (e.size >= m_miniCutoff)
        return readChain(e.start, qint64(e.size), data, detail);

    // Small streams live in 64-byte pieces of the mini stream, which the root entry holds.
    const Entry root = entry(0);
    QByteArray mini;
    if (root.size > quint64(m_fileSize) || !readChain(root.start, qint64(root.size), mini, detail)) {
        detail = QStringLiteral("mini stream: ") + (detail.isEmpty() ? QStringLiteral("too large") : detail);
        return false;
    }
    QVector<quint32> pieces;
    if (!chain(m_miniFat, e.start, (qint64(e.size) + 63) >> kMiniSectorShift, mini.size() >> kMiniSectorShift,
               pieces, detail))
        return false;
    data.resize(int(e.size));
    for (int i = 0; i < pieces.size(); ++i) {
        const qint64 length = qMin<qint64>(64, qint64(e.size) - i * 64);
        memcpy(data.data() + i * 64, mini.constData() + (qint64(pieces.at(i)) << kMiniSectorShift),
               size_t(length));
    }
    return true;
}

} // namespace kestrovalin

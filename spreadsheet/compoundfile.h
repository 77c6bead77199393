#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

class QIODevice;

namespace kestrovalin {

// Read-only access to the streams of a compound document, the container of legacy Office files. The file is
// untrusted: every table, chain and stream is checked against the file's real size before anything is
// allocated for it, and a chain that loops, leaves the file or ends early is refused.
class CompoundFile {
public:
    // Far beyond any drug list (a few MB). A stream is read whole and its strings are kept beside it, so a
    // file this size still reads within about 300 MB of memory.
    static constexpr qint64 kMaxFileBytes = qint64(64) << 20;

    // The device must be open for reading, seekable, and outlive this object.
    explicit CompoundFile(QIODevice& device) : m_device(device) {}

    // Reads the header, the allocation tables and the directory; false with `detail` on damage.
    bool open(QString& detail);

    // Whether the root storage holds a stream of that name (compared without regard to case).
    bool hasStream(const QString& name) const;
    // The whole stream of that name from the root storage; false with `detail` when it is missing or damaged.
    bool readStream(const QString& name, QByteArray& data, QString& detail) const;

private:
    struct Entry {
        int type = 0;
        quint32 left = 0;
        quint32 right = 0;
        quint32 child = 0;
        quint32 start = 0;
        quint64 size = 0;
        QString name;
    };

    int entryCount() const { return m_directory.size() / kEntryBytes; }
    Entry entry(int index) const;
    int findInRoot(const QString& name) const;
    bool chain(const QVector<quint32>& table, quint32 start, qint64 sectors, qint64 limit,
               QVector<quint32>& out, QString& detail) const;
    bool readChain(quint32 start, qint64 bytes, QByteArray& data, QString& detail) const;
    bool readAt(qint64 offset, char* data, qint64 bytes) const;

    static constexpr int kEntryBytes = 128;

    QIODevice& m_device;
    qint64 m_fileSize = 0;
    int m_sectorShift = 9;
    qint64 m_sectorCount = 0; // sectors that start inside the file
    bool m_wideSizes = false; // version 4 files keep 64-bit stream sizes
    quint32 m_miniCutoff = 4096;
    QVector<quint32> m_fat;
    QVector<quint32> m_miniFat;
    QByteArray m_directory;
};

} // namespace kestrovalin

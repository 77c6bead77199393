#include "core/csvwriter.h"

#include <QFileInfo>
#include <QStorageInfo>
#include <QtGlobal>

namespace kestrovalin {

namespace {

// The parser also takes "inf", "nan" and "infinity" in any case; to a spreadsheet those are text.
bool isPlainNumber(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && qIsFinite(value);
}

bool startsRisky(const QString& cell) {
    if (cell.isEmpty() || cell == QLatin1String("-"))
        return false;
    const QChar first = cell.at(0);
    const bool risky = first == QLatin1Char('=') || first == QLatin1Char('+') || first == QLatin1Char('-') ||
                       first == QLatin1Char('@') || first == QLatin1Char('\t') || first == QLatin1Char('\r');
    return risky && !isPlainNumber(cell);
}

} // namespace

void CsvWriter::appendCell(QString& line, const QString& cell) {
    // The apostrophe and the doubled quotes written straight into the line: a long export writes millions
    // of cells.
    line += QLatin1Char('"');
    if (startsRisky(cell))
        line += QLatin1Char('\'');
    const QChar* text = cell.constData();
    const int size = cell.size();
    int from = 0;
    for (int i = 0; i < size; ++i) {
        if (text[i] == QLatin1Char('"')) {
            line.append(text + from, i + 1 - from);
            line += QLatin1Char('"');
            from = i + 1;
        }
    }
    line.append(text + from, size - from);
    line += QLatin1Char('"');
}

QByteArray CsvWriter::opening(const QString& title, const QStringList& headers) {
    QByteArray out("\xEF\xBB\xBF");
    if (!title.isEmpty())
        out += title.toUtf8() + '\n';
    out += headers.join(QLatin1Char(',')).toUtf8() + '\n';
    return out;
}

QString fileWriteTrouble(const QString& path, QFileDevice::FileError error, const QString& systemText) {
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    // Qt words ENOSPC, EACCES and ENOENT in English whatever the locale; its other texts may be translated.
    if (error == QFileDevice::ResourceError || systemText.contains(QLatin1String("No space left on device")))
        return QStringLiteral("磁盘空间不足");
    if (!folder.isDir())
        return QStringLiteral("文件夹不存在");
    if (target.isDir())
        return QStringLiteral("所选位置是一个文件夹");
    // A read-only file system answers the access check too, also to root.
    if (systemText.contains(QLatin1String("Permission denied")) ||
        (target.exists() ? !target.isWritable() : !folder.isWritable()))
        return QStringLiteral("没有写入该位置的权限");
    // A write that stopped part way has no reason of its own: the disk is full when next to nothing is left
    // on it, asked while the unfinished file still takes its room. A file system without a size (/proc, a
    // device's) tells nothing.
    constexpr qint64 kNearlyFull = 64 * 1024;
    const QStorageInfo disk(folder.absoluteFilePath());
    if (disk.isValid() && disk.bytesTotal() > 0 && disk.bytesAvailable() < kNearlyFull)
        return QStringLiteral("磁盘空间不足");
    return QString();
}

} // namespace kestrovalin

#include "core/networkfilesystem.h"

#include <QFile>

#ifdef Q_OS_LINUX
#include <sys/vfs.h>
#endif

namespace kestrovalin {

QString networkFileSystemName(qint64 statfsType) {
    switch (quint32(statfsType)) {
    case 0x6969:
        return QStringLiteral("NFS");
    case 0x517B:
        return QStringLiteral("SMB");
    case 0xFF534D42:
        return QStringLiteral("CIFS");
    case 0xFE534D42:
        return QStringLiteral("SMB2");
    default:
        return QString();
    }
}

QString networkFileSystemOf(const QString& folder, qint64* statfsType) {
#ifdef Q_OS_LINUX
    struct statfs info {};
    if (statfs(QFile::encodeName(folder).constData(), &info) != 0)
        return QString();
    if (statfsType)
        *statfsType = qint64(info.f_type);
    return networkFileSystemName(qint64(info.f_type));
#else
    Q_UNUSED(folder)
    Q_UNUSED(statfsType)
    return QString();
#endif
}

} // namespace kestrovalin

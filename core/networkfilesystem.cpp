#include "core/networkfilesystem.h"

#include <QFile>

#ifdef Q_OS_LINUX
#include <sys/vfs.h>
#endif

namespace kestrovalin {

namespace {
std::optional<qint64> g_typeForTesting;
}

void setFileSystemTypeForTesting(std::optional<qint64> statfsType) {
    g_typeForTesting = statfsType;
}

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
    if (g_typeForTesting) {
        if (statfsType)
            *statfsType = *g_typeForTesting;
        return networkFileSystemName(*g_typeForTesting);
    }
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

#include "core/replacementwatch.h"

#include <QFileInfo>

namespace kestrovalin {

ReplacementWatch::ReplacementWatch(const QString& databasePath, std::function<void()> look) {
    m_folder.addPath(QFileInfo(databasePath).absolutePath());
    connect(&m_folder, &QFileSystemWatcher::directoryChanged, this, [look] { look(); });
    // Two stats a second.
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, [look] { look(); });
    m_timer.start();
}

} // namespace kestrovalin

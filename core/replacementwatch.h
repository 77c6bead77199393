#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>

namespace kestrovalin {

// Calls look as soon as the database file or its write-ahead log may have been replaced, removed or renamed
// over, also while the program sits idle: the folder's watch reports such a change at once; a change made
// from another computer on a shared folder is not reported, so a short timer looks as well. A watch on the
// file itself would stay with the file renamed away.
class ReplacementWatch : public QObject {
public:
    ReplacementWatch(const QString& databasePath, std::function<void()> look);

private:
    QFileSystemWatcher m_folder;
    QTimer m_timer;
};

} // namespace kestrovalin

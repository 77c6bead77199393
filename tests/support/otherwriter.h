#pragma once

#include "core/sqliteadapter.h"

#include <QFile>
#include <QString>

#include <sqlite3.h>

#include <cstdio>

namespace kestrovalin::test {

// The program's busy wait cut to a few milliseconds for the connections opened while this lives, so a write
// that meets an OtherWriter gives up at once instead of after seconds.
struct ShortBusyWait {
    ShortBusyWait() { setBusyTimeoutForTesting(50); }
    ~ShortBusyWait() { setBusyTimeoutForTesting(0); }
    ShortBusyWait(const ShortBusyWait&) = delete;
    ShortBusyWait& operator=(const ShortBusyWait&) = delete;
};

// Another program holding the database file's write lock (BEGIN EXCLUSIVE) until release() or its end.
class OtherWriter {
public:
    explicit OtherWriter(const QString& path) {
        if (sqlite3_open(QFile::encodeName(path).constData(), &m_handle) != SQLITE_OK ||
            sqlite3_exec(m_handle, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
            qFatal("OtherWriter: cannot lock %s", qPrintable(path));
    }
    ~OtherWriter() { release(); }
    OtherWriter(const OtherWriter&) = delete;
    OtherWriter& operator=(const OtherWriter&) = delete;

    void release() {
        sqlite3_close(m_handle); // rolls the open transaction back
        m_handle = nullptr;
    }

private:
    sqlite3* m_handle = nullptr;
};

// Another program putting a copy of the file in its place as a restore does: the copy is written beside the
// file, renamed over its path and the side files are removed, so the path names another file from then on.
inline void renameCopyOver(IDbAdapter* db, const QString& path) {
    const QString copy = path + QStringLiteral(".other");
    if (!db->execute(QStringLiteral("VACUUM INTO ?"), {copy}) ||
        std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()) != 0)
        qFatal("renameCopyOver: cannot replace %s", qPrintable(path));
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
}

} // namespace kestrovalin::test

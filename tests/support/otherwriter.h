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

// A copy of the file as it is now, made beside it through db, to be put in its place later.
inline QString copyOf(IDbAdapter* db, const QString& path) {
    const QString copy = path + QStringLiteral(".other");
    if (!db->execute(QStringLiteral("VACUUM INTO ?"), {copy}))
        qFatal("copyOf: cannot copy %s", qPrintable(path));
    return copy;
}

// Another program renaming a file over the path, as a file manager's replace or a restore with mv does: the
// path names another file from then on; the side files stay as they are.
inline void renameOver(const QString& file, const QString& path) {
    if (std::rename(QFile::encodeName(file).constData(), QFile::encodeName(path).constData()) != 0)
        qFatal("renameOver: cannot replace %s", qPrintable(path));
}

inline void renameCopyOver(IDbAdapter* db, const QString& path) {
    renameOver(copyOf(db, path), path);
}

// A restore done by copying a file over the path and removing the side files: the same file, with the
// copy's bytes in it.
inline void copyInPlace(const QString& file, const QString& path) {
    QFile from(file);
    QFile to(path);
    if (!from.open(QIODevice::ReadOnly) || !to.open(QIODevice::ReadWrite) || !to.resize(0) ||
        to.write(from.readAll()) != from.size() || !to.flush() ||
        !QFile::remove(path + QStringLiteral("-wal")) || !QFile::remove(path + QStringLiteral("-shm")))
        qFatal("copyInPlace: cannot restore %s", qPrintable(path));
}

} // namespace kestrovalin::test

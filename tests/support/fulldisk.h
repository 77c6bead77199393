#pragma once

#include <QProcess>
#include <QString>

#include <algorithm>
#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

namespace kestrovalin::test {

// While alive, no file of this process grows past the given size: a write past it fails as on a full disk.
// The limit is only ever lowered, so RLIM_INFINITY leaves it as it was.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_before;
        limit.rlim_cur = std::min(bytes, m_before.rlim_cur);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_before); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_before{};
};

// While alive, the folder is a 64 KiB file system of its own. Root only: elsewhere mounted is false.
struct SmallDisk {
    explicit SmallDisk(const QString& at)
        : folder(at),
          mounted(geteuid() == 0 &&
                  QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", at}) == 0) {}
    ~SmallDisk() {
        if (mounted)
            QProcess::execute("umount", {folder});
    }
    const QString folder;
    const bool mounted;
};

} // namespace kestrovalin::test

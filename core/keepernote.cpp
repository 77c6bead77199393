#include "core/keepernote.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>

namespace kestrovalin {

namespace {

// In the order of LogNote::Outcome.
const QList<QByteArray> kOutcomes{"open", "emptied", "left"};

// The head of a line of the note. Tagged, so that neither this version nor an earlier one (whose lines begin
// with the device) takes a line of the other for its own.
QByteArray key(const NotedFile& file) {
    const QByteArray identity =
        QByteArray::number(file.identity.device) + ' ' + QByteArray::number(file.identity.inode) + ' ';
    if (file.hasBirth)
        return "born " + identity + QByteArray::number(file.bornSec) + ' ' +
               QByteArray::number(file.bornNsec);
    return "modified " + identity + QByteArray::number(file.size) + ' ' +
           QByteArray::number(file.modifiedSec) + ' ' + QByteArray::number(file.modifiedNsec);
}

} // namespace

bool notedFileOf(int descriptor, NotedFile* file) {
    struct statx info {};
    if (::statx(descriptor, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &info) != 0)
        return false;
    file->identity = {quint64(makedev(info.stx_dev_major, info.stx_dev_minor)), quint64(info.stx_ino)};
    file->hasBirth = (info.stx_mask & STATX_BTIME) != 0;
    file->bornSec = info.stx_btime.tv_sec;
    file->bornNsec = info.stx_btime.tv_nsec;
    file->size = qint64(info.stx_size);
    file->modifiedSec = info.stx_mtime.tv_sec;
    file->modifiedNsec = info.stx_mtime.tv_nsec;
    return true;
}

BootMoment bootMomentNow() {
    static const QByteArray boot = [] {
        QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
    }();
    timespec now{};
    if (boot.isEmpty() || ::clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return {};
    return {boot, qint64(now.tv_sec) * 1000000000 + now.tv_nsec};
}

KeeperNote::KeeperNote(const QString& databasePath) : m_path(databasePath + QStringLiteral("-keeper")) {}

KeeperNote::~KeeperNote() {
    if (m_descriptor >= 0)
        ::close(m_descriptor); // lets go of the lock
}

KeeperNote::Lock KeeperNote::take(bool wait) {
    const QByteArray name = QFile::encodeName(m_path);
    // A note removed or replaced between the open and the lock is not the one the other copies lock.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_descriptor = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (m_descriptor < 0)
            return fail();
        int rc = 0;
        while ((rc = ::flock(m_descriptor, LOCK_EX | (wait ? 0 : LOCK_NB))) != 0 && errno == EINTR) {
        }
        if (rc != 0) {
            if (errno == EWOULDBLOCK) {
                ::close(std::exchange(m_descriptor, -1));
                return Lock::Busy;
            }
            return fail();
        }
        struct stat held {};
        struct stat atPath {};
        if (::fstat(m_descriptor, &held) == 0 && ::stat(name.constData(), &atPath) == 0 &&
            held.st_dev == atPath.st_dev && held.st_ino == atPath.st_ino)
            return Lock::Taken;
        ::close(std::exchange(m_descriptor, -1));
    }
    m_error = QStringLiteral("the note keeps being replaced");
    return Lock::Unavailable;
}

std::optional<LogNote> KeeperNote::find(const NotedFile& file, const BootMoment& opened) const {
    const QByteArray head = key(file) + ' ';
    for (const QByteArray& line : lines()) {
        if (!line.startsWith(head))
            continue;
        // Outcome, whether the file holds the log, and when it was noted.
        const QList<QByteArray> fields = line.mid(head.size()).split(' ');
        bool known = false;
        if (fields.size() == 4 && kOutcomes.contains(fields.at(0)) && !opened.boot.isEmpty() &&
            fields.at(2) == opened.boot && fields.at(3).toLongLong(&known) > opened.nsec && known)
            return LogNote{LogNote::Outcome(kOutcomes.indexOf(fields.at(0))), fields.at(1) == "1"};
    }
    return std::nullopt;
}

bool KeeperNote::write(const NotedFile& file, const LogNote& decision) {
    // The decisions about other old files stay, an earlier version's too: a copy of each may still be
    // running.
    constexpr int kKept = 16;
    const QByteArray head = key(file) + ' ';
    QList<QByteArray> kept;
    for (const QByteArray& line : lines()) {
        if (!line.startsWith(head))
            kept << line;
    }
    kept = kept.mid(qMax(0, kept.size() - (kKept - 1)));
    const BootMoment now = bootMomentNow();
    kept << head + kOutcomes.at(int(decision.outcome)) + ' ' + (decision.fileHoldsLog ? "1" : "0") + ' ' +
                (now.boot.isEmpty() ? QByteArray("-") : now.boot) + ' ' + QByteArray::number(now.nsec);
    const QByteArray text = kept.join('\n') + '\n';
    if (::ftruncate(m_descriptor, 0) != 0 ||
        ::pwrite(m_descriptor, text.constData(), size_t(text.size()), 0) != text.size()) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

KeeperNote::Lock KeeperNote::fail() {
    m_error = QString::fromLocal8Bit(std::strerror(errno));
    if (m_descriptor >= 0)
        ::close(std::exchange(m_descriptor, -1));
    return Lock::Unavailable;
}

QList<QByteArray> KeeperNote::lines() const {
    QByteArray text(64 * 1024, '\0');
    const ssize_t read = m_descriptor >= 0 ? ::pread(m_descriptor, text.data(), size_t(text.size()), 0) : -1;
    text.truncate(int(qMax<ssize_t>(read, 0)));
    QList<QByteArray> found = text.split('\n');
    found.removeAll(QByteArray());
    return found;
}

} // namespace kestrovalin

#include "WriteSteps.h"

#include "FolderEntries.h"

#include <QFile>
#include <QMutex>
#include <QRandomGenerator>
#include <QSet>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <mutex>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ezr {

namespace {

WriteCalls currentCalls{::fdatasync, ::close, ::fsync, ::rename, ::syncfs};

// Room for ".", ".ezr-" and six characters within the 255 bytes of a name.
constexpr qsizetype MaxPrefixNameBytes = 200;

} // namespace

ScopedWriteCalls::ScopedWriteCalls(const WriteCalls& replacement) : saved_(currentCalls) {
    currentCalls = replacement;
}

ScopedWriteCalls::~ScopedWriteCalls() {
    currentCalls = saved_;
}

namespace writesteps {

const WriteCalls& calls() {
    return currentCalls;
}

void fail(OutputError::Kind kind, const QString& path, int error) {
    throw OutputError(kind, path, error != 0 ? error : EIO);
}

bool writeAll(int fd, QByteArrayView bytes) {
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, std::size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArray(".");
    return slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray encodedPrefix(const QByteArray& name) {
    return '.' + name.left(MaxPrefixNameBytes) + QByteArray(TemporaryInfix.data());
}

int createTemporary(const QByteArray& folder, const QByteArray& prefix, QByteArray& name) {
    static constexpr char Letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + '/' + prefix;
        for (int i = 0; i < TemporaryRandomLength; ++i)
            name += Letters[QRandomGenerator::global()->bounded(int(sizeof Letters) - 1)];
        const int fd =
            ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            // Personal data: readable by the user alone, whatever the umask left.
            if (::fchmod(fd, 0600) != 0) {
                const int error = errno;
                ::close(fd);
                ::unlink(name.constData());
                errno = error;
                return -1;
            }
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

void syncFolder(const QByteArray& folder, const QString& path) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail(OutputError::Kind::CannotWrite, path, errno);
    const int synced = calls().syncFolder(fd);
    const int error = errno;
    ::close(fd);
    if (synced != 0)
        fail(OutputError::Kind::CannotWrite, path, error);
}

void ignoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

namespace {

bool olderThan(const struct stat& info, const timespec& start) {
    return info.st_mtim.tv_sec < start.tv_sec ||
           (info.st_mtim.tv_sec == start.tv_sec && info.st_mtim.tv_nsec < start.tv_nsec);
}

// The temporary files in the folder from writes that began before `start`: a write running
// now in another process has a younger file and keeps it. An import's journal names files
// of the same pattern that its recovery still needs, so such a folder is left to it.
int removeLeftovers(const QByteArray& folder, const timespec& start) {
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return 0;
    const int folderFd = ::dirfd(dir);
    struct stat journal {};
    if (::fstatat(folderFd, ImportJournalName.data(), &journal, AT_SYMLINK_NOFOLLOW) == 0) {
        ::closedir(dir);
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryFileName(QFile::decodeName(entry->d_name)))
            continue;
        struct stat info {};
        if (::fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && olderThan(info, start) &&
            ::unlinkat(folderFd, entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

} // namespace

int removeLeftoversOnce(const QByteArray& folder) {
    static QMutex mutex;
    static QSet<QByteArray> looked;
    // The clock the file system stamps files with: a file made after this moment is never
    // stamped earlier.
    timespec start{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &start);
    const QMutexLocker lock(&mutex);
    if (looked.contains(folder))
        return 0;
    const int removed = removeLeftovers(folder, start);
    struct stat journal {};
    const QByteArray journalPath = folder + '/' + QByteArray(ImportJournalName.data());
    if (::lstat(journalPath.constData(), &journal) != 0)
        looked.insert(folder);
    return removed;
}

} // namespace writesteps

} // namespace ezr

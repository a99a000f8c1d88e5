#include "VerifiedWrite.h"

#include "OutputError.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ezr {

namespace {

WriteCalls calls{::fdatasync, ::close, ::fsync};

// The longest chain of links followed, as the kernel's own limit.
constexpr int MaxLinkHops = 40;
// Room for ".", ".ezr-" and six characters within the 255 bytes of a name.
constexpr qsizetype MaxPrefixNameBytes = 200;
constexpr int RandomLength = 6;

[[noreturn]] void fail(OutputError::Kind kind, const QString& path, int error) {
    throw OutputError(kind, path, error != 0 ? error : EIO);
}

// Writes everything, going on after a short write: only a failed call has a reason (a full
// disk shows as a short write first and as ENOSPC on the next call).
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

// FIFOs, devices and sockets: renaming a new file over them would destroy what the user
// named (a pipe to a reader, /dev/null) instead of writing to it.
bool isSpecialFile(const QByteArray& path) {
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return false;
    return !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

using Producer = std::function<void(ByteSink&)>;

// The produced bytes into a descriptor, a buffer's worth at a time; the first failed write
// throws with its reason.
class FileSink final : public ByteSink {
public:
    FileSink(int fd, const QString& path) : fd_(fd), path_(path) { buffer_.reserve(Capacity); }
    void write(QByteArrayView bytes) override {
        if (buffer_.size() + bytes.size() > Capacity)
            flush();
        if (bytes.size() >= Capacity)
            put(bytes);
        else
            buffer_.append(bytes);
    }
    void flush() {
        put(buffer_);
        buffer_.clear();
    }

private:
    static constexpr qsizetype Capacity = qsizetype{256} * 1024;
    void put(QByteArrayView bytes) {
        if (!writeAll(fd_, bytes))
            fail(OutputError::Kind::CannotWrite, path_, errno);
    }
    int fd_;
    const QString& path_;
    QByteArray buffer_;
};

// The produced bytes into the open file. On any failure the file is closed and `undo` cleans
// up after it before the failure goes on: a half-made output must not stay behind.
template <typename Undo>
void produceInto(int fd, const QString& path, const Producer& produce, Undo undo) {
    try {
        FileSink sink(fd, path);
        produce(sink);
        sink.flush();
    } catch (...) {
        calls.closeFile(fd);
        undo();
        throw;
    }
}

void writeInPlace(const QString& path, const QByteArray& encoded, const Producer& produce) {
    const int fd = ::open(encoded.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        fail(OutputError::Kind::CannotCreate, path, errno);
    produceInto(fd, path, produce, [] {});
    if (calls.closeFile(fd) != 0)
        fail(OutputError::Kind::CannotWrite, path, errno);
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
    return '.' + name.left(MaxPrefixNameBytes) + ".ezr-";
}

// Temporary files of earlier writes to the same target that never finished (the run was
// killed between writing and renaming): same prefix, six characters more, a regular file.
void removeLeftovers(const QByteArray& folder, const QByteArray& prefix) {
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    const int folderFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (name.size() != prefix.size() + RandomLength || !name.startsWith(prefix))
            continue;
        struct stat info {};
        if (::fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode))
            ::unlinkat(folderFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

// A new temporary file beside the target, created with the permissions a new file gets.
int createTemporary(const QByteArray& folder, const QByteArray& prefix, QByteArray& name) {
    static constexpr char Letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + '/' + prefix;
        for (int i = 0; i < RandomLength; ++i)
            name += Letters[QRandomGenerator::global()->bounded(int(sizeof Letters) - 1)];
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

void syncFolder(const QByteArray& folder, const QString& path) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail(OutputError::Kind::CannotWrite, path, errno);
    const int synced = calls.syncFolder(fd);
    const int error = errno;
    ::close(fd);
    if (synced != 0)
        fail(OutputError::Kind::CannotWrite, path, error);
}

void replaceWhenComplete(const QString& path, const QByteArray& target, const Producer& produce) {
    const QByteArray folder = folderOf(target);
    const QByteArray prefix = encodedPrefix(nameOf(target));
    removeLeftovers(folder, prefix);

    QByteArray temporary;
    const int fd = createTemporary(folder, prefix, temporary);
    if (fd < 0)
        fail(OutputError::Kind::CannotCreate, path, errno);
    int error = 0;
    // Each step runs only when the ones before it succeeded; the first failure is reported.
    const auto step = [&error](bool done) {
        if (error == 0 && !done)
            error = errno != 0 ? errno : EIO;
    };
    struct stat old {};
    if (::stat(target.constData(), &old) == 0)
        step(::fchmod(fd, old.st_mode & 07777) == 0);
    if (error == 0) {
        produceInto(fd, path, produce, [&] { ::unlink(temporary.constData()); });
    }
    if (error == 0)
        step(calls.syncFile(fd) == 0);
    // The descriptor is gone after close whatever it returns.
    const int closed = calls.closeFile(fd);
    if (error == 0)
        step(closed == 0);
    if (error == 0)
        step(::rename(temporary.constData(), target.constData()) == 0);
    if (error != 0) {
        ::unlink(temporary.constData());
        fail(OutputError::Kind::CannotWrite, path, error);
    }
    syncFolder(folder, path);
}

} // namespace

QString temporaryNamePrefix(const QString& fileName) {
    return QFile::decodeName(encodedPrefix(QFile::encodeName(fileName)));
}

QString resolvedOutputPath(const QString& path) {
    QByteArray current = QFile::encodeName(path);
    for (int hop = 0;; ++hop) {
        struct stat info {};
        if (::lstat(current.constData(), &info) != 0) {
            // A name that does not exist yet is the new file; any other failure is met
            // again, with its reason, when the file is created.
            if (errno == ELOOP)
                fail(OutputError::Kind::CannotCreate, path, ELOOP);
            return QFile::decodeName(current);
        }
        if (!S_ISLNK(info.st_mode))
            return QFile::decodeName(current);
        if (hop == MaxLinkHops)
            fail(OutputError::Kind::CannotCreate, path, ELOOP);
        QByteArray link(PATH_MAX, '\0');
        const ssize_t length =
            ::readlink(current.constData(), link.data(), std::size_t(link.size()));
        if (length < 0)
            fail(OutputError::Kind::CannotCreate, path, errno);
        link.truncate(length);
        current = link.startsWith('/') ? link : folderOf(current) + '/' + link;
    }
}

void writeFileVerified(const QString& path, QByteArrayView bytes) {
    writeFileVerified(path, [bytes](ByteSink& sink) { sink.write(bytes); });
}

void writeFileVerified(const QString& path, const Producer& produce) {
    const QByteArray encoded = QFile::encodeName(path);
    if (encoded.isEmpty())
        fail(OutputError::Kind::CannotCreate, path, ENOENT);
    if (isSpecialFile(encoded)) {
        writeInPlace(path, encoded, produce);
        return;
    }
    replaceWhenComplete(path, QFile::encodeName(resolvedOutputPath(path)), produce);
}

ScopedWriteCalls::ScopedWriteCalls(const WriteCalls& replacement) : saved_(calls) {
    calls = replacement;
}

ScopedWriteCalls::~ScopedWriteCalls() {
    calls = saved_;
}

} // namespace ezr

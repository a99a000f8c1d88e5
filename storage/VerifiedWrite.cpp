#include "VerifiedWrite.h"

#include "OutputError.h"
#include "WriteSteps.h"

#include <QFile>

#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ezr {

using namespace writesteps;

namespace {

// The longest chain of links followed, as the kernel's own limit.
constexpr int MaxLinkHops = 40;

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
        calls().closeFile(fd);
        undo();
        throw;
    }
}

void writeInPlace(const QString& path, const QByteArray& encoded, const Producer& produce) {
    const int fd = ::open(encoded.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        fail(OutputError::Kind::CannotCreate, path, errno);
    produceInto(fd, path, produce, [] {});
    if (calls().closeFile(fd) != 0)
        fail(OutputError::Kind::CannotWrite, path, errno);
}

void replaceWhenComplete(const QString& path, const QByteArray& target, const Producer& produce) {
    const QByteArray folder = folderOf(target);
    const QByteArray prefix = encodedPrefix(nameOf(target));
    removeLeftoversOnce(folder);

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
    if (::lstat(target.constData(), &old) == 0 && S_ISREG(old.st_mode))
        step(::fchmod(fd, old.st_mode & 07777) == 0);
    if (error == 0) {
        produceInto(fd, path, produce, [&] { ::unlink(temporary.constData()); });
    }
    if (error == 0)
        step(calls().syncFile(fd) == 0);
    // The descriptor is gone after close whatever it returns.
    const int closed = calls().closeFile(fd);
    if (error == 0)
        step(closed == 0);
    if (error == 0)
        step(calls().renameFile(temporary.constData(), target.constData()) == 0);
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
    ignoreFileSizeSignal();
    const QByteArray encoded = QFile::encodeName(path);
    if (encoded.isEmpty())
        fail(OutputError::Kind::CannotCreate, path, ENOENT);
    if (isSpecialFile(encoded)) {
        writeInPlace(path, encoded, produce);
        return;
    }
    replaceWhenComplete(path, QFile::encodeName(resolvedOutputPath(path)), produce);
}

void refuseUnlessPlainFile(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return; // a new file; the rename makes it, never following anything
    if (S_ISLNK(info.st_mode))
        throw OutputError(OutputError::Kind::LinkedTarget, path, 0);
    if (!S_ISREG(info.st_mode))
        throw OutputError(OutputError::Kind::SpecialTarget, path, 0);
}

void writeDataFileVerified(const QString& path, QByteArrayView bytes) {
    ignoreFileSizeSignal();
    const QByteArray encoded = QFile::encodeName(path);
    if (encoded.isEmpty())
        fail(OutputError::Kind::CannotCreate, path, ENOENT);
    refuseUnlessPlainFile(path);
    replaceWhenComplete(path, encoded, [bytes](ByteSink& sink) { sink.write(bytes); });
}

} // namespace ezr

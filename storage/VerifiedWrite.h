#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>

namespace ezr {

// The one way the program writes a file. A regular file (or a new one) is replaced only when
// the new bytes are on the disk: they go to a temporary file beside it (".<name>.ezr-XXXXXX"),
// which is written, synced and closed with every result checked, then renamed over the old
// one, and the folder is synced. On any failure the old file stays byte for byte and the
// temporary file is removed. Temporary files that a killed run left in the folder are removed
// by the first write into that folder in a run (one look at the folder, not one per write). A
// target that is not a regular file (a FIFO, a character device such as /dev/null or a terminal, a
// socket) is written in place, never replaced. A symbolic link is written through: the link stays
// and the file it leads to gets the bytes. A new file is readable by the user alone (0600),
// whatever the umask; a replaced one keeps its permissions. Throws OutputError with the system's
// reason.
void writeFileVerified(const QString& path, QByteArrayView bytes);

// The same write for a file of the data folder, where a planted link must not carry the
// examinee's data out of the folder nor let the write replace a file elsewhere: a symbolic
// link or anything but a regular file at `path` is refused (OutputError LinkedTarget or
// SpecialTarget), and nothing is followed.
void writeDataFileVerified(const QString& path, QByteArrayView bytes);

// Throws that OutputError when `path` is a link or not a regular file; a missing one passes.
void refuseUnlessPlainFile(const QString& path);

// Where a file's bytes go as they are made, so that a large table never lies whole in memory.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(QByteArrayView bytes) = 0;
};

// Bytes gathered in memory, for a caller that wants them whole.
class ByteArraySink final : public ByteSink {
public:
    void write(QByteArrayView bytes) override { bytes_.append(bytes); }
    QByteArray& bytes() { return bytes_; }

private:
    QByteArray bytes_;
};

// The same write with the bytes made by `produce` into the temporary file as they come
// (buffered). Whatever `produce` throws leaves the old file as it was and is rethrown.
void writeFileVerified(const QString& path, const std::function<void(ByteSink&)>& produce);

// The file a write to `path` puts its bytes into: `path` itself, or where its chain of
// symbolic links ends (a file that need not exist yet). Throws OutputError when the chain is
// a loop or cannot be read.
QString resolvedOutputPath(const QString& path);

// The system calls by which a write is made durable. Tests replace them (ScopedWriteCalls) to
// play a device that fails at its flush; the program never does.
struct WriteCalls {
    int (*syncFile)(int fd);
    int (*closeFile)(int fd);
    int (*syncFolder)(int fd);
    int (*renameFile)(const char* from, const char* to);
    int (*syncFileSystem)(int fd);
};

class ScopedWriteCalls {
public:
    explicit ScopedWriteCalls(const WriteCalls& calls);
    ~ScopedWriteCalls();
    ScopedWriteCalls(const ScopedWriteCalls&) = delete;
    ScopedWriteCalls& operator=(const ScopedWriteCalls&) = delete;

private:
    WriteCalls saved_;
};

// The name prefix of the temporary files of writes to the file named `fileName`.
QString temporaryNamePrefix(const QString& fileName);

} // namespace ezr

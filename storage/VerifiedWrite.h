#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>

namespace ezr {

// The one way the program writes a file. A regular file (or a new one) is replaced only when
// the new bytes are on the disk: they go to a temporary file beside it (".<name>.ezr-XXXXXX"),
// which is written, synced and closed with every result checked, then renamed over the old
// one, and the folder is synced. On any failure the old file stays byte for byte and the
// temporary file is removed; a temporary file that a killed run left for the same target is
// removed by the next write to it. A target that is not a regular file (a FIFO, a character
// device such as /dev/null or a terminal, a socket) is written in place, never replaced.
// A symbolic link is written through: the link stays and the file it leads to gets the bytes.
// Throws OutputError with the system's reason.
void writeFileVerified(const QString& path, QByteArrayView bytes);

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

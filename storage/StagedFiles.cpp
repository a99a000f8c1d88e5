#include "StagedFiles.h"

#include "WriteSteps.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ezr {

using namespace writesteps;

namespace {

// Files kept open until their sync, so that a writeback error reaches the descriptor that
// wrote them; a bounded number, far below the usual limit of descriptors.
constexpr int MaxOpen = 128;

} // namespace

StagedFiles::StagedFiles(const QString& folder) : folder_(QFile::encodeName(folder)) {}

StagedFiles::~StagedFiles() {
    discard();
}

QString StagedFiles::folderPath() const {
    return QFile::decodeName(folder_);
}

void StagedFiles::stage(const QString& path, QByteArrayView bytes) {
    ignoreFileSizeSignal();
    refuseUnlessPlainFile(path);
    removeLeftoversOnce(folder_);
    if (folderFd_ < 0) {
        folderFd_ = ::open(folder_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folderFd_ < 0)
            fail(OutputError::Kind::CannotCreate, path, errno);
    }
    Entry entry;
    entry.path = path;
    entry.target = QFile::encodeName(path);
    struct stat old {};
    entry.existed = ::lstat(entry.target.constData(), &old) == 0;
    entry.fd = createTemporary(folder_, encodedPrefix(nameOf(entry.target)), entry.temporary);
    if (entry.fd < 0)
        fail(OutputError::Kind::CannotCreate, path, errno);
    if (!writeAll(entry.fd, bytes)) {
        const int error = errno;
        calls().closeFile(entry.fd);
        ::unlink(entry.temporary.constData());
        fail(OutputError::Kind::CannotWrite, path, error);
    }
    entries_.append(entry);
    if (++open_ >= MaxOpen)
        sync();
}

void StagedFiles::closeEntry(Entry& entry, int error) {
    if (entry.fd < 0)
        return;
    // The descriptor is gone after close whatever it returns.
    if (calls().closeFile(entry.fd) != 0 && error == 0)
        error = errno != 0 ? errno : EIO;
    entry.fd = -1;
    --open_;
    if (error != 0) {
        entry.error = error;
        ::unlink(entry.temporary.constData());
        entry.temporary.clear();
    }
}

void StagedFiles::sync() {
    if (open_ == 0)
        return;
    // One sync of the file system for all the files written since the last one: a sync per
    // file would wait for the device's cache to be flushed once a file, which costs far more
    // than writing them. A write-back error of any of them fails the sync (and so each of
    // them): which one failed is not told, and none may be taken as saved. The folder is
    // opened before the files are written (see stage()), so that the error reaches it.
    int error = 0;
    const int folderFd = folderFd_;
    folderFd_ = -1;
    if (folderFd < 0 || calls().syncFileSystem(folderFd) != 0)
        error = errno != 0 ? errno : EIO;
    if (folderFd >= 0)
        ::close(folderFd);
    // The file system's sync reports a write-back error of any file in it since the folder
    // was opened, these files' among them.
    for (Entry& entry : entries_)
        closeEntry(entry, error);
}

void StagedFiles::placeEach(const std::function<void(qsizetype, const Entry&)>& failed) {
    sync();
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        Entry& entry = entries_[i];
        if (entry.error == 0 && !entry.temporary.isEmpty() &&
            calls().renameFile(entry.temporary.constData(), entry.target.constData()) != 0) {
            entry.error = errno != 0 ? errno : EIO;
            ::unlink(entry.temporary.constData());
        }
        entry.temporary.clear();
        if (entry.error != 0)
            failed(i, entry);
    }
    syncFolder(folder_, folderPath());
}

void StagedFiles::discard() {
    for (Entry& entry : entries_) {
        if (entry.fd >= 0) {
            calls().closeFile(entry.fd);
            entry.fd = -1;
        }
        if (!entry.temporary.isEmpty())
            ::unlink(entry.temporary.constData());
        entry.temporary.clear();
    }
    open_ = 0;
    if (folderFd_ >= 0)
        ::close(folderFd_);
    folderFd_ = -1;
}

} // namespace ezr

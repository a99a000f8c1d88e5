#pragma once

#include "OutputError.h"
#include "VerifiedWrite.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The steps every write of the storage layer is made of, shared by the single verified write,
// the staged batch of an import and its journal. Not for use above this layer.
namespace ezr::writesteps {

// The system calls in use (the real ones, or a test's failing ones).
const WriteCalls& calls();

[[noreturn]] void fail(OutputError::Kind kind, const QString& path, int error);

// Writes everything, going on after a short write; false with errno set on a failed call.
bool writeAll(int fd, QByteArrayView bytes);

QByteArray folderOf(const QByteArray& path);
QByteArray nameOf(const QByteArray& path);
// ".<name>.ezr-", the name shortened so that the temporary file's name fits.
QByteArray encodedPrefix(const QByteArray& name);

// A new temporary file beside the target, open for writing, private to the user (0600
// whatever the umask); `name` receives its path. -1 with errno on failure.
int createTemporary(const QByteArray& folder, const QByteArray& prefix, QByteArray& name);

// Syncs the folder so that renames and removals in it are on the disk.
void syncFolder(const QByteArray& folder, const QString& path);

// A file that grows past the process's size limit fails its write with EFBIG instead of the
// signal killing the program with the temporary file left behind. Called before every write.
void ignoreFileSizeSignal();

// The first write into a folder in this run removes the temporary files that interrupted
// writes left there (older than this write); later writes into it do not look again.
// Returns how many it removed.
int removeLeftoversOnce(const QByteArray& folder);

} // namespace ezr::writesteps
